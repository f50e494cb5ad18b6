#pragma once
// Force-plate results: turns the analog samples of one plate at one analog sample into force,
// moment and centre of pressure. What stays the same from call to call (channel rows, baselines,
// orientation, centre) is prepared once per plate and kept until the recording or the plate
// record changes, because the drawing code and the model ask once per frame or per sample.
#include <cstdint>

#include "motion/TC3DData.h"

// Force, moment and centre of pressure of one plate at one analog sample, laboratory frame.
// Forces in N, moments in N.m, centre of pressure in m (data in mm and N).
struct TPlateForces {
    float force[3] = {};
    float moment[3] = {};
    float cop[3] = {};
};

class TPlateCalculator {
public:
    // Results of plate `plate` at analog column `column`. unitFactor is the number of point
    // units per metre. With localAxes the results stay in the plate's own axes and the centre
    // of pressure is relative to the plate's transducer origin instead of the laboratory.
    // False for a missing analog table or rate (out untouched), and, with out zeroed, for a plate
    // or column outside the recording, a type without formulas, or a plate channel outside the
    // analog table.
    bool Compute(const TC3DData& data, int32_t plate, int32_t column, float threshold, bool localAxes,
                 double unitFactor, TPlateForces* out);

    // Forgets every prepared plate. Needed only after analog samples were changed in place;
    // any other change of the analog table or of a plate record is noticed by itself.
    void Invalidate();

private:
    // What a plate's results depend on besides the sample itself.
    struct Key {
        uint64_t generation = 0;
        const Matrix2D* table = nullptr;
        const double* values = nullptr;
        int32_t rows = 0;
        int32_t cols = 0;
        int32_t zero[2] = {};
        int32_t type = 0;
        int32_t channels[8] = {};
        float corners[4][3] = {};
        float origin[3] = {};
        double unitFactor = 0.0;
    };

    struct Setup {
        Key key;
        bool prepared = false;
        bool usable = false;      // type has formulas and every channel is inside the table
        int32_t count = 0;        // channels used: 6, or 8 for type 3
        int32_t rows[8] = {};     // analog-table rows of the channels
        double baseline[8] = {};  // mean of each channel over the ZERO range
        double rotation[9] = {};  // plate axes in laboratory axes, row-major
        double centre[3] = {};    // mean of the four corners
        double depth = 0.0;       // negated z of the origin
        double halfA = 0.0;       // half of |c1 - c2| and |c2 - c3|, for type 3
        double halfB = 0.0;
    };

    static Key MakeKey(const TC3DData& data, int32_t plate, uint64_t generation, double unitFactor);
    static bool Matches(const Key& k, const TC3DData& data, int32_t plate, uint64_t generation, double unitFactor);
    static void Prepare(const TC3DData& data, int32_t plate, Setup& setup);

    uint64_t generation_ = 1;
    Setup setups_[kMaxPlates];
};
