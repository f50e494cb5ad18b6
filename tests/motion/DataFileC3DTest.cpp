// C3D files through the data-file front end, and the force-plate results of public sample files.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "motion/C3DFormat.h"
#include "support/TestSupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Three markers over 20 frames at 100 Hz, 12 analog channels at 1000 Hz, two plates, events.
std::unique_ptr<TDataFile> SmallRecording() {
    auto d = std::make_unique<TDataFile>(3, 20, 100.0f, 12, 10, 3);
    for (int32_t f = 0; f < 20; ++f)
        for (int32_t r = 0; r < 9; ++r) d->points->SetValue(r, f, 100.0 * r + f + 0.25);
    for (int32_t c = 0; c < 200; ++c)
        for (int32_t r = 0; r < 12; ++r) d->analog->SetValue(r, c, (r + 1) * 10.0 + 0.5 * (c % 7));
    d->SetPointInfo(0, "LASI", "mm", nullptr);
    d->SetPointInfo(1, "RASI", "mm", nullptr);
    for (int32_t p = 0; p < 2; ++p) {
        const int32_t channels[6] = {6 * p + 1, 6 * p + 2, 6 * p + 3, 6 * p + 4, 6 * p + 5, 6 * p + 6};
        const double x = 500.0 * p;
        const double corners[12] = {x + 200, 300, 0, x - 200, 300, 0, x - 200, -300, 0, x + 200, -300, 0};
        const double origin[3] = {0, 0, -40};
        EXPECT_TRUE(d->AddForcePlate(2, channels, corners, origin));
    }
    d->plateZero[0] = 1;
    d->plateZero[1] = 10;
    EXPECT_TRUE(d->AddEvent(5, "Foot Strike", 0, 0, true));
    return d;
}

TEST(DataFileC3D, SaveAndOpenThroughTheFrontEnd) {
    testsupport::TempDir dir;
    const std::string path = dir.file("walk.c3d");
    auto original = SmallRecording();
    ASSERT_TRUE(original->SaveFile(path.c_str(), kFileC3D)) << original->GetErrorText();
    EXPECT_TRUE(original->IsModified());  // SaveFile leaves the flag alone

    TDataFile loaded(path.c_str());
    ASSERT_TRUE(loaded.HasPoints()) << loaded.GetErrorText();
    EXPECT_EQ(loaded.kind, kFileC3D);
    EXPECT_STREQ(loaded.path, path.c_str());
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_EQ(loaded.playFirst, 0);
    EXPECT_EQ(loaded.playLast, 20);
    ASSERT_EQ(loaded.GetPointCount(), 3);
    ASSERT_EQ(loaded.GetFrameCount(), 20);
    EXPECT_FLOAT_EQ(loaded.GetPointRate(), 100.0f);
    EXPECT_FLOAT_EQ(loaded.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(loaded.PointLabel(1), "RASI");
    for (int32_t i = 0; i < 3; ++i)
        for (int32_t k = 0; k < 3; ++k)
            for (int32_t f = 0; f < 20; f += 7)
                EXPECT_NEAR(loaded.points->GetValue(i * loaded.dimension + k, f),
                            original->points->GetValue(i * 3 + k, f), 1e-3);
    ASSERT_EQ(loaded.GetAnalogChannelCount(), 12);
    for (int32_t c = 0; c < 200; c += 13) EXPECT_NEAR(loaded.analog->GetValue(11, c), original->analog->GetValue(11, c), 1e-3);
    ASSERT_EQ(loaded.GetPlateCount(), 2);
    EXPECT_EQ(loaded.plateZero[0], 1);
    EXPECT_EQ(loaded.plateZero[1], 10);
    int32_t type = 0, channels[8] = {};
    double corners[12], origin[3];
    ASSERT_TRUE(loaded.GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(channels[5], 12);
    EXPECT_EQ(corners[0], 700);
    EXPECT_EQ(origin[2], -40);
    EXPECT_EQ(loaded.GetEventCount(), 1);

    // The same plate results before and after the round trip.
    for (int32_t c : {0, 15, 199}) {
        SCOPED_TRACE(c);
        TPlateForces a, b;
        ASSERT_TRUE(original->GetPlateForces(1, c, &a, 20.0f, false));
        ASSERT_TRUE(loaded.GetPlateForces(1, c, &b, 20.0f, false));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(a.force[k], b.force[k], 1e-3);
            EXPECT_NEAR(a.moment[k], b.moment[k], 1e-5);
            EXPECT_NEAR(a.cop[k], b.cop[k], 1e-6);
        }
    }

    // Save writes the recording back to its own path in its own kind and clears the flag.
    loaded.SetPointInfo(2, "SACR", nullptr, nullptr);
    ASSERT_TRUE(loaded.IsModified());
    ASSERT_TRUE(loaded.Save()) << loaded.GetErrorText();
    EXPECT_FALSE(loaded.IsModified());
    TDataFile again(path.c_str());
    EXPECT_EQ(again.PointLabel(2), "SACR");

    // A writer's failure is passed on and keeps the flag.
    loaded.SetPath(dir.file("no such folder/walk.c3d").c_str());
    loaded.modified = true;
    EXPECT_FALSE(loaded.Save());
    EXPECT_TRUE(loaded.IsModified());
}

TEST(DataFileC3D, DamagedFileLeavesAnEmptyRecording) {
    testsupport::TempDir dir;
    const std::string path = dir.file("cut.c3d");
    ASSERT_TRUE(SmallRecording()->SaveFile(path.c_str(), kFileC3D));
    std::string bytes = testsupport::ReadFileBytes(path);
    bytes.resize(256);  // half the header block
    ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
    auto d = SmallRecording();
    CaptureStdout();
    EXPECT_FALSE(d->LoadFile(path.c_str(), kFileDetect, true));
    EXPECT_NE(GetCapturedStdout().find("Error reading " + path + "\n"), std::string::npos);
    EXPECT_EQ(d->kind, kFileC3D);
    EXPECT_FALSE(d->HasPoints());
    EXPECT_EQ(d->analog, nullptr);
    EXPECT_EQ(d->GetPlateCount(), 0);
    EXPECT_EQ(d->path, nullptr);
    TPlateForces r;
    EXPECT_FALSE(d->GetPlateForces(0, 0, &r, 20.0f, false));
}

// ---------------------------------------------------------------------------------------------
// Public samples

std::unique_ptr<TDataFile> OpenSample(const std::string& relative) {
    const std::string path = testsupport::SampleFile(relative);
    if (path.empty()) return nullptr;
    auto d = std::make_unique<TDataFile>(path.c_str());
    return d->HasPoints() ? std::move(d) : nullptr;
}

double Magnitude(const float* v) { return std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]); }

// TYPE-2.C3D and TYPE-4.C3D hold the same ADC samples of one AMTI plate: TYPE-2 scales each channel
// by the diagonal of the plate's sensitivity matrix, TYPE-4 applies the full calibration matrix
// (CAL_MATRIX). Rebuilding TYPE-4's channels from TYPE-2's raw counts must therefore give TYPE-4's
// results sample by sample, to the precision of the data.
TEST(PlateSamples, TypeTwoAndTypeFourDescribeTheSameSamples) {
    auto two = OpenSample("c3d/sample_10/TYPE-2.C3D");
    const double twoGenScale = gAnalogGenScale;
    auto four = OpenSample("c3d/sample_10/TYPE-4.C3D");
    const double fourGenScale = gAnalogGenScale;
    if (!two || !four) FAIL() << "sample_10 is not available";
    ASSERT_EQ(two->GetPlateCount(), 1);
    ASSERT_EQ(four->GetPlateCount(), 1);
    const TForcePlate& cal = four->plates[0];
    ASSERT_NE(cal.calibration, nullptr);
    ASSERT_EQ(cal.calRows * cal.calCols, 36);
    const int32_t columns = two->analog->GetCols();
    ASSERT_EQ(columns, four->analog->GetCols());

    double worst = 0;
    for (int32_t c = 0; c < columns; ++c) {
        double raw[6];
        for (int32_t j = 0; j < 6; ++j) {
            const int32_t row = two->plates[0].channels[j] - 1;
            raw[j] = two->analog->GetValue(row, c) / (two->analogScale[row] * twoGenScale);
            ASSERT_NEAR(raw[j], std::round(raw[j]), 1e-2) << "ADC counts, channel " << j << " sample " << c;
            raw[j] = std::round(raw[j]);
        }
        // CAL_MATRIX is stored like every C3D array, first index fastest (output j, input i); each
        // output is then scaled by its own channel's SCALE.
        for (int32_t j = 0; j < 6; ++j) {
            double out = 0;
            for (int32_t i = 0; i < 6; ++i) out += cal.calibration[i * 6 + j] * raw[i];
            const int32_t row = four->plates[0].channels[j] - 1;
            out *= four->analogScale[row] * fourGenScale;
            worst = std::max(worst, std::fabs(out - four->analog->GetValue(row, c)) / (1 + std::fabs(out)));
            two->analog->SetValue(two->plates[0].channels[j] - 1, c, out);
        }
    }
    EXPECT_LT(worst, 1e-5);

    two->InvalidatePlateCache();  // samples replaced in place
    for (int32_t c = 0; c < columns; ++c) {
        TPlateForces a, b;
        ASSERT_TRUE(two->GetPlateForces(0, c, &a, 20.0f, false));
        ASSERT_TRUE(four->GetPlateForces(0, c, &b, 20.0f, false));
        for (int k = 0; k < 3; ++k) {
            ASSERT_NEAR(a.force[k], b.force[k], 1e-3 + 1e-5 * std::fabs(b.force[k])) << "sample " << c;
            ASSERT_NEAR(a.moment[k], b.moment[k], 1e-4 + 1e-5 * std::fabs(b.moment[k])) << "sample " << c;
            ASSERT_NEAR(a.cop[k], b.cop[k], 1e-5) << "sample " << c;
        }
    }
}

// Read as they are, the two files differ by their calibrations (up to about 6 % on the forces
// and 20 % on the moments, the moment channels' diagonal scales being furthest apart), so the
// results agree frame by frame only within those bounds.
TEST(PlateSamples, TypeTwoAndTypeFourAgreeWithinTheirCalibrations) {
    auto two = OpenSample("c3d/sample_10/TYPE-2.C3D");
    auto four = OpenSample("c3d/sample_10/TYPE-4.C3D");
    if (!two || !four) FAIL() << "sample_10 is not available";
    const int32_t spf = static_cast<int32_t>(two->GetAnalogSamplesPerFrame() + 0.5f);
    double peakForce = 0, peakMoment = 0;
    for (int32_t f = 0; f < two->GetFrameCount(); ++f) {
        TPlateForces a;
        ASSERT_TRUE(two->GetPlateForces(0, f * spf, &a, 20.0f, false));
        peakForce = std::max(peakForce, Magnitude(a.force));
        peakMoment = std::max(peakMoment, Magnitude(a.moment));
    }
    ASSERT_GT(peakForce, 300);  // a foot strike
    for (int32_t f = 0; f < two->GetFrameCount(); ++f) {
        SCOPED_TRACE(f);
        TPlateForces a, b;
        ASSERT_TRUE(two->GetPlateForces(0, f * spf, &a, 20.0f, false));
        ASSERT_TRUE(four->GetPlateForces(0, f * spf, &b, 20.0f, false));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(a.force[k], b.force[k], 0.03 * peakForce);
            EXPECT_NEAR(a.moment[k], b.moment[k], 0.25 * peakMoment);
        }
        if (std::fabs(a.force[2]) > 100 && std::fabs(b.force[2]) > 100) {
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.cop[k], b.cop[k], 0.025);
        } else if (std::fabs(a.force[2]) <= 20 && std::fabs(b.force[2]) <= 20) {
            for (int k = 0; k < 3; ++k) EXPECT_EQ(a.cop[k], b.cop[k]);  // both at the plate centre
        }
    }
}

// Whether a laboratory point lies on plate p, within `margin` (same units) of its outline.
bool OnPlate(const TDataFile& d, int32_t p, const double* point, double margin) {
    const float* c1 = d.plates[p].corners[0];
    const float* c2 = d.plates[p].corners[1];
    const float* c3 = d.plates[p].corners[2];
    double u[3], v[3], centre[3], uu = 0, vv = 0, pu = 0, pv = 0;
    for (int k = 0; k < 3; ++k) {
        u[k] = c1[k] - c2[k];
        v[k] = c3[k] - c2[k];
        centre[k] = (c1[k] + c3[k]) / 2.0;
        uu += u[k] * u[k];
        vv += v[k] * v[k];
    }
    for (int k = 0; k < 3; ++k) {
        pu += (point[k] - centre[k]) * u[k];
        pv += (point[k] - centre[k]) * v[k];
    }
    return std::fabs(pu / std::sqrt(uu)) <= std::sqrt(uu) / 2 + margin &&
           std::fabs(pv / std::sqrt(vv)) <= std::sqrt(vv) / 2 + margin;
}

TEST(PlateSamples, TypeOnePlateOfAYUpLaboratory) {
    auto d = OpenSample("c3d/sample_28/type1.C3D");
    if (!d) FAIL() << "sample_28 is not available";
    ASSERT_EQ(d->GetPlateCount(), 1);
    ASSERT_EQ(d->plates[0].type, 1);
    // The plate lies in the x-z plane with its z axis along -y: the laboratory's y is up.
    double peakUp = 0;
    int32_t loaded = 0;
    for (int32_t c = 0; c < d->analog->GetCols(); ++c) {
        TPlateForces r;
        ASSERT_TRUE(d->GetPlateForces(0, c, &r, 20.0f, false));
        peakUp = std::max(peakUp, double(r.force[1]));
        if (Magnitude(r.force) < 100) continue;
        ++loaded;
        // Under load the plate is pushed down and the centre of pressure lies on its surface.
        EXPECT_GT(r.force[1], 0.8 * Magnitude(r.force)) << c;
        const double cop[3] = {r.cop[0] * 1000.0, r.cop[1] * 1000.0, r.cop[2] * 1000.0};
        EXPECT_TRUE(OnPlate(*d, 0, cop, 5.0)) << c << ": " << cop[0] << " " << cop[1] << " " << cop[2];
        EXPECT_NEAR(cop[1], 1.0, 5.0) << c;  // the corners' mean height
    }
    EXPECT_GT(loaded, 20);
    EXPECT_GT(peakUp, 300);
    EXPECT_LT(peakUp, 1500);
}

TEST(PlateSamples, TypeThreeAndTypeTwoPlatesOfOneWalk) {
    auto d = OpenSample("c3d/sample_10/TYPE-3.c3d");
    if (!d) FAIL() << "sample_10 is not available";
    ASSERT_EQ(d->GetPlateCount(), 4);
    const int32_t types[4] = {3, 3, 2, 2};
    double peaks[4] = {};
    for (int32_t p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        ASSERT_EQ(d->plates[p].type, types[p]);
        for (int32_t c = 0; c < d->analog->GetCols(); ++c) {
            TPlateForces r;
            ASSERT_TRUE(d->GetPlateForces(p, c, &r, 20.0f, false));
            if (std::fabs(r.force[2]) > std::fabs(peaks[p])) peaks[p] = r.force[2];
        }
    }
    // Each plate carries one step of the same subject: upward peaks of similar size whichever
    // the plate type.
    for (int32_t p = 0; p < 4; ++p) {
        EXPECT_GT(peaks[p], 550) << p;
        EXPECT_LT(peaks[p], 900) << p;
    }
    // The subject walks along +x: on every plate the centre of pressure moves forward through the
    // stance and stays on the plate.
    for (int32_t p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        double first = 0, last = 0;
        bool started = false;
        float yLow = d->plates[p].corners[0][1], yHigh = yLow;
        float xLow = d->plates[p].corners[0][0], xHigh = xLow;
        for (int c = 1; c < 4; ++c) {
            yLow = std::min(yLow, d->plates[p].corners[c][1]);
            yHigh = std::max(yHigh, d->plates[p].corners[c][1]);
            xLow = std::min(xLow, d->plates[p].corners[c][0]);
            xHigh = std::max(xHigh, d->plates[p].corners[c][0]);
        }
        for (int32_t c = 0; c < d->analog->GetCols(); ++c) {
            TPlateForces r;
            ASSERT_TRUE(d->GetPlateForces(p, c, &r, 20.0f, false));
            if (r.force[2] < 200) continue;
            if (!started) first = r.cop[0];
            started = true;
            last = r.cop[0];
            EXPECT_GE(r.cop[1] * 1000.0, yLow) << c;
            EXPECT_LE(r.cop[1] * 1000.0, yHigh) << c;
            // With the type-3 levers of ORIGIN the centre of pressure stays on the plate (half the
            // plate size threw it 2.5 times too far, off the plate).
            EXPECT_GE(r.cop[0] * 1000.0, xLow) << c;
            EXPECT_LE(r.cop[0] * 1000.0, xHigh) << c;
            EXPECT_NEAR(r.cop[2] * 1000.0, d->plates[p].corners[0][2], 1.0) << c;  // on the surface
        }
        EXPECT_GT(last - first, 0.03);
    }
}

}  // namespace
