// What the two two-sided root searches (TwoTailedSecantBisection and its
// fallback TwoTailedOnlyBisection) do alike: the residual they search, their
// ordered start, and the upward walk of the upper bracket end.
#pragma once
#include <utility>

#include "mainguts.h"

// r(x) = TwoTailedG(x) - q for one search, and G's fail flag of the latest call.
class TwoTailedResidual {
public:
    TwoTailedResidual(int which, double q, double nu, double eta, double t1, double t2,
                      double zmax, double t3, double L, Context& ctx)
        : which_(which), q_(q), nu_(nu), eta_(eta), t1_(t1), t2_(t2), zmax_(zmax), t3_(t3),
          L_(L), ctx_(ctx) {}
    double operator()(double x) {
        return TwoTailedG(x, q_, which_, nu_, eta_, t1_, t2_, zmax_, t3_, L_, fail, ctx_) - q_;
    }
    int fail = 0;

private:
    int which_;
    double q_, nu_, eta_, t1_, t2_, zmax_, t3_, L_;
    Context& ctx_;
};

// The starting points with their residuals (x0 first), exchanged when r1 < r0
// so that r0 <= r1.
struct SearchStart {
    double x0, r0, x1, r1;
};
inline SearchStart start_search(double x0in, double x1in, TwoTailedResidual& r) {
    SearchStart s{x0in, 0.0, x1in, 0.0};
    s.r0 = r(s.x0);
    s.r1 = r(s.x1);
    if (s.r1 < s.r0) {
        std::swap(s.x0, s.x1);
        std::swap(s.r0, s.r1);
    }
    return s;
}

// The upward walk that brings the residual of the upper bracket end to zero or
// above: the end moves up by the search's own step until G fails somewhere,
// and from then on halves the distance between the last point where G worked
// and the last one where it failed.
class UpwardWalk {
public:
    explicit UpwardWalk(double start) : good_(start) {}

    // The next point: `stepped` (the end moved by the search's step) while G
    // has not failed, else the midpoint between the good and the bad point.
    double next(double stepped) const { return bisect_ ? (good_ + bad_) * 0.5 : stepped; }

    // Notes the outcome of G at x (its fail flag); true when G worked there.
    bool record(double x, int fail) {
        if (fail == 1) {
            bad_ = x;
            bisect_ = true;
            return false;
        }
        good_ = x;
        return true;
    }

    // The last point at which G worked (the start until another one did).
    double good() const { return good_; }

private:
    double good_;
    // Stands for "no failing point yet"; never read before one is recorded.
    double bad_ = -99.0;
    bool bisect_ = false;
};
