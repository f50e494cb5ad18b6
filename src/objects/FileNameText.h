#pragma once
// File names as the toolkit's strings carry them. Linux file names are bytes, not always valid
// UTF-8 (a Latin-1 name from an old recording system): the bytes that are not UTF-8 travel as
// private-use characters, so that the name shows and still opens the very file.
#include <string>

#include <wx/string.h>

// The name's bytes for the file system (its UTF-8 text when it is valid UTF-8).
std::string FileNameBytes(const wxString& name);
// The name from file-system bytes; the inverse of FileNameBytes.
wxString FileNameFromBytes(const char* bytes);
