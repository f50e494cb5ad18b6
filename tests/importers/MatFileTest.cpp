// MAT-files: the Level-4 layout of the point and analog matrices, byte for byte. SciPy's reader
// checks the same files independently (MatFileScipyTest.py).
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "platform/ByteReader.h"

namespace {

using testsupport::TempDir;

struct MatHeader {
    int32_t type, rows, cols, imaginary, nameLength;
    std::string name;
};

MatHeader HeaderAt(const std::string& bytes, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
    return {dez::LoadI32LE(p), dez::LoadI32LE(p + 4), dez::LoadI32LE(p + 8), dez::LoadI32LE(p + 12),
            dez::LoadI32LE(p + 16), std::string(bytes.data() + at + 20, 9)};
}

float FloatAt(const std::string& bytes, size_t at) {
    return dez::LoadF32LE(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

std::string Save(TDataFile& d, const TempDir& dir) {
    const std::string file = dir.file("walk.mat");
    EXPECT_TRUE(d.SaveFile(file.c_str(), kFileMat));
    return testsupport::ReadFileBytes(file);
}

TEST(MatFile, PointMatrix) {
    TempDir dir;
    TDataFile d(2, 4, 100.0f, 0, 1, 3);
    for (int32_t f = 0; f < 4; ++f)
        for (int32_t r = 0; r < 6; ++r) d.points->SetValue(r, f, r * 10.0 + f + 0.1);
    const std::string bytes = Save(d, dir);
    ASSERT_EQ(bytes.size(), 141u);
    const MatHeader h = HeaderAt(bytes, 0);
    EXPECT_EQ(h.type, 10);
    EXPECT_EQ(h.rows, 4);
    EXPECT_EQ(h.cols, 7);
    EXPECT_EQ(h.imaginary, 0);
    EXPECT_EQ(h.nameLength, 9);
    EXPECT_EQ(h.name, std::string("MAT3DV_K", 9));
    const float times[4] = {0.0f, 0.1f, 0.2f, 0.3f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(FloatAt(bytes, 29 + 4 * i), times[i]) << i;
    // Column 1 + r, row f.
    EXPECT_FLOAT_EQ(FloatAt(bytes, 29 + 4 * (4 * 6 + 2)), 52.1f);
    EXPECT_FLOAT_EQ(FloatAt(bytes, 29 + 4 * (4 * 1 + 3)), 3.1f);
}

TEST(MatFile, AnalogMatrixFollows) {
    TempDir dir;
    TDataFile d(2, 4, 100.0f, 6, 10, 3);  // 6 channels of 40 samples at 1000 Hz
    d.analog->SetValue(5, 39, -2.5);
    const std::string bytes = Save(d, dir);
    const size_t second = 141;
    ASSERT_EQ(bytes.size(), second + 29 + 40 * 7 * 4);
    const MatHeader h = HeaderAt(bytes, second);
    EXPECT_EQ(h.type, 10);
    EXPECT_EQ(h.rows, 40);
    EXPECT_EQ(h.cols, 7);
    EXPECT_EQ(h.name, std::string("MAT3DV_A", 9));
    for (int i = 0; i < 40; ++i) EXPECT_FLOAT_EQ(FloatAt(bytes, second + 29 + 4 * i), static_cast<float>(i)) << i;
    EXPECT_FLOAT_EQ(FloatAt(bytes, bytes.size() - 4), -2.5f);
}

TEST(MatFile, EveryValueOfAPointAndNoTimeWithoutRate) {
    TempDir dir;
    TDataFile d(1, 3, 0.0f, 0, 1, 4);
    d.missingValue = -1.0f;
    d.points->SetValue(3, 2, -1.0);
    const std::string bytes = Save(d, dir);
    EXPECT_EQ(HeaderAt(bytes, 0).cols, 5);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FloatAt(bytes, 29 + 4 * i), 0.0f);
    EXPECT_FLOAT_EQ(FloatAt(bytes, bytes.size() - 4), -1.0f);
}

TEST(MatFile, FailuresAreReported) {
    TempDir dir;
    TDataFile d(1, 3, 100.0f, 0, 1, 3);
    d.verbose = false;
    EXPECT_FALSE(d.SaveFile(dir.file("none/walk.mat").c_str(), kFileMat));
    TDataFile empty(nullptr);
    EXPECT_FALSE(empty.SaveFile(dir.file("walk.mat").c_str(), kFileMat));
}

}  // namespace
