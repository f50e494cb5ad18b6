#pragma once
// One link of the stick figure drawn over the markers of a motion scene: the chain of TSegment
// with a colour, a name, show flags and the GL drawing of its marker spheres and link tubes.
//
// Before each draw the structure copies its render mode, show-links flag, line style, marker
// table and sphere into every link; drawing needs the scene's GL context current.
#include <cstdint>

#include <wx/string.h>

#include "motion/TSegment.h"

struct MarkerDisplay;
class GLUnitSphere;

// Colour of a new link: blue.
extern const SegmentColour default_link_colour;

class wxSegment : public TSegment {
public:
    wxSegment(const char* text, int32_t pointCount, int32_t capacity, float missingValue);

    // Draws the chain: spheres of the markers seen in this frame and a link between consecutive
    // seen markers; a marker not seen breaks the chain. The arguments are not used.
    void Draw(int32_t position, int32_t arg1, int32_t arg2) override;
    // The sphere of chain position k at (x, y, z), unless hidden, missing or exactly at the
    // origin. Nothing in GL_SELECT mode: the scene names every marker itself, and a sphere drawn
    // here would be named after whichever marker the scene named last.
    void DrawMarker(int32_t k, float x, float y, float z) override;
    // A tube (or, with the line style, a line) between two seen markers; GL_RENDER only.
    void DrawLink(float x1, float y1, float z1, float x2, float y2, float z2) override;
    // The sphere of chain position k at the current position: in the marker's colour and radius
    // from the marker table (brighter and 1.5 times larger when selected), else in the chain's
    // own colour and size for that position.
    void DrawPointSphere(int32_t k);
    // Every position of the chain from a table of x, y, z per marker (index = number - 1);
    // numbers outside the table keep their positions.
    void SetPositions(const float* xyz, int32_t markerCount);

    int renderMode;                         // GL_RENDER or GL_SELECT
    bool lineStyle = false;                 // lines of width 2.5 instead of tubes
    wxString name;
    bool show = true;                       // draw this link's lines
    bool showLinks = true;                  // the structure's switch
    bool showMarkers = true;                // draw this link's marker spheres
    MarkerDisplay* markerTable = nullptr;   // not owned; null = the chain's own colours and sizes
    int32_t markerTableSize = 0;
    GLUnitSphere* sphere = nullptr;         // not owned; null = a sphere built at each draw
};

// A line of width 2.5 from a to b.
void DrawLinkLine(const float a[3], const float b[3]);
