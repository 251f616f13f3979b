// The secant search of the H factor takes G at a theta it has already seen
// from its own record instead of integrating again. These tests hold it to the
// plain search: the same root, residual, count and method, bit for bit, also
// on searches that cycle until maxit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "control.h"
#include "mainguts.h"

namespace {

struct Outcome {
    double root, residual;
    int iterations, method;
};

// The search as written, evaluating G at every step.
Outcome plain_search(double x0, double x1, double target, double nu, double sd, int maxit,
                     double xtol, double ftol, double zmax, double L) {
    int method = -7;
    auto d = [&](double theta) { return NewGAdap(theta, nu, sd, 0.0, 0.0, zmax, method, L) - target; };
    double previous = x0, dprev = d(previous);
    double current = x1, dcur = d(current);
    int counter = 2;
    while (counter <= maxit && dcur > -9000.0) {
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
    return {current, dcur, counter, method};
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(SecantSearch, SeenValuesChangeNothingIncludingSearchesThatCycle) {
    const double xtol = 1e-8, ftol = 0.0, zmax = 800.0;
    const int maxit = 200;
    controlparms.FunctionTol = xtol;
    struct Case {
        int N;
        double sd, p;
    };
    // The first three run to maxit (found by a sweep); the others end early.
    const Case cases[] = {{4, 1.0, 0.999},  {11, 10.0, 0.3}, {1001, 0.2, 0.999},
                          {11, 1.0, 0.5},   {3, 1.0, 0.05},  {101, 0.3, 0.95}};
    int cycled = 0;
    for (const Case& c : cases) {
        const int N = c.N;
        const double sd = c.sd, p = c.p;
        const double nu = N - 1.0;
        const double L = dlgama(nu / 2.0);
        const double z = NormInv(p, 1.0e-4, 500);
        const double V = 1.0 / (nu + 1.0) + sd * sd / (2.0 * (nu + 2.0));
        const double th0 = sd * sd / 2.0;
        const double th1 = sd * sd / 2.0 + 0.15000000596046448 * z * sd * std::sqrt(V);
        const Outcome want = plain_search(th1, th0, 1.0 - p, nu, sd, maxit, xtol, ftol,
                                          zmax, L);
        double root = 0.0, residual = 0.0;
        int iterations = 0, method = -7;
        NewSecantAdap(root, th1, th0, 1.0 - p, nu, sd, 0.0, 0.0, maxit, xtol, ftol, zmax,
                      residual, iterations, method, L);
        SCOPED_TRACE(testing::Message() << "N " << N << " sd " << sd << " p " << p);
        EXPECT_TRUE(same_bits(root, want.root)) << root << " vs " << want.root;
        EXPECT_TRUE(same_bits(residual, want.residual));
        EXPECT_EQ(iterations, want.iterations);
        EXPECT_EQ(method, want.method);
        if (iterations > maxit) ++cycled;
    }
    // The cases must include searches that run to maxit, where the record is used.
    EXPECT_GT(cycled, 0);
}

}  // namespace
