// What the coverage integral assumes of a limit command, checked while a case
// runs. The integral is taken over the sample standard deviation s alone, with
// every limit asked at the sample mean mu and moved with the sample mean by a
// normal probability (Kestrin.cpp, below_target). That holds only for limit code
// that is
//   - deterministic and in step: the same request gets the same answer, and an
//     answer belongs to the request just sent;
//   - moved one-for-one by the sample mean: the limit at ybar + d is the limit
//     at ybar plus d.
// The probes ask some requests of a case again:
//   - the case's first request at its end, and the 128th, 384th, 640th, ...
//     request right after it is answered: the answer must be the first one
//     bit for bit. A stream that has slipped by a line at any point of the
//     case answers the request at the end with the answer to another s;
//   - the case's first request at its end, and the 256th, 512th, ... right
//     after it is answered, at other sample means, ybar + 1.7 sigma and
//     ybar - 2.3 sigma (sigma the case's; both at the end, one in turn in
//     the case): each limit must move by the difference of the means, to
//     FactorTolerance below.
// And every answer that gives a factor H (not 0; 0 means none is given) must
// give the limit the protocol defines with it,
//   limit = ybar + lambda s^2 + sign(lambda) H s sqrt((df + 1)/df) / sqrt(gamma2),
// sign(lambda) being -1 for a negative lambda and 1 otherwise; for a two-sided
// answer each h with its limit. A fault fails the case (Connection::reject) with
// a record that names it.
//
// The probes cannot see a command that changes only where it is not asked
// again (it answers the requests between the probes from another s, or
// otherwise, and is back in step by the next probe), nor one whose limits
// depend on the mean only away from the s values probed.
#pragma once
#include <string>

#include "LimitProtocol.h"

namespace limitcmd {
class Connection;
}

namespace limitprobe {

// How far an answer may be from the equations above, relative to the sum of
// the sizes of their terms: 16 units of the last place. Each side is a sum of
// three terms, each computed in a few operations (a product or quotient of
// four, a square root): a computation of them in any order is off by a few
// units of the last place of the largest.
inline constexpr double FactorTolerance = 16.0 * 2.220446049250313e-16;

// The requests between probes in a case: the same request again at 128, 384,
// ...; at another mean at 256, 512, ...
inline constexpr long ProbeEvery = 128;
// The other sample means, in units of the case's sigma from the request's.
inline constexpr double MeanUp = 1.7;
inline constexpr double MeanDown = -2.3;

// Why the answer's factors do not give its limits for request r, or "".
std::string factor_fault(const limitproto::Request& r, const limitproto::Answer& a);
// Why the answers a0 at r0 and a1 at r1 (the same request but for ybar) do not
// move one-for-one with the sample mean, or "".
std::string mean_fault(const limitproto::Request& r0, const limitproto::Answer& a0,
                       const limitproto::Request& r1, const limitproto::Answer& a1);

// The probes of one case at a time, kept in the context of the computation.
class CaseProbes {
public:
    // Before a case's integrals.
    void begin() { *this = CaseProbes{}; }
    // Asks request r of the case of standard deviation sigma, and probes it;
    // false when the command failed or a probe did (the case is lost).
    bool ask(limitcmd::Connection& command, const limitproto::Request& r, limitproto::Answer& a,
             double sigma);
    // After the case's integrals: the probes of its end. The case's failure,
    // if any, is then the connection's to take.
    void end(limitcmd::Connection& command);

private:
    bool ask_again(limitcmd::Connection& command, const limitproto::Request& r,
                   const limitproto::Answer& a);
    bool ask_moved(limitcmd::Connection& command, const limitproto::Request& r,
                   const limitproto::Answer& a, double ybar);

    long asked_ = 0;  // requests of the integrals
    limitproto::Request first_{};
    limitproto::Answer first_answer_{};
    double sigma_ = 0.0;
};

}  // namespace limitprobe
