#pragma once
// One motion recording in memory, organised the way a C3D file organises it: the point and analog
// tables, the texts naming them, events, force plates, the model-output label lists and the C3D
// parameter groups kept for writing back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "motion/LabelledItem.h"
#include "motion/Matrix2D.h"

struct TC3DGroup;
struct TC3DParameter;
namespace dez {
class ByteReader;
}

constexpr int kMaxAnalogFactors = 128;  // channels with their own scale, gain, offset and type
constexpr int kMaxPlates = 64;
constexpr int kMaxGroups = 95;
constexpr int kMaxMovies = 32;
constexpr int kErrorTextSize = 200;

// The residual row of a point (value 3 of each point when the dimension is 4 or 5) keeps the
// meaning of the fourth word of a C3D point: a negative residual marks a point that was not
// measured (invalid: the C3D reader stores kInvalidResidual, the writer writes -1); 0 is a valid
// point without a residual (computed or gap-filled); a positive value is the residual in the units
// of the point table. A NaN residual counts as invalid. The coordinates of an invalid point are
// kept as the file gave them. `missingValue` is the missing value of coordinates, not of residuals.
constexpr double kInvalidResidual = -1.0;
inline bool IsValidResidual(double residual) { return residual >= 0.0; }

struct TForcePlate {
    float corners[4][3] = {};  // x y z of corners 1-4, units of the point table
    float origin[3] = {};      // FORCE_PLATFORM:ORIGIN
    int32_t channels[8] = {};  // 1-based analog channel numbers; 8 used by type 3, else 6
    // The k-th CAL_MATRIX read lands in slot k, whichever plate it belongs to.
    float* calibration = nullptr;
    int32_t calRows = 0;
    int32_t calCols = 0;
    int32_t type = 0;
    int32_t calibrationIndex = -1;  // slot of this plate's matrix, -1 when none

    void FreeCalibration();
};

class TC3DData {
public:
    TC3DData();
    TC3DData(const TC3DData&) = delete;
    TC3DData& operator=(const TC3DData&) = delete;

    // Virtual operations, in the order of their slots.
    virtual ~TC3DData();
    virtual void Clear();
    virtual bool LoadC3D(const char* path, bool keepCameraMask, bool readFrames, bool stripPrefixes);
    virtual bool GetMarkerSetNames(char* markerSet, char* displaySet, int32_t subject);
    virtual bool SaveC3D(const char* path, const char* company, const char* software, const int32_t* version,
                         bool copyKeptGroups);
    virtual int32_t GetDimension() const { return dimension; }
    virtual float GetPointRate() const { return pointRate; }
    virtual void SetPointRate(float rate);
    virtual float GetPointPeriod() const;
    virtual float GetAnalogRate() const { return analogRate; }
    virtual void SetAnalogRate(float rate);
    virtual float GetAnalogPeriod() const;
    virtual int32_t GetAnalogType(int32_t channel) const;
    virtual float GetAnalogSamplesPerFrame() const;
    virtual bool HasPoints() const { return points != nullptr; }
    virtual int32_t GetNumberOfPoints() const;
    virtual int32_t GetHeaderEventCount() const;
    virtual bool GetHeaderEvent(char* out, int32_t i) const;
    virtual bool GetHeaderEventById(char* out, int32_t id) const;
    virtual int32_t FindHeaderEvent(const char* name) const;
    virtual int32_t GetEventCount() const;
    virtual bool GetEvent(char* out, int32_t i) const;
    virtual bool GetEventById(char* out, int32_t id) const;
    virtual int32_t FindEvent(const char* name) const;
    virtual int32_t GetPlateCount() const;
    virtual int32_t GetAnalogChannelCount() const;
    virtual int32_t GetPointCount() const;
    virtual int32_t GetFrameCount() const;
    virtual int32_t GetPointRowCount() const;
    virtual const char* GetErrorText() const { return errorText; }
    virtual bool UsesPrefixes() const { return usesPrefixes; }
    virtual void SetAnalogChannelCount(int32_t n);
    virtual bool GetAnalogLabel(char* out, int32_t n) const;
    virtual bool GetAnalogUnit(char* out, int32_t n) const;
    virtual bool GetAnalogDescription(char* out, int32_t n) const;
    virtual void SetPointCount(int32_t n);
    virtual int32_t GetPointLabel(char* out, int32_t i) const;
    virtual int32_t GetPointUnit(char* out, int32_t i) const;
    virtual int32_t GetPointDescription(char* out, int32_t i) const;
    virtual float* GetResiduals(int32_t i) const;
    virtual uint8_t* GetCameraMasks(int32_t i) const;
    virtual int32_t GetSubjectCount() const { return subjectsUsed; }
    virtual bool GetPlateSize(int32_t p, float* a, float* b) const;
    virtual bool GetPlateCentre(int32_t p, float* centre) const;
    virtual bool GetPlateChannels(int32_t p, int32_t* channels, int32_t* count) const;
    virtual bool GetPlateCorners(int32_t p, float* corners) const;
    virtual float* GetAllPlateCorners() const;
    virtual void SetAllPlateCorners(const float* corners);
    virtual void SetPlateCorners(int32_t p, const float* corners);
    virtual void GetPlateAngle(int32_t p, float* angle) const;
    virtual int32_t GetPlateType(int32_t p) const;
    virtual int32_t SetPlateType(int32_t p, int32_t type);
    virtual int32_t GetPlateZeroFrom() const { return plateZero[0]; }
    virtual void SetPlateZeroFrom(int32_t n) { plateZero[0] = n; }
    virtual int32_t GetPlateZeroTo() const { return plateZero[1]; }
    virtual void SetPlateZeroTo(int32_t n) { plateZero[1] = n; }
    virtual float* GetAllPlateOrigins() const;
    virtual void SetAllPlateOrigins(const float* origins);
    virtual float* GetAllCalibrationMatrices() const;
    virtual void SetAllCalibrationMatrices(const float* values);
    virtual int32_t* GetAllPlateChannels() const;
    virtual void SetAllPlateChannels(const int32_t* channels);
    virtual const char* GetShortName() const { return shortName; }
    virtual void SetShortName(const char* name);
    virtual void SetPointLabel(const char* label, int32_t i, const char* unit, const char* description);
    virtual void SetAnalogLabel(const char* label, int32_t i, const char* unit, const char* description);
    virtual bool IsModified() const { return modified; }
    virtual void SetModified(bool flag) { modified = flag; }

    // Sized forms of the text getters: they cut the text to fit `size` bytes. The unsized virtual
    // forms above expect buffers of at least 256 bytes.
    int32_t GetPointLabel(char* out, int32_t size, int32_t i) const;
    bool GetAnalogLabel(char* out, int32_t size, int32_t n) const;
    std::string PointLabel(int32_t i) const;
    std::string AnalogLabel(int32_t n) const;

    bool SetMovieDelay(int32_t i, float delay);
    static LabelledItemList* MakeLabelList(int32_t n, const char* prefix);
    void AddCategoryPoint(LabelledItemList* list, const char* label, const char* unit, const char* description);
    void AddAngle(const char* label, const char* unit, const char* description);
    void AddMoment(const char* label, const char* unit, const char* description);
    void AddPower(const char* label, const char* unit, const char* description);
    bool IsModelOutputLabel(const char* label) const;
    bool IsModelOutputPoint(int32_t i) const;
    void ClearCategoryLists();
    void StripSubjectPrefixes();
    int32_t FindEventContext(const char* name) const;
    void GetDfnModel(char* out) const;
    void GetDfnIn3(char* out) const;
    void GetDfnJoint(char* out) const;

    // Kept parameter groups of the C3D file (C3DParameters.cpp).
    TC3DGroup* FindGroup(const char* name) const;
    const char* GetGroupName(int32_t number) const;
    TC3DGroup* AddGroup(const char* name, int32_t number, bool locked);
    void FreeGroups();

    // C3D reader (C3DReader.cpp). LoadC3D reads a file; LoadC3DFromBuffer reads the same bytes
    // held in memory (`path` is then left null).
    bool LoadC3DFromBuffer(const uint8_t* data, size_t size, bool keepCameraMask, bool readFrames,
                           bool stripPrefixes);
    // (raw - offset) x scale in single precision; only (raw - offset) on a channel of a plate whose
    // calibration matrix is applied later, which scales it then.
    float ScaleAnalogValue(float raw, float offset, float scale, int32_t channel) const;

    // C3D parameter section (C3DParameters.cpp). `file` reads the bytes from the start of the file
    // up to the end of the parameter section; false at the end of the section.
    bool ReadParameterRecord(dez::ByteReader& file);
    // Reads the rest of a parameter record after its distance word, applies it and keeps it.
    void InterpretParameter(dez::ByteReader& file, const char* name, const char* groupName, bool locked);
    // Applies a parameter that has been read to the recording's fields.
    void ApplyParameter(const TC3DParameter& parameter, const char* groupName);
    // `count` texts of `width` characters into a label list stored where the group and parameter
    // say; `widthField` is raised to the width.
    void FillLabelList(const char* data, int32_t width, int32_t count, const char* group, const char* parameter,
                       int32_t* widthField);
    bool AddCategoryLabels(LabelledItemList* list, const char* data, int32_t width, int32_t count,
                           int32_t* widthField);
    void SetDataStart(uint16_t block);
    // EVENT:TIMES as [2, count] floats: minutes and seconds of each event.
    void SetEventTimes(const float* values, int32_t dim1, int32_t count);
    // True when plate p's analog channels go through its calibration matrix: a type-4 plate whose
    // slot holds a 6 x 6 matrix and whose six channels all exist in the analog table.
    bool PlateUsesCalibration(int32_t p) const;
    void ApplyCalibration();
    void BuildEvents();

    // Sets errorText (cut to fit) and, when verbose, prints it.
    void SetErrorText(const char* text);

    // Fields, all public: the readers, writers, scene object and model use them directly.
    Matrix2D* points = nullptr;
    Matrix2D* analog = nullptr;
    char* path = nullptr;
    float pointScale = 1.0f;
    float analogScale[kMaxAnalogFactors];
    float analogGain[kMaxAnalogFactors];
    float analogOffset[kMaxAnalogFactors];
    int32_t analogType[kMaxAnalogFactors];
    int32_t plateZero[2] = {0, 0};
    char errorText[kErrorTextSize] = {};
    int32_t headerPointCount = 0;
    // A file without points (analog only) keeps a one-point table of missing samples, so that the
    // recording still has frames; that point is no marker and is never written back.
    bool pointPlaceholder = false;
    int32_t processor = 1;  // 1 Intel, 2 DEC, 3 SGI/MIPS
    bool integerData = false;
    LabelledItemList* headerEvents = nullptr;
    LabelledItemList* analogLabels = nullptr;
    LabelledItemList* analogDescriptions = nullptr;
    LabelledItemList* analogUnits = nullptr;
    LabelledItemList* pointLabels = nullptr;
    LabelledItemList* pointDescriptions = nullptr;
    LabelledItemList* pointUnits = nullptr;
    LabelledItemList* writtenGroups = nullptr;
    LabelledItemList* subjectNames = nullptr;
    LabelledItemList* scalars = nullptr;
    LabelledItemList* angles = nullptr;
    LabelledItemList* forces = nullptr;
    LabelledItemList* moments = nullptr;
    LabelledItemList* powers = nullptr;
    LabelledItemList* reactions = nullptr;
    LabelledItemList* eventContextLabels = nullptr;
    LabelledItemList* eventContextDescriptions = nullptr;
    LabelledItemList* events = nullptr;
    LabelledItemList* eventDescriptions = nullptr;
    LabelledItemList* eventContexts = nullptr;
    LabelledItemList* eventSubjects = nullptr;
    int32_t modelOutputCount = 0;
    int32_t dimension = 3;
    float pointRate = 0.0f;
    float analogRate = 0.0f;
    float missingValue = 0.0f;  // coordinates of a missing point (see kInvalidResidual for residuals)
    TForcePlate plates[kMaxPlates];
    int32_t plateCount = 0;
    int32_t groupCounter = 0;
    TC3DGroup* groups[kMaxGroups + 1] = {};
    int32_t groupCount = 0;
    int32_t labelWidth = 32;
    int32_t descriptionWidth = 64;
    int32_t unitWidth = 32;
    int32_t modelOutputWidth = 32;
    int32_t subjectWidth = 32;
    bool usesPrefixes = false;
    int32_t subjectsUsed = 0;
    char* dfnPreScript = nullptr;
    char* dfnModel = nullptr;
    char* dfnJoint = nullptr;
    char* dfnIn3 = nullptr;
    char* dfnPostScript = nullptr;
    bool verbose = true;
    char xScreen[3] = {};
    char yScreen[3] = {};
    char movieIds[kMaxMovies][32] = {};
    float movieDelays[kMaxMovies] = {};
    int32_t movieCount = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    char* shortName = nullptr;
    double* eventTimes = nullptr;
    int32_t eventTimeCount = 0;
    int32_t* eventIconIds = nullptr;
    int32_t eventIconIdCount = 0;
    uint8_t* eventGenericFlags = nullptr;
    int32_t eventGenericFlagCount = 0;
    int32_t* contextIconIds = nullptr;
    int32_t contextIconIdCount = 0;
    uint8_t* contextColours = nullptr;  // red, green, blue per context
    int32_t contextColourCount = 0;
    bool modified = false;
    bool movieDelaysEdited = false;
    bool swapYZ = false;
    // ANALOG:FORMAT is "UNSIGNED": integer samples and ANALOG:OFFSET are 0 ... 65535.
    bool analogUnsigned = false;
};

// Replaces item `index` of `list` by (id index + 1, text), first padding the list with " " items.
void SetListItem(const char* text, int32_t index, LabelledItemList* list);
// Index of the first item named `name` (ASCII case ignored); -1 for a null name or list.
int32_t FindLabel(const char* name, const LabelledItemList* list);
bool HasLabel(const char* name, const LabelledItemList* list);
// Copies item `index`'s name into out (at least 256 bytes); a one-item list answers every index
// when oneForAll is set. Returns the index copied or -1 (out is then "").
int32_t CopyListItem(const LabelledItemList* list, char* out, int32_t index, bool oneForAll);
// Frees an owned text and sets it to a copy of `text` (null stays null).
void ReplaceText(char*& field, const char* text);
