#pragma once
// The motion-data object of one file: a recording that knows file kinds, loads and saves every
// supported motion format, finds companion files and computes force-plate results.
#include <cstdint>
#include <memory>
#include <string>

#include "motion/TC3DData.h"
#include "motion/TPlateCalculator.h"

class TStructure;
namespace dez {
class ByteReader;
}

// File kinds; the values are stored in display-settings files and passed by callers.
enum DataFileType : int32_t {
    kFileTRT = 0,        // TRT / TRX binary track
    kFileText = 1,       // text table; also every unknown extension
    kFileC3D = 2,
    kFileRIC = 3,        // RIC, RIF, RAW, RAH
    kFileEMG = 4,        // analog only
    kFileMat = 5,        // matrix file, save only
    kFileMPC = 6,        // MPC, CME
    kFileMDF = 7,
    kFileCPrefix = 8,    // file name beginning "c#"
    kFileTrack = 9,      // TRC, TRB
    kFileTAF = 10,
    kFileBVH = 11,
    kFileDetect = 12,    // LoadFile only: take the kind from the path
};

constexpr int kStickTextSize = 2560;
// Buffers the path getters and the analog-file lookup fill: GetPath and FindAnalogFile write at
// most kPathBufferSize bytes, GetFileName and GetAnalogFileName at most kNameBufferSize.
constexpr int kPathBufferSize = 1024;
constexpr int kNameBufferSize = 256;

// MANUFACTURER texts and version written into every C3D file this program saves.
extern const char* gC3DAuthorName;
extern const char* gC3DVendorName;
extern int32_t gC3DSoftwareVersion[3];

class TDataFile : public TC3DData {
public:
    // New empty data of the given sizes (all samples 0.0).
    TDataFile(int32_t points, int32_t frames, float pointRate, int32_t analogChannels, int32_t samplesPerFrame,
              int32_t dimension);
    // Loads `path` at once (when given); the caller tests HasPoints().
    explicit TDataFile(const char* path, uint8_t markerSetFlag = 1, uint8_t secondFlag = 1, double bvhScale = 10.0);
    ~TDataFile() override;

    bool LoadC3D(const char* path, bool keepCameraMask, bool readFrames, bool stripPrefixes) override;
    // Looks beside the recording for its marker set (.vsk, .mkr, else the .dfn links) and fills
    // `structure` (when given) with the links; true when a marker-set file was read.
    virtual bool LoadMarkerSet(TStructure* structure);

    void Reset();
    void DetectFileType(const char* path);
    bool LoadFile(const char* path, int32_t fileKind, bool readFrames);
    bool LoadKeepPath(const char* path, int32_t fileKind);
    bool ImportAnalogFile(const char* path);
    bool Save();
    bool SaveFile(const char* path, int32_t fileKind);
    void SetPath(const char* text);
    void GetPath(char* out) const;
    void GetFileName(char* out) const;
    void GetAnalogFileName(char* out) const;
    std::string GetPath() const { return path ? std::string(path) : std::string(); }
    void ClearAnalog();

    void InitEventContexts();
    bool AddEvent(int32_t frame, const char* name, int32_t contextIndex, int32_t icon, bool checkRange);
    bool RemoveEvent(int32_t frame);
    bool RemoveHeaderEvent(int32_t frame);
    bool AddPoint(const char* name);
    bool SetPointInfo(int32_t index, const char* label, const char* unit, const char* description);
    int32_t FindPointLabel(const char* name) const;
    // Box of the points over a sample of the frames: x min, x max, y min, y max (and z min, z max
    // when count is 6); the origin is always inside. Missing samples (x at the missing value) and
    // unmeasured ones (negative residual) are left out, so that the coordinates a file keeps for a
    // point it did not see cannot stretch the box. `measured`, when given, says whether any sample
    // was counted; without one the box is the origin alone and tells nothing of the recording.
    bool GetBoundingBox(float* out, int32_t count, bool cube, bool* measured = nullptr) const;
    void GetTrajectory(int32_t n, Matrix2D* out, bool swap) const;
    double GetUnitFactor(int32_t i) const;

    // Force plates. GetPlateForces gives plate `plate` (from 0) at analog column `column`; for the
    // types that derive it, no centre of pressure is computed while |Fz| is at or below the
    // threshold (the plate centre is given). With localAxes the results stay in the plate's axes
    // (see TPlateCalculator). Out is zeroed once the analog table and rate are there, so most
    // refusals leave zeros.
    bool GetPlateForces(int32_t plate, int32_t column, TPlateForces* out, float threshold, bool localAxes);
    // Type, channel numbers as stored (from 1; 6, or 8 for type 3), 12 corner coordinates and 3
    // origin coordinates; null outputs are skipped.
    bool GetPlateGeometry(int32_t plate, int32_t* type, int32_t* channels, double* corners, double* origin) const;
    // Appends a plate (a type below 1 becomes 2); refused at 64 plates or without analog table.
    bool AddForcePlate(int32_t type, const int32_t* channels, const double* corners, const double* origin);
    // The plate results are prepared once per plate and kept; a change of the analog table, of
    // ZERO or of a plate record is noticed by itself, samples edited in place are not.
    void InvalidatePlateCache();

    // Marker-set and skeleton companions (MarkerSets.cpp). Each reader that succeeds sets
    // stickText, may give the points the set's order and names (when markerSetFlag allows it)
    // and, when given a structure, Sets it from the new links. A null path means the recording's
    // own name with the reader's extension; a null section means "[Autolabel]".
    bool LoadMkrFile(const char* path, const char* section, TStructure* structure);
    bool LoadVskFile(const char* path, TStructure* structure);
    // Read the first .mkr / .vsk of a folder ("" = the working directory), in sorted order; the
    // .vsk named after the first subject comes first.
    bool FindMkrFile(const char* folder, TStructure* structure);
    bool FindVskFile(const char* folder, TStructure* structure);
    bool ReadMkrV1(const char* path, TStructure* structure);
    bool ReadMkrV2(const char* path, const char* section, TStructure* structure);
    // Links per subject, for recordings whose labels carry "subject:" prefixes.
    bool ReadMkrSubjects(const char* path, const char* section, TStructure* structure);

    // Readers and writers of the other motion formats.
    bool ReadTRT(const char* path, bool readFrames);
    bool ReadTX(const char* path, bool readFrames);
    bool ReadRIC(const char* path, bool readFrames, bool companions);
    bool ReadMPC(const char* path, bool readFrames);
    bool ReadMDF(const char* path, bool readFrames);
    bool ReadCPrefix(const char* path, bool readFrames);
    bool ReadTrackFile(const char* path);
    bool ReadTAF(const char* path, bool asPoints);
    bool ReadBVH(const char* path);
    bool FindAnalogFile(const char* path, char* outPath);
    bool ReadTRTFile(const char* path, bool asAnalog, bool readFrames);
    bool ReadDFN(const char* path, bool asAnalog, int32_t flag);
    void ImportTextAnalog(const char* path);
    bool ImportEMG(const char* path);
    bool WriteTRT(const char* path);
    bool WriteTRX(const char* path);
    bool WriteText(const char* path, bool flag);
    bool WriteMatFile(const char* path);
    bool ReadDFNAnnotations(const char* dataPath, bool readEvents, bool readStickText, bool readFileNames);
    // DFN companion writer, text-table passes and the TRX layout (DfnFile.cpp, TextTable.cpp,
    // TrtFile.cpp). WriteDFN saves the companion ReadDFN reads and is false when that failed.
    bool WriteDFN(const char* path);
    void DetectLineEnd(const char* path);
    bool ReadTextTable(const char* path, bool fill, int32_t* signals, int32_t* frames, Matrix2D* table,
                       char commentChar);
    bool ReadTRXFile(const char* path, bool asAnalog, bool readFrames);

    // RIC family (RicFile.cpp). The header is read from `file`'s position, which is left at the
    // data; with `events` the foot events of a valid header are added. The companions append the
    // .ang/.mom/.pwr beside `recordingPath` as further points; false when skipped.
    bool ReadRICHeader(dez::ByteReader& file, int32_t* markers, int32_t* frames, int32_t* rate, bool events);
    bool ReadANG(const char* recordingPath);
    bool ReadMOM(const char* recordingPath);
    bool ReadPWR(const char* recordingPath);
    // Force-plate companions of a RIC recording (RicPlateFiles.cpp): each file read appends six
    // analog channels; a .gr file also appends a plate.
    bool ReadPlateFiles(const char* recordingPath);
    bool ReadPlateFile(const char* platePath, int32_t plate);
    bool ReadPlateInfo(const char* platePath, int32_t* samples, int32_t* rate, int32_t plate);
    bool ReadGRFiles(const char* recordingPath);
    bool ReadGRFile(const char* grPath, int32_t plate);
    // Names and links of an MPC/CME recording from its .vm companion (MpcFile.cpp).
    bool ReadVM(const char* companionPath);

    // Track files and their companions (importers/TrackFile.cpp, TrackAnalog.cpp,
    // PlateCalibration.cpp). ReadANC takes the track's path and reads the .anc beside it.
    bool ReadTRC(const char* path);
    bool ReadTRB(const char* path);
    bool ReadANC(const char* trackPath);
    bool ReadBinaryAnalog(const char* path);
    bool ScaleForcePlateChannels();
    // Creates the plates of a calibration file, their channels calibrated to N and N.mm; gives
    // the number of plates created.
    int32_t ReadCalFile(const char* path);

    uint8_t keepGroups = 1;
    int32_t kind = kFileText;
    char lineEnd = 13;
    char fieldSeparator = 9;
    int32_t headerLines = 0;
    char stickText[kStickTextSize] = {};
    char* videoFile = nullptr;
    char* analogFile = nullptr;
    char* skeletonFile = nullptr;
    int32_t videoFirstFrame = -1;
    int32_t videoLastFrame = -1;
    int32_t syncFrame = 0;
    char* comment = nullptr;
    uint8_t dfnIFlag = 0;
    uint8_t markerSetFlag = 1;
    uint8_t secondFlag = 1;
    int32_t playFirst = 0;
    int32_t playLast = 0;
    double bvhScale = 10.0;
    char* formatText = nullptr;

private:
    // Frees what a load replaces: the recording, the video and comment texts and the plates; with
    // keepError the reader's error text survives.
    void ClearForLoad(bool keepError);
    bool SaveKind(const char* target, int32_t fileKind);

    std::unique_ptr<TPlateCalculator> plateCalculator_;
};

// A 6-byte Turbo Pascal real as a float (the plate files of RIC recordings).
float Real48ToFloat(const uint8_t* bytes);

// Removes leading and trailing blanks in place: bytes that are at most 32 read as signed 8-bit
// numbers, so codes 1-32 and 128-255.
void TrimBlanks(char* text);
