// Placeholders until the C3D codec lands.
#include "TC3DData.h"

bool TC3DData::LoadC3D(const char*, bool, bool, bool) {
    Clear();
    SetErrorText("C3D reading is not available");
    return false;
}

bool TC3DData::SaveC3D(const char*, const char*, const char*, const int32_t*, bool) {
    SetErrorText("C3D writing is not available");
    return false;
}

bool TC3DData::GetMarkerSetNames(char* markerSet, char* displaySet, int32_t) {
    if (markerSet) markerSet[0] = '\0';
    if (displaySet) displaySet[0] = '\0';
    return false;
}
