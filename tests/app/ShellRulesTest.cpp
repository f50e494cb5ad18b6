// The main window's rules that need no window: which animation commands are enabled, the speed
// slider's mapping, the recent-files list and the clamping of a stored window geometry.
#include <gtest/gtest.h>

#include <string>

#include <wx/defs.h>

#include "app/AnimationControls.h"
#include "app/FrameIds.h"
#include "app/RecentFiles.h"
#include "support/TestSupport.h"
#include "app/WindowGeometry.h"

namespace {

TEST(AnimationControls, EnabledStateOfEachCommandInEachPlaybackState) {
    struct Case {
        int id;
        bool noMotion, stopped, playing;
    };
    const Case cases[] = {
        {kIdPlay, false, true, false},
        {kIdPlayBackward, false, true, false},
        {kIdStop, false, false, true},
        {kIdPreviousFrame, false, true, false},
        {kIdNextFrame, false, true, false},
        {kIdFirstFrame, false, true, false},
        {kIdLastFrame, false, true, false},
        {kIdSetFirstFrame, false, true, false},
        {kIdSetLastFrame, false, true, false},
        {kIdResetFirstLast, false, true, false},
        // Never disabled.
        {kIdOpen, true, true, true},
        {kIdSaveImage, true, true, true},
        {kIdResetView, true, true, true},
        {kIdFullScreen, true, true, true},
        {kIdRecentFirst, true, true, true},
        {kIdExit, true, true, true},
        {kIdAbout, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(IsAnimationCommandEnabled(c.id, false, false), c.noMotion);
        // Playing without motion (a recording closed while it played) still disables them all.
        EXPECT_EQ(IsAnimationCommandEnabled(c.id, false, true), c.noMotion);
        EXPECT_EQ(IsAnimationCommandEnabled(c.id, true, false), c.stopped);
        EXPECT_EQ(IsAnimationCommandEnabled(c.id, true, true), c.playing);
    }
}

TEST(AnimationControls, TheTenCommandsAreDistinct) {
    for (int i = 0; i < kAnimationCommandCount; ++i)
        for (int j = i + 1; j < kAnimationCommandCount; ++j)
            EXPECT_NE(kAnimationCommands[i], kAnimationCommands[j]);
}

TEST(AnimationControls, OnlyMoreThanTwoFramesArePlayable) {
    struct Case {
        bool canvas, object, motion;
        int frames;
        bool playable;
    };
    const Case cases[] = {
        {true, true, true, 3, true},    {true, true, true, 100, true},
        {true, true, true, 2, false},   {true, true, true, 1, false},
        {true, true, false, 0, false},  {true, true, false, 50, false},
        {true, false, true, 50, false}, {false, true, true, 50, false},
        {true, true, true, -5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.canvas << c.object << c.motion << " " << c.frames);
        EXPECT_EQ(HasPlayableMotion(c.canvas, c.object, c.motion, c.frames), c.playable);
    }
}

TEST(WindowKeys, SpacePlaysWhenStoppedAndStopsWhenPlaying) {
    EXPECT_EQ(SpaceCommand(false), kIdPlay);
    EXPECT_EQ(SpaceCommand(true), kIdStop);
}

// What a focused text box or the grid keeps; the rest goes to the menus.
TEST(WindowKeys, TextControlsKeepTheirEditingKeys) {
    const struct {
        int key;
        int modifiers;
        bool oneLine;  // kept by a one-line box
        bool paging;   // kept by the Log and the grid
    } cases[] = {
        {WXK_SPACE, wxMOD_NONE, true, true},
        {'a', wxMOD_NONE, true, true},
        {'A', wxMOD_SHIFT, true, true},
        {'~', wxMOD_NONE, true, true},
        {0xE9, wxMOD_NONE, true, true},  // é
        {WXK_HOME, wxMOD_NONE, true, true},
        {WXK_END, wxMOD_SHIFT, true, true},
        {WXK_LEFT, wxMOD_NONE, true, true},
        {WXK_DOWN, wxMOD_NONE, true, true},
        {WXK_DELETE, wxMOD_NONE, true, true},
        {WXK_BACK, wxMOD_NONE, true, true},
        {WXK_PAGEUP, wxMOD_NONE, false, true},
        {WXK_PAGEDOWN, wxMOD_NONE, false, true},
        {WXK_F12, wxMOD_NONE, false, false},
        {WXK_F1, wxMOD_NONE, false, false},
        {'X', wxMOD_ALT, false, false},
        {WXK_HOME, wxMOD_CONTROL, false, false},
        {WXK_SPACE, wxMOD_ALT, false, false},
        {WXK_ESCAPE, wxMOD_NONE, false, false},
        {WXK_RETURN, wxMOD_NONE, false, false},
        {0, wxMOD_NONE, false, false},
        {-1, wxMOD_NONE, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << c.modifiers);
        EXPECT_EQ(IsTextEditingKey(c.key, c.modifiers, false), c.oneLine);
        EXPECT_EQ(IsTextEditingKey(c.key, c.modifiers, true), c.paging);
    }
}

TEST(SpeedSlider, PositionGivesSpeedAndText) {
    struct Case {
        int position;
        double speed;
        const char* text;
    };
    const Case cases[] = {{1, 0.25, "0.25x "},
                          {2, 0.5, "0.50x "},
                          {4, 1.0, "1.00x "},
                          {7, 1.75, "1.75x "},
                          {8, 2.0, "2.00x "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_DOUBLE_EQ(SpeedFromSliderPosition(c.position), c.speed);
        EXPECT_EQ(SpeedText(SpeedFromSliderPosition(c.position)), c.text);
    }
}

TEST(SpeedSlider, TextKeepsItsDecimalPointUnderACommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale on this machine";
    EXPECT_EQ(SpeedText(0.25), "0.25x ");
}

TEST(RecentFiles, KeepsTheOrderOfFirstOpeningAndNoDuplicates) {
    RecentFiles history;
    EXPECT_TRUE(history.Add("/data/a.c3d"));
    EXPECT_TRUE(history.Add("/data/b.c3d"));
    EXPECT_FALSE(history.Add("/data/a.c3d"));
    ASSERT_EQ(history.Count(), 2);
    EXPECT_EQ(history.At(0), "/data/a.c3d");
    EXPECT_EQ(history.At(1), "/data/b.c3d");
}

TEST(RecentFiles, PathsDifferingInCaseOrSeparatorsAreDifferentEntries) {
    RecentFiles history;
    EXPECT_TRUE(history.Add("/data/walk.c3d"));
    EXPECT_TRUE(history.Add("/data/WALK.c3d"));
    EXPECT_TRUE(history.Add("/data//walk.c3d"));
    EXPECT_EQ(history.Count(), 3);
}

TEST(RecentFiles, TheTenthPathPushesTheOldestOut) {
    RecentFiles history;
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(history.Add("/f" + std::to_string(i)));
    ASSERT_EQ(history.Count(), RecentFiles::kCapacity);
    for (int i = 0; i < RecentFiles::kCapacity; ++i)
        EXPECT_EQ(history.At(i), "/f" + std::to_string(i + 1));
    // A path already listed does not move, even when the list is full.
    EXPECT_FALSE(history.Add("/f5"));
    EXPECT_EQ(history.At(0), "/f1");
}

TEST(RecentFiles, EmptyPathsAndIndicesOutsideTheList) {
    RecentFiles history;
    EXPECT_FALSE(history.Add(""));
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.At(0), "");
    history.Add("/x");
    EXPECT_EQ(history.At(-1), "");
    EXPECT_EQ(history.At(1), "");
    history.Clear();
    EXPECT_EQ(history.Count(), 0);
}

TEST(WindowGeometry, ClampedIntoTheScreen) {
    struct Case {
        const char* what;
        WindowGeometry stored;
        int screenW, screenH;
        int x, y, w, h;
    };
    const Case cases[] = {
        {"first start fits", {50, 50, 1000, 800, -1}, 1280, 1024, 50, 50, 1000, 800},
        {"wider than the screen", {50, 50, 5000, 600, 0}, 1920, 1080, 50, 50, 1820, 600},
        {"first start on a small screen", {50, 50, 1000, 800, -1}, 1024, 768, 24, 50, 1000, 668},
        {"first start on a narrow screen", {50, 50, 1000, 800, -1}, 800, 600, 50, 50, 700, 500},
        {"position beyond the screen", {3000, 2000, 400, 300, 0}, 1920, 1080, 50, 50, 400, 300},
        {"negative position", {-4000, -20, 400, 300, 0}, 1920, 1080, 50, 50, 400, 300},
        {"hanging over the right edge", {1700, 900, 400, 300, 0}, 1920, 1080, 1520, 780, 400, 300},
        {"no size", {10, 10, 0, -5, 0}, 1920, 1080, 10, 10, 1000, 800},
        {"tiny screen", {50, 50, 800, 800, 0}, 90, 60, 0, 0, 90, 60},
        {"unknown screen", {-1, 7000, 5000, 0, 0}, 0, -1, -1, 7000, 5000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WindowGeometry g = ClampToScreen(c.stored, c.screenW, c.screenH);
        EXPECT_EQ(g.x, c.x);
        EXPECT_EQ(g.y, c.y);
        EXPECT_EQ(g.width, c.w);
        EXPECT_EQ(g.height, c.h);
        EXPECT_EQ(g.maximized, c.stored.maximized);
    }
}

}  // namespace
