#include "app/ShellSettings.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <wx/confbase.h>

#include "gl/AppSettings.h"
#include "gl/ReadConfigDouble.h"
#include "app/RecentFiles.h"
#include "platform/NumberText.h"

namespace {

const char kHistoryCount[] = "/History/Count";
const char kHistoryGroup[] = "/History";
const char kHistoryEntryPrefix[] = "File";

// Reads one real setting; the stored value replaces the current one only when the rule accepts
// it.
void LoadReal(wxConfigBase& config, const char* key, double& setting, bool (*accept)(double)) {
    const double value = ReadConfigDouble(&config, key, setting);
    if (accept(value)) setting = value;
}

}  // namespace

bool IsAcceptedZoomFactor(double value) { return std::isfinite(value) && value > 0.0; }
bool IsAcceptedZoomIncrement(double value) { return std::isfinite(value); }
bool IsAcceptedCameraMove(double value) { return std::isfinite(value) && value > 0.0; }
bool IsAcceptedDefaultLens(double value) {
    return std::isfinite(value) && value > 0.0 && value < 180.0;
}
bool IsAcceptedBvhScale(double value) { return std::isfinite(value) && value > 0.0; }

wxString ConfigRealText(double value) { return wxString::FromUTF8(dez::Format("%g", value)); }

void LoadSettingsValues(wxConfigBase& config) {
    LoadReal(config, "camera/camera_zoom_factor", camera_zoom_factor, IsAcceptedZoomFactor);
    LoadReal(config, "camera/camera_zoom_inc", camera_zoom_inc, IsAcceptedZoomIncrement);
    LoadReal(config, "camera/camera_default_lens", camera_default_lens, IsAcceptedDefaultLens);
    LoadReal(config, "camera/camera_move", camera_move, IsAcceptedCameraMove);
    bool inchUnit = true;
    config.Read("bvh/inch_unit", &inchUnit, true);
    bvh_inch_unit = inchUnit;
    LoadReal(config, "bvh/scale", bvh_scale, IsAcceptedBvhScale);
}

void SaveSettingsValues(wxConfigBase& config) {
    config.Write("camera/camera_zoom_factor", ConfigRealText(camera_zoom_factor));
    config.Write("camera/camera_zoom_inc", ConfigRealText(camera_zoom_inc));
    config.Write("camera/camera_move", ConfigRealText(camera_move));
    config.Write("camera/camera_default_lens", ConfigRealText(camera_default_lens));
    config.Write("bvh/inch_unit", bvh_inch_unit);
    config.Write("bvh/scale", ConfigRealText(bvh_scale));
}

void LoadHistory(wxConfigBase& config, RecentFiles& history) {
    history.Clear();
    long count = 0;
    if (!config.Read(kHistoryCount, &count) || count <= 0) return;

    // The entries below the count, by index. Walking the group's entries instead of every index
    // up to the count gives the same list, and a count of a billion does not hang the start.
    std::map<long, wxString> entries;
    const wxString oldPath = config.GetPath();
    config.SetPath(kHistoryGroup);
    wxString name;
    long cookie = 0;
    for (bool more = config.GetFirstEntry(name, cookie); more;
         more = config.GetNextEntry(name, cookie)) {
        if (!name.StartsWith(kHistoryEntryPrefix)) continue;
        const std::string digits = name.Mid(sizeof(kHistoryEntryPrefix) - 1).utf8_string();
        // Only the form "File%d" writes: no sign, no blanks, no leading zeros.
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
            (digits.size() > 1 && digits[0] == '0'))
            continue;
        long index = 0;
        if (!dez::ParseInt(digits, index) || index >= count) continue;
        wxString value;
        if (config.Read(name, &value)) entries[index] = value;
    }
    config.SetPath(oldPath);

    for (const auto& entry : entries) history.Add(entry.second.utf8_string());
}

void SaveHistory(wxConfigBase& config, const RecentFiles& history) {
    const int count =
        history.Count() < RecentFiles::kCapacity ? history.Count() : RecentFiles::kCapacity;
    config.Write(kHistoryCount, count);
    for (int i = 0; i < count; ++i)
        config.Write(wxString::Format("/History/File%d", i), wxString::FromUTF8(history.At(i)));
    // Entries beyond the count are never read again: leaving them would let the file grow for
    // ever (and slow every start).
    const wxString oldPath = config.GetPath();
    config.SetPath(kHistoryGroup);
    std::vector<wxString> stale;
    wxString name;
    long cookie = 0;
    for (bool more = config.GetFirstEntry(name, cookie); more; more = config.GetNextEntry(name, cookie)) {
        if (!name.StartsWith(kHistoryEntryPrefix)) continue;
        long index = -1;
        const std::string digits = name.Mid(sizeof(kHistoryEntryPrefix) - 1).utf8_string();
        if (!dez::ParseInt(digits, index) || index < 0 || index >= count ||
            name != wxString::Format("File%ld", index))
            stale.push_back(name);
    }
    for (const wxString& key : stale) config.DeleteEntry(key, false);
    config.SetPath(oldPath);
}
