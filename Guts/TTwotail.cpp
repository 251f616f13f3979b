// The two-sided t interval: the exact limits on mu at lambda = 0.
#include <cmath>
#include <limits>
#include <string>

#include "Chinorm95.h"
#include "Context.h"
#include "mainguts.h"
#include "records.h"

int TTwotail(double ybar, double s, double df, double alpha, double gamma2, double& lower,
             double& hlower, double& upper, double& hupper, Context& ctx) {
    if (const char* why = t_limit_refusal(df, s, alpha, gamma2)) {
        rec::list(ctx.records(), {std::string("TTwotail: ") + why + ", no t limits for df,s,alpha,gamma2 =",
                                  df, s, alpha, gamma2});
        lower = hlower = upper = hupper = std::numeric_limits<double>::quiet_NaN();
        return limitstatus::refused;
    }
    // P(|T| <= t) = alpha: the central share alpha/2 is exact, and so is the
    // tail 1/2 - alpha/2 where it is the smaller one.
    const double t = tinverse(0.5 - 0.5 * alpha, 0.5 * alpha, df);
    const double H = t * std::sqrt(df / (df + 1.0));
    const double half_width = t * s / std::sqrt(gamma2);
    lower = ybar - half_width;
    upper = ybar + half_width;
    hlower = -H;
    hupper = H;
    return limitstatus::computed;
}
