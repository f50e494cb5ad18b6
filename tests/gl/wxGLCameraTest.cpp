#include "gl/wxGLCamera.h"

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <wx/datstrm.h>
#include <wx/fileconf.h>
#include <wx/mstream.h>
#include <wx/sstream.h>
#include <wx/txtstrm.h>

#include "gl/AppSettings.h"
#include "support/AppSettingsReset.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

Point3D Eye(const wxGLCamera& c) {
    Point3D p;
    c.GetEye(&p.x, &p.y, &p.z);
    return p;
}

Point3D Centre(const wxGLCamera& c) {
    Point3D p;
    c.GetCentre(&p.x, &p.y, &p.z);
    return p;
}

double Distance(const wxGLCamera& c) { return (Centre(c) - Eye(c)).Length(); }

void ExpectPoint(const Point3D& p, double x, double y, double z, double tol = 1e-9) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
    EXPECT_NEAR(p.z, z, tol);
}

// Runs the check in the "C" locale and, where the machine has one, in a decimal-comma locale.
void InBothLocales(const std::function<void()>& check) {
    for (bool comma : {false, true}) {
        SCOPED_TRACE(comma ? "decimal-comma locale" : "C locale");
        std::unique_ptr<testsupport::CommaLocale> locale;
        if (comma) {
            locale = std::make_unique<testsupport::CommaLocale>();
            if (!locale->ok()) continue;
        }
        check();
    }
}

// Every test starts from the settings' start values and puts them back.
class Camera : public WxBaseTest {
protected:
    void SetUp() override { testsupport::RestoreAppSettings(); }
    void TearDown() override { testsupport::RestoreAppSettings(); }
};

TEST_F(Camera, FreshCameraLooksAlongPlusYFromFiveUnits) {
    wxGLCamera c;
    ExpectPoint(Eye(c), 0, -5, 0);
    ExpectPoint(Centre(c), 0, 0, 0);
    ExpectPoint(c.GetUp(), 0, 0, 1);
    EXPECT_EQ(c.GetLens(), 45.0);
    EXPECT_TRUE(c.IsPerspective());
    EXPECT_TRUE(c.IsOrbital());
    EXPECT_EQ(c.GetNegatedFar(), -30.0);
    double cmin, cmax, znear, zfar;
    c.GetClipping(&cmin, &cmax, &znear, &zfar);
    EXPECT_EQ(cmin, -10.0);
    EXPECT_EQ(cmax, 10.0);
    EXPECT_EQ(znear, -30.0);
    EXPECT_EQ(zfar, 30.0);
    EXPECT_EQ(c.GetClipRange(), 20.0);
    EXPECT_EQ(c.GetMode(), 0);
    EXPECT_EQ(c.Description(), "E : 0.000  -5.000  0.000 - C : 0.000  0.000  0.000  L : 5.000");
}

TEST_F(Camera, DescriptionKeepsItsDecimalPointUnderACommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    wxGLCamera c;
    c.SetEye(1.25, -2.5, 0.125);
    EXPECT_EQ(c.Description(),
              "E : 1.250  -2.500  0.125 - C : 0.000  0.000  0.000  L : 2.798");
}

TEST_F(Camera, PresetsPlaceTheEyeAroundTheCentre) {
    struct Case {
        const char* name;
        void (wxGLCamera::*preset)();
        double x, y, z;
    };
    const Case cases[] = {
        {"top", &wxGLCamera::ViewTop, 0, 0.005, 5},    {"left", &wxGLCamera::ViewLeft, -5, 0, 0},
        {"right", &wxGLCamera::ViewRight, 5, 0, 0},    {"front", &wxGLCamera::ViewFront, 0, 5, 0},
        {"back", &wxGLCamera::ViewBack, 0, -5, 0},
        {"bottom", &wxGLCamera::ViewBottom, 0, 0.005, -5},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        wxGLCamera c;
        (c.*k.preset)();
        ExpectPoint(Eye(c), k.x, k.y, k.z);
        ExpectPoint(Centre(c), 0, 0, 0);
    }
    wxGLCamera moved;
    moved.SetCentre(1, 2, 3);
    moved.SetEye(1, 2, 13);
    moved.ViewFront();
    ExpectPoint(Eye(moved), 1, 12, 3);
}

TEST_F(Camera, PresetsOutsideOrbitalModeTurnTheSceneInstead) {
    wxGLCamera c;
    c.SetOrbital(false);
    c.ViewTop();
    ExpectPoint(Eye(c), 0, -5, 0);
    EXPECT_NEAR(c.GetRotation().m[5], 0, 1e-12);  // a quarter turn about X
    EXPECT_NEAR(c.GetRotation().m[0], 1, 1e-12);
}

TEST_F(Camera, ZoomChangesLensAndRangeWithinLimits) {
    wxGLCamera c;
    c.ZoomIn();
    EXPECT_DOUBLE_EQ(c.GetLens(), 45 / 1.05);
    double cmin, cmax;
    c.GetClipping(&cmin, &cmax, nullptr, nullptr);
    EXPECT_DOUBLE_EQ(cmin, -10 - 20.0 / 250);
    EXPECT_DOUBLE_EQ(cmax, 10 + 20.0 / 250);
    EXPECT_EQ(c.GetClipRange(), 20.0);  // the step stays the same over a run of zooms
    for (int i = 0; i < 500; ++i) c.ZoomIn();
    EXPECT_EQ(c.GetLens(), 0.01);
    for (int i = 0; i < 1000; ++i) c.ZoomOut();
    EXPECT_EQ(c.GetLens(), 179.0);
    c.GetClipping(&cmin, &cmax, nullptr, nullptr);
    EXPECT_LE(cmin, cmax) << "zooming out never turns the range inside out";
}

TEST_F(Camera, ZoomRepairsANonPositiveIncrement) {
    for (double inc : {0.0, -0.3}) {
        SCOPED_TRACE(inc);
        camera_zoom_inc = inc;
        wxGLCamera c;
        c.ZoomIn();
        EXPECT_EQ(camera_zoom_inc, 0.05);
        EXPECT_DOUBLE_EQ(c.GetLens(), 45 / 1.05);
    }
}

TEST_F(Camera, UnusableSettingsNeverDivideByZero) {
    const double bad[] = {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()};
    for (double v : bad) {
        SCOPED_TRACE(v);
        camera_zoom_factor = v;
        camera_move = v;
        camera_default_lens = v;
        wxGLCamera c;
        EXPECT_EQ(c.GetLens(), 45.0);  // reset takes the start value of the lens
        c.ZoomIn();
        double cmin, cmax;
        c.GetClipping(&cmin, &cmax, nullptr, nullptr);
        EXPECT_DOUBLE_EQ(cmin, -10 - 20.0 / 250);
        c.StepXPlus(false);
        EXPECT_NEAR(Eye(c).x, (cmax - cmin) / 200, 1e-12);
        c.Resize(200, 100);
        c.Pan(200, 200);
        const Point3D e = Eye(c);
        EXPECT_TRUE(std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z));
        c.ResetLens();
        EXPECT_EQ(c.GetLens(), 45.0);
    }
}

TEST_F(Camera, SetLensIgnoresValuesNotAboveZero) {
    wxGLCamera c;
    for (double v : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()}) {
        c.SetLens(v);
        EXPECT_EQ(c.GetLens(), 45.0);
    }
    c.SetLens(30);
    EXPECT_EQ(c.GetLens(), 30.0);
    camera_default_lens = 60;
    c.ResetLens();
    EXPECT_EQ(c.GetLens(), 60.0);
}

TEST_F(Camera, DollyMovesAlongTheLineOfSightButNeverOntoTheCentre) {
    struct Case {
        double t;
        double distance;
    };
    const Case cases[] = {{0.5, 2.5}, {-1, 10}, {0.1, 4.5}, {0, 5}, {1, 5}, {2, 5}, {1e9, 5}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.t);
        wxGLCamera c;
        c.Dolly(k.t);
        EXPECT_NEAR(Distance(c), k.distance, 1e-12);
        EXPECT_LT(Eye(c).y, 0.0);
    }
}

TEST_F(Camera, FixedStepsMoveByAFractionOfTheRange) {
    wxGLCamera c;
    c.StepXPlus(false);
    ExpectPoint(Eye(c), 0.1, -5, 0);
    ExpectPoint(Centre(c), 0, 0, 0);
    c.StepZPlus();
    ExpectPoint(Eye(c), 0.1, -5, 0.1);
    ExpectPoint(Centre(c), 0, 0, 0.1);
    c.StepYMinus(true);
    ExpectPoint(Eye(c), 0.1, -5.1, 0.1);
    ExpectPoint(Centre(c), 0, -0.1, 0.1);
    c.StepXMinus(true);
    c.StepZMinus(false);
    c.StepYPlus(false);
    ExpectPoint(Eye(c), 0, -5, 0);
    ExpectPoint(Centre(c), -0.1, -0.1, 0.1);
}

TEST_F(Camera, OrbitTurnsTheEyeAroundThePivot) {
    wxGLCamera c;
    c.Orbit(kPi / 2, 0);
    ExpectPoint(Eye(c), 5, 0, 0);
    ExpectPoint(Centre(c), 0, 0, 0);

    wxGLCamera aside;
    aside.OrbitAround(kPi, 0, 0, -4, 0);  // the eye circles (0, -4, 0), still aimed at the centre
    ExpectPoint(Eye(aside), 0, -3, 0);
    ExpectPoint(Centre(aside), 0, 0, 0);
}

TEST_F(Camera, PolarStepsPastThePoleAreReflected) {
    wxGLCamera c;
    c.Orbit(0, -2);  // from pi/2 to -0.43: reflected to +0.43
    const Point3D e = Eye(c);
    EXPECT_NEAR(e.z, 5 * std::cos(2 - kPi / 2), 1e-9);
    EXPECT_NEAR(e.y, -5 * std::sin(2 - kPi / 2), 1e-9);
    EXPECT_NEAR(e.x, 0, 1e-9);

    wxGLCamera top;
    top.SetEye(0, 0, 5);
    top.Orbit(0, 0);  // straight above: the polar angle is first raised to 0.017
    EXPECT_NEAR(Eye(top).z, 5 * std::cos(0.017), 1e-9);
}

TEST_F(Camera, RotateOrbitsOrTurnsTheScene) {
    wxGLCamera orbital;
    orbital.Rotate(0, -kPi / 2);  // Orbit(pi/2, 0)
    ExpectPoint(Eye(orbital), 5, 0, 0);
    orbital.RotateAxis(3, 1.0);  // no such axis
    ExpectPoint(Eye(orbital), 5, 0, 0);
    orbital.RotateAxis(2, -kPi / 2);
    ExpectPoint(Eye(orbital), 0, -5, 0);

    wxGLCamera scene;
    scene.SetOrbital(false);
    scene.Rotate(0.3, 0.2);
    ExpectPoint(Eye(scene), 0, -5, 0);
    Matrix4x4 expected;
    expected.PreRotateX(0.3);
    expected.PreRotateZ(0.2);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(scene.GetRotation().m[i], expected.m[i], 1e-12);
    scene.ResetOrientation();
    EXPECT_EQ(scene.GetRotation().m[1], 0.0);
}

TEST_F(Camera, ResetOrientationPutsTheEyeInFront) {
    wxGLCamera c;
    c.SetEye(3, 0, 4);
    c.ResetOrientation();
    ExpectPoint(Eye(c), 0.005, -5, 0.005);
}

TEST_F(Camera, PanMovesEyeAndCentreAcrossTheView) {
    wxGLCamera c;
    c.Resize(200, 100);
    EXPECT_EQ(c.GetAspect(), 2.0);
    EXPECT_DOUBLE_EQ(c.GetPanScale(), 20.0 * 5 / 200 * 2);
    c.Pan(200, 0);  // 1 step, times lens 0.25 / default lens in perspective
    ExpectPoint(Eye(c), -0.25, -5, 0);
    ExpectPoint(Centre(c), -0.25, 0, 0);
    c.Pan(0, 200);
    ExpectPoint(Eye(c), -0.25, -5, 0.25);
    c.SetPerspective(false);
    c.Pan(-200, 0);
    ExpectPoint(Eye(c), 0.75, -5, 0.25);
}

TEST_F(Camera, ZeroSizedWindowsKeepAspectAndPanScale) {
    wxGLCamera c;
    c.Resize(200, 100);
    c.Resize(300, 0);  // no height: the aspect stays, the pan scale follows the width
    EXPECT_EQ(c.GetAspect(), 2.0);
    EXPECT_DOUBLE_EQ(c.GetPanScale(), 20.0 * 5 / 300 * 2);
    const double before = c.GetPanScale();
    c.Resize(0, 50);  // no width: the pan scale stays
    EXPECT_EQ(c.GetPanScale(), before);
    EXPECT_EQ(c.GetAspect(), 0.0);
}

TEST_F(Camera, GrowClippingWidensTheRanges) {
    wxGLCamera c;
    c.GrowClipping(-20, 5);
    double cmin, cmax, znear, zfar;
    c.GetClipping(&cmin, &cmax, &znear, &zfar);
    EXPECT_EQ(cmin, -20.0);
    EXPECT_EQ(cmax, 10.0);
    EXPECT_EQ(znear, -30.0);  // -20 is inside the old znear
    EXPECT_EQ(zfar, 30.0);
    EXPECT_EQ(c.GetClipRange(), 30.0);
    c.GrowClipping(-40, 50);
    c.GetClipping(&cmin, &cmax, &znear, &zfar);
    EXPECT_EQ(znear, -40.0 - 5 * 90);
    EXPECT_EQ(zfar, 50.0 + 5 * 90);
}

TEST_F(Camera, MovingTheEyeAndFollowingATarget) {
    wxGLCamera aim;
    aim.SetEye(0, -5, 0);
    aim.MoveEyeTo(1, -5, 0, true);
    ExpectPoint(Centre(aim), 1 + 20, -5, 0);  // looks along its motion, (cmax - cmin) ahead
    aim.MoveEyeTo(1, -5, 0, true);            // no motion: the centre stays
    ExpectPoint(Centre(aim), 21, -5, 0);

    wxGLCamera step;
    Point3D v(0, 2, 0);
    step.StepEye(v, 0.5);
    ExpectPoint(v, 0, 0.5, 0);
    ExpectPoint(Eye(step), 0, -4.5, 0);
    EXPECT_EQ(step.GetStepLength(), 0.5);
    Point3D back(0, 0, 3);
    step.StepEye(back, -1);
    ExpectPoint(back, 0, 0, -1);  // sign of the stored 0.5, times -1
    Point3D after(1, 0, 0);
    step.StepEye(after, 2);       // the stored length is now -1
    ExpectPoint(after, -2, 0, 0);

    wxGLCamera follow;
    follow.FollowTarget(1, 1, 1, true);
    ExpectPoint(follow.GetFollowOffset(), -1, -6, -1);
    follow.FollowTarget(2, 2, 2, false);
    ExpectPoint(Eye(follow), 1, -4, 1);
    ExpectPoint(Centre(follow), 2, 2, 2);

    wxGLCamera centre;
    centre.MoveCentre(1, 2, 3);
    centre.PlaceCentre(centre.GetUp().x, 4, 5);
    ExpectPoint(Centre(centre), 0, 4, 5);
    centre.MoveEye(1, 1, 1);
    centre.MoveEye(Point3D(1, 1, 1));
    ExpectPoint(Eye(centre), 2, -3, 2);
}

// A camera with every stored value away from its default.
wxGLCamera Sample() {
    wxGLCamera c;
    c.SetEye(1.5, -7.25, 2.125);
    c.SetCentre(0.5, 0.25, -1.75);
    c.SetClipping(-12.5, 13.75, -40.5, 90.25);
    c.SetLens(37.5);
    c.SetPerspective(false);
    c.SetOrbital(false);
    c.SetShowFlags(true, false);
    return c;
}

void ExpectSameStored(const wxGLCamera& a, const wxGLCamera& b) {
    ExpectPoint(Eye(a), Eye(b).x, Eye(b).y, Eye(b).z, 0);
    ExpectPoint(Centre(a), Centre(b).x, Centre(b).y, Centre(b).z, 0);
    EXPECT_EQ(a.GetLens(), b.GetLens());
    EXPECT_EQ(a.IsPerspective(), b.IsPerspective());
    EXPECT_EQ(a.IsOrbital(), b.IsOrbital());
    EXPECT_EQ(a.GetShowCamera(), b.GetShowCamera());
    EXPECT_EQ(a.GetShowField(), b.GetShowField());
    double a0, a1, a2, a3, b0, b1, b2, b3;
    a.GetClipping(&a0, &a1, &a2, &a3);
    b.GetClipping(&b0, &b1, &b2, &b3);
    EXPECT_EQ(a0, b0);
    EXPECT_EQ(a1, b1);
    EXPECT_EQ(a2, b2);
    EXPECT_EQ(a3, b3) << "zfar comes back as stored";
}

TEST_F(Camera, TextFormRoundTripsEveryValue) {
    InBothLocales([&] {
        const wxGLCamera original = Sample();
        std::stringstream text;
        original.WriteStream(text);
        EXPECT_EQ(text.str(),
                  "1.5\t-7.25\t2.125\n0.5\t0.25\t-1.75\n0\t37.5\n-12.5\t13.75\t-40.5\t90.25\n0\n1\t0\n");
        wxGLCamera read;
        read.ReadStream(text);
        ExpectSameStored(read, original);
    });
}

TEST_F(Camera, TextFormFlagsKeepTheirLowByte) {
    std::istringstream text("0 -5 0\n0 0 0\n257 45\n-10 10 -30 30\n256\n1 512\n");
    wxGLCamera c;
    c.SetOrbital(true);
    c.ReadStream(text);
    EXPECT_TRUE(c.IsPerspective());
    EXPECT_FALSE(c.IsOrbital());
    EXPECT_TRUE(c.GetShowCamera());
    EXPECT_FALSE(c.GetShowField());
}

TEST_F(Camera, UnreadableTextLeavesTheCameraAsItWas) {
    const char* texts[] = {"", "1 2 3\n4 5 6\n1 x\n", "1 2 3 4 5 6 1 45 -10 10 -30 30 1 0"};
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        std::istringstream in(t);
        wxGLCamera c = Sample();
        c.ReadStream(in);
        EXPECT_TRUE(in.fail());
        ExpectSameStored(c, Sample());

        wxStringInputStream raw(wxString::FromUTF8(t));
        wxTextInputStream wxin(raw);
        wxGLCamera w = Sample();
        w.ReadTextStream(wxin);
        ExpectSameStored(w, Sample());
    }
}

TEST_F(Camera, ToolkitTextStreamRoundTrips) {
    InBothLocales([&] {
        const wxGLCamera original = Sample();
        wxString written;
        {
            wxStringOutputStream raw(&written);
            wxTextOutputStream out(raw, wxEOL_UNIX);
            original.WriteTextStream(out);
        }
        EXPECT_EQ(written.utf8_string(),
                  "1.5\t-7.25\t2.125\n0.5\t0.25\t-1.75\n0\t37.5\n-12.5\t13.75\t-40.5\t90.25\n0\n1\t0\n");
        wxStringInputStream raw(written);
        wxTextInputStream in(raw);
        wxGLCamera read;
        read.ReadTextStream(in);
        ExpectSameStored(read, original);
    });
}

TEST_F(Camera, DataStreamRoundTripsAndRefusesBadStreams) {
    struct Case {
        const char* what;
        bool basic;         // 8-byte doubles instead of the stream's default 10-byte extended ones
        size_t doubleSize;
    };
    const Case cases[] = {{"extended doubles", false, 10}, {"basic doubles", true, 8}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const wxGLCamera original = Sample();
        wxMemoryOutputStream memory;
        {
            wxDataOutputStream out(memory);
            if (k.basic) out.UseBasicPrecisions();
            ASSERT_TRUE(original.WriteDataStream(&out));
        }
        const size_t size = memory.GetSize();
        EXPECT_EQ(size, 11 * k.doubleSize + 4 * 4);
        std::string bytes(size, '\0');
        memory.CopyTo(bytes.data(), size);

        wxMemoryInputStream whole(bytes.data(), size);
        wxDataInputStream in(whole);
        if (k.basic) in.UseBasicPrecisions();
        wxGLCamera read;
        EXPECT_TRUE(read.ReadDataStream(&in));
        ExpectSameStored(read, original);

        for (size_t cut : {size_t(1), size_t(3), size_t(4), size_t(20), size - 1}) {
            SCOPED_TRACE(testing::Message() << "cut by " << cut);
            wxMemoryInputStream shortRaw(bytes.data(), size - cut);
            wxDataInputStream shortIn(shortRaw);
            if (k.basic) shortIn.UseBasicPrecisions();
            wxGLCamera untouched;
            EXPECT_FALSE(untouched.ReadDataStream(&shortIn));
            ExpectSameStored(untouched, wxGLCamera());
        }
    }
    wxGLCamera c;
    EXPECT_FALSE(c.ReadDataStream(nullptr));
    EXPECT_FALSE(c.WriteDataStream(nullptr));
}

TEST_F(Camera, ConfigurationRoundTripsEveryValueUnderAnyLocale) {
    InBothLocales([&] {
        wxGLCamera original = Sample();
        original.SetEye(0.1, 1.0 / 3, -2e-7);
        wxStringInputStream empty(wxString{});
        wxFileConfig config(empty);
        original.SaveConfig(&config, "/View");
        wxString lens;
        EXPECT_TRUE(config.Read("/View/Camera/Lens", &lens));
        EXPECT_EQ(lens, "37.5");
        bool perspective = true;
        EXPECT_TRUE(config.Read("/View/Camera/Perpective", &perspective));
        EXPECT_FALSE(perspective);
        wxGLCamera read;
        read.LoadConfig(&config, "/View");
        ExpectSameStored(read, original);
    });
}

// A damaged store leaves a usable camera: the lens an opening angle, everything finite, the eye
// away from the centre and the far plane beyond the near one.
TEST_F(Camera, DamagedConfigurationValuesAreClampedOrIgnored) {
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"[View/Camera]\nLens=1e300\n", "lens beyond an opening angle"},
        {"[View/Camera]\nLens=-5\n", "negative lens"},
        {"[View/Camera]\nEye_0=nan\nEye_1=inf\n", "eye not finite"},
        {"[View/Camera]\nznear=50\nzfar=10\n", "far plane before the near one"},
        {"[View/Camera]\nEye_0=0\nEye_1=0\nEye_2=0\nCenter_0=0\nCenter_1=0\nCenter_2=0\n", "eye on the centre"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        wxStringInputStream text{wxString(c.text)};
        wxFileConfig config(text);
        wxGLCamera camera;
        const double farBefore = camera.GetNegatedFar();
        camera.LoadConfig(&config, "/View");
        EXPECT_GT(camera.GetLens(), 0.0);
        EXPECT_LT(camera.GetLens(), 180.0);
        const Point3D eye = Eye(camera), centre = Centre(camera);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::isfinite(eye[i]));
            EXPECT_TRUE(std::isfinite(centre[i]));
        }
        EXPECT_GT((centre - eye).Length(), 0.0);
        if (std::string(c.why).find("far") != std::string::npos) {
            EXPECT_EQ(camera.GetNegatedFar(), farBefore);
        }
    }
}

TEST_F(Camera, MissingConfigurationKeysKeepTheCurrentValues) {
    wxStringInputStream text(wxString("[View/Camera]\nLens=20\nEye_1=-8\nzfar=oops\n"));
    wxFileConfig config(text);
    wxGLCamera c;
    c.LoadConfig(&config, "/View");
    EXPECT_EQ(c.GetLens(), 20.0);
    ExpectPoint(Eye(c), 0, -8, 0);
    EXPECT_EQ(c.GetNegatedFar(), -30.0);
    c.LoadConfig(nullptr, "/View");
    c.SaveConfig(nullptr, "/View");
    EXPECT_EQ(c.GetLens(), 20.0);
}

TEST_F(Camera, VRMLViewpointsOfTheFreshCamera) {
    wxGLCamera c;
    std::ostringstream out;
    c.WriteVRMLViewpoints(out);
    const std::string expected =
        "Viewpoint {\n"
        "    position     0 0 5\n"
        "    orientation  0 0 0 0\n"
        "    fieldOfView  0.785398\n"
        "    description  \"Current Position\" \n"
        "}\n\n"
        "Viewpoint {\n"
        "    position     0.001 0.001 5\n"
        "    orientation  0 1 0 0\n"
        "    fieldOfView  0.785398\n"
        "    description  \"Left View\" \n"
        "}\n\n"
        "Viewpoint {\n"
        "    position     0.001 0.001 -5\n"
        "    orientation  0 1 0 3.14159\n"
        "    fieldOfView  0.785398\n"
        "    description  \"Right View\" \n"
        "}\n\n"
        "Viewpoint {\n"
        "    position     5 0.001 -0.001\n"
        "    orientation  0 1 0 1.5708\n"
        "    fieldOfView  0.785398\n"
        "    description  \"Back View\" \n"
        "}\n\n"
        "Viewpoint {\n"
        "    position     -5 0.001 -0.001\n"
        "    orientation  0 1 0 -1.5708\n"
        "    fieldOfView  0.785398\n"
        "    description  \"Front View\" \n"
        "}\n\n";
    EXPECT_EQ(out.str(), expected);
}

TEST_F(Camera, VRMLViewpointsSkipAFailedStream) {
    std::ostringstream out;
    out.setstate(std::ios::failbit);
    wxGLCamera().WriteVRMLViewpoints(out);
    out.clear();
    EXPECT_EQ(out.str(), "");
}

TEST_F(Camera, VRMLCurrentPositionLooksTheSameWay) {
    // From above, looking down at the centre with the scene's +Y at the top of the view. In
    // VRML's Y-up frame the camera looks along -Y with +Z up: the half turn about (0, -1, -1).
    wxGLCamera c;
    c.ViewTop();
    std::ostringstream out;
    c.WriteVRMLViewpoints(out);
    const std::string text = out.str();
    const size_t at = text.find("orientation  ");
    ASSERT_NE(at, std::string::npos);
    std::istringstream numbers(text.substr(at + 13));
    double ax, ay, az, angle;
    numbers >> ax >> ay >> az >> angle;
    const double sign = ay < 0 ? 1 : -1;
    EXPECT_NEAR(sign * ax, 0, 1e-3);
    EXPECT_NEAR(sign * ay, -std::sqrt(0.5), 1e-3);
    EXPECT_NEAR(sign * az, -std::sqrt(0.5), 1e-3);
    EXPECT_NEAR(angle, kPi, 1e-3);
}

TEST(LookAtToAxisAngle, KnownCases) {
    struct Case {
        double eye[3], centre[3], up[3];
        double axis[3], angle;
    };
    const Case cases[] = {
        {{0, 0, 5}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, 0},
        {{0, 0, -5}, {0, 0, 0}, {0, 1, 0}, {0, 1, 0}, kPi},
        {{0, 0, 5}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, kPi / 2 * 3},
        {{0, 5, 0}, {0, 0, 0}, {0, 0, -1}, {1, 0, 0}, kPi / 2 * 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "eye " << k.eye[0] << " " << k.eye[1] << " "
                                        << k.eye[2]);
        double axis[3];
        const double angle = LookAtToAxisAngle(k.eye, k.centre, k.up, axis);
        // The same rotation can come as (axis, angle) or (-axis, 2 pi - angle).
        const bool flipped = std::fabs(angle - k.angle) > 1e-6;
        const double sign = flipped ? -1 : 1;
        EXPECT_NEAR(flipped ? 2 * kPi - angle : angle, k.angle, 1e-6);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(sign * axis[i], k.axis[i], 1e-6);
    }
}

}  // namespace
