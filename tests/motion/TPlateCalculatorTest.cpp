// Force-plate results through TDataFile::GetPlateForces, GetPlateGeometry and AddForcePlate.
// Expected values are worked out by hand from the plate equations (moments about the transducer
// origin, M = r x F with the centre of pressure r at the surface depth e above it). The centre of
// pressure is reported on the plate surface, in the plane of its corners.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr int kChannels = 12;

// A recording with 12 analog channels at 1000 Hz over `columns` samples (any count), and one plate of
// `type` on channels 1-6 (1-8 for type 3): 400 x 600 mm, flat at z = 0, axes along the
// laboratory's, centred on (cx, cy), transducer origin 40 mm below the surface.
std::unique_ptr<TDataFile> PlateRecording(int32_t type, int32_t columns = 50, double cx = 0, double cy = 0) {
    auto d = std::make_unique<TDataFile>(1, 1, 100.0f, kChannels, 10, 3);
    delete d->analog;
    d->analog = new Matrix2D(kChannels, columns);
    const int32_t channels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const double corners[12] = {cx + 200, cy + 300, 0, cx - 200, cy + 300, 0,
                                cx - 200, cy - 300, 0, cx + 200, cy - 300, 0};
    const double origin[3] = {0, 0, -40};
    EXPECT_TRUE(d->AddForcePlate(type, channels, corners, origin));
    return d;
}

void SetSample(TDataFile& d, int32_t column, std::initializer_list<double> values) {
    int32_t row = 0;
    for (double v : values) d.analog->SetValue(row++, column, v);
}

void ExpectResult(const TPlateForces& r, const double (&force)[3], const double (&moment)[3],
                  const double (&cop)[3]) {
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(r.force[k], force[k], 1e-4 * (1 + std::fabs(force[k])));
        EXPECT_NEAR(r.moment[k], moment[k], 1e-5 * (1 + std::fabs(moment[k])));
        EXPECT_NEAR(r.cop[k], cop[k], 1e-6 * (1 + std::fabs(cop[k])));
    }
}

bool IsZero(const TPlateForces& r) {
    for (int k = 0; k < 3; ++k)
        if (r.force[k] != 0 || r.moment[k] != 0 || r.cop[k] != 0) return false;
    return true;
}

TEST(PlateForces, TypeTwoFlatPlate) {
    auto d = PlateRecording(2);
    SetSample(*d, 7, {10, 0, 500, 2500, -5000, 0});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 7, &r, 20.0f, false));
    // Px = (40 * 10 + 5000) / 500 = 10.8 mm, Py = 2500 / 500 = 5 mm, on the surface.
    ExpectResult(r, {10, 0, 500}, {2.5, -5, 0}, {0.0108, 0.005, 0});

    // At or below the threshold the centre of pressure stays at the plate centre.
    SetSample(*d, 8, {10, 0, 10, 2500, -5000, 0});
    ASSERT_TRUE(d->GetPlateForces(0, 8, &r, 20.0f, false));
    ExpectResult(r, {10, 0, 10}, {2.5, -5, 0}, {0, 0, 0});
    SetSample(*d, 9, {0, 0, -20, 100, 100, 0});
    ASSERT_TRUE(d->GetPlateForces(0, 9, &r, 20.0f, false));  // strictly above
    EXPECT_FLOAT_EQ(r.cop[0], 0.0f);
    ASSERT_TRUE(d->GetPlateForces(0, 9, &r, 19.5f, false));
    EXPECT_NEAR(r.cop[0], (-100.0 / -20.0) / 1000.0, 1e-7);  // -My / Fz with Fx = 0
}

TEST(PlateForces, CentreOfPressureFollowsThePlate) {
    auto d = PlateRecording(2, 50, 1000, 500);
    SetSample(*d, 3, {10, 0, 500, 2500, -5000, 0});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 3, &r, 20.0f, false));
    ExpectResult(r, {10, 0, 500}, {2.5, -5, 0}, {1.0108, 0.505, 0});
}

TEST(PlateForces, TypesFourAndMinusTwo) {
    auto two = PlateRecording(2);
    auto four = PlateRecording(4);
    auto minus = PlateRecording(2);
    minus->plates[0].type = -2;  // AddForcePlate would store 2
    for (auto* d : {two.get(), four.get()}) SetSample(*d, 2, {-30, 45, 700, 900, -1200, 15});
    SetSample(*minus, 2, {30, -45, -700, -900, 1200, -15});
    TPlateForces a, b, c;
    ASSERT_TRUE(two->GetPlateForces(0, 2, &a, 5.0f, false));
    ASSERT_TRUE(four->GetPlateForces(0, 2, &b, 5.0f, false));
    ASSERT_TRUE(minus->GetPlateForces(0, 2, &c, 5.0f, false));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(a.force[k], b.force[k]);
        EXPECT_EQ(a.moment[k], b.moment[k]);
        EXPECT_EQ(a.cop[k], b.cop[k]);
        EXPECT_EQ(a.force[k], c.force[k]);
        EXPECT_EQ(a.moment[k], c.moment[k]);
        EXPECT_EQ(a.cop[k], c.cop[k]);
    }
}

TEST(PlateForces, TypeOneGivesTheCentreOfPressureDirectly) {
    auto d = PlateRecording(1);
    // Fx, Fy, Fz, Px, Py, Tz
    SetSample(*d, 4, {20, -10, 600, 30, -50, 4000});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 4, &r, 1000.0f, false));  // no threshold for type 1
    const double e = 40;
    // (Px, Py, -e) x F + (0, 0, Tz), in N.mm, then / 1000.
    const double m[3] = {(-50 * 600 - (-e) * -10) / 1000.0, ((-e) * 20 - 30 * 600) / 1000.0,
                         (30 * -10 - (-50) * 20 + 4000) / 1000.0};
    ExpectResult(r, {20, -10, 600}, {m[0], m[1], m[2]}, {0.030, -0.050, 0});
}

TEST(PlateForces, TypeThreeFromEightSensors) {
    auto d = PlateRecording(3);
    // fx12, fx34, fy14, fy23, fz1, fz2, fz3, fz4
    SetSample(*d, 5, {6, 4, -3, 5, 100, 150, 120, 130});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 5, &r, 20.0f, false));
    const double a = 400, b = 600, e = 40;  // |c1 - c2|, |c2 - c3|
    const double fx = 10, fy = 2, fz = 500;
    const double mx = (100 + 150 - 120 - 130) * a / 2;  // 0
    const double my = (150 + 120 - 100 - 130) * b / 2;  // 12000 N.mm
    const double mz = (4 - 6) * a / 2 + (-3 - 5) * b / 2;
    const double px = (e * fx - my) / fz, py = (e * fy + mx) / fz;
    // Moments in N.m like the other types.
    ExpectResult(r, {fx, fy, fz}, {mx / 1000, my / 1000, mz / 1000}, {px / 1000, py / 1000, 0});
}

// Type-3 plates give their sensor offsets in ORIGIN: a (x) is the lever of the y-moment and of the
// y shear pair, b (y) that of the x-moment and of the x shear pair.
TEST(PlateForces, TypeThreeTakesTheSensorOffsetsFromTheOrigin) {
    auto d = std::make_unique<TDataFile>(1, 5, 100.0f, kChannels, 10, 3);
    const int32_t channels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const double corners[12] = {200, 300, 0, -200, 300, 0, -200, -300, 0, 200, -300, 0};
    const double origin[3] = {120, 200, -40};
    ASSERT_TRUE(d->AddForcePlate(3, channels, corners, origin));
    SetSample(*d, 1, {6, 4, -3, 5, 100, 150, 120, 130});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, false));
    const double a = 120, b = 200, e = 40;
    const double fx = 10, fy = 2, fz = 500;
    const double mx = (100 + 150 - 120 - 130) * b;
    const double my = (150 + 120 - 100 - 130) * a;  // 4800 N.mm
    const double mz = (4 - 6) * b + (-3 - 5) * a;
    const double px = (e * fx - my) / fz, py = (e * fy + mx) / fz;
    ExpectResult(r, {fx, fy, fz}, {mx / 1000, my / 1000, mz / 1000}, {px / 1000, py / 1000, 0});
}

// Whatever the type and the transducer depth, the centre of pressure lies in the plane of the
// plate's corners (here a plate raised 100 mm and tilted about x).
TEST(PlateForces, CentreOfPressureLiesInThePlaneOfTheCorners) {
    const double corners[12] = {200, 300, 130, -200, 300, 130, -200, -300, 70, 200, -300, 70};
    for (int32_t type : {1, 2, 3, 4}) {
        SCOPED_TRACE(type);
        auto d = std::make_unique<TDataFile>(1, 5, 100.0f, kChannels, 10, 3);
        const int32_t channels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        const double origin[3] = {type == 3 ? 120.0 : 0.0, type == 3 ? 200.0 : 0.0, -40};
        ASSERT_TRUE(d->AddForcePlate(type, channels, corners, origin));
        SetSample(*d, 1, {6, 4, 500, 30, 100, 150, 120, 130});
        TPlateForces r;
        ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, false));
        // The plane through the corners: z = 100 + 0.1 y (mm).
        EXPECT_NEAR(r.cop[2], (100 + 0.1 * (r.cop[1] * 1000)) / 1000, 1e-6);
    }
}

TEST(PlateForces, RotatedPlateTurnsIntoLaboratoryAxes) {
    // Plate x axis along the laboratory's +y, plate y along -x (a quarter turn about z), centre
    // (500, 0, 0): c1 - c2 runs along +y and c2 - c3 along -x.
    auto d = std::make_unique<TDataFile>(1, 5, 100.0f, kChannels, 10, 3);
    const int32_t channels[6] = {1, 2, 3, 4, 5, 6};
    const double corners[12] = {300, 200, 0, 300, -200, 0, 700, -200, 0, 700, 200, 0};
    const double origin[3] = {0, 0, -40};
    ASSERT_TRUE(d->AddForcePlate(2, channels, corners, origin));
    SetSample(*d, 1, {10, 0, 500, 2500, -5000, 0});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, false));
    // In plate axes: F (10, 0, 500), M (2.5, -5, 0), P (10.8, 5, 0) mm. Plate x -> lab +y,
    // plate y -> lab -x: F (0, 10, 500), M (5, 2.5, 0), P (-5, 10.8, 0) + centre.
    ExpectResult(r, {0, 10, 500}, {5, 2.5, 0}, {0.495, 0.0108, 0});

    // In local axes nothing is turned and the centre is not added.
    ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, true));
    ExpectResult(r, {10, 0, 500}, {2.5, -5, 0}, {0.0108, 0.005, 0});
}

TEST(PlateForces, PlateFacingDown) {
    // The usual C3D plate: z axis pointing into the floor, y axis against the laboratory's.
    auto d = std::make_unique<TDataFile>(1, 5, 100.0f, kChannels, 10, 3);
    const int32_t channels[6] = {1, 2, 3, 4, 5, 6};
    const double corners[12] = {200, -300, 0, -200, -300, 0, -200, 300, 0, 200, 300, 0};
    const double origin[3] = {0, 0, -40};
    ASSERT_TRUE(d->AddForcePlate(2, channels, corners, origin));
    SetSample(*d, 1, {10, 20, 500, 0, 0, 3000});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, false));
    // P (0.8, 1.6, 0) mm in plate axes; (x, -y, -z) in the laboratory.
    ExpectResult(r, {10, -20, -500}, {0, 0, -3}, {0.0008, -0.0016, 0});
}

TEST(PlateForces, DegeneratePlateKeepsLaboratoryAxes) {
    auto d = std::make_unique<TDataFile>(1, 5, 100.0f, kChannels, 10, 3);
    const int32_t channels[6] = {1, 2, 3, 4, 5, 6};
    const double corners[12] = {};
    const double origin[3] = {};
    ASSERT_TRUE(d->AddForcePlate(2, channels, corners, origin));
    SetSample(*d, 0, {1, 2, 3, 0, 0, 0});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 0, &r, 100.0f, false));
    ExpectResult(r, {1, 2, 3}, {0, 0, 0}, {0, 0, 0});
}

TEST(PlateForces, BaselineOverTheZeroRange) {
    const struct {
        int32_t start, length, columns;
        int32_t first, end;  // columns averaged, end excluded; first == end: none
    } cases[] = {
        {10, 20, 50, 10, 30},       {0, 20, 50, 0, 0},         {10, 20, 25, 10, 25},
        {30, 5, 25, 0, 0},          {10, 0, 50, 0, 0},         {1, INT_MAX, 50, 1, 50},
        {10, -5, 50, 0, 0},         {-3, 10, 50, 0, 0},        {49, 1, 50, 49, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ", " + std::to_string(c.length) + " on " + std::to_string(c.columns));
        auto d = PlateRecording(2, c.columns);
        for (int32_t col = 0; col < c.columns; ++col) SetSample(*d, col, {col * 1.0, 0, 0, 0, 0, 0});
        d->plateZero[0] = c.start;
        d->plateZero[1] = c.length;
        double baseline = 0;
        if (c.end > c.first) baseline = (c.first + c.end - 1) / 2.0;
        TPlateForces r;
        ASSERT_TRUE(d->GetPlateForces(0, 5, &r, 20.0f, false));
        EXPECT_NEAR(r.force[0], 5.0 - baseline, 1e-6);
    }
}

TEST(PlateForces, BaselineIsSummedInDoublePrecision) {
    // A large offset with a small alternating signal: a single-precision running sum over
    // 10000 samples drifts by far more than the signal.
    auto d = PlateRecording(2, 10000);
    for (int32_t col = 0; col < 10000; ++col)
        SetSample(*d, col, {1.0e6 + (col % 2 ? 0.25 : -0.25), 0, 0, 0, 0, 0});
    d->plateZero[0] = 1;
    d->plateZero[1] = 9998;  // columns 1 .. 9998: 4999 of each
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 3, &r, 20.0f, false));
    EXPECT_NEAR(r.force[0], 0.25, 1e-6);
}

TEST(PlateForces, Refusals) {
    auto d = PlateRecording(2);
    TPlateForces r;
    r.force[0] = 99;
    TDataFile noAnalog(2, 5, 100.0f, 0, 1, 3);
    EXPECT_FALSE(noAnalog.GetPlateForces(0, 0, &r, 20.0f, false));
    EXPECT_EQ(r.force[0], 99);  // refused before the record is touched
    d->analogRate = 0;
    EXPECT_FALSE(d->GetPlateForces(0, 0, &r, 20.0f, false));
    EXPECT_EQ(r.force[0], 99);
    d->analogRate = 1000;
    EXPECT_FALSE(d->GetPlateForces(0, 0, nullptr, 20.0f, false));

    SetSample(*d, 0, {1, 2, 3, 4, 5, 6});
    const struct {
        int32_t plate, column;
    } outside[] = {{1, 0}, {64, 0}, {-1, 0}, {0, 50}, {0, -1}, {0, INT_MAX}};
    for (const auto& c : outside) {
        SCOPED_TRACE(std::to_string(c.plate) + " at " + std::to_string(c.column));
        r.force[0] = 99;
        EXPECT_FALSE(d->GetPlateForces(c.plate, c.column, &r, 20.0f, false));
        EXPECT_TRUE(IsZero(r));
    }
}

TEST(PlateForces, PlateRecordsWithoutResults) {
    const struct {
        const char* what;
        int32_t type;
        int32_t channel;  // put in place of the plate's third channel
    } cases[] = {
        {"type 5", 5, 3},
        {"type 0", 0, 3},
        {"channel 0 would be row -1", 2, 0},
        {"negative channel", 2, -4},
        {"channel past the table would wrap into the next column", 2, kChannels + 1},
        {"type 3 reads 8 channels", 3, kChannels + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto d = PlateRecording(2);
        SetSample(*d, 1, {1, 2, 3, 4, 5, 6, 7, 8});
        d->plates[0].type = c.type;
        d->plates[0].channels[6] = 7;
        d->plates[0].channels[c.type == 3 ? 7 : 2] = c.channel;
        TPlateForces r;
        r.force[2] = 99;
        EXPECT_FALSE(d->GetPlateForces(0, 1, &r, 20.0f, false));
        EXPECT_TRUE(IsZero(r));
    }
    auto d = PlateRecording(2);
    d->plates[0].channels[2] = kChannels;  // the last channel is fine
    SetSample(*d, 1, {1, 2});
    d->analog->SetValue(kChannels - 1, 1, 300);
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 1, &r, 20.0f, false));
    EXPECT_EQ(r.force[2], 300);
}

TEST(PlateForces, PreparedPlatesFollowChanges) {
    auto d = PlateRecording(2, 50);
    for (int32_t col = 0; col < 50; ++col) SetSample(*d, col, {col * 1.0, 0, 100, 0, 0, 0});
    TPlateForces r;
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_FLOAT_EQ(r.force[0], 20);

    d->plateZero[0] = 10;  // ZERO changed: baseline 14.5 over 10 .. 19
    d->plateZero[1] = 10;
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_FLOAT_EQ(r.force[0], 5.5f);

    // Samples edited in place are seen once the cache is told.
    for (int32_t col = 10; col < 20; ++col) d->analog->SetValue(0, col, 0);
    d->InvalidatePlateCache();
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_FLOAT_EQ(r.force[0], 20);
    d->plateZero[0] = d->plateZero[1] = 0;

    d->plates[0].channels[0] = 3;  // channel changed: Fx now reads Fz's channel
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_FLOAT_EQ(r.force[0], 100);
    d->plates[0].channels[0] = 1;

    d->plates[0].type = -2;
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_FLOAT_EQ(r.force[0], -20);
    d->plates[0].type = 2;

    const float turned[12] = {-300, 200, 0, -300, -200, 0, 300, -200, 0, 300, 200, 0};  // x along +y, y along -x
    d->SetPlateCorners(0, turned);
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_NEAR(r.force[1], 20, 1e-4);  // plate x along c1 - c2 = +y

    // A new analog table of the same size.
    auto* fresh = new Matrix2D(kChannels, 50);
    fresh->SetValue(1, 20, 7);
    delete d->analog;
    d->analog = fresh;
    ASSERT_TRUE(d->GetPlateForces(0, 20, &r, 20.0f, false));
    EXPECT_NEAR(r.force[0], -7, 1e-4);  // plate y along c2 - c3 = -x

    d->ClearAnalog();
    EXPECT_FALSE(d->GetPlateForces(0, 20, &r, 20.0f, false));
}

TEST(PlateGeometry, GivesTheStoredRecord) {
    auto d = PlateRecording(3, 50, 10, 20);
    int32_t type = 0, channels[8] = {};
    double corners[12], origin[3];
    ASSERT_TRUE(d->GetPlateGeometry(0, &type, channels, corners, origin));
    EXPECT_EQ(type, 3);
    for (int j = 0; j < 8; ++j) EXPECT_EQ(channels[j], j + 1);
    EXPECT_EQ(corners[0], 210);
    EXPECT_EQ(corners[10], -280);
    EXPECT_EQ(origin[2], -40);
    EXPECT_TRUE(d->GetPlateGeometry(0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(d->GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_FALSE(d->GetPlateGeometry(-1, &type, channels, corners, origin));

    auto six = PlateRecording(2);
    int32_t guard[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    ASSERT_TRUE(six->GetPlateGeometry(0, &type, guard, nullptr, nullptr));
    EXPECT_EQ(guard[5], 6);
    EXPECT_EQ(guard[6], -1);  // six channels only

    delete d->analog;
    d->analog = nullptr;
    EXPECT_FALSE(d->GetPlateGeometry(0, &type, channels, corners, origin));
}

TEST(PlateGeometry, AddForcePlate) {
    TDataFile d(1, 5, 100.0f, kChannels, 10, 3);
    const int32_t channels[8] = {7, 8, 9, 10, 11, 12, 13, 14};
    const double corners[12] = {0.1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const double origin[3] = {1, 2, 3};
    d.plates[0].calibration = new float[36]();
    d.plates[0].calRows = d.plates[0].calCols = 6;
    d.plates[0].calibrationIndex = 4;
    ASSERT_TRUE(d.AddForcePlate(0, channels, corners, origin));
    EXPECT_EQ(d.plates[0].type, 2);
    EXPECT_EQ(d.plates[0].channels[5], 12);
    EXPECT_EQ(d.plates[0].channels[6], 0);
    EXPECT_EQ(d.plates[0].corners[0][0], 0.1f);
    EXPECT_EQ(d.plates[0].origin[2], 3.0f);
    EXPECT_NE(d.plates[0].calibration, nullptr);  // not touched
    EXPECT_EQ(d.plates[0].calibrationIndex, 4);
    ASSERT_TRUE(d.AddForcePlate(3, channels, corners, origin));
    EXPECT_EQ(d.plates[1].channels[7], 14);
    EXPECT_TRUE(d.AddForcePlate(-2, channels, corners, origin));
    EXPECT_EQ(d.plates[2].type, 2);  // below 1
    for (int i = 3; i < kMaxPlates; ++i) ASSERT_TRUE(d.AddForcePlate(2, channels, corners, origin));
    EXPECT_EQ(d.GetPlateCount(), kMaxPlates);
    EXPECT_FALSE(d.AddForcePlate(2, channels, corners, origin));
    EXPECT_EQ(d.GetPlateCount(), kMaxPlates);
    EXPECT_FALSE(d.AddForcePlate(2, nullptr, corners, origin));

    TDataFile noAnalog(1, 5, 100.0f, 0, 1, 3);
    EXPECT_FALSE(noAnalog.AddForcePlate(2, channels, corners, origin));
    EXPECT_EQ(noAnalog.plateCount, 0);
}

}  // namespace
