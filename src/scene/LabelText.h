#pragma once
// Texts of a recording (labels, event names) are bytes: UTF-8 when the file was written so, else
// a single-byte code page. The scene object shows them through the toolkit's strings.
#include <string>

#include <wx/string.h>

// UTF-8 bytes as such, anything else taken as Latin-1.
wxString LabelToWx(const std::string& bytes);
// The bytes a label given by the user is compared with (UTF-8).
std::string WxToLabel(const wxString& text);
