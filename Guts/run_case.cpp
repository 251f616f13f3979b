#include <chrono>

#include "Case.h"
#include "CaseDomain.h"
#include "Kestrin.h"
#include "LimitCommand.h"
#include "control.h"
#include "params.h"

std::string refusal(const Case& c) {
    return domain::case_fault(c.df, c.sigma, c.alpha, c.AdapQuadTol, c.FunctionTol, c.ResultTol);
}

CaseResult run_case(const Case& c) {
    CaseResult r;
    // The limit code reads these from the control block; every computation
    // starts from the program's start-up values (the two-sided wrapper stores
    // them again before each pair), so no case depends on the one before it.
    controlparms.MaxIter = params::StartMaxIter;
    controlparms.BesselMaxArg = params::StartBesselMaxArg;
    limitfaults::begin_case();
    const auto t0 = std::chrono::steady_clock::now();
    if (c.sides == 1) {
        const OneSidedCoverage cov = onesided_coverage_of(2, c.mu, c.sigma, c.lambda, c.df, c.alpha,
                                                          c.AdapQuadTol, c.FunctionTol, c.ResultTol);
        r.integral = cov.integral;
        r.neval = cov.neval;
    } else {
        const TwoSidedCoverage cov = twosided_coverage_of(c.mu, c.sigma, c.lambda, c.df, c.alpha,
                                                          c.AdapQuadTol, c.FunctionTol, c.ResultTol);
        r.lower = cov.lower;
        r.upper = cov.upper;
        r.integral = cov.miss;
        r.neval = cov.neval;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.faults = limitfaults::counts();
    if (limitcmd::take_failure(r.message)) r.status = CaseStatus::Failed;
    return r;
}
