#pragma once
// An OBJ model with its MTL material library.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "objects/shape3D.h"

class glmObj : public shape3D {
public:
    glmObj();
    ~glmObj() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
    double GetUnitizeFactor() const { return m_unitizeFactor; }
    double GetSmoothingAngle() const { return m_smoothingAngle; }

private:
    // Size the model is scaled to, and the crease angle (degrees) of its smoothed normals.
    double m_unitizeFactor = 1.0;
    double m_smoothingAngle = 90.0;
};
