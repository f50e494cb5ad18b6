// Public C3D samples opened in a real window through the canvas's factory: placed in view, their
// markers painted where the camera puts them, played by the real timer, stepped by event.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <wx/textctrl.h>

#include <GL/gl.h>

#include "view/CanvasGuiFixture.h"
#include "motion/TDataFile.h"
#include "support/TestSupport.h"
#include "scene/shapeC3D.h"

namespace {

class RecordingTest : public CanvasGuiTest {
protected:
    // Opens a sample; false (and a skip) when the samples are not here.
    bool Open(const char* relative) {
        const std::string path = testsupport::SampleFile(relative);
        if (path.empty()) return false;
        EXPECT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        recording = dynamic_cast<shapeC3D*>(canvas->GetObject());
        EXPECT_NE(recording, nullptr);
        return recording != nullptr;
    }
    shapeC3D* recording = nullptr;
};

TEST_F(RecordingTest, SampleIsPlacedInView) {
    if (!Open("c3d/sample_01/Eb015pi.c3d")) FAIL() << "sample file missing";
    EXPECT_EQ(recording->GetTypeName(), "c3d");
    EXPECT_EQ(recording->GetId(), 0);
    EXPECT_TRUE(canvas->HasMotion());
    EXPECT_EQ(canvas->GetFrameCount(), 450);
    EXPECT_NEAR(canvas->GetRangeEnd(), 449 * recording->GetFramePeriod(), 1e-9);

    // Centred on the (widened) bounds, the eye on the side the screen x-axis names.
    const float* b = recording->GetBounds();
    const double cx = (double(b[0]) + b[1]) / 2, cy = (double(b[2]) + b[3]) / 2,
                 cz = (double(b[4]) + b[5]) / 2;
    const double s =
        1.25 * std::max({std::fabs(b[1] - b[0]), std::fabs(b[3] - b[2]), std::fabs(b[5] - b[4])});
    double e[3], c[3];
    canvas->GetCamera()->GetCentre(&c[0], &c[1], &c[2]);
    canvas->GetCamera()->GetEye(&e[0], &e[1], &e[2]);
    EXPECT_NEAR(c[0], cx, 1e-6);
    EXPECT_NEAR(c[1], cy, 1e-6);
    EXPECT_NEAR(c[2], cz, 1e-6);
    EXPECT_NEAR(canvas->GetDefaultCentre().z, cz, 1e-6);
    const std::string xScreen(recording->GetData()->xScreen,
                              strnlen(recording->GetData()->xScreen, 3));
    double ex = cx + 1.25 * s - 0.6, ey = 1.5 * cy;
    if (xScreen == "-X") ex = cx - 1.25 * s - 0.6;
    if (xScreen == "+Y" || xScreen == "-Y") {
        ex = cx;
        ey = 1.5 * cy + (xScreen == "+Y" ? 1.25 * s : -1.25 * s) - 0.6;
    }
    EXPECT_NEAR(e[0], ex, 1e-5);
    EXPECT_NEAR(e[1], ey, 1e-5);
    EXPECT_NEAR(e[2], cz + s / 3, 1e-5);
    EXPECT_TRUE(canvas->GetGroundPlane()->visible);
}

TEST_F(RecordingTest, MarkersPaintWhereTheCameraPutsThem) {
    if (!Open("c3d/sample_01/Eb015pi.c3d")) FAIL() << "sample file missing";
    canvas->GoToFrame(200, true);
    // The same frame with and without the recording: every marker's pixel changes.
    recording->SetVisible(false);
    const testsupport::PixelBlock without = Paint();
    recording->SetVisible(true);
    const testsupport::PixelBlock with = Paint();
    ASSERT_EQ(with.width, kWidth);
    ASSERT_EQ(without.width, kWidth);
    // The background shows in the top corners.
    EXPECT_NEAR(with.at(2, kHeight - 3)[2], 128, 2);

    const Quaternion* turn = recording->GetWorldOrientation();
    double q[4];
    turn->ToArray(q);
    int inView = 0, shown = 0;
    for (int i = 0; i < recording->GetMarkerCount(); ++i) {
        if (!recording->IsMarkerValid(i, 200) || !recording->IsMarkerDisplayed(i)) continue;
        double p[3];
        std::copy(recording->GetMarkerDisplay(i)->position,
                  recording->GetMarkerDisplay(i)->position + 3, p);
        RotatePointByQuaternion(&p[0], &p[1], &p[2], q);
        const Pixel at = Project(*canvas->GetCamera(), kWidth, kHeight, Point3D(p[0], p[1], p[2]));
        if (at.depth <= 0.1) continue;
        const double x = at.x, y = at.y;
        if (x < 1 || y < 1 || x >= kWidth - 1 || y >= kHeight - 1) continue;
        ++inView;
        const unsigned char* a = with.at(int(x), int(y));
        const unsigned char* z = without.at(int(x), int(y));
        const bool changed =
            std::abs(a[0] - z[0]) + std::abs(a[1] - z[1]) + std::abs(a[2] - z[2]) > 20;
        shown += changed;
        EXPECT_TRUE(changed) << recording->GetMarkerDisplay(i)->name << " at " << x << ", " << y;
    }
    EXPECT_GE(inView, 20);
    EXPECT_EQ(shown, inView);
}

TEST_F(RecordingTest, SamplePlaysInRealTime) {
    if (!Open("c3d/sample_01/Eb015pi.c3d")) FAIL() << "sample file missing";
    auto* text = new wxTextCtrl(frame, wxID_ANY);
    canvas->SetTimeText(text);
    canvas->SetOwnerFrame(frame);
    canvas->GoToFrame(10, true);
    canvas->Play();
    ASSERT_TRUE(canvas->IsTimerRunning());
    // 50 Hz plays at the 30-tick ceiling; faster recordings too.
    EXPECT_NEAR(canvas->GetTimerInterval(),
                std::max(1.0 / 30, recording->GetFramePeriod()), 1e-12);
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        return recording->GetCurrentFrame() > 10 && frame->Count(myGLCanvas::kNotifyTime3) > 2;
    }));
    canvas->Stop();
    const int reached = recording->GetCurrentFrame();
    EXPECT_GT(reached, 10);
    EXPECT_LT(reached, 449);
    EXPECT_TRUE(text->GetValue().Contains(wxString::Format(" (s)  [%d]", reached + 1)))
        << text->GetValue();
    EXPECT_GT(frame->Count(myGLCanvas::kNotifyTime3), 2);
}

TEST_F(RecordingTest, EventsStepAndLabelTheTime) {
    if (!Open("c3d/sample_03/gait-pig.c3d")) FAIL() << "sample file missing";
    wxArrayInt frames;
    canvas->GetEventFrames(frames);
    ASSERT_FALSE(frames.empty());
    ASSERT_TRUE(std::is_sorted(frames.begin(), frames.end()));
    canvas->FirstFrame();
    const int first = canvas->GetFirstFrame();
    int expected = -1;
    for (int f : frames)
        if (f > first && f <= canvas->GetLastFrame()) {
            expected = f;
            break;
        }
    ASSERT_GE(expected, 0);
    canvas->NextEvent();
    EXPECT_EQ(recording->GetCurrentFrame(), expected);
    // The time text ends with the label of the event on this frame.
    const TDataFile* data = recording->GetData();
    std::string label;
    for (LabelledItemList* list : {data->events, data->headerEvents}) {
        if (list == nullptr || !label.empty()) continue;
        for (int i = 0; i < list->count; ++i)
            if (list->items[i]->id == expected) {
                label = list->items[i]->name;
                break;
            }
    }
    ASSERT_FALSE(label.empty());
    const std::string text = canvas->GetTimeText().utf8_string();
    EXPECT_EQ(text.substr(text.size() - label.size() - 1), " " + label) << text;
    int previous = expected;
    for (int f : frames)
        if (f < expected && f >= first) previous = f;
    canvas->PreviousEvent();
    EXPECT_EQ(recording->GetCurrentFrame(), previous);
}

// A click where nothing is drawn picks nothing, and the next paint must draw what the one
// before it drew: no GL state of the pick pass may stay behind (floor and axes once came out
// darker after it, for good).
TEST_F(RecordingTest, AClickOnEmptyBackgroundChangesNothingDrawn) {
    if (!Open("c3d/sample_01/Eb015pr.c3d")) FAIL() << "sample file missing";
    canvas->GoToFrame(100, true);
    Paint();
    const testsupport::PixelBlock before = Paint();
    const float* bg = canvas->GetBackgroundColour();
    const int r = int(bg[0] * 255 + 0.5f), g = int(bg[1] * 255 + 0.5f), b = int(bg[2] * 255 + 0.5f);
    ASSERT_GT(before.CountDifferentFrom(r, g, b, 2), 500) << "floor, axes and markers drawn";
    // The top left corner shows the background only.
    ASSERT_EQ(std::memcmp(before.at(3, kHeight - 4), before.at(0, kHeight - 1), 3), 0);
    // Clicks of either button and hovering all pick; twice each, so nothing adds up either.
    for (wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_DOWN, wxEVT_RIGHT_DOWN, wxEVT_MOTION,
                             wxEVT_MOTION}) {
        SCOPED_TRACE(type);
        wxMouseEvent event(type);
        event.SetEventObject(canvas);
        event.SetPosition(wxPoint(3, 3));
        event.SetLeftDown(type == wxEVT_LEFT_DOWN);
        event.SetRightDown(type == wxEVT_RIGHT_DOWN);
        canvas->GetEventHandler()->ProcessEvent(event);
        ASSERT_TRUE(canvas->IsPickRequested());
        const testsupport::PixelBlock after = Paint();
        EXPECT_FALSE(canvas->IsPickRequested());
        ASSERT_EQ(after.rgba.size(), before.rgba.size());
        int changed = 0;
        for (std::size_t i = 0; i < before.rgba.size(); i += 4)
            if (std::memcmp(&before.rgba[i], &after.rgba[i], 3) != 0) ++changed;
        EXPECT_EQ(changed, 0);
    }
    wxArrayInt selection;
    recording->GetSelection(selection);
    EXPECT_TRUE(selection.empty());
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

}  // namespace
