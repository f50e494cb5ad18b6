#include "motion/TPlateCalculator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "motion/geometry.h"

namespace {

// Channels a plate type reads, 0 for a type without formulas.
int32_t ChannelCount(int32_t type) {
    switch (type) {
    case 1:
    case 2:
    case -2:
    case 4:
        return 6;
    case 3:
        return 8;
    default:
        return 0;
    }
}

double Distance(const float* a, const float* b) {
    const double dx = static_cast<double>(a[0]) - b[0];
    const double dy = static_cast<double>(a[1]) - b[1];
    const double dz = static_cast<double>(a[2]) - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Point3D CornerPoint(const float* c) { return Point3D(c[0], c[1], c[2]); }

}  // namespace

void TPlateCalculator::Invalidate() {
    ++generation_;
    for (Setup& s : setups_) s.prepared = false;
}

TPlateCalculator::Key TPlateCalculator::MakeKey(const TC3DData& data, int32_t plate, uint64_t generation,
                                                double unitFactor) {
    Key k;
    k.generation = generation;
    k.table = data.analog;
    k.values = data.analog->GetData();
    k.rows = data.analog->GetRows();
    k.cols = data.analog->GetCols();
    k.zero[0] = data.plateZero[0];
    k.zero[1] = data.plateZero[1];
    const TForcePlate& p = data.plates[plate];
    k.type = p.type;
    std::memcpy(k.channels, p.channels, sizeof k.channels);
    std::memcpy(k.corners, p.corners, sizeof k.corners);
    std::memcpy(k.origin, p.origin, sizeof k.origin);
    k.unitFactor = unitFactor;
    return k;
}

bool TPlateCalculator::Matches(const Key& k, const TC3DData& data, int32_t plate, uint64_t generation,
                               double unitFactor) {
    // Compared in place, field by field, since this runs on every call. Bytes rather than values
    // for the floats, so that a NaN corner still counts as unchanged.
    const Matrix2D* table = data.analog;
    const TForcePlate& p = data.plates[plate];
    return k.generation == generation && k.table == table && k.values == table->GetData() &&
           k.rows == table->GetRows() && k.cols == table->GetCols() && k.zero[0] == data.plateZero[0] &&
           k.zero[1] == data.plateZero[1] && k.type == p.type &&
           std::memcmp(k.channels, p.channels, sizeof k.channels) == 0 &&
           std::memcmp(k.corners, p.corners, sizeof k.corners) == 0 &&
           std::memcmp(k.origin, p.origin, sizeof k.origin) == 0 &&
           std::memcmp(&k.unitFactor, &unitFactor, sizeof unitFactor) == 0;
}

void TPlateCalculator::Prepare(const TC3DData& data, int32_t plate, Setup& s) {
    const TForcePlate& p = data.plates[plate];
    s.usable = false;
    s.count = ChannelCount(p.type);
    if (s.count == 0) return;

    // A channel number of 0, or one past the table, has no row of its own: reading it anyway
    // would take row -1 or wrap into the next sample's column.
    const int32_t channelRows = s.key.rows;
    for (int32_t j = 0; j < s.count; ++j) {
        if (p.channels[j] < 1 || p.channels[j] > channelRows) return;
        s.rows[j] = p.channels[j] - 1;
    }

    // Baseline: FORCE_PLATFORM:ZERO read as (first analog column, column count), shared by all
    // plates. The sum is in 64 bits so that a huge count cannot overflow.
    std::fill(std::begin(s.baseline), std::end(s.baseline), 0.0);
    const int64_t start = s.key.zero[0];
    const int64_t length = s.key.zero[1];
    if (start >= 1 && length >= 0 && start + length >= 1) {
        const int64_t end = std::min<int64_t>(start + length, s.key.cols);
        if (end > start) {
            const double* values = s.key.values;
            const int64_t stride = s.key.rows;
            for (int32_t j = 0; j < s.count; ++j) {
                double sum = 0.0;
                for (int64_t c = start; c < end; ++c) sum += values[s.rows[j] + c * stride];
                s.baseline[j] = sum / static_cast<double>(end - start);
            }
        }
    }

    // Orientation: first axis along c1 - c2, second in the plate towards c2 - c3. A degenerate
    // plate (corners all equal or in a line) keeps the laboratory axes.
    const Point3D c1 = CornerPoint(p.corners[0]), c2 = CornerPoint(p.corners[1]), c3 = CornerPoint(p.corners[2]);
    double q[4] = {1.0, 0.0, 0.0, 0.0};
    (c1 - c2).AxesQuaternion(c2 - c3, q);
    Quaternion quaternion;
    quaternion.Set(q);
    Matrix4x4 m;
    quaternion.ToMatrix(m);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) s.rotation[3 * r + c] = m.m[4 * c + r];

    for (int k = 0; k < 3; ++k) {
        double sum = 0.0;
        for (int c = 0; c < 4; ++c) sum += p.corners[c][k];
        s.centre[k] = sum / 4.0;
    }
    s.depth = -static_cast<double>(p.origin[2]);
    s.halfA = Distance(p.corners[0], p.corners[1]) / 2.0;
    s.halfB = Distance(p.corners[1], p.corners[2]) / 2.0;
    // Type-3 plates give their sensor offsets in ORIGIN (x along the first axis, y along the
    // second): the x-moment's lever is the y offset and the y-moment's the x offset. Half the
    // plate size stands in only when a file leaves them zero.
    if (p.type == 3) {
        if (p.origin[1] != 0.0f) s.halfA = std::fabs(static_cast<double>(p.origin[1]));
        if (p.origin[0] != 0.0f) s.halfB = std::fabs(static_cast<double>(p.origin[0]));
    }
    s.usable = true;
}

bool TPlateCalculator::Compute(const TC3DData& data, int32_t plate, int32_t column, float threshold, bool localAxes,
                               double u, TPlateForces* out) {
    if (!out || !data.analog || !(data.analogRate > 0)) return false;
    *out = TPlateForces();
    const int32_t plates = std::min(data.plateCount, static_cast<int32_t>(kMaxPlates));
    if (plate < 0 || plate >= plates) return false;
    if (column < 0 || column >= data.analog->GetCols()) return false;

    Setup& s = setups_[plate];
    if (!s.prepared || !Matches(s.key, data, plate, generation_, u)) {
        s.key = MakeKey(data, plate, generation_, u);
        Prepare(data, plate, s);
        s.prepared = true;
    }
    if (!s.usable || !s.key.values) return false;

    const double* sample = s.key.values + static_cast<int64_t>(column) * s.key.rows;
    double ch[8];
    for (int32_t j = 0; j < s.count; ++j) ch[j] = sample[s.rows[j]] - s.baseline[j];

    double f[3], m[3], p[3];
    const double e = s.depth;
    const double fzLimit = static_cast<double>(threshold);
    switch (s.key.type) {
    case 1:
        f[0] = ch[0], f[1] = ch[1], f[2] = ch[2];
        // (Px, Py, -e) x F plus the free moment about z.
        m[0] = (ch[1] * e + ch[2] * ch[4]) / u;
        m[1] = (-ch[2] * ch[3] - ch[0] * e) / u;
        m[2] = (ch[1] * ch[3] + ch[5] - ch[0] * ch[4]) / u;
        p[0] = ch[3], p[1] = ch[4], p[2] = 0.0;
        break;
    case 3: {
        f[0] = ch[0] + ch[1];
        f[1] = ch[2] + ch[3];
        f[2] = ch[4] + ch[5] + ch[6] + ch[7];
        const double mx = (ch[4] + ch[5] - ch[6] - ch[7]) * s.halfA;
        const double my = (ch[5] + ch[6] - ch[4] - ch[7]) * s.halfB;
        const double mz = (ch[1] - ch[0]) * s.halfA + (ch[2] - ch[3]) * s.halfB;
        p[0] = p[1] = 0.0;
        if (std::fabs(f[2]) > fzLimit) {
            p[0] = (e * f[0] - my) / f[2];
            p[1] = (e * f[1] + mx) / f[2];
        }
        p[2] = 0.0;  // on the surface: the plane of the corners
        // The sensor spacing is in point units, so the moments are too: scaled to N.m like
        // every other type.
        m[0] = mx / u, m[1] = my / u, m[2] = mz / u;
        break;
    }
    default: {  // 2, 4 and -2; type 4 arrives already calibrated
        if (s.key.type == -2)
            for (int32_t j = 0; j < 6; ++j) ch[j] = -ch[j];
        f[0] = ch[0], f[1] = ch[1], f[2] = ch[2];
        p[0] = p[1] = 0.0;
        if (std::fabs(f[2]) > fzLimit) {
            p[0] = (e * f[0] - ch[4]) / f[2];
            p[1] = (e * f[1] + ch[3]) / f[2];
        }
        p[2] = 0.0;  // on the surface: the plane of the corners
        m[0] = ch[3] / u, m[1] = ch[4] / u, m[2] = ch[5] / u;
        break;
    }
    }

    if (localAxes) {
        for (int k = 0; k < 3; ++k) {
            out->force[k] = static_cast<float>(f[k]);
            out->moment[k] = static_cast<float>(m[k]);
            out->cop[k] = static_cast<float>(p[k] / u);
        }
        return true;
    }
    const double* r = s.rotation;
    for (int k = 0; k < 3; ++k) {
        const double* row = r + 3 * k;
        out->force[k] = static_cast<float>(row[0] * f[0] + row[1] * f[1] + row[2] * f[2]);
        out->moment[k] = static_cast<float>(row[0] * m[0] + row[1] * m[1] + row[2] * m[2]);
        out->cop[k] = static_cast<float>((row[0] * p[0] + row[1] * p[1] + row[2] * p[2] + s.centre[k]) / u);
    }
    return true;
}
