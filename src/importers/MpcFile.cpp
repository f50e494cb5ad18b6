// MPC and CME text recordings and their ".vm" companion. Keyword lines (any case) before the data:
//   FRAMES F / MARKERS N / STICKS S and S lines "STICK 2 a b" or "STICK 3 a b c" /
//   "MARKERNAMES Y" and up to N lines "MARKER k name"
// then the data header "frames _ F' markers _ N' Hz ..." and F' x N' lines "x y z", one marker per
// line, frame after frame. The rate of the data header is not read: these recordings are 120 Hz.
#include "motion/TDataFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "importers/ImportText.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

// Longer lines end the pass that meets them.
constexpr size_t kMaxLineLength = 255;
constexpr float kMpcRate = 120.0f;

struct Token {
    std::string text;
    size_t end;  // offset just past the token in its line
};

std::vector<Token> Tokens(const std::string& line) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
        const size_t start = i;
        while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
        if (i > start) out.push_back({line.substr(start, i - start), i});
    }
    return out;
}

bool WordIs(const std::vector<Token>& t, size_t i, const char* word) {
    return i < t.size() && dez::EqualsNoCase(t[i].text, word);
}

int32_t IntAt(const std::vector<Token>& t, size_t i) { return i < t.size() ? dez::AtoI(t[i].text.c_str()) : 0; }

// "frames _ F markers _ N Hz": the start of the data.
bool IsDataHeader(const std::vector<Token>& t) {
    return WordIs(t, 0, "frames") && WordIs(t, 3, "markers") && WordIs(t, 6, "Hz");
}

class MpcText {
public:
    explicit MpcText(const std::vector<uint8_t>& bytes) {
        dez::TextLines reader(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        for (std::string_view line; reader.Next(line);) lines_.emplace_back(line);
        lastLineOpen_ = !bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r';
    }

    size_t size() const { return lines_.size(); }
    // The last line has no line end: the file was cut inside it, perhaps inside a number.
    bool LastLineOpen() const { return lastLineOpen_; }
    // Null for a line too long to read.
    const std::string* Line(size_t i) const {
        return i < lines_.size() && lines_[i].size() <= kMaxLineLength ? &lines_[i] : nullptr;
    }

    // Index of the first line whose first word is `word` (any case), searching before the data only
    // when `beforeData` is set; -1 when there is none.
    long Find(const char* word, bool beforeData) const {
        for (size_t i = 0; const std::string* line = Line(i); ++i) {
            const std::vector<Token> t = Tokens(*line);
            if (beforeData && IsDataHeader(t)) return -1;
            if (WordIs(t, 0, word)) return static_cast<long>(i);
        }
        return -1;
    }

    // The integer after the first word of the first FRAMES line (the data header counts too).
    int32_t Frames() const {
        const long i = Find("FRAMES", false);
        return i < 0 ? 0 : IntAt(Tokens(lines_[static_cast<size_t>(i)]), 1);
    }

private:
    std::vector<std::string> lines_;
    bool lastLineOpen_ = false;
};

// Appends "," and a link unless the text would no longer fit; further links are dropped.
void AppendLink(char* stickText, const std::string& link) {
    const size_t used = std::strlen(stickText);
    const size_t sep = used > 0 ? 1 : 0;
    if (used + sep + link.size() >= static_cast<size_t>(kStickTextSize)) return;
    if (sep) stickText[used] = ',';
    std::memcpy(stickText + used + sep, link.c_str(), link.size() + 1);
}

// The STICKS block: its count of following lines, each a link, a chain or something skipped.
void ApplySticks(TDataFile& d, const MpcText& text, bool beforeData) {
    const long at = text.Find("STICKS", beforeData);
    if (at < 0) return;
    d.stickText[0] = '\0';
    const int32_t count = IntAt(Tokens(*text.Line(static_cast<size_t>(at))), 1);
    for (int32_t k = 1; k <= count; ++k) {
        const std::string* line = text.Line(static_cast<size_t>(at) + static_cast<size_t>(k));
        if (!line) break;
        const std::vector<Token> t = Tokens(*line);
        if (!WordIs(t, 0, "STICK")) continue;
        const int32_t kind = IntAt(t, 1);
        const int32_t a = IntAt(t, 2), b = IntAt(t, 3), c = IntAt(t, 4);
        // Marker numbers start at 1: 0 marks an unused link, and negative ones cannot be written.
        if (kind == 2 && a > 0 && b > 0) AppendLink(d.stickText, dez::Format("%d-%d", a, b));
        if (kind == 3 && a > 0 && b > 0 && c > 0) AppendLink(d.stickText, dez::Format("%d-%d-%d", a, b, c));
    }
}

// The "MARKERNAMES Y" block: up to `markers` lines "MARKER k name", ended by any other line.
void ApplyNames(TDataFile& d, const MpcText& text, bool beforeData, int32_t markers) {
    long at = -1;
    for (size_t i = 0; const std::string* line = text.Line(i); ++i) {
        const std::vector<Token> t = Tokens(*line);
        if (beforeData && IsDataHeader(t)) return;
        if (t.size() == 2 && WordIs(t, 0, "MARKERNAMES") && WordIs(t, 1, "Y")) {
            at = static_cast<long>(i);
            break;
        }
    }
    if (at < 0) return;
    if (!d.pointLabels) d.pointLabels = new LabelledItemList();
    for (int32_t k = 1; k <= markers; ++k) {
        const std::string* line = text.Line(static_cast<size_t>(at) + static_cast<size_t>(k));
        if (!line) break;
        const std::vector<Token> t = Tokens(*line);
        if (!WordIs(t, 0, "MARKER")) break;
        const int32_t n = IntAt(t, 1);
        if (n < 1 || t.size() < 3) continue;
        // The name is the rest of the line, so it may hold blanks.
        const std::string name = dez::TrimBlanks(std::string_view(*line).substr(t[1].end));
        if (n <= d.pointLabels->count) {
            SetListItem(name.c_str(), n - 1, d.pointLabels);
        } else {
            d.pointLabels->Add(LabelledItem(d.pointLabels->count + 1, name.c_str(), nullptr, -1));
        }
    }
}

// Every marker of every frame takes a line, so a table larger than the file's byte count cannot
// be meant; asking for it would only exhaust memory.
bool TableFits(TDataFile& d, int32_t markers, int32_t frames, size_t fileSize, const std::string& name) {
    if (markers <= 0 || frames <= 0 || markers > INT32_MAX / 3) return false;
    if (static_cast<double>(markers) * frames <= static_cast<double>(fileSize)) return true;
    d.SetErrorText(
        dez::Format("%s: %d frames x %d markers is more than the file can hold", name.c_str(), frames, markers).c_str());
    return false;
}

}  // namespace

bool TDataFile::ReadMPC(const char* filePath, bool readFrames) {
    const std::string target = filePath ? filePath : "";
    const std::string name = dez::NameOf(target);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadRecordingFile(filePath, bytes, error)) {
        SetErrorText(error.c_str());
        return false;
    }
    const MpcText text(bytes);
    delete points;
    points = nullptr;
    dimension = 3;
    stickText[0] = '\0';

    const int32_t frames = text.Frames();
    const long markersLine = text.Find("MARKERS", true);
    const int32_t markers = markersLine < 0 ? 0 : IntAt(Tokens(*text.Line(static_cast<size_t>(markersLine))), 1);
    if (markersLine >= 0 && TableFits(*this, markers, frames, bytes.size(), name)) {
        points = new Matrix2D(markers * 3, frames);
        ApplySticks(*this, text, true);
        SetPointCount(markers);
        ApplyNames(*this, text, true, markers);
    }
    pointRate = kMpcRate;

    long header = -1;
    std::vector<Token> t;
    for (size_t i = 0; const std::string* line = text.Line(i); ++i) {
        t = Tokens(*line);
        if (IsDataHeader(t)) {
            header = static_cast<long>(i);
            break;
        }
    }
    int32_t present = 0;  // frames read in full
    std::string stop;     // why the data ended before the table's last frame
    if (header >= 0) {
        const int32_t dataFrames = IntAt(t, 2);
        const int32_t dataMarkers = IntAt(t, 5);
        if (!points && TableFits(*this, dataMarkers, dataFrames, bytes.size(), name)) {
            points = new Matrix2D(dataMarkers * 3, dataFrames);
            SetPointCount(dataMarkers);
        }
        if (points && readFrames) {
            const int32_t rows = points->GetRows(), cols = points->GetCols();
            size_t next = static_cast<size_t>(header) + 1;
            int32_t complete = 0;  // frames whose every line was read in full
            for (int32_t f = 0; f < dataFrames && stop.empty(); ++f) {
                for (int32_t m = 0; m < dataMarkers; ++m) {
                    const size_t at = next++;
                    const std::string* line = text.Line(at);
                    if (!line) {
                        stop = at < text.size() ? dez::Format("line %zu is too long to read", at + 1)
                                                : std::string("the file ends");
                        break;
                    }
                    // Recordings end their lines; a last line without its end was cut, perhaps
                    // inside a number, so its frame is not taken.
                    if (next == text.size() && text.LastLineOpen()) {
                        stop = "the file ends inside its last line";
                        break;
                    }
                    const std::vector<Token> xyz = Tokens(*line);
                    for (int32_t c = 0; c < 3; ++c) {
                        // Lines beyond the table's markers or frames are read past and dropped.
                        const int64_t row = 3 * static_cast<int64_t>(m) + c;
                        if (row < rows && f < cols)
                            points->SetValue(static_cast<int32_t>(row), f,
                                             c < static_cast<int32_t>(xyz.size()) ? dez::AtoF(xyz[c].text.c_str()) : 0.0);
                    }
                }
                if (stop.empty()) ++complete;
            }
            present = std::min(complete, cols);
            if (present < cols && stop.empty())
                stop = dez::Format("its data header gives %d frames", dataFrames);
        }
    }
    const bool cut = points && readFrames && present < points->GetCols();
    if (cut && stop.empty()) stop = "there is no data header (frames _ F markers _ N Hz)";
    if (cut && present == 0) {
        SetErrorText(dez::Format("%s: no frame of MPC data is complete (%s)", name.c_str(), stop.c_str()).c_str());
        delete points;
        points = nullptr;
    }
    missingValue = 0.0f;
    if (!points) {
        // Keeps the reason of a table refused above.
        if (errorText[0] == '\0')
            SetErrorText((name + ": no MARKERS and FRAMES lines and no data header (frames _ F markers _ N Hz): no "
                                 "recording to read")
                             .c_str());
        return false;
    }
    // The companion describes the whole recording: it is matched before a cut table shrinks.
    if (stickText[0] == '\0') {
        const std::string vm = dez::FindCompanionFile(dez::FolderOf(target), dez::StemOf(target) + ".vm");
        if (!vm.empty()) ReadVM(vm.c_str());
    }
    if (cut) {
        // Frames without their lines are not kept as zeros: the recording ends with the last
        // frame read in full.
        const int32_t cols = points->GetCols();
        auto* kept = new Matrix2D();
        kept->CopyFrom(points->GetRows(), present, points->GetData());
        delete points;
        points = kept;
        SetErrorText(dez::Format("%s: MPC data ends early (%s): %d of %d frames present", name.c_str(), stop.c_str(),
                                 present, cols)
                         .c_str());
    }
    return true;
}

bool TDataFile::ReadVM(const char* companionPath) {
    std::vector<uint8_t> bytes;
    if (!companionPath || !dez::ReadWholeFile(companionPath, bytes) || !points) return false;
    const MpcText text(bytes);
    const long markersLine = text.Find("MARKERS", false);
    const int32_t markers = markersLine < 0 ? 0 : IntAt(Tokens(*text.Line(static_cast<size_t>(markersLine))), 1);
    if (text.Frames() != points->GetCols() || markers != points->GetRows() / 3) return false;
    ApplyNames(*this, text, false, markers);
    ApplySticks(*this, text, false);
    return true;
}
