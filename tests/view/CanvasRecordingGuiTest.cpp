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

#include "CanvasGuiFixture.h"
#include "TDataFile.h"
#include "TestSupport.h"
#include "shapeC3D.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Window pixel (origin bottom left) of a scene point, from the camera's eye, centre, up and lens
// alone, as a look-at and a perspective projection place it.
bool Project(const wxGLCamera& camera, int width, int height, const double p[3], double* px,
             double* py) {
    double e[3], c[3];
    camera.GetEye(&e[0], &e[1], &e[2]);
    camera.GetCentre(&c[0], &c[1], &c[2]);
    const Point3D up = camera.GetUp();
    auto normalise = [](double v[3]) {
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) v[i] /= n;
    };
    double f[3] = {c[0] - e[0], c[1] - e[1], c[2] - e[2]};
    normalise(f);
    double s[3] = {f[1] * up.z - f[2] * up.y, f[2] * up.x - f[0] * up.z, f[0] * up.y - f[1] * up.x};
    normalise(s);
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                         s[0] * f[1] - s[1] * f[0]};
    const double d[3] = {p[0] - e[0], p[1] - e[1], p[2] - e[2]};
    const double depth = f[0] * d[0] + f[1] * d[1] + f[2] * d[2];
    if (depth <= 0.1) return false;
    const double xc = s[0] * d[0] + s[1] * d[1] + s[2] * d[2];
    const double yc = u[0] * d[0] + u[1] * d[1] + u[2] * d[2];
    const double fy = 1 / std::tan(camera.GetLens() / 2 * kPi / 180);
    const double aspect = double(width) / height;
    *px = (fy / aspect * xc / depth + 1) / 2 * width;
    *py = (fy * yc / depth + 1) / 2 * height;
    return true;
}

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
    if (!Open("c3d/sample_01/Eb015pi.c3d")) GTEST_SKIP() << "public samples not present";
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
    if (!Open("c3d/sample_01/Eb015pi.c3d")) GTEST_SKIP() << "public samples not present";
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
        double x = 0, y = 0;
        if (!Project(*canvas->GetCamera(), kWidth, kHeight, p, &x, &y)) continue;
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
    if (!Open("c3d/sample_01/Eb015pi.c3d")) GTEST_SKIP() << "public samples not present";
    auto* text = new wxTextCtrl(frame, wxID_ANY);
    canvas->SetTimeText(text);
    canvas->SetOwnerFrame(frame);
    canvas->GoToFrame(10, true);
    canvas->Play();
    ASSERT_TRUE(canvas->IsTimerRunning());
    // 50 Hz plays at the 30-tick ceiling; faster recordings too.
    EXPECT_NEAR(canvas->GetTimerInterval(),
                std::max(1.0 / 30, recording->GetFramePeriod()), 1e-12);
    RunEvents(400);
    canvas->Stop();
    const int reached = recording->GetCurrentFrame();
    EXPECT_GT(reached, 10);
    EXPECT_LT(reached, 449);
    EXPECT_TRUE(text->GetValue().Contains(wxString::Format(" (s)  [%d]", reached + 1)))
        << text->GetValue();
    EXPECT_GT(frame->Count(myGLCanvas::kNotifyTime3), 2);
}

TEST_F(RecordingTest, EventsStepAndLabelTheTime) {
    if (!Open("c3d/sample_03/gait-pig.c3d")) GTEST_SKIP() << "public samples not present";
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

}  // namespace
