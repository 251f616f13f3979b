// The interactive verification: one case at a time, typed at the terminal.
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "Case.h"
#include "CaseTables.h"
#include "Context.h"
#include "LimitCommand.h"
#include "entries.h"
#include "freeform.h"
#include "records.h"

void writeverifyinfo(const std::string& setting) {
    const std::string which = "case of " + setting + " is ";
    rec::text_lines(std::cout, {"",
                             "",
                             "This program can be used to verify the program that",
                             "calculates confidence limits on linear functions of",
                             "the normal mean and variance. Only the standardized",
                             which.c_str(),
                             "considered here.",
                             "",
                             "Terms/guidance:",
                             "",
                             "Adapquadtolerance - how closely int is approx",
                             "(this is integral of conf. limits, not how",
                             "   accurately limits are approximated)",
                             "FunctionTolerance - how accurate limits are",
                             "ResultTol(opt) - value sets how close to zero ",
                             "  functions must be in conf. limit program",
                             "",
                             "Suggested values are in parentheses.",
                             ""});
}

void verify_main(const RunOptions& options) {
    std::ostream& out = std::cout;
    // One context for the whole dialogue: each case starts afresh in it.
    Context ctx(out);
    std::unique_ptr<limitcmd::Connection> command;
    if (options.limits.asked()) {
        command = std::make_unique<limitcmd::Connection>(options.limits.command,
                                                         options.limits.timeout);
        ctx.command = command.get();
    }
    // Every read ends the program on the end of input or a malformed value, so a
    // closed terminal stops the loop instead of spinning on it.
    ff::Reader terminal(std::cin, "standard input");
    const std::string setting = setting_text(cases::mu, options.lambda, options.gamma2);
    for (;;) {
        writeverifyinfo(setting);
        rec::list(out, {" Verify one(1) or two(2)-sided limits?"});
        out.flush();
        std::int32_t kind = 0;
        terminal.read({kind});
        if (kind == 2) {
            rec::text_lines(out, {"Warning! Verification for two-sided limits usually",
                                  "takes only a few minutes, but can take up",
                                  "to several hours in some cases (Pentium 75)."});
        }

        rec::list(out, {"Enter df, sigma, alpha"});
        out.flush();
        double df = 0.0, sigma = 0.0, alpha = 0.0;
        terminal.read({df, sigma, alpha});

        rec::list(out, {"Enter AdapQuadTolerance(1e-6),FunctionTolerance(1e-8),ResultTol(0)"});
        out.flush();
        double AdapQuadTol = 0.0, FunctionTol = 0.0, ResultTol = 0.0;
        terminal.read({AdapQuadTol, FunctionTol, ResultTol});

        const Case c{.sides = kind == 1 ? 1 : 2, .df = df, .sigma = sigma, .alpha = alpha,
                     .AdapQuadTol = AdapQuadTol, .FunctionTol = FunctionTol,
                     .ResultTol = ResultTol, .mu = cases::mu, .lambda = options.lambda,
                     .gamma2 = options.gamma2};
        // A case whose computation would mean nothing is refused, and the pass
        // ends as usual; every other case is computed, however wrong its limits.
        const std::string refused = refusal(c);
        if (!refused.empty()) {
            rec::list(out, {"Refused: " + refused});
        } else {
            write_domain_record(out, c, options.limits.asked());
            const CaseResult r = run_case(c, ctx);
            if (r.status == CaseStatus::Failed) {
                rec::list(out, {r.message});
            } else {
                if (c.sides == 1) {
                    rec::list(out, {"Approx. to integral is (should be 1-alpha)", r.integral});
                    rec::list(out, {"Difference of approx.and 1-alpha is ",
                                    r.integral - (1.0 - alpha)});
                } else {
                    rec::list(out, {});
                    rec::list(out, {"Approx to integral (should be !1-alpha)", r.miss()});
                    rec::list(out, {"Difference of approx. and 1-alpha is ",
                                    r.miss() - (1.0 - alpha)});
                    if (options.tails) write_tail_records(out, c, r);
                }
                write_fault_records(out, r);
            }
        }

        rec::list(out, {"Hit enter to continue"});
        out.flush();
        terminal.read({});
    }
}
