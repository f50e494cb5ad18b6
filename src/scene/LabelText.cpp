#include "scene/LabelText.h"

#include <cstdint>

#include "platform/TextEncoding.h"

wxString LabelToWx(const std::string& bytes) {
    if (dez::IsValidUtf8(bytes.data(), bytes.size())) return wxString::FromUTF8(bytes.data(), bytes.size());
    const std::string utf8 =
        dez::Latin1ToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

std::string WxToLabel(const wxString& text) { return text.utf8_string(); }
