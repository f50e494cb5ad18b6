// TRC text and TRB binary track files, and the load of a track file with its analog companion
// and its force-plate calibration.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "platform/Parallel.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

// What follows the first two white-space separated words (frame number and time headings).
std::string_view AfterTwoWords(std::string_view line) {
    size_t i = 0;
    for (int word = 0; word < 2; ++word) {
        while (i < line.size() && dez::IsSpaceC(line[i])) ++i;
        while (i < line.size() && !dez::IsSpaceC(line[i])) ++i;
    }
    return line.substr(i);
}

// Fields of a line cut at tabs; a line without text gives none.
std::vector<std::string_view> SplitTabs(std::string_view text) {
    std::vector<std::string_view> fields;
    if (text.empty()) return fields;
    for (;;) {
        const size_t tab = text.find('\t');
        fields.push_back(text.substr(0, tab));
        if (tab == std::string_view::npos) break;
        text.remove_prefix(tab + 1);
    }
    return fields;
}

// Header lines 2 and 3: only fields that a tab follows form pairs; the first of equal keys wins.
bool HeaderValue(const std::vector<std::string_view>& keys, const std::vector<std::string_view>& values,
                 std::string_view key, std::string_view& value) {
    const size_t pairs = keys.empty() ? 0 : keys.size() - 1;
    for (size_t i = 0; i < pairs && i < values.size(); ++i) {
        if (keys[i] != key) continue;
        if (values[i].empty()) return false;
        value = values[i];
        return true;
    }
    return false;
}

// Three tab-separated fields at `first` that are each a plain decimal with an optional minus and
// nothing else, the common case, converted as FromString would: where the third field ends (a tab
// or `last`). Null, nothing written, for anything else.
const char* PlainTripleAt(const char* first, const char* last, double* out) {
    float v[3];
    const char* p = first;
    for (int c = 0; c < 3; ++c) {
        if (c > 0) {
            if (p == last || *p != '\t') return nullptr;
            ++p;
        }
        const bool negative = p != last && *p == '-';
        const char* stop = nullptr;
        if (!dez::PlainDecimal(p + negative, last, v[c], stop)) return nullptr;
        if (negative) v[c] = -v[c];
        p = stop;
    }
    if (p != last && *p != '\t') return nullptr;
    for (int c = 0; c < 3; ++c) out[c] = v[c];
    return p;
}

// One data line into its row of `rows` cells: every cell is written.
void ReadTrcRow(std::string_view line, double* cell, size_t rows) {
    // The tab after the time, and the one separator a line may end with, are no fields; a
    // line whose last value has no separator after it keeps that value whole.
    std::string_view rest = AfterTwoWords(line);
    if (!rest.empty() && (rest.front() == '\t' || rest.front() == ' ')) rest.remove_prefix(1);
    if (!rest.empty() && (rest.back() == '\t' || rest.back() == ' ')) rest.remove_suffix(1);
    double* const end = cell + rows;
    // Tab-separated fields, three to a marker; a marker whose three fields are not all there
    // (the line ends early) or not all filled is missing: 0 with an invalid residual.
    bool more = !rest.empty();
    while (more && cell != end) {
        // The common marker, three plain decimals each ended by a tab (the last one possibly by
        // the end of the line), is converted as it is scanned.
        if (const char* next = PlainTripleAt(rest.data(), rest.data() + rest.size(), cell)) {
            cell[3] = 0.0;
            cell += 4;
            if (next == rest.data() + rest.size()) break;
            rest.remove_prefix(static_cast<size_t>(next + 1 - rest.data()));
            continue;
        }
        std::string_view xyz[3];
        int got = 0;
        for (; got < 3 && more; ++got) {
            const size_t tab = rest.find('\t');
            xyz[got] = rest.substr(0, tab);
            if (tab == std::string_view::npos) {
                more = false;
            } else {
                rest.remove_prefix(tab + 1);
            }
        }
        if (got < 3) break;
        bool present = true;
        for (std::string_view& f : xyz) {
            f = dez::TrimBlanksView(f);
            present = present && !f.empty();
        }
        for (int c = 0; c < 3; ++c) {
            float v = 0.0f;
            if (present) FromString(xyz[c], v);
            cell[c] = v;
        }
        cell[3] = present ? 0.0 : kInvalidResidual;
        cell += 4;
    }
    for (; cell != end; cell += 4) {
        std::fill(cell, cell + 3, 0.0);
        cell[3] = kInvalidResidual;
    }
}

// Below this size a TRC data section is read on one thread: starting threads would cost more
// than they save.
constexpr size_t kParallelBytes = size_t{8} << 20;

// A line of text: some byte above 32 (the serial reader skips the others).
bool HasText(const char* first, const char* last) {
    for (; first != last; ++first)
        if (static_cast<unsigned char>(*first) > 32) return true;
    return false;
}

// Calls line(first, last) for each line of [first, last) (the LF not included, a CR before it
// kept); a last line without LF counts. Stops early when line gives false.
template <typename Line>
void ForEachLine(const char* first, const char* last, Line&& line) {
    while (first != last) {
        const void* found = std::memchr(first, '\n', static_cast<size_t>(last - first));
        const char* stop = found ? static_cast<const char*>(found) : last;
        if (!line(first, stop)) return;
        first = stop == last ? last : stop + 1;
    }
}

// The data section of a TRC file read as the serial loop reads it, on `threads` threads: the text
// is cut into pieces at line ends, the lines with text in each are counted, and then each piece
// fills the rows from its first frame on. False when the text holds fewer than `frames` lines
// with text (the table untouched; the serial loop then tells where it ends) or a piece failed;
// lines after the last frame are ignored.
bool ReadTrcFramesInParallel(std::string_view text, int32_t frames, double* cells, size_t rows, unsigned threads) {
    // A few pieces per thread even out lines of uneven length and threads that start late.
    const size_t count = size_t{4} * threads;
    const std::vector<const char*> bounds = CutTextForThreads(text, count, true);
    std::vector<int64_t> first(count + 1, 0);
    if (!dez::RunTasks(count, threads, [&](size_t k) {
            int64_t n = 0;
            ForEachLine(bounds[k], bounds[k + 1], [&n](const char* a, const char* b) {
                n += HasText(a, b);
                return true;
            });
            first[k + 1] = n;
        }))
        return false;
    for (size_t k = 0; k < count; ++k) first[k + 1] += first[k];
    if (first[count] < frames) return false;
    return dez::RunTasks(count, threads, [&](size_t k) {
        int64_t frame = first[k];
        ForEachLine(bounds[k], bounds[k + 1], [&](const char* a, const char* b) {
            if (frame >= frames) return false;
            if (!HasText(a, b)) return true;
            if (b != a && b[-1] == '\r') --b;
            ReadTrcRow(std::string_view(a, static_cast<size_t>(b - a)), cells + static_cast<size_t>(frame) * rows, rows);
            ++frame;
            return true;
        });
    });
}

template <typename Bytes>
bool ReadBytes(TDataFile& d, const char* path, Bytes& bytes) {
    const std::string file = path ? path : "";
    std::string error;
    if (dez::ReadWholeFile(file, bytes, &error)) return true;
    return TrackFail(d, dez::NameOf(file), "cannot be read (" + error + ")");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TRC

bool ParseTRC(TDataFile& d, std::string_view text, const std::string& name, unsigned requestedThreads) {
    dez::TextLines lines(text);
    std::string_view line;
    if (!lines.Next(line) || line.substr(0, 12) != "PathFileType")
        return TrackFail(d, name, "not a TRC file: line 1 does not begin with \"PathFileType\"");
    std::string_view keyLine, valueLine;
    if (!lines.Next(keyLine) || !lines.Next(valueLine))
        return TrackFail(d, name, dez::Format("the file ends in its header, at line %d", lines.LineNumber() + 1));
    const std::vector<std::string_view> keys = SplitTabs(keyLine);
    const std::vector<std::string_view> values = SplitTabs(valueLine);
    if (keys.size() != values.size())
        return TrackFail(d, name, dez::Format("header lines 2 and 3 hold %d and %d tabs", static_cast<int>(keys.size()) - 1,
                                         static_cast<int>(values.size()) - 1));
    std::string_view value;
    int declaredMarkers = 0, frames = 0;
    if (HeaderValue(keys, values, "NumMarkers", value)) FromString(value, declaredMarkers);
    if (HeaderValue(keys, values, "NumFrames", value)) FromString(value, frames);
    double rate = 0.0;
    const bool hasRate = HeaderValue(keys, values, "DataRate", value);
    if (hasRate) FromString(value, rate);
    if (declaredMarkers == 0) return TrackFail(d, name, "NumMarkers is missing or 0 (line 3)");
    if (frames <= 0) return TrackFail(d, name, "NumFrames is missing or not above 0 (line 3)");

    // Marker names: after the frame and time headings, every non-empty tab-separated field.
    if (!lines.Next(line)) return TrackFail(d, name, "the file ends before the marker names of line 4");
    std::vector<std::string> names;
    for (std::string_view field : SplitTabs(AfterTwoWords(line))) {
        std::string n = dez::TrimBlanks(field);
        if (!n.empty()) names.push_back(std::move(n));
    }
    if (names.empty()) return TrackFail(d, name, "line 4 names no marker");
    const int32_t markers = static_cast<int32_t>(std::min<size_t>(names.size(), INT32_MAX / 4));
    lines.Next(line);  // coordinate headings

    if (!TableFitsFile(4 * static_cast<int64_t>(markers), frames, text.size()))
        return TrackFail(d, name, dez::Format("%d frames of %d markers are more than the file can hold", frames, markers));
    // Every cell is written below, so the table is not cleared first.
    auto table = std::make_unique<Matrix2D>();
    if (!table->Resize(4 * markers, frames, false)) return TrackFail(d, name, "not enough memory for the point table");
    const size_t rows = 4 * static_cast<size_t>(markers);
    dez::AdviseLargeBlock(table->GetData(), sizeof(double) * static_cast<size_t>(table->size));

    double* const cells = table->GetData();
    unsigned threads = requestedThreads;
    if (threads == 0) threads = lines.Rest().size() > kParallelBytes ? dez::HardwareThreads() : 1;
    if (threads < 2 || !ReadTrcFramesInParallel(lines.Rest(), frames, cells, rows, threads)) {
        for (int32_t frame = 0; frame < frames; ++frame) {
            do {
                if (!lines.Next(line))
                    return TrackFail(d, name, dez::Format("the file ends at line %d, after %d of %d frames",
                                                          lines.LineNumber(), frame, frames));
            } while (dez::IsAllBlanks(line));
            ReadTrcRow(line, cells + static_cast<size_t>(frame) * rows, rows);
        }
    }

    auto labels = std::make_unique<LabelledItemList>();
    for (int32_t j = 0; j < markers; ++j) labels->Add(LabelledItem(j + 1, names[static_cast<size_t>(j)].c_str()));
    delete d.pointLabels;
    d.pointLabels = labels.release();
    delete d.points;
    d.points = table.release();
    d.dimension = 4;
    d.missingValue = 0.0f;
    if (hasRate) d.pointRate = static_cast<float>(rate);
    return true;
}

bool TDataFile::ReadTRC(const char* filePath) {
    dez::FileBytes bytes;
    if (!ReadBytes(*this, filePath, bytes)) return false;
    return ParseTRC(*this, bytes.text(), dez::NameOf(filePath));
}

// ---------------------------------------------------------------------------------------------
// TRB

namespace {

constexpr uint16_t kNameRecord = 268;
constexpr uint16_t kLinkRecord = 269;
constexpr uint16_t kBlockMark = 0x0600;
constexpr size_t kBlockHeader = 12;
constexpr size_t kMarkerRecord = 24;

// Frame block header at the reader's position: bytes 0-5 the marks 0 0 0600, 6 frame number,
// 8 block size in 4-byte units (int16, header included), 10 unused. Empty on success.
std::string ReadBlockHeader(dez::ByteReader& f, uint16_t& frame, size_t& blockBytes) {
    const size_t at = f.pos();
    if (f.remaining() < kBlockHeader)
        return dez::Format("the frame block at byte %zu runs past the end of the file", at);
    uint16_t w0 = 0, w1 = 0, w2 = 0, unused = 0;
    int16_t units = 0;
    f.ReadU16LE(w0);
    f.ReadU16LE(w1);
    f.ReadU16LE(w2);
    f.ReadU16LE(frame);
    f.ReadI16LE(units);
    f.ReadU16LE(unused);
    if (w0 != 0 || w1 != 0 || w2 != kBlockMark)
        return dez::Format("the frame block at byte %zu does not begin with 0000 0000 0600", at);
    if (units <= 0) return dez::Format("the frame block at byte %zu has size %d", at, units);
    blockBytes = 4 * static_cast<size_t>(units);
    if (blockBytes < kBlockHeader || (blockBytes - kBlockHeader) % kMarkerRecord != 0)
        return dez::Format("the frame block at byte %zu (%zu bytes) does not hold whole marker records", at,
                           blockBytes);
    if (blockBytes > f.size() - at)
        return dez::Format("the frame block at byte %zu runs past the end of the file", at);
    return std::string();
}

// "markers 3, 13 to 33 have no name" (runs shortened, the list cut when long).
std::string UnnamedMarkers(const std::vector<int32_t>& numbers) {
    if (numbers.empty()) return "every marker kept its name";
    std::string list;
    size_t runs = 0;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (++runs > 4) {
            list += ", ...";
            break;
        }
        if (!list.empty()) list += ", ";
        list += j > i ? dez::Format("%d to %d", numbers[i], numbers[j]) : std::to_string(numbers[i]);
        i = j + 1;
    }
    return (numbers.size() == 1 ? "marker " : "markers ") + list + (numbers.size() == 1 ? " has" : " have") +
           " no name";
}

}  // namespace

bool ParseTRB(TDataFile& d, const uint8_t* bytes, size_t size, const std::string& name) {
    dez::ByteReader f(bytes, size);
    uint16_t sig[4] = {};
    for (uint16_t& w : sig) f.ReadU16LE(w);
    if (!f.ok() || sig[0] != 0 || sig[1] != 0 || sig[2] != 0xFFFF || sig[3] != 0xFFFF)
        return TrackFail(d, name, "not a TRB file: it does not begin with 0000 0000 FFFF FFFF");
    uint16_t high = 0, low = 0;
    f.ReadU16LE(high);
    f.ReadU16LE(low);
    const uint64_t dataOffset = ((static_cast<uint64_t>(high) << 16) | low) * 4;

    // Six header records; only the point rate (259) is used.
    float rate = 0.0f;
    const uint16_t headerTags[6] = {257, 258, 259, 260, 261, 277};
    for (uint16_t tag : headerTags) {
        const size_t at = f.pos();
        uint32_t ignoredInt = 0;
        float real = 0.0f;
        const bool isFloat = tag >= 259 && tag <= 261;
        const int32_t got = isFloat ? ReadTagFloat(f, tag, real) : ReadTagInt(f, tag, ignoredInt);
        if (got == 0) return TrackFail(d, name, dez::Format("header record %d at byte %zu is missing or malformed", tag, at));
        if (tag == 259) rate = real;
    }
    if (!std::isfinite(rate)) return TrackFail(d, name, "the point rate is not a number");

    // Names and links fill the bytes from the header to the data offset. A record of another
    // tag, or one that does not fit, means damage: a record that can be stepped over is, and the
    // walk must end exactly at the data offset, or what it could not read is reported.
    if (dataOffset > size)
        return TrackFail(d, name, dez::Format("the data offset %llu lies beyond the end of the file (%zu bytes)",
                                         static_cast<unsigned long long>(dataOffset), size));
    if (dataOffset < f.pos())
        return TrackFail(d, name, dez::Format("the data offset %llu lies inside the header",
                                         static_cast<unsigned long long>(dataOffset)));
    const size_t namesEnd = static_cast<size_t>(dataOffset);
    std::map<int32_t, std::string> names;  // marker number -> name; the last record of a marker wins
    int32_t markers = 0;
    std::string sticks;
    bool sticksFull = false;
    int32_t skipped = 0;  // records of unknown tag stepped over
    std::string firstSkipped;
    std::string unread;  // why the walk stopped before the data offset
    while (f.pos() < namesEnd) {
        const size_t at = f.pos();
        if (namesEnd - at < 4) {
            unread = dez::Format("%zu bytes at byte %zu not read", namesEnd - at, at);
            break;
        }
        const uint8_t* head = f.Peek(4);
        const uint16_t tag = dez::LoadU16LE(head);
        const size_t units = dez::LoadU16LE(head + 2);
        const size_t recordBytes = 4 + 4 * units;
        const bool known = tag == kNameRecord || tag == kLinkRecord;
        if (known && units < (tag == kNameRecord ? 1u : 2u))
            return TrackFail(d, name, dez::Format("the %s record at byte %zu is malformed",
                                             tag == kNameRecord ? "name" : "link", at));
        if (recordBytes > namesEnd - at) {
            unread = dez::Format("%s at byte %zu runs into the data at byte %zu, not read",
                                 known ? (tag == kNameRecord ? "name record" : "link record")
                                       : dez::Format("tag %u", static_cast<unsigned>(tag)).c_str(),
                                 at, namesEnd);
            break;
        }
        f.Skip(4);
        if (!known) {
            if (skipped++ == 0) firstSkipped = dez::Format("tag %u at byte %zu", static_cast<unsigned>(tag), at);
            f.Skip(4 * units);
        } else if (tag == kNameRecord) {
            uint16_t marker = 0, unused = 0;
            f.ReadU16LE(marker);
            f.ReadU16LE(unused);
            std::string text = ReadFixedText(f, 4 * units - 4);
            // Blanks first, then NULs: blanks standing before NUL padding are part of the name.
            while (!text.empty() && text.back() == ' ') text.pop_back();
            while (!text.empty() && text.back() == '\0') text.pop_back();
            if (marker >= 1) {
                names[marker] = text;
                markers = std::max<int32_t>(markers, marker);
            }
        } else {
            uint16_t unused = 0, a = 0, b = 0;
            f.ReadU16LE(unused);
            f.ReadU16LE(a);
            f.ReadU16LE(b);
            f.ReadU16LE(unused);
            f.Skip(4 * units - 8);
            // The stick text has a fixed size: links that no longer fit whole are left out.
            const std::string link = (sticks.empty() ? "" : ",") + std::to_string(a) + "-" + std::to_string(b);
            if (!sticksFull && sticks.size() + link.size() < static_cast<size_t>(kStickTextSize)) {
                sticks += link;
            } else {
                sticksFull = true;
            }
        }
    }
    const bool damagedNames = skipped > 0 || !unread.empty();

    // Walk the frame blocks once for the frame count and their soundness, and the highest marker
    // number their records use.
    int32_t frames = 0;
    int32_t recorded = 0;
    f.Seek(static_cast<size_t>(dataOffset));
    while (f.remaining() > 0) {
        uint16_t frame = 0;
        size_t blockBytes = 0;
        const size_t at = f.pos();
        const std::string problem = ReadBlockHeader(f, frame, blockBytes);
        if (!problem.empty()) return TrackFail(d, name, problem);
        frames = std::max<int32_t>(frames, frame);
        for (size_t r = kBlockHeader; r < blockBytes; r += kMarkerRecord) {
            int16_t marker = 0;
            f.Seek(at + r);
            f.ReadI16LE(marker);
            recorded = std::max<int32_t>(recorded, marker);
        }
        f.Seek(at + blockBytes);
    }
    if (frames < 1) return TrackFail(d, name, "the file holds no frame");
    // Names lost to damage must not take their markers' samples with them.
    const int32_t named = markers;
    if (damagedNames && recorded > markers && TableFitsFile(4 * static_cast<int64_t>(recorded), frames, size))
        markers = recorded;
    if (markers < 1) return TrackFail(d, name, "the file names no marker");
    if (!TableFitsFile(4 * static_cast<int64_t>(markers), frames, size))
        return TrackFail(d, name,
                    dez::Format("marker %d and frame %d are out of proportion with the file size", markers, frames));
    auto table = std::make_unique<Matrix2D>(4 * markers, frames);
    if (table->GetRows() != 4 * markers) return TrackFail(d, name, "not enough memory for the point table");
    // A marker that has no record in a frame was not seen there.
    for (int32_t col = 0; col < frames; ++col)
        for (int32_t m = 0; m < markers; ++m) table->SetValue(4 * m + 3, col, kInvalidResidual);

    f.Seek(static_cast<size_t>(dataOffset));
    while (f.remaining() > 0) {
        uint16_t frame = 0;
        size_t blockBytes = 0;
        ReadBlockHeader(f, frame, blockBytes);  // checked by the walk above
        const size_t records = (blockBytes - kBlockHeader) / kMarkerRecord;
        for (size_t r = 0; r < records; ++r) {
            int16_t marker = 0;
            uint16_t unused = 0;
            float v[4] = {};
            f.ReadI16LE(marker);
            f.ReadU16LE(unused);
            for (float& x : v) f.ReadF32LE(x);
            f.Skip(4);
            if (marker < 1 || marker > markers || frame < 1 || frame > frames) continue;
            for (int c = 0; c < 4; ++c) table->SetValue(4 * (marker - 1) + c, frame - 1, v[c]);
        }
    }

    // Labels by marker number, so that a file naming only some markers shifts no name.
    auto labels = std::make_unique<LabelledItemList>();
    for (int32_t m = 1; m <= markers; ++m) {
        const auto it = names.find(m);
        const std::string label = it != names.end() ? it->second : dez::Format("Marker %d", m);
        labels->Add(LabelledItem(m, label.c_str()));
    }
    delete d.pointLabels;
    d.pointLabels = labels.release();
    delete d.points;
    d.points = table.release();
    std::memcpy(d.stickText, sticks.c_str(), sticks.size() + 1);
    if (damagedNames) {
        // What was lost first: the error text has a fixed size.
        std::vector<int32_t> unnamed;
        for (int32_t m = 1; m <= markers; ++m)
            if (names.find(m) == names.end()) unnamed.push_back(m);
        std::string what = name + ": damaged name records, " + UnnamedMarkers(unnamed);
        if (markers > named) what += dez::Format(" (above %d known from their samples only)", named);
        if (skipped > 0) what += dez::Format("; %d of unknown tag skipped (first: %s)", skipped, firstSkipped.c_str());
        if (!unread.empty()) what += "; " + unread;
        d.SetErrorText(what.c_str());
    } else if (recorded > markers) {
        d.SetErrorText(dez::Format("%s: frame records of markers above %d, which no name record names, not read",
                                   name.c_str(), markers)
                           .c_str());
    }
    d.dimension = 4;
    d.pointRate = rate;
    d.missingValue = 0.0f;
    return true;
}

bool TDataFile::ReadTRB(const char* filePath) {
    stickText[0] = '\0';
    std::vector<uint8_t> bytes;
    if (!ReadBytes(*this, filePath, bytes)) return false;
    return ParseTRB(*this, bytes.data(), bytes.size(), dez::NameOf(filePath));
}

// ---------------------------------------------------------------------------------------------
// The load of a track file

namespace {

// The plates of a track file come from the calibration file of its folder named like it, else
// from the first (in name order) that yields a plate; without one the plate channels are only
// scaled. The choice is logged.
void UsePlateCalibration(TDataFile& d, const std::string& track) {
    const std::string folder = dez::FolderOf(track);
    const std::string stem = dez::ToLowerAscii(dez::StemOf(track));
    std::vector<std::string> candidates = dez::ListMatchingFiles(folder, "*.cal");
    std::stable_partition(candidates.begin(), candidates.end(),
                          [&](const std::string& n) { return dez::ToLowerAscii(dez::StemOf(n)) == stem; });
    const std::string name = dez::NameOf(track);
    for (const std::string& cal : candidates) {
        const int32_t plates = d.ReadCalFile(dez::JoinPath(folder, cal).c_str());
        if (plates > 0) {
            // Track files name no baseline; the laboratory's own C3D export of the same trials
            // takes the first ten samples, so the plates read zero at rest as they do there.
            if (d.plateZero[0] == 0 && d.plateZero[1] == 0) {
                d.plateZero[0] = 1;
                d.plateZero[1] = 10;
            }
            d.SetErrorText(dez::Format("%s: %d force plate%s from %s", name.c_str(), plates, plates == 1 ? "" : "s",
                                       cal.c_str())
                               .c_str());
            return;
        }
    }
    if (!d.ScaleForcePlateChannels()) return;
    const char* factor = gAnalogIs16Bit ? "-1" : "-25";
    d.SetErrorText((candidates.empty()
                        ? dez::Format("%s: no calibration file; plate channels scaled by %s", name.c_str(), factor)
                        : dez::Format("%s: no calibration file gives a plate; plate channels scaled by %s",
                                      name.c_str(), factor))
                       .c_str());
}

}  // namespace

bool TDataFile::ReadTrackFile(const char* filePath) {
    // The plate factor must come from this load's ANC file, never from an earlier one.
    gAnalogIs16Bit = false;
    const std::string file = filePath ? filePath : "";
    const std::string ext = dez::ToUpperAscii(dez::ExtensionOf(file));
    const std::string folder = dez::FolderOf(file);
    bool ok = false;
    if (ext == ".TRB") {
        ok = ReadTRB(file.c_str());
        if (ok) {
            // The binary analog companion is the .anb beside the track; the ANC file serves
            // when there is none or it cannot be read.
            const std::string anb = dez::FindCompanionFile(folder, dez::StemOf(file) + ".anb");
            if (anb.empty() || !ReadBinaryAnalog(anb.c_str())) ReadANC(file.c_str());
        }
    } else if (ext == ".TRC") {
        ok = ReadTRC(file.c_str());
        if (ok) ReadANC(file.c_str());
    } else {
        TrackFail(*this, dez::NameOf(file), "not a track file (.trc or .trb)");
    }
    if (ok && analog && analog->GetRows() >= 6) UsePlateCalibration(*this, file);
    if (points) {
        firstFrame = 0;
        lastFrame = points->GetCols() - 1;
    }
    return ok;
}
