#pragma once
// CODA MDF recordings into the data object, with the marker range of their ".stp" setup file.
#include <cstdint>

class TCodaFile;
class TDataFile;

// The "[Acquisition]" range "Markers=first-last" (1-based) of the first ".stp" file in the
// recording's folder; both outputs 0 and false when there is none.
bool ReadSTPMarkerRange(const char* recordingPath, int32_t* first, int32_t* last);

// Copies what `coda` read into `data`: markers first .. last (1-based; 0 or less means from the
// first or to the last marker), force and EMG channels, rates and plates. Force and EMG channels
// of two rates share the analog table at the faster one. A range beyond the markers is clamped
// with a message. False without a file read, and for a file cut short or damaged inside a section
// the import uses (the reason is the data's error text); what a load lost or assumed is said there
// too.
bool ImportCodaFile(TDataFile& data, const TCodaFile& coda, int32_t first, int32_t last);
