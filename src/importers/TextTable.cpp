// Text tables (TX): points or analog channels as separated columns, and the text export.
// The reader and writer are not written yet: the entry points fail.
#include "motion/TDataFile.h"

bool TDataFile::ReadTX(const char*, bool) {
    SetErrorText("Reading text tables is not available");
    return false;
}

void TDataFile::ImportTextAnalog(const char*) { SetErrorText("Importing text analog tables is not available"); }

bool TDataFile::WriteText(const char*, bool) {
    SetErrorText("Writing text tables is not available");
    return false;
}
