#pragma once
// CODA MDF recordings into the data object, with the marker range of their ".stp" setup file.
#include <cstdint>

class TCodaFile;
class TDataFile;

// The "[Acquisition]" range "Markers=first-last" (1-based) of the first ".stp" file in the
// recording's folder; both outputs 0 and false when there is none.
bool ReadSTPMarkerRange(const char* recordingPath, int32_t* first, int32_t* last);

// Copies what `coda` read into `data`: markers first .. last (1-based; 0 or less means from the
// first or to the last marker), force and EMG channels, rates and plates. A range beyond the
// markers is clamped with a message. False only without a file read.
bool ImportCodaFile(TDataFile& data, const TCodaFile& coda, int32_t first, int32_t last);
