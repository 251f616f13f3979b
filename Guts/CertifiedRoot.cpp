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
    double step = first_step;
    for (int k = 0; k < 60 && s0 == 0; ++k, step *= 3.0) {
        if (r0.ok && certified(eq, start, bound)) {
            root = start;
            return true;
        }
        for (double x : {start_in + step, start_in - step}) {
            const Residual r = eq(x);
            if (r.sign() != 0 || (r.ok && certified(eq, x, bound))) {
                start = x;
                r0 = r;
                s0 = r.sign();
                break;
            }
        }
    }
    if (s0 == 0) {
        if (r0.ok && certified(eq, start, bound)) {
            root = start;
            return true;
        }
        return false;
    }
    // Widen about it on both sides until the sign changes.
    double a = start, fa = r0.value;
    double b = start, fb = r0.value;
    bool found = false;
    step = first_step;
    for (int k = 0; k < 60 && !found; ++k, step *= 3.0) {
        for (double x : {start + step, start - step}) {
            const Residual r = eq(x);
            const int s = r.sign();
            if (s == -s0) {
                b = x;
                fb = r.value;
                found = true;
                break;
            }
            if (s == s0) {
                // The end of the same sign nearest to the change so far.
                if (std::fabs(x - start) > std::fabs(a - start)) {
                    a = x;
                    fa = r.value;
                }
            } else if (r.ok && certified(eq, x, bound)) {
                root = x;
                return true;
            }
        }
    }
    if (!found) return false;
    // The end of the same sign must lie on the near side of start.
    if ((a - start) * (b - start) > 0.0 || a == start) {
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
