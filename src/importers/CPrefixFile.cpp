// Recordings whose file name begins "c#".
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadCPrefix(const char*, bool) {
    SetErrorText("Reading c# recordings is not available");
    return false;
}
