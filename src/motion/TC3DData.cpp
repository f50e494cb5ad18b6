#include "motion/TC3DData.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

#include "motion/C3DFormat.h"
#include "motion/C3DParameters.h"

namespace {

const double kPi = 3.14159265358979323846;

// Copies a name into a caller buffer of `size` bytes, cut to fit.
void CopyOut(char* out, int32_t size, const char* text) {
    if (!out || size <= 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    if (n) std::memcpy(out, text, n);
    out[n] = '\0';
}

constexpr int32_t kBufferSize = 256;  // what the unsized getters assume of their caller

bool CopyItemName(const LabelledItemList* list, int32_t index, char* out, int32_t size) {
    CopyOut(out, size, "");
    if (!list) return false;
    const LabelledItem* item = list->GetItem(index);
    if (!item) return false;
    CopyOut(out, size, item->name);
    return true;
}

bool CopyItemNameById(const LabelledItemList* list, int32_t id, char* out) {
    CopyOut(out, kBufferSize, "");
    if (!list) return false;
    for (int32_t i = 0; i < list->count; ++i) {
        const LabelledItem* item = list->GetItem(i);
        if (item && item->id == id) {
            CopyOut(out, kBufferSize, item->name);
            return true;
        }
    }
    return false;
}

int32_t FindIdByName(const LabelledItemList* list, const char* name) {
    if (!list || !name) return -1;
    const int32_t i = list->Find(name);
    if (i < 0) return -1;
    return list->GetItem(i)->id;
}

void DeleteList(LabelledItemList*& list) {
    delete list;
    list = nullptr;
}

float Distance(const float* a, const float* b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

}  // namespace

void TForcePlate::FreeCalibration() {
    delete[] calibration;
    calibration = nullptr;
    calRows = calCols = 0;
}

void ReplaceText(char*& field, const char* text) {
    delete[] field;
    field = nullptr;
    if (!text) return;
    const size_t n = std::strlen(text);
    field = new char[n + 1];
    std::memcpy(field, text, n + 1);
}

TC3DData::TC3DData() {
    for (int i = 0; i < kMaxAnalogFactors; ++i) {
        analogScale[i] = 1.0f;
        analogGain[i] = 1.0f;
        analogOffset[i] = 0.0f;
        analogType[i] = -1;
    }
    gAnalogGenScale = 1.0;
}

TC3DData::~TC3DData() { TC3DData::Clear(); }

void TC3DData::Clear() {
    swapYZ = false;
    analogUnsigned = false;
    ReplaceText(shortName, nullptr);
    ReplaceText(dfnPreScript, nullptr);
    ReplaceText(dfnModel, nullptr);
    ReplaceText(dfnJoint, nullptr);
    ReplaceText(dfnIn3, nullptr);
    ReplaceText(dfnPostScript, nullptr);
    ReplaceText(path, nullptr);
    delete points;
    points = nullptr;
    delete analog;
    analog = nullptr;
    for (LabelledItemList** list :
         {&headerEvents, &analogLabels, &analogDescriptions, &analogUnits, &pointLabels, &pointDescriptions,
          &pointUnits, &writtenGroups, &subjectNames, &eventContextLabels, &eventContextDescriptions, &events,
          &eventDescriptions, &eventContexts, &eventSubjects}) {
        DeleteList(*list);
    }
    errorText[0] = '\0';
    for (TForcePlate& plate : plates) {
        plate.FreeCalibration();
        plate.calibrationIndex = -1;
    }
    FreeGroups();
    gC3DDataOffset = 0;
    gC3DParameterEndBlock = 0;
    for (int i = 0; i < kMaxAnalogFactors; ++i) {
        analogScale[i] = 1.0f;
        analogGain[i] = 1.0f;
        analogOffset[i] = 0.0f;
    }
    gAnalogGenScale = 1.0;
    ClearCategoryLists();
    plateZero[0] = plateZero[1] = 0;
    headerPointCount = 0;
    pointPlaceholder = false;
    pointScale = 1.0f;
    pointRate = analogRate = 0.0f;
    labelWidth = 32;
    descriptionWidth = 64;
    unitWidth = 32;
    modelOutputWidth = 32;
    subjectWidth = 32;
    usesPrefixes = false;
    subjectsUsed = 0;
    firstFrame = lastFrame = 0;
    xScreen[0] = yScreen[0] = '\0';
    std::memset(movieIds, 0, sizeof movieIds);
    std::memset(movieDelays, 0, sizeof movieDelays);
    movieCount = 0;
    delete[] eventTimes;
    eventTimes = nullptr;
    eventTimeCount = 0;
    delete[] eventIconIds;
    eventIconIds = nullptr;
    eventIconIdCount = 0;
    delete[] eventGenericFlags;
    eventGenericFlags = nullptr;
    eventGenericFlagCount = 0;
    delete[] contextIconIds;
    contextIconIds = nullptr;
    contextIconIdCount = 0;
    delete[] contextColours;
    contextColours = nullptr;
    contextColourCount = 0;
}

void TC3DData::SetErrorText(const char* text) {
    CopyOut(errorText, kErrorTextSize, text);
    if (verbose && text && *text) std::cout << errorText << std::endl;
}

void TC3DData::SetPointRate(float rate) {
    if (rate > 0) pointRate = rate;
}

void TC3DData::SetAnalogRate(float rate) {
    if (rate != 0) analogRate = rate;
}

float TC3DData::GetPointPeriod() const {
    return pointRate > 0 ? static_cast<float>(1000.0 / pointRate) : 0.0f;
}

float TC3DData::GetAnalogPeriod() const {
    return analogRate > 0 ? static_cast<float>(1000.0 / analogRate) : 0.0f;
}

int32_t TC3DData::GetAnalogType(int32_t channel) const {
    return (channel >= 0 && channel < kMaxAnalogFactors) ? analogType[channel] : -1;
}

float TC3DData::GetAnalogSamplesPerFrame() const {
    if (analogRate == 0 || pointRate == 0) return 1.0f;
    return analogRate / pointRate;
}

int32_t TC3DData::GetNumberOfPoints() const { return GetPointCount(); }

int32_t TC3DData::GetPointCount() const {
    if (!points || dimension == 0) return 0;
    if (pointPlaceholder && points->GetRows() == dimension) return 0;
    return points->GetRows() / dimension;
}

int32_t TC3DData::GetFrameCount() const { return points ? points->GetCols() : 0; }
int32_t TC3DData::GetPointRowCount() const { return points ? points->GetRows() : 0; }
int32_t TC3DData::GetAnalogChannelCount() const { return analog ? analog->GetRows() : 0; }
int32_t TC3DData::GetPlateCount() const { return analog ? plateCount : 0; }

int32_t TC3DData::GetHeaderEventCount() const { return headerEvents ? headerEvents->count : 0; }
int32_t TC3DData::GetEventCount() const { return events ? events->count : 0; }

bool TC3DData::GetHeaderEvent(char* out, int32_t i) const { return CopyItemName(headerEvents, i, out, kBufferSize); }
bool TC3DData::GetEvent(char* out, int32_t i) const { return CopyItemName(events, i, out, kBufferSize); }
bool TC3DData::GetHeaderEventById(char* out, int32_t id) const { return CopyItemNameById(headerEvents, id, out); }
bool TC3DData::GetEventById(char* out, int32_t id) const { return CopyItemNameById(events, id, out); }
int32_t TC3DData::FindHeaderEvent(const char* name) const { return FindIdByName(headerEvents, name); }
int32_t TC3DData::FindEvent(const char* name) const { return FindIdByName(events, name); }

void TC3DData::SetAnalogChannelCount(int32_t n) {
    DeleteList(analogLabels);
    if (n == 0) {
        if (!analog) return;
        n = analog->GetRows();
    }
    analogLabels = MakeLabelList(n, "Channel ");
    // "Channel %d": the prefix already carries the blank.
}

bool TC3DData::GetAnalogLabel(char* out, int32_t n) const { return GetAnalogLabel(out, kBufferSize, n); }

bool TC3DData::GetAnalogLabel(char* out, int32_t size, int32_t n) const {
    return CopyItemName(analogLabels, n - 1, out, size);
}

bool TC3DData::GetAnalogDescription(char* out, int32_t n) const {
    return CopyItemName(analogDescriptions, n - 1, out, kBufferSize);
}

bool TC3DData::GetAnalogUnit(char* out, int32_t n) const {
    if (analogUnits && analogUnits->count == 1) return CopyItemName(analogUnits, 0, out, kBufferSize);
    return CopyItemName(analogUnits, n - 1, out, kBufferSize);
}

std::string TC3DData::AnalogLabel(int32_t n) const {
    const LabelledItem* item = analogLabels ? analogLabels->GetItem(n - 1) : nullptr;
    return item ? std::string(item->name) : std::string();
}

void TC3DData::SetPointCount(int32_t n) {
    DeleteList(pointLabels);
    if (n == 0) n = GetPointCount();
    pointLabels = MakeLabelList(n, "Marker ");
}

int32_t TC3DData::GetPointLabel(char* out, int32_t i) const { return GetPointLabel(out, kBufferSize, i); }

int32_t TC3DData::GetPointLabel(char* out, int32_t size, int32_t i) const {
    return CopyItemName(pointLabels, i, out, size) ? i : -1;
}

std::string TC3DData::PointLabel(int32_t i) const {
    const LabelledItem* item = pointLabels ? pointLabels->GetItem(i) : nullptr;
    return item ? std::string(item->name) : std::string();
}

int32_t TC3DData::GetPointDescription(char* out, int32_t i) const {
    return CopyItemName(pointDescriptions, i, out, kBufferSize) ? i : -1;
}

int32_t TC3DData::GetPointUnit(char* out, int32_t i) const {
    if (pointUnits && pointUnits->count == 1) return CopyItemName(pointUnits, 0, out, kBufferSize) ? 0 : -1;
    return CopyItemName(pointUnits, i, out, kBufferSize) ? i : -1;
}

float* TC3DData::GetResiduals(int32_t i) const {
    if (!points || dimension < 4 || i < 0 || i >= GetPointCount()) return nullptr;
    const int32_t frames = GetFrameCount();
    float* out = new (std::nothrow) float[frames > 0 ? frames : 1];
    if (!out) return nullptr;
    const int32_t row = i * dimension + 3;
    for (int32_t f = 0; f < frames; ++f) out[f] = static_cast<float>(points->GetValue(row, f));
    return out;
}

uint8_t* TC3DData::GetCameraMasks(int32_t i) const {
    if (!points || dimension < 5 || i < 0 || i >= GetPointCount()) return nullptr;
    const int32_t frames = GetFrameCount();
    uint8_t* out = new (std::nothrow) uint8_t[frames > 0 ? frames : 1];
    if (!out) return nullptr;
    const int32_t row = i * dimension + 4;
    for (int32_t f = 0; f < frames; ++f) {
        const double v = points->GetValue(row, f);
        // Out-of-range values keep their low 8 bits, as an integer conversion would.
        const long long n = (std::isfinite(v) && std::fabs(v) < 9.2e18) ? static_cast<long long>(v) : 0;
        out[f] = static_cast<uint8_t>(n & 0xFF);
    }
    return out;
}

bool TC3DData::GetPlateSize(int32_t p, float* a, float* b) const {
    if (p < 0 || p >= plateCount || !a || !b) return false;
    *a = Distance(plates[p].corners[0], plates[p].corners[1]);
    *b = Distance(plates[p].corners[1], plates[p].corners[2]);
    return true;
}

bool TC3DData::GetPlateCentre(int32_t p, float* centre) const {
    if (p < 0 || p >= plateCount || !centre) return false;
    for (int k = 0; k < 3; ++k) {
        double sum = 0;
        for (int c = 0; c < 4; ++c) sum += plates[p].corners[c][k];
        centre[k] = static_cast<float>(sum / 4.0);
    }
    return true;
}

bool TC3DData::GetPlateChannels(int32_t p, int32_t* channels, int32_t* count) const {
    if (p < 0 || p >= plateCount || !channels || !count) return false;
    *count = plates[p].type == 3 ? 8 : 6;
    for (int32_t k = 0; k < *count; ++k) channels[k] = plates[p].channels[k] - 1;
    return true;
}

bool TC3DData::GetPlateCorners(int32_t p, float* corners) const {
    if (!corners || p < 0 || p >= plateCount) return false;
    std::memcpy(corners, plates[p].corners, sizeof(float) * 12);
    return true;
}

void TC3DData::SetPlateCorners(int32_t p, const float* corners) {
    if (corners && p >= 0 && p < plateCount) std::memcpy(plates[p].corners, corners, sizeof(float) * 12);
}

float* TC3DData::GetAllPlateCorners() const {
    if (plateCount <= 0) return nullptr;
    float* out = new (std::nothrow) float[12 * plateCount];
    if (!out) return nullptr;
    for (int32_t p = 0; p < plateCount; ++p) std::memcpy(out + 12 * p, plates[p].corners, sizeof(float) * 12);
    return out;
}

void TC3DData::SetAllPlateCorners(const float* corners) {
    if (!corners) return;
    for (int32_t p = 0; p < plateCount && p < kMaxPlates; ++p)
        std::memcpy(plates[p].corners, corners + 12 * p, sizeof(float) * 12);
}

float* TC3DData::GetAllPlateOrigins() const {
    if (plateCount <= 0) return nullptr;
    float* out = new (std::nothrow) float[3 * plateCount];
    if (!out) return nullptr;
    for (int32_t p = 0; p < plateCount; ++p) std::memcpy(out + 3 * p, plates[p].origin, sizeof(float) * 3);
    return out;
}

void TC3DData::SetAllPlateOrigins(const float* origins) {
    if (!origins) return;
    for (int32_t p = 0; p < plateCount && p < kMaxPlates; ++p)
        std::memcpy(plates[p].origin, origins + 3 * p, sizeof(float) * 3);
}

int32_t* TC3DData::GetAllPlateChannels() const {
    if (plateCount <= 0) return nullptr;
    int32_t total = 0;
    for (int32_t p = 0; p < plateCount; ++p) total += plates[p].type == 3 ? 8 : 6;
    int32_t* out = new (std::nothrow) int32_t[total];
    if (!out) return nullptr;
    int32_t at = 0;
    for (int32_t p = 0; p < plateCount; ++p) {
        const int32_t n = plates[p].type == 3 ? 8 : 6;
        std::memcpy(out + at, plates[p].channels, sizeof(int32_t) * n);
        at += n;
    }
    return out;
}

void TC3DData::SetAllPlateChannels(const int32_t* channels) {
    if (!channels) return;
    int32_t at = 0;
    for (int32_t p = 0; p < plateCount && p < kMaxPlates; ++p) {
        const int32_t n = plates[p].type == 3 ? 8 : 6;
        std::memcpy(plates[p].channels, channels + at, sizeof(int32_t) * n);
        at += n;
    }
}

namespace {
int32_t CountType4(const TC3DData& d) {
    int32_t k = 0;
    for (int32_t p = 0; p < d.plateCount && p < kMaxPlates; ++p)
        if (d.plates[p].type == 4) ++k;
    return k;
}
}  // namespace

float* TC3DData::GetAllCalibrationMatrices() const {
    const int32_t k = CountType4(*this);
    if (k == 0) return nullptr;
    float* out = new (std::nothrow) float[36 * k]();
    if (!out) return nullptr;
    for (int32_t j = 0; j < k; ++j) {
        const TForcePlate& slot = plates[j];
        // A slot with fewer than 36 values holds no usable matrix.
        if (slot.calibration && slot.calRows * slot.calCols >= 36)
            std::memcpy(out + 36 * j, slot.calibration, sizeof(float) * 36);
    }
    return out;
}

void TC3DData::SetAllCalibrationMatrices(const float* values) {
    if (!values) return;
    const int32_t k = CountType4(*this);
    for (int32_t j = 0; j < k; ++j) {
        TForcePlate& slot = plates[j];
        if (slot.calibration && slot.calRows * slot.calCols >= 36)
            std::memcpy(slot.calibration, values + 36 * j, sizeof(float) * 36);
    }
}

void TC3DData::GetPlateAngle(int32_t p, float* angle) const {
    if (!angle) return;
    *angle = 0;
    if (p < 0 || p >= plateCount) return;
    const float* c1 = plates[p].corners[0];
    const float* c2 = plates[p].corners[1];
    const double dx = static_cast<double>(c1[0]) - c2[0];
    const double dy = static_cast<double>(c1[1]) - c2[1];
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d <= 1e-6) return;
    double a = std::acos(dx / d) * 180.0 / kPi;
    if (c1[1] < c2[1]) a = -a;
    *angle = static_cast<float>(a);
}

int32_t TC3DData::GetPlateType(int32_t p) const {
    return (p >= 0 && p < kMaxPlates) ? plates[p].type : 0;
}

int32_t TC3DData::SetPlateType(int32_t p, int32_t type) {
    if (p >= 0 && p < kMaxPlates) plates[p].type = type;
    return p;
}

void TC3DData::SetShortName(const char* name) {
    ReplaceText(shortName, nullptr);
    if (!name) return;
    char cut[33];
    CopyOut(cut, sizeof cut, name);
    ReplaceText(shortName, cut);
}

void TC3DData::SetPointLabel(const char* label, int32_t i, const char* unit, const char* description) {
    if (!pointLabels || i < 0 || i >= GetPointCount()) return;
    SetListItem(label, i, pointLabels);
    const int32_t n = GetPointCount();
    if (unit && *unit) {
        if (!pointUnits) pointUnits = MakeLabelList(n, nullptr);
        SetListItem(unit, i, pointUnits);
    }
    if (description && *description) {
        if (!pointDescriptions) pointDescriptions = MakeLabelList(n, nullptr);
        SetListItem(description, i, pointDescriptions);
    }
}

void TC3DData::SetAnalogLabel(const char* label, int32_t i, const char* unit, const char* description) {
    if (!analogLabels || !analog || i < 0 || i >= GetAnalogChannelCount()) return;
    SetListItem(label, i, analogLabels);
    const int32_t n = GetAnalogChannelCount();
    if (unit) {
        if (!analogUnits) analogUnits = MakeLabelList(n, nullptr);
        if (*unit) SetListItem(unit, i, analogUnits);
    }
    if (description) {
        if (!analogDescriptions) analogDescriptions = MakeLabelList(n, nullptr);
        if (*description) SetListItem(description, i, analogDescriptions);
    }
}

bool TC3DData::SetMovieDelay(int32_t i, float delay) {
    if (i < 0 || i >= movieCount || i >= kMaxMovies) return false;
    movieDelays[i] = delay;
    movieDelaysEdited = true;
    return true;
}

namespace {

// Appends items count + 1 ... n, named by `name`, in one allocation: LabelledItemList::Add looks
// for duplicates and regrows the array on every item, which is quadratic for the tens of thousands
// of labels a C3D header may declare. The new ids are all larger than any id of the items already
// there, so no duplicate can arise.
bool AppendNumberedItems(LabelledItemList* list, int32_t n, const char* prefix) {
    if (!list || n <= list->count) return true;
    LabelledItem** grown = new (std::nothrow) LabelledItem*[static_cast<size_t>(n)];
    if (!grown) return false;
    for (int32_t i = 0; i < list->count; ++i) grown[i] = list->items[i];
    int32_t made = list->count;
    char text[kBufferSize];
    for (; made < n; ++made) {
        if (prefix) {
            std::snprintf(text, sizeof text, "%s%d", prefix, made + 1);
        } else {
            std::snprintf(text, sizeof text, " ");
        }
        grown[made] = new (std::nothrow) LabelledItem(made + 1, text);
        if (!grown[made]) break;
    }
    delete[] list->items;
    list->items = grown;
    list->count = made;
    return made == n;
}

}  // namespace

LabelledItemList* TC3DData::MakeLabelList(int32_t n, const char* prefix) {
    auto* list = new LabelledItemList();
    AppendNumberedItems(list, n, prefix);
    return list;
}

void SetListItem(const char* text, int32_t index, LabelledItemList* list) {
    if (!list || index < 0 || index == INT32_MAX) return;
    if (list->count <= index) AppendNumberedItems(list, index + 1, nullptr);
    if (index >= list->count) return;
    LabelledItem* item = list->GetItem(index);
    // Replaced in place so that an equal neighbour cannot make the list refuse it.
    LabelledItem replacement(index + 1, text ? text : " ");
    item->CopyFrom(replacement);
}

int32_t FindLabel(const char* name, const LabelledItemList* list) {
    if (!name || !list) return -1;
    return list->Find(name);
}

bool HasLabel(const char* name, const LabelledItemList* list) { return FindLabel(name, list) >= 0; }

int32_t CopyListItem(const LabelledItemList* list, char* out, int32_t index, bool oneForAll) {
    CopyOut(out, kBufferSize, "");
    if (!list) return -1;
    if (oneForAll && list->count == 1) index = 0;
    const LabelledItem* item = list->GetItem(index);
    if (!item) return -1;
    CopyOut(out, kBufferSize, item->name);
    return index;
}

void TC3DData::AddCategoryPoint(LabelledItemList* list, const char* label, const char* unit,
                                const char* description) {
    if (!list) return;
    const int32_t i = FindLabel(label, pointLabels);
    if (i < 0) return;
    LabelledItem item(list->count + 1, label, nullptr, -1);
    list->Add(item);
    ++modelOutputCount;
    const int32_t n = GetPointCount();
    if (unit) {
        if (!pointUnits) pointUnits = MakeLabelList(n, nullptr);
        if (*unit) SetListItem(unit, i, pointUnits);
    }
    if (description) {
        if (!pointDescriptions) pointDescriptions = MakeLabelList(n, nullptr);
        SetListItem(*description ? description : " ", i, pointDescriptions);
    } else if (pointDescriptions) {
        SetListItem(" ", i, pointDescriptions);
    }
}

void TC3DData::AddAngle(const char* label, const char* unit, const char* description) {
    if (!angles) angles = new LabelledItemList();
    AddCategoryPoint(angles, label, unit, description);
}

void TC3DData::AddMoment(const char* label, const char* unit, const char* description) {
    if (!moments) moments = new LabelledItemList();
    AddCategoryPoint(moments, label, unit, description);
}

void TC3DData::AddPower(const char* label, const char* unit, const char* description) {
    if (!powers) powers = new LabelledItemList();
    AddCategoryPoint(powers, label, unit, description);
}

bool TC3DData::IsModelOutputLabel(const char* label) const {
    if (modelOutputCount == 0) return false;
    for (const LabelledItemList* list : {scalars, angles, powers, forces, moments, reactions})
        if (HasLabel(label, list)) return true;
    return false;
}

bool TC3DData::IsModelOutputPoint(int32_t i) const {
    if (!points || modelOutputCount == 0 || i < 0 || i >= GetPointCount()) return false;
    const LabelledItem* item = pointLabels ? pointLabels->GetItem(i) : nullptr;
    if (!item) return false;
    return IsModelOutputLabel(item->name);
}

void TC3DData::ClearCategoryLists() {
    for (LabelledItemList** list : {&scalars, &angles, &forces, &moments, &powers, &reactions}) DeleteList(*list);
    modelOutputCount = 0;
}

void TC3DData::StripSubjectPrefixes() {
    if (!usesPrefixes || subjectsUsed == 0) {
        usesPrefixes = false;
        return;
    }
    const int32_t n = GetPointCount();
    for (int32_t i = 0; i < n; ++i) {
        const LabelledItem* item = pointLabels ? pointLabels->GetItem(i) : nullptr;
        if (!item) continue;
        std::string label = item->name;
        if (modelOutputCount != 0 && IsModelOutputLabel(label.c_str())) continue;
        // Tokenise at ':' the way strtok does: runs of ':' are one separator, leading ones skipped.
        const size_t start = label.find_first_not_of(':');
        if (start == std::string::npos) continue;
        const size_t firstEnd = label.find(':', start);
        std::string result;
        const size_t next = firstEnd == std::string::npos ? std::string::npos : label.find_first_not_of(':', firstEnd);
        if (next != std::string::npos) {
            const size_t stop = label.find(':', next);
            result = label.substr(next, stop == std::string::npos ? std::string::npos : stop - next);
        } else {
            // One token: the text is cut after it ("LASI:" gives "LASI", ":LASI" stays).
            result = label.substr(0, firstEnd);
        }
        SetPointLabel(result.c_str(), i, nullptr, nullptr);
    }
    usesPrefixes = false;
}

int32_t TC3DData::FindEventContext(const char* name) const {
    if (!name || !eventContextLabels) return -1;
    return eventContextLabels->Find(name);
}

void TC3DData::GetDfnModel(char* out) const { CopyOut(out, kBufferSize, dfnModel ? dfnModel : ""); }
void TC3DData::GetDfnIn3(char* out) const { CopyOut(out, kBufferSize, dfnIn3 ? dfnIn3 : ""); }
void TC3DData::GetDfnJoint(char* out) const { CopyOut(out, kBufferSize, dfnJoint ? dfnJoint : ""); }
