// Placeholders until the data-file front end lands.
#include "TDataFile.h"

bool TDataFile::LoadC3D(const char* filePath, bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    return TC3DData::LoadC3D(filePath, keepCameraMask, readFrames, stripPrefixes);
}

bool TDataFile::LoadMarkerSet(TStructure*) { return false; }

void TDataFile::DetectFileType(const char*) { kind = kFileText; }

bool TDataFile::LoadFile(const char*, int32_t, bool) {
    TC3DData::Clear();
    return false;
}
