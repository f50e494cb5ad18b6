// RIC-family recordings (RIC, RIF, RAW, RAH) with their companion files.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadRIC(const char*, bool, bool) {
    SetErrorText("Reading RIC files is not available");
    return false;
}
