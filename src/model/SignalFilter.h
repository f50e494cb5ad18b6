#pragma once

// The model's routines on one sampled signal: n doubles, sample i taken at i / rate seconds, changed
// in place. A sample is missing when it equals missingValue exactly. Smoothing and gap filling leave
// the leading and trailing runs of missing samples alone (the valid span lies between them). Inside
// the span, ButterworthFilter and MovingAverage take a missing sample for an ordinary number, which
// is why the gaps are filled first; GcvsplSmooth leaves it out of the fit.
//
// Every routine refuses (and changes nothing) when n < 1, values is null, the rate is not a positive
// finite number or a parameter is out of range.
class SignalFilter {
public:
    double missingValue = 0.0;

    // Second-order low-pass run forward and backward (zero phase); the forward-backward pair has
    // gain 1 / (1 + (tan(pi f / rate) / tan(pi cutoff / rate))^4), or the square of a critically
    // damped stage's gain when criticallyDamped. Nothing changes when cutoff >= rate / 2.
    void ButterworthFilter(double* values, int n, double cutoff, double rate, bool criticallyDamped) const;

    // Centred mean over 2c + 1 samples, c = (int(int(rate) / cutoff)) / 2; the first and last c
    // samples of the valid span keep their values.
    void MovingAverage(double* values, int n, double cutoff, double rate) const;

    // First derivative (units per second) by the five-point formula, then a five-sample average.
    // Every sample is overwritten.
    void FivePointDerivative(double* values, int n, double rate) const;

    // Fills the missing samples inside the valid span from a natural cubic spline through the
    // present ones. False (nothing changed) when more than maxMissing samples are missing in the
    // span, fewer than three are present or the fit fails; true when done or nothing was missing.
    bool FillGaps(double* values, int n, int maxMissing) const;

    // First derivative of the natural cubic spline through all samples, or the second when order is
    // 2. False (nothing changed) for n < 3 or a failed fit. missingValue plays no part.
    bool SplineDerivative(double* values, int n, double rate, int order) const;

    // Quintic smoothing spline with the smoothing chosen by generalized cross-validation, fitted to
    // the present samples; the valid span becomes the spline (order 0) or its first or second
    // derivative. Nothing changes with fewer than six present samples or an order outside 0..2.
    void GcvsplSmooth(double* values, int n, double rate, int order) const;
};
