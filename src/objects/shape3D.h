#pragma once
// A scene object loaded from a file: the file name, a size meshes are normalised to, the loaded
// flag, a one-line information text and a part count, and the file operations that the concrete
// shapes implement (the base answers false).
#include <wx/arrstr.h>
#include <wx/string.h>

#include "objects/object3D.h"

class shape3D : public object3D {
public:
    shape3D();
    ~shape3D() override;

    wxString GetTypeName() override;
    // A file shape draws its own body; the base draws nothing.
    void Draw() override;

    virtual bool Load(const wxString& path);
    virtual bool Import(const wxString& path);
    virtual bool Save();
    virtual bool SaveAs(const wxString& path);
    virtual float GetSize();
    virtual bool GetNormaliseOnLoad();
    virtual void SetSize(float size);
    virtual void SetNormaliseOnLoad(bool normalise);
    virtual bool IsLoaded();
    virtual void SetFileName(const wxString& path);
    virtual wxString GetFileName();
    virtual wxString GetInfo();
    virtual int GetPartCount();
    // Empties the list and adds the file's name without folder and extension (when a file name
    // is set); nothing for a null list.
    virtual void GetPartNames(wxArrayString* out);
    // The reader's reason for the last failed Load or Import, "" when it gave none.
    virtual wxString GetLoadError();
    // The box holding everything the object draws at any of its frames, in its own drawing
    // units (before its placement in the scene); false when it draws nothing. The view frames
    // the object by it.
    virtual bool GetDrawnBounds(Point3D& low, Point3D& high);
    // The eight corners of that box where the object's position and orientation put them, as
    // Render draws it; false without a box.
    bool GetPlacedBoundsCorners(Point3D corners[8]);

protected:
    // The box of `count` points stored x, y, z one after the other; points with a coordinate
    // that is not finite are left out. False when no point is left.
    static bool BoundsOfPoints(const float* xyz, size_t count, Point3D& low, Point3D& high);

    float m_normaliseSize = 1.0f;
    bool m_normaliseOnLoad = true;
    bool m_loaded = false;
    wxString m_fileName;
    wxString m_loadError;
    wxString m_info;
    int m_partCount = 1;
};
