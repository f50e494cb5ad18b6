// EMG binary recordings (analog only).
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ImportEMG(const char*) {
    SetErrorText("Reading EMG files is not available");
    return false;
}
