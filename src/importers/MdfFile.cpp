// CODA MDF motion files with their force plates.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadMDF(const char*, bool) {
    SetErrorText("Reading MDF files is not available");
    return false;
}
