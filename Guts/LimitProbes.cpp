#include "LimitProbes.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "LimitCommand.h"

namespace limitprobe {

using limitproto::Answer;
using limitproto::Request;
using limitproto::real17;

namespace {

// Said of every probe fault: what the run cannot stand behind.
const char* const unsound = "; the coverage integral over s alone does not hold for such limit code";

const char* limit_name(int kind, int i) {
    if (kind == 1) return "the limit";
    return i == 1 ? "the lower limit" : "the upper limit";
}

}  // namespace

std::string factor_fault(const Request& r, const Answer& a) {
    // Without lambda the protocol defines no factor.
    if (r.lambda == 0.0) return "";
    const double sign = r.lambda < 0.0 ? -1.0 : 1.0;
    const double scale = r.s * std::sqrt((r.df + 1.0) / r.df) / std::sqrt(r.gamma2);
    const double variance_term = r.lambda * (r.s * r.s);
    for (int i = 0; i < limitproto::answer_fields(r.kind); i += 2) {
        const double H = a.value[i];
        const double limit = a.value[i + 1];
        if (H == 0.0) continue;  // no factor given
        const double factor_term = sign * H * scale;
        const double given = r.ybar + variance_term + factor_term;
        const double size = std::fabs(r.ybar) + std::fabs(variance_term) +
                            std::fabs(factor_term) + std::fabs(limit);
        if (!(std::fabs(limit - given) <= FactorTolerance * size))
            return "answered " + std::string(limit_name(r.kind, i + 1)) + " " + real17(limit) +
                   " with the factor " + real17(H) +
                   ", which gives ybar + lambda*s^2 + sign(lambda)*H*s*sqrt((df + 1)/df)/"
                   "sqrt(gamma2) = " +
                   real17(given) +
                   ": the limit and its factor disagree, or the answer belongs to another "
                   "request";
    }
    return "";
}

std::string mean_fault(const Request& r0, const Answer& a0, const Request& r1, const Answer& a1) {
    const double moved_mean = r1.ybar - r0.ybar;
    const double variance_term = std::fabs(r0.lambda * (r0.s * r0.s));
    for (int i = 1; i < limitproto::answer_fields(r0.kind); i += 2) {
        const double L0 = a0.value[i];
        const double L1 = a1.value[i];
        const double size = std::fabs(r0.ybar) + std::fabs(r1.ybar) + std::fabs(L0) +
                            std::fabs(L1) + 2.0 * variance_term;
        if (!(std::fabs((L1 - L0) - moved_mean) <= FactorTolerance * size))
            return "gave limits that do not move one-for-one with the sample mean: " +
                   std::string(limit_name(r0.kind, i)) + " " + real17(L0) + " at ybar " +
                   real17(r0.ybar) + ", " + real17(L1) + " at ybar " + real17(r1.ybar) +
                   ", a move of " + real17(L1 - L0) + " for " + real17(moved_mean) + unsound;
    }
    return "";
}

bool CaseProbes::ask(limitcmd::Connection& command, const Request& r, Answer& a, double sigma) {
    if (!command.ask(r, a)) return false;
    if (const std::string why = factor_fault(r, a); !why.empty()) return command.reject(r, why);
    ++asked_;
    if (asked_ == 1) {
        first_ = r;
        first_answer_ = a;
        sigma_ = sigma;
        return true;
    }
    if (asked_ % ProbeEvery != 0) return true;
    const long k = asked_ / ProbeEvery;
    if (k % 2 == 1) return ask_again(command, r, a);
    return ask_moved(command, r, a, r.ybar + (k % 4 == 2 ? MeanUp : MeanDown) * sigma);
}

void CaseProbes::end(limitcmd::Connection& command) {
    // Each probe only while the ones before it passed: after a fault the
    // case is lost, and the command is ended.
    if (asked_ > 0 && ask_again(command, first_, first_answer_) &&
        ask_moved(command, first_, first_answer_, first_.ybar + MeanUp * sigma_))
        ask_moved(command, first_, first_answer_, first_.ybar + MeanDown * sigma_);
    begin();
}

bool CaseProbes::ask_again(limitcmd::Connection& command, const Request& r, const Answer& a) {
    Answer again;
    if (!command.ask(r, again)) return false;
    for (int i = 0; i < limitproto::answer_fields(r.kind); ++i) {
        if (std::bit_cast<std::uint64_t>(a.value[i]) != std::bit_cast<std::uint64_t>(again.value[i]))
            return command.reject(
                r, "gave another answer when asked the same request again: first '" +
                       limitproto::format_answer(r.kind, a) + "', then '" +
                       limitproto::format_answer(r.kind, again) +
                       "'; its answers change from one asking to the next, or belong to other "
                       "requests" + unsound);
    }
    return true;
}

bool CaseProbes::ask_moved(limitcmd::Connection& command, const Request& r, const Answer& a,
                           double ybar) {
    Request moved = r;
    moved.ybar = ybar;
    Answer b;
    if (!command.ask(moved, b)) return false;
    if (const std::string why = factor_fault(moved, b); !why.empty())
        return command.reject(moved, why);
    if (const std::string why = mean_fault(r, a, moved, b); !why.empty())
        return command.reject(moved, why);
    return true;
}

}  // namespace limitprobe
