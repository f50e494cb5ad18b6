// TAF tracker recordings: sensors as points, channels as analog data.
#include "importers/TafFile.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "importers/LabelLists.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

constexpr uint32_t kTafMagic = 0x05F42A96;
constexpr size_t kSamplesOffset = 28;  // header items start here
// Trackers whose positions are in centimetres and whose orientations are quaternions.
const char* const kScaledTrackers[] = {"Liberty", "Patriot", "Liberty LATUS", "MinuteMan", "Fast Track"};
constexpr double kPositionScale = 10.0;
constexpr double kAxisLength = 25.0;  // length of the drawn axes of a sensor, in point units

bool Refuse(TDataFile& d, const std::string& name, const char* why, size_t offset) {
    const std::string text = name + ": " + why + " (byte " + std::to_string(offset) + ")";
    d.SetErrorText(text.c_str());
    return false;
}

// The header's labels when there is one per item, else numbered names.
std::vector<std::string> LabelsOrNumbers(const std::vector<std::string>& labels, int32_t n, const char* format) {
    if (labels.size() == static_cast<size_t>(n)) return labels;
    std::vector<std::string> names;
    char text[64];
    for (int32_t i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, format, i + 1);
        names.push_back(text);
    }
    return names;
}

}  // namespace

std::optional<std::string> ReadTAFString(dez::ByteReader& file) {
    uint8_t marker = 0;
    if (!file.ReadU8(marker) || marker != 2) return std::nullopt;
    int32_t length = 0;
    if (!file.ReadI32LE(length)) return std::nullopt;
    const uint8_t* text = length >= 0 ? file.Peek(static_cast<size_t>(length)) : nullptr;
    if (!text) {
        file.Skip(file.remaining() + 1);  // marks the reader failed: the text is cut
        return std::nullopt;
    }
    file.Skip(static_cast<size_t>(length));
    return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

bool ReadTAFBuffer(TDataFile& d, const uint8_t* bytes, size_t size, bool asPoints, const std::string& name) {
    dez::ByteReader in(bytes, size);
    uint32_t magic = 0;
    if (!in.ReadU32LE(magic) || magic != kTafMagic) return Refuse(d, name, "not a TAF file", 0);
    double rate = 0.0;
    int32_t sensors = 0, values = 0, frames = 0, headerBytes = 0;
    in.ReadF64LE(rate);
    in.ReadI32LE(sensors);
    in.ReadI32LE(values);
    in.ReadI32LE(frames);
    in.ReadI32LE(headerBytes);
    if (!in.ok()) return Refuse(d, name, "the file ends inside its header", in.pos());
    if (!(rate > 0.0 && rate <= FLT_MAX)) return Refuse(d, name, "the sampling rate is not a positive number", 4);
    if (sensors <= 0 || values <= 0 || frames <= 0)
        return Refuse(d, name, "no samples: the sensor, value or frame count is not positive", 12);
    if (headerBytes < 0 || static_cast<size_t>(headerBytes) > in.remaining())
        return Refuse(d, name, "the header items run past the end of the file", 24);

    // Header items up to their announced end (the samples start where the last one ends).
    const size_t itemsEnd = kSamplesOffset + static_cast<size_t>(headerBytes);
    bool hasTracker = false;
    std::string tracker;
    std::vector<std::string> labels;
    while (in.pos() < itemsEnd) {
        const size_t at = in.pos();
        uint8_t type = 0;
        in.ReadU8(type);
        if (type == 1) in.Skip(1);
        else if (type == 2) in.Skip(4);
        else if (type == 3) in.Skip(8);
        else if (type == 4) {
            if (std::optional<std::string> text = ReadTAFString(in)) {
                if (!hasTracker) {
                    tracker = *text;
                    hasTracker = true;
                } else {
                    labels.push_back(*text);
                }
            }
        }
        if (!in.ok()) return Refuse(d, name, "the file ends inside its header items", at);
    }

    const size_t perFrame = static_cast<size_t>(sensors) * static_cast<size_t>(values);
    const size_t available = in.remaining() / sizeof(double);
    // 16 rows per sensor once the axis tips are added must still fit the table's row count.
    if (perFrame > available || static_cast<size_t>(frames) > available / perFrame || perFrame > INT32_MAX ||
        sensors > INT32_MAX / 16)
        return Refuse(d, name, "the file ends inside its samples", in.pos());
    const uint8_t* samples = in.Peek(perFrame * frames * sizeof(double));
    in.Skip(perFrame * frames * sizeof(double));
    auto sample = [samples, perFrame](int32_t f, size_t k) {
        return dez::LoadF64LE(samples + (static_cast<size_t>(f) * perFrame + k) * sizeof(double));
    };

    // Events, when the file goes on after the samples: a count, then sensor and frame pairs.
    std::vector<std::pair<int32_t, int32_t>> events;
    if (in.remaining() > 0) {
        const size_t at = in.pos();
        int32_t count = 0;
        if (!in.ReadI32LE(count) || count < 0 || static_cast<size_t>(count) > in.remaining() / 8)
            return Refuse(d, name, "the file ends inside its event list", at);
        for (int32_t i = 0; i < count; ++i) {
            int32_t sensor = 0, frame = 0;
            in.ReadI32LE(sensor);
            in.ReadI32LE(frame);
            events.emplace_back(sensor, frame);
        }
    }

    bool scaled = !hasTracker && (values == 6 || values == 10);
    for (const char* known : kScaledTrackers)
        if (hasTracker && dez::EqualsNoCase(tracker, known)) scaled = true;

    // Everything is read: only now is the recording changed.
    delete d.analog;
    d.analog = nullptr;
    d.plateCount = 0;
    d.InvalidatePlateCache();
    const bool pointsPath = asPoints && values >= 3;
    if (asPoints) {
        delete d.points;
        d.points = nullptr;
    }
    if (pointsPath) {
        const int32_t rows = static_cast<int32_t>(perFrame);
        auto table = std::make_unique<Matrix2D>(rows, frames);
        if (table->GetRows() == 0) return Refuse(d, name, "not enough memory for its samples", kSamplesOffset);
        for (int32_t f = 0; f < frames; ++f)
            for (int32_t s = 0; s < sensors; ++s)
                for (int32_t j = 0; j < values; ++j) {
                    double v = sample(f, static_cast<size_t>(s) * values + j);
                    if (scaled && j < 3) v *= kPositionScale;
                    table->SetValue(s * values + j, f, v);
                }
        d.dimension = values;
        d.missingValue = 0.0f;
        std::vector<std::string> names = LabelsOrNumbers(labels, sensors, "Sensor#%d");

        if (scaled && values > 6) {
            // Each sensor is drawn with the tips of its three axes, turned by its orientation.
            const int32_t q0 = values == 10 ? 6 : 3;
            auto axes = std::make_unique<Matrix2D>(16 * sensors, frames);
            if (axes->GetRows() == 0) return Refuse(d, name, "not enough memory for its samples", kSamplesOffset);
            for (int32_t f = 0; f < frames; ++f)
                for (int32_t s = 0; s < sensors; ++s) {
                    const int32_t row = s * values;
                    double p[3], q[4];
                    for (int k = 0; k < 3; ++k) p[k] = table->GetValue(row + k, f);
                    for (int k = 0; k < 4; ++k) q[k] = table->GetValue(row + q0 + k, f);
                    for (int k = 0; k < 3; ++k) axes->SetValue(4 * s + k, f, p[k]);
                    for (int a = 0; a < 3; ++a) {
                        double v[3] = {0.0, 0.0, 0.0};
                        v[a] = kAxisLength;
                        RotatePointByInverseQuaternion(&v[0], &v[1], &v[2], q);
                        const int32_t tip = 4 * (sensors + 3 * s + a);
                        for (int k = 0; k < 3; ++k) axes->SetValue(tip + k, f, p[k] + v[k]);
                    }
                }
            table = std::move(axes);
            d.dimension = 4;
            char text[64];
            for (int32_t s = 0; s < sensors; ++s)
                for (int a = 0; a < 3; ++a) {
                    std::snprintf(text, sizeof text, "frame_marker_%d.%c", s + 1, "xyz"[a]);
                    names.push_back(text);
                }
        }
        delete d.pointLabels;
        d.pointLabels = MakeNamedList(names);
        d.points = table.release();
        d.pointRate = static_cast<float>(rate);
    } else {
        const int32_t channels = static_cast<int32_t>(perFrame);
        auto table = std::make_unique<Matrix2D>(channels, frames);
        if (table->GetRows() == 0) return Refuse(d, name, "not enough memory for its samples", kSamplesOffset);
        for (int32_t f = 0; f < frames; ++f)
            for (int32_t k = 0; k < channels; ++k) table->SetValue(k, f, sample(f, k));
        d.analog = table.release();
        delete d.analogLabels;
        d.analogLabels = MakeNamedList(LabelsOrNumbers(labels, channels, "Channel #%d"));
        d.analogRate = static_cast<float>(rate);
    }

    char eventName[32];
    for (const auto& [sensor, frame] : events) {
        if (frame < 0 || frame >= frames) continue;
        std::snprintf(eventName, sizeof eventName, "Sensor %d", sensor);
        d.AddEvent(frame, eventName, 2, 0, false);
    }

    if (pointsPath) {
        d.firstFrame = 0;
        d.playFirst = 0;
        d.lastFrame = frames - 1;
        d.playLast = frames - 1;
    } else if (!d.points) {
        // Channels only: one placeholder point carries the frames; it is never measured.
        d.dimension = 4;
        d.headerPointCount = 1;
        d.points = new Matrix2D(4, frames);
        for (int32_t f = 0; f < frames; ++f) d.points->SetValue(3, f, kInvalidResidual);
        d.SetPointCount(1);
        d.pointRate = d.analogRate;
        d.lastFrame = frames - 1;
        d.playLast = frames - 1;
    }
    return true;
}

bool TDataFile::ReadTAF(const char* filePath, bool asPoints) {
    const std::string name = dez::NameOf(filePath ? filePath : "");
    std::vector<uint8_t> bytes;
    std::string why;
    if (!filePath || !dez::ReadWholeFile(filePath, bytes, &why)) {
        SetErrorText((name + ": Unable to open the file" + (why.empty() ? "" : ": " + why)).c_str());
        return false;
    }
    return ReadTAFBuffer(*this, bytes.data(), bytes.size(), asPoints, name);
}
