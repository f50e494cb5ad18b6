#include "objects/shape3D.h"

#include <algorithm>
#include <cmath>

#include <wx/filename.h>

shape3D::shape3D() { m_primitiveType = 10; }

shape3D::~shape3D() = default;

wxString shape3D::GetTypeName() { return "3Dshape"; }

void shape3D::Draw() {}

bool shape3D::Load(const wxString&) { return false; }

bool shape3D::Import(const wxString&) { return false; }

bool shape3D::Save() { return false; }

bool shape3D::SaveAs(const wxString&) { return false; }

float shape3D::GetSize() { return m_normaliseSize; }

bool shape3D::GetNormaliseOnLoad() { return m_normaliseOnLoad; }

void shape3D::SetSize(float size) { m_normaliseSize = size; }

void shape3D::SetNormaliseOnLoad(bool normalise) { m_normaliseOnLoad = normalise; }

bool shape3D::IsLoaded() { return m_loaded; }

void shape3D::SetFileName(const wxString& path) { m_fileName = path; }

wxString shape3D::GetFileName() { return m_fileName; }

wxString shape3D::GetInfo() { return m_info; }

wxString shape3D::GetLoadError() { return m_loadError; }

int shape3D::GetPartCount() { return m_partCount; }

void shape3D::GetPartNames(wxArrayString* out) {
    if (out == nullptr) return;
    out->Empty();
    if (!m_fileName.empty()) out->Add(wxFileName(m_fileName).GetName());
}

bool shape3D::GetDrawnBounds(Point3D&, Point3D&) { return false; }

bool shape3D::GetPlacedBoundsCorners(Point3D corners[8]) {
    Point3D low, high;
    if (!GetDrawnBounds(low, high)) return false;
    UpdateTransform();
    // The turn Render gives: angle about the axis of the world orientation (Rodrigues).
    double ax = 0, ay = 0, az = 0, angle = 0;
    m_worldOrientation.GetAxisAngle(&ax, &ay, &az, &angle);
    Point3D axis(ax, ay, az);
    const double length = axis.Length();
    const bool turn = angle != 0 && length > 0;
    if (turn) axis = axis * (1 / length);
    const double c = std::cos(angle), s = std::sin(angle);
    for (int k = 0; k < 8; ++k) {
        const Point3D p((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y, (k & 4) ? high.z : low.z);
        Point3D q = p;
        if (turn) {
            const Point3D cross = axis.CrossProduct(p);
            const double along = axis.x * p.x + axis.y * p.y + axis.z * p.z;
            q = p * c + cross * s + axis * (along * (1 - c));
        }
        corners[k] = q + m_worldPosition;
    }
    return true;
}

bool shape3D::BoundsOfPoints(const float* xyz, size_t count, Point3D& low, Point3D& high) {
    bool any = false;
    for (size_t i = 0; i < count; ++i) {
        const float* p = xyz + 3 * i;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        for (int a = 0; a < 3; ++a) {
            low[a] = any ? std::min(low[a], double(p[a])) : p[a];
            high[a] = any ? std::max(high[a], double(p[a])) : p[a];
        }
        any = true;
    }
    return any;
}
