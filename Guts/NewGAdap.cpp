#include <cmath>

#include "mainguts.h"
#include "params.h"

namespace {

// The slope of the exponent shift in eta: 1/6.99 with 6.99 in single precision.
constexpr double ShiftSlope = 1.0 / params::single(6.99f);

}  // namespace

// G of the one-sided limit: the share of the integral of F over [-1, 1] that
// lies to the left of rho(x). The side of rho without the peak of F is the one
// integrated; the normaliser comes from the Bessel closed form when that is
// safe, and from quadrature split at the peak otherwise.
double NewGAdap(double x, double nu, double eta, double t1, double /*t2*/, double zmax,
                int& method, double L, Context& ctx) {
    const FShape f = FShapeAt(x, nu, eta, L, ShiftSlope);
    const double kappa = f.kappa;
    const double rho = f.rho;

    if (nu == 2.0) {
        // F is proportional to e^(-3K x'): the share has a closed form.
        const double K = -kappa;
        return (1.0 - std::exp(-3.0 * K * rho - 3.0 * K)) / (1.0 - std::exp(-6.0 * K));
    }

    const double tm = f.tm;
    const double P = f.peak(f.s);
    const double P0 = f.peak(0.0);
    const double w = f.w();
    const double o = f.o();
    auto I = [&](double a, double b) {
        return NewFIntegrateAdap(a, b, t1, nu, kappa, L, f.s, P, ctx);
    };

    double num;
    double N;
    if (w / o <= params::single(0.26f) && nu > 50.0) {
        // Large order, small argument: the Bessel form is not trusted.
        if (rho < tm) {
            num = I(-1.0, rho);
        } else if (rho < 0.0) {
            num = I(rho, 0.0) + I(0.0, 1.0);
        } else {
            num = I(rho, 1.0);
        }
        N = f.whole_integral(t1, P, ctx);
    } else {
        if (rho < tm) {
            num = I(-1.0, (rho - 1.0) * 0.5) + I((rho - 1.0) * 0.5, rho);
        } else if (rho < 0.0) {
            num = I(rho, 0.0) + I(0.0, 1.0);
        } else {
            num = I(rho, 1.0);
        }
        if (w <= zmax && P0 != 0.0) {
            // The integral of F with shift 0 and divisor 1 is e^(-w) I_o(w);
            // dividing by P0 puts it on the scale of the integrals with divisor P.
            N = Besseli(w, o, 2) / P0;
            method = 1;
        } else {
            N = I(-1.0, (tm - 1.0) * 0.5) + I((tm - 1.0) * 0.5, tm) + I(tm, 1.0);
            method = 2;
        }
    }

    if (N == 0.0) return params::OneSidedGFailure;
    if (tm <= rho) return 1.0 - num / N;
    return num / N;
}
