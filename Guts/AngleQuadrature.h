// The density of the limits' defining equations in the angle t, x' = -cos t,
// and its accurate integrals (see LimitCheck.h for why this form).
//   g(t) = sin(t)^(nu-1) e^(-B x') / peak
//        = exp((nu-1) ln(sin t / sin tp) - 2B (sin^2(t/2) - sin^2(tp/2))),
// which is (1 - x'^2)^(nu/2-1) e^(-B x') dx' up to a constant, smooth on
// [0, pi] for every whole nu >= 2, and 1 at its peak.
#pragma once

namespace limitcheck {

struct AngleDensity {
    double a1 = 0.0;          // nu - 1
    double B = 0.0;           // -(nu + 1) kappa
    double tpeak = 0.0;       // where g is (about) 1
    double width = 0.0;       // 1/sqrt(-(log g)'') at the peak
    double sin_tp = 0.0;      // sin tpeak
    double sin_half_tp = 0.0; // sin(tpeak/2)

    AngleDensity(double nu, double B_);
    bool valid() const;

    // g, x', y = 1 + x' at t, and a bound on the relative rounding error of g.
    void at(double t, double& g, double& x, double& y, double& round) const;
};

// The trial value of a factor h: the shape B and the angle of rho, formed from
// h directly (theta = h eta/sqrt(nu) + eta^2/2 is never rounded to a double).
struct TrialPoint {
    double B = 0.0;
    double trho = 0.0;  // the angle of rho
    TrialPoint(double nu, double eta, double h);
};

// A globally adaptive Gauss-Kronrod (7, 15) integral of g, and of x' g and
// y g when asked, over [a, b]: the interval with the largest error estimate is
// halved until the estimates, summed, are below rel times the integral (for
// x' g, rel times the integral of |x'| g), or the fixed work space is full.
// The panels stay, so that the running integral can be inverted afterwards.
class AngleQuadrature {
public:
    static constexpr int capacity = 160;

    AngleQuadrature(const AngleDensity& d, double a, double b, bool moment, double rel);

    double mass() const { return mass_; }
    double moment() const { return moment_; }
    // The integral of y g with y = 1 + x' = 2 sin^2(t/2) >= 0, which keeps its
    // digits where the mass lies so close to x' = -1 that x' g and g agree.
    double ymoment() const { return ymoment_; }
    // Error bounds: quadrature estimates plus the rounding of values and sums.
    double mass_error() const { return mass_err_; }
    double moment_error() const { return moment_err_; }
    double ymoment_error() const { return ymoment_err_; }
    bool converged() const { return converged_; }

    // The point t in [a, b] where the integral of g from a (from b when
    // from_b) reaches `amount`, 0 <= amount <= mass, to about the accuracy of
    // the integral: callers that need the integral up to t accurately integrate
    // it afresh. False when amount is outside.
    bool locate(double amount, bool from_b, double& t) const;

private:
    struct Panel {
        double a, b, mass, mass_err, moment, moment_err, abs_moment, ymoment, ymoment_err;
        // The rounding of the values, bounded: of g, |x'| g and y g.
        double mass_round, moment_round, ymoment_round;
    };
    void rule(Panel& p) const;
    void totals();

    const AngleDensity& d_;
    double a_, b_;
    bool with_moment_;
    Panel p_[capacity];
    int n_ = 0;
    double mass_ = 0.0, moment_ = 0.0, mass_err_ = 0.0, moment_err_ = 0.0, abs_moment_ = 0.0;
    double ymoment_ = 0.0, ymoment_err_ = 0.0;
    double mass_round_ = 0.0, moment_round_ = 0.0, ymoment_round_ = 0.0;
    bool converged_ = false;
};

}  // namespace limitcheck
