// The entry points of the format readers and writers exist and, until each format is written,
// fail without leaving data behind, so that a load through TDataFile ends with an empty recording.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/TestSupport.h"

namespace {

TEST(ImporterEntryPoints, ReadersFailAndLeaveNoTables) {
    testsupport::TempDir dir;
    const std::string file = dir.file("missing.dat");
    const char* p = file.c_str();
    const struct {
        const char* name;
        std::function<bool(TDataFile&)> call;
    } cases[] = {
        {"ReadTRT", [p](TDataFile& d) { return d.ReadTRT(p, true); }},
        {"ReadTX", [p](TDataFile& d) { return d.ReadTX(p, true); }},
        {"ReadRIC", [p](TDataFile& d) { return d.ReadRIC(p, true, true); }},
        {"ReadMPC", [p](TDataFile& d) { return d.ReadMPC(p, true); }},
        {"ReadMDF", [p](TDataFile& d) { return d.ReadMDF(p, true); }},
        {"ReadCPrefix", [p](TDataFile& d) { return d.ReadCPrefix(p, true); }},
        {"ReadTrackFile", [p](TDataFile& d) { return d.ReadTrackFile(p); }},
        {"ReadTAF", [p](TDataFile& d) { return d.ReadTAF(p, true); }},
        {"ReadBVH", [p](TDataFile& d) { return d.ReadBVH(p); }},
        {"ReadTRTFile", [p](TDataFile& d) { return d.ReadTRTFile(p, true, true); }},
        {"ReadDFN", [p](TDataFile& d) { return d.ReadDFN(p, false, 0); }},
        {"ImportEMG", [p](TDataFile& d) { return d.ImportEMG(p); }},
        {"ImportTextAnalog", [p](TDataFile& d) { d.ImportTextAnalog(p); return d.analog != nullptr; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDataFile d(nullptr);
        d.verbose = false;
        EXPECT_FALSE(c.call(d));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_EQ(d.analog, nullptr);
    }
}

TEST(ImporterEntryPoints, DfnCompanionsAreAbsent) {
    TDataFile none(nullptr);
    EXPECT_FALSE(none.ReadDFNAnnotations("walk.trt", true, true, true));  // no points
    TDataFile d(2, 3, 100.0f, 0, 1, 3);
    EXPECT_TRUE(d.ReadDFNAnnotations("walk.trt", true, true, true));
    EXPECT_EQ(d.GetEventCount(), 0);
    char out[kPathBufferSize] = "untouched";
    EXPECT_FALSE(d.FindAnalogFile("walk.trt", out));
}

}  // namespace
