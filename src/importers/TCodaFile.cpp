#include "importers/TCodaFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/TextUtil.h"

namespace {

constexpr int kMaxDescriptors = 1000;
constexpr double kVersion3PlateScale = 0.1;  // millimetres per stored plate unit

// Tags whose meaning the reader knows; any other is skipped by the element size in its tag word.
enum CodaTag : int {
    kTagComment = 0,
    kTagPresence = 1,
    kTagMarkers = 2,
    kTagForces = 3,
    kTagEmgs = 4,
    kTagCounts5 = 5,
    kTagCounts6 = 6,
    kTagMarkerRate = 7,
    kTagForceRate = 8,
    kTagEmgRate = 9,
    kTagResolution = 13,
    kTagTable14 = 14,
    kTagForceScale = 18,
    kTagEmgScale = 19,
    kTagPlateOrigin = 20,
    kTagPlateCorner = 21,
    kTagMarkerName = 22,
    kTagForceName = 23,
    kTagEmgName = 24,
    kTagByte25 = 25,
    kTagByte26 = 26,
    kTagWords27 = 27,
    kTagPlateMaker = 31,
    kTagPlateType = 32,
    kTagPlateTable = 33,
    kTagTable34 = 34,
};

// Records to make for a section whose first entry announces `m` elements of `elementSize` bytes,
// `remaining` bytes after that first count word: never more than the rest of the file could hold
// if every entry were as long as the first, so a hostile count cannot make the reader allocate
// far beyond the file's own size.
struct Allocation {
    size_t count;
    size_t capacity;
};

Allocation SizeRecords(uint16_t entries, uint16_t m, size_t elementSize, size_t remaining) {
    const size_t unit = 2 + static_cast<size_t>(m) * elementSize;
    const size_t fit = (remaining + 2) / unit;
    if (fit == 0) return {std::min<size_t>(entries, 1), remaining / elementSize};  // cut inside entry 0
    return {std::min<size_t>(entries, fit), m};
}

// Records of a section with one fixed-size payload (or none) per entry: each entry takes at
// least its count word.
size_t SizeTable(uint16_t entries, size_t remaining) { return std::min<size_t>(entries, remaining / 2 + 1); }

std::string TextOf(const uint8_t* bytes, size_t n) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(bytes, 0, n));
    return std::string(reinterpret_cast<const char*>(bytes), end ? static_cast<size_t>(end - bytes) : n);
}

}  // namespace

TCodaFile::TCodaFile(const char* filePath, bool report) : report_(report) { Read(filePath); }

void TCodaFile::Clear() {
    markers_.clear();
    forces_.clear();
    emgs_.clear();
    plates_.clear();
    platesMade_ = false;
    table14_.clear();
    table34_.clear();
    table14Made_ = table34Made_ = false;
    markerRate_ = forceRate_ = emgRate_ = 100.0f;
    markerRateRead_ = forceRateRead_ = emgRateRead_ = false;
    tags_.clear();
    cutSection_ = 0;
    sectionsEnd_ = 0;
    comment_.clear();
    systemName_.clear();
    path_.clear();
    message_.clear();
    version_ = subVersion_ = 0;
    fileSize_ = 0;
    valid_ = false;
}

bool TCodaFile::Fail(const char* text, bool print) {
    message_ = text;
    if (print && report_) std::cout << "*** " << message_ << " " << std::flush;
    return false;
}

bool TCodaFile::Read(const char* filePath) {
    Clear();
    if (!filePath || !*filePath) return Fail("Unable to open an empty file", false);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!dez::ReadWholeFile(filePath, bytes, &why)) return Fail(("Unable to open the file: " + why).c_str(), true);
    const bool ok = ReadBuffer(bytes.data(), bytes.size());
    path_ = filePath;
    return ok;
}

bool TCodaFile::ReadBuffer(const uint8_t* data, size_t size) {
    Clear();
    dez::ByteReader in(data, size);
    fileSize_ = in.size();
    uint8_t head[6];
    if (!in.ReadBytes(head, sizeof head) || std::memcmp(head, "CODA", 4) != 0)
        return Fail("This is not a coda motion file", true);
    version_ = head[4];
    subVersion_ = head[5];
    uint16_t descriptors = 0;
    // A descriptor table that the file cannot hold means the count is not one.
    if (!in.ReadU16LE(descriptors) || descriptors == 0 || descriptors > kMaxDescriptors ||
        in.remaining() < 4u * descriptors)
        return Fail("This file is empty or this is not a coda motion data file!", true);
    std::vector<uint16_t> tags(descriptors), counts(descriptors);
    for (size_t i = 0; i < descriptors; ++i) {
        in.ReadU16LE(tags[i]);
        in.ReadU16LE(counts[i]);
    }
    for (uint16_t tag : tags) tags_.push_back(tag & 0xFF);
    // A file cut short inside the sections keeps what was read before the cut; the import
    // decides from the cut section what that is worth.
    cutSection_ = descriptors;
    sectionsEnd_ = in.pos();
    for (size_t i = 0; i < descriptors; ++i) {
        if (!ReadSection(in, tags[i], counts[i])) {
            cutSection_ = i;
            break;
        }
        sectionsEnd_ = in.pos();
    }
    valid_ = true;
    NameDefaults();
    Scale();
    return true;
}

bool TCodaFile::ReadSection(dez::ByteReader& in, uint16_t tagWord, uint16_t entries) {
    const int tag = tagWord & 0xFF;
    const size_t elementSize = (tagWord >> 8) & 0x0F;
    const size_t markerValue = version_ < 3 ? 2 : 4;  // int16 before version 3, then float32
    size_t declared = 0;                              // m of entry 0 of a channel section

    for (size_t e = 0; e < entries; ++e) {
        uint16_t m = 0;
        if (!in.ReadU16LE(m)) return false;
        const size_t remaining = in.remaining();

        if (e == 0) {  // the records of the tag are made at its first entry
            switch (tag) {
            case kTagMarkers: {
                const Allocation a = SizeRecords(entries, m, 3 * markerValue, remaining);
                markers_.assign(a.count, CodaMarker());
                for (CodaMarker& mk : markers_) {
                    mk.capacity = static_cast<int32_t>(a.capacity);
                    mk.x.assign(a.capacity, 0.0f);
                    mk.y.assign(a.capacity, 0.0f);
                    mk.z.assign(a.capacity, 0.0f);
                }
                break;
            }
            case kTagForces:
            case kTagEmgs: {
                const Allocation a = SizeRecords(entries, m, 2, remaining);
                std::vector<CodaChannel>& list = tag == kTagForces ? forces_ : emgs_;
                list.assign(a.count, CodaChannel());
                for (CodaChannel& c : list) {
                    c.capacity = static_cast<int32_t>(a.capacity);
                    c.samples.assign(a.capacity, 0.0f);
                }
                declared = m;
                break;
            }
            case kTagPlateOrigin:
            case kTagPlateMaker:
            case kTagPlateType:
                if (!platesMade_) {
                    plates_.assign(SizeTable(entries, remaining), CodaPlate());
                    platesMade_ = true;
                }
                break;
            case kTagTable14:
                if (!table14Made_) {
                    table14_.assign(SizeTable(entries, remaining), 0);
                    table14Made_ = true;
                }
                break;
            case kTagTable34:
                if (!table34Made_) {
                    table34_.assign(SizeTable(entries, remaining), 0);
                    table34Made_ = true;
                }
                break;
            default: break;
            }
        }

        switch (tag) {
        case kTagComment:
        case kTagMarkerName:
        case kTagForceName:
        case kTagEmgName: {
            const uint8_t* text = in.Peek(m);
            if (!text) return false;
            const std::string value = TextOf(text, m);
            in.Skip(m);
            if (tag == kTagComment) {
                comment_ = value;  // the last entry wins
            } else if (tag == kTagMarkerName) {
                if (e < markers_.size()) markers_[e].name = value;
            } else {
                std::vector<CodaChannel>& list = tag == kTagForceName ? forces_ : emgs_;
                if (e < list.size()) list[e].name = value;
            }
            break;
        }
        case kTagPresence:
            if (m != 0 && !in.Skip(6)) return false;
            break;
        case kTagMarkers: {
            CodaMarker* mk = e < markers_.size() ? &markers_[e] : nullptr;
            if (!mk) {
                if (!in.Skip(static_cast<size_t>(m) * 3 * markerValue)) return false;
                break;
            }
            for (size_t i = 0; i < m; ++i) {
                float v[3];
                for (float& c : v) {
                    if (markerValue == 2) {
                        int16_t s;
                        if (!in.ReadI16LE(s)) return false;
                        c = s;
                    } else if (!in.ReadF32LE(c)) {
                        return false;
                    }
                }
                if (i < mk->x.size()) {  // samples beyond the capacity are dropped one by one
                    mk->x[i] = v[0];
                    mk->y[i] = v[1];
                    mk->z[i] = v[2];
                }
            }
            break;
        }
        case kTagForces:
        case kTagEmgs: {
            std::vector<CodaChannel>& list = tag == kTagForces ? forces_ : emgs_;
            CodaChannel* c = e < list.size() ? &list[e] : nullptr;
            const size_t present = std::min<size_t>(m, remaining / 2);  // less when the file ends
            // An entry longer than the first is not stored at all.
            if (c && m <= declared) {
                const uint8_t* raw = in.Peek(2 * present);
                const size_t n = std::min(present, c->samples.size());
                for (size_t i = 0; i < n; ++i) c->samples[i] = dez::LoadI16LE(raw + 2 * i);
            }
            if (present < m) return false;
            in.Skip(2u * m);
            break;
        }
        case kTagCounts5:
        case kTagCounts6:
            if (!in.Skip(2u * m)) return false;
            break;
        case kTagMarkerRate:
        case kTagForceRate:
        case kTagEmgRate: {
            int16_t rate = 0;
            if (m != 0 && !in.ReadI16LE(rate)) return false;
            float& target = tag == kTagMarkerRate ? markerRate_ : tag == kTagForceRate ? forceRate_ : emgRate_;
            target = rate;
            (tag == kTagMarkerRate ? markerRateRead_ : tag == kTagForceRate ? forceRateRead_ : emgRateRead_) = true;
            break;
        }
        case kTagResolution: {
            if (m == 0) break;
            uint16_t r;
            if (!in.ReadU16LE(r)) return false;
            if (e < markers_.size()) markers_[e].resolution = r;
            break;
        }
        case kTagTable14:
        case kTagTable34: {
            if (m == 0) break;
            int16_t v;
            if (!in.ReadI16LE(v)) return false;
            std::vector<int16_t>& table = tag == kTagTable14 ? table14_ : table34_;
            if (e < table.size()) table[e] = v;
            break;
        }
        case kTagForceScale:
        case kTagEmgScale: {
            if (m == 0) break;
            float v;
            if (!in.ReadF32LE(v)) return false;
            std::vector<CodaChannel>& list = tag == kTagForceScale ? forces_ : emgs_;
            if (e < list.size()) list[e].scale = v;
            break;
        }
        case kTagPlateOrigin:
        case kTagPlateCorner: {
            if (m == 0) break;
            int16_t v[3];
            for (int16_t& c : v)
                if (!in.ReadI16LE(c)) return false;
            const size_t plate = tag == kTagPlateOrigin ? e : e / 4;
            if (plate >= plates_.size()) break;
            float* target = tag == kTagPlateOrigin ? plates_[plate].origin : plates_[plate].corners + 3 * (e % 4);
            for (int k = 0; k < 3; ++k) target[k] = v[k];
            break;
        }
        case kTagByte25:
        case kTagByte26:
        case kTagWords27: {
            if (m == 0) break;
            // The tag word gives the entry size when it has one (m elements of it); files without
            // it hold one byte (25, 26) or seven words (27).
            const size_t n = elementSize != 0 ? elementSize * m : tag == kTagWords27 ? 14 : 1;
            if (!in.Skip(n)) return false;
            break;
        }
        case kTagPlateMaker: {
            if (m == 0) break;
            const uint8_t* text = in.Peek(32);
            if (!text) return false;
            if (e < plates_.size()) {
                CodaPlate& p = plates_[e];
                std::memcpy(p.makerModel, text, 32);
                p.makerModel[32] = '\0';
                p.amti = std::memcmp(text, "AMTI", 4) == 0;
            }
            in.Skip(32);
            break;
        }
        case kTagPlateType: {
            if (m == 0) break;
            uint16_t v;
            if (!in.ReadU16LE(v)) return false;
            if (e < plates_.size()) plates_[e].typeWord = v;
            break;
        }
        case kTagPlateTable: {
            if (m == 0) break;
            float v[2];
            if (!in.ReadF32LE(v[0]) || !in.ReadF32LE(v[1])) return false;
            const size_t plate = e / 6, k = e % 6;
            if (plate < plates_.size()) {
                plates_[plate].table[k] = v[0];
                plates_[plate].table[k + 6] = v[1];
            }
            break;
        }
        default:
            if (!in.Skip(elementSize * m)) return false;
            break;
        }
    }
    return true;
}

void TCodaFile::NameDefaults() {
    char name[64];
    for (size_t i = 0; i < markers_.size(); ++i)
        if (markers_[i].name.empty()) {
            std::snprintf(name, sizeof name, "Marker_#%zu", i);
            markers_[i].name = name;
        }
    for (size_t i = 0; i < forces_.size(); ++i)
        if (forces_[i].name.empty()) {
            std::snprintf(name, sizeof name, "Force Plate #%zu", i);
            forces_[i].name = name;
        }
    for (size_t i = 0; i < emgs_.size(); ++i)
        if (emgs_[i].name.empty()) {
            std::snprintf(name, sizeof name, "Emg #%zu", i);
            emgs_[i].name = name;
        }
}

void TCodaFile::Scale() {
    // The system name follows the first "/" of the comment, up to a blank or control character.
    if (comment_.size() >= 6) {
        const size_t slash = comment_.find('/', 1);
        if (slash != std::string::npos) {
            size_t end = slash + 1;
            while (end < comment_.size() && static_cast<unsigned char>(comment_[end]) >= '!') ++end;
            systemName_ = comment_.substr(slash + 1, end - slash - 1);
        }
    }

    // Markers: millimetres per stored unit from the resolution in micrometres.
    double plateScale = 0.0;
    for (size_t i = 0; i < markers_.size(); ++i) {
        CodaMarker& mk = markers_[i];
        const double s = static_cast<double>(mk.resolution) * 1e-6 * 1000.0;
        if (i == 0) plateScale = s;
        if (s == 0.0) continue;
        for (std::vector<float>* axis : {&mk.x, &mk.y, &mk.z})
            for (float& v : *axis) v = static_cast<float>(v * s);
    }

    // Plate geometry is stored as integers in the markers' units; without a resolution the
    // format version tells them. From version 3 the markers are floats in millimetres, so their
    // resolution says nothing of the plates, which stay in tenths of a millimetre: the public
    // gait sample's 600 x 400 mm plate is stored with corners at +-3000 and +-2000.
    if (!plates_.empty()) {
        if (version_ >= 3) plateScale = kVersion3PlateScale;
        else if (plateScale == 0.0) plateScale = subVersion_ == 1 ? 0.1 : 0.2;
        if (dez::EqualsNoCase(systemName_, "MPX30")) plateScale *= 0.1;
        if (plateScale != 1.0)
            for (CodaPlate& p : plates_) {
                for (float& v : p.origin) v = static_cast<float>(v * plateScale);
                for (float& v : p.corners) v = static_cast<float>(v * plateScale);
                for (float& v : p.table) v = static_cast<float>(v * plateScale);
            }
    }

    for (CodaChannel& c : forces_) {
        const double s = c.scale != 0.0f ? c.scale : 0.05;
        for (float& v : c.samples) v = static_cast<float>(v * s);
    }
    for (CodaChannel& c : emgs_) {
        const double s = c.scale != 0.0f ? c.scale * 1e-6 : static_cast<double>(1.842e-6f);
        for (float& v : c.samples) v = static_cast<float>(v * s);
    }
}

const CodaMarker* TCodaFile::GetMarker(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < markers_.size() ? &markers_[i] : nullptr;
}

int32_t TCodaFile::GetMinMarkerCapacity() const {
    if (markers_.empty()) return 0;
    int32_t least = markers_[0].capacity;
    for (const CodaMarker& mk : markers_) least = std::min(least, mk.capacity);
    return least;
}

const CodaChannel* TCodaFile::GetForce(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < forces_.size() ? &forces_[i] : nullptr;
}

const CodaChannel* TCodaFile::GetEmg(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < emgs_.size() ? &emgs_[i] : nullptr;
}

const CodaPlate* TCodaFile::GetPlate(int32_t i) const {
    if (plates_.empty()) return nullptr;
    return i >= 0 && static_cast<size_t>(i) < plates_.size() ? &plates_[i] : &plates_[0];
}
