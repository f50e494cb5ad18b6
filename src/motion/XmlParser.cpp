#include "motion/XmlParser.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextEncoding.h"
#include "platform/TextUtil.h"

namespace {

// Program-wide settings: documents whose encoding cannot be told use the last one installed.
int gEncoding = kXmlEncodingUtf8;
bool gCheckUtf16 = true;
bool gTrimText = true;
bool gFoldComments = true;

// Bytes of the character that starts with `c`; 0 for NUL, which ends the text.
int CharWidth(int encoding, unsigned char c) {
    if (c == 0) return 0;
    switch (encoding) {
        case kXmlEncodingUtf8:
            if (c >= 0xC2 && c <= 0xDF) return 2;
            if (c >= 0xE0 && c <= 0xEF) return 3;
            if (c >= 0xF0 && c <= 0xF4) return 4;
            return 1;
        case kXmlEncodingShiftJis:
            return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) ? 2 : 1;
        case kXmlEncodingGb2312:
            return (c >= 0xA1 && c <= 0xF7) ? 2 : 1;
        case kXmlEncodingBig5:
        case kXmlEncodingGbk:
            return (c >= 0x81 && c <= 0xFE) ? 2 : 1;
        default:
            return 1;
    }
}

// Offset of the character after the one at `pos`, never beyond `end` nor past a NUL: a lead byte
// announcing more bytes than the text still has stops where the text stops.
size_t Step(const char* text, size_t pos, size_t end, int encoding) {
    const int w = CharWidth(encoding, static_cast<unsigned char>(text[pos]));
    if (w == 0) return pos;
    size_t next = pos + 1;
    for (int k = 1; k < w && next < end && text[next] != '\0'; ++k) ++next;
    return next;
}

bool IsSpace(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

struct ClearMarker {
    const char* opening;
    const char* closing;
};
// Tried in this order wherever a token may start; compared case-sensitively.
constexpr ClearMarker kClearMarkers[] = {
    {"<![CDATA[", "]]>"},
    {"<!DOCTYPE", ">"},
    {"<!--", "-->"},
    {"<PRE>", "</PRE>"},
};

enum class Tok { End, Clear, Quoted, ShortClose, EndTagOpen, DeclOpen, TagOpen, Equals, TagClose, Word };

struct Token {
    Tok type = Tok::End;
    size_t start = 0;
    size_t length = 0;
    int clear = -1;  // index into kClearMarkers
};

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// `raw` starts with the element's name (case ignored) followed by a character that ends a name.
bool TagMatches(const char* name, const char* raw) {
    if (!name) return false;
    const size_t n = std::strlen(name);
    // Equal over n bytes also means `raw` holds n bytes before its end.
    if (dez::CompareNoCaseN(raw, name, n) != 0) return false;
    const char after = raw[n];
    return IsSpace(after) || after == '/' || after == '<' || after == '=' || after == '>';
}

class Parser {
public:
    Parser(const char* text, int encoding) : text_(text), end_(std::strlen(text)), encoding_(encoding) {}

    // Decodes character references and the five named entities of `span`; false (with the
    // code set) on a bad reference.
    bool Decode(size_t from, size_t to, std::string& out) {
        out.clear();
        size_t i = from;
        while (i < to) {
            const char c = text_[i];
            if (c != '&') {
                const size_t next = Step(text_, i, to, encoding_);
                out.append(text_ + i, next - i);
                i = next;
                continue;
            }
            if (i + 1 < to && text_[i + 1] == '#') {
                size_t j = i + 2;
                const bool hex = j < to && (text_[j] == 'x' || text_[j] == 'X');
                if (hex) ++j;
                long value = 0;
                size_t digits = 0;
                for (; j < to && text_[j] != ';'; ++j, ++digits) {
                    const char d = text_[j];
                    int v;
                    if (d >= '0' && d <= '9') {
                        v = d - '0';
                    } else if (hex && d >= 'a' && d <= 'f') {
                        v = d - 'a' + 10;
                    } else if (hex && d >= 'A' && d <= 'F') {
                        v = d - 'A' + 10;
                    } else {
                        return Fail(kXmlUnknownEntity);
                    }
                    // Saturates: every value of 256 or more is refused alike.
                    value = value >= 256 ? 256 : value * (hex ? 16 : 10) + v;
                }
                if (j >= to || digits == 0) return Fail(kXmlUnknownEntity);
                if (value >= 256) return Fail(kXmlCharCodeAbove255);
                out += static_cast<char>(static_cast<unsigned char>(value));
                i = j + 1;
                continue;
            }
            static constexpr struct {
                const char* name;
                char value;
            } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
            bool known = false;
            for (const auto& e : kEntities) {
                const size_t n = std::strlen(e.name);
                if (to - (i + 1) >= n && dez::CompareNoCaseN(text_ + i + 1, e.name, n) == 0) {
                    out += e.value;
                    i += 1 + n;
                    known = true;
                    break;
                }
            }
            if (!known) return Fail(kXmlUnknownEntity);
        }
        return true;
    }

    Token Next() {
        while (IsSpace(text_[offset_])) ++offset_;
        Token t;
        t.start = offset_;
        const char* p = text_ + offset_;
        if (*p == '\0') {
            t.type = Tok::End;
        } else if (int k = ClearAt(p); k >= 0) {
            t.type = Tok::Clear;
            t.clear = k;
            t.length = std::strlen(kClearMarkers[k].opening);
        } else if ((*p == '"' || *p == '\'') && QuotedLength(offset_, &t.length)) {
            t.type = Tok::Quoted;
        } else if (StartsWith(p, "/>")) {
            t.type = Tok::ShortClose;
            t.length = 2;
        } else if (StartsWith(p, "</")) {
            t.type = Tok::EndTagOpen;
            t.length = 2;
        } else if (StartsWith(p, "<?")) {
            t.type = Tok::DeclOpen;
            t.length = 2;
        } else if (*p == '<') {
            t.type = Tok::TagOpen;
            t.length = 1;
        } else if (*p == '=') {
            t.type = Tok::Equals;
            t.length = 1;
        } else if (*p == '>') {
            t.type = Tok::TagClose;
            t.length = 1;
        } else {
            t.type = Tok::Word;
            size_t q = offset_;
            while (text_[q] != '\0' && !IsSpace(text_[q]) && text_[q] != '<' && text_[q] != '=' && text_[q] != '>' &&
                   !StartsWith(text_ + q, "/>")) {
                q = Step(text_, q, end_, encoding_);
            }
            t.length = q - offset_;
        }
        offset_ = t.start + t.length;
        return t;
    }

    // Parses the content of `element`. The top element starts outside any tag; every other
    // starts inside the tag that opened it. False ends the parse (also, normally, at the end of
    // the text).
    bool ParseElement(XmlTreeNode& element, int depth) {
        const bool isTop = depth == 0;
        const bool isDeclaration = element.IsDeclaration();
        bool inside = !isTop;
        enum class Attr { Name, Equals, Value } state = Attr::Name;
        std::string remembered;
        for (;;) {
            const Token t = Next();
            if (t.type == Tok::End) {
                if (!isDeclaration && !isTop) {
                    error_ = kXmlUnmatchedEndTagWarning;
                    saved_ = t.start;
                }
                Flush(element, t.start);
                return false;
            }
            if (!inside) {
                switch (t.type) {
                    case Tok::TagOpen:
                    case Tok::DeclOpen: {
                        if (!Flush(element, t.start)) return false;
                        const Token name = Next();
                        if (name.type != Tok::Word) return Fail(kXmlMissingStartTagName);
                        if (depth >= kXmlMaxDepth) return Fail(kXmlTooDeep);
                        XmlTreeNode child = element.AppendChild(Text(name).c_str(), t.type == Tok::DeclOpen);
                        if (!ParseElement(child, depth + 1)) return false;
                        if (hasPendingEnd_) {
                            if (isTop) return Fail(kXmlUnmatchedEndTag);
                            if (TagMatches(element.GetName(), text_ + pendingEnd_)) hasPendingEnd_ = false;
                            return true;
                        }
                        break;
                    }
                    case Tok::EndTagOpen: {
                        if (!Flush(element, t.start)) return false;
                        const Token name = Next();
                        if (name.type != Tok::Word) return Fail(kXmlMissingEndTagName);
                        const Token close = Next();
                        if (close.type != Tok::TagClose) return Fail(kXmlMissingEndTagName);
                        // A stray end tag at the top closes nothing that is open.
                        if (isTop) return Fail(kXmlUnmatchedEndTag);
                        StartPending(close.start + close.length);
                        if (!TagMatches(element.GetName(), text_ + name.start)) {
                            error_ = kXmlUnmatchedEndTagWarning;
                            saved_ = t.start;
                            hasPendingEnd_ = true;
                            pendingEnd_ = name.start;
                        }
                        element.Compact();
                        return true;
                    }
                    case Tok::Clear:
                        if (!Flush(element, t.start)) return false;
                        if (!ParseClearSection(element, t)) return false;
                        StartPending(offset_);
                        break;
                    default:  // words, quotes, "=", ">" and "/>" are part of the text
                        break;
                }
                continue;
            }
            switch (state) {
                case Attr::Name:
                    if (t.type == Tok::Word) {
                        remembered = Text(t);
                        state = Attr::Equals;
                    } else if (t.type == Tok::TagClose) {
                        inside = false;
                        StartPending(offset_);
                    } else if (t.type == Tok::ShortClose) {
                        element.Compact();
                        StartPending(offset_);
                        return true;
                    } else {
                        return Fail(kXmlUnexpectedToken);
                    }
                    break;
                case Attr::Equals:
                    if (t.type == Tok::Word) {
                        element.AppendAttribute(remembered, nullptr);
                        remembered = Text(t);
                    } else if (t.type == Tok::Equals) {
                        state = Attr::Value;
                    } else if (t.type == Tok::TagClose || t.type == Tok::ShortClose) {
                        StartPending(offset_);
                        bool shortClose = t.type == Tok::ShortClose;
                        if (isDeclaration) {
                            if (!remembered.empty() && remembered.back() == '?') remembered.pop_back();
                            // A declaration nested in an element closes at its "?>"; the one
                            // under the top stays open and holds the rest of the document.
                            if (depth >= 2) shortClose = true;
                        }
                        if (!remembered.empty()) element.AppendAttribute(remembered, nullptr);
                        remembered.clear();
                        if (shortClose) {
                            element.Compact();
                            return true;
                        }
                        inside = false;
                        state = Attr::Name;
                    } else {
                        return Fail(kXmlUnexpectedToken);
                    }
                    break;
                case Attr::Value: {
                    if (t.type != Tok::Word && t.type != Tok::Quoted) return Fail(kXmlUnexpectedToken);
                    size_t from = t.start;
                    size_t to = t.start + t.length;
                    if (isDeclaration && to > from && text_[to - 1] == '?') --to;
                    if (t.type == Tok::Quoted) {
                        ++from;
                        --to;
                    }
                    std::string value;
                    if (!Decode(from, to, value)) return false;
                    if (!remembered.empty()) element.AppendAttribute(remembered, value.c_str());
                    remembered.clear();
                    state = Attr::Name;
                    break;
                }
            }
        }
    }

    // Line and column (1-based, counting characters) of `offset`.
    void Position(size_t offset, int* line, int* column) const {
        *line = 1;
        *column = 1;
        size_t p = 0;
        while (p < offset && p < end_ && text_[p] != '\0') {
            if (text_[p] == '\n') {
                ++*line;
                *column = 1;
            } else {
                ++*column;
            }
            const size_t next = Step(text_, p, end_, encoding_);
            if (next == p) break;
            p = next;
        }
    }

    void StartPending(size_t at) {
        hasPending_ = true;
        pendingStart_ = at;
    }

    int error() const { return error_; }
    size_t offset() const { return offset_; }
    size_t saved() const { return saved_; }

private:
    bool Fail(int code) {
        error_ = code;
        return false;
    }

    std::string Text(const Token& t) const { return std::string(text_ + t.start, t.length); }

    int ClearAt(const char* p) const {
        for (int k = 0; k < static_cast<int>(std::size(kClearMarkers)); ++k) {
            if (StartsWith(p, kClearMarkers[k].opening)) return k;
        }
        return -1;
    }

    // A quote with its partner before the next '<' or the end of the text.
    bool QuotedLength(size_t start, size_t* length) const {
        const char quote = text_[start];
        size_t q = Step(text_, start, end_, encoding_);
        while (text_[q] != '\0' && text_[q] != '<') {
            if (text_[q] == quote) {
                *length = q + 1 - start;
                return true;
            }
            q = Step(text_, q, end_, encoding_);
        }
        return false;
    }

    // The text pending since the last tag, up to `tokenStart`, becomes a text of the element.
    bool Flush(XmlTreeNode& element, size_t tokenStart) {
        if (!hasPending_) return true;
        hasPending_ = false;
        size_t from = pendingStart_;
        size_t to = tokenStart;
        if (from >= to) return true;
        if (gTrimText) {
            while (from < to && IsSpace(text_[from])) ++from;
            while (to > from && IsSpace(text_[to - 1])) --to;
        }
        if (from >= to) return true;
        std::string decoded;
        if (!Decode(from, to, decoded)) return false;
        if (gFoldComments && element.EndsWithTextAndComment()) {
            element.RemoveLastClearSection();
            element.AppendToLastText(decoded);
        } else {
            element.AppendText(std::move(decoded));
        }
        return true;
    }

    bool ParseClearSection(XmlTreeNode& element, const Token& t) {
        const ClearMarker& marker = kClearMarkers[t.clear];
        const size_t from = t.start + t.length;
        size_t to = 0;
        const char* closing = marker.closing;
        if (t.clear == 1) {  // DOCTYPE: ends at ">", or at "]>" when it has an internal subset
            size_t p = from;
            for (;;) {
                const char c = text_[p];
                if (c == '\0') return Fail(kXmlUnmatchedClearTagEnd);
                if (c == '>') {
                    to = p;
                    break;
                }
                if (c == '<') {
                    closing = "]>";
                    const char* hit = std::strstr(text_ + p, closing);
                    if (!hit) return Fail(kXmlUnmatchedClearTagEnd);
                    to = static_cast<size_t>(hit - text_);
                    break;
                }
                p = Step(text_, p, end_, encoding_);
            }
        } else {
            const char* hit = std::strstr(text_ + from, closing);
            if (!hit) return Fail(kXmlUnmatchedClearTagEnd);
            to = static_cast<size_t>(hit - text_);
        }
        offset_ = to + std::strlen(closing);
        element.AppendClearSection(std::string(text_ + from, to - from), marker.opening, closing);
        return true;
    }

    const char* text_;
    size_t end_;
    int encoding_;
    size_t offset_ = 0;
    bool hasPending_ = false;
    size_t pendingStart_ = 0;
    int error_ = kXmlOk;
    size_t saved_ = 0;
    bool hasPendingEnd_ = false;
    size_t pendingEnd_ = 0;
};

XmlTreeNode ParseText(const char* text, const char* firstTag, XmlParseResult* result, int encoding) {
    XmlParseResult r;
    if (!text) {
        r.code = kXmlNoElements;
        if (result) *result = r;
        return XmlTreeNode();
    }
    XmlTreeNode top = XmlTreeNode::CreateDocument();
    Parser parser(text, encoding);
    parser.StartPending(0);
    parser.ParseElement(top, 0);

    // A hard error outranks the mere absence of an element.
    r.code = parser.error();
    if (r.code <= kXmlNoTagFound && top.ChildCount() == 0) r.code = kXmlNoTagFound;

    XmlTreeNode found = top;
    if (top.ChildCount() == 1 && top.TextCount() == 0 && top.ClearSectionCount() == 0 && top.AttributeCount() == 0) {
        found = top.ChildAt(0);
    }
    top.Release();
    if (r.code > kXmlNoTagFound) {
        found.Release();
    } else if (firstTag && *firstTag && (!found.GetName() || !dez::EqualsNoCase(found.GetName(), firstTag))) {
        found = found.ChildByName(firstTag);
        if (found.IsEmpty()) {
            r.code = kXmlFirstTagNotFound;
            if (result) *result = r;
            return XmlTreeNode();
        }
    }
    if (r.code != kXmlOk) {
        parser.Position(r.code == kXmlUnmatchedEndTagWarning ? parser.saved() : parser.offset(), &r.line, &r.column);
    }
    if (result) *result = r;
    return found;
}

}  // namespace

XmlTreeNode XmlParseDocumentText(const char* text, const char* firstTag, XmlParseResult* result) {
    return ParseText(text, firstTag, result, gEncoding);
}

namespace {

// The document from the bytes of a file read once: the text is taken from those bytes only.
XmlTreeNode ParseFileBytes(const std::vector<uint8_t>& bytes, const char* firstTag, XmlParseResult* result) {
    XmlParseResult r;
    if (bytes.empty()) {
        r.code = kXmlNoData;
        if (result) *result = r;
        return XmlTreeNode();
    }
    int encoding = gEncoding;
    std::string text;
    size_t bom = 0;
    const dez::TextEncoding kind = dez::DetectTextEncoding(bytes.data(), bytes.size(), &bom);
    if (gCheckUtf16 && (kind == dez::TextEncoding::Utf16LE || kind == dez::TextEncoding::Utf16BE)) {
        text = dez::Utf16ToUtf8(bytes.data() + bom, bytes.size() - bom, kind == dez::TextEncoding::Utf16BE);
        if (text.empty() && bytes.size() > bom) {
            r.code = kXmlConversionFailed;
            if (result) *result = r;
            return XmlTreeNode();
        }
        // The converted text is UTF-8 whatever the encoding in force.
        encoding = kXmlEncodingUtf8;
    } else {
        const size_t skip = (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
        text.assign(reinterpret_cast<const char*>(bytes.data()) + skip, bytes.size() - skip);
    }
    // NUL bytes inside the file end the text there, as the end of the buffer does.
    return ParseText(text.c_str(), firstTag, result, encoding);
}

// The whole file through the guarded read; false with the reason in *result when it cannot be
// read (or kept changing while it was read).
bool ReadDocumentFile(const char* path, std::vector<uint8_t>& bytes, XmlParseResult* result) {
    XmlParseResult r;
    if (path && dez::ReadWholeFile(path, bytes, &r.reason)) return true;
    r.code = kXmlFileNotFound;
    if (result) *result = r;
    return false;
}

}  // namespace

XmlTreeNode XmlParseDocumentFile(const char* path, const char* firstTag, XmlParseResult* result) {
    std::vector<uint8_t> bytes;
    if (!ReadDocumentFile(path, bytes, result)) return XmlTreeNode();
    return ParseFileBytes(bytes, firstTag, result);
}

int XmlDetectEncoding(const uint8_t* bytes, size_t length, bool useDeclaration) {
    if (!bytes || length < 25) return kXmlEncodingUnknown;
    if (gCheckUtf16) {
        const dez::TextEncoding kind = dez::DetectTextEncoding(bytes, length);
        if (kind == dez::TextEncoding::Utf16LE || kind == dez::TextEncoding::Utf16BE) return kXmlEncodingUnknown;
    }
    if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return kXmlEncodingUtf8;
    bool valid = true;
    for (size_t i = 0; i < length && bytes[i] != 0 && valid;) {
        const int w = CharWidth(kXmlEncodingUtf8, bytes[i]);
        // A character cut by the end of the sample is not held against the text.
        if (i + static_cast<size_t>(w) > length) break;
        for (int k = 1; k < w; ++k) {
            if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) {
                valid = false;
                break;
            }
        }
        i += static_cast<size_t>(w);
    }
    const int guess = valid ? kXmlEncodingUtf8 : kXmlEncodingSingleByte;
    if (!useDeclaration) return guess;

    const size_t n = length < 200 ? length : 200;
    const std::string head(reinterpret_cast<const char*>(bytes), n);
    size_t p = head.find("encoding");
    if (p == std::string::npos) return guess;
    p += 8;
    auto skipBlanks = [&] {
        while (p < n && IsSpace(head[p])) ++p;
    };
    skipBlanks();
    if (p >= n || head[p] != '=') return guess;
    ++p;
    skipBlanks();
    if (p >= n || (head[p] != '"' && head[p] != '\'')) return guess;
    ++p;
    skipBlanks();
    auto is = [&](const char* name) {
        const size_t len = std::strlen(name);
        return n - p >= len && dez::CompareNoCaseN(head.c_str() + p, name, len) == 0;
    };
    if (is("utf-8") || is("utf8")) return valid ? kXmlEncodingUtf8 : kXmlEncodingUnknown;
    if (is("shiftjis") || is("shift-jis") || is("sjis")) return kXmlEncodingShiftJis;
    if (is("GB2312")) return kXmlEncodingGb2312;
    if (is("Big5")) return kXmlEncodingBig5;
    if (is("GBK")) return kXmlEncodingGbk;
    return kXmlEncodingSingleByte;
}

bool XmlSetParseOptions(int encoding, bool checkUtf16, bool trimText, bool foldComments) {
    gCheckUtf16 = checkUtf16;
    gTrimText = trimText;
    gFoldComments = foldComments;
    if (encoding < kXmlEncodingUtf8 || encoding > kXmlEncodingGbk) return true;
    gEncoding = encoding;
    return false;
}

int XmlCurrentEncoding() { return gEncoding; }

const char* XmlErrorMessage(int code) {
    static const char* const kMessages[] = {
        "No error",
        "Warning: Unmatched end tag",
        "Warning: No XML tag found",
        "Error: No XML data",
        "Error: Missing start tag name",
        "Error: Missing end tag name",
        "Error: Unmatched end tag",
        "Error: Unmatched clear tag end",
        "Error: Unexpected token found",
        "Error: No elements found",
        "Error: File not found",
        "Error: First Tag not found",
        "Error: Unknown character entity",
        "Error: Character code above 255 is forbidden in MultiByte char mode.",
        "Error: unable to convert between WideChar and MultiByte chars",
        "Error: unable to open file for writing",
        "Error: cannot write into file",
        "Warning: Base64-string length is not a multiple of 4",
        "Error: Base64-string contains an illegal character",
        "Warning: Base64-string is truncated",
        "Error: Base64 decode output buffer is too small",
        "Error: Elements nested too deeply",
    };
    if (code < 0 || code >= static_cast<int>(std::size(kMessages))) return "Unknown";
    return kMessages[code];
}

XmlTreeNode XmlLoadDocument(const char* path, const char* firstTag, bool* ok, std::string* message) {
    if (ok) *ok = false;
    // One read of the file: the encoding is told from the start of the very bytes parsed.
    XmlParseResult r;
    std::vector<uint8_t> bytes;
    XmlTreeNode node;
    if (ReadDocumentFile(path, bytes, &r)) {
        XmlSetParseOptions(XmlDetectEncoding(bytes.data(), std::min<size_t>(bytes.size(), 200), true), gCheckUtf16,
                           gTrimText, gFoldComments);
        node = ParseFileBytes(bytes, firstTag, &r);
    }
    if (r.code == kXmlOk) {
        if (ok) *ok = true;
    } else if (message) {
        const bool firstTagMissing = r.code == kXmlFirstTagNotFound;
        const std::string problem = XmlErrorMessage(r.code) + (r.reason.empty() ? "" : ": " + r.reason);
        *message =
            dez::Format("XML Parsing error inside file '%s'.\n%s\nAt line %i, column %i.\n%s%s%s", path ? path : "",
                        problem.c_str(), r.line, r.column, firstTagMissing ? "First Tag should be '" : "",
                        firstTagMissing && firstTag ? firstTag : "", firstTagMissing ? "'.\n" : "");
    }
    return node;
}
