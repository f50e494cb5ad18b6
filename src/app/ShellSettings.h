#pragma once
// The program-wide settings values and the recent-files list as the configuration store keeps
// them between runs. Reals are stored as text with "." as the decimal point whatever the user's
// locale; integers and booleans as integers.
#include <wx/string.h>

class RecentFiles;
class wxConfigBase;

// Which values the settings may take, from the store and from edits alike: the zoom factor, the
// camera move and the BVH scale are divisors or scales and must be above 0; the default lens is
// an angle above 0 and below 180 degrees; the zoom increment may be anything finite (the camera
// repairs a value of 0 or less itself). Non-finite values are refused everywhere.
bool IsAcceptedZoomFactor(double value);
bool IsAcceptedZoomIncrement(double value);
bool IsAcceptedCameraMove(double value);
bool IsAcceptedDefaultLens(double value);
bool IsAcceptedBvhScale(double value);

// The text a real is stored as: up to six significant digits, "." as the decimal point (250,
// 0.05, 45).
wxString ConfigRealText(double value);

// The six settings values from the keys "camera/camera_zoom_factor", "camera/camera_zoom_inc",
// "camera/camera_default_lens", "camera/camera_move", "bvh/inch_unit" and "bvh/scale", relative
// to the store's current path. A missing, unreadable or refused value leaves the setting as it
// is; with recording of defaults on, a missing real is recorded as empty text and a missing
// "bvh/inch_unit" as 1.
void LoadSettingsValues(wxConfigBase& config);
void SaveSettingsValues(wxConfigBase& config);

// The history from "/History/Count" and "/History/File0", "/History/File1", ... in index order:
// empty and repeated entries are skipped and only the newest nine stay. Nothing is recorded for
// missing keys. Only entries the store really holds are visited, so a damaged count costs
// nothing.
void LoadHistory(wxConfigBase& config, RecentFiles& history);
// Writes "/History/Count" and one "/History/File%d" per entry, oldest first, and removes every
// other "File..." entry of the group (those a previous run wrote beyond the count).
void SaveHistory(wxConfigBase& config, const RecentFiles& history);
