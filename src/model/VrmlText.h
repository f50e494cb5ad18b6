#pragma once
// Helpers shared by the VRML97 writers of the model's glyphs and of the motion scene.
#include <iosfwd>
#include <locale>
#include <string>

namespace vrml {

// Numbers go out with "." whatever locale the stream was given: the guard puts the classic
// locale on the stream while it lives and gives the old one back afterwards.
class ClassicNumbers {
public:
    explicit ClassicNumbers(std::ostream& out);
    ~ClassicNumbers();
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    std::ostream& out_;
    std::locale saved_;
    bool changed_ = false;
};

// Four spaces per level; nothing for a level of 0 or less.
void Indent(std::ostream& out, int level);

// A text made into a valid VRML97 identifier: characters a reader would take as the end of the
// name (blanks, controls, quotes, '#', ',', '.', brackets, braces, backslash) become '_', and so
// does a leading digit, '+' or '-'; an empty text gives "_". Bytes above 127 (UTF-8) are kept.
std::string Identifier(const std::string& text);

}  // namespace vrml
