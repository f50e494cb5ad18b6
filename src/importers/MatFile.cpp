// Level-4 MAT matrix file of the point (and analog) table.
// The writer is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::WriteMatFile(const char*) {
    SetErrorText("Writing MAT files is not available");
    return false;
}
