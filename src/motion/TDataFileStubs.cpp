// Placeholders until the data-file front end lands.
#include "TDataFile.h"

void TDataFile::DetectFileType(const char*) { kind = kFileText; }

bool TDataFile::LoadFile(const char*, int32_t, bool) {
    TC3DData::Clear();
    return false;
}

bool TDataFile::ReadDFNAnnotations(const char*, bool, bool, bool) { return points != nullptr; }
