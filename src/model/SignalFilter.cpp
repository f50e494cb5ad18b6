#include "model/SignalFilter.h"

#include <cfloat>
#include <cmath>

#include "model/Gcvspl.h"
#include "model/MyVector.h"

// Scratch arrays are allocated without zeroing: every routine writes them before reading.

namespace {

constexpr double kPi = 3.14159265358979323846;

bool UsableRate(double rate) { return std::isfinite(rate) && rate > 0.0; }

// First and last present samples; s == n when every sample is missing.
struct Span {
    int s;
    int e;
    bool Empty() const { return e < s; }
    int Length() const { return e - s + 1; }
};

Span ValidSpan(const SignalFilter& filter, const double* values, int n) {
    int s = 0;
    while (s < n && filter.IsMissing(values[s])) ++s;
    if (s == n) return {n, n - 1};
    int e = n - 1;
    while (e > 0 && filter.IsMissing(values[e])) --e;
    return {s, e};
}

// Calls run(first, length) for every run of present samples, in order.
template <class Run>
void ForEachRun(const SignalFilter& filter, const double* values, int n, Run run) {
    int i = 0;
    while (i < n) {
        if (filter.IsMissing(values[i])) {
            ++i;
            continue;
        }
        const int first = i;
        while (i < n && !filter.IsMissing(values[i])) ++i;
        run(first, i - first);
    }
}

// Second derivatives of the natural cubic spline through (t[j], v[j]), j < k (k >= 3), by
// elimination of the tridiagonal system of the interior knots. False on a zero pivot or a last pivot
// too small to trust. work: 2k doubles. The reciprocals of the pivots are kept so that the back
// substitution has no division in its chain.
bool NaturalSplineMoments(const double* t, const double* v, int k, double* moments, double* work) {
    double* inversePivot = work;
    double* rhs = work + k;
    moments[0] = 0.0;
    moments[k - 1] = 0.0;
    double pivot = 0.0;
    for (int j = 1; j <= k - 2; ++j) {
        const double hl = t[j] - t[j - 1];
        const double hr = t[j + 1] - t[j];
        pivot = 2.0 * (hl + hr);
        rhs[j] = 6.0 * ((v[j + 1] - v[j]) / hr - (v[j] - v[j - 1]) / hl);
        if (j > 1) {
            const double w = hl * inversePivot[j - 1];
            pivot -= w * hl;  // the previous row's super-diagonal is the same width
            rhs[j] -= w * rhs[j - 1];
        }
        if (pivot == 0.0) return false;
        inversePivot[j] = 1.0 / pivot;
    }
    if (std::fabs(pivot) < 1e-5) return false;
    double next = 0.0;
    for (int j = k - 2; j >= 1; --j) {
        next = (rhs[j] - (t[j + 1] - t[j]) * next) * inversePivot[j];
        moments[j] = next;
    }
    return true;
}

}  // namespace

void SignalFilter::ButterworthFilter(double* values, int n, double cutoff, double rate,
                                     bool criticallyDamped) const {
    if (values == nullptr || n < 1 || !UsableRate(rate) || !std::isfinite(cutoff) || cutoff <= 0.0) return;
    if (cutoff >= 0.5 * rate) return;
    const double wc = std::tan(kPi / (rate / cutoff));
    const double k1 = criticallyDamped ? 2.0 * wc : std::sqrt(2.0) * wc;
    const double k2 = wc * wc;
    if (std::fabs(k2) < 1e-9) return;
    const double d = 1.0 + k1 + k2;
    if (std::fabs(d) < 1e-9) return;
    const double a0 = k2 / d;
    const double a1 = 2.0 * a0;
    const double a2 = a0;
    double k3 = 2.0 * a0 / k2;
    if (std::fabs(k3) < 1e-9) k3 = 0.0;
    const double b1 = -2.0 * a0 + k3;
    const double b2 = 1.0 - 2.0 * a0 - k3;

    const Span span = ValidSpan(*this, values, n);
    if (span.Empty() || span.Length() < 3) return;  // both passes start from two given samples
    MyVector scratch;
    if (!scratch.Allocate(span.Length(), false)) return;
    double* y = scratch.Data();
    ForEachRun(*this, values, n, [&](int first, int len) {
        if (len < 3) return;
        double* x = values + first;
        // The chord between the run's ends is taken out and put back: the passes start from the
        // run's first samples as they are, which a steady trend would turn into a transient.
        const double start = x[0];
        const double slope = (x[len - 1] - x[0]) / (len - 1);
        for (int i = 0; i < len; ++i) x[i] -= start + slope * i;
        y[0] = x[0];
        y[1] = x[1];
        // The term of the previous output comes last: it is the only one the next sample waits for.
        for (int i = 2; i < len; ++i)
            y[i] = (a0 * x[i] + a1 * x[i - 1] + a2 * x[i - 2] + b2 * y[i - 2]) + b1 * y[i - 1];
        for (int i = 0; i < len; ++i) x[i] = y[i];
        for (int i = len - 3; i >= 0; --i)
            y[i] = (a0 * x[i] + a1 * x[i + 1] + a2 * x[i + 2] + b2 * y[i + 2]) + b1 * y[i + 1];
        for (int i = 0; i < len; ++i) x[i] = y[i] + start + slope * i;
    });
}

void SignalFilter::MovingAverage(double* values, int n, double cutoff, double rate) const {
    if (values == nullptr || n < 1 || !UsableRate(rate) || !std::isfinite(cutoff) || cutoff <= 0.0) return;
    if (cutoff >= rate / 2.0) return;
    // The width in whole samples; computed in doubles so that no rate overflows an int.
    const double width = std::floor(std::floor(rate) / cutoff);
    if (width >= 2.0 * n + 2.0) return;  // no centre has a full window
    const int c = static_cast<int>(width) / 2;
    if (c < 1) return;

    const Span span = ValidSpan(*this, values, n);
    if (span.Empty() || span.Length() < 2 * c + 1) return;
    MyVector scratch;
    if (!scratch.Allocate(span.Length(), false)) return;
    double* copy = scratch.Data();
    const double count = 2.0 * c + 1.0;
    ForEachRun(*this, values, n, [&](int first, int len) {
        if (len < 2 * c + 1) return;
        double* x = values + first;
        for (int i = 0; i < len; ++i) copy[i] = x[i];
        // A running sum, summed afresh now and then so rounding cannot build up over long signals.
        double sum = 0.0;
        for (int i = c; i <= len - 1 - c; ++i) {
            if ((i - c) % 64 == 0) {
                sum = 0.0;
                for (int j = i - c; j <= i + c; ++j) sum += copy[j];
            } else {
                sum += copy[i + c] - copy[i - c - 1];
            }
            x[i] = sum / count;
        }
    });
}

void SignalFilter::FivePointDerivative(double* values, int n, double rate) const {
    if (values == nullptr || n < 1 || !UsableRate(rate)) return;
    MyVector scratch(n);
    if (scratch.GetCount() == 0) return;
    double* d = scratch.Data();
    const double* x = values;
    ForEachRun(*this, values, n, [&](int a, int len) {
        const int b = a + len - 1;
        if (len > 6) {
            for (int i = a + 3; i <= b - 3; ++i)
                d[i] = (x[i - 2] - 8.0 * x[i - 1] + 8.0 * x[i + 1] - x[i + 2]) * rate / 12.0;
            d[a] = d[a + 1] = d[a + 2] = d[a + 3];
            d[b - 2] = d[b - 1] = d[b] = d[b - 3];
        } else if (len > 1) {
            // Too short for the five-point formula: central differences, one-sided at the ends.
            d[a] = (x[a + 1] - x[a]) * rate;
            d[b] = (x[b] - x[b - 1]) * rate;
            for (int i = a + 1; i < b; ++i) d[i] = (x[i + 1] - x[i - 1]) * rate / 2.0;
        } else {
            d[a] = missingValue;  // one sample has no rate of change
        }
    });
    for (int i = 0; i < n; ++i)
        if (!IsMissing(values[i])) values[i] = d[i];
    MovingAverage(values, n, rate / 5.0, rate);
}

bool SignalFilter::FillGaps(double* values, int n, int maxMissing) const {
    if (values == nullptr || n < 1) return false;
    if (n < 3) return true;
    const Span span = ValidSpan(*this, values, n);
    if (span.Empty()) return true;
    int missing = 0;
    for (int i = span.s; i <= span.e; ++i)
        if (IsMissing(values[i])) ++missing;
    if (missing == 0) return true;
    if (missing > maxMissing) return false;
    const int k = span.Length() - missing;
    if (k < 3) return false;

    if (k > 0x7fffffff / 5) return false;
    MyVector scratch;
    if (!scratch.Allocate(5 * k, false)) return false;
    double* t = scratch.Data();
    double* v = t + k;
    double* moments = v + k;
    double* work = moments + k;
    for (int i = span.s, j = 0; i <= span.e; ++i)
        if (!IsMissing(values[i])) {
            t[j] = i;
            v[j] = values[i];
            ++j;
        }
    if (!NaturalSplineMoments(t, v, k, moments, work)) return false;

    int j = 0;
    for (int i = span.s; i <= span.e; ++i) {
        if (!IsMissing(values[i])) {
            if (j + 1 < k && t[j + 1] == i) ++j;  // i is knot j + 1 unless it is the first knot
            continue;
        }
        const double h = t[j + 1] - t[j];
        const double a = v[j];
        const double b = (v[j + 1] - v[j]) / h - (2.0 * h * moments[j] + h * moments[j + 1]) / 6.0;
        const double c = moments[j] / 2.0;
        const double d = (moments[j + 1] - moments[j]) / (6.0 * h);
        const double dt = i - t[j];
        const double value = ((d * dt + c) * dt + b) * dt + a;
        // Only a value a float cannot hold counts as missing; 0.0 is a real result.
        values[i] = std::isfinite(value) && std::fabs(value) <= FLT_MAX ? value : missingValue;
    }
    return true;
}

bool SignalFilter::SplineDerivative(double* values, int n, double rate, int order) const {
    if (values == nullptr || n < 3 || !UsableRate(rate)) return false;
    const double h = 1.0 / rate;
    if (n > 0x7fffffff / 5) return false;
    MyVector scratch;
    if (!scratch.Allocate(5 * n, false)) return false;
    double* t = scratch.Data();
    double* moments = t + n;
    double* work = moments + n;  // 2n
    double* out = work + 2 * n;
    for (int i = 0; i < n; ++i) t[i] = i * h;
    bool fitted = false;
    bool failed = false;
    ForEachRun(*this, values, n, [&](int first, int len) {
        double* v = values + first;
        double* o = out + first;
        if (len < 3) {
            for (int i = 0; i < len; ++i) o[i] = missingValue;  // too few samples for a curve
            return;
        }
        if (failed || !NaturalSplineMoments(t, v, len, moments, work)) {
            failed = true;
            return;
        }
        fitted = true;
        for (int i = 1; i <= len - 2; ++i)
            o[i] = order == 2 ? moments[i] : (v[i + 1] - v[i]) / h - (2.0 * h * moments[i] + h * moments[i + 1]) / 6.0;
        o[0] = o[1];
        o[len - 1] = o[len - 2];
    });
    if (failed || !fitted) return false;
    // Written at the end so that every fit reads the samples as they were.
    for (int i = 0; i < n; ++i)
        if (!IsMissing(values[i])) values[i] = out[i];
    return true;
}

void SignalFilter::GcvsplSmooth(double* values, int n, double rate, int order) const {
    constexpr int kHalfOrder = 3;  // quintic spline
    if (values == nullptr || n < 1 || !UsableRate(rate) || order < 0 || order > 2) return;
    const Span span = ValidSpan(*this, values, n);
    if (span.Empty()) return;
    int k = 0;
    for (int i = span.s; i <= span.e; ++i)
        if (!IsMissing(values[i])) ++k;
    if (k < 2 * kHalfOrder || k > 0x7fffffff / 4) return;

    const long workSize = gcvspl::WorkSize(kHalfOrder, k);
    if (workSize > 0x7fffffffL) return;
    MyVector arrays;
    MyVector work;
    if (!arrays.Allocate(4 * k, false) || !work.Allocate(static_cast<int>(workSize), false)) return;
    double* x = arrays.Data();
    double* y = x + k;
    double* w = y + k;
    double* c = w + k;
    // The fit runs on the sample index and the derivatives are scaled to seconds afterwards: the
    // cross-validated spline does not depend on the unit of time, and whole numbers keep the band
    // matrices (of order step^-2M) in range whatever the rate.
    for (int i = span.s, j = 0; i <= span.e; ++i)
        if (!IsMissing(values[i])) {
            x[j] = i;
            y[j] = values[i];
            w[j] = 1.0;
            ++j;
        }
    double variance = -1.0;  // selects generalized cross-validation
    int error = 0;
    gcvspl::GCVSPL(x, y, w, kHalfOrder, k, c, variance, work.Data(), error);
    if (error != 0) return;
    const double scale = order == 0 ? 1.0 : order == 1 ? rate : rate * rate;
    int interval = 0;
    for (int i = span.s; i <= span.e; ++i) {
        if (IsMissing(values[i])) continue;  // a gap stays a gap: filling is FillGaps' work
        ++interval;                          // knots up to and including sample i
        values[i] = scale * gcvspl::SPLDER(order, kHalfOrder, k, i, x, c, interval, work.Data());
    }
}
