// MPC and CME text recordings with their ".vm" companion.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadMPC(const char*, bool) {
    SetErrorText("Reading MPC files is not available");
    return false;
}
