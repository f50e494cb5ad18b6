// TRT and TRX binary trajectory files, read and written.
// The reader and writers are not written yet: the entry points fail.
#include "motion/TDataFile.h"

bool TDataFile::ReadTRT(const char*, bool) {
    SetErrorText("Reading TRT files is not available");
    return false;
}

bool TDataFile::ReadTRTFile(const char*, bool, bool) {
    SetErrorText("Reading TRT analog files is not available");
    return false;
}

bool TDataFile::WriteTRT(const char*) {
    SetErrorText("Writing TRT files is not available");
    return false;
}

bool TDataFile::WriteTRX(const char*) {
    SetErrorText("Writing TRX files is not available");
    return false;
}
