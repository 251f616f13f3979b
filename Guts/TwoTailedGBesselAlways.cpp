// The two-sided G: place a window holding the share q of the integral of F
// with one end at rho(x), and return the share of the first moment of F that
// falls inside it. Closed forms for nu = 2 and Bessel forms for the whole-range
// integrals spare quadratures where they are valid.
#include <cmath>

#include "Context.h"
#include "mainguts.h"
#include "params.h"
#include "records.h"

namespace {

using params::ClosedFormFailed;
using params::LowerWindowFailed;
using params::UpperWindowFailed;

// 1/6.99 in double precision (the one-sided G uses the single-precision 6.99).
constexpr double ShiftSlope = 1.0 / 6.99;
static_assert(ShiftSlope == 0.14306151645207438);

// With nu = 2, F is proportional to exp(W x'), and a window holding the share q
// of its integral over [-1, 1] next to rho has the other end
//   (log(exp(W (rho + 1)) -+ (exp(2W) - 1) q) - W) / W,
// the minus sign for the window left of rho. For small |W| both exponentials
// are near 1 and the logarithm near 0: that form loses about eps/|W| (1e-10
// at |W| = 1e-6, 1e-4 at 1e-12), so there it is written with expm1 and log1p,
// which keep every digit. Measured against a 100-digit evaluation, the two
// forms are equally good near |W| = 0.4; above it the first one is kept.
constexpr double SmallW = 0.4;

// exp(W (rho + 1)) + sign (exp(2W) - 1) q - 1, the argument of the logarithm
// less 1, for |W| < SmallW.
double window_log_arg_m1(double W, double rho, double q, double sign) {
    return std::expm1(W * (rho + 1.0)) + sign * std::expm1(2.0 * W) * q;
}

}  // namespace

double TwoTailedGBesselAlways(double x, double q, int which, double nu, double eta, double t1,
                              double /*t2*/, double zmax, double /*t3*/, double L, int& fail,
                              Context& ctx) {
    fail = 0;
    // Below two degrees of freedom (1 - x'^2)^(nu/2 - 1) is unbounded at both
    // ends and tmax is the minimum of F, not its peak: dividing by it scales
    // the integrand far beyond the absolute tolerances of the integrators (and
    // to overflow for large trial values), so the case is refused.
    if (!(nu >= 2.0)) {
        rec::list(ctx.records(), {"Two-sided G needs nu >= 2; refused for nu =", nu});
        fail = 1;
        return LowerWindowFailed;
    }
    // The one-sided G announces no s = 0 and takes 6.99 in single precision.
    const FShape f = FShapeAt(x, nu, eta, L, ShiftSlope);
    if (f.unshifted) rec::list(ctx.records(), {"Set Factor to 0 "});
    const double k = f.k;
    const double kappa = f.kappa;
    const double rho = f.rho;
    const double tm = f.tm;
    const double s = f.s;

    // Peak values and the normaliser N (the integral of F/P over [-1, 1]);
    // the closed forms for nu = 2 need neither.
    double P = 1.0;
    double N = 0.0;
    if (nu != 2.0) {
        P = f.peak(s);
        const double P0 = f.peak(0.0);
        const double w = f.w();
        const double o = f.o();
        if ((w / o <= params::single(0.26f) && nu > 50.0) || w > zmax || P0 == 0.0) {
            N = f.whole_integral(t1, P, ctx);
        } else {
            N = Besseli(w, o, 2) / P0;
        }
    }

    double lo;
    double hi;
    if (which == 1) {
        hi = rho;
        if (nu == 2.0) {
            // Exact inversion for F proportional to exp(W x').
            const double W = (nu + 1.0) * kappa;
            if (std::fabs(W) < SmallW) {
                lo = std::log1p(window_log_arg_m1(W, rho, q, -1.0)) / W - 1.0;
            } else {
                lo = (std::log(std::exp(W * (rho + 1.0)) - (std::exp(2.0 * W) - 1.0) * q) - W) /
                     W;
            }
        } else {
            int flag = 0;
            lo = InvertNewFLower(-1.0, rho, N * q, nu, kappa, k, L, s, P, flag, ctx);
            if (flag != 0) {
                fail = 1;
                return LowerWindowFailed;
            }
        }
    } else {
        lo = rho;
        if (nu == 2.0) {
            const double W = (nu + 1.0) * kappa;
            const bool small = std::fabs(W) < SmallW;
            const double Am1 = small ? window_log_arg_m1(W, rho, q, 1.0) : 0.0;
            const double A =
                small ? 1.0 + Am1 : std::exp(W * (rho + 1.0)) + (std::exp(2.0 * W) - 1.0) * q;
            if (small ? Am1 <= -1.0 : A <= 0.0) {
                // Not enough of F lies right of rho to hold the share q.
                rec::list(ctx.records(), {"Failed with v=2..."});
                rec::list(ctx.records(), {"v,s ", nu, eta});
                fail = 1;
                return ClosedFormFailed;
            }
            hi = small ? std::log1p(Am1) / W - 1.0 : (std::log(A) - W) / W;
        } else {
            int flag = 0;
            hi = InvertNewFUpper(rho, 1.0, N * q, nu, kappa, k, L, s, P, flag, ctx);
            if (flag != 0) {
                fail = 1;
                return UpperWindowFailed;
            }
        }
    }

    if (nu == 2.0) return RatioIntegral(lo, hi, nu * kappa + kappa);

    // Mass of x'*F outside the window, then the whole first moment: by the
    // Bessel identity when its argument allows, else by adding the inside.
    const double S = TwoTailedNewFIntegrateAdap(-1.0, lo, t1, nu, kappa, L, s, P, ctx) +
                     TwoTailedNewFIntegrateAdap(hi, 1.0, t1, nu, kappa, L, s, P, ctx);
    double T;
    if (BesselArgumentsOK(-((nu + 1.0) * kappa), (nu + 1.0) * 0.5, zmax)) {
        T = -Besseli(-kappa * (nu + 1.0), (nu + 1.0) * 0.5, 2) *
            std::exp(-(1.0 + nu) * s - std::log(P));
    } else {
        T = S + TwoTailedNewFIntegrateAdap(lo, tm, t1, nu, kappa, L, s, P, ctx) +
            TwoTailedNewFIntegrateAdap(tm, hi, t1, nu, kappa, L, s, P, ctx);
    }
    return 1.0 - S / T;
}
