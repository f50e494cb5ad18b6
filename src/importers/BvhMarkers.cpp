// BVH animations read as markers: joints become points, the joint tree the stick text.
// The reader is not written yet: the entry point fails.
#include "motion/TDataFile.h"

bool TDataFile::ReadBVH(const char*) {
    SetErrorText("Reading BVH files as markers is not available");
    return false;
}
