#include "model/SignalFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Uniform values in [-1, 1) from a seeded generator (no std distributions: they differ between
// standard libraries).
std::vector<double> Noise(int n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<double> values(n);
    for (double& v : values) v = random() / 2147483648.0 - 1.0;
    return values;
}

std::vector<double> Sine(int n, double frequency, double rate, double amplitude = 1.0) {
    std::vector<double> values(n);
    for (int i = 0; i < n; ++i) values[i] = amplitude * std::sin(2.0 * kPi * frequency * i / rate);
    return values;
}

// Amplitude and phase-shifted part of a sinusoid of the given frequency over [first, last], by
// least squares on sin and cos.
struct Fit {
    double inPhase;
    double quadrature;
};
Fit FitSinusoid(const std::vector<double>& v, double frequency, double rate, int first, int last) {
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (int i = first; i <= last; ++i) {
        const double s = std::sin(2.0 * kPi * frequency * i / rate);
        const double c = std::cos(2.0 * kPi * frequency * i / rate);
        ss += s * s;
        sc += s * c;
        cc += c * c;
        ys += v[i] * s;
        yc += v[i] * c;
    }
    const double det = ss * cc - sc * sc;
    return {(ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det};
}

// A filter that takes 0.0 for the missing mark, as a C3D recording's points do.
SignalFilter ZeroGaps() {
    SignalFilter filter;
    filter.missingValue = 0.0;
    return filter;
}

// ---- ButterworthFilter ----

struct GainCase {
    double frequency;
    bool criticallyDamped;
};

void PrintTo(const GainCase& c, std::ostream* os) {
    *os << c.frequency << " Hz" << (c.criticallyDamped ? ", critically damped" : "");
}

class ButterworthGain : public testing::TestWithParam<GainCase> {};

// The forward-backward pair of bilinear second-order sections has the squared magnitude of one
// section: 1 / (1 + W^4) for the Butterworth section, 1 / (1 + W^2)^2 for the critically damped
// one, W = tan(pi f / rate) / tan(pi cutoff / rate); and no phase shift.
TEST_P(ButterworthGain, MatchesClosedForm) {
    const double rate = 100.0;
    const double cutoff = 6.0;
    const GainCase c = GetParam();
    std::vector<double> v = Sine(4000, c.frequency, rate);
    SignalFilter().ButterworthFilter(v.data(), static_cast<int>(v.size()), cutoff, rate, c.criticallyDamped);
    const double w = std::tan(kPi * c.frequency / rate) / std::tan(kPi * cutoff / rate);
    const double expected = c.criticallyDamped ? 1.0 / ((1.0 + w * w) * (1.0 + w * w)) : 1.0 / (1.0 + w * w * w * w);
    const Fit fit = FitSinusoid(v, c.frequency, rate, 1000, 3000);
    EXPECT_NEAR(fit.inPhase, expected, 1e-6 + 1e-5 * expected);
    EXPECT_NEAR(fit.quadrature, 0.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Frequencies, ButterworthGain,
                         testing::Values(GainCase{1.0, false}, GainCase{4.0, false}, GainCase{6.0, false},
                                         GainCase{10.0, false}, GainCase{25.0, false}, GainCase{1.0, true},
                                         GainCase{6.0, true}, GainCase{15.0, true}));

TEST(ButterworthFilter, KeepsTheRunsOfMissingSamplesAndChangesTheSpan) {
    const double missing = -1.0;
    std::vector<double> v = Noise(40, 7);
    for (int i : {0, 1, 2, 38, 39}) v[i] = missing;
    const std::vector<double> before = v;
    SignalFilter filter;
    filter.missingValue = missing;
    filter.ButterworthFilter(v.data(), 40, 5.0, 100.0, false);
    for (int i : {0, 1, 2, 38, 39}) EXPECT_EQ(v[i], missing) << i;
    for (int i = 3; i <= 37; ++i) EXPECT_NE(v[i], before[i]) << i;
}

// Each run of present samples is filtered on its own, and a uniform motion comes back unchanged up
// to the run's ends: what lies across a gap cannot reach a run.
TEST(ButterworthFilter, RunsBetweenGapsAreFilteredApart) {
    const int n = 120;
    std::vector<double> line(n), other(n);
    for (int i = 0; i < n; ++i) line[i] = 0.3 - 0.02 * i;  // passes through 0.0: data, not a gap
    other = line;
    for (int i = 70; i < n; ++i) other[i] += std::sin(i) * 5.0;  // only beyond the gap
    for (auto* v : {&line, &other})
        for (int i = 60; i < 70; ++i) (*v)[i] = kNaN;
    SignalFilter().ButterworthFilter(line.data(), n, 6.0, 100.0, false);
    SignalFilter().ButterworthFilter(other.data(), n, 6.0, 100.0, false);
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        if (i >= 60 && i < 70) {
            EXPECT_TRUE(std::isnan(line[i]));
            continue;
        }
        EXPECT_NEAR(line[i], 0.3 - 0.02 * i, 1e-12);
        if (i < 60) {
            EXPECT_EQ(other[i], line[i]);
        }
    }
}

TEST(ButterworthFilter, RefusedCallsChangeNothing) {
    struct Case {
        const char* what;
        double cutoff;
        double rate;
        std::vector<double> values;
    };
    const std::vector<double> noise = Noise(50, 3);
    std::vector<double> shortSpan(50, 0.0);
    shortSpan[20] = 1.0;
    shortSpan[21] = 2.0;
    std::vector<double> single(50, 0.0);
    single[10] = 1.0;
    const Case cases[] = {
        {"cutoff at half the rate", 50.0, 100.0, noise},
        {"cutoff above half the rate", 70.0, 100.0, noise},
        {"zero cutoff", 0.0, 100.0, noise},
        {"negative cutoff", -5.0, 100.0, noise},
        {"NaN cutoff", kNaN, 100.0, noise},
        {"zero rate", 5.0, 0.0, noise},
        {"infinite rate", 5.0, std::numeric_limits<double>::infinity(), noise},
        {"span of two samples", 5.0, 100.0, shortSpan},
        {"span of one sample", 5.0, 100.0, single},
        {"every sample missing", 5.0, 100.0, std::vector<double>(50, 0.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> v = c.values;
        ZeroGaps().ButterworthFilter(v.data(), 50, c.cutoff, c.rate, false);
        EXPECT_EQ(v, c.values);
    }
    SignalFilter().ButterworthFilter(nullptr, 50, 5.0, 100.0, false);
    std::vector<double> v = noise;
    SignalFilter().ButterworthFilter(v.data(), 0, 5.0, 100.0, false);
    EXPECT_EQ(v, noise);
}

// ---- MovingAverage ----

TEST(MovingAverage, HalfWidthFromRateAndCutoff) {
    struct Case {
        double rate;
        double cutoff;
        int halfWidth;
    };
    for (const Case& c : {Case{50.0, 10.0, 2}, Case{100.0, 10.0, 5}, Case{100.5, 10.0, 5}, Case{100.0, 30.0, 1},
                          Case{2.5, 1.2, 0}}) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << " cutoff " << c.cutoff);
        // An impulse in a span of ones spreads over 2c + 1 samples.
        std::vector<double> v(41, 1.0);
        v[20] = 1.0 + (2.0 * c.halfWidth + 1.0);
        SignalFilter().MovingAverage(v.data(), 41, c.cutoff, c.rate);
        for (int i = 0; i < 41; ++i) {
            const double expected = c.halfWidth == 0 ? (i == 20 ? 2.0 : 1.0) : (std::abs(i - 20) <= c.halfWidth ? 2.0 : 1.0);
            EXPECT_DOUBLE_EQ(v[i], expected) << i;
        }
    }
}

TEST(MovingAverage, SpanEndsAndMissingRunsKeepTheirValues) {
    const double missing = 0.0;
    std::vector<double> v = Noise(60, 11);
    for (int i : {0, 1, 2, 58, 59}) v[i] = missing;
    const std::vector<double> before = v;
    ZeroGaps().MovingAverage(v.data(), 60, 10.0, 50.0);  // c = 2
    for (int i : {0, 1, 2, 3, 4, 56, 57, 58, 59}) EXPECT_EQ(v[i], before[i]) << i;
    for (int i = 5; i <= 55; ++i) {
        double sum = 0.0;
        for (int j = i - 2; j <= i + 2; ++j) sum += before[j];
        EXPECT_NEAR(v[i], sum / 5.0, 1e-15) << i;
    }
}

TEST(MovingAverage, WideWindowOnALongSignal) {
    const std::vector<double> before = Noise(5000, 5);
    std::vector<double> v = before;
    SignalFilter().MovingAverage(v.data(), 5000, 1.0, 201.0);  // c = 100
    for (int i = 100; i < 4900; i += 7) {
        double sum = 0.0;
        for (int j = i - 100; j <= i + 100; ++j) sum += before[j];
        EXPECT_NEAR(v[i], sum / 201.0, 1e-14) << i;
    }
    EXPECT_EQ(v[99], before[99]);
    EXPECT_EQ(v[4900], before[4900]);
}

TEST(MovingAverage, RefusedCallsChangeNothing) {
    const std::vector<double> noise = Noise(30, 2);
    for (double cutoff : {25.0, 30.0, 0.0, -1.0, kNaN}) {
        SCOPED_TRACE(cutoff);
        std::vector<double> v = noise;
        SignalFilter().MovingAverage(v.data(), 30, cutoff, 50.0);
        EXPECT_EQ(v, noise);
    }
    std::vector<double> v = noise;
    SignalFilter().MovingAverage(v.data(), 30, 1e-300, 1e300);  // a width far beyond any int
    EXPECT_EQ(v, noise);
    SignalFilter().MovingAverage(v.data(), 30, 5.0, kNaN);
    EXPECT_EQ(v, noise);
}

// ---- FivePointDerivative ----

TEST(FivePointDerivative, StraightLineGivesItsSlopeEverywhere) {
    for (int n : {7, 8, 100}) {
        SCOPED_TRACE(n);
        std::vector<double> v(n);
        for (int i = 0; i < n; ++i) v[i] = 3.0 - 0.25 * i;  // -0.25 per sample, -12.5 per second at 50 Hz
        SignalFilter().FivePointDerivative(v.data(), n, 50.0);
        for (int i = 0; i < n; ++i) EXPECT_NEAR(v[i], -12.5, 1e-12) << i;
    }
}

TEST(FivePointDerivative, PolynomialAndSine) {
    const double rate = 100.0;
    const int n = 200;
    // A quadratic has a linear derivative, which the five-point formula gives exactly and the
    // centred average keeps.
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        v[i] = 2.0 * t * t - 3.0 * t + 0.5;
    }
    SignalFilter().FivePointDerivative(v.data(), n, rate);
    for (int i = 5; i <= n - 6; ++i) EXPECT_NEAR(v[i], 4.0 * i / rate - 3.0, 1e-10) << i;

    // A 2 Hz sine: the five-sample average scales the derivative by (1 + 2 cos wh + 2 cos 2wh) / 5.
    const double f = 2.0;
    const double w = 2.0 * kPi * f;
    v = Sine(n, f, rate);
    SignalFilter().FivePointDerivative(v.data(), n, rate);
    const double h = 1.0 / rate;
    const double average = (1.0 + 2.0 * std::cos(w * h) + 2.0 * std::cos(2.0 * w * h)) / 5.0;
    for (int i = 5; i <= n - 6; ++i) EXPECT_NEAR(v[i], average * w * std::cos(w * i * h), 1e-4 * w) << i;
}

TEST(FivePointDerivative, ShortSignals) {
    std::vector<double> v = {1.0, 1.5, 2.0, 2.5, 3.0};
    SignalFilter().FivePointDerivative(v.data(), 5, 10.0);
    for (double d : v) EXPECT_DOUBLE_EQ(d, 5.0);
    v = {4.0};
    SignalFilter().FivePointDerivative(v.data(), 1, 10.0);
    EXPECT_TRUE(std::isnan(v[0]));  // one sample has no derivative
}

// Gaps stay gaps, and each run of present samples is differentiated on its own: a line broken by
// gaps keeps its slope up to every gap, the samples across a gap play no part, a lone sample has no
// derivative.
TEST(FivePointDerivative, RunsBetweenGaps) {
    const int n = 40;
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = 2.0 + 0.5 * i;
    for (int i : {0, 1, 10, 11, 12, 14, 30}) v[i] = kNaN;
    v[35] = 1e6;  // across the gap at 30: must not reach 29 or before
    SignalFilter().FivePointDerivative(v.data(), n, 100.0);
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        if (i <= 1 || (i >= 10 && i <= 12) || i == 13 || i == 14 || i == 30) {
            EXPECT_TRUE(std::isnan(v[i]));
        } else if (i < 30) {
            EXPECT_NEAR(v[i], 50.0, 1e-9);
        }
    }
}


// ---- FillGaps ----

TEST(FillGaps, FillsACubicAsTheNaturalSplineDoes) {
    // Natural cubic spline through the present samples, from SciPy (tests/model/gcvspl_oracle.py).
    const double filled[] = {1.9998541779384895, 1.9119128785450279, -0.49999377847620929, -0.727986186124014,
                             -0.90398550070981243};
    const int gaps[] = {5, 6, 15, 16, 17};
    const double missing = 1e30;
    std::vector<double> v(25);
    for (int i = 0; i < 25; ++i) v[i] = 0.002 * i * i * i - 0.07 * i * i + 0.5 * i + 1.0;
    const std::vector<double> before = v;
    for (int g : gaps) v[g] = missing;
    SignalFilter filter;
    filter.missingValue = missing;
    ASSERT_TRUE(filter.FillGaps(v.data(), 25, 5));
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(v[gaps[k]], filled[k], 1e-12) << gaps[k];
    for (int i = 0; i < 25; ++i) {
        if (i == 5 || i == 6 || (i >= 15 && i <= 17)) continue;
        EXPECT_EQ(v[i], before[i]) << i;
    }
}

TEST(FillGaps, LimitCountsEveryMissingSampleOfTheSpan) {
    std::vector<double> v(20);
    for (int i = 0; i < 20; ++i) v[i] = 1.0 + i;
    for (int i : {0, 4, 5, 11, 12, 13, 19}) v[i] = 0.0;  // runs at the ends do not count
    const std::vector<double> before = v;
    SignalFilter filter = ZeroGaps();
    EXPECT_FALSE(filter.FillGaps(v.data(), 20, 4));
    EXPECT_EQ(v, before);
    EXPECT_TRUE(filter.FillGaps(v.data(), 20, 5));
    for (int i = 1; i <= 18; ++i) EXPECT_NEAR(v[i], 1.0 + i, 1e-12) << i;
    EXPECT_EQ(v[0], 0.0);
    EXPECT_EQ(v[19], 0.0);
}

TEST(FillGaps, NothingToDoOrTooFewKnots) {
    struct Case {
        const char* what;
        std::vector<double> values;
        bool result;
    };
    const Case cases[] = {
        {"every sample missing", std::vector<double>(10, 0.0), true},
        {"none missing", {1, 2, 3, 4, 5}, true},
        {"two samples around a gap", {0, 1, 0, 0, 2, 0}, false},
        {"two samples", {1, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> v = c.values;
        EXPECT_EQ(ZeroGaps().FillGaps(v.data(), static_cast<int>(v.size()), 100), c.result);
        EXPECT_EQ(v, c.values);
    }
    EXPECT_FALSE(SignalFilter().FillGaps(nullptr, 10, 5));
}

TEST(FillGaps, SmallResultsAreKeptAndUnstorableOnesMarkedMissing) {
    SignalFilter filter;
    filter.missingValue = -999.0;
    struct Case {
        double slope;
        double offset;  // the line's value at the gap is offset
        double expected;
    };
    // Only a value beyond float range counts as missing; 0.0 and tiny values are results.
    for (const Case& c : {Case{1.0, 0.0, 0.0}, Case{1e-38, 5e-39, 5e-39}, Case{1e39, 3e39, -999.0}}) {
        SCOPED_TRACE(c.offset);
        std::vector<double> v(7);
        for (int i = 0; i < 7; ++i) v[i] = c.offset + c.slope * (i - 3);
        v[3] = -999.0;
        ASSERT_TRUE(filter.FillGaps(v.data(), 7, 1));
        EXPECT_NEAR(v[3], c.expected, 1e-12 * std::fabs(c.expected));
    }
}

// ---- SplineDerivative ----

TEST(SplineDerivative, StraightLine) {
    for (int order : {1, 2}) {
        std::vector<double> v(12);
        for (int i = 0; i < 12; ++i) v[i] = 0.7 + 1.5 * i / 20.0;  // 1.5 per second at 20 Hz
        ASSERT_TRUE(SignalFilter().SplineDerivative(v.data(), 12, 20.0, order));
        for (int i = 0; i < 12; ++i) EXPECT_NEAR(v[i], order == 2 ? 0.0 : 1.5, 1e-12) << order << " " << i;
    }
}

// The natural end conditions bend the spline near the ends only; inside, the fit of a quadratic
// is exact to rounding and that of a sine to O(h^2).
TEST(SplineDerivative, QuadraticAwayFromTheEnds) {
    const double rate = 40.0;
    std::vector<double> first(100);
    for (int i = 0; i < 100; ++i) {
        const double t = i / rate;
        first[i] = 3.0 * t * t - t + 2.0;
    }
    std::vector<double> second = first;
    ASSERT_TRUE(SignalFilter().SplineDerivative(first.data(), 100, rate, 1));
    ASSERT_TRUE(SignalFilter().SplineDerivative(second.data(), 100, rate, 2));
    for (int i = 25; i < 75; ++i) {
        EXPECT_NEAR(first[i], 6.0 * i / rate - 1.0, 1e-9) << i;
        EXPECT_NEAR(second[i], 6.0, 1e-9) << i;
    }
}

TEST(SplineDerivative, SineAwayFromTheEnds) {
    const double rate = 100.0;
    const double w = 2.0 * kPi * 1.5;
    for (int order : {1, 2}) {
        std::vector<double> v = Sine(300, 1.5, rate);
        ASSERT_TRUE(SignalFilter().SplineDerivative(v.data(), 300, rate, order));
        for (int i = 30; i < 270; ++i) {
            const double t = i / rate;
            if (order == 1)
                EXPECT_NEAR(v[i], w * std::cos(w * t), 1e-3 * w) << i;
            else
                EXPECT_NEAR(v[i], -w * w * std::sin(w * t), 1e-3 * w * w) << i;
        }
    }
}

TEST(SplineDerivative, RefusesShortSignalsAndBadRates) {
    const std::vector<double> two = {1.0, 2.0};
    std::vector<double> v = two;
    EXPECT_FALSE(SignalFilter().SplineDerivative(v.data(), 2, 10.0, 1));
    EXPECT_EQ(v, two);
    const std::vector<double> five = {1, 2, 4, 8, 16};
    for (double rate : {0.0, -10.0, kNaN}) {
        v = five;
        EXPECT_FALSE(SignalFilter().SplineDerivative(v.data(), 5, rate, 1));
        EXPECT_EQ(v, five);
    }
}

// ---- GcvsplSmooth ----

TEST(GcvsplSmooth, StraightLineAndItsDerivatives) {
    // Rounding of the samples grows by the rate for each order of derivative, hence the tolerance.
    for (double rate : {50.0, 1e-3, 1e4}) {
        for (int order : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << " order " << order);
            std::vector<double> v(40);
            for (int i = 0; i < 40; ++i) v[i] = 2.0 - 0.8 * i / rate;
            SignalFilter().GcvsplSmooth(v.data(), 40, rate, order);
            for (int i = 0; i < 40; ++i) {
                const double expected = order == 0 ? 2.0 - 0.8 * i / rate : order == 1 ? -0.8 : 0.0;
                const double tolerance = 1e-8 * (1.0 + std::fabs(2.0 - 0.8 * 40 / rate)) *
                                         (1.0 + std::pow(std::max(1.0, rate / 100.0), order));
                EXPECT_NEAR(v[i], expected, tolerance) << i;
            }
        }
    }
}

TEST(GcvsplSmooth, ReducesTheErrorOfANoisySine) {
    const int n = 500;
    const double rate = 100.0;
    const std::vector<double> truth = Sine(n, 1.0, rate);
    const std::vector<double> noise = Noise(n, 42);
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = truth[i] + 0.05 * noise[i];
    SignalFilter().GcvsplSmooth(v.data(), n, rate, 0);
    double before = 0.0;
    double after = 0.0;
    for (int i = 0; i < n; ++i) {
        before += 0.05 * noise[i] * 0.05 * noise[i];
        after += (v[i] - truth[i]) * (v[i] - truth[i]);
    }
    EXPECT_LT(after, before / 10.0);
}

TEST(GcvsplSmooth, DerivativesOfASmoothSignal) {
    const int n = 300;
    const double rate = 100.0;
    const double w = 2.0 * kPi * 0.8;
    for (int order : {1, 2}) {
        SCOPED_TRACE(order);
        std::vector<double> v = Sine(n, 0.8, rate);
        SignalFilter().GcvsplSmooth(v.data(), n, rate, order);
        for (int i = 10; i < n - 10; ++i) {
            const double t = i / rate;
            const double expected = order == 1 ? w * std::cos(w * t) : -w * w * std::sin(w * t);
            EXPECT_NEAR(v[i], expected, 1e-4 * std::pow(w, order)) << i;
        }
    }
}

TEST(GcvsplSmooth, FitsThePresentSamplesOnly) {
    const int n = 120;
    const double rate = 60.0;
    const double missing = -1.0;
    const std::vector<double> truth = Sine(n, 0.5, rate, 0.5);
    std::vector<double> v = truth;
    for (int i : {0, 1, 2, 40, 41, 42, 43, 80, 117, 118, 119}) v[i] = missing;
    SignalFilter filter;
    filter.missingValue = missing;
    filter.GcvsplSmooth(v.data(), n, rate, 0);
    for (int i : {0, 1, 2, 40, 41, 42, 43, 80, 117, 118, 119}) EXPECT_EQ(v[i], missing) << i;
    for (int i = 3; i <= 116; ++i) {
        if (v[i] == missing) continue;
        EXPECT_NEAR(v[i], truth[i], 1e-5) << i;
    }
}

TEST(GcvsplSmooth, RefusedCallsChangeNothing) {
    struct Case {
        const char* what;
        std::vector<double> values;
        double rate;
        int order;
    };
    std::vector<double> fivePresent = Noise(20, 9);
    for (int i = 5; i < 20; ++i) fivePresent[i] = 0.0;
    const Case cases[] = {
        {"five samples", Noise(5, 1), 50.0, 0},
        {"five present samples", fivePresent, 50.0, 0},
        {"order 3", Noise(30, 1), 50.0, 3},
        {"order -1", Noise(30, 1), 50.0, -1},
        {"zero rate", Noise(30, 1), 0.0, 0},
        {"NaN rate", Noise(30, 1), kNaN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> v = c.values;
        ZeroGaps().GcvsplSmooth(v.data(), static_cast<int>(v.size()), c.rate, c.order);
        EXPECT_EQ(v, c.values);
    }
    SignalFilter().GcvsplSmooth(nullptr, 30, 50.0, 0);
}

}  // namespace
