// The motion scene object in a real GL context: markers where they project, picking by marker
// number, links, and everything of the recording drawn under the object's turn.
#include "scene/shapeC3D.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "gl/AppSettings.h"
#include "gl/GLBitmapFont.h"
#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"
#include "scene/SceneRecordings.h"
#include "motion/TDataFile.h"
#include "support/TestSupport.h"
#include "scene/wxSegment.h"
#include "scene/wxStructure.h"

namespace {

using scenetest::RecordingRecipe;

constexpr double kPi = 3.14159265358979323846;

struct Window {
    double x = 0, y = 0;
};

class SceneC3DDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        LoadView();
    }
    // Scene units -1 .. 1 on both screen axes, looking down -Z.
    void LoadView() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    std::unique_ptr<shapeC3D> Load(const RecordingRecipe& recipe, const std::string& name = "walk.c3d") {
        const std::string path = scenetest::WriteRecording(recipe, dir.file(name));
        auto s = std::make_unique<shapeC3D>();
        EXPECT_TRUE(s->Load(wxString::FromUTF8(path)));
        return s;
    }
    // Window position of a point given in the current model-view frame, after `turn` (column-major,
    // applied first; null for none).
    Window Project(const double p[3], const double* turn = nullptr) {
        double mv[16], proj[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, viewport);
        double m[16];
        if (turn) {
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) {
                    double sum = 0;
                    for (int k = 0; k < 4; ++k) sum += mv[4 * k + r] * turn[4 * c + k];
                    m[4 * c + r] = sum;
                }
        } else {
            std::copy(mv, mv + 16, m);
        }
        Window w;
        double z = 0;
        gluProject(p[0], p[1], p[2], m, proj, viewport, &w.x, &w.y, &z);
        return w;
    }
    // Hits of a pick of 10 x 10 pixels around a window position, inside the name the canvas
    // pushes for every object.
    std::vector<testsupport::SelectHit> PickAt(shapeC3D& s, Window at) {
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPickMatrix(at.x, at.y, 10, 10, viewport);
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        auto hits = testsupport::RenderSelect([&] {
            glPushName(0);
            s.Render(GL_SELECT, -1);
            glPopName();
        });
        LoadView();
        return hits;
    }

    testsupport::TempDir dir;
};

// Three markers spread over the view (mm), the same at every frame.
RecordingRecipe Spread() {
    RecordingRecipe recipe;
    recipe.point = [](int, int p, double xyz[3]) {
        const double positions[3][3] = {{-500, -500, 0}, {0, 400, 0}, {600, -200, 0}};
        for (int k = 0; k < 3; ++k) xyz[k] = positions[p][k];
        return true;
    };
    return recipe;
}

void Colour(shapeC3D& s, int i, float r, float g, float b, float radius) {
    MarkerDisplay* m = s.GetMarkerDisplay(i);
    m->red = r;
    m->green = g;
    m->blue = b;
    m->radius = radius;
}

TEST_F(SceneC3DDraw, MarkersAppearAtTheirProjectedPositions) {
    auto s = Load(Spread());
    Colour(*s, 0, 1, 0, 0, 0.05f);
    Colour(*s, 1, 0, 1, 0, 0.05f);
    Colour(*s, 2, 0, 0, 1, 0.05f);
    s->Render(GL_RENDER, -1);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    const double positions[3][3] = {{-0.5, -0.5, 0}, {0, 0.4, 0}, {0.6, -0.2, 0}};
    const int colours[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Window w = Project(positions[i]);
        const std::uint8_t* px = pixels.at(int(w.x), int(w.y));
        EXPECT_EQ(px[0], colours[i][0]);
        EXPECT_EQ(px[1], colours[i][1]);
        EXPECT_EQ(px[2], colours[i][2]);
    }
    // Nothing else: three discs of radius 0.05 (6.4 pixels).
    const int lit = pixels.width * pixels.height - pixels.CountNear(0, 0, 0);
    EXPECT_GT(lit, 3 * 100);
    EXPECT_LT(lit, 3 * 160);
    // The drawn extent and its centre follow the markers drawn.
    const double* e = s->GetDrawnExtent();
    EXPECT_NEAR(e[0], 0.6, 1e-9);
    EXPECT_NEAR(e[4], -0.5, 1e-9);
    EXPECT_NEAR(s->GetWorldPosition()->x, 0.05, 1e-9);
    EXPECT_NEAR(s->GetWorldPosition()->y, -0.05, 1e-9);
}

TEST_F(SceneC3DDraw, HiddenMissingAndInvisibleMarkersDrawNothing) {
    RecordingRecipe recipe = Spread();
    recipe.point = [](int f, int p, double xyz[3]) {
        if (p == 1 && f == 0) return false;
        xyz[0] = 300.0 * (p - 1);
        xyz[1] = 0;
        xyz[2] = 0;
        return true;
    };
    auto s = Load(recipe);
    s->GetMarkerDisplay(0)->visible = 0;
    s->Render(GL_RENDER, -1);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    const double shown[3] = {0.3, 0, 0};
    const Window w = Project(shown);
    EXPECT_NE(pixels.at(int(w.x), int(w.y))[1], 0);
    // Only marker 3 is drawn.
    EXPECT_NEAR(s->GetWorldPosition()->x, 0.3, 1e-9);
    gl().ResetState();
    LoadView();
    s->SetVisible(false);
    s->Render(GL_RENDER, -1);
    EXPECT_EQ(gl().ReadAll().CountDifferentFrom(0, 0, 0), 0);
}

TEST_F(SceneC3DDraw, PickingNamesTheMarkerUnderThePointer) {
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "markers in one link" : "no links");
        auto s = Load(Spread());
        if (linked) {
            wxArrayInt all;
            for (int i : {0, 1, 2}) all.Add(i);
            s->AddToDisplayList(all, true);
            ASSERT_NE(s->GetLinks(), nullptr);
        }
        const double positions[3][3] = {{-0.5, -0.5, 0}, {0, 0.4, 0}, {0.6, -0.2, 0}};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const auto hits = PickAt(*s, Project(positions[i]));
            ASSERT_FALSE(hits.empty());
            // Every hit names this marker, so whichever the canvas takes is right.
            for (const auto& hit : hits) {
                ASSERT_FALSE(hit.names.empty());
                EXPECT_EQ(hit.names.back(), unsigned(i + 1));
            }
        }
        const double empty[3] = {0.6, 0.6, 0};
        EXPECT_TRUE(PickAt(*s, Project(empty)).empty());
    }
}

TEST_F(SceneC3DDraw, PickNamesAreIdPlusMarkerNumberAndSelectedMarkersOfferHandles) {
    auto s = Load(Spread());
    s->SetId(1000);
    const double second[3] = {0, 0.4, 0};
    auto hits = PickAt(*s, Project(second));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].names, (std::vector<unsigned>{1002, 1002}));

    s->SetId(0);
    s->Select(1, 2, true);
    const unsigned char saved = selected_trajectory_enabled;
    auto namesAt = [&] {
        std::set<unsigned> names;
        for (const auto& hit : PickAt(*s, Project(second)))
            for (unsigned n : hit.names) names.insert(n);
        return names;
    };
    // Manipulation needs the application's switch as well as the marker's move flag.
    selected_trajectory_enabled = 0;
    const std::set<unsigned> plain = namesAt();
    selected_trajectory_enabled = 1;
    const std::set<unsigned> handles = namesAt();
    selected_trajectory_enabled = saved;
    EXPECT_EQ(plain, (std::set<unsigned>{2}));
    EXPECT_EQ(handles, (std::set<unsigned>{2, 3, 4}));
}

TEST_F(SceneC3DDraw, SelectedMarkersAreLargerAndLinksJoinTheirMarkers) {
    auto s = Load(Spread());
    Colour(*s, 0, 1, 1, 1, 0.05f);
    s->Render(GL_RENDER, -1);
    const int plain = gl().ReadAll().CountNear(255, 255, 255);
    gl().ResetState();
    LoadView();
    s->Select(1, 1, false);
    s->Render(GL_RENDER, -1);
    const int selected = gl().ReadAll().CountNear(255, 255, 255);
    EXPECT_GT(selected, plain * 2);  // 1.5 times the radius

    gl().ResetState();
    LoadView();
    s->Select(0, -1, false);
    wxArrayInt pair;
    pair.Add(0);
    pair.Add(2);
    s->AddToDisplayList(pair, true);
    s->GetLinks()->GetLink(0)->SetColour(SegmentColour{255, 0, 255});
    s->Render(GL_RENDER, -1);
    testsupport::PixelBlock pixels = gl().ReadAll();
    const double middle[3] = {0.05, -0.35, 0};
    const Window m = Project(middle);
    int magenta = 0;
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy) {
            const std::uint8_t* px = pixels.at(int(m.x) + dx, int(m.y) + dy);
            if (px[0] > 100 && px[1] < 60 && px[2] > 100) ++magenta;
        }
    EXPECT_GT(magenta, 0) << "a tube between markers 1 and 3";

    // Hiding the links' lines leaves the spheres.
    gl().ResetState();
    LoadView();
    s->SetShowLinks(false);
    s->Render(GL_RENDER, -1);
    pixels = gl().ReadAll();
    EXPECT_EQ(pixels.CountNear(255, 0, 255, 60), 0);
    EXPECT_GT(pixels.CountNear(255, 255, 255), 50);
}

TEST_F(SceneC3DDraw, NamesFromFilesArePrintedAsText) {
    RecordingRecipe recipe = Spread();
    recipe.labels = {"%s%s%s%n%n", "100%", "ok"};
    auto s = Load(recipe);
    const float white[4] = {1, 1, 1, 1};
    label_font = CreateGLBitmapFont("Times", 20, white, 0, 0);
    ASSERT_NE(label_font, nullptr);
    for (int i = 0; i < 3; ++i) {
        s->GetMarkerDisplay(i)->showName = 1;
        s->GetMarkerDisplay(i)->showNumber = 1;
    }
    s->Render(GL_RENDER, -1);
    const int withNames = gl().ReadAll().CountDifferentFrom(0, 0, 0);
    DeleteGLBitmapFont(label_font);
    label_font = nullptr;
    gl().ResetState();
    LoadView();
    s->Render(GL_RENDER, -1);
    EXPECT_GT(withNames, gl().ReadAll().CountDifferentFrom(0, 0, 0) + 50);
}

// A recording with a plate of 400 x 600 mm under the markers and a steady vertical force.
RecordingRecipe WithPlate() {
    RecordingRecipe recipe;
    recipe.analogChannels = 6;
    recipe.samplesPerFrame = 2;
    recipe.point = [](int f, int p, double xyz[3]) {
        xyz[0] = -300.0 + 30.0 * f;
        xyz[1] = 100.0 * p;
        xyz[2] = 200.0 + 50.0 * p;
        return true;
    };
    return recipe;
}

std::string WritePlateRecording(const std::string& path) {
    auto d = scenetest::MakeRecording(WithPlate());
    for (int c = 0; c < d->analog->GetCols(); ++c) {
        d->analog->SetValue(0, c, 50.0);   // Fx
        d->analog->SetValue(2, c, 800.0);  // Fz
    }
    const int32_t channels[6] = {1, 2, 3, 4, 5, 6};
    const double corners[12] = {200, 300, 0, -200, 300, 0, -200, -300, 0, 200, -300, 0};
    const double origin[3] = {0, 0, -40};
    EXPECT_TRUE(d->AddForcePlate(2, channels, corners, origin));
    return scenetest::SaveRecording(*d, path);
}

// Everything of the recording under the object's turn: a recording whose screen axes are not
// +Z up must not show its trajectories, plates or forces away from its markers.
TEST_F(SceneC3DDraw, TrajectoriesPlatesAndForcesTurnWithTheMarkers) {
    const std::string path = WritePlateRecording(dir.file("plate.c3d"));
    shapeC3D s;
    ASSERT_TRUE(s.Load(wxString::FromUTF8(path)));
    ASSERT_EQ(s.GetPlateCount(), 1);
    s.SetOrientationAngles(kPi / 2, 0, 0);  // as for Y_SCREEN "+Y"
    const double* turn = s.GetOrientationMatrix()->m;
    glRotatef(-30, 1, 0, 0);
    glRotatef(20, 0, 0, 1);
    double t = 0.05;
    s.SetTime(t);
    PlateDisplay* plate = s.GetPlateDisplay(0);
    auto only = [&](bool markers, bool trajectory, bool plates, bool history) {
        for (int i = 0; i < s.GetMarkerCount(); ++i) {
            MarkerDisplay* m = s.GetMarkerDisplay(i);
            m->visible = markers && i == 1 ? 1 : 0;
            m->trajectory = trajectory && i == 1 ? 1 : 0;
            m->before = 2;
            m->after = 2;
        }
        plate->showPlate = plates || history ? 1 : 0;
        plate->showForceVector = 0;
        plate->showForceHistory = history ? 1 : 0;
        plate->plateColour[3] = history ? 0.0f : 1.0f;
    };
    auto near = [](float x, float y, const Window& w) {
        return std::fabs(x - w.x) < 0.5 && std::fabs(y - w.y) < 0.5;
    };

    // Marker 2 at frame 5: its sphere's vertices centre on the turned position.
    only(true, false, false, false);
    FeedbackCounts fb = Feedback([&] { s.Render(GL_RENDER, -1); });
    ASSERT_GT(fb.polygonVertices, 0);
    double cx = 0, cy = 0;
    std::vector<std::vector<double>> spheres;
    const double marker2[3] = {-0.15, 0.1, 0.25};
    const Window m2 = Project(marker2, turn);
    int n = 0;
    for (size_t v = 0; v + 2 < fb.vertices.size(); v += 3) {
        if (std::hypot(fb.vertices[v] - m2.x, fb.vertices[v + 1] - m2.y) > 10) continue;
        cx += fb.vertices[v];
        cy += fb.vertices[v + 1];
        ++n;
    }
    ASSERT_GT(n, 0);
    EXPECT_NEAR(cx / n, m2.x, 0.5);
    EXPECT_NEAR(cy / n, m2.y, 0.5);

    // Its trajectory: frames 3 to 7, every vertex where the turned marker would be.
    only(false, true, false, false);
    fb = Feedback([&] { s.Render(GL_RENDER, -1); });
    ASSERT_FALSE(fb.lineVertices.empty());
    for (int f = 3; f <= 7; ++f) {
        const double p[3] = {(-300.0 + 30.0 * f) / 1000, 0.1, 0.25};
        const Window w = Project(p, turn);
        bool found = false;
        for (size_t v = 0; v + 2 < fb.lineVertices.size(); v += 3)
            found = found || near(fb.lineVertices[v], fb.lineVertices[v + 1], w);
        EXPECT_TRUE(found) << "frame " << f;
    }

    // The plate's corners.
    only(false, false, true, false);
    fb = Feedback([&] { s.Render(GL_RENDER, -1); });
    ASSERT_GE(fb.polygonVertices, 4);
    const double corners[4][3] = {{0.2, 0.3, 0}, {-0.2, 0.3, 0}, {-0.2, -0.3, 0}, {0.2, -0.3, 0}};
    for (const auto& c : corners) {
        const Window w = Project(c, turn);
        bool found = false;
        for (size_t v = 0; v + 2 < fb.vertices.size(); v += 3)
            found = found || near(fb.vertices[v], fb.vertices[v + 1], w);
        EXPECT_TRUE(found) << c[0] << " " << c[1];
    }

    // The force history starts at the turned centre of pressure and ends at its turned tip.
    only(false, false, false, true);
    plate->forceDivisor = 4000.0f;  // keeps the tip inside the view
    TPlateForces forces;
    ASSERT_TRUE(s.GetData()->GetPlateForces(0, 10, &forces, plate->forceThreshold, false));
    fb = Feedback([&] { s.Render(GL_RENDER, -1); });
    ASSERT_GE(fb.lineVertices.size(), 6u);
    const double cop[3] = {forces.cop[0], forces.cop[1], forces.cop[2]};
    double tip[3];
    for (int k = 0; k < 3; ++k) tip[k] = cop[k] + forces.force[k] / plate->forceDivisor;
    const Window wc = Project(cop, turn);
    const Window wt = Project(tip, turn);
    bool copFound = false, tipFound = false;
    for (size_t v = 0; v + 2 < fb.lineVertices.size(); v += 3) {
        copFound = copFound || near(fb.lineVertices[v], fb.lineVertices[v + 1], wc);
        tipFound = tipFound || near(fb.lineVertices[v], fb.lineVertices[v + 1], wt);
    }
    EXPECT_TRUE(copFound);
    EXPECT_TRUE(tipFound);
}

// A selected marker's path over the whole play range: one line per pair of neighbouring samples
// a pixel or more apart, none across a missing sample, and a marker that moves less than a pixel
// a frame drawn as fewer lines, at least a pixel long, from its first to its last sample.
TEST_F(SceneC3DDraw, SelectedPathsJoinNeighbouringSamplesAndKeepGaps) {
    RecordingRecipe recipe;
    recipe.points = 2;
    recipe.frames = 20;
    recipe.point = [](int f, int p, double xyz[3]) {
        if (p == 0 && (f == 8 || f == 9)) return false;
        xyz[0] = p == 0 ? -900.0 + 90.0 * f : 1.0 * f;  // 90 mm a frame, or 1 mm
        xyz[1] = p == 0 ? 300.0 : -300.0;
        xyz[2] = 0.0;
        return true;
    };
    auto s = Load(recipe);
    double t = 0;
    s->SetTime(t);
    const auto frameAt = [](int p, int f) {
        const double xyz[3] = {(p == 0 ? -900.0 + 90.0 * f : 1.0 * f) / 1000, p == 0 ? 0.3 : -0.3, 0.0};
        return std::vector<double>(xyz, xyz + 3);
    };
    for (int p = 0; p < 2; ++p) {
        SCOPED_TRACE(p);
        for (int i = 0; i < s->GetMarkerCount(); ++i) {
            MarkerDisplay* m = s->GetMarkerDisplay(i);
            m->visible = 0;  // no sphere, handles or box: only the path draws lines
            m->trajectory = 0;
            m->selectionOrder = i == p ? 1 : 0;
        }
        const FeedbackCounts fb = Feedback([&] { s->Render(GL_RENDER, -1); });
        ASSERT_FALSE(fb.overflow);
        ASSERT_EQ(fb.lineVertices.size() % 6, 0u);
        // Frame of each line end: the nearest sample within half a pixel (-1 for none).
        std::vector<int> ends;
        for (size_t v = 0; v + 2 < fb.lineVertices.size(); v += 3) {
            int frame = -1;
            double best = 0.5;
            for (int f = 0; f < recipe.frames; ++f) {
                const Window w = Project(frameAt(p, f).data());
                const double d = std::hypot(fb.lineVertices[v] - w.x, fb.lineVertices[v + 1] - w.y);
                if (d < best) {
                    best = d;
                    frame = f;
                }
            }
            ends.push_back(frame);
        }
        if (p == 0) {
            // Every sample a line from the one before, but not across frames 8 and 9.
            std::set<std::pair<int, int>> lines;
            for (size_t e = 0; e + 1 < ends.size(); e += 2) lines.insert({ends[e], ends[e + 1]});
            std::set<std::pair<int, int>> expected;
            for (int f = 1; f < recipe.frames; ++f)
                if (f != 8 && f != 9 && f != 10) expected.insert({f - 1, f});
            EXPECT_EQ(lines, expected);
        } else {
            const Window first = Project(frameAt(p, 0).data());
            const Window step = Project(frameAt(p, 1).data());
            ASSERT_LT(std::fabs(step.x - first.x), 0.5) << "the view is too large for this case";
            ASSERT_FALSE(ends.empty());
            EXPECT_LT(ends.size() / 2, size_t(recipe.frames - 1) / 2);
            EXPECT_EQ(ends.front(), 0);
            EXPECT_EQ(ends.back(), recipe.frames - 1);
            for (size_t e = 0; e + 1 < ends.size(); e += 2) {
                EXPECT_NE(ends[e], -1);
                if (e > 0) {
                    EXPECT_EQ(ends[e], ends[e - 1]) << "the lines follow on";
                }
                const size_t v = 3 * e;
                if (e + 2 < ends.size()) {
                    EXPECT_GE(std::hypot(fb.lineVertices[v + 3] - fb.lineVertices[v],
                                         fb.lineVertices[v + 4] - fb.lineVertices[v + 1]),
                              0.999);
                }
            }
        }
    }
}

TEST_F(SceneC3DDraw, ForceHistoryFollowsTheThresholdAndThePlayRange) {
    const std::string path = WritePlateRecording(dir.file("plate.c3d"));
    shapeC3D s;
    ASSERT_TRUE(s.Load(wxString::FromUTF8(path)));
    PlateDisplay* plate = s.GetPlateDisplay(0);
    plate->showForceVector = 0;
    plate->showForceHistory = 1;
    for (int i = 0; i < s.GetMarkerCount(); ++i) s.GetMarkerDisplay(i)->visible = 0;
    auto lines = [&] {
        const FeedbackCounts fb = Feedback([&] { s.DrawForceHistory(0, GL_RENDER); });
        return fb.lines;
    };
    // 20 frames: a force line each and 19 lines between the tips.
    EXPECT_EQ(lines(), 39);
    EXPECT_EQ(lines(), 39);
    plate->forceThreshold = 5000.0f;
    EXPECT_EQ(lines(), 0);
    plate->forceThreshold = 10.0f;
    s.SetFirstFrame(5);
    s.SetLastFrame(9);
    EXPECT_EQ(lines(), 9);
}

TEST_F(SceneC3DDraw, BlendedPlatesLetTheBackgroundThrough) {
    const std::string path = WritePlateRecording(dir.file("plate.c3d"));
    shapeC3D s;
    ASSERT_TRUE(s.Load(wxString::FromUTF8(path)));
    for (int i = 0; i < s.GetMarkerCount(); ++i) s.GetMarkerDisplay(i)->visible = 0;
    PlateDisplay* plate = s.GetPlateDisplay(0);
    plate->showForceVector = 0;
    const float colour[4] = {1.0f, 1.0f, 1.0f, 0.5f};
    std::copy(colour, colour + 4, plate->plateColour);
    s.Render(GL_RENDER, -1);
    const double centre[3] = {0.05, 0.05, 0};
    const Window w = Project(centre);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    EXPECT_NEAR(pixels.at(int(w.x), int(w.y))[0], 128, 3);
    GLboolean blend = GL_TRUE;
    glGetBooleanv(GL_BLEND, &blend);
    EXPECT_FALSE(blend);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    EXPECT_NEAR(plate->size[0], 0.4, 1e-6);
    EXPECT_NEAR(plate->size[1], 0.6, 1e-6);
    EXPECT_FLOAT_EQ(plate->thickness, 0.1f);
    EXPECT_NEAR(plate->centre[0], 0.0, 1e-6);
}

}  // namespace
