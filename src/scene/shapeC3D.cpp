// shapeC3D: construction, loading, the time model, saving, saved states, the model's lifecycle
// and the movie companions. Drawing, selection and events, and the display-settings files are in
// shapeC3DDraw.cpp, shapeC3DSelection.cpp and shapeC3DSettings.cpp.
#include "scene/shapeC3D.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <cstring>

#include <wx/intl.h>
#include <wx/log.h>

#include "gl/AppSettings.h"
#include "model/C3DModel.h"
#include "gl/GLBitmapFont.h"
#include "objects/FileNameText.h"
#include "scene/LabelText.h"
#include "motion/TDataFile.h"
#include "scene/wxStructure.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

#include <GL/gl.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The default body model is built after every refresh of the links; nothing turns it off.
constexpr bool run_default_model = true;

std::string Utf8(const wxString& s) { return FileNameBytes(s); }

wxString StemOfPath(const wxString& path) { return wxString::FromUTF8(dez::StemOf(Utf8(path))); }

// The .dlp file beside a recording: same folder and name.
wxString DisplaySettingsPathFor(const wxString& path) {
    if (path.empty()) return wxString();
    return wxString::FromUTF8(dez::ReplaceExtension(Utf8(path), ".dlp"));
}

// Removes a temporary file when the scope ends.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) dez::RemoveFile(path_);
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

shapeC3D::shapeC3D() {
    m_id = 0;
    m_primitiveType = 11;
    m_rotationRingsAllowed = false;
    m_modified = false;
    m_loaded = false;
    m_frameRate = 0;
}

shapeC3D::~shapeC3D() {
    if (m_model) m_model->ClearUndo();
    object3D::ClearUndo();
    shapeC3D::Clear();
    DeleteGLBitmapFont(m_plateFont);
    m_plateFont = nullptr;
}

wxString shapeC3D::GetTypeName() { return "c3d"; }

Point3D* shapeC3D::GetWorldPosition() { return &m_drawnCentre; }

void shapeC3D::DeleteModel() {
    if (!m_model) return;
    // The model's saved states are its own temporary files: remove them with it.
    m_model->ClearUndo();
    m_model.reset();
}

void shapeC3D::Clear() {
    DeleteModel();
    object3D::Clear();
    // A motion scene draws its own body, whatever clearing the base did.
    m_primitiveType = 11;
    m_rotationRingsAllowed = false;
    std::fill(m_bounds, m_bounds + 6, 0.0f);
    m_boundsMeasured = false;
    m_markers.clear();
    m_isModelOutput.clear();
    m_inLink.clear();
    m_linkPositions.clear();
    m_markerCount = 0;
    m_duration = 0;
    m_framePeriod = 0;
    m_currentTime = 0;
    m_frameRate = 0;
    m_frameCount = 0;
    m_currentFrame = 0;
    m_data.reset();
    ++m_dataGeneration;
    m_forceHistories.clear();
    m_loaded = false;
    m_divisor = 1000.0;
    m_links.reset();
    m_plateCount = 0;
    if (m_platesList != 0) glDeleteLists(m_platesList, 1);
    m_platesList = 0;
    m_displaySettingsFile.clear();
}

void shapeC3D::TakeCounts() {
    m_frameCount = m_data->GetFrameCount();
    m_frameRate = m_data->GetPointRate();
    m_framePeriod = m_frameRate != 0 ? 1.0 / m_frameRate : 0.0;
    m_duration = m_frameCount * m_framePeriod;
    m_missingValue = m_data->missingValue;
    m_markerCount = m_data->GetNumberOfPoints();
    m_plateCount = std::min<int32_t>(m_data->GetPlateCount(), kMaxPlates);
}

bool shapeC3D::Load(const wxString& path) {
    // A new recording starts a new history: states of the previous one must not be restored
    // into it.
    ClearUndo();
    m_modelInSavedState = 0;
    Clear();
    auto data = std::make_unique<TDataFile>(Utf8(path).c_str(), 1, 1, bvh_scale);
    if (!data->HasPoints()) {
        Clear();
        m_loadError = wxString::FromUTF8(data->GetErrorText());
        return false;
    }
    m_data = std::move(data);
    // A damaged file that still loads says what it lost (the reader has printed it to the Log);
    // the note stays readable here too.
    m_loadError = wxString::FromUTF8(m_data->GetErrorText() != nullptr ? m_data->GetErrorText() : "");
    ++m_dataGeneration;
    m_loading = 1;
    m_modified = false;
    m_fileName = path;
    m_divisor = m_data->GetUnitFactor(-1);
    Reload(path);
    m_loading = 1;
    m_modified = false;
    m_data->GetBoundingBox(m_bounds, 6, false, &m_boundsMeasured);
    for (float& b : m_bounds) b = static_cast<float>(b / m_divisor);
    std::string up(m_data->yScreen, strnlen(m_data->yScreen, sizeof m_data->yScreen));
    up = dez::ToLowerAscii(up);
    if (up == "+y") {
        SetOrientationAngles(kPi / 2, 0, 0);
        m_upAxis = 1;
    } else if (up == "-y") {
        SetOrientationAngles(-kPi / 2, 0, 0);
        m_upAxis = 1;
    } else if (up == "+x") {
        SetOrientationAngles(0, kPi / 2, 0);
        m_upAxis = 0;
    } else if (up == "-x") {
        SetOrientationAngles(0, -kPi / 2, 0);
        m_upAxis = 0;
    } else {
        m_upAxis = 2;
    }
    m_loaded = true;
    m_loading = 0;
    return true;
}

void shapeC3D::Reload(const wxString& path) {
    if (!m_data || !m_data->HasPoints()) return;
    m_loading = 1;
    m_name = StemOfPath(path);
    TakeCounts();
    m_divisor = m_data->GetUnitFactor(-1);
    SetFirstFrame(0);
    SetLastFrame(m_frameCount - 1);
    Refresh(true);
    m_loading = 0;
}

void shapeC3D::Refresh(bool reset) {
    if (!m_data) return;
    // Outside a load the current settings are carried through the rebuild in a temporary file.
    std::unique_ptr<TempFileGuard> carried;
    if (m_loading == 0) {
        carried = std::make_unique<TempFileGuard>(dez::MakeTempFile("", "mi"));
        if (!carried->path().empty())
            SaveDisplaySettingsFile(wxString::FromUTF8(carried->path()));
    }
    TakeCounts();
    m_info = wxString::Format(_("Markers : %d - Frames : %d - duration :%.3f (s) - rate %.0f (fps)"),
                              m_markerCount, m_frameCount, m_duration, m_frameRate);
    if (m_data->playLast >= m_frameCount) SetLastFrame(m_frameCount - 1);
    if (m_data->playFirst >= m_data->playLast) SetFirstFrame(0);
    m_loadedFrameCount = m_frameCount;
    if (reset) {
        m_referenceMarker = -1;
        m_relative = 0;
        RebuildMarkerRecords();
        m_links.reset();
        if (m_markerCount > 0) {
            m_links = std::make_unique<wxStructure>(m_data->stickText, m_markerCount,
                                                    m_missingValue);
            m_data->LoadMarkerSet(m_links.get());
        }
        m_missingValue = m_data->missingValue;
        m_displaySettingsFile = DisplaySettingsPathFor(m_fileName);
        ApplyLinks();
        if (!m_displaySettingsFile.empty() && dez::FileExists(Utf8(m_displaySettingsFile)))
            LoadDisplaySettingsFile(m_displaySettingsFile);
        if (run_default_model && m_modelInSavedState == 0) check_model();
    }
    if (carried && !carried->path().empty() && dez::FileExists(carried->path()))
        LoadDisplaySettingsFile(wxString::FromUTF8(carried->path()));
    carried.reset();
    BindLinks();
}

void shapeC3D::RebuildMarkerRecords() {
    m_markers.assign(static_cast<size_t>(std::max(m_markerCount, 0)), MarkerDisplay());
    for (int32_t i = 0; i < m_markerCount; ++i)
        m_markers[static_cast<size_t>(i)].SetDefaults(m_data->PointLabel(i));
    UpdateMarkerFlags();
}

void shapeC3D::ApplyLinks() {
    if (m_links && m_links->GetText() && *m_links->GetText()) {
        m_links->SetMissingValue(m_missingValue);
        m_showUnlinkedMarkers = 0;
        if (m_links->HasMarkerAttributes()) {
            for (int32_t i = 0; i < static_cast<int32_t>(m_markers.size()); ++i) {
                int rgb[3];
                float size = 0.0f;
                if (!m_links->GetMarkerColour(i + 1, rgb, &size)) continue;
                MarkerDisplay& m = m_markers[static_cast<size_t>(i)];
                // Skeleton files give sizes in millimetres or in metres.
                m.radius = size > 0.1f ? size / 1000.0f : size;
                m.red = rgb[0] / 255.0f;
                m.green = rgb[1] / 255.0f;
                m.blue = rgb[2] / 255.0f;
            }
        } else {
            for (int32_t i = 0; i < static_cast<int32_t>(m_markers.size()); ++i) {
                if (m_links->ContainsPoint(i + 1)) continue;
                MarkerDisplay& m = m_markers[static_cast<size_t>(i)];
                m.radius = 0.012f;
                m.red = 0.0f;
                m.green = 1.0f;
                m.blue = 0.0f;
            }
        }
    } else {
        m_links.reset();
        m_showUnlinkedMarkers = 1;
        for (MarkerDisplay& m : m_markers) {
            m.red = 0.0f;
            m.green = 1.0f;
            m.blue = 1.0f;
        }
    }
}

void shapeC3D::BindLinks() {
    if (m_links) {
        m_links->SetMarkerTable(m_markers.empty() ? nullptr : m_markers.data(),
                                static_cast<int32_t>(m_markers.size()));
        m_links->SetSphere(&m_sphere);
        m_links->SetLineStyle(m_model != nullptr);
    }
    UpdateMarkerFlags();
}

void shapeC3D::UpdateMarkerFlags() {
    const size_t n = m_markers.size();
    m_isModelOutput.assign(n, 0);
    m_inLink.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const int32_t index = static_cast<int32_t>(i);
        if (m_data && m_data->IsModelOutputPoint(index)) m_isModelOutput[i] = 1;
        if (m_links && m_links->ContainsPoint(index + 1)) m_inLink[i] = 1;
    }
}

void shapeC3D::NewLinks() {
    m_links = std::make_unique<wxStructure>("", m_markerCount, m_missingValue);
}

bool shapeC3D::ResetStructure(const wxString& path) {
    if (!m_data || !dez::FileExists(Utf8(path)) || m_markerCount <= 0) return false;
    std::cout << _("Reset structure  : ").utf8_str().data() << Utf8(path) << std::endl;
    m_referenceMarker = -1;
    m_relative = 0;
    RebuildMarkerRecords();
    NewLinks();
    const std::string file = Utf8(path);
    const std::string ext = dez::ExtensionOf(file);
    bool read = false;
    if (ext == ".vsk")
        read = m_data->LoadVskFile(file.c_str(), m_links.get());
    else if (ext == ".mkr")
        read = m_data->LoadMkrFile(file.c_str(), nullptr, m_links.get());
    if (read) {
        // A marker-set file may give the points its own order and names.
        for (int32_t i = 0; i < static_cast<int32_t>(m_markers.size()); ++i)
            m_markers[static_cast<size_t>(i)].name = m_data->PointLabel(i);
    } else {
        m_links.reset();
        wxLogWarning("Error : %s", LabelToWx(m_data->GetErrorText()));
        wxLogWarning("Error loading marker file : %s", path);
    }
    if (m_links) ApplyLinks();
    BindLinks();
    return read;
}

bool shapeC3D::Import(const wxString& path) {
    ClearUndo();
    m_modelInSavedState = 0;
    Clear();
    const std::string file = Utf8(path);
    auto data = std::make_unique<TDataFile>(0, 0, 0.0f, 0, 0, 3);
    if (!data->ImportAnalogFile(file.c_str())) {
        wxLogError("Unable to load analog data : %s", path);
        return false;
    }
    m_loading = 1;
    m_modified = false;
    if (data->analog) {
        const int32_t columns = data->analog->GetCols();
        const float rate = data->GetAnalogRate();
        data = std::make_unique<TDataFile>(1, columns, rate, 0, 0, 3);
        data->ImportAnalogFile(file.c_str());
        m_data = std::move(data);
        ++m_dataGeneration;
        m_fileName = path;
        m_name = StemOfPath(path);
        TakeCounts();
        m_divisor = m_data->GetUnitFactor(-1);
        m_data->GetBoundingBox(m_bounds, 6, false, &m_boundsMeasured);
        for (float& b : m_bounds) b = static_cast<float>(b / m_divisor);
        SetFirstFrame(0);
        SetLastFrame(m_frameCount - 1);
        Refresh(true);
        m_modified = false;
        m_loaded = true;
    }
    m_loading = 0;
    return m_loaded;
}

bool shapeC3D::Save() {
    if (!m_displaySettingsFile.empty()) SaveDisplaySettingsFile(m_displaySettingsFile);
    if (!m_data || !m_data->Save()) return false;
    m_modified = false;
    return true;
}

bool shapeC3D::SaveAs(const wxString& path) {
    if (!m_data) return false;
    if (!m_data->SaveFile(Utf8(path).c_str(), kFileC3D)) return false;
    SetFileName(path);
    // The recording now lives in a C3D file: a later Save must write C3D there.
    m_data->kind = kFileC3D;
    m_modified = false;
    return true;
}

void shapeC3D::SetFileName(const wxString& path) {
    m_fileName = path;
    if (path.empty()) {
        m_name.clear();
        return;
    }
    m_name = StemOfPath(path);
    if (m_data) m_data->SetPath(Utf8(path).c_str());
}

double shapeC3D::SetFirstFrame(int n) {
    const double t = object3D::SetFirstFrame(n);
    if (m_data) m_data->playFirst = n;
    return t;
}

double shapeC3D::SetLastFrame(int n) {
    const double t = object3D::SetLastFrame(n);
    if (m_data) m_data->playLast = n;
    return t;
}

bool shapeC3D::SaveState(const wxString& path) {
    return m_data && m_data->SaveFile(Utf8(path).c_str(), kFileC3D);
}

bool shapeC3D::LoadState(const wxString& path) {
    if (!m_data) return false;
    // Read into a fresh recording and take it only when the read succeeded, so a damaged state
    // file leaves the current recording as it is. The C3D reader is called directly: the state
    // file's folder (the temporary folder) must not be searched for marker-set companions.
    auto fresh = std::make_unique<TDataFile>(nullptr, m_data->markerSetFlag, m_data->secondFlag,
                                             m_data->bvhScale);
    if (!fresh->TC3DData::LoadC3D(Utf8(path).c_str(), true, true, true) || !fresh->HasPoints())
        return false;
    ReplaceText(fresh->path, m_data->path);
    fresh->kind = m_data->kind;
    fresh->keepGroups = m_data->keepGroups;
    std::memcpy(fresh->stickText, m_data->stickText, sizeof fresh->stickText);
    fresh->playFirst = 0;
    fresh->playLast = fresh->GetFrameCount();
    m_data = std::move(fresh);
    ++m_dataGeneration;
    m_forceHistories.clear();
    return true;
}

bool shapeC3D::PushUndo(const wxString& description) {
    const bool pushed = object3D::PushUndo(description);
    if (pushed) {
        if (m_model) {
            m_model->PushUndo(description, m_data.get());
            m_modelInSavedState = 1;
        } else {
            m_modelInSavedState = 0;
        }
    }
    return pushed;
}

bool shapeC3D::Undo() {
    const bool restored = object3D::Undo();
    if (restored) {
        Reload(m_fileName);
        if (m_model) m_model->Undo(m_data.get());
    }
    return restored;
}

void shapeC3D::ClearUndo() {
    if (m_model) m_model->ClearUndo();
    object3D::ClearUndo();
}

void shapeC3D::SetWireframe(bool wireframe) {
    m_wireframe = wireframe;
    if (m_model) m_model->SetWireframe(wireframe);
}

// ---- body model ----

BodySegment* shapeC3D::GetModelSegment(int i) {
    if (!m_model || i < 0 || i >= m_model->SegmentCount || i >= kMaxModelSegments) return nullptr;
    return m_model->Segments[i].get();
}

bool shapeC3D::CreateModel() {
    if (m_model)
        m_model->Reset(true);
    else
        m_model = std::make_unique<C3DModel>();
    if (m_links) m_links->SetLineStyle(true);
    if (m_data) m_model->Divide = m_data->GetUnitFactor(-1);
    return m_model != nullptr;
}

void shapeC3D::DropModel() {
    DeleteModel();
    if (m_links) m_links->SetLineStyle(false);
}

bool shapeC3D::LoadModel(const wxString& path) {
    // Built aside, so that a model that fails to build leaves the one shown before in place.
    auto fresh = std::make_unique<C3DModel>();
    if (m_data) fresh->Divide = m_data->GetUnitFactor(-1);
    const bool built = fresh->BuildModel(m_data.get(), path, false) && fresh->SegmentCount > 0;
    if (!built) {
        fresh->ClearUndo();
        return false;
    }
    // The saved states of the model shown before belong to it: they go with it.
    if (m_model) m_model->ClearUndo();
    m_model = std::move(fresh);
    if (m_links) m_links->SetLineStyle(true);
    return true;
}

void shapeC3D::check_model() {
    if (LoadModel(wxString())) return;
    // A recording that names no model files simply has no model: nothing to warn about.
    // (Files written by this program carry a blank DFN:MODEL.)
    if (m_data && m_data->dfnModel && !dez::TrimBlanks(m_data->dfnModel).empty())
        wxLogWarning(_("Error running default model!"));
}

// ---- movies ----

wxArrayString shapeC3D::GetVideoFiles() {
    m_videoFiles.Empty();
    if (!m_data) return m_videoFiles;
    const std::string file = Utf8(m_fileName);
    const std::string folder = dez::FolderOf(file);
    const std::string stem = dez::StemOf(file);
    const int32_t count = std::min<int32_t>(m_data->movieCount, kMaxMovies);
    for (int32_t i = 0; i < count; ++i) {
        const char* raw = m_data->movieIds[i];
        const std::string id(raw, strnlen(raw, sizeof m_data->movieIds[i]));
        const std::string first = dez::JoinPath(folder, id);
        if (!id.empty() && dez::FileExists(first)) {
            m_videoFiles.Add(wxString::FromUTF8(first));
            continue;
        }
        const std::string second =
            dez::JoinPath(folder, id.empty() ? stem + ".avi" : stem + "." + id + ".avi");
        if (dez::FileExists(second)) m_videoFiles.Add(wxString::FromUTF8(second));
    }
    return m_videoFiles;
}

float shapeC3D::GetMovieDelay(int i) {
    if (!m_data || i < 0 || i >= m_data->movieCount || i >= kMaxMovies) return 0.0f;
    return m_data->movieDelays[i];
}

bool shapeC3D::SetMovieDelay(int i, float delay) {
    return m_data && m_data->SetMovieDelay(i, delay);
}

// ---- direct access ----

MarkerDisplay* shapeC3D::GetMarkerDisplay(int index) {
    if (index < 0 || index >= static_cast<int>(m_markers.size())) return nullptr;
    return &m_markers[static_cast<size_t>(index)];
}

PlateDisplay* shapeC3D::GetPlateDisplay(int plate) {
    if (plate < 0 || plate >= kMaxPlates) return nullptr;
    return &m_plates[plate];
}
