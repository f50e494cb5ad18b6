#include "model/VrmlText.h"

#include <ostream>

namespace vrml {

ClassicNumbers::ClassicNumbers(std::ostream& out) : out_(out), saved_(out.getloc()) {
    if (!(saved_ == std::locale::classic())) {
        out_.imbue(std::locale::classic());
        changed_ = true;
    }
}

ClassicNumbers::~ClassicNumbers() {
    if (changed_) out_.imbue(saved_);
}

void Indent(std::ostream& out, int level) {
    for (int i = 0; i < level; ++i) out << "    ";
}

std::string Identifier(const std::string& text) {
    std::string id = text.empty() ? std::string("_") : text;
    for (char& c : id) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '"' || c == '#' || c == '\'' || c == ',' || c == '.' ||
            c == '[' || c == ']' || c == '\\' || c == '{' || c == '}')
            c = '_';
    }
    const char first = id[0];
    if ((first >= '0' && first <= '9') || first == '+' || first == '-') id[0] = '_';
    return id;
}

}  // namespace vrml
