// TRC and TRB track files: the public samples (text and binary forms of one trial read alike, the
// malformed ones are refused) and made-up files for the edge cases of both layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

#define NEED_SAMPLES(dir, ...)                                              \
    if (!testsupport::CopySamples(dir, "track", {__VA_ARGS__})) FAIL() << "sample file missing"

std::string Label(const TDataFile& d, int i) { return d.PointLabel(i); }

double X(const TDataFile& d, int marker, int coord, int frame) {
    return d.points->GetValue(4 * marker + coord, frame);
}

// ---------------------------------------------------------------------------------------------
// Shared pieces

TEST(TrackFormat, FromStringReadsLikeAFormattedStream) {
    const struct {
        const char* text;
        double real;
        int integer;
    } cases[] = {
        {"  \r\t12.5xyz", 12.5, 12}, {"+7", 7, 7},     {"-0.25e2\t", -25, 0},  {"1,5", 1, 1},
        {"", 0, 0},                  {"abc", 0, 0},   {"inf", 0, 0},         {"nan", 0, 0},
        {".5", 0.5, 0},              {"+-3", 0, 0},   {"99999999999", 99999999999.0, 2147483647},
    };
    testsupport::CommaLocale comma;  // "," must never count as the decimal point
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double d = -1;
        int i = -1;
        float f = -1;
        FromString(c.text, d);
        FromString(c.text, i);
        FromString(c.text, f);
        EXPECT_DOUBLE_EQ(d, c.real);
        EXPECT_EQ(i, c.integer);
        EXPECT_FLOAT_EQ(f, static_cast<float>(c.real));
    }
    uint16_t u = 9;
    FromString("-3", u);
    EXPECT_EQ(u, 0);
    FromString("70000", u);
    EXPECT_EQ(u, 65535);
    uint64_t big = 0;
    FromString(" 18446744073709551615", big);
    EXPECT_EQ(big, UINT64_MAX);
}

TEST(TrackFormat, TaggedRecords) {
    dez::ByteWriter w;
    w.PutU16LE(300);  // int record: size 1, high word first
    w.PutU16LE(1);
    w.PutU16LE(0x0001);
    w.PutU16LE(0x0002);
    w.PutU16LE(266);  // word pair, size word not checked
    w.PutU16LE(5);
    w.PutU16LE(0x447A);
    w.PutU16LE(0x0000);
    w.PutU16LE(264);  // string of 2 units, NULs trimmed at both ends
    w.PutI16LE(2);
    w.PutBytes("\0ab\0cd\0\0", 8);
    w.PutU16LE(262);  // shorts: 2n words
    w.PutI16LE(1);
    w.PutU16LE(10);
    w.PutU16LE(20);
    w.PutU16LE(259);  // bytes record claiming more than the file holds
    w.PutI16LE(100);
    dez::ByteReader r(w.bytes());
    uint32_t v = 0;
    EXPECT_EQ(ReadTagInt(r, 300, v), 2);
    EXPECT_EQ(v, 0x00010002u);
    EXPECT_EQ(ReadTagWordPair(r, 266, v), 2);
    EXPECT_EQ(v, 0x447A0000u);
    std::string text;
    EXPECT_EQ(ReadTagString(r, 264, text), 3);
    EXPECT_EQ(text, std::string("ab\0cd", 5));
    std::vector<uint16_t> words;
    EXPECT_EQ(ReadTagShorts(r, 262, words), 2);
    EXPECT_EQ(words, (std::vector<uint16_t>{10, 20}));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadTagBytes(r, 259, bytes), 0);
    EXPECT_TRUE(bytes.empty());

    dez::ByteWriter bad;
    bad.PutU16LE(300);
    bad.PutU16LE(2);  // an int record must have size 1
    bad.PutU32LE(0);
    dez::ByteReader b(bad.bytes());
    EXPECT_EQ(ReadTagInt(b, 300, v), 0);
    dez::ByteReader other(bad.bytes());
    EXPECT_EQ(ReadTagInt(other, 301, v), 0);  // another tag
}

// ---------------------------------------------------------------------------------------------
// Samples

TEST(TrackSamples, TextAndBinaryFormsReadAlike) {
    const struct {
        const char* text;
        const char* binary;
        int markers;
        int frames;
        bool sameSamples;
    } pairs[] = {{"Anto.trc", "Anto.trb", 34, 128, true},
                 // The gait pair shares names, size and rate only: the text form keeps 105 marker
                 // columns of which the 33 named ones are mostly empty, and its values match the
                 // binary form's at 67 of 6389 samples.
                 {"Gait.trc", "gait.trb", 33, 487, false}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.text);
        testsupport::TempDir dir;
        NEED_SAMPLES(dir, p.text, p.binary);
        TDataFile text(nullptr), binary(nullptr);
        text.verbose = binary.verbose = false;
        ASSERT_TRUE(text.LoadFile(dir.file(p.text).c_str(), kFileDetect, true)) << text.GetErrorText();
        ASSERT_TRUE(binary.LoadFile(dir.file(p.binary).c_str(), kFileDetect, true)) << binary.GetErrorText();
        EXPECT_EQ(text.kind, kFileTrack);
        for (const TDataFile* d : {&text, &binary}) {
            EXPECT_EQ(d->GetDimension(), 4);
            EXPECT_EQ(d->GetNumberOfPoints(), p.markers);
            EXPECT_EQ(d->GetFrameCount(), p.frames);
            EXPECT_FLOAT_EQ(d->GetPointRate(), 100.0f);
            EXPECT_EQ(d->lastFrame, p.frames - 1);
            EXPECT_EQ(d->analog, nullptr);
        }
        int present = 0;
        for (int m = 0; m < p.markers; ++m) {
            EXPECT_EQ(Label(text, m), Label(binary, m)) << m;
            for (int f = 0; f < p.frames && p.sameSamples; ++f) {
                for (int c = 0; c < 3; ++c) {
                    // The text form has five decimals.
                    ASSERT_NEAR(X(text, m, c, f), X(binary, m, c, f), 6e-4) << "marker " << m << " frame " << f;
                }
                present += X(binary, m, 0, f) != 0.0;
                EXPECT_EQ(X(text, m, 3, f), 0.0);  // no fourth value in text form
            }
        }
        if (p.sameSamples) {
            EXPECT_GT(present, p.markers * p.frames / 2);
        }
        EXPECT_NE(binary.stickText[0], '\0');
    }
}

TEST(TrackSamples, TabEndedLinesKeepTheirLastValue) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "T.trc");
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("T.trc").c_str(), kFileDetect, true)) << d.GetErrorText();
    EXPECT_EQ(d.GetNumberOfPoints(), 41);
    EXPECT_EQ(d.GetFrameCount(), 89);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 30.0f);
    EXPECT_EQ(Label(d, 0), "RFHD");
    EXPECT_EQ(Label(d, 40), "LFHD");
    // The last value of frame 1 (line 7) is "77.66334 " with the blank before the line end.
    EXPECT_NEAR(X(d, 40, 2, 0), 77.66334, 1e-4);
    EXPECT_NEAR(X(d, 0, 0, 0), -336.42437, 1e-4);
}

TEST(TrackSamples, HeaderSaysMoreMarkersThanItNames) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "Gait.trc");
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true));
    EXPECT_EQ(d.GetNumberOfPoints(), 33);  // NumMarkers says 66
    EXPECT_EQ(Label(d, 32), "PX");
}

TEST(TrackSamples, OneFrameTrbWithEmptyBlocks) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "HHStatic_OneFrame.trb");
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("HHStatic_OneFrame.trb").c_str(), kFileDetect, true)) << d.GetErrorText();
    EXPECT_EQ(d.GetNumberOfPoints(), 37);
    EXPECT_NEAR(X(d, 0, 0, 0), 303.3377, 1e-3);
    EXPECT_NEAR(X(d, 0, 3, 0), 0.7507, 1e-3);  // the fourth value
    EXPECT_EQ(Label(d, 0), "Top.Head");
}

TEST(TrackSamples, MalformedTracksAreRefusedWithAReason) {
    const struct {
        const char* file;
        const char* reason;
    } cases[] = {
        {"Empty.trc", "empty file"},
        {"Truncated.trc", "ends in its header"},
        {"Empty.trb", "empty file"},
        {"False.trb", "not a TRB file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        testsupport::TempDir dir;
        NEED_SAMPLES(dir, c.file);
        TDataFile d(nullptr);
        d.verbose = false;
        EXPECT_FALSE(d.LoadFile(dir.file(c.file).c_str(), kFileDetect, true));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_NE(std::string(d.GetErrorText()).find(c.reason), std::string::npos) << d.GetErrorText();
        EXPECT_NE(std::string(d.GetErrorText()).find(c.file), std::string::npos) << d.GetErrorText();
    }
}

TEST(TrackSamples, CommaLocaleReadsTheSame) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "Gait.trc", "Gait.anc", "Forcepla.cal");
    TDataFile plain(nullptr);
    plain.verbose = false;
    ASSERT_TRUE(plain.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true));
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true));
    EXPECT_FLOAT_EQ(d.GetPointRate(), 100.0f);
    ASSERT_TRUE(d.analog && plain.analog);
    EXPECT_FLOAT_EQ(d.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(d.plateCount, 2);
    for (int f = 0; f < d.GetFrameCount(); f += 37)
        for (int r = 0; r < 4 * 33; ++r) ASSERT_EQ(d.points->GetValue(r, f), plain.points->GetValue(r, f));
    for (int c = 0; c < d.analog->GetCols(); c += 101)
        for (int r = 0; r < 28; ++r) ASSERT_EQ(d.analog->GetValue(r, c), plain.analog->GetValue(r, c));
}

TEST(TrackSamples, LoadLeavesTheWorkingDirectory) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "Gait.trc", "Gait.anc", "Forcepla.cal");
    const std::string before = dez::CurrentDirectory();
    TDataFile d(nullptr);
    d.verbose = false;
    EXPECT_TRUE(d.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true));
    EXPECT_EQ(dez::CurrentDirectory(), before);
    EXPECT_FALSE(d.LoadFile(dir.file("missing.trc").c_str(), kFileDetect, true));
    EXPECT_EQ(dez::CurrentDirectory(), before);
}

// ---------------------------------------------------------------------------------------------
// TRC made up

std::string Trc(const std::string& keys, const std::string& values, const std::string& names,
                const std::vector<std::string>& data) {
    std::string t = "PathFileType\t4\t(X/Y/Z)\tmade.trc\n" + keys + "\n" + values + "\n" + names + "\n\t\tX1\tY1\tZ1\n";
    for (const std::string& line : data) t += line + "\n";
    return t;
}

const char* const kKeys = "DataRate\tNumFrames\tNumMarkers\tUnits";
const char* const kValues = "60\t2\t2\tmm";

TEST(TrcReader, ReadsMarkersAndLeavesEmptyFieldsAtZero) {
    const std::string t = Trc(kKeys, kValues, "Frame#\tTime\tA\t\t\tB\t\t\t",
                              {"", "1\t0.0\t1.5\t2.5\t-3.5\t4\t5\t6\t", "2\t0.1\t\t2\t3\t7e1\t8.25\t9"});
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(ParseTRC(d, t, "made.trc")) << d.GetErrorText();
    EXPECT_EQ(d.GetNumberOfPoints(), 2);
    EXPECT_EQ(d.GetFrameCount(), 2);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 60.0f);
    EXPECT_EQ(Label(d, 1), "B");
    const double expected[2][2][3] = {{{1.5, 2.5, -3.5}, {4, 5, 6}}, {{0, 0, 0}, {70, 8.25, 9}}};
    for (int f = 0; f < 2; ++f)
        for (int m = 0; m < 2; ++m)
            for (int c = 0; c < 3; ++c) EXPECT_DOUBLE_EQ(X(d, m, c, f), expected[f][m][c]) << f << m << c;
}

TEST(TrcReader, CrLfReadsLikeLf) {
    std::string lf = Trc(kKeys, kValues, "Frame#\tTime\tA\t\t\tB\t\t\t",
                         {"1\t0.0\t1\t2\t3\t4\t5\t6\t", "2\t0.1\t7\t8\t9\t10\t11\t12"});
    const std::string crlf = testsupport::WithCrlf(lf);
    TDataFile a(nullptr), b(nullptr);
    ASSERT_TRUE(ParseTRC(a, lf, "lf.trc"));
    ASSERT_TRUE(ParseTRC(b, crlf, "crlf.trc"));
    for (int r = 0; r < 8; ++r)
        for (int f = 0; f < 2; ++f) EXPECT_EQ(a.points->GetValue(r, f), b.points->GetValue(r, f));
    EXPECT_DOUBLE_EQ(X(b, 1, 2, 1), 12.0);
}

TEST(TrcReader, HeaderPairing) {
    const struct {
        const char* keys;
        const char* values;
        bool ok;
        float rate;
    } cases[] = {
        // The last key has no tab after it: it forms no pair, the others read normally.
        {"NumFrames\tNumMarkers\tDataRate", "1\t1\t50", true, 25.0f},
        {"NumFrames\tNumMarkers\tDataRate\t", "1\t1\t50\t", true, 50.0f},
        {"NumFrames\tNumMarkers\tDataRate\t", "1\t1\t50", false, 0.0f},  // unequal tabs
        {"NumFrames\tNumMarkers\t", "1\t0\t", false, 0.0f},
        {"NumFrames\tNumMarkers\t", "0\t1\t", false, 0.0f},
        {"NumFrames\tNumMarkers\t", "\t1\t", false, 0.0f},  // an empty value counts as absent
        {"NumFrames\tNumMarkers\tNumFrames\t", "1\t1\t0\t", true, 25.0f},  // the first of equal keys
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + " / " + c.values);
        TDataFile d(nullptr);
        d.verbose = false;
        const bool ok = ParseTRC(d, Trc(c.keys, c.values, "Frame#\tTime\tA\t\t\t", {"1\t0\t1\t2\t3"}), "h.trc");
        EXPECT_EQ(ok, c.ok) << d.GetErrorText();
        if (ok) {
            EXPECT_FLOAT_EQ(d.GetPointRate(), c.rate);
        }
    }
}

TEST(TrcReader, MarkersComeFromTheNamesLine) {
    const std::string names = "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\tD\t\t\tE\t\t\tF\t\t\tG\t\t\tH";  // no tab after H
    TDataFile d(nullptr);
    ASSERT_TRUE(ParseTRC(d, Trc("NumFrames\tNumMarkers\t", "1\t5\t", names, {"1\t0"}), "n.trc"));
    EXPECT_EQ(d.GetNumberOfPoints(), 8);
    EXPECT_EQ(Label(d, 7), "H");
    EXPECT_EQ(X(d, 7, 0, 0), 0.0);  // a line with nothing after the time leaves the frame at 0
}

TEST(TrcReader, RefusesMissingFrames) {
    TDataFile d(nullptr);
    d.verbose = false;
    EXPECT_FALSE(ParseTRC(d, Trc("NumFrames\tNumMarkers\t", "3\t1\t", "Frame#\tTime\tA", {"1\t0\t1\t2\t3", "", "2\t0\t1\t2\t3"}),
                          "short.trc"));
    EXPECT_NE(std::string(d.GetErrorText()).find("after 2 of 3 frames"), std::string::npos) << d.GetErrorText();
    EXPECT_EQ(d.points, nullptr);
    // A frame count far beyond the file is refused before anything is allocated.
    EXPECT_FALSE(ParseTRC(d, Trc("NumFrames\tNumMarkers\t", "2000000000\t1\t", "Frame#\tTime\tA", {}), "big.trc"));
    EXPECT_FALSE(ParseTRC(d, Trc("NumFrames\tNumMarkers\t", "1\t1\t", "Frame#\tTime\t\t\t", {"1\t0"}), "none.trc"));
}

// Everything a read leaves: labels, rate, table shape and every cell's bits, or the error text.
std::string Outcome(TDataFile& d, bool ok) {
    if (!ok) return std::string("error: ") + d.GetErrorText();
    std::string out = std::to_string(d.GetNumberOfPoints()) + " x " + std::to_string(d.GetFrameCount()) + " at " +
                      std::to_string(d.GetPointRate()) + ":";
    for (int i = 0; i < d.GetNumberOfPoints(); ++i) out += " " + Label(d, i);
    out += "\n";
    out.append(reinterpret_cast<const char*>(d.points->GetData()), sizeof(double) * static_cast<size_t>(d.points->size));
    return out;
}

std::string ParseOutcome(const std::string& text, unsigned threads) {
    TDataFile d(nullptr);
    d.verbose = false;
    const bool ok = ParseTRC(d, text, "t.trc", threads);
    return Outcome(d, ok);
}

// A data line of frame f: mostly plain decimals, with every kind of field the reader meets now
// and then (missing, signed, exponent, padded, no number, decimal comma, short lines, blank lines,
// CR LF ends, fields beyond the markers).
std::string TrcDataLine(int f, int markers) {
    std::string line = std::to_string(f + 1) + "\t" + std::to_string(f * 0.01);
    for (int m = 0; m < markers; ++m)
        for (int c = 0; c < 3; ++c) {
            line += '\t';
            const int k = (f * 7 + m * 3 + c) % 97;
            switch (k) {
                case 0: break;
                case 1: line += "-0"; break;
                case 2: line += "1.5e2"; break;
                case 3: line += " +2.25 "; break;
                case 4: line += "abc"; break;
                case 5: line += "3,5"; break;
                case 6: line += "12345678901234567890.5"; break;
                case 7: line += "-.5"; break;
                default: line += std::to_string((k - 48) * 10.37 + f * 0.001); break;
            }
        }
    if (f % 101 == 5) line = line.substr(0, line.size() / 2);  // ends early
    if (f % 53 == 9) line += "\t9\t9\t9\t9";                    // more fields than markers
    if (f % 89 == 3) line += "\r";
    if (f % 61 == 0) line += "\n \t\r\n";                      // a blank line after it
    return line;
}

std::string LargeTrc(int markers, int frames, int lines, const std::string& late) {
    std::string names = "Frame#\tTime";
    for (int m = 0; m < markers; ++m) names += "\tM" + std::to_string(m) + "\t\t";
    std::vector<std::string> data;
    for (int f = 0; f < lines; ++f) data.push_back(TrcDataLine(f, markers));
    if (!late.empty()) data[data.size() - 3] = late;
    return Trc("DataRate\tNumFrames\tNumMarkers\t", "120\t" + std::to_string(frames) + "\t" + std::to_string(markers) + "\t",
               names, data);
}

TEST(TrcReader, ThreadsReadLikeOneThread) {
    // Large enough for a load to take several threads by itself.
    const int markers = 40, frames = 20000;
    const std::string late = "x\ty\t1,5\t--3\t\t\t7\t8";  // a malformed line near the end
    const std::string text = LargeTrc(markers, frames, frames + 2, late);
    ASSERT_GT(text.size(), size_t{9} << 20);
    const std::string serial = ParseOutcome(text, 1);
    ASSERT_EQ(serial.rfind("40 x 20000 at", 0), 0u) << serial.substr(0, 200);
    for (unsigned threads : {0u, 2u, 3u, 8u}) EXPECT_TRUE(ParseOutcome(text, threads) == serial) << threads;

    // The whole load, from the file, as well.
    testsupport::TempDir dir;
    const std::string path = dir.file("large.trc");
    ASSERT_TRUE(dez::WriteFileAtomically(path, text.data(), text.size()));
    TDataFile loaded(nullptr);
    loaded.verbose = false;
    EXPECT_TRUE(Outcome(loaded, loaded.ReadTRC(path.c_str())) == serial);

    // A file that ends before its last frame fails with the same words whichever way it is read.
    const std::string shortText = LargeTrc(markers, frames + 5, frames + 2, late);
    const std::string error = ParseOutcome(shortText, 1);
    const auto lineCount = std::count(shortText.begin(), shortText.end(), '\n');
    EXPECT_EQ(error, "error: t.trc: the file ends at line " + std::to_string(lineCount) + ", after 20002 of 20005 frames");
    for (unsigned threads : {0u, 3u}) EXPECT_EQ(ParseOutcome(shortText, threads), error) << threads;
}

TEST(TrcReader, ThreadsSplitSmallFilesAnywhere) {
    // Small texts cut into many pieces: line ends, blank lines, a last line without LF and the
    // lines after the last frame fall at every place of a piece.
    const std::string names = "Frame#\tTime\tA\t\t\tB\t\t\t";
    const struct {
        const char* frames;
        std::vector<std::string> lines;
    } cases[] = {
        {"3", {"1\t0\t1\t2\t3\t4\t5\t6", "", "2\t0\t7\t8\t9", "   ", "3\t0\t-1\t-2\t-3\t1e1\t2\t3"}},
        {"2", {"\r", "1\t0\t1\t2\t3\t4\t5\t6\r", "\r", "2\t0\t1.25\t\t3\t4\t5\t6\r", "3\t0\t9\t9\t9"}},
        {"1", {"", "", "", "", "", "", "", "", "1\t0\t1\t2\t3"}},
        {"4", {"1\t0\t1\t2\t3", "2\t0", "3\t0\t4\t5\t6\t7\t8\t9", ""}},  // ends a frame short
        {"1", {"1\t0\t1\t2\t3\t4\t5\t6"}},
    };
    for (const auto& c : cases) {
        for (bool lastLf : {true, false}) {
            std::string text = Trc("NumFrames\tNumMarkers\t", std::string(c.frames) + "\t2\t", names, c.lines);
            if (!lastLf) text.pop_back();
            SCOPED_TRACE(text);
            const std::string serial = ParseOutcome(text, 1);
            for (unsigned threads = 2; threads <= 9; ++threads) EXPECT_EQ(ParseOutcome(text, threads), serial) << threads;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TRB made up

struct TrbMarker {
    int16_t number;
    float v[4];
};

class TrbBuilder {
public:
    TrbBuilder& Name(uint16_t marker, const std::string& text) {
        const size_t units = (text.size() + 3) / 4 + 1;
        names_.PutU16LE(268);
        names_.PutU16LE(static_cast<uint16_t>(units));
        names_.PutU16LE(marker);
        names_.PutU16LE(0);
        names_.PutBytes(text.data(), text.size());
        names_.PutZeros(4 * (units - 1) - text.size());
        return *this;
    }
    TrbBuilder& Link(uint16_t a, uint16_t b) {
        names_.PutU16LE(269);
        names_.PutU16LE(4);
        names_.PutU16LE(0);
        names_.PutU16LE(a);
        names_.PutU16LE(b);
        names_.PutU16LE(1);
        names_.PutBytes("Link\0   ", 8);
        return *this;
    }
    TrbBuilder& Frame(uint16_t frame, const std::vector<TrbMarker>& markers, int16_t sizeDelta = 0) {
        blocks_.PutU16LE(0);
        blocks_.PutU16LE(0);
        blocks_.PutU16LE(0x0600);
        blocks_.PutU16LE(frame);
        blocks_.PutI16LE(static_cast<int16_t>(3 + 6 * markers.size() + sizeDelta));
        blocks_.PutU16LE(0);
        for (const TrbMarker& m : markers) {
            blocks_.PutI16LE(m.number);
            blocks_.PutU16LE(0);
            for (float x : m.v) blocks_.PutF32LE(x);
            blocks_.PutU32LE(0);
        }
        return *this;
    }
    // Bytes of any kind among the name and link records.
    TrbBuilder& Raw(const std::vector<uint8_t>& bytes) {
        names_.PutBytes(bytes.data(), bytes.size());
        return *this;
    }
    // `stray` bytes of 0x12345678... stand between the records and the data.
    std::vector<uint8_t> Bytes(float rate = 120.0f, size_t stray = 0) const {
        dez::ByteWriter w;
        w.PutU16LE(0);
        w.PutU16LE(0);
        w.PutU16LE(0xFFFF);
        w.PutU16LE(0xFFFF);
        const size_t offset = 60 + names_.size() + stray;
        w.PutU16LE(static_cast<uint16_t>(offset / 4 >> 16));
        w.PutU16LE(static_cast<uint16_t>(offset / 4));
        for (uint16_t tag : {257, 258, 259, 260, 261, 277}) {
            w.PutU16LE(tag);
            w.PutU16LE(1);
            if (tag == 259)
                w.PutF32LE(rate);
            else
                w.PutU32LE(7);
        }
        w.PutBytes(names_.data(), names_.size());
        const uint8_t strayBytes[4] = {0x78, 0x56, 0x34, 0x12};
        for (size_t i = 0; i < stray; ++i) w.PutBytes(&strayBytes[i % 4], 1);
        w.PutBytes(blocks_.data(), blocks_.size());
        return w.bytes();
    }

private:
    dez::ByteWriter names_, blocks_;
};

bool Parse(TDataFile& d, const std::vector<uint8_t>& bytes) {
    d.verbose = false;
    return ParseTRB(d, bytes.data(), bytes.size(), "made.trb");
}

TEST(TrbReader, NamesByMarkerNumberLinksAndSamples) {
    TrbBuilder b;
    b.Name(3, "Toe").Name(1, "Heel").Name(2, "Ankle   ").Link(1, 2).Link(2, 3);
    b.Frame(1, {{1, {1, 2, 3, 0.5f}}, {3, {7, 8, 9, 1}}}).Frame(2, {{2, {4, 5, 6, 0}}, {9, {1, 1, 1, 1}}});
    TDataFile d(nullptr);
    ASSERT_TRUE(Parse(d, b.Bytes())) << d.GetErrorText();
    EXPECT_EQ(d.GetNumberOfPoints(), 3);
    EXPECT_EQ(d.GetFrameCount(), 2);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 120.0f);
    EXPECT_EQ(Label(d, 0), "Heel");
    EXPECT_EQ(Label(d, 1), "Ankle");
    EXPECT_EQ(Label(d, 2), "Toe");
    EXPECT_STREQ(d.stickText, "1-2,2-3");
    EXPECT_EQ(X(d, 0, 3, 0), 0.5);
    EXPECT_EQ(X(d, 2, 1, 0), 8.0);
    EXPECT_EQ(X(d, 1, 2, 1), 6.0);
    EXPECT_EQ(X(d, 0, 0, 1), 0.0);  // absent from frame 2
}

TEST(TrbReader, MarkersWithoutNameKeepTheirPlace) {
    TrbBuilder b;
    b.Name(1, "A").Name(3, "C").Frame(1, {{3, {1, 2, 3, 0}}});
    TDataFile d(nullptr);
    ASSERT_TRUE(Parse(d, b.Bytes()));
    ASSERT_EQ(d.GetNumberOfPoints(), 3);
    EXPECT_EQ(Label(d, 0), "A");
    EXPECT_EQ(Label(d, 1), "Marker 2");
    EXPECT_EQ(Label(d, 2), "C");
}

TEST(TrbReader, NameKeepsBlanksBeforeItsPadding) {
    TrbBuilder b;
    b.Name(1, std::string("Knee \0  ", 8)).Frame(1, {});
    TDataFile d(nullptr);
    ASSERT_TRUE(Parse(d, b.Bytes()));
    EXPECT_EQ(Label(d, 0), "Knee ");
}

TEST(TrbReader, StickTextIsCutAfterTheLastWholeLink) {
    TrbBuilder b;
    b.Name(1, "A").Frame(1, {});
    for (int i = 0; i < 300; ++i) b.Link(1000, 2000);  // 10 characters each
    TDataFile d(nullptr);
    ASSERT_TRUE(Parse(d, b.Bytes()));
    const std::string sticks = d.stickText;
    EXPECT_LT(sticks.size(), static_cast<size_t>(kStickTextSize));
    EXPECT_EQ(sticks.substr(sticks.size() - 10), ",1000-2000");
}

TEST(TrbReader, RefusesBrokenBlocks) {
    const TrbMarker m{1, {1, 2, 3, 0}};
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"last block 4 bytes short", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(1, {m}).Frame(2, {m});
             auto v = b.Bytes();
             v.resize(v.size() - 4);
             return v;
         }(), "runs past the end"},
        {"size zero", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(1, {m}, -9);
             return b.Bytes();
         }(), "has size 0"},
        {"partial record", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(1, {m}, -1);
             auto v = b.Bytes();
             v.resize(v.size() - 4);
             return v;
         }(), "whole marker records"},
        {"no named marker", [&] {
             TrbBuilder b;
             b.Frame(1, {m});
             return b.Bytes();
         }(), "names no marker"},
        {"no frame", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(0, {m});
             return b.Bytes();
         }(), "no frame"},
        {"bad block mark", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(1, {m});
             auto v = b.Bytes();
             v[v.size() - 36 + 4] = 0x07;
             return v;
         }(), "does not begin with"},
        {"huge table", [&] {
             TrbBuilder b;
             b.Name(60000, "A").Frame(60000, {m});
             return b.Bytes();
         }(), "out of proportion"},
        {"header record", [&] {
             TrbBuilder b;
             b.Name(1, "A").Frame(1, {m});
             auto v = b.Bytes();
             v[28] = 0x04;  // tag 259 becomes 260
             return v;
         }(), "header record 259"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDataFile d(nullptr);
        EXPECT_FALSE(Parse(d, c.bytes));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_NE(std::string(d.GetErrorText()).find(c.reason), std::string::npos) << d.GetErrorText();
    }
}

// Damage among the name records loses no sample: a record of unknown tag is stepped over, a walk
// that cannot reach the data offset keeps the markers the frame records use, and the message
// says what was lost.
TEST(TrbReader, DamagedNameRecordsAreReported) {
    const std::vector<TrbMarker> three = {{1, {1, 2, 3, 0}}, {2, {4, 5, 6, 0}}, {3, {7, 8, 9, 0}}};
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::vector<std::string> labels;
        std::vector<const char*> message;
    } cases[] = {
        {"unknown record between names", [&] {
             TrbBuilder b;
             b.Name(1, "A").Raw({12, 0, 1, 0, 'x', 'y', 'z', 0}).Name(2, "B").Name(3, "C").Frame(1, three);
             return b.Bytes();
         }(), {"A", "B", "C"}, {"made.trb", "1 of unknown tag skipped (first: tag 12 at byte 72)", "every marker kept its name"}},
        {"name record lost", [&] {
             TrbBuilder b;
             b.Name(1, "A").Raw({12, 0, 1, 0, 2, 0, 0, 0}).Name(3, "C").Frame(1, three);
             return b.Bytes();
         }(), {"A", "Marker 2", "C"}, {"tag 12 at byte 72", "marker 2 has no name"}},
        {"stray bytes before the data", [&] {
             TrbBuilder b;
             b.Name(1, "A").Name(2, "B").Name(3, "C").Frame(1, three);
             return b.Bytes(120.0f, 8);
         }(), {"A", "B", "C"}, {"tag 22136 at byte 96 runs into the data at byte 104"}},
        {"name record runs into the data", [&] {
             TrbBuilder b;
             b.Name(1, "A").Raw({12, 1, 9, 0, 2, 0, 0, 0, 'B', 0, 0, 0}).Name(3, "C").Frame(1, three);
             return b.Bytes();
         }(), {"A", "Marker 2", "Marker 3"},
         {"name record at byte 72 runs into the data", "markers 2 to 3 have no name", "markers 2 to 3 have no name (above 1 known from their samples only)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDataFile d(nullptr);
        ASSERT_TRUE(Parse(d, c.bytes)) << d.GetErrorText();
        ASSERT_EQ(d.GetNumberOfPoints(), static_cast<int>(c.labels.size()));
        for (size_t m = 0; m < c.labels.size(); ++m) {
            EXPECT_EQ(Label(d, static_cast<int>(m)), c.labels[m]);
            for (int k = 0; k < 3; ++k) EXPECT_EQ(X(d, static_cast<int>(m), k, 0), 3.0 * m + k + 1);
        }
        for (const char* part : c.message)
            EXPECT_NE(std::string(d.GetErrorText()).find(part), std::string::npos) << d.GetErrorText();
    }
    // An undamaged file says nothing; records of markers above the names are not kept, and said so.
    TrbBuilder whole, beyond;
    whole.Name(1, "A").Name(2, "B").Name(3, "C").Frame(1, three);
    beyond.Name(1, "A").Frame(1, three);
    TDataFile d(nullptr), e(nullptr);
    ASSERT_TRUE(Parse(d, whole.Bytes()));
    EXPECT_STREQ(d.GetErrorText(), "");
    ASSERT_TRUE(Parse(e, beyond.Bytes()));
    EXPECT_EQ(e.GetNumberOfPoints(), 1);
    EXPECT_STREQ(e.GetErrorText(), "made.trb: frame records of markers above 1, which no name record names, not read");
}

// One damaged byte of a public sample: the tag of marker 13's name record (byte 268) becomes 12.
TEST(TrackSamples, TrbWithADamagedNameTagKeepsEveryMarker) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "gait.trb");
    TDataFile whole(nullptr);
    whole.verbose = false;
    ASSERT_TRUE(whole.LoadFile(dir.file("gait.trb").c_str(), kFileDetect, true)) << whole.GetErrorText();
    ASSERT_EQ(whole.GetNumberOfPoints(), 33);
    std::string bytes = testsupport::ReadFileBytes(dir.file("gait.trb"));
    ASSERT_EQ(static_cast<uint8_t>(bytes[269]), 0x01);
    bytes[269] = 0;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("damaged.trb"), bytes));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("damaged.trb").c_str(), kFileDetect, true)) << d.GetErrorText();
    ASSERT_EQ(d.GetNumberOfPoints(), 33);
    ASSERT_EQ(d.GetFrameCount(), whole.GetFrameCount());
    for (int m = 0; m < 33; ++m) {
        EXPECT_EQ(Label(d, m), m == 12 ? std::string("Marker 13") : Label(whole, m)) << m;
        for (int f = 0; f < d.GetFrameCount(); ++f)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(X(d, m, k, f), X(whole, m, k, f)) << m << " " << f;
    }
    const std::string message = d.GetErrorText();
    for (const char* part : {"damaged.trb", "tag 12 at byte 268", "marker 13 has no name"})
        EXPECT_NE(message.find(part), std::string::npos) << message;
}

TEST(TrbReader, EveryPrefixOfAFileFailsCleanly) {
    TrbBuilder b;
    b.Name(1, "A").Name(2, "B").Link(1, 2).Frame(1, {{1, {1, 2, 3, 0}}, {2, {4, 5, 6, 0}}}).Frame(2, {});
    const std::vector<uint8_t> full = b.Bytes();
    const size_t lastBlock = full.size() - 12;  // frame 2 has no record
    for (size_t n = 0; n < full.size(); ++n) {
        TDataFile d(nullptr);
        // Cut at a block boundary the file is whole again, only shorter.
        EXPECT_EQ(Parse(d, std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n))), n == lastBlock)
            << n;
    }
    TDataFile d(nullptr);
    EXPECT_TRUE(Parse(d, full));
}

}  // namespace
