// Companion ".dfn" definition files: rates, labels, events, plates, the analog companion's name
// and the annotations (events, stick text, model file names) other formats take from them.
// The reader is not written yet: the entry points answer as for a missing file.
#include "motion/TDataFile.h"

bool TDataFile::ReadDFN(const char*, bool, int32_t) {
    SetErrorText("Reading .dfn files is not available");
    return false;
}

bool TDataFile::FindAnalogFile(const char*, char*) { return false; }

bool TDataFile::ReadDFNAnnotations(const char*, bool, bool, bool) { return points != nullptr; }
