// Text tables (TX): one line per frame, one field per signal, read into the point table or, as
// an analog companion, into the analog table; and the text export of the point table.
//
// The file's columns become the table's rows (signals) and its data lines the columns (frames).
// Empty fields and the tokens "NaN", "NA" and "#" stand for missing samples, as do values beyond
// single precision; text that is no number reads as 0.
#include "motion/TDataFile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "importers/ImportText.h"
#include "platform/GuardedRead.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"
#include "platform/TextUtil.h"

namespace {

// Every signal starts with a label record of its own; no motion file has more signals than a C3D
// file can have points (a 16-bit count).
constexpr int64_t kMaxSignals = 65535;
// Short lines are padded with missing samples; a table that would be mostly padding is a damaged
// file (or a hostile one asking for gigabytes), not a recording.
constexpr int64_t kMaxPaddingFactor = 64;

bool Strippable(char c) { return static_cast<signed char>(c) <= 32; }  // blanks, controls, bytes >= 128

char FirstLineEnd(std::string_view text, char fallback) {
    for (char c : text)
        if (c == '\n' || c == '\r') return c;
    return fallback;
}

// The tokens of a missing sample; only fields starting with one of "#nN+-" can be one.
bool MissingToken(std::string_view field) {
    if (field.empty()) return false;
    switch (field.front()) {
        case '#':
            return field.size() == 1;
        case 'n':
        case 'N':
        case '+':
        case '-':
            return dez::EqualsNoCase(field, "NA") || dez::EqualsNoCase(field, "NAN") ||
                   dez::EqualsNoCase(field, "-NAN") || dez::EqualsNoCase(field, "+NAN");
        default:
            return false;
    }
}

struct TableShape {
    int32_t signals = 1;
    int32_t frames = 1;
    int64_t values = 0;  // fields read, missing ones included
};

// One pass over the data lines; `store(signal, frame, value, missing)` receives every field and
// `lineDone(frame, fields)` follows the last field of each data line.
template <typename Store, typename LineDone>
TableShape ScanTable(std::string_view bytes, char terminator, char separator, char comment, Store&& store,
                     LineDone&& lineDone) {
    const char other = terminator == '\r' ? '\n' : '\r';
    const char* text = bytes.data();
    const size_t n = bytes.size();
    TableShape shape;
    int64_t signals = 0;
    int64_t frames = 0;
    std::string marked;
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < n) {
        size_t end = i;
        const void* found = std::memchr(text + i, terminator, n - i);
        end = found ? static_cast<size_t>(static_cast<const char*>(found) - text) : n;
        std::string_view line(text + i, end - i);
        i = end + 1;
        // The LF of a CR LF pair starts the next line; the CR of one ends a line split at LF.
        if (!line.empty() && line.front() == other) line.remove_prefix(1);
        if (!line.empty() && line.back() == other) line.remove_suffix(1);

        // Empty fields become "#" (missing); the empty field after a final separator is none.
        marked.clear();
        size_t start = 0;
        const bool separated = line.find(separator) != std::string_view::npos;
        while (start <= line.size()) {
            size_t stop = line.find(separator, start);
            if (stop == std::string_view::npos) stop = line.size();
            const std::string_view field = line.substr(start, stop - start);
            const bool last = stop == line.size();
            if (last && field.empty() && separated) break;
            if (start > 0) marked += separator;
            if (field.empty() && separated) {
                marked += '#';
            } else {
                marked.append(field.data(), field.size());
            }
            start = stop + 1;
        }
        size_t lead = 0;
        while (lead < marked.size() && Strippable(marked[lead])) ++lead;
        const std::string_view data = std::string_view(marked).substr(lead);
        if (data.empty() || data.front() == comment) continue;

        fields.clear();
        size_t from = 0;
        while (true) {
            const size_t stop = data.find(separator, from);
            fields.push_back(data.substr(from, stop == std::string_view::npos ? std::string_view::npos : stop - from));
            if (stop == std::string_view::npos) break;
            from = stop + 1;
        }
        for (size_t k = 0; k < fields.size(); ++k) {
            std::string_view field = fields[k];
            if (!field.empty() && static_cast<signed char>(field.front()) < 32)
                while (!field.empty() && Strippable(field.front())) field.remove_prefix(1);
            bool missing = MissingToken(field);
            float value = 0.0f;
            if (!missing) {
                const double v = dez::LeadingNumber(field, true);
                missing = !std::isfinite(v) || std::fabs(v) > FLT_MAX;
                if (!missing) value = static_cast<float>(v);
            }
            store(static_cast<int64_t>(k), frames, value, missing);
        }
        lineDone(frames, static_cast<int64_t>(fields.size()));
        signals = std::max<int64_t>(signals, static_cast<int64_t>(fields.size()));
        shape.values += static_cast<int64_t>(fields.size());
        ++frames;
    }
    // Counts beyond int32 are caught by the size check through the clamped values.
    shape.signals = static_cast<int32_t>(std::clamp<int64_t>(signals, 1, INT32_MAX));
    shape.frames = static_cast<int32_t>(std::clamp<int64_t>(frames, 1, INT32_MAX));
    return shape;
}

// Empty when the table fits; else why not.
std::string CheckShape(const std::string& path, const TableShape& shape) {
    const int64_t cells = static_cast<int64_t>(shape.signals) * shape.frames;
    if (shape.signals > kMaxSignals)
        return dez::Format("%s: %d signals on one line, more than the %lld a recording may have", path.c_str(),
                           shape.signals, static_cast<long long>(kMaxSignals));
    if (cells > INT32_MAX || cells > kMaxPaddingFactor * shape.values + 4096)
        return dez::Format("%s: a table of %d signals by %d frames is too large for the %lld values in the file",
                           path.c_str(), shape.signals, shape.frames, static_cast<long long>(shape.values));
    return std::string();
}

// Reads the file's table into a new S x F table (filled when `fill`); null with the reason in
// `error` when the file does not open or the table does not fit.
std::unique_ptr<Matrix2D> ReadTable(TDataFile& d, const std::string& path, bool fill, std::string& error,
                                    TableShape& shape) {
    dez::FileBytes bytes;
    std::string why;
    if (dez::FileSize(path) < 0 || !dez::ReadWholeFile(path, bytes, &why)) {
        error = "Unable to open " + path + (why.empty() ? "" : ": " + why);
        return nullptr;
    }
    d.lineEnd = FirstLineEnd(bytes.text(), d.lineEnd);
    const char comment = ';';
    shape = ScanTable(bytes.text(), d.lineEnd, d.fieldSeparator, comment, [](int64_t, int64_t, float, bool) {},
                      [](int64_t, int64_t) {});
    error = CheckShape(path, shape);
    if (!error.empty()) return nullptr;
    auto table = std::make_unique<Matrix2D>();
    if (!table->Resize(shape.signals, shape.frames, false)) {
        error = dez::Format("%s: no memory for %d signals by %d frames", path.c_str(), shape.signals, shape.frames);
        return nullptr;
    }
    dez::AdviseLargeBlock(table->GetData(), sizeof(double) * static_cast<size_t>(table->size));
    const double missing = d.missingValue;
    // A file without data lines still gives one column; otherwise every cell is written below
    // (short lines padded), so the table is not filled first.
    if (!fill || shape.values == 0) {
        table->Fill(missing);
        return table;
    }
    double* const data = table->GetData();
    const size_t rows = static_cast<size_t>(shape.signals);
    ScanTable(
        bytes.text(), d.lineEnd, d.fieldSeparator, comment,
        [data, rows, missing](int64_t signal, int64_t frame, float value, bool isMissing) {
            data[static_cast<size_t>(frame) * rows + static_cast<size_t>(signal)] =
                isMissing ? missing : static_cast<double>(value);
        },
        [data, rows, missing](int64_t frame, int64_t fields) {
            double* column = data + static_cast<size_t>(frame) * rows;
            std::fill(column + fields, column + rows, missing);
        });
    return table;
}

}  // namespace

void TDataFile::DetectLineEnd(const char* filePath) {
    std::vector<uint8_t> bytes;
    if (filePath && dez::ReadDataFile(filePath, bytes))
        lineEnd = FirstLineEnd(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), lineEnd);
}

bool TDataFile::ReadTextTable(const char* filePath, bool fill, int32_t* signals, int32_t* frames, Matrix2D* table,
                              char commentChar) {
    dez::FileBytes bytes;
    if (!filePath || dez::FileSize(filePath) < 0 || !dez::ReadWholeFile(filePath, bytes)) return false;
    lineEnd = FirstLineEnd(bytes.text(), lineEnd);
    const double missing = missingValue;
    if (fill && table) table->Fill(missing);
    const TableShape shape = ScanTable(
        bytes.text(), lineEnd, fieldSeparator, commentChar,
        [&](int64_t signal, int64_t frame, float value, bool isMissing) {
            // Only cells inside the table the caller sized; the linear index alone would wrap.
            if (fill && table && signal < table->GetRows() && frame < table->GetCols())
                table->SetValue(static_cast<int32_t>(signal), static_cast<int32_t>(frame),
                                isMissing ? missing : static_cast<double>(value));
        },
        [](int64_t, int64_t) {});
    if (signals) *signals = shape.signals;
    if (frames) *frames = shape.frames;
    return true;
}

bool TDataFile::ReadTX(const char* filePath, bool readFrames) {
    delete points;
    points = nullptr;
    const std::string file = filePath ? filePath : "";
    std::string error;
    TableShape shape;
    std::unique_ptr<Matrix2D> table = ReadTable(*this, file, readFrames, error, shape);
    if (!table) {
        SetErrorText(error.c_str());
        return false;
    }
    points = table.release();
    // What a table without a companion is; the companion may say otherwise.
    pointRate = 50.0f;
    dimension = 1;
    ReadDFN(file.c_str(), false, 0);
    BuildEvents();
    return true;
}

void TDataFile::ImportTextAnalog(const char* filePath) {
    const std::string file = filePath ? filePath : "";
    std::string error;
    TableShape shape;
    std::unique_ptr<Matrix2D> table = ReadTable(*this, file, true, error, shape);
    if (!table) {
        BuildEvents();
        SetErrorText(error.c_str());
        return;
    }
    const int32_t samples = shape.frames;
    const int32_t frames = GetFrameCount();
    // Without a rate in the companion: whole analog samples per point frame.
    analogRate = frames > 0 ? pointRate * static_cast<float>(samples / frames) : pointRate;
    ReadDFN(file.c_str(), true, shape.signals);
    BuildEvents();
    delete analog;
    analog = nullptr;
    if (!points) {
        analog = table.release();
        return;
    }
    // The analog table spans the recording: frames x samples per frame columns, cut or padded.
    const double perFrame = std::round(static_cast<double>(GetAnalogSamplesPerFrame()));
    const double columns = perFrame * frames;
    if (!(columns >= 1) || columns > static_cast<double>(INT32_MAX) ||
        columns > std::max<double>(kMaxPaddingFactor * static_cast<double>(samples), frames) ||
        columns * shape.signals > static_cast<double>(INT32_MAX)) {
        SetErrorText(dez::Format("%s: an analog rate of %g Hz does not fit its %d samples under %d frames at %g Hz",
                                 file.c_str(), analogRate, samples, frames, pointRate)
                         .c_str());
        return;
    }
    const int32_t c = static_cast<int32_t>(columns);
    auto fitted = std::make_unique<Matrix2D>(shape.signals, c);
    if (fitted->GetRows() != shape.signals) {
        SetErrorText(dez::Format("%s: no memory for the analog table", file.c_str()).c_str());
        return;
    }
    const int32_t copied = std::min(samples, c);
    for (int32_t col = 0; col < copied; ++col)
        for (int32_t row = 0; row < shape.signals; ++row)
            fitted->SetValue(row, col, static_cast<float>(table->GetValue(row, col)));
    analog = fitted.release();
}

bool TDataFile::WriteText(const char* filePath, bool) {
    if (!points || !filePath) return false;
    const std::string file = filePath;
    const int32_t rows = points->GetRows();
    const int32_t cols = points->GetCols();
    // Lines end as the recording's own did; a LF is written as CR LF.
    const std::string eol = lineEnd == '\n' ? std::string("\r\n") : std::string(1, lineEnd);
    std::string out;
    out.reserve(static_cast<size_t>(rows) * static_cast<size_t>(cols) * 10 + 16);
    for (int32_t f = 0; f < cols; ++f) {
        for (int32_t r = 0; r < rows; ++r) {
            if (r > 0) out += '\t';
            dez::AppendNumber(out, points->GetValue(r, f));
        }
        out += eol;
    }
    std::string why;
    if (!dez::WriteFileAtomically(file, out.data(), out.size(), &why)) {
        SetErrorText(("Unable to open " + file + ": " + why).c_str());
        return false;
    }
    return WriteDFN(file.c_str());
}
