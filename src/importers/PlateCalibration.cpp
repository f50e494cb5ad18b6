// Force-plate channels of a track file's analog companion: their scaling, and the plates that a
// calibration file (*.cal beside the track) describes.
#include <string>
#include <vector>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

size_t WordCount(std::string_view text) {
    size_t n = 0;
    bool inWord = false;
    for (char c : text) {
        const bool blank = static_cast<unsigned char>(c) <= 32;
        if (!blank && !inWord) ++n;
        inWord = !blank;
    }
    return n;
}

// Every sample of the group's channels times the plate factor, in single precision as the
// recorders computed it.
void ScaleGroup(Matrix2D& table, const PlateChannelGroup& group) {
    const float factor = gAnalogIs16Bit ? -1.0f : -25.0f;
    const int32_t rows = table.GetRows();
    for (int32_t col = 0; col < table.GetCols(); ++col) {
        for (int32_t channel : group) {
            if (channel < 1 || channel > rows) continue;
            const float v = static_cast<float>(table.GetValue(channel - 1, col));
            table.SetValue(channel - 1, col, static_cast<float>(v * factor));
        }
    }
}

void Warn(TDataFile& d, const std::string& name, int32_t line, const std::string& what) {
    d.SetErrorText(dez::Format("%s line %d: %s", name.c_str(), line, what.c_str()).c_str());
}

// Newton-metres of a calibration matrix's moment rows to the newton-millimetres of the plate
// records (whose geometry is in the point table's millimetres).
constexpr double kMomentToPointUnits = 1000.0;

// The calibration matrix of a plate block turns the group's scaled channels, in the order
// FX FY FZ MX MY MZ, into forces (rows 1-3, N) and moments about the transducer origin (rows
// 4-6, N.m): out[r] = sum over c of matrix[r][c] x channel[c]. Moments are stored in N.mm.
void CalibrateGroup(Matrix2D& table, const PlateChannelGroup& group, const double (&matrix)[6][6]) {
    const int32_t rows = table.GetRows();
    for (int32_t channel : group)
        if (channel < 1 || channel > rows) return;
    for (int32_t col = 0; col < table.GetCols(); ++col) {
        double in[6];
        for (int c = 0; c < 6; ++c) in[c] = table.GetValue(group[static_cast<size_t>(c)] - 1, col);
        for (int r = 0; r < 6; ++r) {
            double out = 0.0;
            for (int c = 0; c < 6; ++c) out += matrix[r][c] * in[c];
            if (r >= 3) out *= kMomentToPointUnits;
            table.SetValue(group[static_cast<size_t>(r)] - 1, col, out);
        }
    }
}

}  // namespace

bool TDataFile::ScaleForcePlateChannels() {
    const std::vector<PlateChannelGroup> plateGroups = FindAllPlateChannelGroups(*this);
    if (plateGroups.empty()) return false;
    for (const PlateChannelGroup& g : plateGroups) ScaleGroup(*analog, g);
    InvalidatePlateCache();
    return true;
}

int32_t ParseCalFile(TDataFile& d, std::string_view text, const std::string& name) {
    const int32_t platesBefore = d.plateCount;
    const std::vector<PlateChannelGroup> groups = FindAllPlateChannelGroups(d);
    if (groups.empty()) return 0;
    // A block that stops the reading keeps the plates of the blocks before it.
    auto stop = [&](int32_t line, const std::string& what) {
        Warn(d, name, line, what);
        return d.plateCount - platesBefore;
    };
    const int32_t highestPlate = d.analog->GetRows() / 6;
    dez::TextLines lines(text);
    std::vector<double> reals;
    for (int32_t expected = 1;; ++expected) {
        std::string_view header;
        if (!lines.Next(header) || (dez::IsAllBlanks(header) && dez::IsAllBlanks(lines.Rest()))) {
            if (expected == 1) Warn(d, name, lines.LineNumber() + 1, "the file holds no plate");
            return d.plateCount - platesBefore;
        }
        const int32_t headerLine = lines.LineNumber();
        int plate = 0;
        const size_t used = ScanInt(header, plate);
        if (used == 0) return stop(headerLine, "a plate number was expected");
        if (WordCount(header.substr(used)) > 1)
            return stop(headerLine, "more than a plate name follows the plate number");
        if (plate != expected)
            return stop(headerLine, dez::Format("plate %d where plate %d was expected", plate, expected));
        if (plate > highestPlate || plate > static_cast<int32_t>(groups.size()))
            return stop(headerLine, dez::Format("plate %d has no channels: the analog file holds %zu plate channel groups",
                                                plate, groups.size()));
        if (!ReadRealsLine(lines, 3, reals))
            return stop(lines.LineNumber(), "three plate dimensions were expected");
        const double dims[3] = {reals[0], reals[1], reals[2]};

        // The calibration matrix: a first line of L > 3 reals and nothing else, then the lines
        // holding L reals (further values on them are not part of it).
        std::string_view first;
        lines.Next(first);
        int32_t width = 0;
        std::vector<std::vector<double>> matrix(1);
        for (;;) {
            double v = 0.0;
            const size_t n = ScanDouble(first, v);
            if (n == 0) break;
            first.remove_prefix(n);
            matrix[0].push_back(v);
            ++width;
        }
        if (!dez::IsAllBlanks(first) || width <= 3)
            return stop(lines.LineNumber(), "a calibration matrix row of more than 3 reals was expected");
        int32_t matrixLines = 1;
        for (;;) {
            const dez::TextLines before = lines;
            if (!ReadRealsLine(lines, width, reals)) {
                lines = before;  // that line is the first after the matrix
                break;
            }
            matrix.emplace_back(reals.begin(), reals.begin() + width);
            ++matrixLines;
        }
        if (matrixLines < 4)
            return stop(lines.LineNumber(), dez::Format("the calibration matrix has %d rows", matrixLines));

        double rows[5][3] = {};  // origin, position, rotation rows 1 to 3
        static const char* const kWhat[5] = {"origin", "position", "rotation row 1", "rotation row 2",
                                             "rotation row 3"};
        for (int r = 0; r < 5; ++r) {
            if (!ReadRealsLine(lines, 3, reals))
                return stop(lines.LineNumber(), std::string("three reals of the ") + kWhat[r] + " were expected");
            for (int k = 0; k < 3; ++k) rows[r][k] = reals[static_cast<size_t>(k)];
        }

        const PlateChannelGroup& group = groups[static_cast<size_t>(plate - 1)];
        ScaleGroup(*d.analog, group);
        if (matrixLines == 6 && width == 6) {
            double m[6][6];
            for (int r = 0; r < 6; ++r)
                for (int c = 0; c < 6; ++c) m[r][c] = matrix[static_cast<size_t>(r)][static_cast<size_t>(c)];
            CalibrateGroup(*d.analog, group, m);
        } else {
            Warn(d, name, headerLine,
                 dez::Format("plate %d: a calibration matrix of %d x %d is not the 6 x 6 of its channels, which stay "
                             "uncalibrated",
                             plate, matrixLines, width));
        }
        // Calibration files are in centimetres; the plate records in the point table's millimetres.
        // The file's origin is the transducer origin seen from the centre of the surface, in the
        // plate's axes; the plate record wants the surface centre seen from the transducer.
        double origin[3];
        for (int k = 0; k < 3; ++k) origin[k] = -rows[0][k] * 10.0;
        // The first of the three dimensions is a scale, not a thickness: the surface lies at the
        // position's height, where the laboratory's own C3D files put it.
        const double a = dims[1] / 2, b = dims[2] / 2;
        double corners[4][3] = {{a, b, 0}, {-a, b, 0}, {-a, -b, 0}, {a, -b, 0}};
        const double rotation[3][3] = {{rows[2][0], rows[2][1], rows[2][2]},
                                       {rows[3][0], rows[3][1], rows[3][2]},
                                       {rows[4][0], rows[4][1], rows[4][2]}};
        TransformPlateCorners(corners, rotation);
        double flat[12];
        for (int c = 0; c < 4; ++c) {
            flat[3 * c] = (corners[c][0] + rows[1][0]) * 10.0;
            flat[3 * c + 1] = (corners[c][1] + rows[1][1]) * 10.0;
            flat[3 * c + 2] = rows[1][2] * 10.0;
        }
        d.AddForcePlate(2, group.data(), flat, origin);
        d.InvalidatePlateCache();
    }
}

int32_t TDataFile::ReadCalFile(const char* filePath) {
    if (FindAllPlateChannelGroups(*this).empty()) return 0;
    const std::string file = filePath ? filePath : "";
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadWholeFile(file, bytes, &error)) {
        SetErrorText((dez::NameOf(file) + ": cannot be read (" + error + ")").c_str());
        return 0;
    }
    return ParseCalFile(*this, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        dez::NameOf(file));
}
