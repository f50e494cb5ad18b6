// VRML97 export of the motion scene: plates, markers, link pieces and the model's glyphs as
// Transform nodes, position and orientation interpolators keyed over the play range, one looping
// timer and the routes between them.
#include "scene/shapeC3D.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <ostream>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/utils.h>

#include "model/C3DModel.h"
#include "model/ModelObject.h"
#include "model/VrmlText.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"
#include "scene/wxSegment.h"
#include "scene/wxStructure.h"

namespace {

// Where a marker without a sample at a key frame goes: far out of sight.
constexpr double kMissingPosition = 99999.0;

// Lets pending GUI events run with the application's windows disabled, so that nothing else can
// start during a long export; nothing without a GUI application (tests, batch use).
void SafeYield() {
    // Asked of the console base: wxTheApp would cast a console application to a GUI one.
    const wxAppConsole* app = wxAppConsole::GetInstance();
    if (app && app->IsGUI()) wxSafeYield(nullptr, true);
}

void ProgressRange(wxGauge* progress, int count) {
    if (progress && count > 0) progress->SetRange(count);
}

void ProgressValue(wxGauge* progress, int value) {
    if (progress && value >= 0 && value <= progress->GetRange()) progress->SetValue(value);
}

// A recording without a usable rate is keyed and timed as if at 1 Hz, never with inf or nan.
double UsableRate(double rate) { return std::isfinite(rate) && rate > 0 ? rate : 1.0; }

}  // namespace

// ---- the whole scene ----

bool shapeC3D::ExportVRML(std::ostream& out, double sampling, wxGauge* progress) {
    if (!m_data || !m_visible) return true;
    if (!out) return false;
    vrml::ClassicNumbers numbers(out);
    m_vrmlIndent = 0;
    UpdateTransform();
    if (m_plateCount > 0) WriteVRMLPlates(out);
    WriteVRMLMarkers(out, sampling, progress);
    if (m_model) {
        WriteVRMLSegmentObjects(out, sampling, progress);
        WriteVRMLJointObjects(out, sampling, progress);
    }
    WriteVRMLRoutes(out);
    // The model's glyphs were posed frame by frame: back to the frame shown.
    if (m_model) {
        for (int i = 0; i <= m_model->SegmentCount; ++i) m_model->UpdateSegmentObject(i, m_currentFrame);
        for (int j = 0; j < m_model->JointCount; ++j) m_model->UpdateJointObject(j, m_currentFrame);
    }
    UpdateTransform();
    out.flush();
    return static_cast<bool>(out);
}

void shapeC3D::WriteIndent(std::ostream& out) { vrml::Indent(out, m_vrmlIndent); }

// ---- plates ----

bool shapeC3D::VrmlPlateGeometry(int p) {
    if (!m_data || p < 0 || p >= m_plateCount || p >= kMaxPlates) return false;
    float a = 0, b = 0, centre[3], raw[12];
    if (!m_data->GetPlateSize(p, &a, &b) || !m_data->GetPlateCentre(p, centre) ||
        !m_data->GetPlateCorners(p, raw))
        return false;
    // The records hold what the last draw stored; an export before any draw needs them too.
    PlateDisplay& plate = m_plates[p];
    for (int k = 0; k < 3; ++k) {
        float mean = 0.0f;
        for (int c = 0; c < 4; ++c) mean += static_cast<float>(raw[3 * c + k] / m_divisor) / 4;
        plate.centre[k] = mean;
    }
    plate.size[0] = static_cast<float>(a / m_divisor);
    plate.size[1] = static_cast<float>(b / m_divisor);
    plate.thickness = 0.1f;
    return true;
}

void shapeC3D::WriteVRMLPlates(std::ostream& out) {
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) {
        const PlateDisplay& plate = m_plates[p];
        if (!plate.showPlate || !VrmlPlateGeometry(p)) continue;
        ModelObject glyph(p, wxString::Format("Force_plate_%d", p), plate.plateColour[0], plate.plateColour[1],
                          plate.plateColour[2], plate.size[0], plate.size[1], plate.thickness, ModelObject::kBox);
        glyph.colour[3] = plate.plateColour[3];
        glyph.SetPosition(plate.centre[0], plate.centre[1], plate.centre[2]);
        // Nothing animates a plate: its node carries its place itself.
        glyph.ownTransform = true;
        glyph.WriteVRMLGeometry(out, p, "PLATE", &m_vrmlIndent);
    }
}

// ---- markers and links ----

bool shapeC3D::VrmlMarkerPosition(int index, int frame, double out[3]) {
    if (!ScenePosition(index, frame, out)) return false;
    if (!m_relative) return true;
    // Relative to the reference at that same frame, as the view shows it.
    double reference[3] = {m_referencePosition[0], m_referencePosition[1], m_referencePosition[2]};
    if (m_referenceMarker >= 0 && m_referenceMarker < m_markerCount) {
        ScenePosition(m_referenceMarker, frame, reference);
    } else if (m_referenceMarker >= kModelItemBase && m_model) {
        const int k = m_referenceMarker - kModelItemBase;
        if (k <= m_model->SegmentCount)
            m_model->UpdateSegmentObject(k, frame);
        else
            m_model->UpdateJointObject(k - m_model->SegmentCount - 1, frame);
        float p[3];
        if (m_model->GetItemPosition(m_referenceMarker, p))
            for (int c = 0; c < 3; ++c) reference[c] = p[c];
    } else {
        return true;
    }
    for (int c = 0; c < 3; ++c) out[c] -= reference[c];
    return true;
}

std::vector<shapeC3D::VrmlPiece> shapeC3D::VrmlLinkPieces() {
    std::vector<VrmlPiece> pieces;
    if (!m_links) return pieces;
    for (int l = 0; l < m_links->GetSegmentCount(); ++l) {
        const wxSegment* link = m_links->GetLink(l);
        if (!link || !link->show || link->GetCount() < 2) continue;
        const int32_t* numbers = link->GetPoints();
        for (int k = 0; k + 1 < link->GetCount(); ++k) {
            const int a = numbers[k] - 1, b = numbers[k + 1] - 1;
            const double length = MeanDistance(a, b);
            if (length > 0) pieces.push_back({l, a, b, length});
        }
    }
    return pieces;
}

void shapeC3D::WriteVRMLMarkers(std::ostream& out, double sampling, wxGauge* progress) {
    const int count = m_data ? m_data->GetNumberOfPoints() : 0;
    ProgressRange(progress, count);
    for (int i = 0; i < count; ++i) {
        if (IsMarkerDisplayed(i)) {
            ProgressValue(progress, i + 1);
            const MarkerDisplay& marker = m_markers[static_cast<size_t>(i)];
            // A sphere of the marker's own radius, as the view draws it.
            const float diameter = 2.0f * marker.radius;
            ModelObject glyph(i, wxString::FromUTF8(marker.name), marker.red, marker.green, marker.blue, diameter,
                              diameter, diameter, ModelObject::kSphere);
            glyph.colour[3] = marker.alpha;
            std::fill(glyph.specular, glyph.specular + 4, 0.5f);
            glyph.glyphLength = diameter;
            glyph.SetPosition(marker.position[0], marker.position[1], marker.position[2]);
            glyph.WriteVRMLGeometry(out, i, "MKR", &m_vrmlIndent);
            WriteVRMLPositionInterpolator(out, i, "MKR", kVrmlMarker, &glyph, sampling);
        }
        SafeYield();
    }
    if (!m_links) return;
    const std::vector<VrmlPiece> pieces = VrmlLinkPieces();
    ProgressRange(progress, m_links->GetSegmentCount());
    size_t next = 0;
    for (int l = 0; l < m_links->GetSegmentCount(); ++l) {
        for (; next < pieces.size() && pieces[next].link == l; ++next) {
            const VrmlPiece& piece = pieces[next];
            const int n = static_cast<int>(next);
            const SegmentColour& c = m_links->GetLink(l)->GetColour();
            ModelObject glyph(n, wxString::Format("Segment_%d", n), c.red / 256.0f, c.green / 256.0f,
                              c.blue / 256.0f, 0.0015f, 0.0015f, static_cast<float>(piece.length),
                              ModelObject::kCylinder);
            glyph.WriteVRMLGeometry(out, n, "SEG", &m_vrmlIndent);
            WriteVRMLOrientationInterpolator(out, n, "SEG", kVrmlLink, &glyph, sampling, piece.a, piece.b);
            WriteVRMLPositionInterpolator(out, n, "SEG", kVrmlLink, &glyph, sampling, piece.a, piece.b);
        }
        ProgressValue(progress, l + 1);
        SafeYield();
    }
}

// ---- the model's glyphs ----

ModelObject* shapeC3D::VrmlSegmentGlyph(int i) {
    if (!m_model || !m_model->showSegments || i < 0 || i >= m_model->SegmentCount) return nullptr;
    ModelObject* glyph = m_model->GetSegmentObject(i);
    return glyph && glyph->show && glyph->WritesVRMLNode() ? glyph : nullptr;
}

ModelObject* shapeC3D::VrmlJointGlyph(int j) {
    if (!m_model || !m_model->showJoints || j < 0 || j >= m_model->JointCount) return nullptr;
    ModelObject* glyph = m_model->GetJointObject(j);
    return glyph && glyph->show && glyph->WritesVRMLNode() ? glyph : nullptr;
}

void shapeC3D::WriteVRMLGroup(std::ostream& out, const std::function<void()>& children) {
    WriteIndent(out);
    out << "Group {" << std::endl;
    ++m_vrmlIndent;
    WriteIndent(out);
    out << "children [" << std::endl;
    ++m_vrmlIndent;
    children();
    --m_vrmlIndent;
    WriteIndent(out);
    out << "] " << std::endl;
    --m_vrmlIndent;
    WriteIndent(out);
    out << "}" << std::endl;
}

void shapeC3D::WriteVRMLSegmentObjects(std::ostream& out, double sampling, wxGauge* progress) {
    if (!m_model || !m_model->showSegments || m_model->SegmentCount <= 0) return;
    const int count = m_model->SegmentCount;
    ProgressRange(progress, count);
    WriteVRMLGroup(out, [&] {
        for (int i = 0; i < count; ++i) {
            ProgressValue(progress, i);
            if (ModelObject* glyph = VrmlSegmentGlyph(i)) {
                m_model->UpdateSegmentObject(i, m_firstFrame);
                glyph->WriteVRMLGeometry(out, i, "OBJ", &m_vrmlIndent);
                WriteVRMLOrientationInterpolator(out, i, "OBJ", kVrmlSegmentObject, glyph, sampling);
                WriteVRMLPositionInterpolator(out, i, "OBJ", kVrmlSegmentObject, glyph, sampling);
            }
            SafeYield();
        }
    });
}

void shapeC3D::WriteVRMLJointObjects(std::ostream& out, double sampling, wxGauge* progress) {
    if (!m_model || !m_model->showJoints || m_model->JointCount <= 0) return;
    const int count = m_model->JointCount;
    ProgressRange(progress, count);
    WriteVRMLGroup(out, [&] {
        for (int j = 0; j < count; ++j) {
            ProgressValue(progress, j);
            if (ModelObject* glyph = VrmlJointGlyph(j)) {
                m_model->UpdateJointObject(j, m_firstFrame);
                glyph->WriteVRMLGeometry(out, j, "JNT", &m_vrmlIndent);
                WriteVRMLOrientationInterpolator(out, j, "JNT", kVrmlJointObject, glyph, sampling);
                WriteVRMLPositionInterpolator(out, j, "JNT", kVrmlJointObject, glyph, sampling);
            }
        }
    });
}

// ---- interpolators ----

std::vector<int> shapeC3D::VrmlKeyFrames(double sampling) {
    std::vector<int> frames;
    const double ratio = sampling / UsableRate(GetFrameRate());
    long long step = 1;
    if (ratio >= static_cast<double>(INT_MAX))
        step = INT_MAX;
    else if (ratio >= 1.0)
        step = static_cast<long long>(ratio);
    for (long long f = m_firstFrame; f <= m_lastFrame; f += step) frames.push_back(static_cast<int>(f));
    return frames;
}

void shapeC3D::VrmlArrayBegin(std::ostream& out, const char* head) {
    WriteIndent(out);
    out << head << std::endl;
    ++m_vrmlIndent;
    WriteIndent(out);
}

void shapeC3D::VrmlArrayNext(std::ostream& out, int written, int first, int then) {
    if (written == first || (written > first && (written - first) % then == 0)) {
        out << std::endl;
        WriteIndent(out);
    }
}

void shapeC3D::VrmlArrayEnd(std::ostream& out) {
    --m_vrmlIndent;
    out << std::endl;
    WriteIndent(out);
    out << "]" << std::endl;
}

void shapeC3D::WriteVRMLKeys(std::ostream& out, double sampling) {
    const double span = static_cast<double>(m_lastFrame) - m_firstFrame + 1;
    VrmlArrayBegin(out, "key [");
    int written = 0;
    for (int f : VrmlKeyFrames(sampling)) {
        out << (f - m_firstFrame) / span << " ";
        VrmlArrayNext(out, ++written, 12, 11);
    }
    VrmlArrayEnd(out);
}

void shapeC3D::WriteVRMLKeyValues(std::ostream& out, VrmlKind kind, int index, ModelObject* glyph, double sampling,
                                  bool translation) {
    VrmlArrayBegin(out, "keyValue [");
    int written = 0;
    // Only this node's values are computed at each key: the export stays linear in nodes x keys.
    for (int f : VrmlKeyFrames(sampling)) {
        if (kind == kVrmlMarker) {
            double p[3];
            if (!VrmlMarkerPosition(index, f, p)) p[0] = p[1] = p[2] = kMissingPosition;
            glyph->SetPosition(p[0], p[1], p[2]);
        } else if (m_model && glyph) {
            // Unposed first: a frame the model has no value for must not keep the previous key's pose.
            glyph->SetPosition(glyph->missingValue, glyph->missingValue, glyph->missingValue);
            glyph->SetRotation(0, 0, 0, 1);
            if (kind == kVrmlSegmentObject)
                m_model->UpdateSegmentObject(index, f);
            else
                m_model->UpdateJointObject(index, f);
            // Where the view hides the glyph, the VRML puts it out of sight as it does a missing marker.
            if (!glyph->HasPose()) {
                glyph->WriteVRMLUnposed(out, translation);
                out << ", ";
                VrmlArrayNext(out, ++written, 4, 3);
                continue;
            }
        } else {
            continue;
        }
        glyph->WriteVRMLTransform(out, translation);
        out << ", ";
        VrmlArrayNext(out, ++written, 4, 3);
    }
    VrmlArrayEnd(out);
}

void shapeC3D::WriteVRMLLinkKeyValues(std::ostream& out, int a, int b, ModelObject* glyph, double sampling,
                                      bool translation) {
    VrmlArrayBegin(out, "keyValue [");
    int written = 0;
    for (int f : VrmlKeyFrames(sampling)) {
        double pa[3], pb[3];
        if (Distance(a, b, f) > 0 && VrmlMarkerPosition(a, f, pa) && VrmlMarkerPosition(b, f, pb)) {
            glyph->SetPosition(static_cast<float>((pa[0] + pb[0]) / 2), static_cast<float>((pa[1] + pb[1]) / 2),
                               static_cast<float>((pa[2] + pb[2]) / 2));
            // A VRML97 cylinder runs along its y axis (not z, as the glyphs drawn in the view):
            // the turn of y onto a -> b lays it along the link.
            double q[4], axisAngle[4] = {0, 0, 0, 0};
            if (Point3D(pa[0], pa[1], pa[2]).DirectionQuaternion(Point3D(pb[0], pb[1], pb[2]), q, 1, 2)) {
                Quaternion turn;
                turn.Set(q);
                turn.ToAxisAngle(axisAngle);
            }
            glyph->SetRotation(axisAngle[3] * 180.0 / M_PI, axisAngle[0], axisAngle[1], axisAngle[2]);
        } else {
            glyph->SetPosition(kMissingPosition, kMissingPosition, kMissingPosition);
            glyph->SetRotation(0, 0, 0, 0);
        }
        glyph->WriteVRMLTransform(out, translation);
        out << ", ";
        VrmlArrayNext(out, ++written, 4, 3);
    }
    VrmlArrayEnd(out);
}

void shapeC3D::WriteVRMLPositionInterpolator(std::ostream& out, int index, const wxString& prefix, VrmlKind kind,
                                             ModelObject* glyph, double sampling, int markerA, int markerB) {
    if (!glyph) return;
    WriteIndent(out);
    out << "DEF POS_INT_" << prefix.utf8_string() << "_" << index << " PositionInterpolator {" << std::endl;
    ++m_vrmlIndent;
    WriteVRMLKeys(out, sampling);
    if (kind == kVrmlLink)
        WriteVRMLLinkKeyValues(out, markerA, markerB, glyph, sampling, true);
    else
        WriteVRMLKeyValues(out, kind, index, glyph, sampling, true);
    --m_vrmlIndent;
    WriteIndent(out);
    out << "}" << std::endl;
}

void shapeC3D::WriteVRMLOrientationInterpolator(std::ostream& out, int index, const wxString& prefix, VrmlKind kind,
                                                ModelObject* glyph, double sampling, int markerA, int markerB) {
    if (!glyph) return;
    WriteIndent(out);
    out << "DEF ROT_INT_" << prefix.utf8_string() << "_" << index << " OrientationInterpolator {" << std::endl;
    ++m_vrmlIndent;
    WriteVRMLKeys(out, sampling);
    if (kind == kVrmlLink)
        WriteVRMLLinkKeyValues(out, markerA, markerB, glyph, sampling, false);
    else
        WriteVRMLKeyValues(out, kind, index, glyph, sampling, false);
    --m_vrmlIndent;
    WriteIndent(out);
    out << "}" << std::endl;
}

// ---- routes ----

void shapeC3D::WriteVRMLRoutes(std::ostream& out) {
    const double cycle = (static_cast<double>(m_lastFrame) - m_firstFrame + 1) / UsableRate(GetFrameRate());
    out << std::endl;
    out << "#------------------[ Animation ]----------------" << std::endl;
    out << "DEF TIMER TimeSensor {" << std::endl;
    out << "    cycleInterval " << cycle << std::endl;
    out << "    loop TRUE" << std::endl;
    out << "}" << std::endl;
    out << std::endl;
    const int count = m_data ? m_data->GetNumberOfPoints() : 0;
    for (int i = 0; i < count; ++i) {
        if (!IsMarkerDisplayed(i)) continue;
        out << "ROUTE TIMER.fraction_changed TO POS_INT_MKR_" << i << ".set_fraction" << std::endl;
        out << "ROUTE POS_INT_MKR_" << i << ".value_changed TO MKR_" << i << ".set_translation" << std::endl;
        out << std::endl;
    }
    out << std::endl;
    auto animated = [&out](const char* name, int n) {
        out << "ROUTE TIMER.fraction_changed TO ROT_INT_" << name << "_" << n << ".set_fraction" << std::endl;
        // No blank before ".value_changed": readers such as Coin3D refuse a route written so.
        out << "ROUTE ROT_INT_" << name << "_" << n << ".value_changed TO " << name << "_" << n << ".set_rotation"
            << std::endl;
        out << "ROUTE TIMER.fraction_changed TO POS_INT_" << name << "_" << n << ".set_fraction" << std::endl;
        out << "ROUTE POS_INT_" << name << "_" << n << ".value_changed TO " << name << "_" << n
            << ".set_translation" << std::endl;
        out << std::endl;
    };
    const size_t pieces = VrmlLinkPieces().size();
    for (size_t n = 0; n < pieces; ++n) animated("SEG", static_cast<int>(n));
    if (!m_model) return;
    for (int i = 0; i < m_model->SegmentCount; ++i)
        if (VrmlSegmentGlyph(i)) animated("OBJ", i);
    for (int j = 0; j < m_model->JointCount; ++j)
        if (VrmlJointGlyph(j)) animated("JNT", j);
}
