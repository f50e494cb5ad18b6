#include "objects/shape3D.h"

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
