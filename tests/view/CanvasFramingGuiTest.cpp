// What a freshly opened mesh, drawing or skeleton looks like: the drawn pixels, measured against
// the view, hold the whole object and fill most of the view, at open, after Reset View and (for
// a skeleton) at every frame it plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gl/wxGLCamera.h"
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

}  // namespace
