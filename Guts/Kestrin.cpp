// The main module: the coverage integrals over p and their integrands.
#include "Kestrin.h"

#include <cmath>
#include <ostream>

#include "Case.h"
#include "Chinorm95.h"
#include "Context.h"
#include "LimitCommand.h"
#include "dqags.h"
#include "mainguts.h"
#include "params.h"
#include "records.h"

namespace {

// The sample standard deviation that p stands for: sigma times the root of the
// p-quantile of chi-square(df) over df. The search's start outside its range
// (a df above 1e30) is noted as the finder itself once wrote it.
double sample_sd(double p, const Case& c, Context& ctx) {
    const double s = c.sigma * std::sqrt(chiinverse(p, c.df, 1e-15, ctx.finders) / c.df);
    if (ctx.finders.invr.start_outside)
        rec::list(ctx.records(), {" SMALL, X, BIG not monotone in INVR"});
    return s;
}

// A limit asked of the outside limit command, through the probes of what the
// integral assumes of it (LimitProbes.h). After a failure the case is lost
// anyway: 0 keeps the integrator quick and quiet until the driver reports it.
limitproto::Answer asked_limits(int kind, double m, double s, const Case& c, Context& ctx) {
    const limitproto::Request r{.kind = kind, .df = c.df, .s = s, .alpha = c.alpha,
                                .lambda = c.lambda, .gamma2 = c.gamma_squared(), .ybar = m,
                                .has_tols = true, .FunctionTol = c.FunctionTol,
                                .ResultTol = c.ResultTol};
    limitproto::Answer a;
    if (!ctx.probes.ask(*ctx.command, r, a, c.sigma)) a = limitproto::Answer{};
    return a;
}

// The upper one-sided limit at sample mean m and standard deviation s, with the
// status of its computation (limitstatus).
double one_sided_limit(const Case& c, double m, double s, Context& ctx, int& status) {
    ControlParms& control = ctx.control;
    control.FunctionTol = c.FunctionTol;
    control.ResultTol = c.ResultTol;
    status = limitstatus::computed;
    if (ctx.command) return asked_limits(1, m, s, c, ctx).value[1];
    double H = 0.0;
    double limit = 0.0;
    // At lambda 0 the function is the mean itself: the built-in limits are
    // the t limits, beside the limit code, which has none there.
    if (c.lambda == 0.0) {
        status = TOneTail(1, m, s, c.df, c.alpha, c.gamma_squared(), H, limit, ctx);
        return limit;
    }
    double elapsed = 0.0;
    int iterations = 0;
    // BesselMaxArg and MaxIter stay as the case's start or the last two-sided
    // limit left them.
    status = OneTail(1, m, s, c.df, c.alpha, c.lambda, c.gamma_squared(), control.BesselMaxArg,
                     control.FunctionTol, control.ResultTol, control.MaxIter, H, limit, elapsed,
                     iterations, c.FunctionTol, c.ResultTol, ctx);
    return limit;
}

// The fields of the control block as the two-sided wrapper stores them.
void store_twotail_control(double FunctionTol, double ResultTol, ControlParms& control) {
    control.FunctionTol = FunctionTol;
    control.MaxIter = params::StartMaxIter;
    control.ResultTol = ResultTol;
    control.BesselMaxArg = params::StartBesselMaxArg;
}

// Both limits of the two-sided interval at sample mean m and standard
// deviation s; returns the status of their computation (limitstatus).
int two_sided_limits(const Case& c, double m, double s, Context& ctx, double& lower,
                     double& upper) {
    ControlParms& control = ctx.control;
    store_twotail_control(c.FunctionTol, c.ResultTol, control);
    if (ctx.command) {
        const limitproto::Answer a = asked_limits(2, m, s, c, ctx);
        lower = a.value[1];
        upper = a.value[3];
        return limitstatus::computed;
    }
    double hlower = 0.0;
    double hupper = 0.0;
    if (c.lambda == 0.0)
        return TTwotail(m, s, c.df, c.alpha, c.gamma_squared(), lower, hlower, upper, hupper, ctx);
    double elapsed = 0.0;
    int nlower = 0;
    int nupper = 0;
    return Twotail(m, s, c.df, c.alpha, c.lambda, c.gamma_squared(), control.BesselMaxArg,
                   control.FunctionTol, control.ResultTol, control.MaxIter, lower, hlower, upper,
                   hupper, elapsed, nlower, nupper, ctx);
}

// The probability that a limit L computed at the sample mean mu lies below the
// target, the sample mean being N(mu, sigma^2/gamma^2): the limit moves
// one-for-one with the sample mean, so one limit and a normal probability give it.
double below_target(const Case& c, double L) {
    const double z =
        (c.mu + c.lambda * (c.sigma * c.sigma) - L) / (c.sigma / std::sqrt(c.gamma_squared()));
    return normscdf(z);
}

}  // namespace

double OneSidedIntegrand::operator()(double p) const {
    if (ctx.stopped()) return 0.0;
    const double s = sample_sd(p, c, ctx);
    int status = 0;
    const double U = one_sided_limit(c, c.mu, s, ctx, status);
    if (!std::isfinite(U)) ctx.faults.counts.seen(limitfaults::NoNumber, s);
    if (status & limitstatus::ran_out) ctx.faults.counts.seen(limitfaults::OutOfIterations, s);
    return below_target(c, U);
}

// Twotail yields both limits, and the upper-limit integrals come back to many
// abscissae of the lower-limit ones: the pair is kept from the first visit
// (the context's pair cache) and reused, with the records its computation
// wrote written again, so that the results and the records are those of
// computing it anew.
double TwoSidedIntegrand::operator()(double p) const {
    if (ctx.stopped()) return 0.0;
    const paircache::Key key{p,        c.mu,        c.sigma,     c.lambda,
                             c.df,     c.alpha,     c.gamma_squared(),
                             params::StartBesselMaxArg, c.FunctionTol, c.ResultTol,
                             params::StartMaxIter};
    paircache::Pair pair{};
    if (ctx.pairs.recall(key, pair, ctx.records())) {
        // The control block as the limit computation would have left it.
        store_twotail_control(c.FunctionTol, c.ResultTol, ctx.control);
    } else {
        paircache::Cache::Recording recording(ctx.pairs, key, ctx.out);
        pair.s = sample_sd(p, c, ctx);
        const int status = two_sided_limits(c, c.mu, pair.s, ctx, pair.lower, pair.upper);
        pair.ran_out = (status & limitstatus::ran_out) != 0;
        recording.keep(pair);
    }
    // Every evaluation counts its pair's faults, reused or not, so that the
    // counts do not depend on the reuse.
    const bool no_number = !(std::isfinite(pair.lower) && std::isfinite(pair.upper));
    const bool crossed = !no_number && pair.lower > pair.upper;
    limitfaults::Counts& counts = ctx.faults.counts;
    if (no_number) counts.seen(limitfaults::NoNumber, pair.s);
    if (crossed) counts.seen(limitfaults::Crossed, pair.s);
    if (pair.ran_out) counts.seen(limitfaults::OutOfIterations, pair.s);
    return below_target(c, which == 1 ? pair.lower : pair.upper);
}

PIntegral integral_over_p(const DqagsFunction& f, double a, double b, double AdapQuadTol,
                          Context& ctx) {
    constexpr int limit = 200;
    constexpr int lenw = 4 * limit;
    PIntegral r;
    int last = 0;
    dqags(f, a, b, AdapQuadTol, 0.0, r.result, r.abserr, r.neval, r.ier, limit, lenw, last);
    // A poor result is still returned and summed by the caller; the records say why.
    if (r.ier > 0) {
        std::ostream& out = ctx.records();
        out << dqags_record(r.ier);
        out.flush();
        rec::list(out, {"error is ", r.ier});
    }
    return r;
}

OneSidedCoverage onesided_coverage(const Case& c, Context& ctx) {
    const double a = c.AdapQuadTol;
    const double m = 0.5;
    const double b = 1.0 - c.AdapQuadTol;
    // The ends of the p-range are cut: at p = 0 the sample standard deviation is 0
    // and at p = 1 it is unbounded, and no limit can be computed at either.
    OneSidedIntegrand integrand{c, ctx};
    const DqagsFunction f = dqags_function(integrand);
    const PIntegral first = integral_over_p(f, a, m, c.AdapQuadTol, ctx);
    const PIntegral second = integral_over_p(f, m, b, c.AdapQuadTol, ctx);
    return {first.result + second.result, first.neval + second.neval,
            first.abserr + second.abserr, first.ier > second.ier ? first.ier : second.ier};
}

TwoSidedCoverage twosided_coverage(const Case& c, Context& ctx) {
    const double a = c.AdapQuadTol;
    const double m = 0.5;
    const double b = 1.0 - c.AdapQuadTol;
    ctx.pairs.clear();
    TwoSidedIntegrand lower{c, ctx, 1};
    TwoSidedIntegrand upper{c, ctx, 2};
    const DqagsFunction fl = dqags_function(lower);
    const DqagsFunction fu = dqags_function(upper);
    const PIntegral part[4] = {integral_over_p(fl, a, m, c.AdapQuadTol, ctx),
                               integral_over_p(fl, m, b, c.AdapQuadTol, ctx),
                               integral_over_p(fu, a, m, c.AdapQuadTol, ctx),
                               integral_over_p(fu, m, b, c.AdapQuadTol, ctx)};
    TwoSidedCoverage cov{};
    cov.lower = part[0].result + part[1].result;
    cov.upper = part[2].result + part[3].result;
    cov.miss = (1.0 - cov.lower) + cov.upper;
    for (const PIntegral& i : part) {
        cov.neval += i.neval;
        cov.abserr += i.abserr;
        if (i.ier > cov.ier) cov.ier = i.ier;
    }
    return cov;
}

// ---- the named routines ----

namespace {

Case case_of(int sides, double mu, double sigma, double lambda, double df, double alpha,
             double AdapQuadTol, double FunctionTol, double ResultTol) {
    Case c{.sides = sides, .df = df, .sigma = sigma, .alpha = alpha, .AdapQuadTol = AdapQuadTol,
           .FunctionTol = FunctionTol, .ResultTol = ResultTol};
    c.mu = mu;
    c.lambda = lambda;
    return c;
}

}  // namespace

double adapquadforcriticalp(Integrand f, int which, double a, double b, double mu, double sigma,
                            double lambda, double df, double alpha, double AdapQuadTol,
                            double FunctionTol, double ResultTol, int& neval, Context& ctx) {
    auto integrand = [&](double p) {
        return f(which, p, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol, ctx);
    };
    const PIntegral r = integral_over_p(dqags_function(integrand), a, b, AdapQuadTol, ctx);
    neval = r.neval;
    return r.result;
}

double criticalpnew(int which, double p, double mu, double sigma, double lambda, double df,
                    double alpha, double FunctionTol, double ResultTol, Context& ctx) {
    return fastercriticalp(which, p, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol, ctx);
}

double fastercriticalp(int /*which*/, double p, double mu, double sigma, double lambda,
                       double df, double alpha, double FunctionTol, double ResultTol,
                       Context& ctx) {
    const Case c = case_of(1, mu, sigma, lambda, df, alpha, 0.0, FunctionTol, ResultTol);
    return OneSidedIntegrand{c, ctx}(p);
}

double onetailforverify(double m, double s, double lambda, double df, double alpha,
                        double FunctionTol, double ResultTol, Context& ctx) {
    const Case c = case_of(1, m, 1.0, lambda, df, alpha, 0.0, FunctionTol, ResultTol);
    int status = 0;
    return one_sided_limit(c, m, s, ctx, status);
}

double twotailcriticalp(int which, double p, double mu, double sigma, double lambda, double df,
                        double alpha, double FunctionTol, double ResultTol, Context& ctx) {
    return fastertwotailcriticalp(which, p, mu, sigma, lambda, df, alpha, FunctionTol,
                                  ResultTol, ctx);
}

double fastertwotailcriticalp(int which, double p, double mu, double sigma, double lambda,
                              double df, double alpha, double FunctionTol, double ResultTol,
                              Context& ctx) {
    const Case c = case_of(2, mu, sigma, lambda, df, alpha, 0.0, FunctionTol, ResultTol);
    return TwoSidedIntegrand{c, ctx, which}(p);
}

double twotailforverify(int which, double m, double s, double df, double alpha, double lambda,
                        double FunctionTol, double ResultTol, Context& ctx) {
    double lower = 0.0;
    double upper = 0.0;
    twotailpairforverify(m, s, df, alpha, lambda, FunctionTol, ResultTol, lower, upper, ctx);
    return which == 1 ? lower : upper;
}

void twotailpairforverify(double m, double s, double df, double alpha, double lambda,
                          double FunctionTol, double ResultTol, double& lower, double& upper,
                          Context& ctx) {
    const Case c = case_of(2, m, 1.0, lambda, df, alpha, 0.0, FunctionTol, ResultTol);
    two_sided_limits(c, m, s, ctx, lower, upper);
}

void verifyonetail(int which, double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& integral,
                   double& difference, Context& ctx) {
    (void)which;  // the one-sided integrand has never read it
    const Case c = case_of(1, mu, sigma, lambda, df, alpha, AdapQuadTol, FunctionTol, ResultTol);
    const OneSidedCoverage cov = onesided_coverage(c, ctx);
    integral = cov.integral;
    difference = cov.integral - (1.0 - alpha);
}

void verifytwotail(double mu, double sigma, double lambda, double df, double alpha,
                   double AdapQuadTol, double FunctionTol, double ResultTol, double& lower,
                   double& upper, double& difference, Context& ctx) {
    const Case c = case_of(2, mu, sigma, lambda, df, alpha, AdapQuadTol, FunctionTol, ResultTol);
    const TwoSidedCoverage cov = twosided_coverage(c, ctx);
    lower = cov.lower;
    upper = cov.upper;
    difference = cov.miss - (1.0 - alpha);
}
