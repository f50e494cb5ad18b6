#pragma once

#include <limits>

// The model's routines on one sampled signal: n doubles, sample i taken at i / rate seconds, changed
// in place. A sample is missing when it is NaN or equals missingValue exactly; the default is NaN
// alone, so that a true 0.0 is never taken for a gap. Missing samples are never read as data and
// never written (FillGaps aside, which is there to write them): smoothing and differentiation work
// on each run of present samples on its own, so a gap cannot leak into the samples around it.
//
// Every routine refuses (and changes nothing) when n < 1, values is null, the rate is not a positive
// finite number or a parameter is out of range.
class SignalFilter {
public:
    double missingValue = std::numeric_limits<double>::quiet_NaN();

    bool IsMissing(double v) const { return v != v || v == missingValue; }

    // Second-order low-pass run forward and backward (zero phase); the forward-backward pair has
    // gain 1 / (1 + (tan(pi f / rate) / tan(pi cutoff / rate))^4), or the square of a critically
    // damped stage's gain when criticallyDamped. Nothing changes when cutoff >= rate / 2. Each run
    // of three or more present samples is filtered with the chord between its ends taken out and
    // put back, so that a uniform motion passes unchanged right up to the run's ends.
    void ButterworthFilter(double* values, int n, double cutoff, double rate, bool criticallyDamped) const;

    // Centred mean over 2c + 1 samples, c = (int(int(rate) / cutoff)) / 2, within each run of
    // present samples; the first and last c samples of a run keep their values.
    void MovingAverage(double* values, int n, double cutoff, double rate) const;

    // First derivative (units per second) by the five-point formula, then a five-sample average,
    // within each run of present samples (central differences in runs of two to six samples). A
    // lone present sample has no derivative and becomes missing.
    void FivePointDerivative(double* values, int n, double rate) const;

    // Fills the missing samples inside the valid span from a natural cubic spline through the
    // present ones. False (nothing changed) when more than maxMissing samples are missing in the
    // span, fewer than three are present or the fit fails; true when done or nothing was missing.
    bool FillGaps(double* values, int n, int maxMissing) const;

    // First derivative of the natural cubic spline through each run of present samples, or the
    // second when order is 2; runs of fewer than three samples become missing. False (nothing
    // changed) for n < 3, no run of three samples or a failed fit.
    bool SplineDerivative(double* values, int n, double rate, int order) const;

    // Quintic smoothing spline with the smoothing chosen by generalized cross-validation, fitted to
    // the present samples; they become the spline (order 0) or its first or second derivative, and
    // the missing ones stay missing. Nothing changes with fewer than six present samples or an
    // order outside 0..2.
    void GcvsplSmooth(double* values, int n, double rate, int order) const;
};
