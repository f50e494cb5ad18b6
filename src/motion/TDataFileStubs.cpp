// Placeholders until the marker-set lookup lands.
#include "TDataFile.h"

bool TDataFile::LoadC3D(const char* filePath, bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    return TC3DData::LoadC3D(filePath, keepCameraMask, readFrames, stripPrefixes);
}

bool TDataFile::LoadMarkerSet(TStructure*) { return false; }
