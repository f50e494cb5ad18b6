// What a freshly opened mesh, drawing or skeleton looks like: the drawn pixels, measured against
// the view, hold the whole object and fill most of the view, at open, after Reset View and (for
// a skeleton) at every frame it plays. A recording with nothing measured opens on the view of an
// empty scene, floor and axes in sight.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gl/wxGLCamera.h"
#include "motion/C3DFixture.h"
#include "scene/shapeC3D.h"
#include "view/CanvasGuiFixture.h"
#include "support/TestSupport.h"

namespace {

// The box of the pixels that differ from the background; empty when there is none.
struct DrawnBox {
    int left = 0, right = -1, bottom = 0, top = -1;  // inclusive, origin bottom left
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return top - bottom + 1; }
    void Add(const DrawnBox& b) {
        if (b.empty()) return;
        if (empty()) {
            *this = b;
            return;
        }
        left = std::min(left, b.left);
        right = std::max(right, b.right);
        bottom = std::min(bottom, b.bottom);
        top = std::max(top, b.top);
    }
};

std::ostream& operator<<(std::ostream& out, const DrawnBox& b) {
    return out << "x " << b.left << ".." << b.right << ", y " << b.bottom << ".." << b.top;
}

class FramingTest : public CanvasGuiTest {
protected:
    void SetUp() override {
        CanvasGuiTest::SetUp();
        // Only the object is drawn: no floor, axes or gizmo.
        canvas->GetGroundPlane()->visible = false;
        canvas->GetGroundPlane()->showAxis = false;
        canvas->SetShowAxesGizmo(false);
    }

    DrawnBox Measure() {
        const testsupport::PixelBlock pixels = Paint();
        const float* bg = canvas->GetBackgroundColour();
        const int ref[3] = {int(bg[0] * 255 + 0.5f), int(bg[1] * 255 + 0.5f), int(bg[2] * 255 + 0.5f)};
        DrawnBox box;
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                const std::uint8_t* p = pixels.at(x, y);
                if (std::abs(p[0] - ref[0]) <= 3 && std::abs(p[1] - ref[1]) <= 3 && std::abs(p[2] - ref[2]) <= 3)
                    continue;
                box.Add(DrawnBox{x, x, y, y});
            }
        return box;
    }

    // Inside the view: no drawn pixel on its border (an object cut by the border reaches it).
    static void ExpectInside(const DrawnBox& box) {
        ASSERT_FALSE(box.empty()) << "nothing drawn";
        EXPECT_GT(box.left, 0) << box;
        EXPECT_GT(box.bottom, 0) << box;
        EXPECT_LT(box.right, kWidth - 1) << box;
        EXPECT_LT(box.top, kHeight - 1) << box;
    }

    // Most of the view: at least half its width or half its height.
    static void ExpectFilling(const DrawnBox& box) {
        EXPECT_GE(std::max(double(box.width()) / kWidth, double(box.height()) / kHeight), 0.5) << box;
    }
};

TEST_F(FramingTest, MeshesAndDrawingsOpenWholeAndFillTheView) {
    testsupport::TempDir dir;
    const std::string iso = dir.file("strip.dat");
    ASSERT_TRUE(testsupport::WriteFileBytes(iso, "0 0 0  0 -1 0\n1 0 0  0 -1 0\n0 0 1  0 -1 0\n"
                                                 "1 0 1  0 -1 0\n"));
    // A long thin part, far from the origin.
    const std::string shl = dir.file("rod.shl");
    ASSERT_TRUE(testsupport::WriteFileBytes(shl, "Version: 2\n4 2 0 1\n100 0 0\n110 0 0\n110 0 1\n100 0 1\n"
                                                 "3 1 2 3\n3 1 3 4\n"));
    const std::string txv = dir.file("tri.txv");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        txv, "#vertex and polygon text file\n3 1\n0 0 0 0 -1 0\n1 0 0 0 -1 0\n0 0 1 0 -1 0\n3 1 2 3\n"));
    std::vector<std::string> paths = {iso, shl, txv};
    // Every sample that draws something: not number_formats.obj (its one face has no area),
    // issue_2229.dxf (polyline meshes only, which a drawing does not read), nor the OBJ files
    // without faces that are refused.
    for (const char* sample :
         {"obj/box.obj", "obj/box_without_lineending.obj", "obj/concave_polygon.obj", "obj/cube_usemtl.obj",
          "obj/empty_mat.obj", "obj/regr01.obj", "obj/spider.obj", "3ds/CameraRollAnim.3ds",
          "3ds/RotatingCube.3DS", "3ds/cubes_with_alpha.3DS", "3ds/fels.3ds", "3ds/test1.3ds",
          "dxf/PinkEggFromLW.dxf", "dxf/lineTest.dxf"})
        paths.push_back(testsupport::SampleFile(sample));
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        const DrawnBox opened = Measure();
        ExpectInside(opened);
        ExpectFilling(opened);
        // Moved away, then back by Reset View.
        canvas->GetCamera()->Dolly(-4);
        canvas->GetCamera()->Orbit(0.7, 0.3);
        EXPECT_NE(Measure().left, opened.left);
        canvas->ResetView();
        const DrawnBox reset = Measure();
        EXPECT_NEAR(reset.left, opened.left, 1);
        EXPECT_NEAR(reset.right, opened.right, 1);
        EXPECT_NEAR(reset.bottom, opened.bottom, 1);
        EXPECT_NEAR(reset.top, opened.top, 1);
    }
}

// The BVH samples (the default import scale makes them several metres tall): upright, whole in
// view at every frame they play, and framed again by Reset View.
TEST_F(FramingTest, SkeletonsOpenWholeUprightAndStayInViewWhilePlaying) {
    for (const char* sample : {"bvh/01_01.bvh", "bvh/Boxing_Toes.bvh"}) {
        SCOPED_TRACE(sample);
        const std::string path = testsupport::SampleFile(sample);
        ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        ASSERT_EQ(canvas->GetFrameCount(), 800);
        // A skeleton opens over the floor; only the skeleton is measured.
        canvas->GetGroundPlane()->visible = false;
        const DrawnBox first = Measure();
        ExpectInside(first);
        // Upright: a standing figure is taller than wide in the view.
        EXPECT_GT(first.height(), first.width()) << first;
        DrawnBox all;
        for (int n = 0; n < 800; n += 40) {
            SCOPED_TRACE(n);
            canvas->GoToFrame(n, true);
            const DrawnBox box = Measure();
            ExpectInside(box);
            all.Add(box);
        }
        canvas->LastFrame();
        ExpectInside(Measure());
        ExpectFilling(all);
        canvas->GoToFrame(0, true);
        canvas->GetCamera()->Dolly(0.9);
        canvas->ResetView();
        const DrawnBox reset = Measure();
        EXPECT_NEAR(reset.left, first.left, 1);
        EXPECT_NEAR(reset.top, first.top, 1);
        EXPECT_NEAR(reset.bottom, first.bottom, 1);
    }
}

// A C3D file whose every point is flagged unmeasured (residual -1) at raw coordinates of a
// billion below zero, as some systems write the points they never saw.
std::string WriteUnmeasuredRecording(const std::string& path) {
    c3dtest::C3DFixture f;
    f.points = 4;
    f.lastFrame = 30;
    f.scale = -1;
    f.point = [](int, int) { return c3dtest::PointSample{-1e9f, -1e9f, -1e9f, -1}; };
    f.StandardParameters();
    const std::vector<uint8_t> bytes = f.Build();
    return testsupport::WriteFileBytes(path, std::string(bytes.begin(), bytes.end())) ? path : "";
}

int CountChanged(const testsupport::PixelBlock& a, const testsupport::PixelBlock& b) {
    int changed = 0;
    for (std::size_t i = 0; i + 3 < std::min(a.rgba.size(), b.rgba.size()); i += 4)
        if (std::memcmp(&a.rgba[i], &b.rgba[i], 3) != 0) ++changed;
    return changed;
}

class UnmeasuredRecordingTest : public CanvasGuiTest {
protected:
    Point3D Eye() const {
        Point3D p;
        canvas->GetCamera()->GetEye(&p.x, &p.y, &p.z);
        return p;
    }
    Point3D Centre() const {
        Point3D p;
        canvas->GetCamera()->GetCentre(&p.x, &p.y, &p.z);
        return p;
    }
    static void ExpectSame(const Point3D& a, const Point3D& b) {
        EXPECT_NEAR(a.x, b.x, 1e-9);
        EXPECT_NEAR(a.y, b.y, 1e-9);
        EXPECT_NEAR(a.z, b.z, 1e-9);
    }
};

TEST_F(UnmeasuredRecordingTest, OpensOnTheEmptySceneViewWithTheFloorInSight) {
    // The canvas as it opens, nothing loaded: its view, its floor and what they paint.
    const Point3D emptyEye = Eye(), emptyCentre = Centre();
    const GroundPlaneSettings emptyPlane = *canvas->GetGroundPlane();
    ASSERT_TRUE(emptyPlane.visible);
    ASSERT_TRUE(emptyPlane.showAxis);
    const testsupport::PixelBlock empty = Paint();
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    const testsupport::PixelBlock bare = Paint();
    *canvas->GetGroundPlane() = emptyPlane;
    // Floor and axes cover a good part of the view.
    ASSERT_GT(CountChanged(empty, bare), kWidth * kHeight / 10);

    // An auto-placed floor, moved away from the origin by a recording that was measured.
    canvas->GetGroundPlane()->autoPlace = true;
    testsupport::TempDir dir;
    c3dtest::C3DFixture measured;
    measured.scale = -1;
    measured.point = [](int f, int p) { return c3dtest::PointSample{3000.0f + 10 * f, 2000.0f + 100 * p, 900, 0}; };
    measured.StandardParameters();
    const std::vector<uint8_t> bytes = measured.Build();
    const std::string measuredPath = dir.file("measured.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(measuredPath, std::string(bytes.begin(), bytes.end())));
    ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(measuredPath.c_str()), false));
    ASSERT_GT(canvas->GetGroundPlane()->position[0], 1.0f);

    const std::string path = WriteUnmeasuredRecording(dir.file("unmeasured.c3d"));
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
    auto* recording = dynamic_cast<shapeC3D*>(canvas->GetObject());
    ASSERT_NE(recording, nullptr);
    ASSERT_EQ(recording->GetMarkerCount(), 4);
    EXPECT_FALSE(recording->AreBoundsMeasured());

    // The empty scene's view and floor...
    ExpectSame(Eye(), emptyEye);
    ExpectSame(Centre(), emptyCentre);
    ExpectSame(canvas->GetDefaultEye(), emptyEye);
    ExpectSame(canvas->GetDefaultCentre(), emptyCentre);
    const GroundPlaneSettings& plane = *canvas->GetGroundPlane();
    EXPECT_TRUE(plane.visible);
    EXPECT_EQ(plane.type, emptyPlane.type);
    EXPECT_FLOAT_EQ(plane.size, emptyPlane.size);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(plane.position[k], emptyPlane.position[k]) << k;
    // ...painted as they are with nothing loaded: no unmeasured point is drawn.
    canvas->GoToFrame(15, true);
    EXPECT_EQ(CountChanged(Paint(), empty), 0);

    // Reset View comes back to it.
    canvas->GetCamera()->Dolly(-4);
    canvas->GetCamera()->Orbit(0.7, 0.3);
    ASSERT_GT(CountChanged(Paint(), empty), 0);
    canvas->ResetView();
    ExpectSame(Eye(), emptyEye);
    ExpectSame(Centre(), emptyCentre);
    EXPECT_EQ(CountChanged(Paint(), empty), 0);
}

}  // namespace
