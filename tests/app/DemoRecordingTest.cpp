// The demo recording that scripts/run.sh shows when no recording is named reads back as written.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/DemoRecording.h"
#include "motion/TDataFile.h"
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
    const double x0 = data.points->GetValue(0, 0);
    const double x1 = data.points->GetValue(0, kDemoFrames / 2);
    EXPECT_GT(std::fabs(x1 - x0), 1000.0);
}

TEST(DemoRecording, AnUnwritablePathFails) {
    testsupport::TempDir dir;
    EXPECT_FALSE(WriteDemoRecording(dir.file("no/such/folder/demo.c3d")));
    EXPECT_FALSE(WriteDemoRecording(dir.path()));
}

}  // namespace
