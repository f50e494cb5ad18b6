// shapeC3D: the display-settings file beside a recording (.dlp, an INI file): the marker records
// in section Display_Marker, the links in Display_List.
#include "scene/shapeC3D.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <iostream>

#include <wx/confbase.h>
#include <wx/fileconf.h>

#include "gl/ConfigFile.h"
#include "gl/ReadConfigDouble.h"
#include "motion/TDataFile.h"
#include "scene/wxStructure.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

wxString MarkerKey(const char* name, int i) {
    return wxString::FromUTF8(dez::Format("/Display_Marker/%s%d", name, i));
}

// Reals go to the file with "." whatever the user's locale, in printf's %g form.
void WriteReal(wxConfigBase* config, const wxString& key, double value) {
    config->Write(key, wxString::FromUTF8(dez::Format("%g", value)));
}

float ReadReal(wxConfigBase* config, const wxString& key, float current) {
    return static_cast<float>(ReadConfigDouble(config, key, current));
}

long ReadInteger(wxConfigBase* config, const wxString& key, long current) {
    long value = current;
    config->Read(key, &value, current);
    return value;
}

uint8_t ReadFlag(wxConfigBase* config, const wxString& key, uint8_t current) {
    // The flag keeps the low eight bits of the stored integer.
    return static_cast<uint8_t>(ReadInteger(config, key, current) & 0xFF);
}

int32_t ReadInt32(wxConfigBase* config, const wxString& key, int32_t current) {
    const long value = ReadInteger(config, key, current);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

// Display settings are read once through the guarded read and written through the safe writer;
// a file that cannot be read or written is named in the Log with the reason.
void ReportSettingsFile(const char* what, const std::string& error) {
    std::cout << what << ": " << error << std::endl;
}

}  // namespace

void shapeC3D::SaveDisplaySettings() {
    if (!m_displaySettingsFile.empty()) SaveDisplaySettingsFile(m_displaySettingsFile);
}

void shapeC3D::SaveDisplaySettingsFile(const wxString& path) {
    if (path.empty()) return;
    // Entries of the file that are not ours are kept: its store is read first. A file that is
    // there but cannot be read is left as it is rather than replaced by what this save knows.
    const std::string file = path.utf8_string();
    std::string error;
    auto config = ReadConfigFile(file, &error);
    if (!config) {
        ReportSettingsFile("The display settings were not saved", error);
        return;
    }
    WriteDisplaySettings(config.get());
    if (!WriteConfigFile(*config, file, &error)) ReportSettingsFile("The display settings were not saved", error);
}

void shapeC3D::LoadDisplaySettingsFile(const wxString& path) {
    if (path.empty()) return;
    std::string error;
    auto config = ReadConfigFile(path.utf8_string(), &error);
    if (!config) {
        ReportSettingsFile("The display settings could not be read", error);
        return;
    }
    ReadDisplaySettings(config.get());
}

void shapeC3D::WriteDisplaySettings(wxConfigBase* config) {
    if (!config) return;
    const int count = static_cast<int>(m_markers.size());
    config->Write("/Display_Marker/Count", static_cast<long>(count));
    for (int i = 0; i < count; ++i) {
        const MarkerDisplay& m = m_markers[static_cast<size_t>(i)];
        WriteReal(config, MarkerKey("size", i), m.radius);
        WriteReal(config, MarkerKey("red", i), m.red);
        WriteReal(config, MarkerKey("green", i), m.green);
        WriteReal(config, MarkerKey("blue", i), m.blue);
        config->Write(MarkerKey("visible", i), static_cast<long>(m.visible));
        config->Write(MarkerKey("show_name", i), static_cast<long>(m.showName));
        config->Write(MarkerKey("show_num", i), static_cast<long>(m.showNumber));
        WriteReal(config, MarkerKey("zoom", i), m.zoom);
        config->Write(MarkerKey("trajectory", i), static_cast<long>(m.trajectory));
        // The key is spelled so in every file.
        WriteReal(config, MarkerKey("tajectory_size", i), m.trajectoryWidth);
        config->Write(MarkerKey("before", i), static_cast<long>(m.before));
        config->Write(MarkerKey("after", i), static_cast<long>(m.after));
    }
    if (m_links) {
        m_links->WriteConfig(config);
    } else {
        // Links of an earlier write would otherwise stay in the file and come back on reading.
        config->DeleteGroup("/Display_List");
        config->Write("/Display_List/Count", 0L);
    }
}

void shapeC3D::ReadDisplaySettings(wxConfigBase* config) {
    if (!config) return;
    m_links.reset();
    if (m_data) m_missingValue = m_data->missingValue;
    NewLinks();
    m_links->ReadConfig(config);
    if (m_links->GetSegmentCount() == 0) {
        m_links.reset();
        // Markers in no link are all there is now; hiding them would leave the scene empty.
        m_showUnlinkedMarkers = 1;
    }

    long stored = 0;
    config->Read("/Display_Marker/Count", &stored, 0L);
    const long n = std::min<long>(stored, static_cast<long>(m_markers.size()));
    for (int i = 0; i < n; ++i) {
        MarkerDisplay& m = m_markers[static_cast<size_t>(i)];
        m.radius = ReadReal(config, MarkerKey("size", i), m.radius);
        m.red = ReadReal(config, MarkerKey("red", i), m.red);
        m.green = ReadReal(config, MarkerKey("green", i), m.green);
        m.blue = ReadReal(config, MarkerKey("blue", i), m.blue);
        m.visible = ReadFlag(config, MarkerKey("visible", i), m.visible);
        m.showName = ReadFlag(config, MarkerKey("show_name", i), m.showName);
        m.showNumber = ReadFlag(config, MarkerKey("show_num", i), m.showNumber);
        m.zoom = ReadReal(config, MarkerKey("zoom", i), m.zoom);
        m.trajectory = ReadFlag(config, MarkerKey("trajectory", i), m.trajectory);
        // Written as a real, so read as one: a width of 2.5 comes back as 2.5.
        m.trajectoryWidth = ReadReal(config, MarkerKey("tajectory_size", i), m.trajectoryWidth);
        m.before = ReadInt32(config, MarkerKey("before", i), m.before);
        m.after = ReadInt32(config, MarkerKey("after", i), m.after);
    }
    // The caller binds the new links; the per-marker flags follow them at once.
    UpdateMarkerFlags();
}
