// The two-sided G function: the first-moment integrand x*F and its integral,
// the windows and closed forms for two degrees of freedom, the failure values
// and records, and G itself against an independent quadrature.
#include <gtest/gtest.h>

#include <boost/math/special_functions/bessel.hpp>
#include <cmath>
#include <string>

#include "control.h"
#include "mainguts.h"
#include "ratio_oracle.h"
#include "test_support.h"
#include "twosided_oracle.h"

namespace {

using ts::count_of;
using ts::kInvSqrtPi;

double J(Context& ctx, double a, double b, double nu, double kappa, double s = 0.0,
         double P = 1.0) {
    return TwoTailedNewFIntegrateAdap(a, b, 0.0, nu, kappa, dlgama(nu / 2.0), s, P, ctx);
}

double G(Context& ctx, double x, double q, int which, double nu, double eta, int& fail) {
    return TwoTailedG(x, q, which, nu, eta, 0.0, 0.0, 800.0, 0.0, dlgama(nu / 2.0), fail, ctx);
}

// The trial value x at which, for eta given, rho(x) = rho.
double x_for_rho(double rho, double nu, double eta) {
    const double u = rho * std::sqrt(nu) / std::sqrt(1.0 - rho * rho);
    return -u * eta / std::sqrt(nu + 1.0);
}

}  // namespace

TEST(TwoTailedNewF, VanishesAtTheEndsAndAtZeroAndIsXTimesF) {
    for (double nu : {1.0, 1.5, 2.0, 5.0, 1001.0}) {
        const double L = dlgama(nu / 2.0);
        EXPECT_EQ(TwoTailedNewF(1.0, nu, -0.3, kInvSqrtPi, L, 0.0, 1.0), 0.0) << nu;
        EXPECT_EQ(TwoTailedNewF(-1.0, nu, -0.3, kInvSqrtPi, L, 0.0, 1.0), 0.0) << nu;
        EXPECT_EQ(TwoTailedNewF(0.0, nu, -0.3, kInvSqrtPi, L, 0.0, 1.0), 0.0) << nu;
    }
    const double L = dlgama(2.5);
    for (double x : {-0.9, -0.468, -0.1, 0.3, 0.99}) {
        const double f = NewF(x, 5.0, -0.3, kInvSqrtPi, L, 0.2, 0.7);
        EXPECT_LE(ts::ulps(TwoTailedNewF(x, 5.0, -0.3, kInvSqrtPi, L, 0.2, 0.7), x * f), 2.0)
            << x;
    }
}

TEST(TwoTailedNewFIntegrateAdap, FirstMomentMatchesTheBesselIdentity) {
    ts::TestContext tc(1e-8, 0.0);
    // nu = 5, kappa = -0.3, w = 1.8: the integral of x'F is -e^(-w) I_3(w).
    const double want = -std::exp(-1.8) * boost::math::cyl_bessel_i(3.0, 1.8);
    EXPECT_NEAR(want, -0.0244955, 5e-8);
    EXPECT_NEAR(J(tc, -1.0, 1.0, 5.0, -0.3), want, 1e-8);
    EXPECT_NEAR(-Besseli(1.8, 3.0, 2), want, 1e-12);
    EXPECT_NEAR(NewFIntegrateAdap(-1.0, 1.0, 0.0, 5.0, -0.3, dlgama(2.5), 0.0, 1.0, tc), 0.0869539,
                5e-8);
    // Shift and divisor only rescale: e^(-(nu+1)s)/P.
    const double scaled = J(tc, -1.0, 1.0, 5.0, -0.3, 0.1, 0.25);
    EXPECT_NEAR(scaled, want * std::exp(-0.6) / 0.25, 1e-7);
    // Other orders, including nu = 1 with its end-point singularity of F.
    for (double nu : {1.0, 3.0, 10.0, 40.0}) {
        const double kappa = -0.5;
        const double w = -(nu + 1.0) * kappa;
        const double bes = -std::exp(-w) * boost::math::cyl_bessel_i((nu + 1.0) / 2.0, w);
        EXPECT_NEAR(J(tc, -1.0, 1.0, nu, kappa), bes, 2e-8) << nu;
    }
}

TEST(TwoTailedNewFIntegrateAdap, IsAdditiveAtAnySplitPoint) {
    ts::TestContext tc(1e-8, 0.0);
    const double nu = 5.0, kappa = -0.3;
    const double whole = J(tc, -1.0, 1.0, nu, kappa);
    for (double m : {-0.999, -0.7, tmax(nu, kappa), -0.2, 0.0, 1e-9, 0.35, 0.8, 0.9999}) {
        EXPECT_NEAR(J(tc, -1.0, m, nu, kappa) + J(tc, m, 1.0, nu, kappa), whole, 1e-8) << m;
    }
    // an inner interval split, and a reversed interval is the negative
    EXPECT_NEAR(J(tc, -0.6, 0.1, nu, kappa) + J(tc, 0.1, 0.7, nu, kappa), J(tc, -0.6, 0.7, nu, kappa), 1e-8);
    EXPECT_NEAR(J(tc, 0.7, -0.6, nu, kappa), -J(tc, -0.6, 0.7, nu, kappa), 1e-8);
}

TEST(TwoTailedNewFAdaptive, TerminatesWithToleranceZeroOrNonNumbers) {
    // Both acceptance tests fail forever with tol = 0; the stack bound ends it.
    ts::TestContext tc(0.0, 0.0);
    double result = 0.0;
    TwoTailedNewFAdaptive(-1.0, 1.0, 5.0, -0.3, kInvSqrtPi, dlgama(2.5), 0.0, 1.0, result, tc);
    EXPECT_NEAR(result, -0.0244955, 1e-4);
    tc.control().FunctionTol = 1e-8;
    TwoTailedNewFAdaptive(-1.0, 1.0, 5.0, 0.3, kInvSqrtPi, dlgama(2.5), 0.0, 1.0, result, tc);
    EXPECT_TRUE(std::isnan(result));
}

TEST(TwoTailedG, TwoDegreesOfFreedomClosedFormsMatchQuadrature) {
    ts::TestContext tc(1e-8, 0.0);
    for (double eta : {0.1, 1.0, 4.0}) {
        for (double x : {-1.0, 0.0, 0.3, 1.5}) {
            for (int which : {1, 2}) {
                const auto want = oracle::G(x, 0.9, which, 2.0, eta);
                int fail = -1;
                const double got = G(tc, x, 0.9, which, 2.0, eta, fail);
                // Where F holds less than q on that side of rho the closed
                // forms place a window reaching past -1 or 1; only an upper
                // window with no logarithm (A <= 0) is reported.
                if (!want) continue;
                EXPECT_EQ(fail, 0);
                EXPECT_NEAR(got, *want, 1e-9) << "eta=" << eta << " x=" << x << " which=" << which;
            }
        }
    }
}

TEST(TwoTailedG, TwoDegreesOfFreedomUpperWindowThatCannotBePlaced) {
    // W = 3 kappa = -30, rho = 0.9, q = 0.95: A = e^(W(rho+1)) + (e^(2W)-1) q < 0.
    const double nu = 2.0;
    const double u = 0.9 * std::sqrt(nu) / std::sqrt(1.0 - 0.81);
    const double eta = 10.0 * (nu + 1.0) / (std::sqrt(u * u + nu) * 0.5 * std::sqrt(nu + 1.0));
    const double x = x_for_rho(0.9, nu, eta);
    ts::TestContext tc;
    int fail = 0;
    const double g = G(tc, x, 0.95, 2, nu, eta, fail);
    EXPECT_EQ(fail, 1);
    EXPECT_EQ(g, -1000000.0);
    const std::string text = tc.text();
    EXPECT_EQ(text.rfind(" Failed with v=2...\n v,s   2.  10.", 0), 0u) << text;
    EXPECT_EQ(count_of(text, "\n"), 2) << text;
    // the lower window at the same point is always placeable
    tc.clear();
    const double lower = G(tc, x, 0.95, 1, nu, eta, fail);
    EXPECT_EQ(fail, 0);
    EXPECT_GT(lower, 0.0);
    EXPECT_EQ(tc.text(), "");
}

TEST(TwoTailedG, WindowThatCannotHoldTheShareFails) {
    ts::TestContext tc(1e-8, 0.0);
    int fail = 0;
    // q above 1 asks for more of F than lies on either side of rho.
    EXPECT_EQ(G(tc, 0.2, 1.2, 1, 5.0, 1.0, fail), -8000000.0);
    EXPECT_EQ(fail, 1);
    fail = 0;
    EXPECT_EQ(G(tc, 0.2, 1.2, 2, 5.0, 1.0, fail), -5000000.0);
    EXPECT_EQ(fail, 1);
    // and the flag is cleared by a good evaluation
    G(tc, 0.2, 0.05, 2, 5.0, 1.0, fail);
    EXPECT_EQ(fail, 0);
}

TEST(TwoTailedG, LargeNuAndEtaWritesSetFactorOncePerEvaluation) {
    ts::TestContext tc(1e-8, 0.0);
    int fail = 0;
    const double g1 = G(tc, 18.0, 0.3, 1, 1001.0, 6.0, fail);
    EXPECT_EQ(fail, 0);
    EXPECT_EQ(tc.text(), " Set Factor to 0 \n");
    const double g2 = G(tc, 18.0, 0.3, 2, 1001.0, 6.0, fail);
    EXPECT_EQ(fail, 0);
    EXPECT_EQ(tc.text(), " Set Factor to 0 \n Set Factor to 0 \n");
    for (double g : {g1, g2}) {
        EXPECT_GT(g, 0.0);
        EXPECT_LT(g, 1.0);
    }
    EXPECT_NEAR(g1, oracle::G(18.0, 0.3, 1, 1001.0, 6.0).value(), 1e-6);
    EXPECT_NEAR(g2, oracle::G(18.0, 0.3, 2, 1001.0, 6.0).value(), 1e-6);
    // a window that cannot be placed still writes the record first
    tc.clear();
    EXPECT_EQ(G(tc, 18.0, 0.95, 2, 1001.0, 6.0, fail), -5000000.0);
    EXPECT_EQ(tc.text(), " Set Factor to 0 \n");
    // eta = 5 exactly takes the computed shift, silently
    tc.clear();
    G(tc, 12.5, 0.95, 1, 1001.0, 5.0, fail);
    EXPECT_EQ(tc.text(), "");
}

TEST(TwoTailedG, MatchesIndependentQuadratureOnEveryBranch) {
    ts::TestContext tc(1e-8, 0.0);
    struct Case {
        double nu, eta, x;
    };
    // Small eta with nu = 60 (normaliser by integration); large nu*eta (w above zmax: both
    // normaliser and first moment by integration); nu = 1001 with the
    // computed shift; ordinary Bessel forms.
    const Case cases[] = {{3.0, 1.0, 0.8},    {5.0, 1.0, 0.0},
                          {5.0, 0.1, 0.01}, {10.0, 10.0, 45.0}, {60.0, 0.1, 0.004},
                          {100.0, 3.0, 4.2}, {1000.0, 10.0, 50.0}, {1001.0, 1.0, 0.5}};
    for (const Case& c : cases) {
        for (int which : {1, 2}) {
            for (double q : {0.05, 0.3, 0.95}) {
                int fail = -1;
                const double got = G(tc, c.x, q, which, c.nu, c.eta, fail);
                const auto want = oracle::G(c.x, q, which, c.nu, c.eta);
                if (!want) {
                    // less than the share q of F lies on that side of rho
                    EXPECT_EQ(fail, 1);
                    EXPECT_EQ(got, which == 1 ? -8000000.0 : -5000000.0);
                    continue;
                }
                EXPECT_EQ(fail, 0);
                EXPECT_NEAR(got, *want, 2e-6) << "nu=" << c.nu << " eta=" << c.eta
                                              << " x=" << c.x << " which=" << which << " q=" << q;
            }
        }
    }
}

TEST(TwoTailedG, WindowShrinksToRhoAsTheLevelFalls) {
    ts::TestContext tc(1e-10, 0.0);
    int fail = 0;
    double previous = 1.0;
    for (double q : {0.5, 0.1, 0.01, 0.001, 1e-5}) {
        const double g = G(tc, 0.3, q, 1, 5.0, 1.0, fail);
        EXPECT_EQ(fail, 0);
        EXPECT_LT(std::fabs(g), previous) << q;
        previous = std::fabs(g);
    }
    EXPECT_LT(previous, 1e-3);
}

TEST(TwoTailedG, NuBelowTwoIsRefusedWithARecord) {
    // F has no peak to scale by; nothing is computed from unset values.
    for (double nu : {1.0, 1.5, 0.0, -3.0}) {
        ts::TestContext tc;
        int fail = 0;
        EXPECT_EQ(TwoTailedG(200.0, 0.95, 2, nu, 3.0, 0.0, 0.0, 800.0, 0.0, 0.57, fail, tc),
                  -8000000.0);
        EXPECT_EQ(fail, 1);
        EXPECT_EQ(tc.text().rfind(" Two-sided G needs nu >= 2; refused for nu =", 0), 0u)
            << tc.text();
    }
}

// With nu = 2, G is a ratio of closed forms in W = 3 kappa whose naive
// evaluation cancels for small |W| (the window end lost eps/|W|, the ratio
// eps/|W|^3). Checked against the same closed forms in 100 digits, from the
// kappa and rho the program derives from x and eta.
TEST(TwoTailedG, TwoDegreesOfFreedomStaysExactForTinyEta) {
    ts::TestContext tc;
    using ratio_oracle::big;
    const double nu = 2.0, q = 0.95;
    // A window holding the share q fits inside [-1, 1] only next to an end: the
    // lower limit's (which 1) beside rho near 1, the upper's beside rho near -1.
    int checked[3] = {0, 0, 0};
    for (double eta : {1e-1, 1e-3, 1e-6, 1e-9, 1e-12}) {
        for (double rho : {-0.97, -0.5, 0.3, 0.97}) {
            const double x = x_for_rho(rho, nu, eta);
            const double u = -std::sqrt(nu + 1.0) * x / eta;
            const double kappa =
                -(std::sqrt(u * u + nu) * eta * 0.5 * std::sqrt(nu + 1.0)) / (nu + 1.0);
            const double r = u / std::sqrt(nu);
            const big W = big(3.0 * kappa), R = big(r / std::sqrt(r * r + 1.0));
            for (int which : {1, 2}) {
                big lo = R, hi = R;
                // the share q of e^(W x') over [-1, 1] next to rho
                const big share = big(q) * (exp(2 * W) - 1);
                if (which == 1) {
                    lo = (log(exp(W * (R + 1)) - share) - W) / W;
                    if (!(lo > -1)) continue;
                } else {
                    hi = (log(exp(W * (R + 1)) + share) - W) / W;
                    if (!(hi < 1)) continue;
                }
                const double want = static_cast<double>(ratio_oracle::ratio_100(lo, hi, W));
                ++checked[which];
                int fail = -1;
                const double got = G(tc, x, q, which, nu, eta, fail);
                EXPECT_EQ(fail, 0);
                EXPECT_NEAR(got, want, 1e-12 * std::fmax(1.0, std::fabs(want)))
                    << "eta=" << eta << " rho=" << rho << " which=" << which;
            }
        }
    }
    EXPECT_EQ(checked[1], 5);
    EXPECT_EQ(checked[2], 5);
}
