#pragma once
// A polygon mesh read from an SHL text file ("Version: 2"), plain or gzip-compressed: counts of
// vertices, faces and normals, a scale applied to the vertices, then the vertex, face and normal
// records as blank-separated words.
#include <iosfwd>
#include <string_view>

#include <wx/string.h>

#include "shapes/shapeVP.h"

class shapeSHL : public shapeVP {
public:
    shapeSHL();
    ~shapeSHL() override;

    wxString GetTypeName() override;
    // Reads the file (inflated when the path ends in ".gz"), names the shape after the file.
    bool Load(const wxString& path) override;
    // Parses one SHL file from the stream into the mesh and normalises it.
    bool Load(std::istream& in);

private:
    bool Parse(std::string_view text, const wxString& source);
};
