#pragma once
// Small scene objects for the tests: a primitive with settable body and time model, and one
// whose saved state (position, colour, a counter) goes to a text file.
#include <cstdlib>
#include <fstream>
#include <string>

#include <wx/string.h>

#include "objects/object3D.h"
#include "objects/shape3D.h"

class TestObject : public object3D {
public:
    void SetPrimitive(int type, float sx, float sy, float sz) {
        m_primitiveType = type;
        m_size[0] = sx;
        m_size[1] = sy;
        m_size[2] = sz;
    }
    void SetTexture(unsigned int texture) { m_texture = texture; }
    void SetShowLabel(bool show) { m_showLabel = show; }
    void SetRotationRingsAllowed(bool allowed) { m_rotationRingsAllowed = allowed; }
    // A motion of `frames` frames at `rate` Hz playing over the whole range.
    void SetMotion(int frames, double rate) {
        m_frameCount = frames;
        m_frameRate = rate;
        m_framePeriod = 1.0 / rate;
        m_duration = (frames - 1) * m_framePeriod;
        SetFirstFrame(0);
        SetLastFrame(frames - 1);
    }
    double StartTime() const { return m_startTime; }
    double EndTime() const { return m_endTime; }
    double CurrentTime() const { return m_currentTime; }
    const Point3D& Position() const { return m_position; }
    const Point3D& Offset() const { return m_offset; }
    const Matrix4x4& FreeRotation() const { return m_freeRotation; }
    void SetCurrentFrame(int frame) { m_currentFrame = frame; }

    void UpdateTransform() override {
        ++updates;
        object3D::UpdateTransform();
    }
    int updates = 0;
};

// Saves its position and colour as text; `failSave` / `failLoad` make the operations fail
// (a save that fails still writes part of the file first, as a full disk would).
class StateObject : public TestObject {
public:
    bool SaveState(const wxString& path) override {
        std::ofstream out(path.utf8_string(), std::ios::trunc);
        out << m_position.x << " " << m_position.y << " " << m_position.z << " " << m_colour[0];
        lastSaved = path;
        return !failSave && static_cast<bool>(out);
    }
    bool LoadState(const wxString& path) override {
        if (failLoad) return false;
        std::ifstream in(path.utf8_string());
        double x, y, z;
        float r;
        if (!(in >> x >> y >> z >> r)) return false;
        m_position.Set(x, y, z);
        m_colour[0] = r;
        UpdateTransform();
        return true;
    }
    bool failSave = false;
    bool failLoad = false;
    wxString lastSaved;
};

class TestShape : public shape3D {};
