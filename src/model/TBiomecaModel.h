#pragma once
// The computational core of the body model attached to a recording: the segment and joint
// records, the model settings and the per-frame result tables (segment kinematics, resultant
// loads, joint loads). No GUI and no GL: the display and the model files build on top of it.
//
// Units: marker coordinates are divided by Divide (recording units per metre); the model works in
// metres, kilograms, seconds, newtons and newton-metres, angles in radians.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "motion/Matrix2D.h"

class TDataFile;
class LabelledItemList;
class MarkerTable;
struct SegmentMarkers;

constexpr int kBodySegmentSlots = 256;
constexpr int kBodyJointSlots = 256;
constexpr int kBodyNodeSlots = 32;
// Rows per block of the Kinematics table: CoM x y z, angles 1-3, length, radius, axis x y z and
// angle, quaternion w x y z.
constexpr int kKinematicsRows = 16;
// Default force threshold (N) of ground contact and centre-of-pressure computation.
constexpr double kForceThreshold = 10.0;

// Frames of a result table without a result: 1 at a missing frame, where the table holds the
// model's MissingValue. An empty mask (or one shorter than the table) has nothing missing, so that
// a true 0.0 result and a missing one never look alike.
using FrameMask = std::vector<unsigned char>;

struct BodySegment {
    char Name[80] = {};
    // 1-based marker numbers: P1->P2 is the long axis, P3 the third marker of the triad.
    int P1 = 1;
    int P2 = 2;
    int P3 = 1;
    double Mass = 0.1;  // fraction of TotalMass
    double CG = 0.5;    // centre of mass on P1->P2, fraction of |P2 - P1| from P1
    // Moments of inertia (kg m2), or with IsRadius radii of gyration as fractions of the length
    // (Ixx, Iyy) and of the radius (Izz).
    double Ixx = 0.289;
    double Iyy = 0.289;
    double Izz = 0.707;
    double R1 = 0.1;
    double R2 = 0.1;
    double Long = 0.1;
    // Marker labels; with IsLabel they take precedence over P1-P3.
    char Name1[80] = {};
    char Name2[80] = {};
    char Name3[80] = {};
    int P1P2Axis = 2;                     // segment axis (0 x, 1 y, 2 z) along P1->P2
    int P3Axis = 0;                       // segment axis in the plane of the markers, towards P3
    std::unique_ptr<Matrix2D> ExtForce;   // 3 rows x point frames
    std::unique_ptr<Matrix2D> ExtMoment;  // 3 rows x point frames
    // 0-based analog channels of the external force x y z and moment x y z; -1 none.
    int CF0 = -1;
    int CF1 = -1;
    int CF2 = -1;
    int CF3 = -1;
    int CF4 = -1;
    int CF5 = -1;
    int ModelSegment = -1;  // kind for the inertial-parameter models; -1 none
    bool Left = false;
    // An instrument or load fixed to the segment; used only when AddMass > 0.
    double AddMass = 0.0;
    double AddOffsetX = 0.0;
    double AddOffsetY = 0.0;
    double AddOffsetZ = 0.0;
    double AddIxx = 0.0;
    double AddIyy = 0.0;
    double AddIzz = 0.0;
};

struct BodyJoint {
    int Distal = -1;  // -1 for a ground contact or a node
    int Proximal = -1;
    int Position = -1;  // 0-based marker of the centre; -3 fixed, -4 moving centre of rotation
    char Name[84] = {};
    std::unique_ptr<Matrix2D> Force;        // 3 rows, N
    std::unique_ptr<Matrix2D> Moment;       // 3 rows, N m
    std::unique_ptr<Matrix2D> Centre;       // 3 rows, m
    std::unique_ptr<Matrix2D> Orientation;  // 11 rows: axis-angle, quaternion, angles
    FrameMask CentreMissing;                // frames without a centre
    FrameMask OrientationMissing;           // frames without an orientation
    FrameMask LoadMissing;                  // frames without a force and moment
    int Index = 0;
    int NodeCount = 0;
    int Nodes[kBodyNodeSlots] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                 -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int PF = -1;  // 1-based force platform of a ground contact; 0 or less none
    // Analog channels without platform: force x y z, moment x y z, centre of pressure x y.
    int Channels[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // Offset of the point of application (0-2) and height of the sensing surface (3).
    double Deltas[4] = {0.0, 0.0, 0.0, 0.0};
    int Local = 0;
    int ContactRow = -1;
    int Normal = 1;
    int FrameType = 0;
    bool CoP = true;
};

// Names of a segment curve and of its components ("Segment - quantity", "Omega x", ...).
struct CurveNames {
    std::string name;
    std::string x;
    std::string y;
    std::string z;
    std::string total;
};

// v <- R v with R = Rx(a) Ry(b) Rz(c): a vector given in the axes of a segment whose Cardan angles
// are (a, b, c), expressed in laboratory axes.
void BodyToLaboratory(double a, double b, double c, double* v);

class TBiomecaModel {
public:
    TBiomecaModel();
    // Virtual although the records are plain: a derived model deleted through this type must
    // still free its own members.
    virtual ~TBiomecaModel();
    TBiomecaModel(const TBiomecaModel&) = delete;
    TBiomecaModel& operator=(const TBiomecaModel&) = delete;

    virtual void Reset(bool defaults);
    virtual void FreeData();

    void SetDefaults();
    void ClearExternalForces();
    void ClearJoints();

    // Appends a joint, taking the tables given. False (tables dropped, joint table unchanged) at
    // 256 joints, for a segment index outside the segments in use, or when TestJoint refuses.
    bool AddJoint(int distal, int proximal, int position, const char* name, std::unique_ptr<Matrix2D> centre,
                  std::unique_ptr<Matrix2D> orientation, int frameType, std::unique_ptr<Matrix2D> force,
                  std::unique_ptr<Matrix2D> moment, int pf, const int* channels, const double* deltas, int local,
                  int contactRow, int normal, bool cop);
    // Appends a node joint (or extends the node of that proximal segment) naming existing joints.
    bool AddNode(int proximal, const int* joints, int count);
    // Whether a joint between these segments may be appended (chains grow from the ground up).
    bool TestJoint(int distal, int proximal) const;

    // Mass (kg) and principal moments (kg m2) of segment i; with IsRadius the length and radius
    // are those of frame f (f < 0: the first computed frame).
    bool GetSegmentInertia(int i, double* mass, double* i1, double* i2, double* i3, int f) const;

    // Segment kinematics.
    int FindFirstValidFrame(const TDataFile* recording);
    int FindLastValidFrame(const TDataFile* recording);
    bool ComputeSegments(const TDataFile* recording, int first, int last, LabelledItemList* warnings);
    std::unique_ptr<Matrix2D> ComputeKinematics(const TDataFile* recording, double& massRatio, bool degrees,
                                                bool spline, double cutoff, double gravity, int first, int last,
                                                LabelledItemList* warnings, double missing, double tolerance,
                                                bool unwrap, bool fillGaps, bool filter);
    std::unique_ptr<Matrix2D> ComputeSegments3D(const TDataFile* recording, double& massRatio, bool unwrap,
                                                bool fillGaps, bool filter, LabelledItemList* warnings);
    std::unique_ptr<Matrix2D> ComputeSegments2D(const TDataFile* recording, double& massRatio, bool unwrap,
                                                bool fillGaps, bool filter, LabelledItemList* warnings);

    // Resultant loads. The external loads of the segments come from their CF channels in the
    // analog table, one value per point frame.
    void LoadExternalForces(const Matrix2D* analog, int frames);
    std::unique_ptr<Matrix2D> ComputeResultantForces(bool addExternal);
    std::unique_ptr<Matrix2D> ComputeResultantMoments(bool addExternal);
    // Angular curve of segment s, 4 rows (x, y, z in laboratory axes, magnitude or total): order 0
    // angles, 1 velocity, 2 acceleration; a negative order gives the plain angle derivatives. Kind
    // 1 angular momentum (order 1) or moment about the centre of mass (order 2), kind 2 kinetic
    // energy (order 1). Names are filled when given.
    // Frames it cannot compute are MissingValue, and set in `missing` when given.
    std::unique_ptr<Matrix2D> ComputeSegmentCurve(int s, int order, int kind, CurveNames* names,
                                                  FrameMask* missing = nullptr);

    // Joints. Marker numbers here are 1-based; -2 and -3 ask for a fixed or moving centre of
    // instantaneous rotation. A ground contact measured by a force platform keeps its centre of
    // pressure as its centre, with the plate's moment taken about it.
    bool MakeFirstJoint(int pf, double* deltas, const int* channels, int normal, bool useAnalog, bool cop,
                        TDataFile* recording, int m1, int m2, bool firstPair, int local, int proximal, const char* t1,
                        const char* t2);
    bool MakeJoint(int distal, int proximal, int position, const char* name, int frameType, const TDataFile* recording);
    bool MakeLastJoint(int segment, int position, int frameType, const char* name, const TDataFile* recording);
    // Joint frame, 11 rows (axis-angle, quaternion, Cardan angles): type 1 from markers, 2 the
    // distal and 3 the proximal segment's orientation; null for other types.
    // Frames without an orientation are MissingValue, and set in `missing` when given.
    std::unique_ptr<Matrix2D> ComputeJointFrame(const TDataFile* recording, int distal, int proximal, int frameType,
                                                FrameMask* missing = nullptr);
    // Centre of rotation of the distal segment relative to the proximal one (laboratory frame
    // when there is no proximal segment) into `centre` (3 rows). Frames without an accepted or
    // fillable estimate, and every frame of a refused estimate (no window for the cut-off and
    // rate, markers outside the recording), are MissingValue and set in `missing` when given.
    void ComputeCIR(int distal, int proximal, const TDataFile* recording, Matrix2D& centre, bool fixed,
                    FrameMask* missing = nullptr);

    // Net force and moment at every joint, from the ground contacts up. False without recording,
    // joints or kinematics.
    bool InverseDynamics(const TDataFile* recording);

    // Model items as the display numbers them: segments 0 to n - 1, the whole-body centre of mass
    // n, joint j n + 1 + j, so that no two items share a number.
    int CentreOfMassItem() const { return SegmentCount; }
    int JointItem(int j) const { return SegmentCount + 1 + j; }

    double MissingValue = 0.0;
    bool IsLabel = true;
    double FZseuil = kForceThreshold;
    int AngleType = 0;
    std::unique_ptr<BodyJoint> Joints[kBodyJointSlots];
    std::unique_ptr<BodySegment> Segments[kBodySegmentSlots];
    double TotalMass = 70.0;
    double SegmentMassSum = 70.0;
    bool IsRadius = false;
    bool KinematicsDone = false;
    int SegmentCount = 0;
    bool Degre = true;
    bool UseSpline = false;
    bool UseSplineDerivative = false;
    bool SmoothDerivative = false;
    double Coupure = 0.0;
    double SampleRate = 50.0;
    double Gravity = -9.805;
    int JointCount = 0;
    int Type = 0;
    double Divide = 1000.0;
    int FirstFrame = 0;
    int LastFrame = 0;
    // Anthropometric measurements of the Hanavan model; HanavanSize values are in use (never
    // more than the list holds).
    std::vector<double> HanavanData;
    int HanavanSize = 0;
    bool checkmarker = true;
    bool checkcom = true;
    bool checkcontact = false;
    double contactdistance = 0.0;
    std::unique_ptr<Matrix2D> ContactPoints;
    std::unique_ptr<Matrix2D> ContactForces;
    std::unique_ptr<Matrix2D> Kinematics;
    // Raised whenever Kinematics is replaced or changed in place: drawn paths built from it are
    // rebuilt then.
    uint64_t KinematicsRevision = 0;
    std::unique_ptr<Matrix2D> ResultantForces;
    std::unique_ptr<Matrix2D> ResultantMoments;
    // Frames without a result, per block (the segments, then the whole body), set with the tables
    // above: the centre rows (0-2, 6, 7) and the orientation rows (3-5, 8-15) of Kinematics, and the
    // ResultantForces and ResultantMoments rows. A frame outside the computed range is missing.
    struct BlockGaps {
        FrameMask centre;
        FrameMask orientation;
        FrameMask force;
        FrameMask moment;
    };
    std::vector<BlockGaps> Gaps;

    // Refusals of bad numbers (segment, joint and marker indices, counts, sizes), newest last.
    std::vector<std::string> Warnings;

protected:
    // Adds a refusal to Warnings and, when given, to a caller's list.
    void Warn(LabelledItemList* list, const std::string& text);
    // Segments in use, 0 to 256 (a bad SegmentCount is refused with a warning and counts as 0).
    int SegmentsInUse(LabelledItemList* warnings);
    // False after FreeData, until SetDefaults allocates the records again.
    bool RecordsExist() const;
    // Whether a segment index names a segment in use.
    bool IsSegmentInUse(int i) const;
    // Marker numbers of segment i after label resolution (1-based; not range-checked).
    void ResolveMarkers(const TDataFile* recording, int i, int* p1, int* p2, int* p3) const;

    // Kinematics table present, computed and of the size of the segments in use.
    bool KinematicsReady() const;
    // Derivative of one signal of the point rate by the model's filter settings (low-pass first).
    void Differentiate(double* row, int n, int order) const;
    void FillCurveNames(int s, int order, bool omegaForm, int kind, CurveNames* names) const;
    // Low-pass filter of one signal by the model's settings.
    void LowPass(double* row, int n) const;
    // Trajectory of 1-based marker p in metres (planar: x, 0, y), 3 rows; null for a marker outside
    // the recording. Filtered: its gaps filled as far as the fill limit allows, then low-passed.
    // The frames still without a position are MissingValue and set in `missing`.
    std::unique_ptr<Matrix2D> MarkerTrajectory(const TDataFile& recording, int p, bool filtered, FrameMask& missing);
    // Gaps of one signal filled as the kinematics fills them (at most frames / 10 missing samples).
    void FillSignalGaps(double* row, int n) const;

    // Steps of the kinematics run.
    void ApplyHanavan(int n, LabelledItemList* warnings);
    // Sum of the segments' mass shares.
    double MassSum(int n) const;
    // Sets SegmentMassSum and gives the ratio that the whole-body centre divides by.
    double MassRatio(int n, double input);
    // Rows of one segment's block (row-major, `frames` columns) over the computed frames.
    void ComputeSegmentBlock(const MarkerTable& markers, int i, SegmentMarkers& m, int first, int last, double* block,
                             int frames) const;
    // Whole-body centre of mass of planar data, from the segments' rows in the table.
    void PlanarWholeBodyCentre(Matrix2D& table, int n, double ratio);
    // A force threshold that is negative or no number is refused with a warning for the default.
    void CheckForceThreshold(LabelledItemList* warnings);
    // The filter setting, refused with a warning for a cut-off that is no frequency.
    bool FilterUsable(bool filter, LabelledItemList* warnings);
    // Gap filling, unwrapping of the angle rows given and low-pass filtering of one block of
    // contiguous rows (the whole body's is never filtered), or of every block of a table.
    void CleanBlock(double* block, int rows, int frames, bool body, const int* angleRows, int angleCount, bool unwrap,
                    bool fillGaps, bool filter) const;
    void CleanUp(Matrix2D& table, int n, const int* angleRows, int angleCount, bool unwrap, bool fillGaps, bool filter,
                 LabelledItemList* warnings);
    // The gaps of a cleaned block (its rows contiguous) become MissingValue, the centre and the
    // orientation groups each missing as a whole, and the masks of block b of Gaps are set.
    void SealBlock(double* block, int frames, int b, bool body);
    // Zero-filled, or left for the caller to fill when `zero` is false.
    std::unique_ptr<Matrix2D> NewKinematicsTable(int n, int frames, bool zero, LabelledItemList* warnings);

    // Count of the caller's warning list when the current run started: warning ids count from it.
    int runWarningBase_ = 0;
    // Scratch rows of the computations, kept from call to call (its size only grows).
    std::vector<double> scratch_;
    double* Scratch(size_t count) {
        if (scratch_.size() < count) scratch_.resize(count);
        return scratch_.data();
    }
};
