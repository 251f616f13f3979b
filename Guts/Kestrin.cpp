// The main module: the program entry and the coverage integrals over p.
#include "Kestrin.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include "CaseTables.h"
#include "Chinorm95.h"
#include "LimitCommand.h"
#include "LimitFaults.h"
#include "control.h"
#include "dqags.h"
#include "freeform.h"
#include "mainguts.h"
#include "PairCache.h"
#include "params.h"
#include "records.h"
#include "sink.h"

int tolvane_main() {
    controlparms.MaxIter = params::StartMaxIter;
    controlparms.BesselMaxArg = params::StartBesselMaxArg;

    rec::list(sink(), {"Interactive version (1) or read input file(2)?"});
    std::int32_t mode = 0;
    ff::Reader terminal(std::cin, "standard input");
    terminal.read({mode});

    // Only 1 is tested: every other answer, 2 or not, runs the input file.
    if (mode == 1) verify_main();
    verify_readfile();
}

// ---- coverage integrals and critical p ----

namespace {

// A limit asked of the outside limit command. After a failure the case is lost
// anyway: 0 keeps the integrator quick and quiet until the driver reports it.
limitproto::Answer asked_limits(int kind, double m, double s, double df, double alpha,
                                double lambda, double gamma2, double FunctionTol,
                                double ResultTol) {
    const limitproto::Request r{.kind = kind, .df = df, .s = s, .alpha = alpha,
                                .lambda = lambda, .gamma2 = gamma2, .ybar = m, .has_tols = true,
                                .FunctionTol = FunctionTol, .ResultTol = ResultTol};
    limitproto::Answer a;
    if (!limitcmd::ask(r, a)) a = limitproto::Answer{};
    return a;
}

}  // namespace

double adapquadforcriticalp(Integrand f, int which, double a, double b, double mu, double sigma,
                            double lambda, double df, double alpha, double AdapQuadTol,
                            double FunctionTol, double ResultTol, int& neval) {
    constexpr int limit = 200;
    constexpr int lenw = 4 * limit;
    double result = 0.0;
    double abserr = 0.0;
    int ier = 0;
    int last = 0;
    dqags(f, which, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol, a, b, AdapQuadTol,
          0.0, result, abserr, neval, ier, limit, lenw, last);
    // A poor result is still returned and summed by the caller; the record says why.
    if (ier > 0) rec::say({"error is ", ier});
    return result;
}

double criticalpnew(int which, double p, double mu, double sigma, double lambda, double df,
                    double alpha, double FunctionTol, double ResultTol) {
    return fastercriticalp(which, p, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol);
}

// Given the sample standard deviation fixed by p, the probability that the upper
// limit computed from a sample mean ~ N(mu, sigma^2/(df+1)) lies below the target
// mu + lambda*sigma^2. The limit moves one-for-one with the sample mean, so one
// limit at the mean mu and a normal probability give it.
double fastercriticalp(int /*which*/, double p, double mu, double sigma, double lambda,
                       double df, double alpha, double FunctionTol, double ResultTol) {
    double s = sigma * std::sqrt(chiinverse(p, df, 1e-15) / df);
    const long ran_out = limitfaults::searches_ran_out();
    double U = onetailforverify(mu, s, lambda, df, alpha, FunctionTol, ResultTol);
    if (!std::isfinite(U)) limitfaults::seen(limitfaults::NoNumber, s);
    if (limitfaults::searches_ran_out() != ran_out) limitfaults::seen(limitfaults::OutOfIterations, s);
    double z = (mu + lambda * (sigma * sigma) - U) / (sigma / std::sqrt(1.0 + df));
    return normscdf(z);
}

double onetailforverify(double m, double s, double lambda, double df, double alpha,
                        double FunctionTol, double ResultTol) {
    controlparms.FunctionTol = FunctionTol;
    controlparms.ResultTol = ResultTol;
    double gamma2 = 1.0 + df;
    if (limitcmd::active()) return asked_limits(1, m, s, df, alpha, lambda, gamma2, FunctionTol,
                                                ResultTol).value[1];
    double H = 0.0;
    double limit = 0.0;
    double elapsed = 0.0;
    int iterations = 0;
    // BesselMaxArg and MaxIter stay as the entry or the last two-sided limit left them.
    OneTail(1, m, s, df, alpha, lambda, gamma2, controlparms.BesselMaxArg,
            controlparms.FunctionTol, controlparms.ResultTol, controlparms.MaxIter, H, limit,
            elapsed, iterations, FunctionTol, ResultTol);
    return limit;
}

double twotailcriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                        double alpha, double FunctionTol, double ResultTol) {
    return fastertwotailcriticalp(which, p, mu, sigma, lambda, df, alpha, FunctionTol,
                                  ResultTol);
}

// As the one-sided integrand, for the lower limit (which = 1) or the upper limit
// (any other which) of the two-sided interval. Twotail yields both limits, and
// the upper-limit integrals come back to many abscissae of the lower-limit
// ones: the pair is kept from the first visit (paircache) and reused, with the
// diagnostics its computation wrote written again, so that the results and the
// terminal are those of computing it anew.
double fastertwotailcriticalp(int which, double p, double mu, double sigma, double lambda,
                              double df, double alpha, double FunctionTol, double ResultTol) {
    const paircache::Key key{p, mu, sigma, lambda, df, alpha, params::StartBesselMaxArg,
                             FunctionTol, ResultTol, params::StartMaxIter};
    paircache::Pair pair{};
    if (paircache::recall(key, pair)) {
        // The control block as the limit computation would have left it.
        store_twotail_control(FunctionTol, ResultTol);
    } else {
        paircache::Recording recording(key);
        const long ran_out = limitfaults::searches_ran_out();
        pair.s = sigma * std::sqrt(chiinverse(p, df, 1e-15) / df);
        twotailpairforverify(mu, pair.s, df, alpha, lambda, FunctionTol, ResultTol, pair.lower,
                             pair.upper);
        pair.ran_out = limitfaults::searches_ran_out() != ran_out;
        recording.keep(pair);
    }
    // Every evaluation counts its pair's faults, reused or not, so that the
    // counts do not depend on the reuse.
    const bool no_number = !(std::isfinite(pair.lower) && std::isfinite(pair.upper));
    const bool crossed = !no_number && pair.lower > pair.upper;
    if (no_number || crossed || pair.ran_out) {
        const double s = pair.s;
        if (no_number) limitfaults::seen(limitfaults::NoNumber, s);
        if (crossed) limitfaults::seen(limitfaults::Crossed, s);
        if (pair.ran_out) limitfaults::seen(limitfaults::OutOfIterations, s);
    }
    double L = which == 1 ? pair.lower : pair.upper;
    double z = (mu + lambda * (sigma * sigma) - L) / (sigma / std::sqrt(1.0 + df));
    return normscdf(z);
}

// The fields of controlparms as the two-sided wrapper stores them.
void store_twotail_control(double FunctionTol, double ResultTol) {
    controlparms.FunctionTol = FunctionTol;
    controlparms.MaxIter = params::StartMaxIter;
    controlparms.ResultTol = ResultTol;
    controlparms.BesselMaxArg = params::StartBesselMaxArg;
}

double twotailforverify(int which, double m, double s, double df, double alpha, double lambda,
                        double FunctionTol, double ResultTol) {
    double lower = 0.0;
    double upper = 0.0;
    twotailpairforverify(m, s, df, alpha, lambda, FunctionTol, ResultTol, lower, upper);
    return which == 1 ? lower : upper;
}

// Both limits of the two-sided interval, as twotailforverify computes them.
void twotailpairforverify(double m, double s, double df, double alpha, double lambda,
                          double FunctionTol, double ResultTol, double& lower, double& upper) {
    store_twotail_control(FunctionTol, ResultTol);
    double gamma2 = 1.0 + df;
    if (limitcmd::active()) {
        const limitproto::Answer a =
            asked_limits(2, m, s, df, alpha, lambda, gamma2, FunctionTol, ResultTol);
        lower = a.value[1];
        upper = a.value[3];
        return;
    }
    double hlower = 0.0;
    double hupper = 0.0;
    double elapsed = 0.0;
    int nlower = 0;
    int nupper = 0;
    Twotail(m, s, df, alpha, lambda, gamma2, controlparms.BesselMaxArg, controlparms.FunctionTol,
            controlparms.ResultTol, controlparms.MaxIter, lower, hlower, upper, hupper, elapsed,
            nlower, nupper);
}

OneSidedCoverage onesided_coverage_of(int which, double mu, double sigma, double lambda,
                                      double df, double alpha, double AdapQuadTol,
                                      double FunctionTol, double ResultTol) {
    const double a = AdapQuadTol;
    const double m = 0.5;
    const double b = 1.0 - AdapQuadTol;
    // The ends of the p-range are cut: at p = 0 the sample standard deviation is 0
    // and at p = 1 it is unbounded, and no limit can be computed at either.
    int n1 = 0;
    int n2 = 0;
    const double first = adapquadforcriticalp(&criticalpnew, which, a, m, mu, sigma, lambda, df,
                                              alpha, AdapQuadTol, FunctionTol, ResultTol, n1);
    const double second = adapquadforcriticalp(&criticalpnew, which, m, b, mu, sigma, lambda, df,
                                               alpha, AdapQuadTol, FunctionTol, ResultTol, n2);
    return {first + second, n1 + n2};
}

OneSidedCoverage onesided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol) {
    return onesided_coverage_of(2, cases::mu, sigma, cases::lambda, df, alpha, AdapQuadTol,
                                FunctionTol, ResultTol);
}

TwoSidedCoverage twosided_coverage_of(double mu, double sigma, double lambda, double df,
                                      double alpha, double AdapQuadTol, double FunctionTol,
                                      double ResultTol) {
    const double a = AdapQuadTol;
    const double m = 0.5;
    const double b = 1.0 - AdapQuadTol;
    int n[4] = {0, 0, 0, 0};
    paircache::clear();
    const double lower1 = adapquadforcriticalp(&twotailcriticalp, 1, a, m, mu, sigma, lambda, df,
                                               alpha, AdapQuadTol, FunctionTol, ResultTol, n[0]);
    const double lower2 = adapquadforcriticalp(&twotailcriticalp, 1, m, b, mu, sigma, lambda, df,
                                               alpha, AdapQuadTol, FunctionTol, ResultTol, n[1]);
    const double upper1 = adapquadforcriticalp(&twotailcriticalp, 2, a, m, mu, sigma, lambda, df,
                                               alpha, AdapQuadTol, FunctionTol, ResultTol, n[2]);
    const double upper2 = adapquadforcriticalp(&twotailcriticalp, 2, m, b, mu, sigma, lambda, df,
                                               alpha, AdapQuadTol, FunctionTol, ResultTol, n[3]);
    TwoSidedCoverage c{};
    c.lower = lower1 + lower2;
    c.upper = upper1 + upper2;
    c.miss = (1.0 - c.lower) + c.upper;
    c.neval = n[0] + n[1] + n[2] + n[3];
    return c;
}

TwoSidedCoverage twosided_coverage(double sigma, double df, double alpha, double AdapQuadTol,
                                   double FunctionTol, double ResultTol) {
    return twosided_coverage_of(cases::mu, sigma, cases::lambda, df, alpha, AdapQuadTol,
                                FunctionTol, ResultTol);
}
