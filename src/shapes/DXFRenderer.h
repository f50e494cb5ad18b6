#pragma once
// A DXF drawing: the LINE and 3DFACE entities of an ASCII DXF file (gzip-compressed when the name
// ends in ".gz"), coloured by their own colour number or their layer's, scaled into the shape's
// size on load and drawn in immediate mode, so a wireframe change needs no rebuild.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <wx/colour.h>
#include <wx/string.h>

#include "objects/shape3D.h"

struct DXFLayer {
    std::string name;
    int colour = 7;
};

struct DXFEntity {
    enum Kind { Line = 0, Face = 1 };
    Kind kind = Line;
    int colour = 7;  // always a palette index, 1 to 255
    // A line uses corners 0 and 1; a face all four, the fourth equal to the third for a triangle.
    float corners[4][3] = {};
    float normal[3] = {};  // unit normal of a face's outline; 0 when it has no area
};

// The RGB colour of an AutoCAD Color Index number; indices outside 0 to 255 give white.
wxColour ACIColourToRGB(int index);

class DXFRenderer : public shape3D {
public:
    DXFRenderer();
    ~DXFRenderer() override;

    wxString GetTypeName() override;
    void Draw() override;
    bool GetDrawnBounds(Point3D& low, Point3D& high) override;
    void Clear() override;
    bool Load(const wxString& path) override;

    // Reads a drawing from DXF text (after Clear): false, with the reason in GetError, when a
    // section is not closed. Load reads the file and calls it.
    bool ParseText(std::string_view text);
    const std::vector<DXFLayer>& GetLayers() const { return m_layers; }
    const std::vector<DXFEntity>& GetEntities() const { return m_entities; }
    const std::string& GetError() const { return m_error; }

private:
    class PairReader;
    bool ParseSections(PairReader& in);
    bool SkipSection(PairReader& in);
    bool ParseTables(PairReader& in);
    bool ParseEntities(PairReader& in);
    int GetLayerColour(std::string_view name) const;
    void NormaliseEntities();

    std::vector<DXFLayer> m_layers;
    // The first layer of each name, for the colour lookups of the entities.
    std::unordered_map<std::string, int> m_layerColours;
    std::vector<DXFEntity> m_entities;
    std::string m_error;
};
