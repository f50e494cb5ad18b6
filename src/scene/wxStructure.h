#pragma once
// The stick figure of a motion scene: TStructure's chains as wxSegment links, with their drawing,
// the binding to the scene's marker display records, links built from lists of marker indices,
// and the link part of the display-settings file (section Display_List).
#include <cstdint>

#include <wx/arrstr.h>
#include <wx/dynarray.h>

#include "motion/TStructure.h"

class wxConfigBase;
class wxSegment;
class GLUnitSphere;
struct MarkerDisplay;

class wxStructure : public TStructure {
public:
    // A new structure has no links whatever its text; links come from AddSegment,
    // AppendLinkArray, ReadConfig or the marker-set readers. Parse warnings start off.
    wxStructure(const char* text, int32_t pointCount, float missingValue);

    // Adds one link text, keeping the colours of the links already there (their names and show
    // flags return to the defaults, as every rebuild makes new links). True when added; the
    // parse result is the structure's error.
    bool AddSegment(const char* text) override;
    // Draws link `index` in GL_RENDER mode only.
    void DrawSegment(int32_t index, int32_t arg1, int32_t arg2) override;
    void DrawAll() override;
    // A new link; it also drops the marker-table binding (every rebuild does).
    TSegment* CreateSegment(const char* text, int32_t pointCount) override;

    virtual void SetRenderMode(int mode);
    virtual void SetShowLinks(bool show);
    // Binds the links to `count` marker records (null = the links' own colours and sizes).
    virtual void SetMarkerTable(MarkerDisplay* table, int32_t count);
    // Colour (0-255) and size of the marker in the first link holding it; false when none does.
    virtual bool GetMarkerColour(int32_t number, int rgb[3], float* size);
    virtual void SetShowMarkers(bool show);
    // 0-based marker indices appended as raw text: one link ("-") or single-marker links (",");
    // every link is rebuilt with the defaults.
    virtual void AddLinkArray(const wxArrayInt& indices, bool asOneLink);
    // 0-based marker indices added as one link (closed: back to the first) or as single-marker
    // links for the markers in no link yet.
    virtual void AppendLinkArray(const wxArrayInt& indices, bool asOneLink, bool closed);
    // The text of every link ("1-2-3").
    virtual void GetLinkNames(wxArrayString* out);
    virtual void WriteConfig(wxConfigBase* config);
    // Replaces the links by those of the configuration, when it has any.
    virtual void ReadConfig(wxConfigBase* config);
    virtual bool GetErrorLog() { return GetWarnings(); }
    virtual void SetErrorLog(bool on) { SetWarnings(on); }
    virtual bool IsModified() { return modified_; }

    // Every link is drawn as lines (set while a body model is attached).
    void SetLineStyle(bool on) { lineStyle_ = on; }
    bool GetLineStyle() const { return lineStyle_; }
    // The compiled sphere the links draw their markers with (not owned; may be null).
    void SetSphere(GLUnitSphere* sphere) { sphere_ = sphere; }
    // Positions of every link's markers from x, y, z per marker (index = number - 1).
    void SetPositions(const float* xyz, int32_t markerCount);
    wxSegment* GetLink(int32_t index) const;
    MarkerDisplay* GetMarkerTable() const { return markerTable_; }

private:
    // Logs the failed parse of a link text.
    void WarnAddingLinks(const std::string& text) const;

    int renderMode_;
    bool showLinks_ = true;
    MarkerDisplay* markerTable_ = nullptr;
    int32_t markerTableSize_ = 0;
    bool modified_ = false;
    bool lineStyle_ = false;
    GLUnitSphere* sphere_ = nullptr;
};
