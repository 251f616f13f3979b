#include <climits>
#include <cmath>
#include <cstring>

#include "Context.h"
#include "mainguts.h"
#include "params.h"
#include "speed.h"

namespace {

// The values of G already computed in one search. Near its end the secant
// iteration often settles into a cycle over the last few representable
// values of theta and, with ResultTol = 0, goes round it until maxit; each
// turn would integrate F again at a theta it has seen. G is a deterministic
// function of theta within one search (nothing else it reads changes), so a
// value seen before is taken from here: the same value, the same method, the
// same iterates, without the integrals. What G reads besides theta is fixed
// for the search: its other arguments, and FunctionTol, which is stored only
// before a limit computation begins, never inside one.
class SeenValues {
public:
    template <class Compute>
    double get(double theta, int& method, Compute&& compute) {
        for (int i = 0; i < size_; ++i) {
            if (std::memcmp(&theta_[i], &theta, sizeof theta) == 0) {
                if (method_[i] != unset) method = method_[i];
                return value_[i];
            }
        }
        int m = unset;
        const double v = compute(theta, m);
        if (m != unset) method = m;
        if (size_ < capacity) {
            theta_[size_] = theta;
            value_[size_] = v;
            method_[size_] = m;
            ++size_;
        }
        return v;
    }

private:
    // G leaves its method output alone in some branches; this marks that.
    static constexpr int unset = INT_MIN;
    // A search makes at most maxit evaluations; 200 is the program's setting.
    static constexpr int capacity = 256;
    double theta_[capacity];
    double value_[capacity];
    int method_[capacity];
    int size_ = 0;
};

}  // namespace

// Secant search, without a bracket, for G(theta) = target. It stops when a
// step is at most xtol and the residual after it is below ftol; when two
// residuals are identical; when G reports its failure value (-9999.9) or no
// number; or after maxit - 1 steps, with the last iterate as the root.
void NewSecantAdap(double& root, double x0, double x1, double target, double nu, double sd,
                   double t1, double t2, int maxit, double xtol, double ftol, double zmax,
                   double& residual, int& iterations, int& method, double L, Context& ctx) {
    SeenValues seen;
    const bool keep = speed::enabled();
    auto G = [&](double theta, int& m) { return NewGAdap(theta, nu, sd, t1, t2, zmax, m, L, ctx); };
    auto d = [&](double theta) {
        return (keep ? seen.get(theta, method, G) : G(theta, method)) - target;
    };

    double previous = x0;
    double dprev = d(previous);
    double current = x1;
    double dcur = d(current);
    int counter = 2;
    while (counter <= maxit && !params::one_sided_g_failed(dcur)) {
        if (dcur - dprev == 0.0) break;
        const double next = current - dcur * (current - previous) / (dcur - dprev);
        const double dnext = d(next);
        if (std::fabs(next - current) <= xtol && std::fabs(dnext) < ftol) {
            current = next;
            dcur = dnext;
            break;
        }
        ++counter;
        previous = current;
        dprev = dcur;
        current = next;
        dcur = dnext;
    }
    // A residual that is no number (G overflowed or failed without its failure
    // value) ends the loop above like the failure value does, but it says nothing
    // about the distance to the root: no number is returned as the root, so the
    // limit built from it is no number either, never a plausible value.
    root = std::isnan(dcur) ? dcur : current;
    residual = dcur;
    iterations = counter;
    // Out of iterations with the last step within xtol is a search that has
    // settled (with ResultTol 0 it often goes round the last representable
    // values until maxit); only one still moving has run out.
    if (counter > maxit && !(std::fabs(current - previous) <= xtol))
        ctx.faults.search_ran_out();
}
