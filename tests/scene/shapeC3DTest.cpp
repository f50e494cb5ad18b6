// The motion scene object without a display: loading, time model, bounds, marker records, links,
// selection, reference marker, distances, events, display-settings files and saved states.
#include "scene/shapeC3D.h"

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/fileconf.h>
#include <wx/log.h>

#include "motion/C3DFixture.h"
#include "model/C3DModel.h"
#include "scene/SceneRecordings.h"
#include "motion/TDataFile.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"
#include "scene/wxSegment.h"
#include "scene/wxStructure.h"

namespace {

using scenetest::RecordingRecipe;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

wxString Wx(const std::string& s) { return wxString::FromUTF8(s); }

// Collects what the toolkit's log is given while it lives.
class LogCapture {
public:
    explicit LogCapture(std::string& out) : previous_(wxLog::SetActiveTarget(new Target(out))) {}
    ~LogCapture() { delete wxLog::SetActiveTarget(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

private:
    class Target : public wxLog {
    public:
        explicit Target(std::string& out) : out_(out) {}

    protected:
        void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override { out_ += msg.utf8_string() + "\n"; }

    private:
        std::string& out_;
    };
    wxLog* previous_;
};

class SceneC3D : public WxBaseTest {
protected:
    // Loads a recording written from the recipe; fails the test when it does not load.
    std::unique_ptr<shapeC3D> LoadRecipe(const RecordingRecipe& recipe, const std::string& name = "walk.c3d") {
        const std::string path = scenetest::WriteRecording(recipe, dir.file(name));
        auto scene = std::make_unique<shapeC3D>();
        EXPECT_TRUE(scene->Load(Wx(path))) << path;
        return scene;
    }
    std::unique_ptr<shapeC3D> LoadDefault() { return LoadRecipe(RecordingRecipe()); }

    testsupport::TempDir dir;
};

// ---- loading and the time model ----

TEST_F(SceneC3D, NewObjectIsEmpty) {
    shapeC3D s;
    EXPECT_EQ(s.GetTypeName(), "c3d");
    EXPECT_FALSE(s.IsLoaded());
    EXPECT_EQ(s.GetData(), nullptr);
    EXPECT_EQ(s.GetMarkerCount(), 0);
    EXPECT_EQ(s.GetDivisor(), 1000.0);
    EXPECT_EQ(s.GetReferenceMarker(), -1);
    EXPECT_EQ(s.GetUpAxis(), 2);
    EXPECT_EQ(s.GetFrameCount(), 0);
    EXPECT_EQ(s.GetFrameRate(), 0.0);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(s.GetBounds()[k], 0.0f);
        EXPECT_EQ(s.GetDrawnExtent()[k], 0.0);
    }
    const PlateDisplay* plate = s.GetPlateDisplay(63);
    ASSERT_NE(plate, nullptr);
    EXPECT_FLOAT_EQ(plate->plateColour[3], 0.7f);
    EXPECT_FLOAT_EQ(plate->forceDivisor, 600.0f);
    EXPECT_FLOAT_EQ(plate->forceThreshold, 10.0f);
    EXPECT_EQ(s.GetPlateDisplay(64), nullptr);
    // Operations on markers and events do nothing without a recording.
    EXPECT_EQ(s.Distance(0, 1, 0), 0.0);
    EXPECT_FALSE(s.IsMarkerValid(0, 0));
    EXPECT_TRUE(s.GetEventLabels().IsEmpty());
    EXPECT_EQ(s.FindEvent("x", nullptr, nullptr), -1);
    EXPECT_FALSE(s.AddEvent("x", "x", 1, 0, 0));
    EXPECT_FALSE(s.SaveAs(Wx(dir.file("a.c3d"))));
    EXPECT_FALSE(s.Save());
}

TEST_F(SceneC3D, LoadGivesTheTimeModelAndInfo) {
    RecordingRecipe recipe;
    recipe.points = 4;
    recipe.frames = 250;
    recipe.rate = 50.0f;
    auto s = LoadRecipe(recipe, "run.c3d");
    ASSERT_TRUE(s->IsLoaded());
    EXPECT_EQ(s->GetName(0), "run");
    EXPECT_EQ(s->GetFrameCount(), 250);
    EXPECT_DOUBLE_EQ(s->GetFrameRate(), 50.0);
    EXPECT_DOUBLE_EQ(s->GetFramePeriod(), 0.02);
    EXPECT_DOUBLE_EQ(s->GetDuration(), 5.0);
    EXPECT_EQ(s->GetFirstFrame(), 0);
    EXPECT_EQ(s->GetLastFrame(), 249);
    EXPECT_EQ(s->GetData()->playFirst, 0);
    EXPECT_EQ(s->GetData()->playLast, 249);
    EXPECT_EQ(s->GetLoadedFrameCount(), 250);
    EXPECT_EQ(s->GetLoadedFirstFrame(), 0);
    EXPECT_EQ(s->GetMarkerCount(), 4);
    EXPECT_EQ(s->GetInfo(), "Markers : 4 - Frames : 250 - duration :5.000 (s) - rate 50 (fps)");
    EXPECT_FALSE(s->IsModified());
    EXPECT_FALSE(s->IsLoading());
    EXPECT_EQ(s->GetModel(), nullptr);  // no model files: no model, no warning
    EXPECT_EQ(s->GetDisplaySettingsPath(), Wx(dir.file("run.dlp")));

    // Time lands on frames and loops the play range.
    double t = 0.0149;
    s->SetTime(t);
    EXPECT_EQ(s->GetCurrentFrame(), 1);
    EXPECT_DOUBLE_EQ(t, 0.02);
    t = 6.0;
    s->SetTime(t);
    EXPECT_EQ(s->GetCurrentFrame(), 0);
    t = -1.0;
    s->SetTime(t);
    EXPECT_EQ(s->GetCurrentFrame(), 249);

    EXPECT_DOUBLE_EQ(s->SetFirstFrame(10), 0.2);
    EXPECT_EQ(s->GetData()->playFirst, 10);
    EXPECT_DOUBLE_EQ(s->SetLastFrame(20), 0.4);
    EXPECT_EQ(s->GetData()->playLast, 20);
}

TEST_F(SceneC3D, LoadOfAFileWithoutPointsFailsAndLeavesTheObjectEmpty) {
    testsupport::WriteFileBytes(dir.file("bad.c3d"), "not a c3d file at all");
    shapeC3D s;
    CaptureStdout();
    const bool bad = s.Load(Wx(dir.file("bad.c3d")));
    const bool absent = s.Load(Wx(dir.file("absent.c3d")));
    GetCapturedStdout();
    EXPECT_FALSE(bad);
    EXPECT_FALSE(absent);
    EXPECT_FALSE(s.IsLoaded());
    EXPECT_EQ(s.GetData(), nullptr);
    EXPECT_EQ(s.GetMarkerCount(), 0);
    EXPECT_EQ(s.GetLinks(), nullptr);
}

// A file cut inside its data section loads the frames it holds and says what it lost on standard
// output, which the main window's Log page shows; a whole file says nothing.
TEST_F(SceneC3D, ALoadThatLostDataSaysSoInTheLog) {
    RecordingRecipe recipe;
    recipe.frames = 450;
    const std::string whole = scenetest::WriteRecording(recipe, dir.file("whole.c3d"));
    const std::string bytes = testsupport::ReadFileBytes(whole);
    ASSERT_GT(bytes.size(), 4096u);
    testsupport::WriteFileBytes(dir.file("cut.c3d"), bytes.substr(0, bytes.size() - 2048));
    for (const char* name : {"whole.c3d", "cut.c3d"}) {
        SCOPED_TRACE(name);
        shapeC3D s;
        CaptureStdout();
        const bool loaded = s.Load(Wx(dir.file(name)));
        const std::string printed = GetCapturedStdout();
        ASSERT_TRUE(loaded);
        if (std::string(name) == "whole.c3d") {
            EXPECT_EQ(printed.find("ends early"), std::string::npos) << printed;
            EXPECT_TRUE(s.GetLoadError().empty());
        } else {
            EXPECT_NE(printed.find("C3D data section ends early"), std::string::npos) << printed;
            EXPECT_EQ(s.GetLoadError().utf8_string().rfind("C3D data section ends early", 0), 0u);
        }
    }
}

TEST_F(SceneC3D, BoundsAreTheRecordingsInSceneUnits) {
    RecordingRecipe recipe;
    recipe.points = 2;
    recipe.point = [](int f, int p, double xyz[3]) {
        xyz[0] = p == 0 ? -500.0 : 1500.0 + f;
        xyz[1] = p == 0 ? 250.0 : 750.0;
        xyz[2] = p == 0 ? 100.0 : 1800.0;
        return true;
    };
    auto s = LoadRecipe(recipe);
    const float* b = s->GetBounds();
    EXPECT_NEAR(b[0], -0.5, 1e-6);
    EXPECT_NEAR(b[1], 1.519, 1e-6);
    EXPECT_NEAR(b[2], 0.0, 1e-6);  // the origin is always inside
    EXPECT_NEAR(b[3], 0.75, 1e-6);
    EXPECT_NEAR(b[4], 0.0, 1e-6);
    EXPECT_NEAR(b[5], 1.8, 1e-6);
}

TEST_F(SceneC3D, MarkerRecordsWithoutLinksAreCyanAndShown) {
    RecordingRecipe recipe;
    recipe.labels = {"LASI", "RASI", "%s%n%d"};
    auto s = LoadRecipe(recipe);
    ASSERT_EQ(s->GetMarkerCount(), 3);
    EXPECT_EQ(s->GetLinks(), nullptr);
    EXPECT_TRUE(s->GetShowUnlinkedMarkers());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const MarkerDisplay* m = s->GetMarkerDisplay(i);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->name, recipe.labels[i]);
        EXPECT_FLOAT_EQ(m->red, 0.0f);
        EXPECT_FLOAT_EQ(m->green, 1.0f);
        EXPECT_FLOAT_EQ(m->blue, 1.0f);
        EXPECT_FLOAT_EQ(m->radius, 0.015f);
        EXPECT_FLOAT_EQ(m->zoom, 3.0f);
        EXPECT_FLOAT_EQ(m->trajectoryWidth, 2.0f);
        EXPECT_EQ(m->visible, 1);
        EXPECT_TRUE(s->IsMarkerDisplayed(i));
    }
    EXPECT_EQ(s->GetMarkerDisplay(3), nullptr);
    EXPECT_EQ(s->GetMarkerDisplay(-1), nullptr);
    EXPECT_FALSE(s->IsMarkerDisplayed(3));
    EXPECT_EQ(s->GetName(3), "%s%n%d");
    EXPECT_EQ(s->GetMarkerName(0), "LASI");
}

TEST_F(SceneC3D, ScreenAxesGiveTheUpAxisAndTheTurn) {
    struct Case {
        const char* yScreen;
        int upAxis;
        double angles[3];
    };
    const double h = 3.14159265358979323846 / 2;
    const Case cases[] = {{"+Z", 2, {0, 0, 0}},  {"", 2, {0, 0, 0}},   {"+Y", 1, {h, 0, 0}},
                          {"+y", 1, {h, 0, 0}},  {"-Y", 1, {-h, 0, 0}}, {"+X", 0, {0, h, 0}},
                          {"-x", 0, {0, -h, 0}}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.yScreen);
        c3dtest::C3DFixture f;
        f.points = 2;
        f.StandardParameters();
        if (*c.yScreen) f.Text(1, "Y_SCREEN", c.yScreen);
        const std::vector<uint8_t> bytes = f.Build();
        const std::string path = dir.file("axes" + std::to_string(n++) + ".c3d");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, std::string(bytes.begin(), bytes.end())));
        shapeC3D s;
        ASSERT_TRUE(s.Load(Wx(path)));
        EXPECT_EQ(s.GetUpAxis(), c.upAxis);
        Matrix4x4 expected;
        expected.SetRotation(c.angles[0], c.angles[1], c.angles[2]);
        const Matrix4x4* m = s.GetOrientationMatrix();
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(m->m[i], expected.m[i], 1e-12) << i;
    }
}

TEST_F(SceneC3D, SecondLoadReplacesEverything) {
    auto s = LoadDefault();
    s->SetReferenceMarker(1, true);
    s->Select(1, 2, false);
    wxArrayInt link;
    link.Add(0);
    link.Add(1);
    s->AddToDisplayList(link, true);
    ASSERT_NE(s->GetLinks(), nullptr);
    RecordingRecipe other;
    other.points = 5;
    other.frames = 7;
    ASSERT_TRUE(s->Load(Wx(scenetest::WriteRecording(other, dir.file("other.c3d")))));
    EXPECT_EQ(s->GetMarkerCount(), 5);
    EXPECT_EQ(s->GetFrameCount(), 7);
    EXPECT_EQ(s->GetReferenceMarker(), -1);
    EXPECT_FALSE(s->IsRelativeToReference());
    EXPECT_EQ(s->CountSelected(), 0);
    EXPECT_EQ(s->GetLinks(), nullptr);
}

TEST_F(SceneC3D, TwoDimensionalRecordingsLieInTheXZPlane) {
    RecordingRecipe recipe;
    recipe.point = [](int, int p, double xyz[3]) {
        xyz[0] = 100.0 * (p + 1);
        xyz[1] = 200.0 * (p + 1);
        xyz[2] = 300.0 * (p + 1);
        return true;
    };
    auto s = LoadRecipe(recipe);
    // Read as a two-dimensional table: marker i is rows 2i (x) and 2i + 1 (z).
    s->GetData()->dimension = 2;
    s->UpdateTransform();
    const double* p = s->GetMarkerDisplay(1)->position;
    EXPECT_NEAR(p[0], s->GetData()->points->GetValue(2, 0) / 1000, 1e-12);
    EXPECT_EQ(p[1], 0.0);
    EXPECT_NEAR(p[2], s->GetData()->points->GetValue(3, 0) / 1000, 1e-12);
    // Axis 1 selects nothing in such a recording.
    const double before = s->GetData()->points->GetValue(2, 0);
    s->OffsetMarkerTrajectory(1, 50.0, 1);
    EXPECT_EQ(s->GetData()->points->GetValue(2, 0), before);
    s->OffsetMarkerTrajectory(1, 50.0, 0);
    EXPECT_EQ(s->GetData()->points->GetValue(2, 0), before + 50.0);
}

TEST_F(SceneC3D, ImportOfAnUnreadableFileLogsAndLeavesTheObjectEmpty) {
    auto s = LoadDefault();
    ASSERT_TRUE(s->PushUndo("x"));
    std::string logged;
    bool imported = true;
    {
        LogCapture capture(logged);
        CaptureStdout();
        imported = s->Import(Wx(dir.file("absent.emg")));
        GetCapturedStdout();
    }
    EXPECT_FALSE(imported);
    EXPECT_NE(logged.find("Unable to load analog data : " + dir.file("absent.emg")), std::string::npos)
        << logged;
    EXPECT_FALSE(s->IsLoaded());
    EXPECT_EQ(s->GetData(), nullptr);
    EXPECT_EQ(s->GetUndoCount(), 0);
}

// ---- positions, reference marker and distances ----

TEST_F(SceneC3D, PositionsFollowTheFrameAndTheReference) {
    RecordingRecipe recipe;
    recipe.point = [](int f, int p, double xyz[3]) {
        if (p == 2 && f == 3) return false;
        xyz[0] = 1000.0 * p + 10.0 * f;
        xyz[1] = 500.0;
        xyz[2] = 2000.0 * p;
        return true;
    };
    auto s = LoadRecipe(recipe);
    double t = 0.03;
    s->SetTime(t);
    s->UpdateTransform();
    EXPECT_NEAR(s->GetMarkerDisplay(1)->position[0], 1.03, 1e-9);
    EXPECT_NEAR(s->GetMarkerDisplay(1)->position[2], 2.0, 1e-9);
    // A missing sample is stored as the missing value itself.
    EXPECT_EQ(s->GetMarkerDisplay(2)->position[0], 0.0);

    s->SetReferenceMarker(1, true);
    s->UpdateTransform();
    EXPECT_NEAR(s->GetReferencePosition()[0], 1.03, 1e-9);
    EXPECT_NEAR(s->GetMarkerDisplay(0)->position[0], -1.0, 1e-9);
    EXPECT_NEAR(s->GetMarkerDisplay(0)->position[2], -2.0, 1e-9);
    EXPECT_NEAR(s->GetMarkerDisplay(1)->position[0], 0.0, 1e-9);

    // The reference marker missing keeps the previous reference position.
    s->SetReferenceMarker(2, true);
    t = 0.02;
    s->SetTime(t);
    s->UpdateTransform();
    const double before = s->GetReferencePosition()[0];
    EXPECT_NEAR(before, 2.02, 1e-9);
    t = 0.03;
    s->SetTime(t);
    s->UpdateTransform();
    EXPECT_EQ(s->GetReferencePosition()[0], before);

    struct Case {
        int index;
        bool relative;
        int expected;
        bool expectedRelative;
    };
    for (const Case& c : {Case{0, true, 0, true}, Case{2, false, 2, false}, Case{3, true, -1, false},
                          Case{-1, true, -1, false}, Case{100002, true, 100002, true}}) {
        SCOPED_TRACE(c.index);
        s->SetReferenceMarker(c.index, c.relative);
        EXPECT_EQ(s->GetReferenceMarker(), c.expected);
        EXPECT_EQ(s->IsRelativeToReference(), c.expectedRelative);
    }
    // A model item without a model: the reference sits at the origin.
    s->UpdateTransform();
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s->GetReferencePosition()[k], 0.0);
}

TEST_F(SceneC3D, DistancesSkipMissingSamples) {
    RecordingRecipe recipe;
    recipe.frames = 4;
    recipe.point = [](int f, int p, double xyz[3]) {
        if (p == 1 && f == 2) return false;
        xyz[0] = p == 0 ? 0.0 : 3000.0 + 1000.0 * f;
        xyz[1] = p == 0 ? 0.0 : 4000.0;
        xyz[2] = 1000.0;
        return true;
    };
    recipe.points = 2;
    auto s = LoadRecipe(recipe);
    EXPECT_NEAR(s->Distance(0, 1, 0), 5.0, 1e-9);
    EXPECT_EQ(s->Distance(0, 1, 2), 0.0);
    EXPECT_EQ(s->Distance(0, 2, 0), 0.0);
    EXPECT_EQ(s->Distance(-1, 1, 0), 0.0);
    EXPECT_EQ(s->Distance(0, 1, 99), 0.0);
    EXPECT_TRUE(s->IsMarkerValid(1, 1));
    EXPECT_FALSE(s->IsMarkerValid(1, 2));
    EXPECT_FALSE(s->IsMarkerValid(2, 0));
    // Frames 0, 1 and 3: 5, sqrt(16 + 16) and sqrt(36 + 16).
    const double mean = (5.0 + std::sqrt(32.0) + std::sqrt(52.0)) / 3;
    EXPECT_NEAR(s->MeanDistance(0, 1), mean, 1e-9);
    s->SetFirstFrame(1);
    s->SetLastFrame(1);
    EXPECT_NEAR(s->MeanDistance(0, 1), std::sqrt(32.0), 1e-9);
    s->SetFirstFrame(2);
    s->SetLastFrame(2);
    EXPECT_EQ(s->MeanDistance(0, 1), 0.0);
}

// ---- selection and highlight ----

TEST_F(SceneC3D, SelectAndHighlightTakeMarkerNumbers) {
    auto s = LoadDefault();
    s->Select(0, 0, true);
    s->SetHighlighted(true, 0);
    s->Select(1, 4, true);
    s->SetHighlighted(true, 4);
    EXPECT_EQ(s->CountSelected(), 0);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(s->IsHighlighted(n), 0);

    s->Select(3, 2, true);
    s->SetHighlighted(true, 3);
    EXPECT_EQ(s->GetSelectionOrder(2), 3);
    EXPECT_EQ(s->GetMarkerDisplay(1)->moveFlag, 1);
    EXPECT_EQ(s->IsHighlighted(3), 1);
    EXPECT_EQ(s->GetSelectionOrder(0), 0);
    EXPECT_EQ(s->GetSelectionOrder(4), 0);
    EXPECT_EQ(s->CountSelected(), 1);
    EXPECT_EQ(s->GetMaxSelectionOrder(), 3);

    s->SetHighlighted(false, -1);
    EXPECT_EQ(s->IsHighlighted(3), 0);
    s->Select(1, -1, false);
    EXPECT_EQ(s->CountSelected(), 0);
    EXPECT_EQ(s->GetMarkerDisplay(1)->moveFlag, 0);
    EXPECT_EQ(s->GetMaxSelectionOrder(), 0);
}

TEST_F(SceneC3D, GetSelectionListsEverySelectedMarkerInOrder) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> picks;  // marker number, order
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"orders 1 2 3", {{3, 1}, {1, 2}, {2, 3}}, {2, 0, 1}},
        {"orders with a gap", {{1, 1}, {2, 2}, {3, 5}}, {0, 1, 2}},
        {"orders after a model item took order 1", {{2, 2}, {1, 3}}, {1, 0}},
        {"nothing selected", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = LoadDefault();
        for (const auto& [number, order] : c.picks) s->Select(order, number, false);
        wxArrayInt out;
        out.Add(42);
        s->GetSelection(out);
        ASSERT_EQ(out.GetCount(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(out[i], c.expected[i]);
    }
}

TEST_F(SceneC3D, SelectedMarkersAndTheirCentre) {
    auto s = LoadDefault();
    float centre[3] = {9, 9, 9};
    EXPECT_FALSE(s->GetSelectionCentre(centre));
    EXPECT_EQ(centre[0], 0.0f);
    s->Select(2, 1, false);
    s->Select(1, 3, false);
    wxArrayInt indices, orders;
    wxArrayString texts;
    indices.Add(7);
    EXPECT_EQ(s->GetSelectedMarkers(indices, orders, true, &texts), 2);
    ASSERT_EQ(indices.GetCount(), 2u);
    EXPECT_EQ(indices[0], 0);
    EXPECT_EQ(orders[0], 2);
    EXPECT_EQ(indices[1], 2);
    EXPECT_EQ(texts.GetCount(), 2u);
    ASSERT_TRUE(s->GetSelectionCentre(centre));
    // Markers 0 and 2 at frame 0: x 100 and 300, y 200 and 600, z 300 and 320 (mm).
    EXPECT_NEAR(centre[0], 0.2, 1e-6);
    EXPECT_NEAR(centre[1], 0.4, 1e-6);
    EXPECT_NEAR(centre[2], 0.31, 1e-6);
}

TEST_F(SceneC3D, DragMovesTheTrajectoriesOfMarkersWithTheMoveFlag) {
    struct Case {
        double dx, dy;
        int axis;
        double expectedShift;  // recording units
    };
    const Case cases[] = {{3, 4, 0, -5}, {-3, 4, 0, 5}, {3, -4, 2, 5}, {0, 0, 1, 0}, {3, 4, -1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << " " << c.dy << " axis " << c.axis);
        RecordingRecipe recipe;
        recipe.point = [](int f, int p, double xyz[3]) {
            if (p == 0 && f == 4) return false;
            xyz[0] = 100.0 * (p + 1);
            xyz[1] = 200.0;
            xyz[2] = 300.0;
            return true;
        };
        auto s = LoadRecipe(recipe);
        s->Select(1, 1, true);   // moves
        s->Select(2, 2, false);  // selected only
        s->SetFirstFrame(2);
        s->SetLastFrame(5);
        s->MoveSelection(c.dx, c.dy, c.axis);
        EXPECT_EQ(s->IsModified(), c.axis >= 0);
        const Matrix2D* points = s->GetData()->points;
        const int dim = s->GetData()->dimension;
        const int axis = c.axis < 0 ? 0 : c.axis;
        const double base[3] = {100.0, 200.0, 300.0};
        for (int f = 0; f < 20; ++f) {
            const bool inRange = f >= 2 && f <= 5;
            const double v = points->GetValue(axis, f);
            if (f == 4)
                EXPECT_EQ(v, 0.0);  // missing stays missing
            else
                EXPECT_NEAR(v, base[axis] + (inRange ? c.expectedShift : 0.0), 1e-9) << f;
            EXPECT_NEAR(points->GetValue(dim + 0, f), 200.0, 1e-9);  // marker 2 not moved
        }
    }
}

// ---- events ----

class SceneEvents : public SceneC3D {
protected:
    void SetUp() override {
        scene = LoadDefault();
        TDataFile* d = scene->GetData();
        if (!d->headerEvents) d->headerEvents = new LabelledItemList();
        d->headerEvents->Add(LabelledItem(12, "Late"));
        d->headerEvents->Add(LabelledItem(4, "Early"));
        d->InitEventContexts();
        ASSERT_TRUE(d->AddEvent(8, "Foot Strike", 1, 3, true));   // context Right
        ASSERT_TRUE(d->AddEvent(8, "Foot Off", 0, 5, true));      // same frame, context Left
        ASSERT_TRUE(d->AddEvent(15, "General", 2, 0, true));
    }
    std::unique_ptr<shapeC3D> scene;
};

TEST_F(SceneEvents, LabelsComeInFrameOrder) {
    wxArrayInt frames;
    const wxArrayString labels = scene->GetEventLabels(&frames);
    ASSERT_EQ(labels.GetCount(), 5u);
    const int expectedFrames[] = {4, 8, 8, 12, 15};
    // Two events at one frame both give the label found first for that frame.
    const char* expectedLabels[] = {"Early", "Foot Strike", "Foot Strike", "Late", "General"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(frames[i], expectedFrames[i]);
        EXPECT_EQ(labels[i], expectedLabels[i]);
    }
}

TEST_F(SceneEvents, LookupsGiveFramesContextsAndIcons) {
    int context = -7, icon = -7;
    EXPECT_EQ(scene->GetEvent(0, &context, &icon), 12);
    EXPECT_EQ(context, 2);
    EXPECT_EQ(icon, 0);
    EXPECT_EQ(scene->GetEvent(3, &context, &icon), 8);
    EXPECT_EQ(context, 0);
    EXPECT_EQ(icon, 5);
    EXPECT_EQ(scene->GetEvent(5, &context, &icon), -1);
    EXPECT_EQ(scene->GetEvent(-1, nullptr, nullptr), -1);

    EXPECT_EQ(scene->FindEventIndex(4, &context, &icon), 1);  // header event: defaults
    EXPECT_EQ(context, 2);
    EXPECT_EQ(scene->FindEventIndex(8, &context, &icon), 0);
    EXPECT_EQ(context, 1);
    EXPECT_EQ(icon, 3);
    EXPECT_EQ(scene->FindEventIndex(9, nullptr, nullptr), -1);

    int frame = -1, index = -1;
    EXPECT_TRUE(scene->FindEventByLabel("foot off", &frame, &index));
    EXPECT_EQ(frame, 8);
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(scene->FindEventByLabel("Late", &frame, &index));

    EXPECT_EQ(scene->FindEvent("FOOT OFF", &context, &icon), 8);
    EXPECT_EQ(context, 0);
    EXPECT_EQ(icon, 5);
    EXPECT_EQ(scene->FindEvent("Late", &context, &icon), 12);
    EXPECT_EQ(context, 2);
    EXPECT_EQ(scene->FindEvent("nothing", nullptr, nullptr), -1);

    EXPECT_EQ(scene->GetEventLabel(15, &context, &icon), "General");
    EXPECT_EQ(context, 2);
    EXPECT_EQ(scene->GetEventLabel(4, nullptr, nullptr), "Early");
    EXPECT_EQ(scene->GetEventLabel(99, nullptr, nullptr), "");
    EXPECT_EQ(scene->GetEventLabel(-1, nullptr, nullptr), "");

    wxArrayString contexts, icons;
    scene->GetEventContexts(contexts);
    ASSERT_EQ(contexts.GetCount(), 3u);
    EXPECT_EQ(contexts[0], "Left");
    EXPECT_EQ(contexts[2], "General");
    scene->GetEventIconNames(icons);
    ASSERT_EQ(icons.GetCount(), 3u);
    EXPECT_EQ(icons[2], "Icon #3");
}

TEST_F(SceneEvents, AddEventReplacesTheEventOfItsLabel) {
    TDataFile* d = scene->GetData();
    d->SetModified(false);
    EXPECT_TRUE(scene->AddEvent("Foot Off", "Foot Off", 10, 1, 2));
    EXPECT_TRUE(d->IsModified());
    int frame = -1, index = -1;
    ASSERT_TRUE(scene->FindEventByLabel("Foot Off", &frame, &index));
    EXPECT_EQ(frame, 10);
    // The other event at the old frame stays.
    EXPECT_TRUE(scene->FindEventByLabel("Foot Strike", &frame, &index));
    EXPECT_EQ(frame, 8);
    EXPECT_EQ(d->GetEventCount(), 3);

    // A header event is replaced by an EVENT item.
    EXPECT_TRUE(scene->AddEvent("Early", "Early", 6, 2, 0));
    EXPECT_EQ(d->GetHeaderEventCount(), 1);
    EXPECT_TRUE(scene->FindEventByLabel("Early", &frame, &index));
    EXPECT_EQ(frame, 6);

    // A new label is simply added.
    EXPECT_TRUE(scene->AddEvent("Toe", "Toe", 0, 0, 0));
    EXPECT_EQ(d->GetEventCount(), 5);
}

TEST_F(SceneEvents, AddEventWithABadFrameKeepsTheOldEvent) {
    TDataFile* d = scene->GetData();
    for (int badFrame : {-1, 21, 1000}) {
        SCOPED_TRACE(badFrame);
        d->SetModified(false);
        CaptureStdout();
        const bool added = scene->AddEvent("Foot Off", "Foot Off", badFrame, 0, 0);
        const std::string out = GetCapturedStdout();
        EXPECT_FALSE(added);
        EXPECT_NE(out.find("Error seting new events : Foot Off @ " + std::to_string(badFrame)),
                  std::string::npos)
            << out;
        EXPECT_TRUE(d->IsModified());
        int frame = -1, index = -1;
        ASSERT_TRUE(scene->FindEventByLabel("Foot Off", &frame, &index));
        EXPECT_EQ(frame, 8);
        EXPECT_EQ(d->GetEventCount(), 3);
    }
    EXPECT_FALSE(scene->AddEvent("", "x", 3, 0, 0));
    // The last frame itself is accepted (the range check allows the frame count).
    EXPECT_TRUE(scene->AddEvent("Foot Off", "Foot Off", 20, 0, 0));
}

// ---- links ----

TEST_F(SceneC3D, AddToDisplayListMakesLinksAndBindsTheRecords) {
    RecordingRecipe recipe;
    recipe.points = 5;
    auto s = LoadRecipe(recipe);
    wxArrayInt none;
    s->AddToDisplayList(none, true);
    EXPECT_EQ(s->GetLinks(), nullptr);
    wxArrayInt chain;
    for (int i : {0, 1, 2}) chain.Add(i);
    s->AddToDisplayList(chain, true);
    wxStructure* links = s->GetLinks();
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(links->GetSegmentCount(), 1);
    EXPECT_EQ(links->GetSegmentText(0), "1-2-3");
    EXPECT_EQ(links->GetMarkerTable(), s->GetMarkerDisplay(0));
    wxArrayInt singles;
    for (int i : {2, 3, 4}) singles.Add(i);
    s->AddToDisplayList(singles, false);
    ASSERT_EQ(links->GetSegmentCount(), 3);
    EXPECT_EQ(links->GetSegmentText(1), "4");
    EXPECT_EQ(links->GetSegmentText(2), "5");
    EXPECT_EQ(links->GetMarkerTable(), s->GetMarkerDisplay(0));
    // Linked markers are shown by the linked-markers switch.
    s->SetShowLinkedMarkers(false);
    EXPECT_FALSE(s->IsMarkerDisplayed(0));
    s->SetShowLinkedMarkers(true);
    EXPECT_TRUE(s->IsMarkerDisplayed(0));
}

TEST_F(SceneC3D, SkeletonBesideTheRecordingColoursTheMarkers) {
    RecordingRecipe recipe;
    recipe.points = 4;
    recipe.labels = {"LASI", "RASI", "SACR", "X1"};
    const std::string path = scenetest::WriteRecording(recipe, dir.file("trial.c3d"));
    testsupport::WriteFileBytes(dir.file("subject.vsk"), R"(<?xml version="1.0"?>
<KinematicModel><MarkerSet><Markers>
  <Marker NAME="LASI" RADIUS="14" RGB="255 0 0"/>
  <Marker NAME="RASI" RADIUS="0.05" RGB="0 255 0"/>
</Markers><Sticks><Stick MARKER1="LASI" MARKER2="RASI" RGB="255 0 0"/></Sticks></MarkerSet>
</KinematicModel>
)");
    shapeC3D s;
    ASSERT_TRUE(s.Load(Wx(path)));
    ASSERT_NE(s.GetLinks(), nullptr);
    ASSERT_EQ(s.GetLinks()->GetSegmentCount(), 1);
    EXPECT_FALSE(s.GetShowUnlinkedMarkers());
    const MarkerDisplay* lasi = s.GetMarkerDisplay(0);
    EXPECT_EQ(lasi->name, "LASI");
    EXPECT_FLOAT_EQ(lasi->radius, 0.014f);  // millimetres
    EXPECT_FLOAT_EQ(lasi->red, 1.0f);
    EXPECT_FLOAT_EQ(lasi->green, 0.0f);
    EXPECT_FLOAT_EQ(s.GetMarkerDisplay(1)->radius, 0.05f);  // metres
    EXPECT_FLOAT_EQ(s.GetMarkerDisplay(1)->green, 1.0f);
    EXPECT_TRUE(s.IsMarkerDisplayed(0));
    EXPECT_FALSE(s.IsMarkerDisplayed(2));  // in no link, and unlinked markers are hidden
}

TEST_F(SceneC3D, ResetStructureReadsALabelFileAndReportsFailures) {
    RecordingRecipe recipe;
    recipe.points = 4;
    recipe.labels = {"RASI", "X1", "LASI", "SACR"};
    auto s = LoadRecipe(recipe);
    ASSERT_EQ(s->GetLinks(), nullptr);
    testsupport::WriteFileBytes(dir.file("set.txt"), "!MKR#1\n");
    testsupport::WriteFileBytes(dir.file("set.mkr"), "!MKR#1\n2\nSACR\nRASI\n2\nSACR,RASI\nRASI,X1\n");
    CaptureStdout();
    const bool absent = s->ResetStructure(Wx(dir.file("absent.mkr")));
    const bool otherKind = s->ResetStructure(Wx(dir.file("set.txt")));
    const bool linksAfterFailure = s->GetLinks() != nullptr;
    s->Select(1, 2, false);
    const bool read = s->ResetStructure(Wx(dir.file("set.mkr")));
    const std::string out = GetCapturedStdout();
    EXPECT_FALSE(absent);
    EXPECT_FALSE(otherKind);
    EXPECT_FALSE(linksAfterFailure);
    EXPECT_TRUE(read);
    // The label file put SACR first: the records follow the new order.
    EXPECT_EQ(s->GetMarkerDisplay(0)->name, "SACR");
    EXPECT_NE(out.find("Reset structure  : "), std::string::npos);
    ASSERT_NE(s->GetLinks(), nullptr);
    EXPECT_GE(s->GetLinks()->GetSegmentCount(), 1);
    EXPECT_EQ(s->CountSelected(), 0);  // records rebuilt
    EXPECT_EQ(s->GetLinks()->GetMarkerTable(), s->GetMarkerDisplay(0));
}

// ---- the body model ----

TEST_F(SceneC3D, ModelIsCreatedDroppedAndNotBuiltFromAMissingFile) {
    auto s = LoadDefault();
    EXPECT_EQ(s->GetModel(), nullptr);
    EXPECT_EQ(s->GetModelSegment(0), nullptr);
    wxArrayInt chain;
    chain.Add(0);
    chain.Add(1);
    s->AddToDisplayList(chain, true);
    EXPECT_TRUE(s->CreateModel());
    ASSERT_NE(s->GetModel(), nullptr);
    EXPECT_EQ(s->GetModel()->Divide, 1000.0);
    EXPECT_TRUE(s->GetLinks()->GetLineStyle());
    s->DropModel();
    EXPECT_EQ(s->GetModel(), nullptr);
    EXPECT_FALSE(s->GetLinks()->GetLineStyle());
    EXPECT_FALSE(s->LoadModel(Wx(dir.file("model.ini"))));
    EXPECT_EQ(s->GetModel(), nullptr);
    EXPECT_FALSE(s->GetLinks()->GetLineStyle());
    // Model item ids reach the model only when there is one.
    EXPECT_EQ(s->GetElementNumber(100003), 100003);
    EXPECT_EQ(s->GetName(100001), "walk");
    EXPECT_EQ(s->GetMarkerName(100001), "");
}

TEST_F(SceneC3D, DefaultModelWarnsOnlyWhenTheRecordingNamesOne) {
    auto plain = scenetest::MakeRecording(RecordingRecipe());
    scenetest::SaveRecording(*plain, dir.file("plain.c3d"));
    auto named = scenetest::MakeRecording(RecordingRecipe());
    ReplaceText(named->dfnModel, "walk.mod");
    scenetest::SaveRecording(*named, dir.file("named.c3d"));
    std::string logged;
    {
        LogCapture capture(logged);
        shapeC3D s;
        ASSERT_TRUE(s.Load(Wx(dir.file("plain.c3d"))));
        EXPECT_EQ(logged, "");
        ASSERT_TRUE(s.Load(Wx(dir.file("named.c3d"))));
        EXPECT_EQ(s.GetModel(), nullptr);
    }
    EXPECT_NE(logged.find("Error running default model!"), std::string::npos) << logged;
}

// ---- movies ----

TEST_F(SceneC3D, MovieCompanionsAndDelays) {
    auto s = LoadDefault();
    TDataFile* d = s->GetData();
    d->movieCount = 3;
    std::strcpy(d->movieIds[0], "cam1");
    std::strcpy(d->movieIds[1], "front.avi");
    d->movieIds[2][0] = '\0';
    d->movieDelays[1] = 0.25f;
    testsupport::WriteFileBytes(dir.file("walk.cam1.avi"), "x");
    testsupport::WriteFileBytes(dir.file("front.avi"), "x");
    const wxArrayString files = s->GetVideoFiles();
    ASSERT_EQ(files.GetCount(), 2u);
    EXPECT_EQ(files[0], Wx(dir.file("walk.cam1.avi")));
    EXPECT_EQ(files[1], Wx(dir.file("front.avi")));
    testsupport::WriteFileBytes(dir.file("walk.avi"), "x");
    EXPECT_EQ(s->GetVideoFiles().GetCount(), 3u);

    EXPECT_FLOAT_EQ(s->GetMovieDelay(1), 0.25f);
    EXPECT_EQ(s->GetMovieDelay(3), 0.0f);
    EXPECT_EQ(s->GetMovieDelay(32), 0.0f);
    EXPECT_FALSE(s->SetMovieDelay(-1, 1.0f));
    EXPECT_FALSE(s->SetMovieDelay(3, 1.0f));
    EXPECT_TRUE(s->SetMovieDelay(2, 1.5f));
    EXPECT_TRUE(d->movieDelaysEdited);
    EXPECT_FLOAT_EQ(s->GetMovieDelay(2), 1.5f);
}

// ---- saving ----

TEST_F(SceneC3D, SaveAsAdoptsThePathAndWritesC3DThere) {
    auto s = LoadDefault();
    s->MoveSelection(1, 1, 0);  // nothing selected: only marks the object modified
    ASSERT_TRUE(s->IsModified());
    const std::string target = dir.file("copy.c3d");
    ASSERT_TRUE(s->SaveAs(Wx(target)));
    EXPECT_FALSE(s->IsModified());
    EXPECT_EQ(s->GetFileName(), Wx(target));
    EXPECT_EQ(s->GetName(0), "copy");
    EXPECT_EQ(s->GetData()->GetPath(), target);
    // A later Save writes C3D to the adopted path.
    s->GetData()->points->SetValue(0, 0, 4321.0);
    ASSERT_TRUE(s->Save());
    TDataFile back(target.c_str());
    ASSERT_TRUE(back.HasPoints());
    EXPECT_NEAR(back.points->GetValue(0, 0), 4321.0, 1e-3);
    EXPECT_FALSE(s->SaveAs(Wx(dir.file("no/such/folder/x.c3d"))));
    EXPECT_EQ(s->GetFileName(), Wx(target));

    s->SetFileName("");
    EXPECT_EQ(s->GetName(0), "");
}

// ---- display settings ----

class DisplaySettings : public SceneC3D {
protected:
    std::string Settings(const std::string& name) { return dir.file(name); }
};

TEST_F(DisplaySettings, RoundTripUnderADecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale on this machine";
    RecordingRecipe recipe;
    recipe.points = 4;
    auto s = LoadRecipe(recipe);
    wxArrayInt chain;
    for (int i : {0, 1, 2}) chain.Add(i);
    s->AddToDisplayList(chain, true);
    wxArrayInt single;
    single.Add(3);
    s->AddToDisplayList(single, false);
    wxStructure* links = s->GetLinks();
    ASSERT_EQ(links->GetSegmentCount(), 2);
    links->GetLink(0)->name = "Spine, upper";
    links->GetLink(0)->SetColour(SegmentColour{10, 20, 30});
    links->GetLink(1)->show = false;
    links->GetLink(1)->showMarkers = false;
    MarkerDisplay* m = s->GetMarkerDisplay(1);
    m->radius = 0.0125f;
    m->red = 0.5f;
    m->green = 0.25f;
    m->blue = 0.125f;
    m->visible = 0;
    m->showName = 1;
    m->showNumber = 1;
    m->zoom = 2.5f;
    m->trajectory = 1;
    m->trajectoryWidth = 2.5f;
    m->before = 7;
    m->after = -1;
    const std::string file = Settings("walk-settings.dlp");
    s->SaveDisplaySettingsFile(Wx(file));
    const std::string text = testsupport::ReadFileBytes(file);
    EXPECT_NE(text.find("size1=0.0125"), std::string::npos) << text;
    EXPECT_NE(text.find("tajectory_size1=2.5"), std::string::npos) << text;
    EXPECT_EQ(text.find("0,0125"), std::string::npos) << text;

    auto fresh = LoadRecipe(recipe, "walk2.c3d");
    fresh->LoadDisplaySettingsFile(Wx(file));
    const MarkerDisplay* r = fresh->GetMarkerDisplay(1);
    EXPECT_FLOAT_EQ(r->radius, 0.0125f);
    EXPECT_FLOAT_EQ(r->red, 0.5f);
    EXPECT_FLOAT_EQ(r->green, 0.25f);
    EXPECT_FLOAT_EQ(r->blue, 0.125f);
    EXPECT_EQ(r->visible, 0);
    EXPECT_EQ(r->showName, 1);
    EXPECT_EQ(r->showNumber, 1);
    EXPECT_FLOAT_EQ(r->zoom, 2.5f);
    EXPECT_EQ(r->trajectory, 1);
    EXPECT_FLOAT_EQ(r->trajectoryWidth, 2.5f);
    EXPECT_EQ(r->before, 7);
    EXPECT_EQ(r->after, -1);
    wxStructure* read = fresh->GetLinks();
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetSegmentCount(), 2);
    EXPECT_EQ(read->GetSegmentText(0), "1-2-3");
    EXPECT_EQ(read->GetLink(0)->name, "Spine, upper");
    EXPECT_EQ(read->GetLink(0)->GetColour().green, 20);
    EXPECT_TRUE(read->GetLink(0)->show);
    EXPECT_FALSE(read->GetLink(1)->show);
    EXPECT_FALSE(read->GetLink(1)->showMarkers);
}

TEST_F(DisplaySettings, WritingWithoutLinksClearsTheLinksOfAnEarlierWrite) {
    auto s = LoadDefault();
    wxArrayInt chain;
    chain.Add(0);
    chain.Add(1);
    s->AddToDisplayList(chain, true);
    const std::string file = Settings("links.dlp");
    s->SaveDisplaySettingsFile(Wx(file));
    auto plain = LoadRecipe(RecordingRecipe(), "plain.c3d");
    ASSERT_EQ(plain->GetLinks(), nullptr);
    plain->SaveDisplaySettingsFile(Wx(file));
    {
        wxFileConfig config(wxEmptyString, wxEmptyString, Wx(file));
        EXPECT_EQ(config.ReadLong("/Display_List/Count", -1), 0);
    }
    s->LoadDisplaySettingsFile(Wx(file));
    EXPECT_EQ(s->GetLinks(), nullptr);
    EXPECT_TRUE(s->GetShowUnlinkedMarkers());
    EXPECT_TRUE(s->IsMarkerDisplayed(0));
}

TEST_F(DisplaySettings, PartialAndDamagedFiles) {
    RecordingRecipe recipe;
    recipe.points = 3;
    auto s = LoadRecipe(recipe);
    s->GetMarkerDisplay(0)->zoom = 4.0f;
    s->GetMarkerDisplay(2)->radius = 0.03f;
    const std::string file = Settings("partial.dlp");
    testsupport::WriteFileBytes(file,
                                "[Display_Marker]\nCount=2\nsize0=0.02\nred0=abc\nvisible0=256\n"
                                "show_name0=3\ntajectory_size0=2.5\nbefore1=-4\nsize2=0.5\n"
                                "[Display_List]\nCount=99999999\nLink0=1-2\nLink1=9-9\nLink2=2-3\n"
                                "Name2=second\nColor2_0=1\nColor2_1=2\nColor2_2=3\nShow2=0\n");
    s->LoadDisplaySettingsFile(Wx(file));
    const MarkerDisplay* m0 = s->GetMarkerDisplay(0);
    EXPECT_FLOAT_EQ(m0->radius, 0.02f);
    EXPECT_FLOAT_EQ(m0->red, 0.0f);  // unreadable: kept
    EXPECT_EQ(m0->visible, 0);       // low eight bits of 256
    EXPECT_EQ(m0->showName, 3);
    EXPECT_FLOAT_EQ(m0->zoom, 4.0f);  // missing: kept
    EXPECT_FLOAT_EQ(m0->trajectoryWidth, 2.5f);
    EXPECT_EQ(s->GetMarkerDisplay(1)->before, -4);
    EXPECT_FLOAT_EQ(s->GetMarkerDisplay(2)->radius, 0.03f);  // beyond the stored count
    // The bad link text made no link; the next one still gets its own keys.
    wxStructure* links = s->GetLinks();
    ASSERT_NE(links, nullptr);
    ASSERT_EQ(links->GetSegmentCount(), 2);
    EXPECT_EQ(links->GetSegmentText(1), "2-3");
    EXPECT_EQ(links->GetLink(1)->name, "second");
    EXPECT_FALSE(links->GetLink(1)->show);
    EXPECT_EQ(links->GetLink(1)->GetColour().blue, 3);
    EXPECT_EQ(links->GetLink(0)->name, "");
    EXPECT_EQ(links->GetLink(0)->GetColour().red, 255);  // no colour keys: white
    EXPECT_EQ(links->GetLink(0)->GetColour().blue, 255);
}

// The display settings are saved as every other file is: a link stays a link, a hard link keeps
// both names, a file that cannot be read is neither taken for empty nor replaced, and a failed
// save says why and leaves the old file whole.
TEST_F(DisplaySettings, SavedThroughTheSafeWriterAndReadOnce) {
    auto s = LoadDefault();
    s->GetMarkerDisplay(0)->zoom = 3.0f;
    const std::string old = "[Display_Marker]\nCount=1\nzoom0=2\n[Mine]\nkept=yes\n";

    // A symbolic link to the file, and a second name of it.
    const std::string target = Settings("real.dlp");
    ASSERT_TRUE(testsupport::WriteFileBytes(target, old));
    ASSERT_EQ(::symlink(target.c_str(), Settings("linked.dlp").c_str()), 0);
    ASSERT_EQ(::link(target.c_str(), Settings("second.dlp").c_str()), 0);
    for (const char* name : {"linked.dlp", "second.dlp"}) {
        SCOPED_TRACE(name);
        s->SaveDisplaySettingsFile(Wx(Settings(name)));
        struct stat linked, real;
        ASSERT_EQ(::lstat(Settings("linked.dlp").c_str(), &linked), 0);
        EXPECT_TRUE(S_ISLNK(linked.st_mode));
        ASSERT_EQ(::stat(target.c_str(), &real), 0);
        EXPECT_EQ(real.st_nlink, 2u);
        const std::string text = testsupport::ReadFileBytes(Settings("second.dlp"));
        EXPECT_NE(text.find("zoom0=3"), std::string::npos) << text;
        EXPECT_NE(text.find("kept=yes"), std::string::npos) << text;  // entries of others stay
    }

    // A link to a file not yet there: the save makes the file the link names.
    ASSERT_EQ(::symlink(Settings("made.dlp").c_str(), Settings("dangling.dlp").c_str()), 0);
    s->SaveDisplaySettingsFile(Wx(Settings("dangling.dlp")));
    EXPECT_NE(testsupport::ReadFileBytes(Settings("made.dlp")).find("zoom0=3"), std::string::npos);

    // A FIFO in the file's place: nothing waits on it, nothing replaces it, and the Log says so.
    const std::string fifo = Settings("fifo.dlp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    CaptureStdout();
    s->SaveDisplaySettingsFile(Wx(fifo));
    s->LoadDisplaySettingsFile(Wx(fifo));
    const std::string log = GetCapturedStdout();
    EXPECT_NE(log.find("The display settings were not saved: Cannot read '" + fifo + "': not a regular file"),
              std::string::npos) << log;
    EXPECT_NE(log.find("The display settings could not be read: Cannot read '" + fifo + "'"), std::string::npos)
        << log;
    struct stat st;
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A save the writer refuses (a read-only file): the old file is left whole, the cause named.
    const std::string inClosed = Settings("readonly.dlp");
    ASSERT_TRUE(testsupport::WriteFileBytes(inClosed, old));
    ASSERT_EQ(::chmod(inClosed.c_str(), 0444), 0);
    CaptureStdout();
    s->SaveDisplaySettingsFile(Wx(inClosed));
    const std::string refused = GetCapturedStdout();
    EXPECT_NE(refused.find("The display settings were not saved: Cannot replace '" + inClosed + "'"),
              std::string::npos) << refused;
    EXPECT_EQ(testsupport::ReadFileBytes(inClosed), old);
}

TEST_F(DisplaySettings, ReadAtLoadAndCarriedThroughARefresh) {
    RecordingRecipe recipe;
    const std::string path = scenetest::WriteRecording(recipe, dir.file("walk.c3d"));
    testsupport::WriteFileBytes(dir.file("walk.dlp"),
                                "[Display_Marker]\nCount=3\nred2=0.25\n"
                                "[Display_List]\nCount=1\nLink0=1-3\n");
    testsupport::TempDir temp;
    scenetest::ScopedTempDirEnv env(temp.path());
    shapeC3D s;
    ASSERT_TRUE(s.Load(Wx(path)));
    EXPECT_FLOAT_EQ(s.GetMarkerDisplay(2)->red, 0.25f);
    ASSERT_NE(s.GetLinks(), nullptr);
    EXPECT_EQ(s.GetLinks()->GetSegmentText(0), "1-3");
    EXPECT_TRUE(scenetest::FilesStartingWith(temp.path(), "mi").empty());

    // A refresh outside a load keeps what was changed since, through a temporary file.
    s.GetMarkerDisplay(1)->zoom = 1.5f;
    s.Refresh(true);
    EXPECT_FLOAT_EQ(s.GetMarkerDisplay(1)->zoom, 1.5f);
    EXPECT_FLOAT_EQ(s.GetMarkerDisplay(2)->red, 0.25f);
    EXPECT_EQ(s.GetLinks()->GetMarkerTable(), s.GetMarkerDisplay(0));
    EXPECT_TRUE(scenetest::FilesStartingWith(temp.path(), "mi").empty());
}

// ---- saved states ----

class SavedStates : public SceneC3D {
protected:
    void SetUp() override { env = std::make_unique<scenetest::ScopedTempDirEnv>(temp.path()); }
    void TearDown() override { env.reset(); }
    std::vector<std::string> StateFiles() { return scenetest::FilesStartingWith(temp.path(), "mi"); }

    testsupport::TempDir temp;
    std::unique_ptr<scenetest::ScopedTempDirEnv> env;
};

TEST_F(SavedStates, UndoRestoresTheRecordingAndRemovesItsFile) {
    auto s = LoadDefault();
    s->Select(1, 1, true);
    ASSERT_TRUE(s->PushUndo("Move object"));
    EXPECT_EQ(s->GetUndoCount(), 1);
    EXPECT_EQ(s->GetUndoDescription(), "Move object");
    EXPECT_EQ(StateFiles().size(), 1u);
    s->MoveSelection(30, 40, 0);
    EXPECT_NEAR(s->GetData()->points->GetValue(0, 3), 103.0 - 50.0, 1e-9);
    ASSERT_TRUE(s->Undo());
    EXPECT_EQ(s->GetUndoCount(), 0);
    EXPECT_NEAR(s->GetData()->points->GetValue(0, 3), 103.0, 1e-3);
    EXPECT_EQ(s->GetData()->GetPath(), dir.file("walk.c3d"));
    EXPECT_EQ(s->GetFirstFrame(), 0);
    EXPECT_EQ(s->GetLastFrame(), 19);
    EXPECT_EQ(s->GetMarkerCount(), 3);
    EXPECT_TRUE(StateFiles().empty());
    EXPECT_FALSE(s->Undo());
}

TEST_F(SavedStates, FailedUndoKeepsTheCurrentRecording) {
    auto s = LoadDefault();
    ASSERT_TRUE(s->PushUndo("Move object"));
    const std::vector<std::string> files = StateFiles();
    ASSERT_EQ(files.size(), 1u);
    testsupport::WriteFileBytes(temp.file(files[0]), "garbage, not a recording");
    s->GetData()->points->SetValue(0, 0, 777.0);
    const TDataFile* before = s->GetData();
    CaptureStdout();
    const bool undone = s->Undo();
    GetCapturedStdout();
    EXPECT_FALSE(undone);
    EXPECT_EQ(s->GetData(), before);
    EXPECT_EQ(s->GetData()->points->GetValue(0, 0), 777.0);
    EXPECT_EQ(s->GetUndoCount(), 0);
    EXPECT_TRUE(StateFiles().empty());
}

TEST_F(SavedStates, LoadAndDestructionClearTheStates) {
    auto s = LoadDefault();
    ASSERT_TRUE(s->PushUndo("one"));
    s->CreateModel();  // the model's states are kept with the object's, in files of their own
    ASSERT_TRUE(s->PushUndo("two"));
    EXPECT_EQ(s->GetModel()->GetUndoCount(), 1);
    EXPECT_EQ(StateFiles().size(), 3u);
    ASSERT_TRUE(s->Load(Wx(dir.file("walk.c3d"))));
    EXPECT_EQ(s->GetUndoCount(), 0);
    EXPECT_TRUE(StateFiles().empty());
    ASSERT_TRUE(s->PushUndo("three"));
    EXPECT_EQ(StateFiles().size(), 1u);
    s.reset();
    EXPECT_TRUE(StateFiles().empty());
}

TEST_F(SavedStates, NothingToSaveWithoutARecording) {
    shapeC3D s;
    EXPECT_FALSE(s.PushUndo("x"));
    EXPECT_EQ(s.GetUndoCount(), 0);
    EXPECT_TRUE(StateFiles().empty());
}

// ---- the link structure ----

using Links = WxBaseTest;

TEST_F(Links, NewStructureHasNoLinksWhateverItsText) {
    wxStructure s("1-2,3", 5, 0.0f);
    EXPECT_EQ(s.GetSegmentCount(), 0);
    EXPECT_FALSE(s.GetErrorLog());
    EXPECT_FALSE(s.IsModified());
}

TEST_F(Links, AppendLinkArrayCases) {
    struct Case {
        const char* what;
        std::vector<int> existing;  // one link of these indices first, when not empty
        std::vector<int> indices;
        bool asOne;
        bool closed;
        std::vector<std::string> expected;
        bool modified;
    };
    const Case cases[] = {
        {"closed chain", {}, {0, 1, 2}, true, true, {"1-2-3-1"}, true},
        {"open chain", {}, {0, 1, 2}, true, false, {"1-2-3"}, true},
        {"single links", {}, {0, 1, 2}, false, false, {"1", "2", "3"}, true},
        {"single links skip linked markers", {3, 4}, {0, 3, 1}, false, false, {"4-5", "1", "2"}, true},
        {"all already linked", {0, 1}, {0, 1}, false, false, {"1-2"}, false},
        // Only the duplicate test can refuse one index: "1" matches the parsed chain 1-2 (its
        // working text keeps its first number), "2" does not.
        {"one index always tried", {0, 1}, {1}, false, false, {"1-2", "2"}, true},
        {"one index refused as a duplicate", {0, 1}, {0}, false, false, {"1-2"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wxStructure s("", 6, 0.0f);
        if (!c.existing.empty()) {
            // Added as text: only the link-array operations mark the structure modified.
            std::string text;
            for (int i : c.existing) text += (text.empty() ? "" : "-") + std::to_string(i + 1);
            ASSERT_TRUE(s.AddSegment(text.c_str()));
        }
        ASSERT_FALSE(s.IsModified());
        wxArrayInt indices;
        for (int i : c.indices) indices.Add(i);
        s.AppendLinkArray(indices, c.asOne, c.closed);
        ASSERT_EQ(s.GetSegmentCount(), static_cast<int>(c.expected.size()));
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(s.GetSegmentText(static_cast<int>(i)), c.expected[i]);
        EXPECT_EQ(s.IsModified(), c.modified);
    }
}

TEST_F(Links, AddSegmentKeepsColoursButNotNames) {
    wxStructure s("", 6, 0.0f);
    ASSERT_TRUE(s.AddSegment("1-2"));
    EXPECT_EQ(s.GetLink(0)->GetColour().blue, 255);
    s.GetLink(0)->SetColour(SegmentColour{1, 2, 3});
    s.GetLink(0)->name = "first";
    s.GetLink(0)->show = false;
    ASSERT_TRUE(s.AddSegment("3-4"));
    ASSERT_EQ(s.GetSegmentCount(), 2);
    EXPECT_EQ(s.GetLink(0)->GetColour().green, 2);
    EXPECT_EQ(s.GetLink(0)->name, "");
    EXPECT_TRUE(s.GetLink(0)->show);
    EXPECT_EQ(s.GetLink(1)->GetColour().blue, 255);
    CaptureStdout();
    s.AddSegment("1-2");  // a duplicate: the rebuild drops it
    const bool beyond = s.AddSegment("5-9");  // beyond the points
    GetCapturedStdout();
    EXPECT_FALSE(beyond);
    EXPECT_NE(s.GetError(), 0);
    EXPECT_EQ(s.GetSegmentCount(), 2);
    EXPECT_FALSE(s.AddSegment(""));

    // AddLinkArray rebuilds every link with the defaults.
    wxArrayInt more;
    more.Add(4);
    more.Add(5);
    s.AddLinkArray(more, true);
    ASSERT_EQ(s.GetSegmentCount(), 3);
    EXPECT_EQ(s.GetSegmentText(2), "5-6");
    EXPECT_EQ(s.GetLink(0)->GetColour().blue, 255);
    EXPECT_TRUE(s.IsModified());
}

TEST_F(Links, BadLinkTextsAreReportedWithTheirText) {
    wxStructure s("", 3, 0.0f);
    wxArrayInt indices;
    indices.Add(1);
    indices.Add(7);
    std::string logged;
    {
        LogCapture capture(logged);
        CaptureStdout();
        s.AppendLinkArray(indices, true, false);
        GetCapturedStdout();
    }
    EXPECT_NE(logged.find("Error adding links : 2-8"), std::string::npos) << logged;
    EXPECT_EQ(s.GetSegmentCount(), 0);
}

TEST_F(Links, ConfigRoundTripAndDefaults) {
    testsupport::TempDir dir;
    const wxString file = Wx(dir.file("links.ini"));
    {
        wxStructure s("", 8, 0.0f);
        ASSERT_TRUE(s.AddSegment("1-2-3"));
        ASSERT_TRUE(s.AddSegment("4,5"));
        s.GetLink(0)->name = "arm";
        s.GetLink(0)->SetColour(SegmentColour{255, 128, 0});
        s.GetLink(2)->show = false;
        s.GetLink(1)->showMarkers = false;
        wxArrayString names;
        s.GetLinkNames(&names);
        ASSERT_EQ(names.GetCount(), 3u);
        EXPECT_EQ(names[2], "5");
        wxFileConfig config(wxEmptyString, wxEmptyString, file);
        s.WriteConfig(&config);
        EXPECT_FALSE(s.IsModified());
    }
    wxFileConfig config(wxEmptyString, wxEmptyString, file);
    wxStructure r("", 8, 0.0f);
    r.ReadConfig(&config);
    ASSERT_EQ(r.GetSegmentCount(), 3);
    EXPECT_EQ(r.GetSegmentText(0), "1-2-3");
    EXPECT_EQ(r.GetLink(0)->name, "arm");
    EXPECT_EQ(r.GetLink(0)->GetColour().green, 128);
    EXPECT_FALSE(r.GetLink(1)->showMarkers);
    EXPECT_FALSE(r.GetLink(2)->show);
    EXPECT_TRUE(r.GetLink(2)->showMarkers);

    // A count of 0 leaves the links alone.
    config.Write("/Display_List/Count", 0L);
    r.ReadConfig(&config);
    EXPECT_EQ(r.GetSegmentCount(), 3);
}

TEST_F(Links, MarkerColourOfTheFirstLinkHoldingIt) {
    wxStructure s("", 4, 0.0f);
    ASSERT_TRUE(s.AddSegment("1-2"));
    ASSERT_TRUE(s.AddSegment("2-3"));
    s.GetSegment(1)->SetMarkerAttributes(2, SegmentColour{9, 8, 7}, 0.5f);
    s.GetSegment(0)->SetMarkerAttributes(2, SegmentColour{1, 2, 3}, 14.0f);
    int rgb[3];
    float size = 0;
    ASSERT_TRUE(s.GetMarkerColour(2, rgb, &size));
    EXPECT_EQ(rgb[0], 1);
    EXPECT_EQ(rgb[2], 3);
    EXPECT_FLOAT_EQ(size, 14.0f);
    EXPECT_FALSE(s.GetMarkerColour(4, rgb, &size));
}

// ---- public sample files ----

TEST_F(SceneC3D, PublicSamplesLoadWithTheirBoundsPlatesAndEvents) {
    struct Case {
        const char* file;
        int markers;
        int frames;
        int plates;
        bool events;
    };
    const Case cases[] = {{"c3d/sample_01/Eb015pi.c3d", 26, 450, 2, false},
                          {"c3d/sample_02/pc_real.c3d", -1, -1, -1, true},
                          {"c3d/sample_03/gait-pig.c3d", -1, -1, -1, true},
                          {"c3d/sample_10/TYPE-2.C3D", -1, -1, -1, false}};
    int found = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = testsupport::SampleFile(c.file);
        if (path.empty()) continue;
        ++found;
        shapeC3D s;
        ASSERT_TRUE(s.Load(Wx(path)));
        TDataFile* d = s.GetData();
        EXPECT_EQ(s.GetMarkerCount(), d->GetNumberOfPoints());
        EXPECT_EQ(s.GetFrameCount(), d->GetFrameCount());
        if (c.markers >= 0) {
            EXPECT_EQ(s.GetMarkerCount(), c.markers);
        }
        if (c.frames >= 0) {
            EXPECT_EQ(s.GetFrameCount(), c.frames);
        }
        if (c.plates >= 0) {
            EXPECT_EQ(s.GetPlateCount(), c.plates);
        }
        EXPECT_EQ(s.GetPlateCount(), d->GetPlateCount());
        float raw[6];
        ASSERT_TRUE(d->GetBoundingBox(raw, 6, false));
        for (int k = 0; k < 6; ++k) EXPECT_NEAR(s.GetBounds()[k], raw[k] / s.GetDivisor(), 1e-6);
        EXPECT_LT(s.GetBounds()[0], s.GetBounds()[1]);
        const wxArrayString labels = s.GetEventLabels();
        EXPECT_EQ(labels.GetCount(), size_t(d->GetEventCount() + d->GetHeaderEventCount()));
        if (c.events) {
            EXPECT_GT(labels.GetCount(), 0u);
        }
        // Every marker has its record and position.
        double t = s.GetDuration() / 2;
        s.SetTime(t);
        s.UpdateTransform();
        for (int i = 0; i < s.GetMarkerCount(); ++i)
            ASSERT_EQ(s.GetMarkerDisplay(i)->name, d->PointLabel(i));
    }
    if (found == 0) FAIL() << "sample file missing";
}

}  // namespace
