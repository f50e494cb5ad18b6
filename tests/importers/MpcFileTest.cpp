// MPC and CME text recordings with their ".vm" companions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/NumberText.h"

namespace {

const char* const kWalk =
    "FRAMES 2\n"
    "MARKERS 3\n"
    "STICKS 3\n"
    "STICK 2 1 2\n"
    "STICK 2 4 0\n"
    "stick 3 2 3 4\n"
    "markernames y\n"
    "MARKER 1 LASI\n"
    "Marker 3 R knee\n"
    "MARKER 25 RHEE\n"
    "frames 1 2 markers 1 3 Hz 60 x\n"
    "1.5 2 3\n"
    "4 5 6\n"
    "7 8 9\n"
    "-1 -2 -3\n"
    "10 11\n"
    "1e3 0.25 -0.5\n";

struct MpcDir {
    testsupport::TempDir dir;
    TDataFile d{nullptr};
    MpcDir() { d.verbose = false; }
    bool Load(const std::string& text, const char* name = "walk.mpc") {
        testsupport::WriteFileBytes(dir.file(name), text);
        return d.LoadFile(dir.file(name).c_str(), kFileDetect, true);
    }
};

TEST(MpcFile, KeywordsSticksNamesAndSamples) {
    for (bool crlf : {false, true}) {
        testsupport::CommaLocale comma;  // numbers keep their "." in any locale
        SCOPED_TRACE(crlf ? "CRLF" : "LF");
        MpcDir t;
        ASSERT_TRUE(t.Load(crlf ? testsupport::WithCrlf(kWalk) : std::string(kWalk), "walk.CME"));
        EXPECT_EQ(t.d.GetDimension(), 3);
        EXPECT_EQ(t.d.GetNumberOfPoints(), 3);
        EXPECT_EQ(t.d.GetFrameCount(), 2);
        EXPECT_FLOAT_EQ(t.d.GetPointRate(), 120.0f);  // whatever the data header says
        EXPECT_STREQ(t.d.stickText, "1-2,2-3-4");
        EXPECT_EQ(t.d.PointLabel(0), "LASI");
        EXPECT_EQ(t.d.PointLabel(1), "Marker 2");
        EXPECT_EQ(t.d.PointLabel(2), "R knee");
        EXPECT_EQ(t.d.PointLabel(3), "RHEE");  // a number past the markers adds a label
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(0, 0), 1.5);
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(8, 0), 9.0);
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(2, 1), -3.0);
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(5, 1), 0.0);  // a line of two numbers
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(6, 1), 1000.0);
        EXPECT_DOUBLE_EQ(t.d.points->GetValue(7, 1), 0.25);
    }
}

TEST(MpcFile, DataHeaderAloneMakesTheTable) {
    MpcDir t;
    ASSERT_TRUE(t.Load("frames 1 3 markers 1 2 Hz 50\n1 2 3\n4 5 6\n7 8 9\n"));
    EXPECT_EQ(t.d.GetNumberOfPoints(), 2);
    EXPECT_EQ(t.d.PointLabel(1), "Marker 2");
    EXPECT_DOUBLE_EQ(t.d.points->GetValue(3, 0), 4.0);
    // The data section ends inside frame 2: the frames read in full are kept, and it is said.
    EXPECT_EQ(t.d.GetFrameCount(), 1);
    EXPECT_STREQ(t.d.GetErrorText(), "walk.mpc: MPC data ends early (the file ends): 1 of 3 frames present");
}

TEST(MpcFile, HeaderTableWinsOverTheDataHeader) {
    MpcDir t;
    // Two markers and two frames declared, the data header says three and three: extra lines
    // are read past and dropped.
    ASSERT_TRUE(t.Load("MARKERS 2\nFRAMES 2\nframes 1 3 markers 1 3 Hz 50\n"
                       "1 1 1\n2 2 2\n3 3 3\n4 4 4\n5 5 5\n6 6 6\n7 7 7\n8 8 8\n9 9 9\n"));
    EXPECT_EQ(t.d.GetNumberOfPoints(), 2);
    EXPECT_EQ(t.d.GetFrameCount(), 2);
    EXPECT_DOUBLE_EQ(t.d.points->GetValue(3, 0), 2.0);
    EXPECT_DOUBLE_EQ(t.d.points->GetValue(0, 1), 4.0);
    EXPECT_DOUBLE_EQ(t.d.points->GetValue(3, 1), 5.0);
}

TEST(MpcFile, NoMarkersAndNoDataHeaderIsRefused) {
    for (const char* text : {"", "FRAMES 10\n1 2 3\n", "MARKERS 0\nFRAMES 3\n", "MARKERS 100000\nFRAMES 100000\n",
                             "frames 1 100000 markers 1 100000 Hz 5\n"}) {
        SCOPED_TRACE(text);
        MpcDir t;
        EXPECT_FALSE(t.Load(text));
        EXPECT_EQ(t.d.points, nullptr);
        EXPECT_EQ(std::string(t.d.GetErrorText()).rfind("walk.mpc: ", 0), 0u) << t.d.GetErrorText();
    }
}

// A recording cut anywhere: refused with a reason while no frame is complete, else loaded with
// the frames read in full, the same values as the whole file's, and a note of what was lost.
// A table declared before the data but never filled is no recording either.
TEST(MpcFile, CutCopiesKeepTheirCompleteFramesAndSaySo) {
    std::string whole = "FRAMES 4\nMARKERS 2\nMARKERNAMES Y\nMARKER 1 LHEE\nMARKER 2 RHEE\n"
                        "frames 1 4 markers 1 2 Hz 120 x\n";
    for (int f = 0; f < 4; ++f)
        for (int m = 0; m < 2; ++m) whole += dez::Format("%d.25 %d.5 -%d.75\n", 100 * f + m, 10 * f, m + 1);
    MpcDir full;
    ASSERT_TRUE(full.Load(whole));
    ASSERT_EQ(full.d.GetFrameCount(), 4);
    EXPECT_STREQ(full.d.GetErrorText(), "");
    const size_t dataStart = whole.find("0.25");
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::string cut = whole.substr(0, n);
        SCOPED_TRACE(testing::Message() << n << " bytes: ...\"" << cut.substr(cut.size() > 12 ? cut.size() - 12 : 0) << "\"");
        // Whole lines present after the data header (a last line without its end is cut), two
        // to a frame.
        const size_t lines = n > dataStart ? static_cast<size_t>(std::count(cut.begin() + dataStart, cut.end(), '\n')) : 0;
        const int32_t frames = static_cast<int32_t>(lines / 2);
        MpcDir t;
        const bool loaded = t.Load(cut);
        const std::string text = t.d.GetErrorText();
        EXPECT_EQ(text.rfind("walk.mpc: ", 0), 0u) << text;
        if (frames == 0) {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(t.d.points, nullptr);
            continue;
        }
        ASSERT_TRUE(loaded);
        EXPECT_EQ(t.d.GetFrameCount(), frames);
        EXPECT_EQ(text, dez::Format("walk.mpc: MPC data ends early (the file ends%s): %d of 4 frames present",
                                    cut.back() != '\n' ? " inside its last line" : "", frames));
        for (int32_t f = 0; f < frames; ++f)
            for (int32_t r = 0; r < 6; ++r) ASSERT_EQ(t.d.points->GetValue(r, f), full.d.points->GetValue(r, f));
    }
}

TEST(MpcFile, LongLineEndsThePass) {
    MpcDir t;
    const std::string longLine(300, 'x');
    ASSERT_TRUE(t.Load("MARKERS 1\nFRAMES 3\nframes 1 3 markers 1 1 Hz 50\n1 1 1\n" + longLine + "\n3 3 3\n"));
    EXPECT_DOUBLE_EQ(t.d.points->GetValue(0, 0), 1.0);
    EXPECT_EQ(t.d.GetFrameCount(), 1);
    EXPECT_STREQ(t.d.GetErrorText(), "walk.mpc: MPC data ends early (line 5 is too long to read): 1 of 3 frames present");
}

TEST(MpcFile, VmCompanionSuppliesNamesAndLinks) {
    const char* recording = "MARKERS 3\nFRAMES 2\nMARKERNAMES Y\nMARKER 1 own\n"
                            "frames 1 2 markers 1 3 Hz 60\n1 1 1\n2 2 2\n3 3 3\n4 4 4\n5 5 5\n6 6 6\n";
    const char* vm = "FRAMES 2\nMARKERS 3\nSTICKS 1\nSTICK 3 1 2 3\nMARKERNAMES Y\nMARKER 1 LASI\nMARKER 2 RASI\n";
    {
        MpcDir t;
        testsupport::WriteFileBytes(t.dir.file("walk.VM"), vm);
        ASSERT_TRUE(t.Load(recording));
        EXPECT_STREQ(t.d.stickText, "1-2-3");
        EXPECT_EQ(t.d.PointLabel(0), "LASI");  // replaces the recording's own name
        EXPECT_EQ(t.d.PointLabel(1), "RASI");
        EXPECT_EQ(t.d.PointLabel(2), "Marker 3");
    }
    {
        // A recording with links of its own never reads its .vm.
        MpcDir t;
        testsupport::WriteFileBytes(t.dir.file("walk.vm"), vm);
        ASSERT_TRUE(t.Load(std::string("STICKS 1\nSTICK 2 2 3\n") + recording));
        EXPECT_STREQ(t.d.stickText, "2-3");
        EXPECT_EQ(t.d.PointLabel(0), "own");
    }
    {
        // A cut recording still takes the .vm of the whole recording.
        MpcDir t;
        testsupport::WriteFileBytes(t.dir.file("walk.vm"), vm);
        const std::string text = recording;
        ASSERT_TRUE(t.Load(text.substr(0, text.size() - 12)));
        EXPECT_EQ(t.d.GetFrameCount(), 1);
        EXPECT_STREQ(t.d.GetErrorText(), "walk.mpc: MPC data ends early (the file ends): 1 of 2 frames present");
        EXPECT_STREQ(t.d.stickText, "1-2-3");
        EXPECT_EQ(t.d.PointLabel(1), "RASI");
    }
    {
        // A .vm of other counts is ignored.
        MpcDir t;
        testsupport::WriteFileBytes(t.dir.file("walk.vm"), std::string("FRAMES 3\n") + vm);
        ASSERT_TRUE(t.Load(recording));
        EXPECT_STREQ(t.d.stickText, "");
        EXPECT_EQ(t.d.PointLabel(0), "own");
        EXPECT_FALSE(t.d.ReadVM(t.dir.file("walk.vm").c_str()));
    }
}

TEST(MpcFile, StickTextStopsBeforeItsEnd) {
    std::string text = "MARKERS 2\nFRAMES 1\nSTICKS 1000\n";
    for (int i = 0; i < 1000; ++i) text += "STICK 2 1000 2000\n";
    text += "frames 1 1 markers 1 2 Hz 1\n1 2 3\n4 5 6\n";
    MpcDir t;
    ASSERT_TRUE(t.Load(text));
    const std::string sticks = t.d.stickText;
    EXPECT_LT(sticks.size(), static_cast<size_t>(kStickTextSize));
    EXPECT_EQ(sticks.substr(sticks.size() - 10), ",1000-2000");
    EXPECT_EQ(sticks.size() % 10, 9u);  // whole links only
}

}  // namespace
