// Companion ".dfn" definition files: rates, labels, events, plates, the analog companion's name
// and the annotations (events, stick text, model file names) other formats take from them.
//
// A line is "key:value"; runs of ':' separate, so a value ends at the next ':' (only "#V" takes
// the rest of its line). Keys are compared exactly. Lines that are no key are ignored, which
// lets the "[DFN]" header and comments pass.
#include "motion/TDataFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "importers/ImportText.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

// The tools that write these files read lines into a 2560-byte buffer; a longer line ends the
// reading, and what was read before stays.
constexpr size_t kLineMax = 2559;
// Each event is checked against all before it; a hostile file of many thousand event lines would
// otherwise take minutes. Real recordings carry a few hundred.
constexpr int32_t kMaxDfnEvents = 10000;

std::string CompanionPath(const std::string& dataPath) {
    const std::string name = dez::NameOf(dataPath);
    const std::string ext = dez::ExtensionOf(name);
    const std::string stem = name.substr(0, name.size() - ext.size());
    // "walk.tr2" goes with "walk.df2": numbered trials of one session keep their numbers.
    const bool numbered = ext.size() == 4 && ext[3] >= '0' && ext[3] <= '9';
    const std::string companion = stem + (numbered ? std::string(".df") + ext[3] : std::string(".dfn"));
    return dataPath.substr(0, dataPath.size() - name.size()) + companion;
}

// The companion's bytes; false when there is none or it cannot be read. Files made on Windows
// may differ from the recording's name in letter case.
bool ReadCompanion(const char* dataPath, std::vector<uint8_t>& bytes) {
    if (!dataPath || !*dataPath) return false;
    std::string file = CompanionPath(dataPath);
    if (!dez::FileExists(file)) file = dez::FindCompanionFile(file);
    return !file.empty() && dez::ReadDataFile(file, bytes);
}

// Calls f for every line; CR, LF and CR LF all end a line.
template <typename F>
void ForEachLine(const std::vector<uint8_t>& bytes, F&& f) {
    const char* text = reinterpret_cast<const char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        size_t end = i;
        while (end < n && text[end] != '\n' && text[end] != '\r') ++end;
        if (end - i > kLineMax) return;
        f(std::string_view(text + i, end - i));
        i = end + 1;
    }
}

struct DfnLine {
    std::string_view key;
    std::string_view value;  // up to the next ':'
    std::string_view rest;   // the whole rest of the line after the key's separators
    bool hasValue = false;
};

DfnLine SplitLine(std::string_view s) {
    DfnLine line;
    size_t i = 0;
    while (i < s.size() && s[i] == ':') ++i;
    size_t k = i;
    while (k < s.size() && s[k] != ':') ++k;
    line.key = s.substr(i, k - i);
    while (k < s.size() && s[k] == ':') ++k;
    line.rest = s.substr(k);
    size_t v = k;
    while (v < s.size() && s[v] != ':') ++v;
    line.value = s.substr(k, v - k);
    line.hasValue = !line.value.empty();
    return line;
}

// Items of a list value; runs of the separator count as one and empty items are skipped.
std::vector<std::string_view> SplitItems(std::string_view text, bool blanks) {
    std::vector<std::string_view> items;
    auto isSeparator = [blanks](char c) { return blanks ? static_cast<unsigned char>(c) <= 32 : c == ','; };
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        size_t end = i;
        while (end < text.size() && !isSeparator(text[end])) ++end;
        if (end > i) items.emplace_back(text.substr(i, end - i));
        i = end;
    }
    return items;
}

// Blank-separated numbers of a plate line; false when fewer than `count` are there.
bool PlateNumbers(std::string_view text, size_t count, double* out) {
    const std::vector<std::string_view> items = SplitItems(text, true);
    if (items.size() < count) return false;
    for (size_t i = 0; i < count; ++i) {
        bool found = false;
        out[i] = dez::LeadingNumber(items[i], false, &found);
        if (!found) return false;
    }
    return true;
}

// Plate n from 1; -1 for a number outside the plate table.
int32_t PlateIndex(double n) { return (n >= 1 && n <= kMaxPlates) ? static_cast<int32_t>(n) - 1 : -1; }

void SetText(char*& field, std::string_view value) { ReplaceText(field, std::string(value).c_str()); }

// "#n" with n from 1 and no leading zero; 0 when the key is no label key.
int32_t LabelNumber(std::string_view key) {
    if (key.size() < 2 || key.size() > 11 || key[0] != '#' || key[1] < '1' || key[1] > '9') return 0;
    long long n = 0;
    for (size_t i = 1; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n <= INT32_MAX ? static_cast<int32_t>(n) : 0;
}

// Dimension above the row count becomes the row count; an empty table keeps its dimension so
// that no point count is ever derived from 0.
void ClampDimension(TDataFile& d) {
    if (d.dimension < 1) d.dimension = 1;
    const int32_t rows = d.points ? d.points->GetRows() : 0;
    if (rows > 0 && d.dimension > rows) d.dimension = rows;
}

// "#E", "#S" and the model file names, shared by the full read and the annotations read.
bool ApplyAnnotation(TDataFile& d, const DfnLine& line, bool events, bool sticks, bool modelFiles) {
    const std::string_view key = line.key;
    if (key == "#E") {
        if (events && line.hasValue && d.headerEvents && d.headerEvents->count < kMaxDfnEvents) {
            const std::vector<std::string_view> items = SplitItems(line.value, false);
            const std::string name = items.empty() ? std::string() : std::string(items[0]);
            const int32_t frame = items.size() > 1 ? dez::LeadingInteger(items[1]) : -1;
            d.headerEvents->Add(LabelledItem(frame, name.empty() ? nullptr : name.c_str()));
            if (name == "SYNCHRO") d.syncFrame = frame;
        }
        return true;
    }
    if (key == "#S") {
        if (sticks && line.hasValue) {
            const size_t n = std::min(line.value.size(), static_cast<size_t>(kStickTextSize - 1));
            std::memcpy(d.stickText, line.value.data(), n);
            d.stickText[n] = '\0';
        }
        return true;
    }
    char** modelField = key == "#L"   ? &d.dfnPreScript
                        : key == "#B" ? &d.dfnModel
                        : key == "#J" ? &d.dfnJoint
                        : key == "#N" ? &d.dfnIn3
                        : key == "#G" ? &d.dfnPostScript
                                      : nullptr;
    if (!modelField) return false;
    if (modelFiles && line.hasValue) SetText(*modelField, line.value);
    return true;
}

// Plate lines of an analog companion; true when the key was one of them.
bool ApplyPlateLine(TDataFile& d, const DfnLine& line) {
    const std::string_view key = line.key;
    if (key != "#FP" && key != "#Fo" && key != "#Fp" && key != "#FZ" && key != "#FR" && key != "#Fc") return false;
    if (!line.hasValue) return true;
    double v[13];
    if (key == "#FP") {
        // The plate table holds kMaxPlates records; a larger count is damage, not a request.
        const int32_t n = dez::LeadingInteger(line.value);
        if (n >= 0 && n <= kMaxPlates) d.plateCount = n;
    } else if (key == "#FZ") {
        d.plateZero[0] = dez::LeadingInteger(line.value);
    } else if (key == "#FR") {
        d.plateZero[1] = dez::LeadingInteger(line.value);
    } else if (key == "#Fo") {
        const int32_t p = PlateNumbers(line.value, 4, v) ? PlateIndex(v[0]) : -1;
        if (p >= 0)
            for (int k = 0; k < 3; ++k) d.plates[p].origin[k] = static_cast<float>(v[1 + k]);
    } else if (key == "#Fp") {
        const int32_t p = PlateNumbers(line.value, 13, v) ? PlateIndex(v[0]) : -1;
        if (p >= 0)
            for (int c = 0; c < 4; ++c)
                for (int k = 0; k < 3; ++k) d.plates[p].corners[c][k] = static_cast<float>(v[1 + 3 * c + k]);
    } else {  // "#Fc": plate, type and eight channel numbers
        const std::vector<std::string_view> items = SplitItems(line.value, true);
        if (items.size() < 10) return true;
        int32_t n[10];
        for (size_t i = 0; i < 10; ++i) {
            bool found = false;
            n[i] = dez::LeadingInteger(items[i], &found);
            if (!found) return true;
        }
        const int32_t p = PlateIndex(n[0]);
        if (p < 0) return true;
        d.plates[p].type = n[1];
        for (int k = 0; k < 8; ++k) d.plates[p].channels[k] = n[2 + k];
    }
    return true;
}

// Keys of the point (or analog) table itself; true when the key was one of them.
bool ApplyTableKey(TDataFile& d, const DfnLine& line, bool asAnalog) {
    const std::string_view key = line.key;
    if (key == "#P") {
        // A bare "#P" is the 20 ms (50 Hz) the format started with.
        const double period = line.hasValue ? dez::LeadingNumber(line.value) : 20.0;
        const float rate = static_cast<float>(1000.0 / period);
        if (period > 0 && std::isfinite(rate)) (asAnalog ? d.analogRate : d.pointRate) = rate;
        return true;
    }
    if (key == "#D") {
        const int32_t code = dez::LeadingInteger(line.value);
        // A line end cannot separate fields of a line; 0 would end every line at once.
        if (line.hasValue && code > 0 && code < 256 && code != '\n' && code != '\r')
            d.fieldSeparator = static_cast<char>(static_cast<unsigned char>(code));
        return true;
    }
    if (key == "#I") {
        d.dfnIFlag = line.hasValue && dez::LeadingInteger(line.value) != 0;
        return true;
    }
    if (asAnalog) return false;
    if (key == "#X") {
        if (line.hasValue) d.missingValue = static_cast<float>(dez::LeadingNumber(line.value));
        return true;
    }
    if (key == "#R") {
        const int32_t n = dez::LeadingInteger(line.value);
        if (line.hasValue && n >= 1 && n <= 9) {
            d.dimension = n;
            ClampDimension(d);
        }
        return true;
    }
    if (key == "#V") {
        const std::vector<std::string_view> items = SplitItems(line.rest, false);
        if (items.empty()) return true;
        std::string file(items[0]);
        // Drive letters were written as "C;" where ':' would end the value.
        if (file.size() > 1 && file[1] == ';') file[1] = ':';
        ReplaceText(d.videoFile, file.c_str());
        if (items.size() > 1) d.videoFirstFrame = dez::LeadingInteger(items[1]);
        if (items.size() > 2) d.videoLastFrame = dez::LeadingInteger(items[2]);
        return true;
    }
    if (key == "#C") {
        if (line.hasValue) {
            SetText(d.formatText, line.value);
            SetText(d.comment, line.value);
        }
        return true;
    }
    return key == "#A" || key == "#U";  // read elsewhere / accepted and ignored
}

// Makes the point label list exactly one label per point, so that a later "#R" leaves neither
// labels that name no point nor points without a label.
void FitPointLabels(TDataFile& d) {
    const int32_t n = d.GetPointCount();
    if (!d.pointLabels) d.pointLabels = TC3DData::MakeLabelList(0, nullptr);
    while (d.pointLabels->count > n) d.pointLabels->RemoveAt(d.pointLabels->count - 1);
    for (int32_t i = d.pointLabels->count; i < n; ++i) {
        const std::string label = "Marker " + std::to_string(i + 1);
        SetListItem(label.c_str(), i, d.pointLabels);
    }
}

void AppendLine(std::string& out, const char* key, const std::string& value) {
    out += key;
    out += value;
    out += '\n';
}

std::string Number(double v) {
    std::string s;
    dez::AppendNumber(s, v);
    return s;
}

}  // namespace

bool TDataFile::ReadDFN(const char* filePath, bool asAnalog, int32_t channelCount) {
    if (!points) return false;
    ClampDimension(*this);
    dfnIFlag = 0;
    int32_t labelCount = 0;
    if (asAnalog) {
        labelCount = analog ? analog->GetRows() : std::max(channelCount, 0);
        delete analogLabels;
        analogLabels = MakeLabelList(labelCount, "Channel ");
    } else {
        labelCount = GetPointCount();
        delete pointLabels;
        pointLabels = MakeLabelList(labelCount, "Marker ");
    }
    std::vector<uint8_t> bytes;
    if (!ReadCompanion(filePath, bytes)) return false;
    if (!asAnalog && !headerEvents) headerEvents = new LabelledItemList();
    LabelledItemList* labels = asAnalog ? analogLabels : pointLabels;
    ForEachLine(bytes, [&](std::string_view text) {
        const DfnLine line = SplitLine(text);
        if (line.key.empty()) return;
        if (asAnalog && ApplyPlateLine(*this, line)) return;
        if (ApplyTableKey(*this, line, asAnalog)) return;
        if (!asAnalog && ApplyAnnotation(*this, line, true, true, true)) return;
        // A label takes the rest of its line: labels such as "Subject:LASI" carry the ':' that
        // ends other values, and a save followed by a load must give them back whole.
        const int32_t n = LabelNumber(line.key);
        if (n >= 1 && n <= labelCount && line.hasValue) SetListItem(std::string(line.rest).c_str(), n - 1, labels);
    });
    if (asAnalog) {
        InvalidatePlateCache();
    } else {
        FitPointLabels(*this);
    }
    return true;
}

bool TDataFile::ReadDFNAnnotations(const char* dataPath, bool readEvents, bool readStickText, bool readFileNames) {
    if (!points) return false;
    std::vector<uint8_t> bytes;
    if (!ReadCompanion(dataPath, bytes)) return true;
    if (!headerEvents) headerEvents = new LabelledItemList();
    ForEachLine(bytes, [&](std::string_view text) {
        const DfnLine line = SplitLine(text);
        if (!line.key.empty()) ApplyAnnotation(*this, line, readEvents, readStickText, readFileNames);
    });
    return true;
}

bool TDataFile::FindAnalogFile(const char* dataPath, char* outPath) {
    if (outPath) outPath[0] = '\0';
    if (!points || !outPath) return false;
    ClampDimension(*this);
    std::vector<uint8_t> bytes;
    if (!ReadCompanion(dataPath, bytes)) return false;
    std::string name;
    ForEachLine(bytes, [&](std::string_view text) {
        const DfnLine line = SplitLine(text);
        if (line.key == "#A" && line.hasValue) name = std::string(line.value);
    });
    if (name.empty()) return false;
    const std::string data = dataPath;
    const std::string folder = data.substr(0, data.size() - dez::NameOf(data).size());
    std::string found = folder + name;
    if (!dez::FileExists(found)) {
        const std::string other = dez::FindCompanionFile(found);
        if (!other.empty()) found = other;
    }
    // A path that does not fit the caller's buffer would name another file once cut.
    if (found.size() >= static_cast<size_t>(kPathBufferSize)) return false;
    std::memcpy(outPath, found.c_str(), found.size() + 1);
    return true;
}

bool TDataFile::WriteDFN(const char* dataPath) {
    if (!dataPath || !*dataPath) return false;
    const std::string file = CompanionPath(dataPath);
    // A recording saved under the companion's own name keeps its samples.
    if (file == dataPath) return true;
    std::string out = "[DFN]\n";
    AppendLine(out, "#P:", Number(GetPointPeriod()));
    AppendLine(out, "#X:", Number(missingValue));
    AppendLine(out, "#D:", std::to_string(static_cast<unsigned char>(fieldSeparator)));
    AppendLine(out, "#R:", std::to_string(dimension));
    AppendLine(out, "#S:", stickText);
    if (analog && analogFile) AppendLine(out, "#A:", dez::NameOf(analogFile));
    AppendLine(out, "#I:", dfnIFlag ? "1" : "0");
    const int32_t n = GetPointCount();
    for (int32_t i = 0; i < n; ++i) AppendLine(out, ("#" + std::to_string(i + 1) + ":").c_str(), PointLabel(i));
    auto eventLine = [&out](const LabelledItem* e) {
        if (e) AppendLine(out, "#E:", std::string(e->name) + "," + std::to_string(e->id));
    };
    if (events)
        for (int32_t i = 0; i < events->count; ++i) eventLine(events->GetItem(i));
    // Events read from a companion are header events; without them here a load and a save of a
    // TX or TRT recording would lose its events.
    if (headerEvents)
        for (int32_t i = 0; i < headerEvents->count; ++i) {
            const LabelledItem* e = headerEvents->GetItem(i);
            if (e && !(events && events->Contains(*e))) eventLine(e);
        }
    if (videoFile)
        AppendLine(out, "#V:",
                   std::string(videoFile) + "," + std::to_string(videoFirstFrame) + "," + std::to_string(videoLastFrame));
    if (formatText && *formatText) AppendLine(out, "#C:", formatText);
    const struct {
        const char* key;
        const char* text;
    } modelFiles[] = {{"#L:", dfnPreScript}, {"#B:", dfnModel}, {"#J:", dfnJoint}, {"#N:", dfnIn3},
                      {"#G:", dfnPostScript}};
    for (const auto& m : modelFiles) {
        if (!m.text) continue;
        const char* name = m.text;
        while (*name == '\\') ++name;
        AppendLine(out, m.key, name);
    }
    std::string error;
    if (!dez::WriteFileAtomically(file, out.data(), out.size(), &error)) {
        SetErrorText(("Unable to save " + file + ": " + error).c_str());
        return false;
    }
    return true;
}
