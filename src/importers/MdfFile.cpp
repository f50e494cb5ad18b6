// CODA MDF motion files with their force plates, and the marker range of ".stp" setup files.
#include "importers/MdfFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "importers/ImportText.h"
#include "importers/LabelLists.h"
#include "importers/TCodaFile.h"
#include "motion/TDataFile.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

// Longest line of a setup file; a longer one ends the reading.
constexpr size_t kMaxStpLine = 511;
constexpr int32_t kChannelsPerPlate = 8;
// Every channel row has the first channel's length, so a file announcing thousands of empty
// channels beside one long one asks for a table far larger than itself: beyond this many cells
// per byte of file the channels are not taken.
constexpr size_t kMaxAnalogCellsPerByte = 16;
constexpr size_t kMinAnalogCellLimit = 1 << 16;

const char* const kAmtiNames[kChannelsPerPlate] = {"Fx", "Fy", "Fz", "Mx", "My", "Mz", "Xp", "Yp"};
const char* const kOtherNames[kChannelsPerPlate] = {"FX12", "FX34", "FX14", "FX23", "FZ1", "FZ2", "FZ3", "FZ4"};

// The "first-last" of a "Markers=" line: its first two fields between "-".
bool ParseMarkerRange(const std::string& text, int32_t* first, int32_t* last) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= text.size() && fields.size() < 2) {
        const size_t dash = std::min(text.find('-', start), text.size());
        if (dash > start) fields.push_back(text.substr(start, dash - start));
        start = dash + 1;
    }
    if (fields.size() < 2) return false;
    *first = dez::AtoI(fields[0].c_str());
    *last = dez::AtoI(fields[1].c_str());
    return true;
}

std::string NameForMessage(const TCodaFile& coda) {
    return coda.GetPath().empty() ? std::string("MDF data") : dez::NameOf(coda.GetPath());
}

// What the import takes from a section of `tag`; null for the sections it does not use.
const char* SectionContent(int tag) {
    switch (tag) {
    case 0: return "comment";
    case 2: return "markers";
    case 3: return "force channels";
    case 4: return "EMG";
    case 7:
    case 8:
    case 9: return "rates";
    case 13: return "resolutions";
    case 18:
    case 19: return "scales";
    case 20:
    case 21:
    case 31: return "plates";
    case 22:
    case 23:
    case 24: return "names";
    default: return nullptr;
    }
}

// A file whose sections run past its end (cut short, or a damaged descriptor or count) is refused
// when anything the import uses is in the cut section or after it: samples without their rates,
// scales or resolutions would load as wrong values. A cut in sections it does not use, or bytes
// left after the last section, load with a note.
bool CheckSections(TDataFile& d, const TCodaFile& coda, std::vector<std::string>& notes) {
    const std::vector<int>& tags = coda.GetTags();
    const size_t cut = coda.GetCutSection();
    if (cut < tags.size()) {
        std::vector<std::string> lost;
        for (size_t i = cut; i < tags.size(); ++i) {
            const char* what = SectionContent(tags[i]);
            if (what && std::find(lost.begin(), lost.end(), what) == lost.end()) lost.emplace_back(what);
        }
        const std::string where = dez::Format("section %zu of %zu (tag %d) runs past the end at byte %zu", cut + 1,
                                              tags.size(), tags[cut], coda.GetFileSize());
        if (!lost.empty()) {
            std::string list;
            for (size_t i = 0; i < lost.size(); ++i) list += (i ? ", " : "") + lost[i];
            d.SetErrorText((NameForMessage(coda) + ": cut short or damaged, " + where + "; lost: " + list).c_str());
            return false;
        }
        notes.push_back(where + "; only sections not used here are lost");
    } else if (coda.GetSectionsEnd() < coda.GetFileSize()) {
        const size_t extra = coda.GetFileSize() - coda.GetSectionsEnd();
        notes.push_back(dez::Format("%zu byte%s after the last section not read", extra, extra == 1 ? "" : "s"));
    }
    return true;
}

// Samples of `ch` at `rate` into row `row` of a table at `tableRate`: each column takes the
// channel's value at its time, linearly between the two samples around it; past the channel's last
// sample the value holds for one sample period, after that the column stays 0 (no sample).
void PutChannel(Matrix2D& table, int32_t row, const CodaChannel& ch, double rate, double tableRate, double gain) {
    const int32_t n = std::min(ch.capacity, static_cast<int32_t>(ch.samples.size()));
    const int32_t cols = table.GetCols();
    if (rate == tableRate) {
        for (int32_t s = 0; s < std::min(n, cols); ++s) table.SetValue(row, s, ch.samples[s] * gain);
        return;
    }
    for (int32_t c = 0; c < cols; ++c) {
        // Rates are whole numbers, so c x rate is exact and a column on a sample lands on it.
        const double at = static_cast<double>(c) * rate / tableRate;
        const int32_t k = static_cast<int32_t>(std::floor(at));
        if (k >= n) break;
        const double w = at - k;
        const double here = ch.samples[k];
        const double v = w == 0.0 || k + 1 >= n ? here : here + (ch.samples[k + 1] - here) * w;
        table.SetValue(row, c, v * gain);
    }
}

bool UsableRate(float rate) { return std::isfinite(rate) && rate > 0.0f; }

// Force and EMG channels into the analog table, and the plates. The two kinds may have rates of
// their own (EMG often twice the plates'): the table then runs at the faster rate, so that every
// sample keeps its time, and the slower channels are interpolated between their samples.
void ImportChannels(TDataFile& d, const TCodaFile& coda, std::vector<std::string>& notes) {
    const int32_t forces = coda.GetForceCount();
    const int32_t emgs = coda.GetEmgCount();
    const float forceRate = coda.GetForceRate();
    const float emgRate = coda.GetEmgRate();
    if (forces > 0 && !coda.HasForceRate())
        notes.push_back(dez::Format("no force-channel rate in the file, %g Hz taken", forceRate));
    if (emgs > 0 && !coda.HasEmgRate()) notes.push_back(dez::Format("no EMG rate in the file, %g Hz taken", emgRate));
    // The two kinds share the table at the faster rate when both rates can place samples in time.
    const bool twoRates = forces > 0 && emgs > 0 && forceRate != emgRate;
    const bool resample = twoRates && UsableRate(forceRate) && UsableRate(emgRate);
    const float tableRate = resample ? std::max(forceRate, emgRate) : forces > 0 ? forceRate : emgRate;
    if (twoRates && !resample)
        notes.push_back(dez::Format("EMG at %g Hz and force channels at %g Hz cannot share a time base; both are "
                                    "read at %g Hz",
                                    emgRate, forceRate, tableRate));
    d.analogRate = tableRate;

    // Columns that hold every sample of the longest channel on the table's time base.
    auto span = [&](const CodaChannel* ch, float rate) -> int64_t {
        if (!ch) return 0;
        if (!resample || rate == tableRate) return ch->capacity;
        return static_cast<int64_t>(std::ceil(static_cast<double>(ch->capacity) * tableRate / rate));
    };
    const int64_t samples = std::max(span(coda.GetForce(0), forceRate), span(coda.GetEmg(0), emgRate));
    const double cells = static_cast<double>(forces + emgs) * static_cast<double>(samples);
    if (samples > INT32_MAX ||
        cells > static_cast<double>(std::max(kMaxAnalogCellsPerByte * coda.GetFileSize(), kMinAnalogCellLimit))) {
        notes.push_back(dez::Format("its channels would need %.0f samples, more than the file can hold; the "
                                    "channels are not read",
                                    cells));
        return;
    }
    auto* table = new Matrix2D(forces + emgs, static_cast<int32_t>(samples));
    if (table->GetRows() == 0) {  // no samples at all
        delete table;
        return;
    }
    d.analog = table;
    std::vector<std::string> labels;
    const bool hasPlates = coda.GetPlateCount() > 0;
    char label[64];
    for (int32_t c = 0; c < forces; ++c) {
        const int32_t plateIndex = c / kChannelsPerPlate;
        const int32_t position = c % kChannelsPerPlate;
        const CodaPlate* plate = coda.GetPlate(plateIndex);
        double gain = 1.0;
        if (plate) {
            const char* name = (plate->amti ? kAmtiNames : kOtherNames)[position];
            std::snprintf(label, sizeof label, "%s%d", name, plateIndex + 1);
            // The stored channels point the other way from the laboratory; AMTI moments are in
            // N.m, the table's in N.mm.
            gain = plate->amti && position >= 3 && position <= 5 ? -1000.0 : -1.0;
        } else {
            std::snprintf(label, sizeof label, "Channel#%d-%d", position + 1, plateIndex + 1);
        }
        labels.push_back(label);
        PutChannel(*table, c, *coda.GetForce(c), resample ? forceRate : tableRate, tableRate, gain);
    }
    for (int32_t j = 0; j < emgs; ++j) {
        const CodaChannel* ch = coda.GetEmg(j);
        PutChannel(*table, forces + j, *ch, resample ? emgRate : tableRate, tableRate, 1.0);
        labels.push_back(ch->name);
    }
    d.analogLabels = MakeNamedList(labels);

    if (hasPlates && forces > 0) {
        for (int32_t i = 0; i < coda.GetPlateCount(); ++i) {
            const CodaPlate* plate = coda.GetPlate(i);
            int32_t channels[kChannelsPerPlate];
            for (int32_t k = 0; k < kChannelsPerPlate; ++k) channels[k] = kChannelsPerPlate * i + k + 1;
            // The file starts its corners one later round the plate than the recording does.
            double corners[12];
            for (int32_t k = 0; k < 4; ++k)
                for (int32_t a = 0; a < 3; ++a) corners[3 * k + a] = plate->corners[3 * ((k + 1) % 4) + a];
            const double origin[3] = {plate->origin[0], plate->origin[1], plate->origin[2]};
            d.AddForcePlate(plate->amti ? 2 : 3, channels, corners, origin);  // refuses past 64 plates
        }
    }
}

}  // namespace

bool ReadSTPMarkerRange(const char* recordingPath, int32_t* first, int32_t* last) {
    int32_t a = 0, b = 0;
    if (first) *first = 0;
    if (last) *last = 0;
    if (!recordingPath) return false;
    const std::string folder = dez::FolderOf(recordingPath);
    const std::vector<std::string> setups = dez::ListMatchingFiles(folder, "*.stp");
    if (setups.empty()) return false;
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(dez::JoinPath(folder, setups.front()), bytes)) return false;

    std::vector<std::string> lines;
    dez::TextLines reader(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    for (std::string_view line; reader.Next(line);) {
        if (line.size() > kMaxStpLine) break;
        lines.emplace_back(line);
    }

    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != "[Acquisition]" || i + 1 >= lines.size()) continue;
        const std::string& next = lines[++i];  // only the line right after the section name
        const size_t eq = next.find('=');
        if (eq == std::string::npos || next.compare(0, eq, "Markers") != 0) continue;
        if (ParseMarkerRange(next.substr(eq + 1), &a, &b)) found = true;  // the last pair wins
    }
    if (!found) return false;
    if (first) *first = a;
    if (last) *last = b;
    return true;
}

bool ImportCodaFile(TDataFile& d, const TCodaFile& coda, int32_t first, int32_t last) {
    if (!coda.IsValid()) return false;
    std::vector<std::string> notes;  // what was lost or assumed, said once the load is done
    if (!CheckSections(d, coda, notes)) return false;
    d.missingValue = 0.0f;
    delete d.points;
    d.points = nullptr;
    delete d.analog;
    d.analog = nullptr;
    d.plateCount = 0;
    d.InvalidatePlateCache();
    if (!coda.GetComment().empty()) ReplaceText(d.formatText, coda.GetComment().c_str());

    const int32_t frames = coda.GetMinMarkerCapacity();
    const int32_t markers = coda.GetMarkerCount();
    if (first <= 0) first = 1;
    if (last <= 0) last = markers;
    if (markers > 0 && (first > markers || last > markers)) {
        // A setup file of another session may name more markers than this file has.
        const int32_t asked[2] = {first, last};
        if (first > markers) first = 1;
        last = markers;
        if (d.verbose)
            std::cout << NameForMessage(coda) << ": marker range " << asked[0] << "-" << asked[1]
                      << " of the .stp file is beyond the " << markers << " markers; markers " << first << "-"
                      << last << " are read\n";
    }

    delete d.pointLabels;
    d.pointLabels = nullptr;
    d.dimension = 3;
    const int32_t forces = coda.GetForceCount();
    const int32_t emgs = coda.GetEmgCount();
    int32_t columns = 0;
    float rate = coda.GetMarkerRate();
    if (frames > 0 && last >= first) {
        const int32_t n = last - first + 1;
        auto* table = new Matrix2D(3 * n, frames);
        if (table->GetRows() == 0) {
            delete table;
            d.SetErrorText("Not enough memory for the markers");
            return false;
        }
        d.points = table;
        std::vector<std::string> names;
        for (int32_t k = first; k <= last; ++k) {
            const CodaMarker* mk = coda.GetMarker(k - 1);
            const int32_t row = 3 * (k - first);
            for (int32_t f = 0; f < frames; ++f) {
                table->SetValue(row, f, mk->x[f]);
                table->SetValue(row + 1, f, mk->y[f]);
                table->SetValue(row + 2, f, mk->z[f]);
            }
            names.push_back(mk->name);
        }
        d.pointLabels = MakeNamedList(names, first);
        columns = frames;
        if (!coda.HasMarkerRate()) notes.push_back(dez::Format("no marker rate in the file, %g Hz taken", rate));
    } else {
        // No markers to show: one placeholder point as long as the channels.
        const CodaChannel* lead = forces > 0 ? coda.GetForce(0) : coda.GetEmg(0);
        if (!lead || lead->capacity <= 0) {  // nothing to show: the load fails
            d.SetErrorText((NameForMessage(coda) + ": no marker or channel samples").c_str());
            return true;
        }
        columns = lead->capacity;
        rate = std::min(rate, forces > 0 ? coda.GetForceRate() : coda.GetEmgRate());
        d.points = new Matrix2D(3, columns);
        d.pointLabels = MakeNamedList({"Empty"});
    }
    d.pointRate = rate;
    d.firstFrame = 0;
    d.lastFrame = columns - 1;

    delete d.analogLabels;
    d.analogLabels = nullptr;
    if (forces + emgs > 0) ImportChannels(d, coda, notes);
    if (!notes.empty()) {
        std::string text = NameForMessage(coda) + ": ";
        for (size_t i = 0; i < notes.size(); ++i) text += (i ? "; " : "") + notes[i];
        d.SetErrorText(text.c_str());
    }
    return true;
}

bool TDataFile::ReadMDF(const char* filePath, bool) {
    TCodaFile coda(filePath, verbose);
    if (!coda.IsValid()) {
        // The reader has printed its reason; keep it readable without printing it twice.
        const std::string text = dez::NameOf(filePath ? filePath : "") + ": " + coda.GetMessage();
        std::strncpy(errorText, text.c_str(), kErrorTextSize - 1);
        errorText[kErrorTextSize - 1] = '\0';
        return false;
    }
    int32_t first = 0, last = 0;
    ReadSTPMarkerRange(filePath, &first, &last);
    return ImportCodaFile(*this, coda, first, last);
}
