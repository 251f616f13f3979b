#include <chrono>

#include "Case.h"
#include "CaseDomain.h"
#include "Context.h"
#include "Kestrin.h"
#include "LimitCommand.h"
#include "params.h"
#include "wallclock.h"

std::string refusal(const Case& c) {
    std::string why =
        domain::case_fault(c.df, c.sigma, c.alpha, c.AdapQuadTol, c.FunctionTol, c.ResultTol);
    if (why.empty()) why = setting_fault(c.sigma, c.lambda, c.gamma_squared(), c.mu);
    return why;
}

CaseResult run_case(const Case& c, Context& ctx) {
    CaseResult r;
    r.clock_begin = seconds_of_day(ctx.clock());
    // The limit code reads these from the control block; every case starts from
    // the program's start-up values (the two-sided wrapper stores them again
    // before each pair), so no case depends on the one before it.
    ctx.control.MaxIter = params::StartMaxIter;
    ctx.control.BesselMaxArg = params::StartBesselMaxArg;
    ctx.faults.counts = limitfaults::Counts{};
    ctx.probes.begin();
    const auto t0 = std::chrono::steady_clock::now();
    if (c.sides == 1) {
        const OneSidedCoverage cov = onesided_coverage(c, ctx);
        r.integral = cov.integral;
        r.neval = cov.neval;
        r.abserr = cov.abserr;
        r.ier = cov.ier;
    } else {
        const TwoSidedCoverage cov = twosided_coverage(c, ctx);
        r.lower = cov.lower;
        r.upper = cov.upper;
        r.integral = cov.miss;
        r.neval = cov.neval;
        r.abserr = cov.abserr;
        r.ier = cov.ier;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.faults = ctx.faults.counts;
    if (ctx.command) {
        // The probes of the case's end belong to it, but not to its time: an
        // abandoned run does not wait for them.
        if (!ctx.stopped()) ctx.probes.end(*ctx.command);
        if (ctx.command->take_failure(r.message)) r.status = CaseStatus::Failed;
    }
    r.clock_end = seconds_of_day(ctx.clock());
    return r;
}
