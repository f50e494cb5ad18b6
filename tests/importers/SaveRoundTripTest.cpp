// Public C3D samples saved as TX, TRT and TRX with their DFN companions and read back: the same
// points, labels, rate, dimension, events and stick text, within the text format's six digits.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "support/TestSupport.h"

namespace {

using Events = std::set<std::pair<std::string, int32_t>>;

Events AllEvents(const TDataFile& d) {
    Events out;
    for (const LabelledItemList* list : {d.events, d.headerEvents})
        if (list)
            for (int32_t i = 0; i < list->count; ++i) out.emplace(list->GetItem(i)->name, list->GetItem(i)->id);
    return out;
}

enum class Writer { Text, Trt, Trx };

struct Format {
    const char* name;
    const char* extension;
    Writer writer;
};

bool Write(TDataFile& d, const std::string& path, Writer writer) {
    switch (writer) {
    case Writer::Text: return d.SaveFile(path.c_str(), kFileText);
    case Writer::Trt: return d.SaveFile(path.c_str(), kFileTRT);  // TRX above 255 rows
    case Writer::Trx: return d.WriteTRX(path.c_str());
    }
    return false;
}

class SaveRoundTrip : public ::testing::TestWithParam<Format> {};

TEST_P(SaveRoundTrip, SamplesReadBackAsSaved) {
    const Format format = GetParam();
    int tried = 0;
    for (const char* sample : {"c3d/sample_03/gait-pig.c3d", "c3d/sample_02/pc_real.c3d", "c3d/sample_01/Eb015pr.c3d"}) {
        const std::string path = testsupport::SampleFile(sample);
        if (path.empty()) continue;
        ++tried;
        SCOPED_TRACE(sample);
        TDataFile original(path.c_str());
        original.verbose = false;
        ASSERT_TRUE(original.HasPoints());
        std::strcpy(original.stickText, "1-2-3,4-5");

        testsupport::TempDir dir;
        const std::string saved = dir.file(std::string("trial") + format.extension);
        ASSERT_TRUE(Write(original, saved, format.writer)) << original.GetErrorText();
        TDataFile back(saved.c_str());
        back.verbose = false;
        ASSERT_TRUE(back.HasPoints()) << back.GetErrorText();

        EXPECT_EQ(back.dimension, original.dimension);
        EXPECT_NEAR(back.pointRate, original.pointRate, original.pointRate * 1e-5);
        ASSERT_EQ(back.points->GetRows(), original.points->GetRows());
        ASSERT_EQ(back.GetFrameCount(), original.GetFrameCount());
        for (int32_t f = 0; f < original.GetFrameCount(); ++f)
            for (int32_t r = 0; r < original.points->GetRows(); ++r) {
                const double want = static_cast<float>(original.points->GetValue(r, f));
                // Six significant digits in text; the exact float in the binary layouts.
                const double tolerance = format.writer == Writer::Text ? std::fabs(want) * 5e-6 + 1e-30 : 0.0;
                ASSERT_NEAR(back.points->GetValue(r, f), want, tolerance) << "row " << r << " frame " << f;
            }
        for (int32_t i = 0; i < original.GetPointCount(); ++i)
            EXPECT_EQ(back.PointLabel(i), original.PointLabel(i)) << i;
        EXPECT_EQ(back.pointLabels->count, original.GetPointCount());
        EXPECT_STREQ(back.stickText, "1-2-3,4-5");
        EXPECT_EQ(AllEvents(back), AllEvents(original));
        if (std::strstr(sample, "gait-pig")) {
            EXPECT_FALSE(AllEvents(original).empty());
        }

        // Saved again from what was read, the companion is the same file.
        const std::string first = testsupport::ReadFileBytes(dir.file("trial.dfn"));
        ASSERT_TRUE(Write(back, saved, format.writer));
        EXPECT_EQ(testsupport::ReadFileBytes(dir.file("trial.dfn")), first);
    }
    if (tried == 0) FAIL() << "sample file missing";
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveRoundTrip,
                         ::testing::Values(Format{"TX", ".tx", Writer::Text}, Format{"TRT", ".trt", Writer::Trt},
                                           Format{"TRX", ".trx", Writer::Trx}),
                         [](const ::testing::TestParamInfo<Format>& p) { return std::string(p.param.name); });

}  // namespace
