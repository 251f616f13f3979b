// Evaluations of F that one one-sided limit costs, case by case (built on the
// counting copy of the library).
#include <cmath>
#include <cstdio>
#include <sstream>

#include "Context.h"

#include "NewF.h"
#include "mainguts.h"

int main() {
    const double dfs[] = {2, 3, 5, 9, 30, 100, 1000};
    const double sds[] = {0.2, 0.5, 1.0, 3.0};
    const double alphas[] = {0.05, 0.5, 0.95};
    std::printf("%6s %5s %6s %6s %10s %12s\n", "df", "sd", "alpha", "iter", "F evals", "evals/iter");
    long long total = 0;
    int cases = 0;
    for (double df : dfs) {
        for (double sd : sds) {
            for (double alpha : alphas) {
                double H, limit, elapsed;
                int iterations = 0;
                newf_evaluations = 0;
                std::ostringstream records;
                Context ctx(records);
                OneTail(1, 0.0, sd, df, alpha, 0.5, df + 1.0, 800.0, 1e-8, 0.0, 200, H, limit,
                        elapsed, iterations, 1e-8, 0.0, ctx);
                std::printf("%6g %5g %6g %6d %10lld %12.1f\n", df, sd, alpha, iterations,
                            newf_evaluations, double(newf_evaluations) / iterations);
                total += newf_evaluations;
                ++cases;
            }
        }
    }
    std::printf("mean F evaluations per limit: %.0f\n", double(total) / cases);
    return 0;
}
