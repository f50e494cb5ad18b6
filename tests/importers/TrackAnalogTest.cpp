// Analog companions of track files (ANC text, binary .anb), the force-plate channel groups and
// their scaling, and the plates of a .cal calibration file.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/NumberText.h"

namespace {

#define NEED_SAMPLES(dir, ...) \
    if (!testsupport::CopySamples(dir, "track", {__VA_ARGS__})) FAIL() << "sample file missing"

bool Contains(const char* text, const char* part) { return std::string(text).find(part) != std::string::npos; }

// Gives a recording analog channels of the given labels, every sample 2.
void AddAnalog(TDataFile& d, const std::vector<std::string>& labels, int samples = 3) {
    d.verbose = false;
    d.analog = new Matrix2D(static_cast<int32_t>(labels.size()), samples);
    d.analog->Fill(2.0);
    d.analogRate = 1000.0f;
    d.analogLabels = new LabelledItemList();
    for (size_t k = 0; k < labels.size(); ++k) d.analogLabels->Add(LabelledItem(static_cast<int32_t>(k + 1), labels[k].c_str()));
}

// ---------------------------------------------------------------------------------------------
// Samples

// Scale of a generation-2, 12-bit channel of range r: r x 2 / 1000 / 4096.
double Volts(double count, double range) { return count * range * 2.0 / 1000.0 / 4096.0; }

TEST(TrackCompanions, GaitWithAncAndCalibration) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "Gait.trc", "Gait.anc", "Forcepla.cal");
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true)) << d.GetErrorText();
    ASSERT_NE(d.analog, nullptr);
    EXPECT_EQ(d.GetAnalogChannelCount(), 28);
    EXPECT_EQ(d.analog->GetCols(), 5346);  // 5.345 s at 1000 Hz, and the first sample
    EXPECT_FLOAT_EQ(d.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(d.AnalogLabel(1), "f1x");
    EXPECT_EQ(d.AnalogLabel(28), "R Jum Int");
    EXPECT_FALSE(gAnalogIs16Bit);
    // Plate channels carry the factor -25 (12-bit file), in single precision, and then their
    // plate's calibration matrix; the others only their range. "L Rectus" 64 (range 1000).
    EXPECT_DOUBLE_EQ(d.analog->GetValue(12, 0), Volts(64, 1000));
    EXPECT_DOUBLE_EQ(d.analog->GetValue(27, 5345), Volts(0, 2500) + d.analog->GetValue(27, 5345));

    ASSERT_EQ(d.plateCount, 2);
    int32_t type = 0, channels[8] = {};
    double corners[12] = {}, origin[3] = {};
    ASSERT_TRUE(d.GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(channels[0], 7);
    EXPECT_EQ(channels[5], 12);
    // Plate 2: 60.96 x 91.44 cm centred on (44.79, 29.47, 0), turned by rows (0 -1 0) (-1 0 0).
    const double expectCorner1[3] = {(-45.72 + 44.79) * 10, (-30.48 + 29.47) * 10, 0.0};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(corners[k], expectCorner1[k], 1e-3) << k;
    EXPECT_NEAR(origin[2], -52.979, 1e-3);

    // Forces over the trial: finite, a stance on each plate, centres of pressure on the plate.
    for (int plate = 0; plate < 2; ++plate) {
        SCOPED_TRACE(plate);
        ASSERT_TRUE(d.GetPlateGeometry(plate, &type, channels, corners, origin));
        double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 2; ++k) {
                lo[k] = std::min(lo[k], corners[3 * c + k]);
                hi[k] = std::max(hi[k], corners[3 * c + k]);
            }
        double peak = 0.0;
        int loaded = 0;
        for (int s = 0; s < d.analog->GetCols(); ++s) {
            TPlateForces f;
            ASSERT_TRUE(d.GetPlateForces(plate, s, &f, 20.0f, false));
            for (float v : f.force) ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(static_cast<double>(f.force[2])));
            if (std::fabs(f.force[2]) > 50.0f) {
                ++loaded;
                for (int k = 0; k < 2; ++k) {
                    EXPECT_GE(f.cop[k] * 1000.0, lo[k] - 50.0) << s;
                    EXPECT_LE(f.cop[k] * 1000.0, hi[k] + 50.0) << s;
                }
            }
        }
        EXPECT_GT(peak, 50.0);
        EXPECT_LT(peak, 2000.0);
        EXPECT_GT(loaded, 200);  // a stance of a few hundred milliseconds
    }
}

// The laboratory's own C3D of the same trial holds the calibrated channels; the track files and
// the calibration file must give the same plates.
TEST(TrackCompanions, GaitPlatesEqualTheLaboratoryC3D) {
    testsupport::TempDir dir;
    NEED_SAMPLES(dir, "Gait.trc", "Gait.anc", "Forcepla.cal", "Gait.c3d");
    TDataFile track(nullptr), c3d(nullptr);
    track.verbose = c3d.verbose = false;
    ASSERT_TRUE(track.LoadFile(dir.file("Gait.trc").c_str(), kFileDetect, true)) << track.GetErrorText();
    ASSERT_TRUE(c3d.LoadFile(dir.file("Gait.c3d").c_str(), kFileDetect, true)) << c3d.GetErrorText();
    ASSERT_EQ(track.plateCount, 2);
    ASSERT_EQ(c3d.plateCount, 2);
    ASSERT_GE(track.analog->GetCols(), c3d.analog->GetCols());  // the C3D stops earlier
    const int samples = c3d.analog->GetCols();

    for (int p = 0; p < 2; ++p) {
        int32_t type[2] = {}, channels[2][8] = {};
        double corners[2][12] = {}, origin[2][3] = {};
        ASSERT_TRUE(track.GetPlateGeometry(p, &type[0], channels[0], corners[0], origin[0]));
        ASSERT_TRUE(c3d.GetPlateGeometry(p, &type[1], channels[1], corners[1], origin[1]));
        EXPECT_EQ(type[0], type[1]);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(channels[0][k], channels[1][k]);
        for (int k = 0; k < 12; ++k) EXPECT_NEAR(corners[0][k], corners[1][k], 1e-3) << "plate " << p << " corner value " << k;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(origin[0][k], origin[1][k], 1e-3) << "plate " << p << " origin " << k;
    }

    // The C3D declares a baseline range (FORCE_PLATFORM:ZERO); the track files declare none and
    // take the same one as the laboratory's export, so both read the same out of the box. The
    // results agree whenever both use the same one.
    const int32_t c3dZero[2] = {c3d.plateZero[0], c3d.plateZero[1]};
    ASSERT_EQ(c3dZero[0], 1);
    EXPECT_EQ(track.plateZero[0], c3dZero[0]);
    EXPECT_EQ(track.plateZero[1], c3dZero[1]);
    const struct {
        const char* what;
        int32_t zero[2];
    } baselines[] = {{"without baseline", {0, 0}}, {"with the C3D's baseline", {c3dZero[0], c3dZero[1]}}};
    // Peaks of the vertical force and the samples where they occur.
    const double peakFz[2] = {798.0, 871.0};
    const int peakAt[2] = {3005, 2529};
    for (const auto& b : baselines) {
        SCOPED_TRACE(b.what);
        track.plateZero[0] = c3d.plateZero[0] = b.zero[0];
        track.plateZero[1] = c3d.plateZero[1] = b.zero[1];
        track.InvalidatePlateCache();
        c3d.InvalidatePlateCache();
        for (int p = 0; p < 2; ++p) {
            SCOPED_TRACE(p);
            std::vector<TPlateForces> ours(static_cast<size_t>(samples)), theirs(static_cast<size_t>(samples));
            double peakF = 0, peakM = 0, peakZ = 0;
            int top = 0;
            for (int s = 0; s < samples; ++s) {
                ASSERT_TRUE(track.GetPlateForces(p, s, &ours[static_cast<size_t>(s)], 20.0f, false));
                ASSERT_TRUE(c3d.GetPlateForces(p, s, &theirs[static_cast<size_t>(s)], 20.0f, false));
                const TPlateForces& t = theirs[static_cast<size_t>(s)];
                peakF = std::max<double>(peakF, std::hypot(t.force[0], t.force[1], t.force[2]));
                peakM = std::max<double>(peakM, std::hypot(t.moment[0], t.moment[1], t.moment[2]));
                if (t.force[2] > peakZ) peakZ = t.force[2], top = s;
            }
            if (b.zero[0] != 0) {
                EXPECT_NEAR(peakZ, peakFz[p], 1.0);
            }
            EXPECT_NEAR(top, peakAt[p], 5);
            // A tenth of a percent of the peak: a transposed matrix would still pass at 1 %.
            int pressed = 0;
            for (int s = 0; s < samples; ++s) {
                const TPlateForces& a = ours[static_cast<size_t>(s)];
                const TPlateForces& c = theirs[static_cast<size_t>(s)];
                for (int k = 0; k < 3; ++k) {
                    ASSERT_NEAR(a.force[k], c.force[k], 0.001 * peakF) << "sample " << s << " force " << k;
                    ASSERT_NEAR(a.moment[k], c.moment[k], 0.001 * peakM) << "sample " << s << " moment " << k;
                }
                // Centres of pressure where the plate carries a tenth of the peak: within a
                // millimetre, on the surface.
                if (c.force[2] > 0.1 * peakZ) {
                    ++pressed;
                    for (int k = 0; k < 3; ++k) ASSERT_NEAR(a.cop[k], c.cop[k], 1e-3) << "sample " << s << " cop " << k;
                }
            }
            EXPECT_GT(pressed, 300);
        }
    }
}

TEST(TrackCompanions, BinaryTrackTakesTheBinaryAnalogFile) {
    testsupport::TempDir text, binary;
    NEED_SAMPLES(text, "Gait.trc", "Gait.anc", "Forcepla.cal");
    NEED_SAMPLES(binary, "gait.trb", "Gait.anb", "Forcepla.cal");
    TDataFile a(nullptr), b(nullptr);
    a.verbose = b.verbose = false;
    ASSERT_TRUE(a.LoadFile(text.file("Gait.trc").c_str(), kFileDetect, true));
    ASSERT_TRUE(b.LoadFile(binary.file("gait.trb").c_str(), kFileDetect, true)) << b.GetErrorText();
    ASSERT_TRUE(a.analog && b.analog);
    ASSERT_EQ(b.analog->GetRows(), 28);
    ASSERT_EQ(b.analog->GetCols(), a.analog->GetCols());
    EXPECT_FLOAT_EQ(b.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(b.plateCount, 2);
    for (int k = 1; k <= 28; ++k) EXPECT_EQ(a.AnalogLabel(k), b.AnalogLabel(k)) << k;
    for (int s = 0; s < a.analog->GetCols(); ++s)
        for (int k = 0; k < 28; ++k) ASSERT_DOUBLE_EQ(a.analog->GetValue(k, s), b.analog->GetValue(k, s)) << k << " " << s;
}

// What a load writes to standard output, which the main window shows in its Log.
class CaptureLog {
public:
    CaptureLog() : old_(std::cout.rdbuf(text_.rdbuf())) {}
    ~CaptureLog() { std::cout.rdbuf(old_); }
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};

TEST(TrackCompanions, BrokenCompanionsLeaveTheTrackLoaded) {
    const struct {
        std::vector<std::string> files;
        std::vector<const char*> log;
        bool analog;
        int plates;
    } cases[] = {
        {{"Gait.trc", "Truncated.anc>Gait.anc"}, {"more than the file holds"}, false, 0},
        {{"Gait.trc", "Empty.anc>Gait.anc"}, {"not an ANC file"}, false, 0},
        {{"gait.trb", "Truncated.anb>gait.anb"}, {"claims"}, false, 0},
        // The ANC file serves when the binary one cannot be read.
        {{"gait.trb", "Truncated.anb>gait.anb", "Gait.anc"},
         {"claims", "gait.trb: no calibration file; plate channels scaled by -25"},
         true,
         0},
        // A whole first block: one plate, and the file ends where the second would begin.
        {{"Gait.trc", "Gait.anc", "shd01_truncated.cal"}, {"Gait.trc: 1 force plate from shd01_truncated.cal"}, true, 1},
        // Six numbered blocks for the two channel groups of the analog file.
        {{"Gait.trc", "Gait.anc", "forcepla6.cal"},
         {"plate 3 has no channels", "Gait.trc: 2 force plates from forcepla6.cal"},
         true,
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.back());
        testsupport::TempDir dir;
        if (!testsupport::CopySamples(dir, "track", c.files)) FAIL() << "sample file missing";
        TDataFile d(nullptr);
        CaptureLog log;
        ASSERT_TRUE(d.LoadFile(dir.file(c.files.front()).c_str(), kFileDetect, true));
        EXPECT_EQ(d.analog != nullptr, c.analog);
        EXPECT_EQ(d.plateCount, c.plates);
        for (const char* line : c.log) EXPECT_TRUE(Contains(log.text().c_str(), line)) << log.text();
    }
}

// The calibration file named like the track comes first, then the first that yields a plate; a
// file without plates leaves the channels scaled as when there is none.
TEST(TrackCompanions, CalibrationFileChoice) {
    const float scaledF1x = static_cast<float>(static_cast<float>(Volts(30, 10000)) * -25.0f);
    const struct {
        std::vector<std::string> files;
        const char* log;
        int plates;
    } cases[] = {
        {{"Gait.trc", "Gait.anc", "Empty.cal"}, "Gait.trc: no calibration file gives a plate; plate channels scaled by -25", 0},
        {{"Gait.trc", "Gait.anc", "Empty.cal", "Forcepla.cal"}, "Gait.trc: 2 force plates from Forcepla.cal", 2},
        {{"Gait.trc", "Gait.anc", "Forcepla.cal", "shd01_truncated.cal>Gait.cal"}, "Gait.trc: 1 force plate from Gait.cal", 1},
        {{"gait.trb", "Gait.anb", "Forcepla.cal", "shd01_truncated.cal>GAIT.cal"}, "gait.trb: 1 force plate from GAIT.cal", 1},
        // A name-matching file without plates gives way to the next.
        {{"Gait.trc", "Gait.anc", "Empty.cal>Gait.cal", "Forcepla.cal"}, "Gait.trc: 2 force plates from Forcepla.cal", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log);
        testsupport::TempDir dir;
        if (!testsupport::CopySamples(dir, "track", c.files)) FAIL() << "sample file missing";
        TDataFile d(nullptr);
        CaptureLog log;
        ASSERT_TRUE(d.LoadFile(dir.file(c.files.front()).c_str(), kFileDetect, true));
        ASSERT_NE(d.analog, nullptr);
        EXPECT_EQ(d.plateCount, c.plates);
        EXPECT_TRUE(Contains(log.text().c_str(), c.log)) << log.text();
        EXPECT_TRUE(Contains(d.GetErrorText(), c.log)) << d.GetErrorText();
        // f1x's first sample is 30: scaled alone without plates, calibrated with them.
        if (c.plates == 0) {
            EXPECT_DOUBLE_EQ(d.analog->GetValue(0, 0), scaledF1x);
        } else {
            EXPECT_NE(d.analog->GetValue(0, 0), scaledF1x);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// ANC made up

std::string Anc(int generation, const std::string& duration, int channels, int bits, const std::string& rate,
                const std::string& names, const std::string& ranges, const std::string& samples) {
    return "File_Type:\tAnalog R/C ASCII\tGeneration#:\t" + std::to_string(generation) +
           "\nBoard_Type:\tX\tPolarity:\tBipolar\nTrial_Name:\tt\tDuration(Sec.):\t" + duration + "\t#Channels:\t" +
           std::to_string(channels) + "\nBitDepth:\t" + std::to_string(bits) + "\tPreciseRate:\t" + rate +
           "\n\n\n\n\nName\t" + names + "\t\nRate\t1000\t1000\t\nRange\t" + ranges + "\t\n" + samples;
}

TEST(AncReader, SampleCountAndScale) {
    std::string samples;
    for (int s = 0; s < 2501; ++s) samples += "0.0\t2048\t-2048\n";
    const struct {
        int generation;
        double expected;
    } cases[] = {{2, 10.0}, {1, 2048.0 * 4096 / 10000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.generation);
        TDataFile d(1, 1, 100.0f, 0, 1, 3);
        ASSERT_TRUE(ParseANC(d, Anc(c.generation, "2.5", 2, 12, "1000", "A\tB", "10000\t10000", samples), "a.anc"))
            << d.GetErrorText();
        EXPECT_EQ(d.analog->GetCols(), 2501);
        EXPECT_DOUBLE_EQ(d.analog->GetValue(0, 2500), c.expected);
        EXPECT_DOUBLE_EQ(d.analog->GetValue(1, 0), -c.expected);
        EXPECT_EQ(d.analogLabels->GetItem(0)->id, 0);  // ids count channels from 0
    }
}

TEST(AncReader, ChannelsCountedAndNamed) {
    // Three values per sample, two names: the third value is read and not stored.
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    ASSERT_TRUE(ParseANC(d, Anc(2, "0.001", 3, 16, "1000", "A\tB", "1000\t1000", "0 1 2 3\r\n0 4 5 6\n"), "a.anc"));
    EXPECT_TRUE(gAnalogIs16Bit);
    EXPECT_EQ(d.analog->GetRows(), 2);
    EXPECT_DOUBLE_EQ(d.analog->GetValue(1, 1), 5 * 2.0 / 65536);
}

TEST(AncReader, RefusesWhatCannotBeRead) {
    const std::string two = "0 1 2\n0 1 2\n";
    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        {"signature", "File_Type:\tAnalog\n", "not an ANC file"},
        {"generation", Anc(3, "0.001", 2, 12, "1000", "A\tB", "1\t1", two), "generation 3"},
        {"no channel", Anc(2, "0.001", 0, 12, "1000", "A\tB", "1\t1", two), "#Channels"},
        {"no name row", [&] {
             std::string t = Anc(2, "0.001", 2, 12, "1000", "A\tB", "1\t1", two);
             t.replace(t.find("\nName") + 1, 4, "Nom ");
             return t;
         }(), "names no channel"},
        {"zero range", Anc(2, "0.001", 2, 12, "1000", "A\tB", "1\t0", two), "range 0"},
        {"missing range", Anc(2, "0.001", 2, 12, "1000", "A\tB", "1", two), "1 ranges for 2 channels"},
        {"ends early", Anc(2, "0.003", 2, 12, "1000", "A\tB", "1\t1", "0.000 1.000 2.000\n0.001 1.000 2.000\n0.002 1.000 2.000\n0.003 1"),
         "sample 4 of 4"},
        {"not a number", Anc(2, "0.001", 2, 12, "1000", "A\tB", "1\t1", "0 1 2\n0 x 2\n"), "not a number"},
        {"huge duration", Anc(2, "1e300", 2, 12, "1000", "A\tB", "1\t1", two), "more than the file holds"},
        {"bit depth", Anc(2, "0.001", 2, 2000, "1000", "A\tB", "1\t1", two), "BitDepth"},
        {"no rate", Anc(2, "0.001", 2, 12, "0", "A\tB", "1\t1", two), "PreciseRate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDataFile d(1, 1, 100.0f, 0, 1, 3);
        d.verbose = false;
        EXPECT_FALSE(ParseANC(d, c.text, "a.anc"));
        EXPECT_EQ(d.analog, nullptr);
        EXPECT_TRUE(Contains(d.GetErrorText(), c.reason)) << d.GetErrorText();
    }
}

// Everything an ANC read leaves: rate, labels, table shape and every cell's bits, or the error text.
std::string AncOutcome(const std::string& text, unsigned threads) {
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    d.verbose = false;
    if (!ParseANC(d, text, "a.anc", threads)) return std::string("error: ") + d.GetErrorText();
    std::string out = std::to_string(d.analogRate) + " " + std::to_string(d.analog->GetRows()) + " x " +
                      std::to_string(d.analog->GetCols()) + ":";
    for (int n = 1; n <= d.analog->GetRows(); ++n) out += " " + d.AnalogLabel(n);
    out += "\n";
    out.append(reinterpret_cast<const char*>(d.analog->GetData()), sizeof(double) * static_cast<size_t>(d.analog->size));
    return out;
}

TEST(AncReader, ThreadsReadLikeOneThread) {
    // Large enough for a load to take several threads by itself: 6 channels counted, 8 named.
    const int samples = 250000;
    std::vector<std::string> words;
    for (int s = 0; s < samples; ++s) {
        words.push_back(dez::Format("%.3f", s / 1000.0));
        for (int k = 0; k < 6; ++k) {
            const int v = (s * 31 + k * 977) % 4096 - 2048;
            switch ((s + k) % 211) {
                case 0: words.push_back((v >= 0 ? "+" : "") + std::to_string(v)); break;
                case 1: words.push_back("1e3"); break;
                case 2: words.push_back(".5"); break;
                case 3: words.push_back("-0"); break;
                default: words.push_back(std::to_string(v)); break;
            }
        }
    }
    // Line ends carry no meaning: they fall anywhere, with runs of blanks, tabs and CR LF.
    auto join = [&words] {
        std::string text;
        for (size_t i = 0; i < words.size(); ++i) {
            text += words[i];
            text += i % 7 == 6 ? "\n" : i % 1001 == 5 ? " \t \r\n" : i % 13 == 0 ? "\n" : " ";
        }
        return text;
    };
    const auto anc = [](const std::string& body) {
        return Anc(2, "249.999", 6, 12, "1000", "A\tB\tC\tD\tE\tF\tG\tH", "1\t2\t3\t4\t5\t6\t7\t8", body);
    };
    const std::string text = anc(join());
    ASSERT_GT(text.size(), size_t{8} << 20);
    const std::string serial = AncOutcome(text, 1);
    ASSERT_EQ(serial.rfind("1000.000000 8 x 250000: A B C D E F  \n", 0), 0u) << serial.substr(0, 100);
    for (unsigned threads : {0u, 2u, 3u, 8u}) EXPECT_TRUE(AncOutcome(text, threads) == serial) << threads;

    // Failures give the same words whichever way the text is read: the first in the file wins.
    const size_t late = words.size() - 40, later = words.size() - 9;
    words[later] = "1,5";
    const std::string oneBad = anc(join());
    words[late] = "x";
    const std::string twoBad = anc(join());
    std::string shortText = text;
    shortText.resize(shortText.size() - 12);
    const struct {
        const std::string& text;
        std::string error;
    } failures[] = {
        {oneBad, dez::Format("error: a.anc: sample %d of channel %d is not a number", samples - 1, 5)},
        {twoBad, dez::Format("error: a.anc: sample %d of channel %d is not a number", samples - 5, 2)},
        {shortText, dez::Format("error: a.anc: the samples end at sample %d of %d", samples, samples)},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(AncOutcome(f.text, 1), f.error);
        for (unsigned threads : {0u, 3u}) EXPECT_EQ(AncOutcome(f.text, threads), f.error) << threads;
    }
}

TEST(AncReader, SixteenBitFlagLastsOneLoad) {
    testsupport::TempDir dir;
    const std::string trc =
        "PathFileType\t4\n"
        "NumFrames\tNumMarkers\t\n1\t1\t\nFrame#\tTime\tA\t\t\t\n\t\tX1\tY1\tZ1\n1\t0\t1\t2\t3\t\n";
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("a.trc"), trc));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("b.trc"), trc));
    ASSERT_TRUE(testsupport::WriteFileBytes(
        dir.file("a.anc"), Anc(2, "0.001", 6, 16, "1000", "FX\tFY\tFZ\tMX\tMY\tMZ", "1000\t1000\t1000\t1000\t1000\t1000",
                               "0 1 1 1 1 1 1\n0 1 1 1 1 1 1\n")));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("a.trc").c_str(), kFileDetect, true));
    EXPECT_TRUE(gAnalogIs16Bit);
    ASSERT_NE(d.analog, nullptr);
    EXPECT_FLOAT_EQ(static_cast<float>(d.analog->GetValue(2, 1)), -static_cast<float>(2.0 / 65536));  // factor -1
    ASSERT_TRUE(d.LoadFile(dir.file("b.trc").c_str(), kFileDetect, true));
    EXPECT_FALSE(gAnalogIs16Bit);
}

// ---------------------------------------------------------------------------------------------
// Binary analog made up

struct AnbLayout {
    uint32_t channels = 4;
    uint32_t dataUnits = 403;
    uint16_t range = 10000;
    int32_t headerDelta = 0;
};

std::vector<uint8_t> Anb(const AnbLayout& l, const std::vector<int16_t>& samples) {
    dez::ByteWriter w, body;
    auto tagInt = [](dez::ByteWriter& o, uint16_t tag, uint32_t v) {
        o.PutU16LE(tag);
        o.PutU16LE(1);
        o.PutU16LE(static_cast<uint16_t>(v >> 16));
        o.PutU16LE(static_cast<uint16_t>(v));
    };
    int32_t sum = 2;  // the header size record itself
    tagInt(body, 257, 9);
    sum += 2;
    body.PutU16LE(264);
    body.PutI16LE(2);
    body.PutBytes("Board\0\0\0", 8);
    sum += 3;
    tagInt(body, 265, 12);
    sum += 2;
    tagInt(body, 266, 0x447A0000);  // 1000.0f
    sum += 2;
    tagInt(body, 258, l.channels);
    sum += 2;
    body.PutU16LE(259);
    body.PutI16LE(1);
    body.PutU32LE(0);
    sum += 2;
    const int16_t pairs = static_cast<int16_t>((l.channels + 1) / 2);
    body.PutU16LE(260);
    body.PutI16LE(pairs);
    for (int i = 0; i < 2 * pairs; ++i) body.PutU16LE(1000);
    sum += pairs + 1;
    tagInt(body, 261, 0);
    sum += 2;
    body.PutU16LE(262);
    body.PutI16LE(pairs);
    for (int i = 0; i < 2 * pairs; ++i) body.PutU16LE(l.range);
    sum += pairs + 1;
    for (uint32_t k = 0; k < l.channels; ++k) {
        body.PutU16LE(263);
        body.PutI16LE(1);
        const std::string n = "C" + std::to_string(k + 1);
        body.PutBytes(n.data(), n.size());
        body.PutZeros(4 - n.size());
        sum += 2;
    }
    w.PutU32LE(0);
    tagInt(w, 0x8000, static_cast<uint32_t>(1 + sum + l.headerDelta));
    w.PutBytes(body.data(), body.size());
    w.PutU32LE(0);
    tagInt(w, 0x8100, l.dataUnits);
    for (int16_t s : samples) w.PutI16LE(s);
    return w.bytes();
}

TEST(BinaryAnalogReader, SamplesAndScale) {
    std::vector<int16_t> samples(800);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(static_cast<int>(i) - 400);
    const std::vector<uint8_t> bytes = Anb(AnbLayout{}, samples);
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    ASSERT_TRUE(ParseBinaryAnalog(d, bytes.data(), bytes.size(), "a.anb")) << d.GetErrorText();
    EXPECT_EQ(d.analog->GetRows(), 4);
    EXPECT_EQ(d.analog->GetCols(), 200);  // (2 x 403 - 6) / 4
    EXPECT_FLOAT_EQ(d.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(d.AnalogLabel(4), "C4");
    EXPECT_DOUBLE_EQ(d.analog->GetValue(1, 0), -399 * 20.0 / 4096);  // signed samples
    EXPECT_DOUBLE_EQ(d.analog->GetValue(3, 199), 399 * 20.0 / 4096);
}

TEST(BinaryAnalogReader, RefusesWhatCannotBeRead) {
    const std::vector<int16_t> samples(800, 1);
    const struct {
        const char* what;
        AnbLayout layout;
        size_t drop;  // bytes cut from the end
        const char* reason;
    } cases[] = {
        {"no channel", {0, 403, 10000, 0}, 0, "channel count is 0"},
        {"zero range", {4, 403, 0, 0}, 0, "range 0"},
        {"header size", {4, 403, 10000, 1}, 0, "header size"},
        {"data beyond the file", {4, 404, 10000, 0}, 0, "claims"},
        {"no sample", {4, 3, 10000, 0}, 0, "no sample"},
        // 1612 bytes of data section; the last name record is 8 bytes.
        {"cut in the names", {4, 403, 10000, 0}, 1612 + 4, "header record 263"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = Anb(c.layout, samples);
        bytes.resize(bytes.size() - c.drop);
        TDataFile d(1, 1, 100.0f, 0, 1, 3);
        d.verbose = false;
        EXPECT_FALSE(ParseBinaryAnalog(d, bytes.data(), bytes.size(), "a.anb"));
        EXPECT_EQ(d.analog, nullptr);
        EXPECT_TRUE(Contains(d.GetErrorText(), c.reason)) << d.GetErrorText();
    }
}

// ---------------------------------------------------------------------------------------------
// Plate channel groups and calibration

TEST(PlateChannels, GroupsByLabelForm) {
    const struct {
        std::vector<std::string> labels;
        int groups;
        int firstChannel;
    } cases[] = {
        {{"Fx1", "Fy1", "Fz1", "Mx1", "My1", "Mz1"}, 1, 1},
        {{"emg", "F1X", "F1Y", "F1Z", "M1X", "M1Y", "M1Z"}, 1, 2},
        {{"FP1FX", "FP1FY", "FP1FZ", "FP1MX", "FP1MY", "FP1MZ"}, 1, 1},
        {{"FX9", "FY9", "FZ9", "MX9", "MY9", "MZ9"}, 0, 0},
        {{"F9X", "F9Y", "F9Z", "M9X", "M9Y", "M9Z"}, 1, 1},
        {{"FX", "FY", "FZ", "MX", "MY", "MZ", "Fx2", "Fy2", "Fz2", "Mx2", "My2", "Mz2"}, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.labels[0]);
        TDataFile d(1, 1, 100.0f, 0, 1, 3);
        AddAnalog(d, c.labels);
        const std::vector<PlateChannelGroup> groups = FindAllPlateChannelGroups(d);
        ASSERT_EQ(static_cast<int>(groups.size()), c.groups);
        if (c.groups) {
            EXPECT_EQ(groups[0][0], c.firstChannel);
            EXPECT_EQ(groups[0][5], c.firstChannel + 5);
        }
        const bool scaled = d.ScaleForcePlateChannels();
        EXPECT_EQ(scaled, c.groups > 0);
        if (c.groups) {
            EXPECT_DOUBLE_EQ(d.analog->GetValue(c.firstChannel - 1, 2), -50.0);
        }
    }
}

const char* const kBlock =
    "%d plate\n"
    "0.4 0.6 0.9\n"
    "1 0 0 0 0 0\n0 1 0 0 0 0\n0 0 1 0 0 0\n0 0 0 1 0 0\n0 0 0 0 1 0\n0 0 0 0 0 1\n"
    "0.1 0.2 -3.5\n"
    "1 2 3\n"
    "1 0 0\n0 1 0\n0 0 1\n";

std::string Block(int n) { return dez::Format(kBlock, n); }

const std::vector<std::string> kTwoPlates = {"FX1", "FY1", "FZ1", "MX1", "MY1", "MZ1",
                                             "FX2", "FY2", "FZ2", "MX2", "MY2", "MZ2"};

TEST(CalFile, PlateCornersAndOrigin) {
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
        AddAnalog(d, kTwoPlates);
    ParseCalFile(d, Block(1), "p.cal");
    ASSERT_EQ(d.plateCount, 1);
    int32_t type = 0, channels[8] = {};
    double corners[12] = {}, origin[3] = {};
    ASSERT_TRUE(d.GetPlateGeometry(0, &type, channels, corners, origin));
    // The surface at the position's height; the origin turned round to the surface centre as
    // seen from the transducer.
    const double expected[12] = {13, 24.5, 30, 7, 24.5, 30, 7, 15.5, 30, 13, 15.5, 30};
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(corners[k], expected[k], 1e-5) << k;
    EXPECT_NEAR(origin[0], -1.0, 1e-6);
    EXPECT_NEAR(origin[1], -2.0, 1e-6);
    EXPECT_NEAR(origin[2], 35.0, 1e-6);
    EXPECT_EQ(channels[0], 1);
    EXPECT_DOUBLE_EQ(d.analog->GetValue(0, 0), -50.0);  // plate 1 scaled
    EXPECT_DOUBLE_EQ(d.analog->GetValue(6, 0), 2.0);    // plate 2 not
}

TEST(CalFile, BlocksThatStopTheReading) {
    std::string wide = Block(1);
    wide.replace(wide.find("0.4 0.6 0.9"), 11, "0.4 0.6");
    std::string short_ = Block(1) + Block(2);
    short_.resize(short_.size() - 6);  // rotation row 3 of plate 2 missing
    const struct {
        const char* what;
        std::string text;
        int plates;
        const char* reason;
    } cases[] = {
        {"first block numbered 2", Block(2), 0, "plate 2 where plate 1"},
        {"plate beyond the groups", Block(1) + Block(2) + Block(3), 2, "plate 3 has no channels"},
        {"two dimensions", wide, 0, "three plate dimensions"},
        {"cut in the rotation", short_, 1, "rotation row 3"},
        {"words after the name", "1 plate one\n", 0, "more than a plate name"},
        {"three matrix rows", "1\n1 1 1\n1 2 3 4\n1 2 3 4\n1 2 3 4\n1 2 3\n", 0, "3 rows"},
        {"trailing blank lines", Block(1) + Block(2) + "\n\n", 2, ""},
        {"4 x 4 matrix", [] {
             std::string b = Block(1);
             b.replace(b.find("1 0 0 0 0 0"), 71, "1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1");
             return b;
         }(), 1, "not the 6 x 6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TDataFile d(1, 1, 100.0f, 0, 1, 3);
        AddAnalog(d, kTwoPlates);
        ParseCalFile(d, c.text, "p.cal");
        EXPECT_EQ(d.plateCount, c.plates);
        EXPECT_TRUE(Contains(d.GetErrorText(), c.reason)) << d.GetErrorText();
        // Plate 2's channels are scaled only when its block was read whole.
        EXPECT_DOUBLE_EQ(d.analog->GetValue(6, 0), c.plates == 2 ? -50.0 : 2.0);
    }
}

// Rows of the matrix are the outputs FX FY FZ MX MY MZ, columns the scaled channels in the same
// order; moment rows give N.m, stored as N.mm.
TEST(CalFile, MatrixRowsGiveForcesAndMoments) {
    std::string text = Block(1);
    text.replace(text.find("1 0 0 0 0 0"), 71,
                 "2 0 0 0 0 0.1\n0 1 0 0 0 0\n0 0 1 0 0 0\n0.01 0 0 1 0 0\n0 0 0 0 1 0\n0 0 0 0 0 0.5");
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    AddAnalog(d, kTwoPlates);
    for (int k = 0; k < 12; ++k) d.analog->SetValue(k, 1, k + 1.0);  // column 1: channels 1, 2, ... 12
    ASSERT_EQ(ParseCalFile(d, text, "p.cal"), 1);
    const double in[6] = {-25, -50, -75, -100, -125, -150};  // after the factor -25
    const double expected[6] = {2 * in[0] + 0.1 * in[5], in[1], in[2], (0.01 * in[0] + in[3]) * 1000, in[4] * 1000,
                                0.5 * in[5] * 1000};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(d.analog->GetValue(k, 1), expected[k], 1e-9) << k;
    for (int k = 6; k < 12; ++k) EXPECT_EQ(d.analog->GetValue(k, 1), k + 1.0) << k;  // plate 2 untouched
}

TEST(CalFile, NoChannelGroupNoPlate) {
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
        AddAnalog(d, {"a", "b", "c", "d", "e"});
    ParseCalFile(d, Block(1), "p.cal");
    EXPECT_EQ(d.plateCount, 0);
}

}  // namespace
