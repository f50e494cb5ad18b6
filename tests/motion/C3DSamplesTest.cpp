// Cross-checks with the public sample files of the C3D format's maintainers; every test skips when
// the samples are not there.
#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "support/TestSupport.h"
#include "platform/TextUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<TC3DData> LoadSample(const std::string& path, bool keepCameraMask = false) {
    auto d = std::make_unique<TC3DData>();
    d->verbose = false;
    EXPECT_TRUE(d->LoadC3D(path.c_str(), keepCameraMask, true, true)) << path << ": " << d->errorText;
    return d;
}

// Labels, rates, events and values of two loads of the same trial; coordinates may differ by
// half a step of the integer scale, analog values by half a step of their own scales.
void ExpectSameRecording(const TC3DData& a, const TC3DData& b, double pointTolerance, double analogTolerance,
                         double residualTolerance = 0.0, int allowedMissingHeaderEvents = 0) {
    EXPECT_FLOAT_EQ(a.pointRate, b.pointRate);
    EXPECT_FLOAT_EQ(a.analogRate, b.analogRate);
    ASSERT_EQ(a.GetPointCount(), b.GetPointCount());
    ASSERT_EQ(a.GetFrameCount(), b.GetFrameCount());
    ASSERT_EQ(a.GetAnalogChannelCount(), b.GetAnalogChannelCount());
    for (int i = 0; i < a.GetPointCount(); ++i) ASSERT_EQ(a.PointLabel(i), b.PointLabel(i)) << i;
    for (int c = 1; c <= a.GetAnalogChannelCount(); ++c) ASSERT_EQ(a.AnalogLabel(c), b.AnalogLabel(c)) << c;
    // sample_02's DEC integer file itself lacks the last header event of the others.
    const int headerEvents = std::min(a.GetHeaderEventCount(), b.GetHeaderEventCount());
    EXPECT_LE(a.GetHeaderEventCount() - headerEvents, allowedMissingHeaderEvents);
    for (int i = 0; i < headerEvents; ++i) {
        EXPECT_STREQ(a.headerEvents->items[i]->name, b.headerEvents->items[i]->name);
        EXPECT_EQ(a.headerEvents->items[i]->id, b.headerEvents->items[i]->id);
    }
    ASSERT_EQ(a.GetEventCount(), b.GetEventCount());
    for (int i = 0; i < a.GetEventCount(); ++i) EXPECT_EQ(a.events->items[i]->id, b.events->items[i]->id);
    const int dim = a.GetDimension();
    ASSERT_EQ(dim, b.GetDimension());
    for (int i = 0; i < a.points->size; ++i) {
        const int k = (i % a.points->GetRows()) % dim;
        if (k == 4 && a.points->data[i] == 0.0) continue;  // a mask of 0 is written as 3 (or 0 at the origin)
        // A point that was not measured is written as -1, whose camera byte means nothing.
        if (k == 4 && !IsValidResidual(a.points->data[i - 1])) continue;
        if (k == 3 && residualTolerance > 0 && a.points->data[i] > 255.0 * residualTolerance) {
            // Beyond the residual byte of the written file: saturated.
            ASSERT_DOUBLE_EQ(b.points->data[i], 255.0 * residualTolerance);
            continue;
        }
        const double tolerance = k == 3 ? residualTolerance + pointTolerance : pointTolerance;
        ASSERT_NEAR(a.points->data[i], b.points->data[i], tolerance) << "point value " << i << " row kind " << k;
    }
    if (a.analog) {
        for (int i = 0; i < a.analog->size; ++i) {
            const double tol = analogTolerance + 1e-5 * std::fabs(a.analog->data[i]);
            ASSERT_NEAR(a.analog->data[i], b.analog->data[i], tol) << "analog value " << i;
        }
    }
    ASSERT_EQ(a.plateCount, b.plateCount);
    for (int p = 0; p < a.plateCount; ++p) {
        EXPECT_EQ(a.plates[p].type, b.plates[p].type);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(a.plates[p].channels[k], b.plates[p].channels[k]);
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.plates[p].corners[c][k], b.plates[p].corners[c][k], 1e-3);
    }
}

struct VariantSet {
    const char* folder;
    std::vector<const char*> files;  // the first is the reference
};

TEST(C3DSamples, EveryNumberFormatReadsTheSameTrial) {
    const VariantSet sets[] = {
        {"c3d/sample_01", {"Eb015pi.c3d", "Eb015pr.c3d", "Eb015si.c3d", "Eb015sr.c3d", "Eb015vi.c3d", "Eb015vr.c3d"}},
        {"c3d/sample_02",
         {"pc_int.c3d", "pc_real.c3d", "sgi_int.c3d", "sgi_real.c3d", "dec_int.c3d", "dec_real.c3d"}},
    };
    bool any = false;
    for (const VariantSet& set : sets) {
        const std::string reference = testsupport::SampleFile(std::string(set.folder) + "/" + set.files[0]);
        if (reference.empty()) continue;
        any = true;
        auto ref = LoadSample(reference);
        const float scale = std::fabs(ref->FindGroup("POINT")->FindParameter("SCALE")->reals[0]);
        for (const char* name : set.files) {
            SCOPED_TRACE(std::string(set.folder) + "/" + name);
            const std::string path = testsupport::SampleFile(std::string(set.folder) + "/" + name);
            ASSERT_FALSE(path.empty());
            auto d = LoadSample(path);
            // Analog integer samples carry a step of SCALE x GEN_SCALE (at most 1 here).
            const bool decInt = std::string(name) == "dec_int.c3d";
            ExpectSameRecording(*ref, *d, scale + 1e-3, 1.0, 0.0, decInt ? 1 : 0);
        }
    }
    if (!any) FAIL() << "sample file missing";
}

TEST(C3DSamples, MovedParameterAndDataBlocks) {
    const std::string reference = testsupport::SampleFile("c3d/sample_08/EB015PI.c3d");
    if (reference.empty()) FAIL() << "sample file missing";
    auto ref = LoadSample(reference);
    for (const char* name : {"TESTAPI.c3d", "TESTBPI.c3d", "TESTCPI.c3d", "TESTDPI.c3d"}) {
        SCOPED_TRACE(name);
        auto d = LoadSample(testsupport::SampleFile(std::string("c3d/sample_08/") + name));
        ExpectSameRecording(*ref, *d, 0.0, 0.0);
    }
}

TEST(C3DSamples, KnownValues) {
    const std::string pig = testsupport::SampleFile("c3d/sample_03/gait-pig.c3d");
    if (pig.empty()) FAIL() << "sample file missing";
    auto d = LoadSample(pig);
    EXPECT_EQ(d->processor, 2);
    EXPECT_EQ(d->GetPointCount(), 77);
    EXPECT_EQ(d->GetFrameCount(), 142);
    ASSERT_EQ(d->GetEventCount(), 9);
    EXPECT_STREQ(d->events->items[0]->name, "Foot Strike");
    EXPECT_STREQ(d->events->items[0]->context, "Left");
    EXPECT_EQ(d->events->items[0]->id, 28);
    EXPECT_GT(d->angles ? d->angles->count : 0, 0);

    // TYPE-4 describes the plate of TYPE-2 with its whole calibration matrix: after calibration
    // both give nearly the same forces on the main diagonal channels.
    const std::string type2 = testsupport::SampleFile("c3d/sample_10/TYPE-2.C3D");
    const std::string type4 = testsupport::SampleFile("c3d/sample_10/TYPE-4.C3D");
    auto t2 = LoadSample(type2);
    auto t4 = LoadSample(type4);
    EXPECT_EQ(t4->plates[0].type, 2);
    double largest = 0;
    for (int j = 0; j < t2->analog->GetCols(); ++j) largest = std::fmax(largest, std::fabs(t2->analog->GetValue(2, j)));
    ASSERT_GT(largest, 100.0);  // a real vertical force
    for (int j = 0; j < t2->analog->GetCols(); j += 7)
        EXPECT_NEAR(t4->analog->GetValue(2, j), t2->analog->GetValue(2, j), 0.05 * largest) << j;
}

TEST(C3DSamples, EverySampleRoundTrips) {
    const std::vector<std::string> files = {
        "c3d/sample_01/Eb015pi.c3d", "c3d/sample_01/Eb015vr.c3d", "c3d/sample_02/sgi_int.c3d",
        "c3d/sample_02/dec_real.c3d", "c3d/sample_03/gait-pig.c3d", "c3d/sample_08/TESTDPI.c3d",
        "c3d/sample_10/TYPE-2.C3D",   "c3d/sample_10/TYPE-3.c3d",   "c3d/sample_10/TYPE-4.C3D",
        "c3d/sample_28/type1.C3D"};
    if (testsupport::SampleFile(files[0]).empty()) FAIL() << "sample file missing";
    testsupport::TempDir dir;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string path = testsupport::SampleFile(file);
        ASSERT_FALSE(path.empty());
        auto d = LoadSample(path, true);
        const std::string out = dir.file("copy.c3d");
        ASSERT_TRUE(d->SaveC3D(out.c_str(), "Vederiz", "Dezozuza", nullptr, true)) << d->errorText;
        auto back = LoadSample(out, true);
        // Residuals are written in sixteenths of the unit (the float format's scale).
        ExpectSameRecording(*d, *back, 0.0, 0.0, 0.0625);
        ASSERT_EQ(back->GetEventCount(), d->GetEventCount());
        for (int i = 0; i < d->GetEventCount(); ++i) {
            EXPECT_STREQ(back->events->items[i]->name, d->events->items[i]->name);
            EXPECT_STREQ(back->events->items[i]->context, d->events->items[i]->context);
            EXPECT_STREQ(back->events->items[i]->description, d->events->items[i]->description);
            EXPECT_STREQ(back->events->items[i]->subject, d->events->items[i]->subject);
            EXPECT_EQ(back->events->items[i]->value, d->events->items[i]->value);
            EXPECT_EQ(back->events->items[i]->flag, d->events->items[i]->flag);
        }
        for (int i = 0; i < d->GetPointCount(); ++i) {
            char a[256], b[256];
            EXPECT_EQ(d->GetPointUnit(a, i), back->GetPointUnit(b, i));
            EXPECT_STREQ(a, b);
        }
        // Kept groups the writer does not compose come back parameter for parameter.
        for (int g = 0; g < d->groupCount; ++g) {
            const TC3DGroup* group = d->groups[g];
            if (back->writtenGroups == nullptr) break;
            const char* composed[] = {"POINT", "ANALOG", "FORCE_PLATFORM", "MANUFACTURER", "DFN", "TRIAL", "EVENT",
                                      "EVENT_CONTEXT"};
            bool isComposed = false;
            for (const char* c : composed) isComposed = isComposed || dez::EqualsNoCase(c, group->name);
            const TC3DGroup* copy = back->FindGroup(group->name);
            ASSERT_NE(copy, nullptr) << group->name;
            for (int i = 0; i < group->parameterCount; ++i) {
                const TC3DParameter* p = group->parameters[i];
                const TC3DParameter* q = copy->FindParameter(p->name);
                if (isComposed && !q) continue;
                ASSERT_NE(q, nullptr) << group->name << ":" << p->name;
                if (isComposed) continue;
                EXPECT_EQ(q->type, p->type);
                EXPECT_EQ(q->elementCount, p->elementCount);
                for (int k = 0; k < p->elementCount; ++k) ASSERT_EQ(q->Number(k), p->Number(k)) << p->name;
            }
        }
    }
}

// Every C3D sample in the project, each format folder and the track trial's C3D.
std::vector<std::string> AllC3DSamples() {
    std::vector<std::string> files;
    const std::filesystem::path root = testsupport::SamplesDir();
    std::error_code error;
    for (const auto& folder : std::filesystem::directory_iterator(root / "c3d", error)) {
        if (!folder.is_directory()) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (dez::EqualsNoCase(entry.path().extension().string().c_str(), ".c3d"))
                files.push_back(std::filesystem::relative(entry.path(), root).string());
    }
    files.push_back("track/Gait.c3d");
    std::sort(files.begin(), files.end());
    return files;
}

// Load, save, reload: a point valid in the file (fourth word not negative, computed points with
// residual 0 among them) stays valid, an invalid one stays
// invalid, and every parameter of every group is in the copy; those the writer does not compose
// come back unchanged.
TEST(C3DSamples, SavingKeepsEveryValidPointAndEveryParameter) {
    const std::vector<std::string> files = AllC3DSamples();
    ASSERT_GE(files.size(), 23u);
    testsupport::TempDir dir;
    int64_t zeroResiduals = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::string path = testsupport::SampleFile(file);
        ASSERT_FALSE(path.empty());
        auto d = LoadSample(path, true);
        // Every public sample agrees with itself: no header note.
        EXPECT_STREQ(d->errorText, "");
        const std::string out = dir.file("copy.c3d");
        ASSERT_TRUE(d->SaveC3D(out.c_str(), "", "", nullptr, true)) << d->errorText;
        auto back = LoadSample(out, true);
        ASSERT_EQ(back->GetPointCount(), d->GetPointCount());
        ASSERT_EQ(back->GetFrameCount(), d->GetFrameCount());
        const int dim = d->GetDimension();
        int64_t valid = 0;
        for (int f = 0; f < d->GetFrameCount(); ++f)
            for (int p = 0; p < d->GetPointCount(); ++p) {
                const double r = d->points->GetValue(p * dim + 3, f);
                const double q = back->points->GetValue(p * dim + 3, f);
                ASSERT_EQ(IsValidResidual(q), IsValidResidual(r)) << "point " << p << " frame " << f << ": " << r;
                if (!IsValidResidual(r)) continue;
                ++valid;
                if (r == 0.0) {
                    ++zeroResiduals;
                    ASSERT_EQ(q, 0.0);
                }
            }
        EXPECT_GT(valid, 0);
        for (int g = 0; g < d->groupCount; ++g) {
            const TC3DGroup* group = d->groups[g];
            const TC3DGroup* copy = back->FindGroup(group->name);
            ASSERT_NE(copy, nullptr) << group->name;
            for (const TC3DParameter* p : group->parameters) {
                const TC3DParameter* q = copy->FindParameter(p->name);
                ASSERT_NE(q, nullptr) << group->name << ":" << p->name;
                const char* composed[] = {"POINT", "ANALOG", "FORCE_PLATFORM", "TRIAL", "EVENT", "EVENT_CONTEXT"};
                bool isComposed = false;
                for (const char* c : composed) isComposed = isComposed || dez::EqualsNoCase(c, group->name);
                if (isComposed) continue;
                EXPECT_EQ(q->type, p->type) << group->name << ":" << p->name;
                ASSERT_EQ(q->elementCount, p->elementCount) << group->name << ":" << p->name;
                for (int k = 0; k < p->elementCount; ++k)
                    ASSERT_EQ(q->Number(k), p->Number(k)) << group->name << ":" << p->name;
            }
        }
    }
    // Computed points (residual 0) are in the samples (type1.C3D holds thousands); residual bytes
    // of 128 and more are not, the writer's tests build them.
    EXPECT_GT(zeroResiduals, 0);
}

// Damaged copies of a public trial: header fields changed as a damaged file has them.
TEST(C3DSamples, DamagedHeaderFieldsFollowTheParameters) {
    const std::string path = testsupport::SampleFile("c3d/sample_01/Eb015pr.c3d");
    ASSERT_FALSE(path.empty());
    auto reference = LoadSample(path);
    ASSERT_EQ(reference->GetPointCount(), 26);
    const std::string original = testsupport::ReadFileBytes(path);
    struct Case {
        const char* name;
        int points;   // header word 2, -1 as it is
        float rate;   // header rate, 0 as it is... unless `setRate`
        bool setRate;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"point count 1, rate NaN", 1, std::nanf(""), true,
         {"C3D header 1 points, POINT:USED 26: 26 read", "C3D header rate nan, POINT:RATE 50: 50 Hz used"}},
        {"point count 1", 1, 0, false, {"C3D header 1 points, POINT:USED 26: 26 read"}},
        {"point count 65535", 65535, 0, false, {"C3D header 65535 points, POINT:USED 26: 26 read"}},
        {"rate 0", -1, 0.0f, true, {"C3D header rate 0, POINT:RATE 50: 50 Hz used"}},
        {"rate -1", -1, -1.0f, true, {"C3D header rate -1, POINT:RATE 50: 50 Hz used"}},
        {"rate +inf", -1, INFINITY, true, {"C3D header rate inf, POINT:RATE 50: 50 Hz used"}},
        {"rate -inf", -1, -INFINITY, true, {"C3D header rate -inf, POINT:RATE 50: 50 Hz used"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(original.begin(), original.end());
        if (c.points >= 0) dez::StoreU16LE(bytes.data() + 2, static_cast<uint16_t>(c.points));
        if (c.setRate) dez::StoreF32LE(bytes.data() + 20, c.rate);
        TC3DData d;
        d.verbose = false;
        ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), false, true, true)) << d.errorText;
        for (const std::string& note : c.notes)
            EXPECT_NE(std::string(d.errorText).find(note), std::string::npos) << d.errorText;
        ExpectSameRecording(*reference, d, 0.0, 0.0);
    }
}

// A copy cut inside its parameter section, or where its data would begin, is refused with the
// place it ends; the front end then holds no recording (so it is not opened nor remembered).
TEST(C3DSamples, CopiesCutBeforeTheirDataAreRefused) {
    const std::string path = testsupport::SampleFile("c3d/sample_01/Eb015pr.c3d");
    ASSERT_FALSE(path.empty());
    const std::string original = testsupport::ReadFileBytes(path);
    const size_t dataStart = (dez::LoadU16LE(reinterpret_cast<const uint8_t*>(original.data()) + 16) - 1) * 512u;
    testsupport::TempDir dir;
    struct Case {
        size_t length;
        const char* where;
    };
    for (const Case& c : {Case{2000, "inside its parameter section"}, Case{600, "inside its parameter section"},
                          Case{dataStart, "before its data section"}}) {
        SCOPED_TRACE(c.length);
        const std::string cut = dir.file("cut.c3d");
        ASSERT_TRUE(testsupport::WriteFileBytes(cut, original.substr(0, c.length)));
        TDataFile d(cut.c_str());  // the front end, as the viewer opens a file
        EXPECT_FALSE(d.HasPoints());
        const std::string message = d.errorText;
        EXPECT_NE(message.find("ends at byte " + std::to_string(c.length) + ", " + c.where), std::string::npos)
            << message;
    }
}

}  // namespace
