#include "motion/TDataFile.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <string>

#include "platform/Paths.h"
#include "platform/TextUtil.h"

const char* gC3DAuthorName = "Vederiz";
const char* gC3DVendorName = "Dezozuza";
int32_t gC3DSoftwareVersion[3] = {1, 9, 0};

namespace {

// Copies text into a buffer of `size` bytes, cut to fit.
void CopyCut(char* out, size_t size, const std::string& text) {
    if (!out || size == 0) return;
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace

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
    InvalidatePlateCache();
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

// ---------------------------------------------------------------------------------------------
// File kinds, load and save dispatch

void TDataFile::DetectFileType(const char* filePath) {
    const std::string full = filePath ? filePath : "";
    const std::string ext = dez::ToUpperAscii(dez::ExtensionOf(full));
    const std::string name = dez::NameOf(full);
    auto is = [&ext](std::initializer_list<const char*> list) {
        for (const char* e : list)
            if (ext == e) return true;
        return false;
    };
    if (is({".TRB", ".TRC"})) {
        kind = kFileTrack;
    } else if (ext.compare(0, 3, ".TR") == 0) {
        kind = kFileTRT;
    } else if (ext.compare(0, 3, ".TX") == 0) {
        kind = kFileText;
    } else if (is({".RIC", ".RIF", ".RAW", ".RAH"})) {
        kind = kFileRIC;
    } else if (ext == ".C3D") {
        kind = kFileC3D;
    } else if (ext == ".EMG") {
        kind = kFileEMG;
    } else if (is({".MPC", ".CME"})) {
        kind = kFileMPC;
    } else if (ext == ".MDF") {
        kind = kFileMDF;
    } else if (ext == ".TAF") {
        kind = kFileTAF;
    } else if (ext == ".BVH") {
        kind = kFileBVH;
    } else {
        kind = name.compare(0, 2, "c#") == 0 ? kFileCPrefix : kFileText;
    }
}

void TDataFile::ClearForLoad(bool keepError) {
    const std::string reason = keepError ? errorText : "";
    TC3DData::Clear();
    ReplaceText(videoFile, nullptr);
    ReplaceText(comment, nullptr);
    modelOutputCount = 0;
    points = nullptr;
    // Plate records belong to the analog table just freed; a reader that appends plates must not
    // append them after those of the previous file.
    plateCount = 0;
    InvalidatePlateCache();
    std::strncpy(errorText, reason.c_str(), kErrorTextSize - 1);
    errorText[kErrorTextSize - 1] = '\0';
}

bool TDataFile::LoadFile(const char* filePath, int32_t fileKind, bool readFrames) {
    // A copy: the argument may be this recording's own path, which the clearing frees.
    const std::string target = filePath ? filePath : "";
    const char* p = target.c_str();
    ClearForLoad(false);
    if (fileKind == kFileDetect) {
        DetectFileType(p);
    } else {
        kind = fileKind;
    }
    modified = false;

    bool ok = false;
    // Nothing is opened that is not a readable regular file: a FIFO or device would block the open.
    const std::string unreadable = dez::UnreadableReason(target);
    if (!unreadable.empty()) SetErrorText((dez::NameOf(target) + ": " + unreadable).c_str());
    switch (unreadable.empty() ? kind : -1) {
    case kFileTRT: ok = ReadTRT(p, readFrames); break;
    case kFileText: ok = ReadTX(p, readFrames); break;
    case kFileC3D: ok = LoadC3D(p, true, readFrames, true); break;
    case kFileRIC: ok = ReadRIC(p, readFrames, true); break;
    case kFileMPC: ok = ReadMPC(p, readFrames); break;
    case kFileMDF: ok = ReadMDF(p, readFrames); break;
    case kFileCPrefix: ok = ReadCPrefix(p, readFrames); break;
    case kFileTrack: ok = ReadTrackFile(p); break;
    case kFileTAF: ok = ReadTAF(p, true); break;
    case kFileBVH: ok = ReadBVH(p); break;
    default: break;  // EMG and MAT files hold no points
    }
    // The recording is left empty, but the reader's reason stays readable.
    if (!ok) ClearForLoad(true);
    if (!points) {
        std::cout << "Error reading " << target << "\n";
        return false;
    }
    ReplaceText(path, p);
    playFirst = 0;
    playLast = GetFrameCount();
    if (!analog) {
        char analogPath[kPathBufferSize] = {};
        // Importing the companion is part of the load: the result is not an edit.
        if (FindAnalogFile(p, analogPath)) {
            analogPath[kPathBufferSize - 1] = '\0';
            ImportAnalogFile(analogPath);
            modified = false;
        }
    }
    InvalidatePlateCache();
    return true;
}

bool TDataFile::LoadKeepPath(const char* filePath, int32_t fileKind) {
    const bool hadPath = path != nullptr;
    const std::string kept = hadPath ? path : "";
    const bool ok = LoadFile(filePath, fileKind, true);
    ReplaceText(path, hadPath ? kept.c_str() : nullptr);
    return ok;
}

bool TDataFile::ImportAnalogFile(const char* filePath) {
    const std::string target = filePath ? filePath : "";  // may be analogFile, which is freed next
    const char* p = target.c_str();
    ClearAnalog();
    const int32_t remembered = kind;
    DetectFileType(p);
    switch (kind) {
    case kFileTRT:
        if (ReadTRTFile(p, true, true)) ReadDFN(p, true, 0);
        break;
    case kFileText: ImportTextAnalog(p); break;
    case kFileEMG: ImportEMG(p); break;
    case kFileTAF: ReadTAF(p, false); break;
    default: break;
    }
    kind = remembered;
    InvalidatePlateCache();
    if (!analog) return false;
    ReplaceText(analogFile, p);
    return true;
}

bool TDataFile::SaveKind(const char* target, int32_t fileKind) {
    if (!points || !target) return false;
    switch (fileKind) {
    case kFileTRT: return points->GetRows() <= 255 ? WriteTRT(target) : WriteTRX(target);
    case kFileText: return WriteText(target, false);
    case kFileC3D:
        return SaveC3D(target, gC3DAuthorName, gC3DVendorName, gC3DSoftwareVersion, keepGroups != 0);
    default: return false;
    }
}

bool TDataFile::Save() {
    if (!points || !path || kind == kFileMat) return false;
    const std::string target = path;  // a writer may replace the stored path
    if (!SaveKind(target.c_str(), kind)) return false;
    modified = false;
    return true;
}

bool TDataFile::SaveFile(const char* filePath, int32_t fileKind) {
    if (!points || !filePath) return false;
    const std::string target = filePath;
    if (fileKind == kFileMat) return WriteMatFile(target.c_str());
    return SaveKind(target.c_str(), fileKind);
}

void TDataFile::SetPath(const char* text) {
    if (!text) return;
    const std::string copy = text;  // text may be the stored path itself
    ReplaceText(path, copy.c_str());
}

void TDataFile::GetPath(char* out) const { CopyCut(out, kPathBufferSize, path ? path : ""); }

void TDataFile::GetFileName(char* out) const {
    if (!path) return;
    CopyCut(out, kNameBufferSize, dez::NameOf(path));
}

void TDataFile::GetAnalogFileName(char* out) const {
    if (analogFile) {
        const std::string name = dez::NameOf(analogFile);
        if (!name.empty()) {
            CopyCut(out, kNameBufferSize, name);
            return;
        }
    }
    GetFileName(out);
}

// ---------------------------------------------------------------------------------------------
// Events and points

void TDataFile::InitEventContexts() {
    for (LabelledItemList** list : {&events, &eventDescriptions, &eventContexts, &eventSubjects})
        if (!*list) *list = new LabelledItemList();
    static const char* const kNames[3] = {"Left", "Right", "General"};
    static const char* const kDescriptions[3] = {"Left Side Event", "Right Side Event", "General Event"};
    if (!eventContextLabels) {
        eventContextLabels = new LabelledItemList();
        for (int i = 0; i < 3; ++i) eventContextLabels->Add(LabelledItem(i + 1, kNames[i], kDescriptions[i], -1));
    }
    if (!eventContextDescriptions) {
        eventContextDescriptions = new LabelledItemList();
        for (int i = 0; i < 3; ++i)
            eventContextDescriptions->Add(LabelledItem(i + 1, kDescriptions[i], nullptr, -1));
    }
    if (!contextIconIds) {
        contextIconIds = new int32_t[3]{0, 1, 2};
        contextIconIdCount = 3;
    }
    if (!contextColours) {
        contextColours = new uint8_t[9]();
        contextColourCount = 3;
    }
}

bool TDataFile::AddEvent(int32_t frame, const char* name, int32_t contextIndex, int32_t icon, bool checkRange) {
    if (checkRange && (frame < 0 || frame > GetFrameCount())) return false;
    if (!events || events->count == 0 || !eventContextLabels) InitEventContexts();
    if (contextIndex < 0 || contextIndex >= eventContextLabels->count) contextIndex = 0;
    const LabelledItem* context = eventContextLabels->GetItem(contextIndex);
    const char* contextText = context ? context->name : "";
    LabelledItem item(frame, name, contextText, icon);
    item.contextIndex = FindEventContext(contextText);
    events->Add(item);  // refuses an event already there with the same name and frame
    modified = true;
    return true;
}

bool TDataFile::RemoveEvent(int32_t frame) {
    if (!events) return false;
    for (int32_t i = 0; i < events->count; ++i) {
        if (events->GetItem(i)->id == frame) {
            events->RemoveAt(i);
            modified = true;
            return true;
        }
    }
    return false;
}

bool TDataFile::RemoveHeaderEvent(int32_t frame) {
    if (!headerEvents) return false;
    for (int32_t i = 0; i < headerEvents->count; ++i) {
        if (headerEvents->GetItem(i)->id == frame) {
            headerEvents->RemoveAt(i);
            modified = true;
            return true;
        }
    }
    return false;
}

bool TDataFile::AddPoint(const char* name) {
    if (!points || !pointLabels) return false;
    const int32_t count = GetPointCount();
    if (count == 0) return false;
    if (!points->AddRows(dimension)) return false;
    pointLabels->Insert(LabelledItem(count + 1, name, nullptr, -1), count);
    modified = true;
    return true;
}

bool TDataFile::SetPointInfo(int32_t index, const char* label, const char* unit, const char* description) {
    if (!points || !pointLabels || index < 0 || index >= GetPointCount()) return false;
    SetListItem(label, index, pointLabels);
    const int32_t n = GetPointCount();
    if (unit) {
        if (!pointUnits) pointUnits = MakeLabelList(n, nullptr);
        if (*unit) SetListItem(unit, index, pointUnits);
    }
    if (description) {
        if (!pointDescriptions) pointDescriptions = MakeLabelList(n, nullptr);
        if (*description) SetListItem(description, index, pointDescriptions);
    }
    modified = true;
    return true;
}

int32_t TDataFile::FindPointLabel(const char* name) const {
    if (!name || !pointLabels) return -1;
    std::string key = name;
    TrimBlanks(key.data());
    key.resize(std::strlen(key.c_str()));
    // Labels are far shorter; a longer name is refused rather than cut into a false match.
    if (key.size() > 79) return -1;
    return FindLabel(key.c_str(), pointLabels);
}

// ---------------------------------------------------------------------------------------------
// Bounds and trajectories

bool TDataFile::GetBoundingBox(float* out, int32_t count, bool cube, bool* measured) const {
    if (measured) *measured = false;
    if (!out || dimension < 2) return false;
    if (count < (dimension == 2 ? 4 : 6)) return false;
    const bool hasZ = dimension >= 3;
    const bool hasResidual = dimension >= 4;
    bool any = false;
    float lo[3] = {0.0f, 0.0f, 0.0f};  // the origin is always inside
    float hi[3] = {0.0f, 0.0f, 0.0f};
    const int32_t pointsUsed = std::min(GetPointCount(), 256);
    const int32_t frames = GetFrameCount();
    const int32_t step = std::max(1, frames / 100);
    for (int32_t i = 0; i < pointsUsed; ++i) {
        if (IsModelOutputPoint(i)) continue;
        const int32_t row = i * dimension;
        for (int32_t f = 0; f < frames; f += step) {
            float v[3];
            v[0] = static_cast<float>(points->GetValue(row, f));
            if (v[0] == missingValue) continue;
            if (hasResidual && !IsValidResidual(points->GetValue(row + 3, f))) continue;
            any = true;
            v[1] = static_cast<float>(points->GetValue(row + 1, f));
            v[2] = hasZ ? static_cast<float>(points->GetValue(row + 2, f)) : 0.0f;
            for (int k = 0; k < (hasZ ? 3 : 2); ++k) {
                lo[k] = std::min(lo[k], v[k]);
                hi[k] = std::max(hi[k], v[k]);
            }
        }
    }
    if (measured) *measured = any;
    const float zMinMarkers = lo[2];
    if (cube) {
        float extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
        if (hasZ) extent = std::max(extent, hi[2] - lo[2]);
        const float h = extent / 2.0f;
        for (int k = 0; k < (hasZ ? 3 : 2); ++k) {
            const float centre = (lo[k] + hi[k]) / 2.0f;
            lo[k] = centre - h;
            hi[k] = centre + h;
        }
    }
    out[0] = lo[0];
    out[1] = hi[0];
    out[2] = lo[1];
    out[3] = hi[1];
    if (dimension == 2) return true;
    float centre[3];
    if (GetPlateCount() > 0 && GetPlateCentre(0, centre)) {
        out[4] = centre[2];
        out[5] = hi[2];
    } else {
        // Lifts a cube so that it rests on the lowest marker; a plain box stays as it is.
        out[4] = zMinMarkers;
        out[5] = hi[2] - lo[2] + zMinMarkers;
    }
    return true;
}

void TDataFile::GetTrajectory(int32_t n, Matrix2D* out, bool swap) const {
    if (n < 1 || GetPointCount() < n || !out || out->GetRows() != 3) return;
    const int32_t frames = std::min(GetFrameCount(), out->GetCols());
    const int32_t row = (n - 1) * dimension;
    for (int32_t f = 0; f < frames; ++f) {
        const float x = static_cast<float>(points->GetValue(row, f));
        // A one-value point has no y of its own: the next row belongs to the next point.
        const float y = dimension >= 2 ? static_cast<float>(points->GetValue(row + 1, f)) : 0.0f;
        const float z = dimension >= 3 ? static_cast<float>(points->GetValue(row + 2, f)) : 0.0f;
        out->SetValue(0, f, x);
        out->SetValue(1, f, swap ? z : y);
        out->SetValue(2, f, swap ? y : z);
    }
}

// ---------------------------------------------------------------------------------------------
// Force plates

bool TDataFile::GetPlateForces(int32_t plate, int32_t column, TPlateForces* out, float threshold, bool localAxes) {
    if (!plateCalculator_) plateCalculator_ = std::make_unique<TPlateCalculator>();
    return plateCalculator_->Compute(*this, plate, column, threshold, localAxes, GetUnitFactor(-1), out);
}

void TDataFile::InvalidatePlateCache() {
    if (plateCalculator_) plateCalculator_->Invalidate();
}

bool TDataFile::GetPlateGeometry(int32_t plate, int32_t* type, int32_t* channels, double* corners,
                                 double* origin) const {
    if (!analog || plate < 0 || plate >= std::min(plateCount, static_cast<int32_t>(kMaxPlates))) return false;
    const TForcePlate& p = plates[plate];
    if (type) *type = p.type;
    if (channels) {
        const int32_t n = p.type == 3 ? 8 : 6;
        for (int32_t j = 0; j < n; ++j) channels[j] = p.channels[j];
    }
    if (corners)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 3; ++k) corners[3 * c + k] = p.corners[c][k];
    if (origin)
        for (int k = 0; k < 3; ++k) origin[k] = p.origin[k];
    return true;
}

bool TDataFile::AddForcePlate(int32_t type, const int32_t* channels, const double* corners, const double* origin) {
    if (!analog || plateCount < 0 || plateCount >= kMaxPlates || !channels || !corners || !origin) return false;
    TForcePlate& p = plates[plateCount];
    p.type = type < 1 ? 2 : type;
    const int32_t n = p.type == 3 ? 8 : 6;
    for (int32_t j = 0; j < 8; ++j) p.channels[j] = j < n ? channels[j] : 0;
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 3; ++k) p.corners[c][k] = static_cast<float>(corners[3 * c + k]);
    for (int k = 0; k < 3; ++k) p.origin[k] = static_cast<float>(origin[k]);
    ++plateCount;
    return true;
}
