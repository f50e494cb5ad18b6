// The model in a real GL context (under Xvfb): lists made at the first draw, every item picked
// under its own name, centre-of-mass trajectories broken at gaps, and the scene object that owns
// the model: segments drawn with the markers, a drag of a selected glyph saved for undo.
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "model/C3DModel.h"
#include "model/ModelFixture.h"
#include "scene/shapeC3D.h"
#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"

namespace {

using modeltest::kJoints;
using modeltest::kSegments;

constexpr int kFrame = 150;  // both feet on the ground around here

class ModelDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        if (!folder.ok()) FAIL() << "sample file missing";
        data = folder.LoadTrial();
        model = std::make_unique<C3DModel>();
        ASSERT_TRUE(model->BuildModel(data.get(), wxString(), false));
        ASSERT_EQ(model->SegmentCount, kSegments);
        ASSERT_EQ(model->JointCount, kJoints);
    }

    // A side view (x right, z up) of the whole body at kFrame, in metres.
    void LoadSideView() {
        double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
        for (int i = 0; i <= kSegments; ++i) {
            model->UpdateSegmentObject(i, kFrame);
            const ModelObject* o = model->GetSegmentObject(i);
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], o->position[c]);
                hi[c] = std::max(hi[c], o->position[c]);
            }
        }
        const double cx = (lo[0] + hi[0]) / 2, cz = (lo[2] + hi[2]) / 2;
        const double half = std::max(hi[0] - lo[0], hi[2] - lo[2]) / 2 + 0.3;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(cx - half, cx + half, cz - half, cz + half, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotated(-90, 1, 0, 0);  // z up, looking along +y
    }

    // Names hit by a pick of 6 x 6 pixels around the window position of p.
    std::set<unsigned> PickAround(const double p[3]) {
        double mv[16], proj[16], wx, wy, wz;
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(p[0], p[1], p[2], mv, proj, viewport, &wx, &wy, &wz);
        double saved[16];
        std::copy(proj, proj + 16, saved);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPickMatrix(wx, wy, 6, 6, viewport);
        glMultMatrixd(saved);
        glMatrixMode(GL_MODELVIEW);
        std::set<unsigned> names;
        for (const auto& hit : testsupport::RenderSelect([&] { model->Draw(kFrame, GL_SELECT, -1, nullptr, false); }))
            names.insert(hit.names.begin(), hit.names.end());
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixd(saved);
        glMatrixMode(GL_MODELVIEW);
        return names;
    }

    modeltest::TrialFolder folder;
    std::unique_ptr<TDataFile> data;
    std::unique_ptr<C3DModel> model;
};

TEST_F(ModelDraw, ListsAreMadeAtTheFirstDrawAndTheBodyShows) {
    LoadSideView();
    for (auto& o : model->segmentObjects) ASSERT_EQ(o->GlyphList(), 0u);
    model->Draw(kFrame, GL_RENDER, -1, nullptr, false);
    for (auto& o : model->segmentObjects) EXPECT_NE(o->GlyphList(), 0u);
    for (auto& o : model->jointObjects) {
        // A node has no centre of its own and stays undrawn at the origin.
        if (o->position[0] == 0 && o->position[1] == 0 && o->position[2] == 0) continue;
        EXPECT_NE(o->GlyphList(), 0u) << o->name;
    }
    const testsupport::PixelBlock pixels = gl().ReadAll();
    EXPECT_GT(pixels.CountDifferentFrom(0, 0, 0), 200);
    EXPECT_GT(pixels.CountNear(0, 255, 0, 60), 5);  // the green centre of mass
    // A rebuild marks the list stale; the next draw makes a new one.
    model->SetWireframe(true);
    EXPECT_EQ(model->segmentObjects[0]->GlyphList(), 0u);
    model->Draw(kFrame, GL_RENDER, -1, nullptr, false);
    EXPECT_NE(model->segmentObjects[0]->GlyphList(), 0u);
}

TEST_F(ModelDraw, SegmentJointAndCentreOfMassPickUnderTheirOwnNames) {
    LoadSideView();
    model->Draw(kFrame, GL_RENDER, -1, nullptr, false);
    std::set<unsigned> all;
    for (const auto& hit : testsupport::RenderSelect([&] { model->Draw(kFrame, GL_SELECT, -1, nullptr, false); }))
        all.insert(hit.names.begin(), hit.names.end());
    for (int i = 0; i < kSegments; ++i) EXPECT_TRUE(all.count(100000u + i)) << "segment " << i;
    EXPECT_TRUE(all.count(100000u + kSegments)) << "centre of mass";
    for (int j = 0; j < kJoints - 1; ++j) EXPECT_TRUE(all.count(100000u + kSegments + 1 + j)) << "joint " << j;

    const unsigned thigh = 100000u + 2, com = 100000u + kSegments, knee = 100000u + kSegments + 1 + 2;
    EXPECT_TRUE(PickAround(model->segmentObjects[2]->position).count(thigh));
    EXPECT_TRUE(PickAround(model->comObject.position).count(com));
    EXPECT_TRUE(PickAround(model->jointObjects[2]->position).count(knee));
    // Each name maps back to its own item.
    EXPECT_EQ(model->GetItemNameById(int(thigh)), "Right thigh");
    EXPECT_EQ(model->GetItemNameById(int(com)), "CoM");
    EXPECT_EQ(model->GetItemNameById(int(knee)), "Right knee");
}

TEST_F(ModelDraw, TrajectoryStopsBeforeTheLastFrameAndBreaksAtGaps) {
    LoadSideView();
    // Paths are thinned to about a vertex per pixel: the view spans just these frames' path, so
    // that every frame is pixels away from the next.
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (int f = 100; f < 110; ++f)
        for (int k = 0; k < 2; ++k) {
            const double v = model->Kinematics->GetValue(2 * 16 + 2 * k, f);
            lo[k] = std::min(lo[k], v);
            hi[k] = std::max(hi[k], v);
        }
    const double half = std::max(hi[0] - lo[0], hi[1] - lo[1]) / 2 * 1.2;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho((lo[0] + hi[0]) / 2 - half, (lo[0] + hi[0]) / 2 + half, (lo[1] + hi[1]) / 2 - half,
            (lo[1] + hi[1]) / 2 + half, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    model->SelectItem(2, 1, false);
    FeedbackCounts whole = Feedback([&] { model->DrawTrajectories(100, 110, nullptr, false); });
    EXPECT_EQ(whole.lines, 9);  // frames 100 to 109
    // A gap of two frames splits the strip in two: 3 + 4 segments. An edit in place raises the
    // revision, as the model's own computations do.
    for (int c = 0; c < 3; ++c) {
        model->Kinematics->SetValue(2 * 16 + c, 104, 0.0);
        model->Kinematics->SetValue(2 * 16 + c, 105, 0.0);
    }
    ++model->KinematicsRevision;
    FeedbackCounts broken = Feedback([&] { model->DrawTrajectories(100, 110, nullptr, false); });
    EXPECT_EQ(broken.lines, 3 + 3);
}

// ---- the scene object that owns the model ----

TEST_F(ModelDraw, TheSceneObjectShowsTheModelAndUndoesADrag) {
    shapeC3D scene;
    ASSERT_TRUE(scene.Load(wxString::FromUTF8(folder.trial())));
    C3DModel* owned = scene.GetModel();
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(owned->SegmentCount, kSegments);
    EXPECT_EQ(scene.GetName(100000 + 6), "Pelvis");

    scene.Select(1, 100000 + 1, true);
    ASSERT_TRUE(scene.PushUndo("Move object"));
    EXPECT_EQ(owned->GetUndoCount(), 1);
    scene.MoveSelection(30, 40, 0);
    const float moved = owned->segmentObjects[1]->offsetX;
    EXPECT_NEAR(moved, -0.05f, 1e-6);  // the scene turns dy before the model measures the drag
    EXPECT_FLOAT_EQ(owned->segmentObjects[0]->offsetX, 0.0f);
    ASSERT_TRUE(scene.Undo());
    ASSERT_NE(scene.GetModel(), nullptr);
    EXPECT_FLOAT_EQ(scene.GetModel()->segmentObjects[1]->offsetX, 0.0f);
    EXPECT_EQ(scene.GetModel()->GetUndoCount(), 0);

    // Drawn with the recording: the model's glyphs make pixels under the object's render.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3, 3, -3, 3, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    double t = kFrame * scene.GetFramePeriod();
    scene.SetTime(t);
    scene.Render(GL_RENDER, -1);
    EXPECT_NE(scene.GetModel()->segmentObjects[0]->GlyphList(), 0u);
}

}  // namespace
