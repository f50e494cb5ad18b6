#pragma once
// A polygon mesh read from a vertex-and-polygon text file (extension TXV, header
// "#vertex and polygon text file"), plain or gzip-compressed: counts of vertices and faces, then
// each vertex with its normal and the face records as blank-separated words.
#include <iosfwd>
#include <string_view>

#include <wx/string.h>

#include "shapes/shapeVP.h"

class shapeTVP : public shapeVP {
public:
    shapeTVP();
    ~shapeTVP() override;

    wxString GetTypeName() override;
    // Reads the file (inflated when the path ends in ".gz"), names the shape after the file.
    bool Load(const wxString& path) override;
    // Parses one TXV file from the stream into the mesh and normalises it.
    bool Load(std::istream& in);

private:
    bool Parse(std::string_view text, const wxString& source);
};
