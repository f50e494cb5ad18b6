#include "motion/MkrFile.h"

#include <istream>
#include <sstream>
#include <vector>

#include "platform/GuardedRead.h"
#include "platform/TextEncoding.h"
#include "platform/TextUtil.h"

bool ReadMkrText(const std::string& path, std::string& text, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(path, bytes, error)) return false;
    size_t bom = 0;
    const dez::TextEncoding kind = dez::DetectTextEncoding(bytes.data(), bytes.size(), &bom);
    if (kind == dez::TextEncoding::Utf16LE || kind == dez::TextEncoding::Utf16BE) {
        text = dez::Utf16ToUtf8(bytes.data() + bom, bytes.size() - bom, kind == dez::TextEncoding::Utf16BE);
        return true;
    }
    // Labels are compared byte for byte with the recording's, so single-byte text stays as it is.
    const size_t skip = kind == dez::TextEncoding::Utf8 ? bom : 0;
    text.assign(reinterpret_cast<const char*>(bytes.data()) + skip, bytes.size() - skip);
    return true;
}

bool ReadTrimmedLine(std::istream& in, std::string& line) {
    std::string raw;
    while (std::getline(in, raw)) {
        if (raw.size() >= kMkrLineMax) return false;
        line = dez::TrimBlanks(raw);
        if (!line.empty()) return true;
    }
    return false;
}

int GetMkrVersion(const std::string& path) {
    std::string text;
    if (!ReadMkrText(path, text)) return -1;
    std::istringstream in(text);
    std::string line;
    if (!ReadTrimmedLine(in, line)) return -1;
    if (dez::EqualsNoCase(line, "!MKR#2")) return 2;
    if (dez::EqualsNoCase(line, "!MKR#1")) return 1;
    return 0;
}
