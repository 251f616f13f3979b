#include <cmath>

#include "mainguts.h"
#include "params.h"

// G of the one-sided limit: the share of the integral of F over [-1, 1] that
// lies to the left of rho(x). The side of rho without the peak of F is the one
// integrated; the normaliser comes from the Bessel closed form when that is
// safe, and from quadrature split at the peak otherwise.
double NewGAdap(double x, double nu, double eta, double t1, double /*t2*/, double zmax,
                int& method, double L) {
    const double k = 1.0 / std::sqrt(params::pi);
    const double u = -std::sqrt(nu + 1.0) * x / eta;
    const double kappa = -(std::sqrt(u * u + nu) * eta * 0.5 * std::sqrt(nu + 1.0)) / (nu + 1.0);
    const double r = u / std::sqrt(nu);
    const double rho = r / std::sqrt(r * r + 1.0);

    if (nu == 2.0) {
        // F is proportional to e^(-3K x'): the share has a closed form.
        const double K = -kappa;
        return (1.0 - std::exp(-3.0 * K * rho - 3.0 * K)) / (1.0 - std::exp(-6.0 * K));
    }

    // The shift s keeps e^E in range; every result below is a ratio of
    // integrals of F, so s matters only through rounding and overflow.
    const double tm = tmax(nu, kappa);
    double s;
    if (nu <= 1000.0) {
        s = (eta - 7.0) * (1.0 / params::single(6.99f));
    } else if (eta <= 5.0) {
        // The exponent of F at its peak, spread over nu + 1: F(tm) becomes k.
        s = ((nu * 0.5 - 1.0) * std::log(1.0 - tm * tm) + (1.0 + nu) * kappa * (1.0 + tm) -
             (nu - 1.0) * 0.5 * std::log(2.0 / (-kappa * (1.0 + nu))) - L) /
            (1.0 + nu);
    } else {
        s = 0.0;
    }

    const double P = NewF(tmax(nu, kappa), nu, kappa, k, L, s, 1.0);
    const double P0 = NewF(tmax(nu, kappa), nu, kappa, k, L, 0.0, 1.0);

    const double w = -(nu + 1.0) * kappa;
    const double o = (nu - 1.0) * 0.5;
    auto I = [&](double a, double b) { return NewFIntegrateAdap(a, b, t1, nu, kappa, L, s, P); };

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
        N = I(-1.0, (tm - 1.0) * 0.5) + I((tm - 1.0) * 0.5, tm) + I(tm, (tm + 1.0) * 0.5) +
            I((tm + 1.0) * 0.5, 1.0);
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
