#include "objects/FileNameText.h"

#include <wx/strconv.h>

namespace {

const wxMBConvUTF8& Converter() {
    static const wxMBConvUTF8 conv(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conv;
}

}  // namespace

std::string FileNameBytes(const wxString& name) {
    const wxCharBuffer bytes = name.mb_str(Converter());
    return bytes.data() ? std::string(bytes.data(), bytes.length()) : name.utf8_string();
}

wxString FileNameFromBytes(const char* bytes) { return bytes ? wxString(bytes, Converter()) : wxString(); }
