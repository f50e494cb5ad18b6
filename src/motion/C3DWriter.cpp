// Writing the recording as a C3D file: Intel floats, a parameter section composed from the
// recording's fields plus the groups kept from the file it was read from.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "motion/C3DFormat.h"
#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"
#include "platform/ByteReader.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "platform/SafeWriter.h"
#include "platform/TextUtil.h"

namespace {

constexpr size_t kBlock = 512;
constexpr float kHeaderScale = -0.0625f;  // negative: the data are floats
constexpr int32_t kMaxHeaderEvents = 18;
constexpr int32_t kMaxDimension = 255;     // one byte per dimension size
constexpr int32_t kMaxEvents = 255;        // EVENT:TIMES is [2, events]

// Length of a text in a fixed field of `size` bytes that need not end with a NUL.
size_t FieldLength(const char* text, size_t size) {
    size_t n = 0;
    while (n < size && text[n] != '\0') ++n;
    return n;
}

int32_t ClampWidth(int32_t width) { return width < 1 ? 1 : (width > kMaxDimension ? kMaxDimension : width); }

// Saturating conversion for values that go into integer fields.
int32_t ToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// The fourth value of a point: camera byte x 256 + residual byte. A point that was not measured
// (a negative or NaN residual) is written as -1, which every reader takes as invalid. Otherwise the
// residual is kept in sixteenths of the unit in the unsigned residual byte: 0 stays 0 (a computed
// point), a measured residual below one step keeps the smallest step, and larger ones saturate at
// 255 rather than wrap.
float PointWord(const double* values, int32_t dimension) {
    if (dimension < 4) return 768.0f;
    if (!IsValidResidual(values[3])) return -1.0f;
    int32_t residual = 0;
    if (values[3] > 0.0) {
        residual = ToInt(values[3] * 16.0);
        if (residual < 1) residual = 1;
        if (residual > 255) residual = 255;
    }
    int32_t camera = 3;
    if (dimension >= 5) {
        camera = ToInt(values[4]) & 0xFF;
        if (camera == 0) {
            const bool atOrigin = values[0] == 0.0 && values[1] == 0.0 && values[2] == 0.0;
            camera = atOrigin ? 0 : 3;
        }
    }
    return static_cast<float>(camera * 256 + residual);
}

class C3DWrite {
public:
    C3DWrite(TC3DData& data, bool copyKept) : d_(data), copyKept_(copyKept) {}

    // The parameter records of all groups, the first POINT group at [pointAt, pointAt + pointSize).
    void WriteGroups(const char* company, const char* software, const int32_t* version, int32_t channels,
                     int32_t frames);
    // The POINT group again with its final data start block and the next group number.
    bool RewritePointGroup(uint16_t dataStart);
    dez::ByteWriter& Records() { return out_; }

private:
    using Names = LabelledItemList;

    int32_t NextGroup();
    void WriteGroupRecord(int32_t k, const char* name);
    void WriteParameter(int32_t k, const char* name, int8_t type, const std::vector<uint8_t>& dims,
                        const uint8_t* data, size_t size, bool locked, Names* names);
    void WriteInt16(int32_t k, const char* name, int32_t value, bool locked, Names* names);
    void WriteInt16s(int32_t k, const char* name, const std::vector<int32_t>& values, std::vector<uint8_t> dims,
                     bool locked, Names* names);
    void WriteFloat(int32_t k, const char* name, float value, bool locked, Names* names);
    void WriteFloats(int32_t k, const char* name, const std::vector<float>& values, std::vector<uint8_t> dims,
                     bool locked, Names* names);
    void WriteIntParameter(int32_t k, const char* name, int32_t value, Names* names);
    void WriteTextParameter(int32_t k, const char* name, const char* text, bool locked, Names* names);
    void WriteTextListParameter(int32_t k, const char* name, const std::vector<std::string>& texts, Names* names,
                                int32_t width);
    void WriteTextListParameter(int32_t k, const char* name, const LabelledItemList* list, Names* names,
                                int32_t width);
    void WriteKeptParameter(int32_t k, const TC3DParameter& p, Names* names);

    void WritePointGroup(uint16_t dataStart);
    void WriteAnalogGroup(int32_t channels);
    void WriteForcePlatformGroup();
    void WriteManufacturerGroup(const char* company, const char* software, const int32_t* version);
    void WriteDfnGroup();
    void WriteTrialGroup(int32_t frames);
    void WriteEventGroups();
    void CopyGroup(const char* name);
    void CopyUnwrittenGroups();
    void CopyUnwrittenParameters(const char* groupName, const Names* names, int32_t k);

    TC3DData& d_;
    bool copyKept_;
    dez::ByteWriter out_;
    size_t pointAt_ = 0;
    size_t pointSize_ = 0;
};

int32_t C3DWrite::NextGroup() { return ++d_.groupCounter; }

void C3DWrite::WriteGroupRecord(int32_t k, const char* name) {
    const size_t length = std::strlen(name) > 127 ? 127 : std::strlen(name);
    out_.PutI8(static_cast<int8_t>(length));
    out_.PutI8(static_cast<int8_t>(-(k + 1)));
    out_.PutBytes(name, length);
    out_.PutU16LE(3);  // the word itself and the empty description
    out_.PutU8(0);
    if (!d_.writtenGroups) d_.writtenGroups = new LabelledItemList();
    d_.writtenGroups->Add(LabelledItem(k, name));
}

void C3DWrite::WriteParameter(int32_t k, const char* name, int8_t type, const std::vector<uint8_t>& dims,
                              const uint8_t* data, size_t size, bool locked, Names* names) {
    const size_t distance = dims.size() + size + 5;
    // A record the 16-bit distance word cannot span is left out rather than written broken.
    if (distance > 65535 || dims.size() > 127) return;
    const size_t length = std::strlen(name) > 127 ? 127 : std::strlen(name);
    out_.PutI8(static_cast<int8_t>(locked ? -static_cast<int>(length) : static_cast<int>(length)));
    out_.PutI8(static_cast<int8_t>(k + 1));
    out_.PutBytes(name, length);
    out_.PutU16LE(static_cast<uint16_t>(distance));
    out_.PutI8(type);
    out_.PutI8(static_cast<int8_t>(dims.size()));
    if (!dims.empty()) out_.PutBytes(dims.data(), dims.size());
    if (size) out_.PutBytes(data, size);
    out_.PutU8(0);
    if (names) names->Add(LabelledItem(k, name));
}

void C3DWrite::WriteInt16(int32_t k, const char* name, int32_t value, bool locked, Names* names) {
    uint8_t bytes[2];
    dez::StoreU16LE(bytes, static_cast<uint16_t>(value));
    WriteParameter(k, name, 2, {}, bytes, 2, locked, names);
}

void C3DWrite::WriteInt16s(int32_t k, const char* name, const std::vector<int32_t>& values, std::vector<uint8_t> dims,
                           bool locked, Names* names) {
    std::vector<uint8_t> bytes(values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i) dez::StoreU16LE(bytes.data() + 2 * i, static_cast<uint16_t>(values[i]));
    WriteParameter(k, name, 2, dims, bytes.data(), bytes.size(), locked, names);
}

void C3DWrite::WriteFloat(int32_t k, const char* name, float value, bool locked, Names* names) {
    uint8_t bytes[4];
    dez::StoreF32LE(bytes, value);
    WriteParameter(k, name, 4, {}, bytes, 4, locked, names);
}

void C3DWrite::WriteFloats(int32_t k, const char* name, const std::vector<float>& values, std::vector<uint8_t> dims,
                           bool locked, Names* names) {
    std::vector<uint8_t> bytes(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) dez::StoreF32LE(bytes.data() + 4 * i, values[i]);
    WriteParameter(k, name, 4, dims, bytes.data(), bytes.size(), locked, names);
}

void C3DWrite::WriteIntParameter(int32_t k, const char* name, int32_t value, Names* names) {
    uint8_t bytes[4];
    dez::StoreI32LE(bytes, value);  // low word first
    WriteParameter(k, name, 2, {2, 1}, bytes, 4, false, names);
}

void C3DWrite::WriteTextParameter(int32_t k, const char* name, const char* text, bool locked, Names* names) {
    if (!text || !*text) return;
    const size_t length = std::strlen(text) > kMaxDimension ? kMaxDimension : std::strlen(text);
    WriteParameter(k, name, -1, {static_cast<uint8_t>(length)}, reinterpret_cast<const uint8_t*>(text), length, locked,
                   names);
}

void C3DWrite::WriteTextListParameter(int32_t k, const char* name, const std::vector<std::string>& texts, Names* names,
                                      int32_t width) {
    if (texts.empty()) return;
    width = ClampWidth(width);
    // 255 texts per parameter: LABELS, LABELS2, LABELS3 ...
    for (size_t first = 0, part = 1; first < texts.size(); first += kMaxDimension, ++part) {
        const size_t count = texts.size() - first < kMaxDimension ? texts.size() - first : kMaxDimension;
        std::vector<uint8_t> bytes(count * static_cast<size_t>(width), ' ');
        for (size_t i = 0; i < count; ++i) {
            const std::string& t = texts[first + i];
            std::memcpy(bytes.data() + i * static_cast<size_t>(width), t.data(),
                        t.size() < static_cast<size_t>(width) ? t.size() : static_cast<size_t>(width));
        }
        const std::string partName = part == 1 ? std::string(name) : dez::Format("%s%d", name, static_cast<int>(part));
        WriteParameter(k, partName.c_str(), -1, {static_cast<uint8_t>(width), static_cast<uint8_t>(count)}, bytes.data(),
                       bytes.size(), false, names);
    }
}

void C3DWrite::WriteTextListParameter(int32_t k, const char* name, const LabelledItemList* list, Names* names,
                                      int32_t width) {
    if (!list) return;
    std::vector<std::string> texts;
    for (int32_t i = 0; i < list->count; ++i) texts.emplace_back(list->items[i] ? list->items[i]->name : "");
    WriteTextListParameter(k, name, texts, names, width);
}

void C3DWrite::WriteKeptParameter(int32_t k, const TC3DParameter& p, Names* names) {
    if (!p.name || p.elementCount <= 0) return;
    const int size = p.type < 0 ? -p.type : p.type;
    std::vector<uint8_t> bytes(static_cast<size_t>(p.elementCount) * static_cast<size_t>(size));
    switch (p.type) {
        case -1:
            if (!p.chars) return;
            std::memcpy(bytes.data(), p.chars, bytes.size());
            break;
        case 1:
            if (!p.bytes) return;
            std::memcpy(bytes.data(), p.bytes, bytes.size());
            break;
        case 2:
            if (!p.words) return;
            for (int32_t i = 0; i < p.elementCount; ++i) dez::StoreI16LE(bytes.data() + 2 * i, p.words[i]);
            break;
        case 4:
            if (!p.reals) return;
            for (int32_t i = 0; i < p.elementCount; ++i) dez::StoreF32LE(bytes.data() + 4 * i, p.reals[i]);
            break;
        default:
            return;
    }
    const int count = p.dimensionCount < 0 ? 0 : (p.dimensionCount > 8 ? 8 : p.dimensionCount);
    std::vector<uint8_t> dims(p.dims, p.dims + count);
    WriteParameter(k, p.name, p.type, dims, bytes.data(), bytes.size(), p.locked, names);
}

void C3DWrite::WriteGroups(const char* company, const char* software, const int32_t* version, int32_t channels,
                           int32_t frames) {
    d_.groupCounter = 0;
    pointAt_ = out_.size();
    WritePointGroup(3);
    pointSize_ = out_.size() - pointAt_;
    WriteAnalogGroup(channels);
    WriteForcePlatformGroup();
    WriteManufacturerGroup(company, software, version);
    CopyGroup("SUBJECTS");
    CopyGroup("SUBJECT");
    WriteDfnGroup();
    WriteTrialGroup(frames);
    WriteEventGroups();
    if (copyKept_) CopyUnwrittenGroups();
}

bool C3DWrite::RewritePointGroup(uint16_t dataStart) {
    dez::ByteWriter body;
    std::swap(body, out_);
    WritePointGroup(dataStart);
    std::swap(body, out_);
    if (body.size() != pointSize_) return false;
    for (size_t i = 0; i < pointSize_; ++i) out_.PatchU8(pointAt_ + i, body.data()[i]);
    return true;
}

void C3DWrite::WritePointGroup(uint16_t dataStart) {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "POINT");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    const int32_t frameCount = d_.GetFrameCount();
    WriteInt16(k, "USED", d_.GetPointCount(), true, written);
    WriteInt16(k, "DATA_START", dataStart, true, written);
    WriteInt16(k, "FRAMES", frameCount > 65535 ? 65535 : frameCount, true, written);
    // Equal to the header's scale factor, so that every reader agrees the data are floats.
    WriteFloat(k, "SCALE", kHeaderScale, true, written);
    WriteFloat(k, "RATE", d_.GetPointRate(), true, written);
    WriteTextListParameter(k, "LABELS", d_.pointLabels, written, d_.labelWidth);
    WriteTextListParameter(k, "DESCRIPTIONS", d_.pointDescriptions, written, d_.descriptionWidth);
    WriteTextListParameter(k, "UNITS", d_.pointUnits, written, d_.unitWidth);
    WriteTextListParameter(k, "SCALARS", d_.scalars, written, d_.modelOutputWidth);
    WriteTextListParameter(k, "ANGLES", d_.angles, written, d_.modelOutputWidth);
    WriteTextListParameter(k, "POWERS", d_.powers, written, d_.modelOutputWidth);
    WriteTextListParameter(k, "FORCES", d_.forces, written, d_.modelOutputWidth);
    WriteTextListParameter(k, "MOMENTS", d_.moments, written, d_.modelOutputWidth);
    WriteTextListParameter(k, "REACTIONS", d_.reactions, written, d_.modelOutputWidth);
    if (d_.movieDelaysEdited) {
        const int32_t movies = d_.movieCount < kMaxMovies ? d_.movieCount : kMaxMovies;
        if (movies > 0) {
            std::vector<uint8_t> ids(static_cast<size_t>(movies) * 32, 0);
            for (int32_t i = 0; i < movies; ++i) std::memcpy(ids.data() + 32 * i, d_.movieIds[i], FieldLength(d_.movieIds[i], 32));
            WriteParameter(k, "MOVIE_ID", -1, {32, static_cast<uint8_t>(movies)}, ids.data(), ids.size(), false, written);
            WriteFloats(k, "MOVIE_DELAY", std::vector<float>(d_.movieDelays, d_.movieDelays + movies),
                        {static_cast<uint8_t>(movies)}, false, written);
        } else if (written) {
            // Nothing to write, but the kept ones must not come back either.
            written->Add(LabelledItem(k, "MOVIE_ID"));
            written->Add(LabelledItem(k, "MOVIE_DELAY"));
        }
    }
    if (written) CopyUnwrittenParameters("POINT", written, k);
}

void C3DWrite::WriteAnalogGroup(int32_t channels) {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "ANALOG");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    WriteInt16(k, "USED", channels, true, written);
    if (channels != 0) {
        // The samples are written scaled: no offset, unit scales. Arrays hold one byte's worth of
        // channels.
        const int32_t n = channels < kMaxDimension ? channels : kMaxDimension;
        const std::vector<uint8_t> dims = {static_cast<uint8_t>(n)};
        WriteFloat(k, "GEN_SCALE", 1.0f, true, written);
        WriteFloat(k, "RATE", d_.GetAnalogRate(), true, written);
        WriteInt16s(k, "OFFSET", std::vector<int32_t>(static_cast<size_t>(n), 0), dims, false, written);
        std::vector<int32_t> types(static_cast<size_t>(n));
        for (int32_t c = 0; c < n; ++c) types[static_cast<size_t>(c)] = d_.GetAnalogType(c);
        WriteInt16s(k, "TYPE", types, dims, false, written);
        WriteFloats(k, "SCALE", std::vector<float>(static_cast<size_t>(n), 1.0f), dims, false, written);
        WriteTextListParameter(k, "LABELS", d_.analogLabels, written, d_.labelWidth);
        WriteTextListParameter(k, "DESCRIPTIONS", d_.analogDescriptions, written, d_.descriptionWidth);
        WriteTextListParameter(k, "UNITS", d_.analogUnits, written, d_.unitWidth);
    }
    if (written) CopyUnwrittenParameters("ANALOG", written, k);
}

void C3DWrite::WriteForcePlatformGroup() {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "FORCE_PLATFORM");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    const int32_t plates = d_.GetPlateCount() < kMaxPlates ? d_.GetPlateCount() : kMaxPlates;
    WriteInt16(k, "USED", plates, true, written);
    if (plates > 0) {
        const auto np = static_cast<uint8_t>(plates);
        std::vector<int32_t> types;
        std::vector<float> corners, origins;
        bool anyType3 = false;
        for (int32_t p = 0; p < plates; ++p) {
            const TForcePlate& plate = d_.plates[p];
            types.push_back(plate.type);
            anyType3 = anyType3 || plate.type == 3;
            for (const auto& corner : plate.corners) corners.insert(corners.end(), corner, corner + 3);
            origins.insert(origins.end(), plate.origin, plate.origin + 3);
        }
        const int32_t width = anyType3 ? 8 : 6;
        std::vector<int32_t> channels;
        for (int32_t p = 0; p < plates; ++p) channels.insert(channels.end(), d_.plates[p].channels, d_.plates[p].channels + width);
        WriteInt16s(k, "TYPE", types, {np}, false, written);
        WriteFloats(k, "CORNERS", corners, {3, 4, np}, false, written);
        WriteFloats(k, "ORIGIN", origins, {3, np}, false, written);
        WriteInt16s(k, "CHANNEL", channels, {static_cast<uint8_t>(width), np}, false, written);
        WriteInt16s(k, "ZERO", {d_.plateZero[0], d_.plateZero[1]}, {2}, false, written);
        // Every slot holding a whole 6 x 6 matrix, in slot order.
        std::vector<float> matrices;
        int32_t m = 0;
        for (const TForcePlate& slot : d_.plates) {
            if (!slot.calibration || slot.calRows * slot.calCols < 36) continue;
            matrices.insert(matrices.end(), slot.calibration, slot.calibration + 36);
            ++m;
        }
        if (m > 0) WriteFloats(k, "CAL_MATRIX", matrices, {6, 6, static_cast<uint8_t>(m)}, false, written);
    }
    if (written) CopyUnwrittenParameters("FORCE_PLATFORM", written, k);
}

void C3DWrite::WriteManufacturerGroup(const char* company, const char* software, const int32_t* version) {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "MANUFACTURER");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    WriteTextParameter(k, "COMPANY", company, true, written);
    WriteTextParameter(k, "SOFTWARE", software, true, written);
    if (version) WriteInt16s(k, "VERSION", {version[0], version[1], version[2]}, {3}, true, written);
    if (written) CopyUnwrittenParameters("MANUFACTURER", written, k);
}

void C3DWrite::WriteDfnGroup() {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "DFN");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    const std::string blanks(31, ' ');
    auto text = [&](const char* t) { return t && *t ? t : blanks.c_str(); };
    WriteTextParameter(k, "PRE_SCRIPT", text(d_.dfnPreScript), false, written);
    WriteTextParameter(k, "MODEL", text(d_.dfnModel), false, written);
    WriteTextParameter(k, "JOINT", text(d_.dfnJoint), false, written);
    WriteTextParameter(k, "IN3", text(d_.dfnIn3), false, written);
    WriteTextParameter(k, "POST_SCRIPT", text(d_.dfnPostScript), false, written);
    if (written) CopyUnwrittenParameters("DFN", written, k);
}

void C3DWrite::WriteTrialGroup(int32_t frames) {
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "TRIAL");
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    d_.firstFrame = 1;
    d_.lastFrame = frames;
    WriteIntParameter(k, "ACTUAL_START_FIELD", d_.firstFrame, written);
    WriteIntParameter(k, "ACTUAL_END_FIELD", d_.lastFrame, written);
    if (written) CopyUnwrittenParameters("TRIAL", written, k);
}

void C3DWrite::WriteEventGroups() {
    if (!d_.events) return;
    const int32_t k = NextGroup();
    WriteGroupRecord(k, "EVENT");
    // The event list is the one source of these: kept ones must not bring deleted events back.
    Names names;
    Names* written = copyKept_ ? &names : nullptr;
    if (written)
        for (const char* composed : {"USED", "CONTEXTS", "LABELS", "DESCRIPTIONS", "TIMES", "SUBJECTS", "ICON_IDS",
                                     "GENERIC_FLAGS"})
            written->Add(LabelledItem(k, composed));
    // Events with a negative frame are left out; EVENT:TIMES has room for 255.
    std::vector<const LabelledItem*> kept;
    for (int32_t i = 0; i < d_.events->count && static_cast<int32_t>(kept.size()) < kMaxEvents; ++i) {
        const LabelledItem* e = d_.events->items[i];
        if (e && e->id >= 0) kept.push_back(e);
    }
    const auto n = static_cast<int32_t>(kept.size());
    WriteInt16(k, "USED", n, false, nullptr);
    if (n == 0) {
        if (written) CopyUnwrittenParameters("EVENT", written, k);
        return;
    }
    std::vector<std::string> contexts, labels, descriptions, subjects;
    std::vector<float> times;
    std::vector<int32_t> icons;
    std::vector<uint8_t> flags;
    for (const LabelledItem* e : kept) {
        contexts.emplace_back(e->context);
        labels.emplace_back(e->name);
        descriptions.emplace_back(e->description);
        subjects.emplace_back(e->subject);
        const double t = d_.pointRate > 0 ? e->id / static_cast<double>(d_.pointRate) : 0.0;
        const double minutes = std::floor(t / 60.0);
        times.push_back(static_cast<float>(minutes));
        times.push_back(static_cast<float>(t - 60.0 * minutes));
        icons.push_back(e->value);
        flags.push_back(e->flag);
    }
    const auto count = static_cast<uint8_t>(n);
    WriteTextListParameter(k, "CONTEXTS", contexts, nullptr, d_.labelWidth);
    WriteTextListParameter(k, "LABELS", labels, nullptr, d_.labelWidth);
    WriteTextListParameter(k, "DESCRIPTIONS", descriptions, nullptr, d_.descriptionWidth);
    WriteFloats(k, "TIMES", times, {2, count}, false, nullptr);
    WriteTextListParameter(k, "SUBJECTS", subjects, nullptr, d_.descriptionWidth);
    WriteInt16s(k, "ICON_IDS", icons, {count}, false, nullptr);
    WriteParameter(k, "GENERIC_FLAGS", 1, {count}, flags.data(), flags.size(), false, nullptr);
    if (written) CopyUnwrittenParameters("EVENT", written, k);

    if (!d_.eventContextLabels) return;
    const int32_t c = NextGroup();
    WriteGroupRecord(c, "EVENT_CONTEXT");
    Names contextNames;
    Names* contextWritten = copyKept_ ? &contextNames : nullptr;
    if (contextWritten)
        for (const char* composed : {"USED", "ICON_IDS", "LABELS", "DESCRIPTIONS", "COLOURS"})
            contextWritten->Add(LabelledItem(c, composed));
    WriteInt16(c, "USED", d_.eventContextLabels->count, false, nullptr);
    if (d_.contextIconIds && d_.contextIconIdCount > 0) {
        const int32_t m = d_.contextIconIdCount < kMaxDimension ? d_.contextIconIdCount : kMaxDimension;
        WriteInt16s(c, "ICON_IDS", std::vector<int32_t>(d_.contextIconIds, d_.contextIconIds + m),
                    {static_cast<uint8_t>(m)}, false, nullptr);
    }
    WriteTextListParameter(c, "LABELS", d_.eventContextLabels, nullptr, d_.labelWidth);
    WriteTextListParameter(c, "DESCRIPTIONS", d_.eventContextDescriptions, nullptr, d_.descriptionWidth);
    if (d_.contextColours && d_.contextColourCount > 0) {
        const int32_t m = d_.contextColourCount < kMaxDimension ? d_.contextColourCount : kMaxDimension;
        std::vector<int32_t> colours(d_.contextColours, d_.contextColours + 3 * m);
        WriteInt16s(c, "COLOURS", colours, {3, static_cast<uint8_t>(m)}, false, nullptr);
    }
    if (contextWritten) CopyUnwrittenParameters("EVENT_CONTEXT", contextWritten, c);
}

void C3DWrite::CopyGroup(const char* name) {
    const TC3DGroup* group = d_.FindGroup(name);
    if (!group || !group->name) return;
    // Group numbers are signed bytes.
    if (d_.groupCounter >= 126) return;
    const int32_t k = NextGroup();
    WriteGroupRecord(k, group->name);
    for (int32_t i = 0; i < group->parameterCount; ++i)
        if (group->parameters[i]) WriteKeptParameter(k, *group->parameters[i], nullptr);
}

void C3DWrite::CopyUnwrittenGroups() {
    for (int32_t g = 0; g < d_.groupCount; ++g) {
        const TC3DGroup* group = d_.groups[g];
        if (!group || !group->name) continue;
        if (d_.writtenGroups && d_.writtenGroups->Find(group->name) >= 0) continue;
        CopyGroup(group->name);
    }
}

void C3DWrite::CopyUnwrittenParameters(const char* groupName, const Names* names, int32_t k) {
    const TC3DGroup* group = d_.FindGroup(groupName);
    if (!group) return;
    for (int32_t i = 0; i < group->parameterCount; ++i) {
        const TC3DParameter* p = group->parameters[i];
        if (!p || !p->name || names->Find(p->name) >= 0) continue;
        WriteKeptParameter(k, *p, nullptr);
    }
}

}  // namespace

bool TC3DData::SaveC3D(const char* filePath, const char* company, const char* software, const int32_t* version,
                       bool copyKeptGroups) {
    if (!points) pointRate = 10.0f;
    delete writtenGroups;
    writtenGroups = nullptr;
    if (points && dimension < 3) {
        SetErrorText("Dimension must be greater or equal to 3");
        return false;
    }
    const int32_t pointCount = GetPointCount();
    float spf = GetAnalogSamplesPerFrame();
    // Without rates (a header rate of 0) the samples per frame are still in the table sizes: the
    // rates would say 1 and every other sample would be lost.
    if (points && analog && !(pointRate > 0.0f && analogRate > 0.0f) && points->GetCols() > 0 &&
        analog->GetCols() > points->GetCols() && analog->GetCols() % points->GetCols() == 0)
        spf = static_cast<float>(analog->GetCols() / points->GetCols());
    if (!(spf > 0.0f)) return false;
    int32_t channels = 0;
    int32_t samplesPerFrame = 0;
    if (analog) {
        channels = analog->GetRows();
        samplesPerFrame = points ? static_cast<int32_t>(std::floor(spf + 0.5f)) : ToInt(spf);
        if (samplesPerFrame < 1) samplesPerFrame = 1;
    }
    int64_t frames = 0;
    if (points) {
        frames = points->GetCols();
    } else if (analog) {
        frames = ToInt(analog->GetCols() / spf);
    }
    if (frames <= 0) return false;
    if (pointCount > 65535) {
        SetErrorText("Too many points for a C3D file");
        return false;
    }
    if (static_cast<int64_t>(channels) * samplesPerFrame > 65535) {
        SetErrorText("Too many analog samples per frame for a C3D file");
        return false;
    }
    lastFrame = static_cast<int32_t>(frames);
    firstFrame = 1;
    processor = 1;
    if (!filePath || !*filePath) {
        SetErrorText("Unable to open C3D file for writing ");
        return false;
    }

    try {
        C3DWrite writer(*this, copyKeptGroups);
        writer.WriteGroups(company, software, version, channels, static_cast<int32_t>(frames));
        dez::ByteWriter& records = writer.Records();
        const size_t sectionBytes = 4 + records.size();
        const size_t parameterBlocks = (sectionBytes + kBlock - 1) / kBlock;
        const size_t dataStart = 2 + parameterBlocks;
        if (dataStart > 65535) {
            SetErrorText("Too many parameters for a C3D file");
            return false;
        }
        if (!writer.RewritePointGroup(static_cast<uint16_t>(dataStart))) {
            SetErrorText("Error writing C3D file: the parameter section changed size");
            return false;
        }

        const size_t frameValues = static_cast<size_t>(pointCount) * 4 + static_cast<size_t>(channels) * samplesPerFrame;
        const size_t dataOffset = (dataStart - 1) * kBlock;
        // Every byte of the data section is written below; only header and parameters start as 0.
        const size_t fileSize = dataOffset + static_cast<size_t>(frames) * frameValues * 4;
        std::unique_ptr<uint8_t[]> file(new uint8_t[fileSize]);
        dez::AdviseLargeBlock(file.get(), fileSize);
        std::memset(file.get(), 0, dataOffset);
        uint8_t* h = file.get();

        // Header block.
        h[0] = 2;
        h[1] = 0x50;
        dez::StoreU16LE(h + 2, static_cast<uint16_t>(pointCount));
        dez::StoreU16LE(h + 4, static_cast<uint16_t>(channels * samplesPerFrame));
        dez::StoreU16LE(h + 6, 1);
        // A last frame of 0 would read as an empty file; longer recordings carry TRIAL.
        dez::StoreU16LE(h + 8, static_cast<uint16_t>(frames > 65535 ? 65535 : frames));
        dez::StoreU16LE(h + 10, 10);
        dez::StoreF32LE(h + 12, kHeaderScale);
        dez::StoreU16LE(h + 16, static_cast<uint16_t>(dataStart));
        dez::StoreU16LE(h + 18, static_cast<uint16_t>(samplesPerFrame));
        dez::StoreF32LE(h + 20, GetPointRate());
        dez::StoreU16LE(h + 298, 12345);
        int32_t written = 0;
        for (int32_t i = 0; i < GetHeaderEventCount() && written < kMaxHeaderEvents; ++i) {
            const LabelledItem* e = headerEvents->items[i];
            if (!e || e->id < 0) continue;
            const float t = GetPointPeriod() * static_cast<float>(e->id) / 1000.0f;
            dez::StoreF32LE(h + 304 + 4 * written, t);
            // Names shorter than four characters are padded with NULs, which a reader drops.
            std::memcpy(h + 396 + 4 * written, e->name, FieldLength(e->name, 4));
            ++written;
        }
        dez::StoreU16LE(h + 300, static_cast<uint16_t>(written));

        // Parameter section.
        uint8_t* s = h + kBlock;
        s[0] = 1;
        s[1] = 0x50;
        s[2] = static_cast<uint8_t>(parameterBlocks > 255 ? 255 : parameterBlocks);
        s[3] = 84;
        std::memcpy(s + 4, records.data(), records.size());

        // Data section: frame after frame, the points then the analog samples.
        uint8_t* out = h + dataOffset;
        const int32_t dim = dimension;
        const int32_t rows = points ? points->GetRows() : 0;
        const double* pointData = points ? points->GetData() : nullptr;
        const int32_t analogColumns = analog ? analog->GetCols() : 0;
        const double* analogData = analog ? analog->GetData() : nullptr;
        for (int64_t f = 0; f < frames; ++f) {
            for (int32_t p = 0; p < pointCount; ++p, out += 16) {
                const double* v = pointData + static_cast<size_t>(f) * static_cast<size_t>(rows) +
                                  static_cast<size_t>(p) * static_cast<size_t>(dim);
                dez::StoreF32LE(out, static_cast<float>(v[0]));
                dez::StoreF32LE(out + 4, static_cast<float>(v[1]));
                dez::StoreF32LE(out + 8, static_cast<float>(v[2]));
                dez::StoreF32LE(out + 12, PointWord(v, dim));
            }
            if (channels == 0) continue;
            const int64_t first = static_cast<int64_t>(std::floor(static_cast<float>(f) * spf + 0.5f));
            for (int32_t j = 0; j < samplesPerFrame; ++j) {
                const int64_t column = first + j;
                const double* col = (column >= 0 && column < analogColumns)
                                        ? analogData + static_cast<size_t>(column) * static_cast<size_t>(channels)
                                        : nullptr;
                for (int32_t c = 0; c < channels; ++c, out += 4) dez::StoreF32LE(out, col ? static_cast<float>(col[c]) : 0.0f);
            }
        }

        std::string error;
        if (!dez::WriteFileAtomically(filePath, file.get(), fileSize, &error)) {
            const bool notCreated = error.rfind("Cannot create", 0) == 0;
            SetErrorText(((notCreated ? "Unable to open C3D file for writing: " : "Error writing C3D file: ") + error).c_str());
            return false;
        }
    } catch (const std::bad_alloc&) {
        SetErrorText("Not enough memory to write the C3D file");
        return false;
    }
    return true;
}
