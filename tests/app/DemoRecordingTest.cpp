// The demo recording that scripts/run.sh shows when no recording is named reads back as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/DemoRecording.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "support/TestSupport.h"

namespace {

TEST(DemoRecording, ReadsBackWithItsMarkersFramesAndRate) {
    testsupport::TempDir dir;
    const std::string path = dir.file("demo.c3d");
    ASSERT_TRUE(WriteDemoRecording(path));

    TDataFile data(path.c_str());
    ASSERT_TRUE(data.HasPoints()) << data.GetErrorText();
    EXPECT_EQ(data.GetPointCount(), kDemoMarkers);
    EXPECT_EQ(data.GetFrameCount(), kDemoFrames);
    EXPECT_FLOAT_EQ(data.GetPointRate(), kDemoRate);
    EXPECT_EQ(data.PointLabel(0), "HEAD");
    EXPECT_EQ(data.PointLabel(kDemoMarkers - 1), "RANK");
    // The figure stands: the head stays well above the ankles on every frame, and it moves.
    const int d = data.GetDimension();
    for (int f = 0; f < kDemoFrames; ++f) {
        SCOPED_TRACE(f);
        const double head = data.points->GetValue(0 * d + 2, f);
        const double ankle = data.points->GetValue((kDemoMarkers - 1) * d + 2, f);
        EXPECT_GT(head - ankle, 1000.0);
    }
    // It walks straight along +y, the view's side-on direction, its two sides apart in x.
    const double y0 = data.points->GetValue(0 * d + 1, 0);
    const double y1 = data.points->GetValue(0 * d + 1, kDemoFrames - 1);
    EXPECT_GT(y1 - y0, 2000.0);
    for (int f = 0; f < kDemoFrames; f += 10) {
        SCOPED_TRACE(f);
        const double leftShoulder = data.points->GetValue(1 * d, f), rightShoulder = data.points->GetValue(2 * d, f);
        EXPECT_GT(rightShoulder - leftShoulder, 300.0);
        // One foot or the other is on the floor.
        const double leftAnkle = data.points->GetValue(12 * d + 2, f), rightAnkle = data.points->GetValue(13 * d + 2, f);
        EXPECT_NEAR(std::min(leftAnkle, rightAnkle), 80.0, 1.0);
    }
    // The legs swing: an ankle moves ahead of the other and back within a stride.
    double leadMin = 1e9, leadMax = -1e9;
    for (int f = 0; f < kDemoFrames; ++f) {
        const double lead = data.points->GetValue(12 * d + 1, f) - data.points->GetValue(13 * d + 1, f);
        leadMin = std::min(leadMin, lead);
        leadMax = std::max(leadMax, lead);
    }
    EXPECT_LT(leadMin, -300.0);
    EXPECT_GT(leadMax, 300.0);
}

// The stick figure comes with it: a marker-set file beside the recording links the markers.
TEST(DemoRecording, ComesWithItsStickFigure) {
    testsupport::TempDir dir;
    const std::string path = dir.file("walk.c3d");
    ASSERT_TRUE(WriteDemoRecording(path));
    TDataFile data(path.c_str());
    ASSERT_TRUE(data.HasPoints());
    TStructure figure("", data.GetPointCount(), 0.0f);
    EXPECT_TRUE(data.LoadMarkerSet(&figure));
    EXPECT_EQ(figure.GetSegmentCount(), 16);
}

TEST(DemoRecording, AnUnwritablePathFailsWithItsReason) {
    testsupport::TempDir dir;
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir.file("no/such/folder/demo.c3d"),
         "Unable to open C3D file for writing: Cannot create a temporary file for '" + dir.file("no/such/folder/demo.c3d") +
             "': No such file or directory"},
        {dir.path(), "Error writing C3D file: Cannot write '" + dir.path() + "': Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        EXPECT_FALSE(WriteDemoRecording(c.path, &error));
        EXPECT_EQ(error, c.reason);
    }
}

}  // namespace
