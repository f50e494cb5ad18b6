#include "model/Gcvspl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace gcvspl;

// SciPy's cubic smoothing spline on 30 noisy samples of a sine at 50 Hz, with the smoothing that
// minimises the GCV score (at the samples and midway between them) and with lam = 1e-5
// (tests/model/gcvspl_oracle.py).
// lam = 3.918172268e-05, GCV score 0.002631971208
constexpr double kY[] = {
    0, 0.21245395167580769, 0.29678271320418176, 0.43104846508459732,
    0.65333127705209293, 0.68028254997449566, 0.78175977964207721, 0.95461679980121061,
    0.92375261464753566, 0.96674692671550444, 1.0368955463065566, 1.0014047527982957,
    0.97386301684839871, 0.80131898614031827, 0.74573148683766421, 0.5886196808351517,
    0.54904829421332524, 0.39762586728651622, 0.24803272599397991, 0.017841725507617628,
    -0.16443057431547586, -0.240953310031461, -0.48690490251769564, -0.62757270114847241,
    -0.66664537870923235, -0.85786410290739024, -0.93719283283232169, -0.90544426673907585,
    -0.99237834661358959, -0.96878869545175839,
};
constexpr double kGcvValue[] = {
    0.027686382950551647, 0.17673451542065266, 0.3213452434910532, 0.46110736704467015,
    0.59245891121453031, 0.70898195141852915, 0.810544866902702, 0.89420144815258118,
    0.95416659741238552, 0.99086431389297391, 1.0018139102743435, 0.98141072920934835,
    0.92868503566435612, 0.84811983126019841, 0.74943542701224242, 0.63739304146412235,
    0.51299738089122437, 0.37171497515243368, 0.21314153055256269, 0.042813811807297875,
    -0.12895015347268926, -0.29525153634840684, -0.4530230747666214, -0.59416690748749157,
    -0.71448613764995073, -0.81385597941057475, -0.88827401858912047, -0.93976481947681123,
    -0.97734133495348408, -1.0075212597348255,
};
constexpr double kGcvFirst[] = {
    7.4995142731241442, 7.358191324266862, 7.1165495108836314, 6.8315383758012382,
    6.2243471444329916, 5.4522607025456473, 4.6795033986101942, 3.6126502131213734,
    2.4131553253568083, 1.2341583465103005, -0.20269178210431449, -1.8414289206368646,
    -3.4009237268463375, -4.5485108643502912, -5.2924741135695497, -5.8906111507829468,
    -6.6107882014513528, -7.5179459901649075, -8.2958053886883167, -8.6340069568522058,
    -8.4819193876905956, -8.1481177157411402, -7.5365479434346856, -6.5429961813827848,
    -5.510926763533595, -4.3666575529453482, -3.090625165560454, -2.1571677947482906,
    -1.6408011101009314, -1.443093803550145,
};
constexpr double kGcvSecond[] = {
    2.6645352591003757e-13, -14.132294885728447, -10.031886452594787, -18.469227055644442,
    -42.249896081180211, -34.958748107554221, -42.316982285991138, -64.368336262890764,
    -55.581152513565804, -62.318545371085044, -81.366467490376337, -82.507246362878746,
    -73.442234258068623, -41.316479492326607, -33.079845429599139, -26.733858291740656,
    -45.28384677509996, -45.431932096255444, -32.354007756085473, -1.4661490603035774,
    16.674905976464778, 16.705261218480601, 44.451716012164873, 54.903460193025147,
    48.30348159189397, 66.123439466930606, 61.479799271558676, 31.865937809657567,
    19.7707306550783, 4.4408920985006469e-13,
};
constexpr double kGcvBetween[] = {
    0.10256375655774537, 0.24964398398931098, 0.39193883310556776, 0.52830111720802087,
    0.65265064742124812, 0.76169530242045436, 0.85504029049136376, 0.9271827600018947,
    0.97546294809979595, 0.99993123740519507, 0.99570916258817721, 0.9589466194523758,
    0.8912714013060371, 0.80063753725926834, 0.69490957683121557, 0.57699565380434426,
    0.44462407249361285, 0.29437290134880678, 0.12882317510033997, -0.043448389755599712,
    -0.21293534909042186, -0.3756662299882802, -0.52607887053218616, -0.65690669611334385,
    -0.76703173155673332, -0.85425507996830996, -0.91635306245999637, -0.95984399392676611,
    -0.9929255656105318,
};
constexpr double kGcvBetweenFirst[] = {
    7.4641835359098252, 7.2271193964924123, 6.9951372948500596, 6.587394432680953,
    5.8200760535552547, 5.0842776360240123, 4.2012051908080332, 2.9909348098657778,
    1.8405003180773534, 0.56335308750122137, -1.0192084041893348, -2.6438388540036248,
    -4.05503168251267, -4.9410840741167386, -5.6074076000208946, -6.2043247049087498,
    -7.0639968825052399, -7.9395705002770338, -8.5421258195097138, -8.6033158098633198,
    -8.3150944398209052, -7.9116989665721231, -7.0659014228608852, -6.0104615259553622,
    -4.9833420529270631, -3.7170322587644713, -2.5498618264996193, -1.8687464345381628,
    -1.4925206301878431,
};
constexpr double kFixedValue[] = {
    0.019241939181524781, 0.17425668813510636, 0.31897085421556182, 0.46049730963662133,
    0.59528170727110297, 0.70884517340002584, 0.80993374245726246, 0.89604346397851087,
    0.95364570231765944, 0.99270866086932985, 1.01160577649326, 0.99425045211957264,
    0.9355363101154679, 0.84265479674962807, 0.73868073389088684, 0.63069350570707239,
    0.51841161320679718, 0.38413917532742453, 0.2227082564880892, 0.043605310221096739,
    -0.13181374523868919, -0.29690588477971336, -0.45839852679340504, -0.60132747711226853,
    -0.72197096186015675, -0.82702876565668293, -0.90130443694588869, -0.94345541240359465,
    -0.97032283205654601, -0.9862010796362094,
};

constexpr int kOracleN = 30;
constexpr double kOracleRate = 50.0;

// A fit and the means to evaluate it.
struct Fit {
    int M;
    std::vector<double> x;
    std::vector<double> c;
    std::vector<double> wk;
    double val;
    int ier = -1;

    Fit(int m, std::vector<double> abscissae, const std::vector<double>& y, double variance,
        std::vector<double> weights = {})
        : M(m), x(std::move(abscissae)), c(x.size()), wk(WorkSize(m, static_cast<int>(x.size()))), val(variance) {
        if (weights.empty()) weights.assign(x.size(), 1.0);
        GCVSPL(x.data(), y.data(), weights.data(), M, N(), c.data(), val, wk.data(), ier);
        stat.assign(wk.begin(), wk.begin() + 6);
    }
    int N() const { return static_cast<int>(x.size()); }
    double At(double t, int derivative = 0) const {
        int l = 0;
        std::vector<double> q(2 * M);
        return SPLDER(derivative, M, N(), t, x.data(), c.data(), l, q.data());
    }
    std::vector<double> stat;
};

std::vector<double> OracleX() {
    std::vector<double> x(kOracleN);
    for (int i = 0; i < kOracleN; ++i) x[i] = i / kOracleRate;
    return x;
}

// Increasing abscissae with uneven steps, from a seeded generator.
std::vector<double> UnevenX(int n, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<double> x(n);
    double t = -0.3;
    for (double& v : x) {
        v = t;
        t += 0.01 + 0.04 * (random() / 4294967296.0);
    }
    return x;
}

TEST(Gcvspl, CubicFitAgreesWithSciPy) {
    const std::vector<double> y(kY, kY + kOracleN);
    const Fit fit(2, OracleX(), y, -1.0);
    ASSERT_EQ(fit.ier, 0);
    for (int i = 0; i < kOracleN; ++i) {
        SCOPED_TRACE(i);
        const double t = fit.x[i];
        EXPECT_NEAR(fit.At(t), kGcvValue[i], 1e-8);
        EXPECT_NEAR(fit.At(t, 1), kGcvFirst[i], 1e-7);
        EXPECT_NEAR(fit.At(t, 2), kGcvSecond[i], 2e-6);
    }
    for (int i = 0; i + 1 < kOracleN; ++i) {
        SCOPED_TRACE(testing::Message() << "between " << i << " and " << i + 1);
        const double t = (fit.x[i] + fit.x[i + 1]) / 2;
        EXPECT_NEAR(fit.At(t), kGcvBetween[i], 1e-8);
        EXPECT_NEAR(fit.At(t, 1), kGcvBetweenFirst[i], 1e-7);
    }
    // The smoothing parameter itself, from r = p / (1 + p).
    EXPECT_NEAR(fit.stat[3] / (1.0 - fit.stat[3]), 3.918172268e-05, 1e-4 * 3.918172268e-05);
    EXPECT_NEAR(fit.stat[0], 0.002631971208, 1e-12);
    EXPECT_NEAR(fit.val, fit.stat[5], 0.0);
}

TEST(Gcvspl, FixedSmoothingAgreesWithSciPy) {
    const int m = 2;
    const std::vector<double> x = OracleX();
    const std::vector<double> w(kOracleN, 1.0);
    std::vector<double> b((2 * m - 1) * kOracleN), we((2 * m + 1) * kOracleN), band((2 * m + 1) * kOracleN);
    std::vector<double> c(kOracleN), stat(6);
    double bl = 0.0;
    double el = 0.0;
    BASIS(m, kOracleN, x.data(), b.data(), bl, band.data());
    PREP(m, kOracleN, x.data(), w.data(), we.data(), el);
    el /= bl;
    SPLC(m, kOracleN, kY, w.data(), -1.0, 1e-5, 1e-15, c.data(), stat.data(), b.data(), we.data(), el,
         band.data());
    for (int i = 0; i < kOracleN; ++i) EXPECT_NEAR(c[i], kFixedValue[i], 1e-12) << i;
}

// A polynomial of degree below M is not penalised: every fit returns it, with its derivatives, also
// between and beyond the knots. Rounding grows by about 1 / step for each order of derivative (the
// steps are 0.01 to 0.05), hence the tolerance; orders above M are all rounding.
TEST(Gcvspl, ReproducesPolynomialsOfDegreeBelowM) {
    for (int m = 1; m <= 4; ++m) {
        for (double variance : {-1.0, 0.0, 0.01}) {
            SCOPED_TRACE(testing::Message() << "M " << m << " VAL " << variance);
            const std::vector<double> x = UnevenX(25, 17 + m);
            // p(t) = sum_k (k + 1) (-t)^k / 2, degree m - 1
            auto p = [m](double t, int derivative) {
                double sum = 0.0;
                for (int k = derivative; k < m; ++k) {
                    double term = (k + 1) * 0.5 * (k % 2 ? -1.0 : 1.0);
                    for (int d = 0; d < derivative; ++d) term *= k - d;
                    sum += term * std::pow(t, k - derivative);
                }
                return sum;
            };
            std::vector<double> y(x.size());
            for (size_t i = 0; i < x.size(); ++i) y[i] = p(x[i], 0);
            const Fit fit(m, x, y, variance);
            ASSERT_EQ(fit.ier, 0);
            for (double t : {x[0] - 0.1, x[0], (x[3] + x[4]) / 2, x[12], x[24] - 1e-3, x[24], x[24] + 0.1}) {
                for (int d = 0; d <= m; ++d) {
                    const double expected = d < m ? p(t, d) : 0.0;
                    const double tolerance = 1e-9 * std::pow(40.0, d) * (1.0 + std::fabs(expected));
                    EXPECT_NEAR(fit.At(t, d), expected, tolerance) << "t " << t << " d " << d;
                }
            }
        }
    }
}

TEST(Gcvspl, ZeroVarianceInterpolates) {
    std::mt19937 random(3);
    for (int m = 1; m <= 4; ++m) {
        SCOPED_TRACE(m);
        const std::vector<double> x = UnevenX(40, m);
        std::vector<double> y(x.size());
        for (double& v : y) v = random() / 4294967296.0;
        const Fit fit(m, x, y, 0.0);
        ASSERT_EQ(fit.ier, 0);
        EXPECT_EQ(fit.val, 0.0);
        for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(fit.At(x[i]), y[i], 1e-9) << i;
    }
}

TEST(Gcvspl, CrossValidationOnNoisyData) {
    std::mt19937 random(8);
    const std::vector<double> x = UnevenX(200, 99);
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = std::cos(3.0 * x[i]) + 0.02 * (random() / 2147483648.0 - 1.0);
    const Fit fit(3, x, y, -1.0);
    ASSERT_EQ(fit.ier, 0);
    EXPECT_GT(fit.val, 0.0);
    EXPECT_EQ(fit.val, fit.stat[5]);
    EXPECT_GT(fit.stat[3], 0.0);
    EXPECT_LT(fit.stat[3], 1.0);
    // The noise is uniform in +-0.02, variance 0.02^2 / 3.
    EXPECT_NEAR(fit.val, 0.02 * 0.02 / 3.0, 0.5 * 0.02 * 0.02 / 3.0);

    // With the variance given, the fit minimises the predicted error instead and keeps VAL.
    const Fit known(3, x, y, 0.02 * 0.02 / 3.0);
    ASSERT_EQ(known.ier, 0);
    EXPECT_EQ(known.val, 0.02 * 0.02 / 3.0);
    for (size_t i = 10; i < x.size() - 10; i += 10) EXPECT_NEAR(known.At(x[i]), std::cos(3.0 * x[i]), 0.01) << i;
}

TEST(Gcvspl, ErrorsWriteNothing) {
    struct Case {
        const char* what;
        int m;
        std::vector<double> x;
        std::vector<double> w;
        int ier;
    };
    const std::vector<double> x6 = {0, 1, 2, 3, 4, 5};
    const std::vector<double> ones(6, 1.0);
    const Case cases[] = {
        {"N = 2M - 1", 3, {0, 1, 2, 3, 4}, {1, 1, 1, 1, 1}, 1},
        {"M = 0", 0, x6, ones, 1},
        {"a zero weight", 3, x6, {1, 1, 0, 1, 1, 1}, 2},
        {"a negative weight", 2, x6, {1, 1, 1, 1, 1, -1}, 2},
        {"a NaN weight", 2, x6, {1, 1, 1, std::nan(""), 1, 1}, 2},
        {"two equal abscissae", 3, {0, 1, 2, 2, 4, 5}, ones, 2},
        {"decreasing abscissae", 2, {0, 1, 3, 2, 4, 5}, ones, 2},
        {"an infinite abscissa", 2, {0, 1, 2, 3, 4, HUGE_VAL}, ones, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int n = static_cast<int>(c.x.size());
        const std::vector<double> y(n, 1.0);
        std::vector<double> coefficients(n, 123.0);
        std::vector<double> wk(WorkSize(std::max(c.m, 1), n), 456.0);
        double val = -1.0;
        int ier = -1;
        GCVSPL(c.x.data(), y.data(), c.w.data(), c.m, n, coefficients.data(), val, wk.data(), ier);
        EXPECT_EQ(ier, c.ier);
        EXPECT_EQ(val, -1.0);
        EXPECT_EQ(coefficients, std::vector<double>(n, 123.0));
        EXPECT_EQ(wk, std::vector<double>(wk.size(), 456.0));
    }
}

TEST(Gcvspl, StepsTooSmallForDoublesAreRefused) {
    std::vector<double> x(10);
    for (int i = 0; i < 10; ++i) x[i] = i * 1e-100;  // step^-6 overflows
    const std::vector<double> y(10, 1.0);
    const std::vector<double> w(10, 1.0);
    std::vector<double> c(10, 123.0);
    std::vector<double> wk(WorkSize(3, 10));
    double val = -1.0;
    int ier = -1;
    GCVSPL(x.data(), y.data(), w.data(), 3, 10, c.data(), val, wk.data(), ier);
    EXPECT_EQ(ier, 2);
    EXPECT_EQ(val, -1.0);
    EXPECT_EQ(c, std::vector<double>(10, 123.0));
}

TEST(Gcvspl, DerivativesOfOrder2MAndAboveAreZero) {
    const std::vector<double> x = UnevenX(12, 5);
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) y[i] = std::sin(5.0 * x[i]);
    const Fit fit(2, x, y, 0.0);
    ASSERT_EQ(fit.ier, 0);
    // The third derivative of the cubic is piecewise constant and not zero; the fourth is.
    EXPECT_NE(fit.At((x[4] + x[5]) / 2, 3), 0.0);
    EXPECT_EQ(fit.At((x[4] + x[5]) / 2, 4), 0.0);
    EXPECT_EQ(fit.At(x[3], 7), 0.0);
    EXPECT_EQ(fit.At(x[3], -1), 0.0);
}

TEST(Gcvspl, SearchFindsTheInterval) {
    const std::vector<double> x = {0.0, 1.0, 2.0, 4.0, 8.0};
    struct Case {
        double t;
        int hint;
        int interval;
    };
    for (const Case& c : {Case{-1.0, 3, 0}, Case{0.0, 0, 1}, Case{0.5, 5, 1}, Case{1.0, 1, 2}, Case{3.9, 2, 3},
                          Case{3.9, 4, 3}, Case{4.0, 0, 4}, Case{7.99, 9, 4}, Case{8.0, 2, 5}, Case{100.0, 1, 5}}) {
        int l = c.hint;
        SEARCH(5, x.data(), c.t, l);
        EXPECT_EQ(l, c.interval) << "t " << c.t << " hint " << c.hint;
    }
}

}  // namespace
