// TAF tracker recordings: sensors as points, channels as analog data.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadTAF(const char*, bool) {
    SetErrorText("Reading TAF files is not available");
    return false;
}
