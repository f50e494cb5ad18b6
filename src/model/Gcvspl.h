#pragma once

// Generalized cross-validatory spline smoothing and differentiation (Woltring, Adv. Eng. Software
// 8:104-113, 1986): a natural smoothing spline of degree 2M - 1 whose smoothing parameter is chosen
// by generalized cross-validation or by the predicted mean squared error for a known variance.
//
// Arrays are plain C arrays (X[0] is the first abscissa). Interval numbers L are 1-based as in the
// published routines: 0 before X[0], N at or after X[N-1], else X[L-1] <= T < X[L].
//
// Band matrices are row-major with 2K + 1 entries per row for half-bandwidth K: element (i, j),
// |i - j| <= K, sits at [i * (2K + 1) + j - i + K].
//
// The work array WK holds 6 (N M + 1) + N doubles: WK[0..5] the statistics of the last fit (GCV
// value, mean squared residual, N - degrees of freedom, r = p / (1 + p), estimated mean squared
// error, estimated variance), then the band system, the B-spline Gram matrix and the weighted
// difference matrix.
namespace gcvspl {

// Work array size for N points of half-order M.
constexpr long WorkSize(int M, int N) { return 6L * (static_cast<long>(N) * M + 1) + N; }

// Fits the spline to (X, Y) with weights WX (all positive, X strictly increasing, N >= 2M).
// VAL < 0: generalized cross-validation, VAL then becomes the variance estimate; VAL = 0:
// interpolation; VAL > 0: minimal predicted mean squared error for the known variance VAL.
// IER = 1 for M < 1 or N < 2M, 2 for a non-positive or non-finite weight or X not finite and
// strictly increasing; on these errors nothing is written. IER is 2 too, with WK used as scratch but
// C and VAL untouched, when the steps of X are so small or so uneven that the band matrices overflow.
// On success C holds the spline's coefficients for SPLDER.
void GCVSPL(const double* X, const double* Y, const double* WX, int M, int N, double* C, double& VAL,
            double* WK, int& IER);

// IDER-th derivative at T of the spline fitted by GCVSPL; L is a hint for the interval and comes back
// as the interval of T. Q is work of 2M doubles. Returns 0 for IDER >= 2M or IDER < 0.
double SPLDER(int IDER, int M, int N, double T, const double* X, const double* C, int& L, double* Q);

// Interval of T among X (see above), trying L and its neighbours before bisecting.
void SEARCH(int N, const double* X, double T, int& L);

// Gram matrix of the order-M B-splines on X (N - M rows, half-bandwidth M - 1) and its trace BL.
// Q: scratch of (2M + 1) N doubles.
void BASIS(int M, int N, const double* X, double* B, double& BL, double* Q);

// D W^-1 D' for the M-th divided differences D on X (N - M rows, half-bandwidth M), on and above
// its diagonal, and its trace EL. Below the diagonal, row j holds the weights of X[j .. j+M-1] in
// row j of D (the weight of X[j+M] is minus their sum).
void PREP(int M, int N, const double* X, const double* WX, double* WE, double& EL);

// Fits for smoothing parameter P (clamped to [EPS / EL, 1 / (EPS EL)]): C becomes the smoothed
// values at X, STAT[0..5] the fit's statistics. Returns the criterion: the GCV value when VAL < 0,
// else the estimated mean squared error. B from BASIS, WE from PREP, EL their trace ratio; BWE:
// band work of (2M + 1) N doubles.
double SPLC(int M, int N, const double* Y, const double* WX, double VAL, double P, double EPS, double* C,
            double* STAT, const double* B, const double* WE, double EL, double* BWE);

// Decomposes the symmetric positive definite band matrix E (N rows, half-bandwidth M), given on and
// below its diagonal, in place into L D L'.
void BANDET(double* E, int M, int N);

// Solves E C = Y with E from BANDET; C may be Y.
void BANSOL(const double* E, const double* Y, double* C, int M, int N);

// Trace of E^-1 B for E from BANDET and a symmetric band B of the same shape, given on and above its
// diagonal; overwrites E on and above its diagonal with the band of E^-1.
double TRINV(const double* B, double* E, int M, int N);

}  // namespace gcvspl
