// TRC text and TRB binary track files with their analog companion and plate calibration.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadTrackFile(const char*) {
    SetErrorText("Reading TRC/TRB files is not available");
    return false;
}
