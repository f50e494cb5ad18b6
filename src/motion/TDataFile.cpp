#include "TDataFile.h"

#include <cstring>

#include "platform/TextUtil.h"

TDataFile::TDataFile(int32_t nPoints, int32_t frames, float rate, int32_t analogChannels, int32_t samplesPerFrame,
                     int32_t dim) {
    Reset();
    dimension = dim > 3 ? dim : 3;
    if (frames > 0 && nPoints > 0) {
        points = new Matrix2D(dimension * nPoints, frames);
        pointLabels = MakeLabelList(nPoints, "M");
    }
    pointRate = rate;
    if (analogChannels != 0) {
        analogRate = static_cast<float>(samplesPerFrame) * pointRate;
        analog = new Matrix2D(analogChannels, frames * samplesPerFrame);
        analogLabels = MakeLabelList(analogChannels, "A");
    }
}

TDataFile::TDataFile(const char* filePath, uint8_t setFlag, uint8_t flag2, double scale) {
    Reset();
    bvhScale = scale;
    markerSetFlag = setFlag;
    secondFlag = flag2;
    if (filePath) {
        if (LoadFile(filePath, kFileDetect, true)) {
            DetectFileType(filePath);
        } else {
            kind = kFileText;
        }
    }
}

TDataFile::~TDataFile() {
    TC3DData::Clear();
    ReplaceText(videoFile, nullptr);
    ReplaceText(comment, nullptr);
    ClearAnalog();
    ReplaceText(path, nullptr);
    ReplaceText(analogFile, nullptr);
    ReplaceText(skeletonFile, nullptr);
    ReplaceText(formatText, nullptr);
}

void TDataFile::Reset() {
    points = nullptr;
    analog = nullptr;
    analogLabels = nullptr;
    path = nullptr;
    formatText = nullptr;
    errorText[0] = '\0';
    pointRate = 25.0f;
    analogRate = 0.0f;
    missingValue = 0.0f;
    dimension = 1;
    plateCount = 0;
    modelOutputCount = 0;
    swapYZ = false;
    stickText[0] = '\0';
    keepGroups = 1;
    kind = kFileText;
    lineEnd = 13;
    fieldSeparator = 9;
    headerLines = 0;
    videoFile = analogFile = skeletonFile = comment = nullptr;
    videoFirstFrame = videoLastFrame = -1;
    syncFrame = 0;
    dfnIFlag = 0;
    markerSetFlag = 1;
}

void TDataFile::ClearAnalog() {
    for (TForcePlate& plate : plates) plate.FreeCalibration();
    delete analog;
    analog = nullptr;
    ReplaceText(analogFile, nullptr);
    delete analogLabels;
    analogLabels = nullptr;
    plateCount = 0;
    modified = true;
}

void TrimBlanks(char* text) {
    if (!text) return;
    auto blank = [](char c) { return static_cast<signed char>(c) <= 32 && c != '\0'; };
    size_t n = std::strlen(text);
    size_t start = 0;
    while (start < n && blank(text[start])) ++start;
    while (n > start && blank(text[n - 1])) --n;
    std::memmove(text, text + start, n - start);
    text[n - start] = '\0';
}

double TDataFile::GetUnitFactor(int32_t i) const {
    if (i < 0 || i >= GetPointCount()) return 1000.0;
    char unit[256];
    if (GetPointUnit(unit, i) < 0) return 1000.0;
    const struct {
        const char* text;
        double factor;
    } units[] = {{"mm", 1000.0}, {"cm", 100.0}, {"dm", 10.0}, {"m", 1.0}};
    for (const auto& u : units)
        if (dez::EqualsNoCase(unit, u.text)) return u.factor;
    return 1000.0;
}
