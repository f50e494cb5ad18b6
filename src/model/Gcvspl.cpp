#include "model/Gcvspl.h"

#include <algorithm>
#include <cmath>

// The fit follows Reinsch's scheme generalised to half-order M. The smoothing spline s is a natural
// spline of degree 2M - 1 with knots at X; its M-th derivative is a combination of the N - M
// B-splines B_j of order M on X, s^(M) = sum gamma_j B_j, scaled so that the M-th divided
// difference over X[j..j+M] of any function f is the integral of f^(M) B_j. With R the Gram matrix
// of the B_j, D the matrix of divided differences and W the weights, minimising
//     sum w_i (y_i - s(x_i))^2 + p * integral (s^(M))^2
// gives (R + p D W^-1 D') gamma = D y and s(x_i) = y_i - p / w_i (D' gamma)_i. Both matrices are
// bands, so a fit costs O(N M^2), and so does the trace of the influence matrix
// N - tr(A) = p tr((R + p D W^-1 D')^-1 D W^-1 D'), taken from the band of the inverse.
//
// The result is stored as coefficients of a local basis of the natural splines, so that SPLDER
// needs only the 2M coefficients around T: for k = M .. N-M-1 the normalised B-spline of order 2M
// on X[k-M..k+M]; near the ends, the divided differences of (x - t)_+^(2M-1) over X[0..k+M]
// (k < M) and of (t - x)_+^(2M-1) over X[k-M..N-1] (k >= N-M), which are polynomials of degree
// below M beyond the end knots, as a natural spline must be.

namespace gcvspl {

namespace {

// Entry a of row j of D: the weight of X[j + a] in the divided difference over X[j..j+M].
double DivDiffWeight(const double* X, int j, int a, int M) {
    double product = 1.0;
    for (int l = 0; l <= M; ++l)
        if (l != a) product *= X[j + a] - X[j + l];
    return 1.0 / product;
}

// Gauss-Legendre nodes and weights on [-1, 1], by Newton's method on the Legendre polynomial.
void GaussLegendre(int m, double* nodes, double* weights) {
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < m; ++i) {
        double z = std::cos(pi * (i + 0.75) / (m + 0.5));
        double derivative = 1.0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p1 = 1.0;
            double p2 = 0.0;
            for (int j = 1; j <= m; ++j) {
                const double p3 = p2;
                p2 = p1;
                p1 = ((2.0 * j - 1.0) * z * p2 - (j - 1.0) * p3) / j;
            }
            derivative = m * (z * p1 - p2) / (z * z - 1.0);
            const double step = p1 / derivative;
            z -= step;
            if (std::fabs(step) < 1e-16) break;
        }
        nodes[i] = z;
        weights[i] = 2.0 / ((1.0 - z * z) * derivative * derivative);
    }
}

// Knot k of X, continued beyond both ends with the spacing of the end intervals; the B-splines that
// matter never reach these, the others only need distinct knots to be computed at all.
double Knot(const double* X, int N, int k) {
    if (k < 0) return X[0] + k * (X[1] - X[0]);
    if (k > N - 1) return X[N - 1] + (k - N + 1) * (X[N - 1] - X[N - 2]);
    return X[k];
}

// Values at t in [X[i], X[i+1]] of the normalised B-splines of order m on knots k .. k+m for
// k = i-m+1 .. i, into b[0..m-1] (de Boor's recurrence). left, right: scratch of m doubles.
void BSplineValues(const double* X, int N, int i, int m, double t, double* b, double* left, double* right) {
    b[0] = 1.0;
    for (int j = 1; j < m; ++j) {
        right[j] = Knot(X, N, i + j) - t;
        left[j] = t - Knot(X, N, i + 1 - j);
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double term = b[r] / (right[r + 1] + left[j - r]);
            b[r] = saved + right[r + 1] * term;
            saved = left[j - r] * term;
        }
        b[j] = saved;
    }
}

// IDER-th derivative at t of basis function k (see the top of this file).
double NaturalBasis(int M, int N, const double* X, int k, int ider, double t) {
    const int power = 2 * M - 1;
    const bool rightEnd = k + M > N - 1;
    const int lo = std::max(0, k - M);
    const int hi = std::min(N - 1, k + M);
    const int order = hi - lo;  // of the divided difference
    if (ider > power) return 0.0;
    double factor = 1.0;  // power! / (power - ider)!
    for (int r = 0; r < ider; ++r) factor *= power - r;
    const int exponent = power - ider;
    double sum = 0.0;
    for (int a = lo; a <= hi; ++a) {
        const double d = rightEnd ? t - X[a] : X[a] - t;
        double value;
        if (exponent == 0) {
            value = rightEnd ? (d >= 0.0 ? 1.0 : 0.0) : (d > 0.0 ? 1.0 : 0.0);
        } else if (d <= 0.0) {
            continue;
        } else {
            value = 1.0;
            for (int e = 0; e < exponent; ++e) value *= d;
        }
        double product = 1.0;
        for (int l = lo; l <= hi; ++l)
            if (l != a) product *= X[a] - X[l];
        sum += value / product;
    }
    // d/dt of (x - t)_+ brings a factor -1 per order; (t - x)_+ brings none.
    if (!rightEnd && ider % 2 == 1) factor = -factor;
    // Scaled to be of order one near the knots; the right-end functions alternate in sign with
    // their order, which the scale undoes so that every function is positive on its support.
    const double span = X[hi] - X[lo];
    double scale = 1.0;  // span^(order - power), order - power being -M+1 .. 1
    for (int e = order; e < power; ++e) scale /= span;
    if (order > power) scale = span;
    if (rightEnd && order % 2 == 1) scale = -scale;
    return sum * factor * scale;
}

// Turns C from the spline's values at X into coefficients of the local basis: the collocation
// matrix (half-bandwidth M - 1) is solved by band elimination with partial pivoting. work: 3M N
// doubles. False when the matrix turns out singular.
bool ValuesToCoefficients(int M, int N, const double* X, double* C, double* work) {
    const int ml = M - 1;
    const int mu = M - 1;
    const int kv = ml + mu;
    const int ld = 2 * ml + mu + 1;
    double* ab = work;
    double* pivots = work + static_cast<long>(ld) * N;
    // Element (i, j) for j - kv <= i <= j + ml.
    auto at = [&](int i, int j) -> double& { return ab[static_cast<long>(j) * ld + kv + i - j]; };
    std::fill(ab, ab + static_cast<long>(ld) * N, 0.0);
    for (int i = 0; i < N; ++i)
        for (int k = std::max(0, i - ml); k <= std::min(N - 1, i + mu); ++k) at(i, k) = NaturalBasis(M, N, X, k, 0, X[i]);

    for (int j = 0; j < N; ++j) {
        const int last = std::min(N - 1, j + ml);
        int p = j;
        for (int i = j + 1; i <= last; ++i)
            if (std::fabs(at(i, j)) > std::fabs(at(p, j))) p = i;
        pivots[j] = p;
        if (at(p, j) == 0.0) return false;
        const int lastColumn = std::min(N - 1, j + kv);
        if (p != j)
            for (int c = j; c <= lastColumn; ++c) std::swap(at(j, c), at(p, c));
        for (int i = j + 1; i <= last; ++i) {
            const double l = at(i, j) / at(j, j);
            at(i, j) = l;
            for (int c = j + 1; c <= lastColumn; ++c) at(i, c) -= l * at(j, c);
        }
    }
    for (int j = 0; j < N; ++j) {
        const int p = static_cast<int>(pivots[j]);
        if (p != j) std::swap(C[j], C[p]);
        for (int i = j + 1; i <= std::min(N - 1, j + ml); ++i) C[i] -= at(i, j) * C[j];
    }
    for (int j = N - 1; j >= 0; --j) {
        C[j] /= at(j, j);
        for (int i = std::max(0, j - kv); i < j; ++i) C[i] -= at(i, j) * C[j];
    }
    return true;
}

}  // namespace

void SEARCH(int N, const double* X, double T, int& L) {
    if (T < X[0]) {
        L = 0;
        return;
    }
    if (T >= X[N - 1]) {
        L = N;
        return;
    }
    auto fits = [&](int l) { return l >= 1 && l <= N - 1 && X[l - 1] <= T && T < X[l]; };
    if (fits(L)) return;
    if (fits(L + 1)) {
        ++L;
        return;
    }
    if (fits(L - 1)) {
        --L;
        return;
    }
    int lo = 0;  // X[lo] <= T < X[hi]
    int hi = N - 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (X[mid] <= T)
            lo = mid;
        else
            hi = mid;
    }
    L = lo + 1;
}

void BASIS(int M, int N, const double* X, double* B, double& BL, double* Q) {
    const int rows = N - M;
    const int width = 2 * M - 1;
    std::fill(B, B + static_cast<long>(rows) * width, 0.0);
    double* nodes = Q;
    double* weights = Q + M;
    double* b = Q + 2 * M;
    double* left = Q + 3 * M;
    double* right = Q + 4 * M;
    GaussLegendre(M, nodes, weights);  // exact for the products, of degree 2M - 2
    double factorial = 1.0;            // (M - 1)!
    for (int r = 2; r < M; ++r) factorial *= r;
    for (int i = 0; i + 1 < N; ++i) {
        const double half = (X[i + 1] - X[i]) / 2.0;
        const double mid = (X[i + 1] + X[i]) / 2.0;
        for (int g = 0; g < M; ++g) {
            BSplineValues(X, N, i, M, mid + half * nodes[g], b, left, right);
            // From normalised B-splines to the divided-difference kernels B_j.
            for (int r = 0; r < M; ++r) {
                const int j = i - M + 1 + r;
                b[r] = j >= 0 && j < rows ? b[r] / (factorial * (X[j + M] - X[j])) : 0.0;
            }
            const double w = weights[g] * half;
            for (int r = 0; r < M; ++r) {
                const int j = i - M + 1 + r;
                if (b[r] == 0.0) continue;
                for (int s = 0; s < M; ++s) {
                    const int k = i - M + 1 + s;
                    if (b[s] != 0.0) B[static_cast<long>(j) * width + k - j + M - 1] += w * b[r] * b[s];
                }
            }
        }
    }
    BL = 0.0;
    for (int j = 0; j < rows; ++j) BL += B[static_cast<long>(j) * width + M - 1];
}

void PREP(int M, int N, const double* X, const double* WX, double* WE, double& EL) {
    const int rows = N - M;
    const int width = 2 * M + 1;
    std::fill(WE, WE + static_cast<long>(rows) * width, 0.0);
    for (int i = 0; i < N; ++i) {
        const int first = std::max(0, i - M);
        const int last = std::min(i, rows - 1);
        for (int j = first; j <= last; ++j) {
            const double dj = DivDiffWeight(X, j, i - j, M) / WX[i];
            for (int k = j; k <= last; ++k)
                WE[static_cast<long>(j) * width + k - j + M] += dj * DivDiffWeight(X, k, i - k, M);
        }
    }
    EL = 0.0;
    for (int j = 0; j < rows; ++j) {
        double* row = WE + static_cast<long>(j) * width;
        EL += row[M];
        // The first M weights of row j of D go where the lower band would be; SPLC needs them at
        // every call, and the last weight is minus their sum (D maps constants to 0).
        for (int a = 0; a < M; ++a) row[a] = DivDiffWeight(X, j, a, M);
    }
}

void BANDET(double* E, int M, int N) {
    // L D L' row by row, reading the lower band and the diagonal only. The first slot above the
    // diagonal of each finished row keeps the reciprocal of its pivot, so that no division lies on
    // the chain of the rows below.
    const int width = 2 * M + 1;
    for (int i = 0; i < N; ++i) {
        double* row = E + static_cast<long>(i) * width;  // row[M + j - i] is E(i, j)
        const int first = std::max(0, i - M);
        for (int j = first; j < i; ++j) {
            const double* rowJ = E + static_cast<long>(j) * width;
            double s = row[M + j - i];
            for (int k = first; k < j; ++k) s -= row[M + k - i] * rowJ[M + k - j] * E[static_cast<long>(k) * width + M];
            row[M + j - i] = s * rowJ[M + 1];
        }
        double d = row[M];
        for (int k = first; k < i; ++k) d -= row[M + k - i] * row[M + k - i] * E[static_cast<long>(k) * width + M];
        row[M] = d;
        if (M > 0) row[M + 1] = 1.0 / d;
    }
}

void BANSOL(const double* E, const double* Y, double* C, int M, int N) {
    const int width = 2 * M + 1;
    for (int i = 0; i < N; ++i) {
        const double* row = E + static_cast<long>(i) * width;
        double s = Y[i];
        for (int k = std::max(0, i - M); k < i; ++k) s -= row[M + k - i] * C[k];
        C[i] = s;
    }
    for (int i = 0; i < N; ++i) C[i] /= E[static_cast<long>(i) * width + M];
    for (int i = N - 1; i >= 0; --i) {
        double s = C[i];
        const int last = std::min(N - 1, i + M);
        for (int k = i + 1; k <= last; ++k) s -= E[static_cast<long>(k) * width + M + i - k] * C[k];
        C[i] = s;
    }
}

double TRINV(const double* B, double* E, int M, int N) {
    // The band of S = E^-1 from E = L D L', last row first: S = D^-1 L^-1 + (I - L') S gives
    // S(i, k) = -sum_l L(l, i) S(l, k) for k > i, and S(i, i) = 1 / D(i) - sum_l L(l, i) S(l, i),
    // l = i+1 .. i+M, which only needs the band of the rows below. S fills the upper band and the
    // diagonal; L stays in the lower band. B is read on and above its diagonal only.
    const int width = 2 * M + 1;
    auto rowOf = [&](int i) { return E + static_cast<long>(i) * width + M; };  // rowOf(i)[j - i] = E(i, j)
    for (int i = N - 1; i >= 0; --i) {
        double* row = rowOf(i);
        const int last = std::min(N - 1, i + M);
        const double inversePivot = 1.0 / row[0];
        for (int k = last; k > i; --k) {
            double s = 0.0;
            for (int l = i + 1; l <= k; ++l) {
                const double* rowL = rowOf(l);
                s -= rowL[i - l] * rowL[k - l];  // L(l, i) S(l, k)
            }
            const double* rowK = rowOf(k);
            for (int l = k + 1; l <= last; ++l) s -= rowOf(l)[i - l] * rowK[l - k];  // L(l, i) S(k, l)
            row[k - i] = s;
        }
        double s = inversePivot;
        for (int l = i + 1; l <= last; ++l) s -= rowOf(l)[i - l] * row[l - i];
        row[0] = s;
    }
    double trace = 0.0;
    for (int i = 0; i < N; ++i) {
        const long at = static_cast<long>(i) * width + M;
        trace += E[at] * B[at];
        const int last = std::min(N - 1, i + M);
        for (int k = 1; k <= last - i; ++k) trace += 2.0 * E[at + k] * B[at + k];
    }
    return trace;
}

double SPLC(int M, int N, const double* Y, const double* WX, double VAL, double P, double EPS, double* C,
            double* STAT, const double* B, const double* WE, double EL, double* BWE) {
    STAT[3] = P / (P + 1.0);
    if (P * EL * EPS > 1.0) {
        STAT[3] = 1.0;
        P = 1.0 / (EPS * EL);
    }
    if (EPS > P * EL) {
        STAT[3] = 0.0;
        P = EPS / EL;
    }
    const int rows = N - M;
    const int width = 2 * M + 1;
    // E = R + P WE, lower band and diagonal (all that BANDET reads); WE is kept above its diagonal.
    for (int i = 0; i < rows; ++i) {
        double* e = BWE + static_cast<long>(i) * width + M;
        const double* r = B + static_cast<long>(i) * (width - 2) + M - 1;
        const int first = std::max(0, i - M);
        for (int j = first; j <= i; ++j) {
            const double we = WE[static_cast<long>(j) * width + M + i - j];
            e[j - i] = P * we + (i - j < M ? r[j - i] : 0.0);
        }
    }
    BANDET(BWE, M, rows);

    // The weights of row j of D: the first M from WE's lower band, the last minus their sum.
    auto weight = [&](int j, int a) {
        const double* w = WE + static_cast<long>(j) * width;
        if (a < M) return w[a];
        double sum = 0.0;
        for (int b = 0; b < M; ++b) sum += w[b];
        return -sum;
    };
    for (int j = 0; j < rows; ++j) {
        double s = 0.0;
        for (int a = 0; a <= M; ++a) s += weight(j, a) * Y[j + a];
        C[j] = s;
    }
    BANSOL(BWE, C, C, M, rows);
    STAT[2] = P * TRINV(WE, BWE, M, rows);

    // Smoothed values over gamma, last first: value i needs gamma[j] for j <= i only.
    double squares = 0.0;
    for (int i = N - 1; i >= 0; --i) {
        double s = 0.0;
        for (int j = std::max(0, i - M); j <= std::min(i, rows - 1); ++j) s += weight(j, i - j) * C[j];
        const double residual = P * s / WX[i];
        C[i] = Y[i] - residual;
        squares += WX[i] * residual * residual;
    }
    STAT[1] = squares / N;
    const double u = STAT[2] / N;
    STAT[5] = STAT[1] / u;
    STAT[0] = STAT[5] / u;
    if (VAL < 0.0) {
        STAT[4] = STAT[5] - STAT[1];
        return STAT[0];
    }
    STAT[4] = STAT[1] - (2.0 * u - 1.0) * VAL;
    return STAT[4];
}

void GCVSPL(const double* X, const double* Y, const double* WX, int M, int N, double* C, double& VAL, double* WK,
            int& IER) {
    IER = 0;
    if (M < 1 || N < 2 * M) {
        IER = 1;
        return;
    }
    for (int i = 0; i < N; ++i) {
        // Written so that NaN and infinite abscissae or weights are refused too.
        if (!(WX[i] > 0.0) || !std::isfinite(WX[i]) || !std::isfinite(X[i]) || (i > 0 && !(X[i - 1] < X[i]))) {
            IER = 2;
            return;
        }
    }
    constexpr double kEps = 1e-15;
    constexpr double kTol = 1e-6;
    constexpr double kTau = 1.618033983;
    double* stat = WK;
    double* band = WK + 6;
    double* basis = band + static_cast<long>(2 * M + 1) * N;
    double* weighted = basis + static_cast<long>(2 * M - 1) * N;

    double bl = 0.0;
    double el = 0.0;
    BASIS(M, N, X, basis, bl, band);
    PREP(M, N, X, WX, weighted, el);
    el /= bl;
    if (!std::isfinite(el) || !(el > 0.0)) {
        // Steps so uneven or so small that the band matrices left the range of doubles.
        IER = 2;
        return;
    }
    const double val = VAL;
    auto criterion = [&](double p) { return SPLC(M, N, Y, WX, val, p, kEps, C, stat, basis, weighted, el, band); };

    if (val == 0.0) {
        criterion(0.0);
    } else {
        // Bracket the minimum by halving from the balanced value 1 / EL, then doubling; either walk
        // ends at the interpolating or the polynomial limit, whose fit is then the result. The
        // counts only guard against non-finite criteria, the limits come first.
        bool limit = false;
        double r1 = 1.0 / el;
        double r2 = 2.0 * r1;
        double f2 = criterion(r2);
        double f1 = criterion(r1);
        for (int step = 0; f1 <= f2; ++step) {
            if (stat[3] <= 0.0 || step > 200) {
                limit = true;
                break;
            }
            r2 = r1;
            f2 = f1;
            r1 /= 2.0;
            f1 = criterion(r1);
        }
        if (!limit) {
            double r3 = 2.0 * r2;
            double before = f2;
            double f3 = criterion(r3);
            for (int step = 0; f3 <= before; ++step) {
                if (stat[3] >= 1.0 || step > 200) {
                    limit = true;
                    break;
                }
                before = f3;
                r3 *= 2.0;
                f3 = criterion(r3);
            }
            if (!limit) {
                // Golden section on [r1, r3], one new evaluation per step.
                double lower = r1;
                double upper = r3;
                double alpha = (upper - lower) / kTau;
                double x1 = upper - alpha;
                double x2 = lower + alpha;
                double g1 = criterion(x1);
                double g2 = criterion(x2);
                for (int step = 0; step < 500; ++step) {
                    const double err = (upper - lower) / (lower + upper);
                    if (err * err + 1.0 == 1.0 || !(err > kTol)) break;
                    alpha /= kTau;
                    if (g1 <= g2) {
                        upper = x2;
                        x2 = x1;
                        g2 = g1;
                        x1 = upper - alpha;
                        g1 = criterion(x1);
                    } else {
                        lower = x1;
                        x1 = x2;
                        g1 = g2;
                        x2 = lower + alpha;
                        g2 = criterion(x2);
                    }
                }
                criterion((lower + upper) / 2.0);
            }
        }
        if (val < 0.0) VAL = stat[5];
    }
    // The statistics stay; the rest of WK is free now and holds the collocation system.
    if (!ValuesToCoefficients(M, N, X, C, band)) IER = 2;
}

double SPLDER(int IDER, int M, int N, double T, const double* X, const double* C, int& L, double* Q) {
    if (IDER < 0 || IDER >= 2 * M) return 0.0;
    SEARCH(N, X, T, L);
    const int interval = L - 1;  // T in [X[interval], X[interval + 1]), -1 before the first knot
    const int first = std::max(0, interval - M + 1);
    const int last = std::min(N - 1, interval + M);
    double value = 0.0;
    for (int k = first; k <= last; ++k) {
        Q[k - first] = NaturalBasis(M, N, X, k, IDER, T);
        value += C[k] * Q[k - first];
    }
    return value;
}

}  // namespace gcvspl
