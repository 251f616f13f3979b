#include <cmath>
#include <initializer_list>

#include "LimitCheck.h"

namespace limitcheck {

namespace {

// The share of the allowed error that the bracket may use; the rest covers the
// rounding of the factor's own arithmetic (h -> u, and the limit from h).
constexpr double share = 0.9;

}  // namespace

bool certified(const LimitEquation& eq, double h, double bound) {
    if (!std::isfinite(h)) return false;
    const double d = share * allowed_error(h, bound);
    const int below = eq(h - d).sign();
    if (below == 0) return false;
    return eq(h + d).sign() == -below;
}

bool certified_root(const LimitEquation& eq, double start_in, double bound, double& root) {
    if (!std::isfinite(start_in)) return false;
    // A first point of known sign: start itself, else the nearest one found on a
    // grid widening about it (the residual is not defined everywhere: a window
    // that cannot be placed, an integral beyond the work space). The factor has
    // no known scale where the limit code failed, so the steps grow from a
    // millionth by 3 each.
    const double first_step = 1e-6 * (std::fabs(start_in) > 1.0 ? std::fabs(start_in) : 1.0);
    double start = start_in;
    Residual r0 = eq(start);
    int s0 = r0.sign();
    if (s0 == 0 && r0.ok && certified(eq, start, bound)) {
        root = start;
        return true;
    }
    double step = first_step;
    for (int k = 0; k < 60 && s0 == 0; ++k, step *= 3.0) {
        for (double x : {start_in + step, start_in - step}) {
            const Residual r = eq(x);
            if (r.sign() != 0) {
                start = x;
                r0 = r;
                s0 = r.sign();
                break;
            }
            // Defined but of unknown sign: so close to a root that it may be one.
            if (r.ok && certified(eq, x, bound)) {
                root = x;
                return true;
            }
        }
    }
    if (s0 == 0) return false;
    // Widen about it on both sides, one step on each in turn, until the sign
    // changes. A side that reaches points where the residual is not defined
    // (a window that cannot be placed lies beyond some factor) halves the gap
    // between its last defined point and the first undefined one instead: a
    // root can lie just inside that edge, closer than the next step.
    double a = start, fa = r0.value;  // the end of sign s0
    double b = start, fb = r0.value;  // the end of the other sign, once found
    bool found = false;
    struct Side {
        double dir, good, bad;
        double good_value;
        bool edge, done;
    } sides[2] = {{1.0, start, 0.0, r0.value, false, false},
                  {-1.0, start, 0.0, r0.value, false, false}};
    step = first_step;
    for (int k = 0; k < 120 && !found; ++k, step *= 3.0) {
        for (Side& sd : sides) {
            if (sd.done) continue;
            const double x = sd.edge ? 0.5 * (sd.good + sd.bad) : start + sd.dir * step;
            if (sd.edge && std::fabs(sd.bad - sd.good) <= 0.5 * share * allowed_error(x, bound)) {
                sd.done = true;
                continue;
            }
            const Residual r = eq(x);
            const int sg = r.sign();
            if (sg == -s0) {
                a = sd.good;
                fa = sd.good_value;
                b = x;
                fb = r.value;
                found = true;
                break;
            }
            if (sg == s0) {
                sd.good = x;
                sd.good_value = r.value;
            } else if (r.ok) {
                if (certified(eq, x, bound)) {
                    root = x;
                    return true;
                }
                sd.good = x;  // defined, of unknown sign: no bracket end, but no edge
            } else {
                sd.bad = x;
                sd.edge = true;
            }
        }
        if (sides[0].done && sides[1].done) break;
    }
    if (!found) return false;
    // a may be a point of unknown sign only if no point of sign s0 came after
    // start on that side; then start is the end.
    if (eq(a).sign() != s0) {
        a = start;
        fa = r0.value;
    }
    // Illinois: regula falsi that halves the kept end's value when the same end
    // is kept twice, with bisection where the step would leave the bracket.
    int kept = 0;
    for (int it = 0; it < 200; ++it) {
        const double mid = 0.5 * (a + b);
        if (std::fabs(b - a) * 0.5 <= share * allowed_error(mid, bound)) {
            root = mid;
            return true;
        }
        double c = b - fb * (b - a) / (fb - fa);
        const double lo = a < b ? a : b, hi = a < b ? b : a;
        if (!(c > lo && c < hi) || it % 4 == 3) c = mid;
        const Residual r = eq(c);
        const int s = r.sign();
        if (s == 0) {
            if (r.ok && certified(eq, c, bound)) {
                root = c;
                return true;
            }
            return false;
        }
        if (s == (fb > 0.0 ? 1 : -1)) {
            b = c;
            fb = r.value;
            if (kept == -1) fa *= 0.5;
            kept = -1;
        } else {
            a = c;
            fa = r.value;
            if (kept == 1) fb *= 0.5;
            kept = 1;
        }
    }
    return false;
}

}  // namespace limitcheck
