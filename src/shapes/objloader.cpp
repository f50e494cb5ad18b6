#include "shapes/objloader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/string.h>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"
#include "platform/TextUtil.h"
#include "shapes/MeshText.h"

namespace {

constexpr const char* kHeader = "# objidx";
constexpr const char* kSizeLine = "# size ";
// Above any vertex count an int can hold: indices beyond it are all equally out of range.
constexpr long kIndexLimit = 1L << 40;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Lines of a text without their line end (LF, CRLF or a lone CR at the end).
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    // Moves to line `number` (1-based); false when the text has fewer lines.
    bool SkipTo(long number) {
        while (line_ + 1 < number) {
            const void* nl = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
            if (nl == nullptr) return false;
            pos_ = size_t(static_cast<const char*>(nl) - text_.data()) + 1;
            ++line_;
        }
        return pos_ < text_.size();
    }
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const void* nl = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        const size_t end = nl ? size_t(static_cast<const char*>(nl) - text_.data()) : text_.size();
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = nl ? end + 1 : end;
        ++line_;
        return true;
    }
    // Number of the line Next returned last.
    long number() const { return line_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    long line_ = 0;
};

bool IsVertexLine(std::string_view line) {
    return line.size() >= 2 && line[0] == 'v' && IsBlank(line[1]);
}
bool IsFaceLine(std::string_view line) { return !line.empty() && line[0] == 'f'; }

std::string_view NextWord(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos])) ++pos;
    return text.substr(start, pos - start);
}

// The whole word as a number ("." whatever the locale); false leaves `out` unchanged.
bool WordToFloat(std::string_view word, float& out) {
    double value = 0;
    if (!dez::WordToDouble(word, value)) return false;
    out = float(value);
    return true;
}

// x, y, z of a "v" line; a coordinate that does not convert keeps its value from the previous
// vertex line.
void ParseVertex(std::string_view line, float xyz[3]) {
    size_t pos = 0;
    NextWord(line, pos);  // "v"
    for (int a = 0; a < 3; ++a) {
        const std::string_view word = NextWord(line, pos);
        if (word.empty()) break;
        WordToFloat(word, xyz[a]);
    }
}

// Fan triangles of a face line, as 0-based indices before any rebasing; `seen` is the number of
// vertices defined before the line (for negative indices). False when a corner is 0 or counts
// back past the first vertex.
bool AppendFaceTriangles(std::string_view line, long seen, std::vector<long>& corners,
                         std::vector<int32_t>& faces, long& bad) {
    const int n = ParseFaceCorners(line, corners);
    if (n < 3) return true;  // a point or a polyline: no surface
    for (long& c : corners) {
        if (c == 0 || (c < 0 && -c > seen)) {
            bad = c;
            return false;
        }
        c = c > 0 ? c - 1 : seen + c;
    }
    for (int i = 1; i + 1 < n; ++i) {
        faces.push_back(3);
        faces.push_back(int32_t(std::min<long>(corners[0], INT32_MAX)));
        faces.push_back(int32_t(std::min<long>(corners[size_t(i)], INT32_MAX)));
        faces.push_back(int32_t(std::min<long>(corners[size_t(i) + 1], INT32_MAX)));
        faces.push_back(0);
    }
    return true;
}

std::filesystem::file_time_type ModifiedTime(const std::string& path, bool& ok) {
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(path, ec);
    ok = !ec;
    return t;
}

}  // namespace

int ParseFaceCorners(std::string_view line, std::vector<long>& values) {
    values.clear();
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end && !IsBlank(*p)) ++p;  // the keyword
    for (;;) {
        while (p < end && IsBlank(*p)) ++p;
        if (p == end) break;
        // Digits up to the first "/" (or the word's end), with an optional sign; a huge value
        // saturates and is then refused as no vertex.
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        if (p == end || *p < '0' || *p > '9') break;
        long value = 0;
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            value = value < kIndexLimit ? value * 10 + (*p - '0') : kIndexLimit;
        values.push_back(negative ? -value : value);
        while (p < end && !IsBlank(*p)) ++p;  // texture and normal indices
    }
    return int(values.size());
}

bool SameGroupName(std::string_view a, std::string_view b) {
    return dez::EqualsNoCase(a.substr(0, a.find(' ')), b.substr(0, b.find(' ')));
}

objloader::objloader(const std::string& objPath, bool buildIndex) {
    // Only regular files, opened without waiting: a FIFO would block the open for ever.
    dez::WatchedFile test;
    if (!test.Open(objPath, nullptr)) {
        wxLogger(wxLOG_Error, __FILE__, __LINE__, "objloader::objloader", wxLOG_COMPONENT)
            .Log("%s%s", wxString(_("Unable to open  : ")), wxString::FromUTF8(objPath));
        return;
    }
    objPath_ = objPath;
    open_ = true;
    if (buildIndex) indexReady_ = BuildIndex();
}

namespace {

// The text of an index file, read once through the guarded read; false when it cannot be read
// or does not start with the index header line.
bool ReadIndexText(const std::string& path, std::vector<uint8_t>& bytes) {
    if (!dez::ReadWholeFile(path, bytes)) return false;
    Lines lines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    std::string_view first;
    return lines.Next(first) && first == kHeader;
}

}  // namespace

bool objloader::IsIndexFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    return ReadIndexText(path, bytes);
}

bool objloader::LoadBytes() {
    if (haveBytes_) return true;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadWholeFile(objPath_, bytes, &error)) {
        error_ = error.empty() ? "cannot read " + objPath_ : error;
        return false;
    }
    bytes_.swap(bytes);
    haveBytes_ = true;
    return true;
}

bool objloader::BuildIndex() {
    if (!open_) return false;
    indexPath_ = dez::ReplaceExtension(objPath_, ".idx");
    groups_.clear();
    indexFromFile_ = ReadIndexFile();
    if (!indexFromFile_) {
        groups_.clear();
        if (!LoadBytes()) return false;
        ScanGroups();
        WriteIndexFile();  // a read-only folder keeps the index in memory only
    }
    return !groups_.empty();
}

bool objloader::ReadIndexFile() {
    bool okObj = false, okIndex = false;
    const auto objTime = ModifiedTime(objPath_, okObj);
    const auto indexTime = ModifiedTime(indexPath_, okIndex);
    if (!okObj || !okIndex || indexTime < objTime) return false;
    std::vector<uint8_t> bytes;
    if (!ReadIndexText(indexPath_, bytes)) return false;
    Lines lines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    std::string_view line;
    lines.Next(line);  // header
    if (!lines.Next(line) || line.rfind(kSizeLine, 0) != 0) return false;
    long size = -1;
    if (!dez::ParseInt(line.substr(std::strlen(kSizeLine)), size) ||
        size != dez::FileSize(objPath_))
        return false;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        // Two numbers, the name (which may hold blanks), three numbers.
        std::vector<std::string_view> words;
        std::vector<size_t> starts;
        size_t pos = 0;
        for (;;) {
            while (pos < line.size() && IsBlank(line[pos])) ++pos;
            if (pos >= line.size()) break;
            starts.push_back(pos);
            words.push_back(NextWord(line, pos));
        }
        if (words.size() < 6) return false;
        long v[5];
        const std::string_view numbers[5] = {words[0], words[1], words[words.size() - 3],
                                             words[words.size() - 2], words.back()};
        for (int i = 0; i < 5; ++i)
            if (!dez::ParseInt(numbers[i], v[i]) || v[i] < 0) return false;
        ObjGroupInfo g;
        g.firstVertexLine = v[0];
        g.firstFaceLine = v[1];
        const size_t nameEnd = starts[words.size() - 3];
        g.name = dez::TrimBlanks(line.substr(starts[2], nameEnd - starts[2]));
        g.vertexLines = v[2];
        g.faceLines = v[3];
        g.vertexOrdinal = v[4];
        groups_.push_back(std::move(g));
    }
    return true;
}

void objloader::ScanGroups() {
    Lines lines(Text());
    std::string_view line;
    ObjGroupInfo current;
    bool named = false;
    long vertices = 0;  // "v" lines so far
    // Vertex lines after a group's faces: exporters often write a group's vertices before its
    // "g" line, so they open the next group, unless more faces of this group follow them.
    ObjGroupInfo pending;
    auto takePending = [&] {
        if (pending.vertexLines == 0) return;
        if (current.vertexLines == 0) {
            current.firstVertexLine = pending.firstVertexLine;
            current.vertexOrdinal = pending.vertexOrdinal;
        }
        current.vertexLines += pending.vertexLines;
        pending = ObjGroupInfo();
    };
    while (lines.Next(line)) {
        if (IsVertexLine(line)) {
            ObjGroupInfo& into = current.faceLines > 0 ? pending : current;
            if (into.vertexLines == 0) {
                into.firstVertexLine = lines.number();
                into.vertexOrdinal = vertices;
            }
            ++into.vertexLines;
            ++vertices;
        } else if (IsFaceLine(line)) {
            takePending();
            if (current.faceLines == 0) current.firstFaceLine = lines.number();
            ++current.faceLines;
        } else if (!line.empty() && line[0] == 'g') {
            const std::string_view rest = line.size() > 2 ? line.substr(2) : std::string_view();
            if (named && !SameGroupName(current.name, rest)) {
                groups_.push_back(current);
                current = ObjGroupInfo();
                named = false;
                takePending();
            }
            if (!named && line.size() > 2 && line[1] == ' ') {
                current.name = std::string(rest);
                named = true;
            }
        }
    }
    if (named && current.vertexLines > 0 && current.faceLines > 0) groups_.push_back(current);
}

void objloader::WriteIndexFile() const {
    std::string text = std::string(kHeader) + "\n" + kSizeLine +
                       std::to_string(dez::FileSize(objPath_)) + "\n";
    for (const ObjGroupInfo& g : groups_)
        text += dez::Format("%ld %ld %s %ld %ld %ld\n", g.firstVertexLine, g.firstFaceLine,
                            g.name.c_str(), g.vertexLines, g.faceLines, g.vertexOrdinal);
    dez::WriteFileAtomically(indexPath_, text.data(), text.size());
}

bool objloader::GetGroupInfo(int n, ObjGroupInfo& out) const {
    out = ObjGroupInfo();
    if (n < 1 || n > CountGroups()) return false;
    out = groups_[size_t(n) - 1];
    return true;
}

bool objloader::ReadGroup(int n, std::vector<float>& vertices, std::vector<int32_t>& faces,
                          bool rebase) {
    vertices.clear();
    faces.clear();
    error_.clear();
    ObjGroupInfo g;
    if (!GetGroupInfo(n, g)) {
        error_ = dez::Format("%s: no group %d", objPath_.c_str(), n);
        return false;
    }
    if (!LoadBytes()) return false;
    const long first = std::min(g.vertexLines > 0 ? g.firstVertexLine : g.firstFaceLine,
                                g.faceLines > 0 ? g.firstFaceLine : g.firstVertexLine);
    Lines lines(Text());
    if (first > 0) lines.SkipTo(first);
    // Sized from the index; a count larger than the file cannot hold is not believed.
    const size_t room = bytes_.size() / 2;
    vertices.reserve(std::min(size_t(std::max(0L, g.vertexLines)), room) * 3);
    faces.reserve(std::min(size_t(std::max(0L, g.faceLines)), room) * 5);
    float xyz[3] = {0, 0, 0};
    long vertexCount = 0, faceCount = 0;
    std::vector<long> corners;
    std::string_view line;
    while ((vertexCount < g.vertexLines || faceCount < g.faceLines) && lines.Next(line)) {
        if (IsVertexLine(line)) {
            if (lines.number() < g.firstVertexLine || vertexCount >= g.vertexLines) continue;
            ParseVertex(line, xyz);
            vertices.insert(vertices.end(), xyz, xyz + 3);
            ++vertexCount;
        } else if (IsFaceLine(line)) {
            if (lines.number() < g.firstFaceLine || faceCount >= g.faceLines) continue;
            ++faceCount;
            long bad = 0;
            if (!AppendFaceTriangles(line, g.vertexOrdinal + vertexCount, corners, faces, bad)) {
                error_ = dez::Format("%s line %ld: face corner %ld is not a vertex",
                                     objPath_.c_str(), lines.number(), bad);
                return false;
            }
        }
    }
    if (!rebase) return true;
    for (size_t i = 0; i < faces.size(); i += 5) {
        for (int c = 1; c <= 3; ++c) {
            const long local = long(faces[i + c]) - g.vertexOrdinal;
            if (local < 0 || local >= vertexCount) {
                error_ = dez::Format("%s: group %d \"%s\" has a face on vertex %ld, not one of its "
                                     "%ld vertices",
                                     objPath_.c_str(), n, g.name.c_str(), long(faces[i + c]) + 1,
                                     vertexCount);
                return false;
            }
            faces[i + c] = int32_t(local);
        }
    }
    return true;
}

bool objloader::ReadGroupVertices(int n, std::vector<float>& out) {
    std::vector<int32_t> faces;
    return ReadGroup(n, out, faces, false);
}

bool objloader::ReadGroupFaces(int n, std::vector<int32_t>& out, bool rebase) {
    std::vector<float> vertices;
    return ReadGroup(n, vertices, out, rebase);
}

bool objloader::ReadAll(std::vector<float>& vertices, std::vector<int32_t>& faces) {
    vertices.clear();
    faces.clear();
    error_.clear();
    if (!open_ || !LoadBytes()) return false;
    // A first quick pass sizes the arrays: no regrowth (and copy) of large meshes.
    {
        Lines count(Text());
        std::string_view line;
        size_t v = 0, f = 0;
        while (count.Next(line)) {
            if (IsVertexLine(line)) ++v;
            else if (IsFaceLine(line)) ++f;
        }
        vertices.reserve(v * 3);
        faces.reserve(f * 5);
    }
    Lines lines(Text());
    float xyz[3] = {0, 0, 0};
    std::vector<long> corners;
    std::string_view line;
    while (lines.Next(line)) {
        if (IsVertexLine(line)) {
            ParseVertex(line, xyz);
            vertices.insert(vertices.end(), xyz, xyz + 3);
        } else if (IsFaceLine(line)) {
            long bad = 0;
            if (!AppendFaceTriangles(line, long(vertices.size() / 3), corners, faces, bad)) {
                error_ = dez::Format("%s line %ld: face corner %ld is not a vertex",
                                     objPath_.c_str(), lines.number(), bad);
                return false;
            }
        }
    }
    const auto count = long(vertices.size() / 3);
    for (size_t i = 0; i < faces.size(); i += 5) {
        for (int c = 1; c <= 3; ++c) {
            if (faces[i + c] >= count) {
                error_ = dez::Format("%s: a face uses vertex %ld of %ld", objPath_.c_str(),
                                     long(faces[i + c]) + 1, count);
                return false;
            }
        }
    }
    return true;
}

bool objloader::ReadAllVertices(std::vector<float>& out) {
    std::vector<int32_t> faces;
    return ReadAll(out, faces);
}

bool objloader::ReadAllFaces(std::vector<int32_t>& out) {
    std::vector<float> vertices;
    return ReadAll(vertices, out);
}
