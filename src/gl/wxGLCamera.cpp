#include "gl/wxGLCamera.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <limits>
#include <locale>
#include <ostream>
#include <string>

#include <wx/confbase.h>
#include <wx/datstrm.h>
#include <wx/intl.h>
#include <wx/txtstrm.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include "gl/AppSettings.h"
#include "gl/ReadConfigDouble.h"
#include "platform/NumberText.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The settings are edited by the user; a value that would divide by zero (or flip the sense of a
// step) is ignored for the defaults it replaced.
double ZoomFactor() { return camera_zoom_factor > 0 ? camera_zoom_factor : 250.0; }
double MoveDivisor() { return camera_move > 0 ? camera_move : 200.0; }
double DefaultLens() { return camera_default_lens > 0 ? camera_default_lens : 45.0; }

// The camera's GL calls are skipped without a current context (maths-only use, tests).
bool HaveGLContext() { return glXGetCurrentContext() != nullptr; }

// The text forms always carry a decimal point, whatever locale the stream has.
class ClassicLocale {
public:
    explicit ClassicLocale(std::ios& stream)
        : stream_(stream), previous_(stream.imbue(std::locale::classic())) {}
    ~ClassicLocale() { stream_.imbue(previous_); }
    ClassicLocale(const ClassicLocale&) = delete;
    ClassicLocale& operator=(const ClassicLocale&) = delete;

private:
    std::ios& stream_;
    std::locale previous_;
};

wxString G(double v) { return wxString::FromUTF8(dez::Format("%g", v)); }

// Shortest text that reads back to the same double, with "." whatever the locale.
wxString ConfigReal(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return wxString::FromUTF8(buf, static_cast<size_t>(r.ptr - buf));
}

bool Flag(long value) { return (value & 0xFF) != 0; }

// The stream under a wxDataInputStream, reached through the base's protected member (the class
// has no accessor), to tell a complete last read from a cut one: a short read is no error there.
struct DataInputAccess : wxDataInputStream {
    static wxInputStream* Stream(wxDataInputStream& in) {
        wxInputStream* wxDataInputStream::*member = &DataInputAccess::m_input;
        return in.*member;
    }
};

}  // namespace

struct wxGLCamera::Record {
    Point3D eye, centre;
    bool perspective = true;
    double lens = 45, cmin = 0, cmax = 0, znear = 0, zfar = 0;
    bool orbital = true, showCamera = false, showField = false;
};

wxGLCamera::wxGLCamera() { Reset(); }

wxGLCamera::~wxGLCamera() = default;

wxGLCamera::Record wxGLCamera::Save() const {
    Record r;
    r.eye = eye_;
    r.centre = centre_;
    r.perspective = perspective_;
    r.lens = lens_;
    r.cmin = cmin_;
    r.cmax = cmax_;
    r.znear = znear_;
    r.zfar = zfar_;
    r.orbital = orbital_;
    r.showCamera = showCamera_;
    r.showField = showField_;
    return r;
}

void wxGLCamera::Restore(const Record& r) {
    eye_ = r.eye;
    centre_ = r.centre;
    perspective_ = r.perspective;
    lens_ = r.lens;
    cmin_ = r.cmin;
    cmax_ = r.cmax;
    znear_ = r.znear;
    zfar_ = r.zfar;
    orbital_ = r.orbital;
    showCamera_ = r.showCamera;
    showField_ = r.showField;
}

namespace {

// Copies a point into optional outputs of the caller's precision.
template <typename T>
void CopyPoint(const Point3D& p, T* x, T* y, T* z) {
    if (x) *x = static_cast<T>(p.x);
    if (y) *y = static_cast<T>(p.y);
    if (z) *z = static_cast<T>(p.z);
}

}  // namespace

void wxGLCamera::Update() {
    direction_ = centre_ - eye_;
    stepLength_ = 1;
    previousEye_ = eye_;
    ApplyProjection(true);
}

void wxGLCamera::SetCentre(double x, double y, double z) {
    centre_.Set(x, y, z);
    Update();
    ApplyProjection(true);
}

void wxGLCamera::GetCentre(float* x, float* y, float* z) const { CopyPoint(centre_, x, y, z); }

void wxGLCamera::GetCentre(double* x, double* y, double* z) const { CopyPoint(centre_, x, y, z); }

void wxGLCamera::SetCentre(const Point3D& centre) {
    centre_ = centre;
    direction_ = centre_ - eye_;
}

void wxGLCamera::SetEye(double x, double y, double z) {
    eye_.Set(x, y, z);
    Update();
    ApplyProjection(true);
}

void wxGLCamera::GetEye(float* x, float* y, float* z) const { CopyPoint(eye_, x, y, z); }

void wxGLCamera::GetEye(double* x, double* y, double* z) const { CopyPoint(eye_, x, y, z); }

void wxGLCamera::SetEye(const Point3D& eye) {
    eye_ = eye;
    Update();
    ApplyProjection(true);
}

void wxGLCamera::Resize(int width, int height) {
    if (height > 0) aspect_ = static_cast<double>(width) / height;
    // A window of no width (a collapsed pane) keeps the pan scale it had.
    if (width > 0) panScale_ = (cmax_ - cmin_) * 5 / width * aspect_;
    if (HaveGLContext()) glViewport(0, 0, std::max(width, 0), std::max(height, 0));
    ApplyProjection(true);
}

void wxGLCamera::ApplyProjection(bool loadIdentity) {
    direction_ = centre_ - eye_;
    if (!HaveGLContext()) return;
    if (loadIdentity) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
    }
    if (perspective_) {
        // The near plane is the single-precision 0.1 the view has always used.
        gluPerspective(lens_, aspect_, static_cast<double>(0.1f), zfar_);
    } else {
        // A box around the centre as seen from the eye, 20 half-heights deep on either side.
        const double d = direction_.Length();
        const double h = d * std::sin(lens_ / 2 * kPi / 180);
        if (h > 0) glOrtho(-h * aspect_, h * aspect_, -h, h, d - 20 * h, d + 20 * h);
    }
    glMatrixMode(GL_MODELVIEW);
}

void wxGLCamera::SetPerspective(bool perspective) {
    perspective_ = perspective;
    ApplyProjection(true);
}

bool wxGLCamera::IsPerspective() const { return perspective_; }

void wxGLCamera::SetOrbital(bool orbital) {
    orbital_ = orbital;
    ApplyProjection(true);
}

bool wxGLCamera::IsOrbital() const { return orbital_; }

void wxGLCamera::ApplyView() {
    direction_ = centre_ - eye_;
    if (!HaveGLContext()) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye_.x, eye_.y, eye_.z, centre_.x, centre_.y, centre_.z, up_.x, up_.y, up_.z);
    if (!orbital_) glMultMatrixd(rotation_.m);
}

void wxGLCamera::SetClipping(double cmin, double cmax, double znear, double zfar) {
    cmin_ = cmin;
    cmax_ = cmax;
    znear_ = znear;
    zfar_ = zfar;
    crange_ = cmax_ - cmin_;
    ApplyProjection(true);
}

void wxGLCamera::GrowClipping(double low, double high) {
    if (low < cmin_) cmin_ = low;
    if (high > cmax_) cmax_ = high;
    const double g = 5 * std::fabs(high - low);
    if (low < znear_) znear_ = low - g;
    if (high > zfar_) zfar_ = high + g;
    crange_ = cmax_ - cmin_;
    ApplyProjection(true);
}

void wxGLCamera::OrbitAround(double azimuthStep, double polarStep, double px, double py,
                             double pz) {
    const Point3D pivot(px, py, pz);
    Point3D v = eye_ - pivot;
    double r = 0, theta = 0, phi = 0;
    v.GetSpherical(&r, &theta, &phi);
    phi += azimuthStep;
    theta += polarStep;
    // A polar angle carried below 0 is reflected, so the eye never crosses the pole.
    v.SetSpherical(r, std::fabs(theta), phi);
    eye_ = pivot + v;
    ApplyProjection(true);
}

void wxGLCamera::Orbit(double azimuthStep, double polarStep) {
    OrbitAround(azimuthStep, polarStep, centre_.x, centre_.y, centre_.z);
}

void wxGLCamera::Rotate(double a, double b) {
    if (orbital_) {
        Orbit(-b, -a);
    } else {
        rotation_.PreRotateX(a);
        rotation_.PreRotateZ(b);
    }
    ApplyProjection(true);
}

void wxGLCamera::RotateAxis(int axis, double angle) {
    if (orbital_) {
        if (axis == 2)
            Orbit(angle, 0);
        else if (axis == 0 || axis == 1)
            Orbit(0, angle);
    } else {
        rotation_.Rotate(axis, angle);
    }
    ApplyProjection(true);
}

void wxGLCamera::ResetOrientation() {
    rotation_.SetIdentity();
    if (orbital_) {
        const double d = (centre_ - eye_).Length();
        eye_ = centre_ + Point3D(0.001 * d, -d, 0.001 * d);
    }
    Update();
    ApplyProjection(true);
}

void wxGLCamera::ResetLens() {
    lens_ = DefaultLens();
    ApplyProjection(true);
}

void wxGLCamera::ZoomOut() {
    if (camera_zoom_inc <= 0) camera_zoom_inc = 0.05;
    const double s = crange_ / ZoomFactor();
    // Narrowing the range never lets cmax fall below cmin.
    if (cmax_ - s >= cmin_ + s) {
        cmin_ += s;
        cmax_ -= s;
    }
    lens_ = std::min(lens_ * (1 + camera_zoom_inc), 179.0);
    Update();
    ApplyProjection(true);
}

void wxGLCamera::ZoomIn() {
    if (camera_zoom_inc <= 0) camera_zoom_inc = 0.05;
    const double s = crange_ / ZoomFactor();
    if (cmax_ + s >= cmin_ - s) {
        cmin_ -= s;
        cmax_ += s;
    }
    lens_ = std::max(lens_ / (1 + camera_zoom_inc), 0.01);
    Update();
    ApplyProjection(true);
}

double wxGLCamera::GetLens() const { return lens_; }

void wxGLCamera::SetLens(double lens) {
    if (!(lens > 0)) return;
    lens_ = lens;
    ApplyProjection(true);
}

void wxGLCamera::PlaceEyeForPreset(double dx, double dy, double dz, int turnAxis,
                                   double turnAngle) {
    if (orbital_) {
        const double d = (centre_ - eye_).Length();
        eye_ = centre_ + Point3D(dx * d, dy * d, dz * d);
    } else {
        rotation_.Rotate(turnAxis, turnAngle);
    }
    Update();
    direction_ = centre_ - eye_;
    ApplyProjection(true);
}

// The 0.001 offsets keep the line of sight off the up vector (0, 0, 1).
void wxGLCamera::ViewTop() { PlaceEyeForPreset(0, 0.001, 1, 0, kPi / 2); }
void wxGLCamera::ViewLeft() { PlaceEyeForPreset(-1, 0, 0, 2, kPi); }
void wxGLCamera::ViewRight() { PlaceEyeForPreset(1, 0, 0, 2, kPi); }
void wxGLCamera::ViewFront() { PlaceEyeForPreset(0, 1, 0, 2, kPi / 2); }
void wxGLCamera::ViewBack() { PlaceEyeForPreset(0, -1, 0, 2, kPi / 2); }
void wxGLCamera::ViewBottom() { PlaceEyeForPreset(0, 0.001, -1, 0, kPi / 2); }

void wxGLCamera::Step(int axis, double sign, bool moveCentre) {
    const double s = sign * (cmax_ - cmin_) / MoveDivisor();
    eye_[axis] += s;
    if (moveCentre) centre_[axis] += s;
    ApplyProjection(true);
}

void wxGLCamera::StepXMinus(bool moveCentre) { Step(0, -1, moveCentre); }
void wxGLCamera::StepXPlus(bool moveCentre) { Step(0, 1, moveCentre); }
void wxGLCamera::StepZPlus() { Step(2, 1, true); }
void wxGLCamera::StepZMinus(bool moveCentre) { Step(2, -1, moveCentre); }
void wxGLCamera::StepYPlus(bool moveCentre) { Step(1, 1, moveCentre); }
void wxGLCamera::StepYMinus(bool moveCentre) { Step(1, -1, moveCentre); }

void wxGLCamera::Dolly(double t) {
    direction_ = centre_ - eye_;
    // t >= 1 would put the eye on or past the centre, after which the view flips or degenerates.
    if (!(t < 1)) return;
    eye_ = eye_ + direction_ * t;
    ApplyProjection(true);
}

void wxGLCamera::MoveEye(const Point3D& v) {
    eye_ = eye_ + v;
    ApplyProjection(true);
}

void wxGLCamera::MoveEye(double dx, double dy, double dz) { MoveEye(Point3D(dx, dy, dz)); }

void wxGLCamera::MoveEyeTo(double x, double y, double z, bool aim) {
    eye_.Set(x, y, z);
    if (aim) {
        if (eye_.Differs(previousEye_)) {
            direction_ = (eye_ - previousEye_) * (cmax_ - cmin_);
            centre_ = eye_ + direction_;
        }
        previousEye_ = eye_;
    } else {
        Update();
    }
    ApplyProjection(true);
}

void wxGLCamera::StepEye(Point3D& v, double length) {
    v.Normalize();
    const double sign = stepLength_ > 0 ? 1.0 : (stepLength_ < 0 ? -1.0 : 0.0);
    v = v * (sign * length);
    previousEye_ = eye_;
    stepLength_ = length;
    eye_ = eye_ + v;
    ApplyProjection(true);
}

void wxGLCamera::FollowTarget(double x, double y, double z, bool storeOffset) {
    centre_.Set(x, y, z);
    if (storeOffset)
        followOffset_ = eye_ - centre_;
    else
        eye_ = centre_ + followOffset_;
    ApplyProjection(true);
}

void wxGLCamera::Pan(double dx, double dy) {
    double px = dx / MoveDivisor();
    double py = dy / MoveDivisor();
    if (perspective_) {
        const double f = lens_ * 0.25 / DefaultLens();
        px *= f;
        py *= f;
    }
    Point3D forward = centre_ - eye_;
    forward.Normalize();
    Point3D right = forward.CrossProduct(up_);
    right.Normalize();
    const Point3D upward = right.CrossProduct(forward);
    if (px != 0) {
        const Point3D m = right * (-px * panScale_);
        eye_ = eye_ + m;
        centre_ = centre_ + m;
    }
    if (py != 0) {
        const Point3D m = upward * (py * panScale_);
        eye_ = eye_ + m;
        centre_ = centre_ + m;
    }
    Update();
    ApplyProjection(true);
}

void wxGLCamera::PlaceCentre(double x, double y, double z) {
    centre_.Set(x, y, z);
    ApplyProjection(true);
}

void wxGLCamera::MoveCentre(double dx, double dy, double dz) {
    centre_ = centre_ + Point3D(dx, dy, dz);
    ApplyProjection(true);
}

std::ostream& wxGLCamera::WriteStream(std::ostream& out) const {
    ClassicLocale classic(out);
    out << eye_.x << "\t" << eye_.y << "\t" << eye_.z << "\n";
    out << centre_.x << "\t" << centre_.y << "\t" << centre_.z << "\n";
    out << (perspective_ ? 1 : 0) << "\t" << lens_ << "\n";
    out << cmin_ << "\t" << cmax_ << "\t" << znear_ << "\t" << zfar_ << "\n";
    out << (orbital_ ? 1 : 0) << "\n";
    out << (showCamera_ ? 1 : 0) << "\t" << (showField_ ? 1 : 0) << "\n";
    return out;
}

void wxGLCamera::WriteTextStream(wxTextOutputStream& out) const {
    const wxString t("\t"), n("\n");
    out << G(eye_.x) << t << G(eye_.y) << t << G(eye_.z) << n;
    out << G(centre_.x) << t << G(centre_.y) << t << G(centre_.z) << n;
    out << wxString(perspective_ ? "1" : "0") << t << G(lens_) << n;
    out << G(cmin_) << t << G(cmax_) << t << G(znear_) << t << G(zfar_) << n;
    out << wxString(orbital_ ? "1" : "0") << n;
    out << wxString(showCamera_ ? "1" : "0") << t << wxString(showField_ ? "1" : "0") << n;
}

void wxGLCamera::ReadStream(std::istream& in) {
    ClassicLocale classic(in);
    Record r;
    long perspective = 0, orbital = 0, showCamera = 0, showField = 0;
    in >> r.eye.x >> r.eye.y >> r.eye.z >> r.centre.x >> r.centre.y >> r.centre.z >>
        perspective >> r.lens >> r.cmin >> r.cmax >> r.znear >> r.zfar >> orbital >> showCamera >>
        showField;
    if (in.fail()) return;
    r.perspective = Flag(perspective);
    r.orbital = Flag(orbital);
    r.showCamera = Flag(showCamera);
    r.showField = Flag(showField);
    Restore(r);
    direction_ = centre_ - eye_;
    ApplyProjection(true);
}

void wxGLCamera::ReadTextStream(wxTextInputStream& in) {
    // Fifteen words in the order written: eleven reals and four integer flags.
    double reals[11];
    long flags[4];
    const bool isFlag[15] = {false, false, false, false, false, false, true, false,
                             false, false, false, false, true,  true,  true};
    int nr = 0, nf = 0;
    for (int i = 0; i < 15; ++i) {
        const std::string word = in.ReadWord().utf8_string();
        if (isFlag[i]) {
            if (!dez::ParseInt(word, flags[nf++])) return;
        } else {
            if (!dez::ParseDouble(word, reals[nr++])) return;
        }
    }
    Record r;
    r.eye.Set(reals[0], reals[1], reals[2]);
    r.centre.Set(reals[3], reals[4], reals[5]);
    r.perspective = Flag(flags[0]);
    r.lens = reals[6];
    r.cmin = reals[7];
    r.cmax = reals[8];
    r.znear = reals[9];
    r.zfar = reals[10];
    r.orbital = Flag(flags[1]);
    r.showCamera = Flag(flags[2]);
    r.showField = Flag(flags[3]);
    Restore(r);
    direction_ = centre_ - eye_;
    ApplyProjection(true);
}

bool wxGLCamera::WriteDataStream(wxDataOutputStream* out) const {
    if (out == nullptr || !out->IsOk()) return false;
    out->WriteDouble(eye_.x);
    out->WriteDouble(eye_.y);
    out->WriteDouble(eye_.z);
    out->WriteDouble(centre_.x);
    out->WriteDouble(centre_.y);
    out->WriteDouble(centre_.z);
    out->Write32(perspective_ ? 1 : 0);
    out->WriteDouble(lens_);
    out->WriteDouble(cmin_);
    out->WriteDouble(cmax_);
    out->WriteDouble(znear_);
    out->WriteDouble(zfar_);
    out->Write32(orbital_ ? 1 : 0);
    out->Write32(showCamera_ ? 1 : 0);
    out->Write32(showField_ ? 1 : 0);
    return out->IsOk();
}

bool wxGLCamera::ReadDataStream(wxDataInputStream* in) {
    if (in == nullptr || !in->IsOk()) return false;
    Record r;
    r.eye.x = in->ReadDouble();
    r.eye.y = in->ReadDouble();
    r.eye.z = in->ReadDouble();
    r.centre.x = in->ReadDouble();
    r.centre.y = in->ReadDouble();
    r.centre.z = in->ReadDouble();
    r.perspective = Flag(in->Read32());
    r.lens = in->ReadDouble();
    r.cmin = in->ReadDouble();
    r.cmax = in->ReadDouble();
    r.znear = in->ReadDouble();
    r.zfar = in->ReadDouble();
    r.orbital = Flag(in->Read32());
    r.showCamera = Flag(in->Read32());
    r.showField = Flag(in->Read32());
    // A truncated stream leaves the camera as it was.
    const wxInputStream* stream = DataInputAccess::Stream(*in);
    if (!in->IsOk() || stream == nullptr || stream->LastRead() != 4) return false;
    Restore(r);
    direction_ = centre_ - eye_;
    ApplyProjection(true);
    return true;
}

void wxGLCamera::SaveConfig(wxConfigBase* config, const wxString& basePath) const {
    if (config == nullptr) return;
    const wxString cam = basePath + "/Camera";
    for (int i = 0; i < 3; ++i) config->Write(cam + wxString::Format("/Eye_%d", i), ConfigReal(eye_[i]));
    for (int i = 0; i < 3; ++i)
        config->Write(cam + wxString::Format("/Center_%d", i), ConfigReal(centre_[i]));
    config->Write(cam + "/Perpective", perspective_);  // the key has always been spelled so
    config->Write(cam + "/Lens", ConfigReal(lens_));
    config->Write(cam + "/cmin", ConfigReal(cmin_));
    config->Write(cam + "/cmax", ConfigReal(cmax_));
    config->Write(cam + "/znear", ConfigReal(znear_));
    config->Write(cam + "/zfar", ConfigReal(zfar_));
    config->Write(cam + "/Orbital", orbital_);
    config->Write(cam + "/ShowCam", showCamera_);
    config->Write(cam + "/ShowField", showField_);
}

void wxGLCamera::LoadConfig(wxConfigBase* config, const wxString& basePath) {
    if (config != nullptr) {
        const wxString cam = basePath + "/Camera";
        // A damaged store must not leave the camera unusable: every number finite and bounded,
        // the lens an opening angle, the eye away from the centre, the far plane beyond the near.
        constexpr double kFar = 1e9;
        const Point3D eye = eye_, centre = centre_;
        for (int i = 0; i < 3; ++i)
            eye_[i] = ReadConfigDoubleIn(config, cam + wxString::Format("/Eye_%d", i), eye_[i], -kFar, kFar);
        for (int i = 0; i < 3; ++i)
            centre_[i] =
                ReadConfigDoubleIn(config, cam + wxString::Format("/Center_%d", i), centre_[i], -kFar, kFar);
        if ((centre_ - eye_).Length() == 0.0) {
            eye_ = eye;
            centre_ = centre;
        }
        config->Read(cam + "/Perpective", &perspective_, perspective_);
        lens_ = ReadConfigDoubleIn(config, cam + "/Lens", lens_, 0.1, 179.0);
        const double cmin = cmin_, cmax = cmax_, znear = znear_, zfar = zfar_;
        cmin_ = ReadConfigDoubleIn(config, cam + "/cmin", cmin_, -kFar, kFar);
        cmax_ = ReadConfigDoubleIn(config, cam + "/cmax", cmax_, -kFar, kFar);
        znear_ = ReadConfigDoubleIn(config, cam + "/znear", znear_, -kFar, kFar);
        zfar_ = ReadConfigDoubleIn(config, cam + "/zfar", zfar_, -kFar, kFar);
        if (!(cmax_ > cmin_) || !(zfar_ > znear_)) {
            cmin_ = cmin, cmax_ = cmax, znear_ = znear, zfar_ = zfar;
        }
        config->Read(cam + "/Orbital", &orbital_, orbital_);
        config->Read(cam + "/ShowCam", &showCamera_, showCamera_);
        config->Read(cam + "/ShowField", &showField_, showField_);
    }
    Update();
}

double wxGLCamera::GetNegatedFar() const { return -zfar_; }

int wxGLCamera::GetMode() const { return mode_; }

void wxGLCamera::SetMode(int mode) { mode_ = mode; }

void wxGLCamera::Reset() {
    showCamera_ = false;
    showField_ = false;
    up_.Set(0, 0, 1);
    centre_.Set(0, 0, 0);
    eye_.Set(0, -5, 0);
    direction_ = centre_ - eye_;
    perspective_ = true;
    aspect_ = 1;
    cmin_ = -10;
    cmax_ = 10;
    crange_ = 20;
    znear_ = -30;
    zfar_ = 30;
    lens_ = DefaultLens();
    orbital_ = true;
    stepLength_ = 1;
    followOffset_.SetZero();
    panScale_ = 1;
    rotation_.SetIdentity();
    mode_ = 0;
}

void wxGLCamera::WriteVRMLViewpoints(std::ostream& out) const {
    if (out.fail()) return;
    ClassicLocale classic(out);
    const double d = (centre_ - eye_).Length();
    const Point3D& c = centre_;
    // VRML is Y-up: a scene point (x, y, z) is written x, z, -y.
    auto node = [&](const char* name, const Point3D& p, auto writeOrientation) {
        out << "Viewpoint {" << std::endl;
        out << "    position     " << p.x << " " << p.z << " " << -p.y << std::endl;
        out << "    orientation  ";
        writeOrientation();
        out << std::endl;
        out << "    fieldOfView  " << lens_ * kPi / 180 << std::endl;
        out << "    description  \"" << wxGetTranslation(name).utf8_string() << "\" "
            << std::endl;
        out << "}" << std::endl;
        out << std::endl;
    };
    const double eye[3] = {eye_.x, eye_.y, eye_.z};
    const double centre[3] = {centre_.x, centre_.y, centre_.z};
    const double up[3] = {up_.x, up_.y, up_.z};
    double axis[3];
    const double angle = LookAtToAxisAngle(eye, centre, up, axis);
    Quaternion toYUp, look;
    toYUp.FromAxisAngle(1, 0, 0, -kPi / 2);
    look.FromAxisAngle(axis[0], axis[1], axis[2], angle);
    const Quaternion q = toYUp * look;
    double qx = 0, qy = 0, qz = 0, qa = 0;
    q.GetAxisAngle(&qx, &qy, &qz, &qa);
    node("Current Position", eye_, [&] { out << qx << " " << qy << " " << qz << " " << qa; });
    node("Left View", Point3D(c.x + 0.001, c.y - d, c.z + 0.001), [&] { out << "0 1 0 0"; });
    node("Right View", Point3D(c.x + 0.001, c.y + d, c.z + 0.001),
         [&] { out << "0 1 0 " << kPi; });
    node("Back View", Point3D(c.x + d, c.y + 0.001, c.z + 0.001),
         [&] { out << "0 1 0 " << kPi / 2; });
    node("Front View", Point3D(c.x - d, c.y + 0.001, c.z + 0.001),
         [&] { out << "0 1 0 " << -kPi / 2; });
}

wxString wxGLCamera::Description() const {
    return wxString::FromUTF8(dez::Format("E : %.3f  %.3f  %.3f - C : %.3f  %.3f  %.3f  L : %.3f",
                                          eye_.x, eye_.y, eye_.z, centre_.x, centre_.y,
                                          centre_.z, (centre_ - eye_).Length()));
}

int wxGLCamera::UnProject(int windowX, int windowY, double* x, double* y, double* z) const {
    if (!HaveGLContext()) return GL_FALSE;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble ox = 0, oy = 0, oz = 0;
    const GLint ok = gluUnProject(windowX, viewport[3] - windowY, static_cast<double>(0.001f),
                                  modelview, projection, viewport, &ox, &oy, &oz);
    if (ok == GL_TRUE) {
        if (x) *x = ox;
        if (y) *y = oy;
        if (z) *z = oz;
    }
    return ok;
}

void wxGLCamera::UnProjectToInt(double windowX, double windowY, int* x, int* y) const {
    if (!HaveGLContext()) return;
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble ox = 0, oy = 0, oz = 0;
    if (gluUnProject(windowX, windowY, static_cast<double>(0.01f), modelview, projection,
                     viewport, &ox, &oy, &oz) != GL_TRUE)
        return;
    // Truncate toward zero, clamped so that a far-off point cannot overflow an int.
    auto toInt = [](double v) {
        if (std::isnan(v)) return 0;
        v = std::clamp(v, double(std::numeric_limits<int>::min()),
                       double(std::numeric_limits<int>::max()));
        return static_cast<int>(v);
    };
    if (x) *x = toInt(ox);
    if (y) *y = toInt(oy);
}

void wxGLCamera::GetClipping(double* cmin, double* cmax, double* znear, double* zfar) const {
    if (cmin) *cmin = cmin_;
    if (cmax) *cmax = cmax_;
    if (znear) *znear = znear_;
    if (zfar) *zfar = zfar_;
}

void wxGLCamera::SetShowFlags(bool showCamera, bool showField) {
    showCamera_ = showCamera;
    showField_ = showField;
}

double LookAtToAxisAngle(const double eye[3], const double centre[3], const double up[3],
                         double axis[3]) {
    Point3D f(centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]);
    f.Normalize();
    Point3D upv(up[0], up[1], up[2]);
    upv.Normalize();
    const double ud = upv.x * f.x + upv.y * f.y + upv.z * f.z;
    Point3D u = upv - f * ud;
    u.Normalize();

    // A: (0, 0, -1) onto f.
    Quaternion a;
    const double horizontal = f.x * f.x + f.y * f.y;
    if (horizontal < 1e-8) {
        if (f.z > 0) a.FromAxisAngle(0, 1, 0, kPi);
    } else {
        const double n = std::sqrt(horizontal);
        a.FromAxisAngle(f.y / n, -f.x / n, 0, std::acos(std::clamp(-f.z, -1.0, 1.0)));
    }
    double qa[4];
    a.ToArray(qa);
    double vx = 0, vy = 1, vz = 0;
    RotatePointByQuaternion(&vx, &vy, &vz, qa);
    const Point3D v(vx, vy, vz);

    // B: v onto u.
    Point3D c = v.CrossProduct(u);
    const double cosine = std::clamp(v.x * u.x + v.y * u.y + v.z * u.z, -1.0, 1.0);
    if (c.x * c.x + c.y * c.y + c.z * c.z < 1e-8) {
        c = Point3D(1, 0, 0).CrossProduct(u);
        if (c.x * c.x + c.y * c.y + c.z * c.z < 1e-8) c = Point3D(0, 1, 0).CrossProduct(u);
    }
    c.Normalize();
    Quaternion b;
    b.FromAxisAngle(c.x, c.y, c.z, std::acos(cosine));

    const Quaternion q = b * a;
    const double w = std::clamp(q.w, -1.0, 1.0);
    const double angle = 2 * std::acos(w);
    const double s = std::sin(std::acos(w));
    if (std::fabs(s) < 1e-8) {
        axis[0] = 1;
        axis[1] = 0;
        axis[2] = 0;
    } else {
        axis[0] = q.x / s;
        axis[1] = q.y / s;
        axis[2] = q.z / s;
    }
    return angle;
}
