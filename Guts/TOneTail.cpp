// The one-sided t limit: the exact limit on mu at lambda = 0.
#include <cmath>
#include <limits>
#include <string>

#include "Chinorm95.h"
#include "Context.h"
#include "mainguts.h"
#include "records.h"

int TOneTail(int kind, double ybar, double sd, double df, double alpha, double gamma2, double& H,
             double& limit, Context& ctx) {
    if (const char* why = t_limit_refusal(df, sd, alpha, gamma2)) {
        rec::list(ctx.records(), {std::string("TOneTail: ") + why + ", no t limit for df,s,alpha,gamma2 =",
                                  df, sd, alpha, gamma2});
        H = limit = std::numeric_limits<double>::quiet_NaN();
        return limitstatus::refused;
    }
    // t_alpha from the share that is given exactly: 1 - alpha above 1/2, alpha
    // below; a lower limit at alpha is the upper one at 1 - alpha, -t_alpha.
    const double t_alpha = alpha >= 0.5 ? tinverse(1.0 - alpha, alpha - 0.5, df)
                                        : -tinverse(alpha, 0.5 - alpha, df);
    const double t = kind == 1 ? t_alpha : -t_alpha;
    H = t * std::sqrt(df / (df + 1.0));
    limit = ybar + t * sd / std::sqrt(gamma2);
    return limitstatus::computed;
}
