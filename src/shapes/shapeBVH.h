#pragma once
// A BVH skeleton and its recorded motion.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "objects/shape3D.h"

class shapeBVH : public shape3D {
public:
    shapeBVH();
    ~shapeBVH() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
    double GetScale() const { return m_scale; }

private:
    double m_scale = 1.0;
};
