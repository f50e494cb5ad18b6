#include "objects/object3D.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/debug.h>

#include "objects/SceneTestObjects.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using Object = WxBaseTest;

TEST_F(Object, StartsClearedWithTheDefaults) {
    TestObject o;
    EXPECT_EQ(o.GetTypeName(), "3DObject");
    EXPECT_EQ(o.GetName(0), "");
    EXPECT_EQ(o.GetId(), 0);
    EXPECT_EQ(o.GetFrameCount(), 0);
    EXPECT_EQ(o.GetFrameRate(), 1.0);
    EXPECT_TRUE(o.IsVisible());
    EXPECT_FALSE(o.IsWireframe());
    EXPECT_TRUE(o.GetUseColour());
    EXPECT_FALSE(o.IsModified());
    EXPECT_FALSE(o.IsManipulatorActive());
    EXPECT_FALSE(o.AlwaysFalse());
    EXPECT_EQ(o.GetColour()[0], 0.7f);
    EXPECT_EQ(o.GetColour()[3], 1.0f);
    EXPECT_EQ(o.GetUndoCount(), 0);
    EXPECT_EQ(o.GetUndoDescription(), "");
    EXPECT_FALSE(o.LoadState("x"));
    EXPECT_FALSE(o.SaveState("x"));
}

struct TimeCase {
    double t;
    double expectedT;
    int frame;
};

TEST_F(Object, SetTimeOfAClearedObjectGivesFrameZero) {
    for (double t : {0.0, 0.7, -3.0, 1e300, std::nan("")}) {
        SCOPED_TRACE(t);
        TestObject o;
        double tt = t;
        EXPECT_TRUE(o.SetTime(tt));
        EXPECT_EQ(tt, 0.0);
        EXPECT_EQ(o.GetCurrentFrame(), 0);
    }
}

TEST_F(Object, SetTimeLandsOnAFrameAndLoopsThePlayRange) {
    const TimeCase cases[] = {
        {0.0149, 0.01, 1}, {1.0, 1.0, 100}, {1.2, 0.0, 0},
        {-0.1, 1.0, 100},  {0.5, 0.5, 50},  {0.004, 0.0, 0},
    };
    for (const TimeCase& c : cases) {
        SCOPED_TRACE(c.t);
        TestObject o;
        o.SetMotion(101, 100);
        EXPECT_DOUBLE_EQ(o.EndTime(), 1.0);
        double t = c.t;
        EXPECT_TRUE(o.SetTime(t));
        EXPECT_NEAR(t, c.expectedT, 1e-12);
        EXPECT_EQ(o.GetCurrentFrame(), c.frame);
        EXPECT_EQ(o.CurrentTime(), t);
    }
}

TEST_F(Object, PlayRangeSetsStartAndEndTimes) {
    TestObject o;
    o.SetMotion(101, 100);
    EXPECT_DOUBLE_EQ(o.SetFirstFrame(10), 0.1);
    EXPECT_DOUBLE_EQ(o.SetLastFrame(50), 0.5);
    EXPECT_EQ(o.GetFirstFrame(), 10);
    EXPECT_EQ(o.GetLastFrame(), 50);
    double t = 0.7;  // past the end: back to the start of the range
    o.SetTime(t);
    EXPECT_EQ(o.GetCurrentFrame(), 10);
}

TEST_F(Object, WorldTransformCombinesPlacementAndRotations) {
    TestObject o;
    o.Translate(1, 2, 3);
    o.SetOffset(0.5, 0, -1);
    const Point3D* p = o.GetWorldPosition();
    EXPECT_EQ(p->x, 1.5);
    EXPECT_EQ(p->y, 2.0);
    EXPECT_EQ(p->z, 2.0);

    o.SetOrientationAngles(0, 0, kPi / 2);
    o.Rotate(0, kPi / 2);
    Matrix4x4 expected;
    expected.SetRotation(0, 0, kPi / 2);
    Matrix4x4 free;
    free.RotateX(kPi / 2);
    Quaternion q;
    q.FromMatrix(expected * free);
    q.Normalize();
    Quaternion w = *o.GetWorldOrientation();
    w.Normalize();
    const double dot = q.x * w.x + q.y * w.y + q.z * w.z + q.w * w.w;
    EXPECT_NEAR(std::fabs(dot), 1.0, 1e-12);
    EXPECT_EQ(o.GetOrientationMatrix()->m[0], expected.m[0]);
}

TEST_F(Object, RotateAboutAnUnknownAxisOnlyUpdates) {
    TestObject o;
    const int before = o.updates;
    o.Rotate(3, 1.0);
    EXPECT_EQ(o.updates, before + 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(o.FreeRotation().m[i], Matrix4x4().m[i]);
}

TEST_F(Object, ResetKeepsOrientationAndOffsetClearResetsThem) {
    TestObject o;
    o.SetId(7);
    o.Translate(1, 1, 1);
    o.SetOffset(2, 2, 2);
    o.SetOrientationAngles(0.3, 0, 0);
    const float red[4] = {1, 0, 0, 0.5f};
    o.SetColour(red);
    o.SetName("thing");
    o.Reset();
    EXPECT_EQ(o.Position().x, 0.0);
    EXPECT_EQ(o.Offset().x, 2.0);
    EXPECT_NE(o.GetOrientationMatrix()->m[5], 1.0);
    EXPECT_EQ(o.GetColour()[0], 0.7f);
    EXPECT_EQ(o.GetId(), 7);
    EXPECT_EQ(o.GetName(0), "thing");

    o.Clear();
    EXPECT_EQ(o.Offset().x, 0.0);
    EXPECT_EQ(o.GetOrientationMatrix()->m[5], 1.0);
    EXPECT_EQ(o.GetId(), 0);
    EXPECT_EQ(o.GetName(0), "");
}

TEST_F(Object, SelectionAndHighlightFlags) {
    TestObject o;
    EXPECT_EQ(o.GetMaxSelectionOrder(), 0);
    o.Select(o.GetMaxSelectionOrder() + 1, -1, true);
    EXPECT_EQ(o.GetSelectionOrder(5), 1);
    EXPECT_EQ(o.CountSelected(), 1);
    EXPECT_TRUE(o.IsManipulatorActive());
    o.SetHighlighted(true, 3);
    EXPECT_EQ(o.IsHighlighted(0), 1);
    o.SetHighlighted(false, -1);
    EXPECT_EQ(o.IsHighlighted(0), 0);
    o.Select(0, 0, false);
    EXPECT_EQ(o.CountSelected(), 0);
    EXPECT_FALSE(o.IsManipulatorActive());
    wxArrayInt selection;
    selection.Add(4);
    o.GetSelection(selection);
    EXPECT_TRUE(selection.IsEmpty());
    EXPECT_EQ(o.GetElementNumber(42), 42);
}

TEST_F(Object, ShapeDefaultsAndPartNames) {
    TestShape s;
    EXPECT_EQ(s.GetTypeName(), "3Dshape");
    EXPECT_EQ(s.GetSize(), 1.0f);
    EXPECT_TRUE(s.GetNormaliseOnLoad());
    EXPECT_FALSE(s.IsLoaded());
    EXPECT_EQ(s.GetPartCount(), 1);
    EXPECT_FALSE(s.Load("a.obj"));
    EXPECT_FALSE(s.Import("a.trc"));
    EXPECT_FALSE(s.Save());
    EXPECT_FALSE(s.SaveAs("b.c3d"));
    s.GetPartNames(nullptr);
    wxArrayString names;
    names.Add("old");
    s.GetPartNames(&names);
    EXPECT_TRUE(names.IsEmpty());
    for (const char* path : {"walk.obj", "/data/runs/walk.obj", "../x/walk.obj"}) {
        SCOPED_TRACE(path);
        s.SetFileName(path);
        s.GetPartNames(&names);
        ASSERT_EQ(names.GetCount(), 1u);
        EXPECT_EQ(names[0], "walk");
    }
    s.Clear();  // clearing keeps the file name
    EXPECT_EQ(s.GetFileName(), "../x/walk.obj");
}

// ---- saved states ------------------------------------------------------------------------------

// Points the temporary folder at a per-test folder so the test sees every file it leaves.
class SavedStates : public WxBaseTest {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        if (old) previous_ = old;
        hadPrevious_ = old != nullptr;
        ASSERT_FALSE(dir_.path().empty());
        setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadPrevious_)
            setenv("TMPDIR", previous_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            names.push_back(e.path().filename().string());
        return names;
    }
    testsupport::TempDir dir_;
    std::string previous_;
    bool hadPrevious_ = false;
};

TEST_F(SavedStates, UndoOnAnEmptyStackDoesNothing) {
    StateObject o;
    EXPECT_FALSE(o.Undo());
    EXPECT_EQ(o.GetUndoCount(), 0);
}

TEST_F(SavedStates, BaseObjectsCannotSaveAndLeaveNoFile) {
    TestObject o;
    EXPECT_FALSE(o.PushUndo("Move object"));
    EXPECT_EQ(o.GetUndoCount(), 0);
    EXPECT_TRUE(Files().empty());
}

TEST_F(SavedStates, FailedSaveRemovesItsTemporaryFile) {
    StateObject o;
    o.failSave = true;
    EXPECT_FALSE(o.PushUndo("Move object"));
    EXPECT_EQ(o.GetUndoCount(), 0);
    EXPECT_FALSE(o.lastSaved.empty());
    EXPECT_TRUE(Files().empty());
}

TEST_F(SavedStates, TwoPushesAndOneUndoRestoreTheSecondState) {
    StateObject o;
    o.SetMotion(101, 100);
    o.Translate(1, 0, 0);
    o.SetCurrentFrame(5);
    ASSERT_TRUE(o.PushUndo("View marker"));
    o.Translate(1, 0, 0);
    o.SetFirstFrame(10);
    o.SetLastFrame(60);
    o.SetCurrentFrame(20);
    ASSERT_TRUE(o.PushUndo("Move object"));
    const std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& f : files) EXPECT_EQ(f.rfind("mi", 0), 0u) << f;
    EXPECT_EQ(o.GetUndoDescription(), "Move object");

    o.Translate(5, 0, 0);
    o.SetFirstFrame(0);
    o.SetLastFrame(100);
    o.SetCurrentFrame(99);
    EXPECT_TRUE(o.Undo());
    EXPECT_EQ(o.Position().x, 2.0);
    EXPECT_EQ(o.GetFirstFrame(), 10);
    EXPECT_EQ(o.GetLastFrame(), 60);
    EXPECT_EQ(o.GetCurrentFrame(), 20);
    EXPECT_DOUBLE_EQ(o.EndTime(), 1.0);  // times follow only when the caller sets the frames
    EXPECT_EQ(o.GetUndoCount(), 1);
    EXPECT_EQ(o.GetUndoDescription(), "View marker");
    EXPECT_EQ(Files().size(), 1u);

    EXPECT_TRUE(o.Undo());
    EXPECT_EQ(o.Position().x, 1.0);
    EXPECT_EQ(o.GetCurrentFrame(), 5);
    EXPECT_TRUE(Files().empty());
}

TEST_F(SavedStates, FailedLoadStillDropsTheRecordAndItsFile) {
    StateObject o;
    o.SetCurrentFrame(3);
    ASSERT_TRUE(o.PushUndo("Move object"));
    o.SetCurrentFrame(8);
    o.failLoad = true;
    EXPECT_FALSE(o.Undo());
    EXPECT_EQ(o.GetCurrentFrame(), 8);
    EXPECT_EQ(o.GetUndoCount(), 0);
    EXPECT_TRUE(Files().empty());
}

TEST_F(SavedStates, RecordWhoseFileVanishedIsDropped) {
    StateObject o;
    ASSERT_TRUE(o.PushUndo("Move object"));
    std::filesystem::remove(o.lastSaved.utf8_string());
    o.Translate(3, 0, 0);
    EXPECT_FALSE(o.Undo());
    EXPECT_EQ(o.Position().x, 3.0);
    EXPECT_EQ(o.GetUndoCount(), 0);
}

TEST_F(SavedStates, ClearUndoDeletesTheFilesThatAreLeft) {
    StateObject o;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(o.PushUndo("edit"));
    std::filesystem::remove(o.lastSaved.utf8_string());
    EXPECT_EQ(Files().size(), 2u);
    o.ClearUndo();
    EXPECT_EQ(o.GetUndoCount(), 0);
    EXPECT_TRUE(Files().empty());
}

TEST_F(SavedStates, DestroyingAnObjectLeavesItsFiles) {
    {
        StateObject o;
        ASSERT_TRUE(o.PushUndo("one"));
        ASSERT_TRUE(o.PushUndo("two"));
    }
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(SavedStates, ClearKeepsTheStack) {
    StateObject o;
    ASSERT_TRUE(o.PushUndo("one"));
    o.Clear();
    EXPECT_EQ(o.GetUndoCount(), 1);
    o.ClearUndo();
}

// ---- the record array --------------------------------------------------------------------------

using UndoArray = WxBaseTest;

TEST_F(UndoArray, AddMakesIndependentCopies) {
    ArrayOfUndoRef a;
    a.Add(UndoRecord("f", "d", 1, 2, 3), 3);
    a.Add(UndoRecord("g", "e", 4, 5, 6), 0);
    ASSERT_EQ(a.GetCount(), 3u);
    a[1].description = "changed";
    a[1].currentFrame = 9;
    EXPECT_EQ(a[0].description, "d");
    EXPECT_EQ(a[2].description, "d");
    EXPECT_EQ(a[2].currentFrame, 3);
    const UndoRecord copy = a[1];
    a[1].file = "other";
    EXPECT_EQ(copy.file, "f");
}

TEST_F(UndoArray, RemoveAtClosesTheGapAndStopsAtTheEnd) {
    ArrayOfUndoRef a;
    for (int i = 0; i < 5; ++i) a.Add(UndoRecord(wxString::Format("f%d", i), "", i, i, i));
    a.RemoveAt(1, 2);
    ASSERT_EQ(a.GetCount(), 3u);
    EXPECT_EQ(a[1].file, "f3");
    a.RemoveAt(2, 10);
    EXPECT_EQ(a.GetCount(), 2u);
    a.Clear();
    EXPECT_TRUE(a.IsEmpty());
}

struct AssertCapture {
    static inline int count = 0;
    static inline wxString cond, msg;
    static void Handler(const wxString&, int, const wxString&, const wxString& c, const wxString& m) {
        ++count;
        cond = c;
        msg = m;
    }
};

TEST_F(UndoArray, RemoveAtABadIndexAssertsAndRemovesNothing) {
    ArrayOfUndoRef a;
    a.Add(UndoRecord("f", "d", 0, 0, 0));
    AssertCapture::count = 0;
    wxAssertHandler_t previous = wxSetAssertHandler(AssertCapture::Handler);
    a.RemoveAt(1);
    a.RemoveAt(7, 2);
    wxSetAssertHandler(previous);
    EXPECT_EQ(a.GetCount(), 1u);
#if wxDEBUG_LEVEL
    EXPECT_EQ(AssertCapture::count, 2);
    EXPECT_TRUE(AssertCapture::cond.Contains("uiIndex < size()")) << AssertCapture::cond;
    EXPECT_EQ(AssertCapture::msg, "bad index in ArrayOfUndoRef::RemoveAt()");
#endif
}

}  // namespace
