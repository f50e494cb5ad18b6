// Text tables: the reader's line, field and value rules, the analog import and the text export.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFileBytes;

constexpr double kMissing = -999.0;
constexpr double M = kMissing;  // short for the tables below

// Reads `text` as a TX recording whose sentinel is kMissing; the table is returned row by row.
std::vector<std::vector<double>> ReadRows(const std::string& text, TDataFile* out = nullptr) {
    TempDir dir;
    const std::string file = dir.file("t.tx");
    EXPECT_TRUE(WriteFileBytes(file, text));
    TDataFile d(nullptr);
    d.verbose = false;
    d.missingValue = static_cast<float>(kMissing);
    EXPECT_TRUE(d.ReadTX(file.c_str(), true));
    std::vector<std::vector<double>> rows;
    if (!d.points) return rows;
    for (int32_t r = 0; r < d.points->GetRows(); ++r) {
        rows.emplace_back();
        for (int32_t c = 0; c < d.points->GetCols(); ++c) rows.back().push_back(d.points->GetValue(r, c));
    }
    if (out) out->lineEnd = d.lineEnd;
    return rows;
}

using Rows = std::vector<std::vector<double>>;

TEST(TextTable, FieldsAndLines) {
    const struct {
        const char* name;
        std::string text;
        Rows rows;
    } cases[] = {
        {"empty field between separators", "1.5\t\t2.5\n", {{1.5}, {M}, {2.5}}},
        {"leading separator", "\t7\n", {{M}, {7}}},
        {"one trailing separator adds nothing", "1\t2\t\n", {{1}, {2}}},
        {"two trailing separators add one missing", "1\t2\t\t\n", {{1}, {2}, {M}}},
        {"comments and blank lines are no frames", "; header\n\n   \n1\t2\n;x\n3\t4\n", {{1, 3}, {2, 4}}},
        {"ragged lines", "1\t2\t3\t4\n1\t2\t3\t4\t5\t6\n1\t2\t3\t4\t5\n",
         {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {M, 5, 5}, {M, 6, M}}},
        {"leading blanks and a byte-order mark", "\xEF\xBB\xBF  1\t2\n", {{1}, {2}}},
        {"no data at all", "; nothing\n", {{M}}},
        {"last line without line end", "1\t2\n3\t4", {{1, 3}, {2, 4}}},
        {"exponent and sign", "-1.5e2\t+.25\n", {{-150}, {0.25}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadRows(c.text), c.rows);
    }
}

TEST(TextTable, MissingTokensAndNonNumbers) {
    const Rows rows = ReadRows("nan\tNa\t#\tinf\t-INF\t1e40\tabc\t NA\t+NaN\t12abc\t1e-50\n");
    const Rows expected = {{M}, {M}, {M}, {M}, {M}, {M}, {0}, {0}, {M}, {12}, {0}};
    EXPECT_EQ(rows, expected);
}

TEST(TextTable, LineEndsReadAlike) {
    const Rows expected = {{1, 3}, {2, 4}};
    const struct {
        const char* text;
        char lineEnd;
    } cases[] = {{"1\t2\r\n3\t4\r\n", '\r'}, {"1\t2\n3\t4\n", '\n'}, {"1\t2\r3\t4\r", '\r'}, {"1\t2\n3\t4\r\n", '\n'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TDataFile info(nullptr);
        EXPECT_EQ(ReadRows(c.text, &info), expected);
        EXPECT_EQ(info.lineEnd, c.lineEnd);
    }
}

TEST(TextTable, WithoutCompanionSignalsAreOneDimensionalPointsAt50Hz) {
    TempDir dir;
    const std::string file = dir.file("six.tx");
    ASSERT_TRUE(WriteFileBytes(file, "1\t2\t3\t4\t5\t6\n7\t8\t9\t10\t11\t12\n"));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(file.c_str(), kFileDetect, true));
    EXPECT_EQ(d.kind, kFileText);
    EXPECT_EQ(d.dimension, 1);
    EXPECT_FLOAT_EQ(d.pointRate, 50.0f);
    EXPECT_EQ(d.GetPointCount(), 6);
    EXPECT_EQ(d.GetFrameCount(), 2);
    EXPECT_EQ(d.PointLabel(0), "Marker 1");
    EXPECT_EQ(d.PointLabel(5), "Marker 6");
    EXPECT_DOUBLE_EQ(d.points->GetValue(5, 1), 12.0);
}

TEST(TextTable, CompanionGivesDimensionLabelsAndLaterSeparator) {
    TempDir dir;
    const std::string file = dir.file("walk.tx");
    ASSERT_TRUE(WriteFileBytes(file, "1\t2\t3\t4\t5\t6\n"));
    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#R:3\n#P:10\n#1:LASI\n#2:RASI\n#X:-1\n#D:44\n"));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(file.c_str(), kFileText, true));
    EXPECT_EQ(d.GetPointCount(), 2);
    EXPECT_EQ(d.pointLabels->count, 2);
    EXPECT_EQ(d.PointLabel(1), "RASI");
    EXPECT_FLOAT_EQ(d.pointRate, 100.0f);
    EXPECT_FLOAT_EQ(d.missingValue, -1.0f);
    EXPECT_EQ(d.fieldSeparator, ',');
}

TEST(TextTable, DamagedTablesAreRefusedWithTheirName) {
    TempDir dir;
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"wide.tx", std::string(70000, '\t') + "1\n"},
        {"ragged.tx", std::string(5000, '\t') + "1\n" + [] {
             std::string lines;
             for (int i = 0; i < 5000; ++i) lines += "1\n";
             return lines;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.file(c.name);
        ASSERT_TRUE(WriteFileBytes(file, c.text));
        TDataFile d(nullptr);
        d.verbose = false;
        EXPECT_FALSE(d.LoadFile(file.c_str(), kFileText, true));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_NE(std::string(d.GetErrorText()).find(file), std::string::npos) << d.GetErrorText();
    }
    TDataFile d(nullptr);
    d.verbose = false;
    EXPECT_FALSE(d.ReadTX(dir.file("absent.tx").c_str(), true));
    EXPECT_NE(std::string(d.GetErrorText()).find("absent.tx"), std::string::npos);
}

TEST(TextTable, ReadTextTableCountsThenFills) {
    TempDir dir;
    const std::string file = dir.file("t.tx");
    ASSERT_TRUE(WriteFileBytes(file, "1\t2\r\n3\r\n"));
    TDataFile d(nullptr);
    int32_t signals = 0;
    int32_t frames = 0;
    ASSERT_TRUE(d.ReadTextTable(file.c_str(), false, &signals, &frames, nullptr, ';'));
    EXPECT_EQ(signals, 2);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(d.lineEnd, '\r');
    Matrix2D table(signals, frames);
    d.missingValue = 9.0f;
    ASSERT_TRUE(d.ReadTextTable(file.c_str(), true, &signals, &frames, &table, ';'));
    EXPECT_DOUBLE_EQ(table.GetValue(1, 0), 2.0);
    EXPECT_DOUBLE_EQ(table.GetValue(1, 1), 9.0);
    EXPECT_FALSE(d.ReadTextTable(dir.file("none").c_str(), false, &signals, &frames, nullptr, ';'));
}

// A recording of 100 frames at 100 Hz importing an analog text table without companion.
TEST(TextTable, AnalogImportFitsTheRecording) {
    const struct {
        int lines;
        float rate;
        int32_t columns;
    } cases[] = {{2000, 2000.0f, 2000}, {1990, 1900.0f, 1900}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        TempDir dir;
        std::string text;
        for (int i = 0; i < c.lines; ++i) text += std::to_string(i) + "\t" + std::to_string(-i) + "\n";
        const std::string file = dir.file("emg.tx");
        ASSERT_TRUE(WriteFileBytes(file, text));
        TDataFile d(2, 100, 100.0f, 0, 1, 3);
        d.verbose = false;
        ASSERT_TRUE(d.ImportAnalogFile(file.c_str()));
        EXPECT_FLOAT_EQ(d.analogRate, c.rate);
        ASSERT_EQ(d.analog->GetRows(), 2);
        ASSERT_EQ(d.analog->GetCols(), c.columns);
        EXPECT_DOUBLE_EQ(d.analog->GetValue(1, c.columns - 1), -(c.columns - 1));
        EXPECT_EQ(d.AnalogLabel(2), "Channel 2");
        EXPECT_EQ(d.analogFile, file);
    }
}

TEST(TextTable, AnalogCompanionRateAndLabels) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 150; ++i) text += std::to_string(i) + "\n";
    const std::string file = dir.file("emg.tx");
    ASSERT_TRUE(WriteFileBytes(file, text));
    ASSERT_TRUE(WriteFileBytes(dir.file("emg.dfn"), "#P:1\n#1:EMG1\n"));
    TDataFile d(2, 10, 100.0f, 0, 1, 3);
    d.verbose = false;
    ASSERT_TRUE(d.ImportAnalogFile(file.c_str()));
    EXPECT_FLOAT_EQ(d.analogRate, 1000.0f);
    ASSERT_EQ(d.analog->GetCols(), 100);  // 10 frames x 10 samples: the rest is dropped
    EXPECT_EQ(d.AnalogLabel(1), "EMG1");
    // A rate that would pad the few samples into gigabytes is refused.
    ASSERT_TRUE(WriteFileBytes(dir.file("emg.dfn"), "#P:1e-9\n"));
    EXPECT_FALSE(d.ImportAnalogFile(file.c_str()));
    EXPECT_EQ(d.analog, nullptr);
}

TEST(TextTable, WriterLinesAndCompanion) {
    TempDir dir;
    TDataFile d(2, 4, 100.0f, 0, 1, 3);
    d.verbose = false;
    for (int32_t f = 0; f < 4; ++f)
        for (int32_t r = 0; r < 6; ++r) d.points->SetValue(r, f, 1000.0 * f + r + 0.5);
    d.points->SetValue(0, 0, 1.5e-7);
    d.points->SetValue(1, 0, 1234567.0);
    const std::string file = dir.file("out.tx");
    ASSERT_TRUE(d.SaveFile(file.c_str(), kFileText));
    const std::string text = testsupport::ReadFileBytes(file);
    EXPECT_EQ(text.substr(0, text.find('\r') + 1), "1.5e-07\t1.23457e+06\t2.5\t3.5\t4.5\t5.5\r");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 4);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 20);
    EXPECT_NE(testsupport::ReadFileBytes(dir.file("out.dfn")).find("#2:M2\n"), std::string::npos);

    d.lineEnd = '\n';
    ASSERT_TRUE(d.WriteText(file.c_str(), false));
    const std::string crlf = testsupport::ReadFileBytes(file);
    EXPECT_EQ(std::count(crlf.begin(), crlf.end(), '\n'), 4);
    EXPECT_NE(crlf.find("5.5\r\n"), std::string::npos);
}

TEST(TextTable, FailedSavesAreReported) {
    TempDir dir;
    TDataFile d(1, 2, 100.0f, 0, 1, 3);
    d.verbose = false;
    EXPECT_FALSE(d.WriteText(dir.file("no/such/folder.tx").c_str(), false));
    EXPECT_EQ(std::string(d.GetErrorText()), "Unable to open " + dir.file("no/such/folder.tx") +
                                                 ": Cannot create a temporary file for '" +
                                                 dir.file("no/such/folder.tx") + "': No such file or directory");
    // A companion that cannot be written fails the save: its labels and rate would be lost.
    ASSERT_EQ(::mkdir(dir.file("walk.dfn").c_str(), 0755), 0);
    EXPECT_FALSE(d.WriteText(dir.file("walk.tx").c_str(), false));
    EXPECT_NE(std::string(d.GetErrorText()).find("walk.dfn"), std::string::npos);
}

TEST(TextTable, DecimalCommaLocaleReadsAndWritesPoints) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    TempDir dir;
    TDataFile d(1, 2, 120.0f, 0, 1, 3);
    d.verbose = false;
    d.points->SetValue(0, 0, 1.25);
    d.points->SetValue(2, 1, -0.5);
    const std::string file = dir.file("comma.tx");
    ASSERT_TRUE(d.SaveFile(file.c_str(), kFileText));
    EXPECT_EQ(testsupport::ReadFileBytes(file).find(','), std::string::npos);
    TDataFile back(nullptr);
    back.verbose = false;
    ASSERT_TRUE(back.LoadFile(file.c_str(), kFileText, true));
    EXPECT_DOUBLE_EQ(back.points->GetValue(0, 0), 1.25);
    EXPECT_DOUBLE_EQ(back.points->GetValue(2, 1), -0.5);
    EXPECT_EQ(back.dimension, 3);
    EXPECT_NEAR(back.pointRate, 120.0f, 1e-3f);
}

}  // namespace

namespace {

// A companion named in a file must be a file: a FIFO would block the load for ever.
TEST(TextTable, CompanionsMustBeRegularFiles) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.tx").c_str(), 0644), 0);
    ASSERT_TRUE(WriteFileBytes(dir.file("walk.tx"), "1\t2\t3\n"));
    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#A:pipe.tx\n"));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("walk.tx").c_str(), kFileText, true));
    EXPECT_EQ(d.analog, nullptr);
    EXPECT_FALSE(d.LoadFile(dir.file("pipe.tx").c_str(), kFileText, true));
}

}  // namespace
