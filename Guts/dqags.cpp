// The QAGS integrator of the coverage integrals. The quadrature itself is GSL's
// gsl_integration_qags (QUADPACK's QAGS in C); this adaptation supplies what the
// coverage integrals rely on and GSL does not: the integrand's eight context
// values, the evaluation count, QUADPACK's ier codes and the "ier,lvl: " record.
#include "dqags.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_integration.h>

#include <cstring>

#include "records.h"

namespace {

// What one call hands to the integrand, and the evaluations it has made.
struct Context {
    DqagsIntegrand f;
    int which;
    double mu, sigma, lambda, df, alpha, FunctionTol, ResultTol;
    int count;
};

double evaluate(double x, void* params) {
    Context& c = *static_cast<Context*>(params);
    ++c.count;
    return c.f(c.which, x, c.mu, c.sigma, c.lambda, c.df, c.alpha, c.FunctionTol, c.ResultTol);
}

// GSL reports every failure through its error handler, whose default aborts the
// program. The handler in force during a call only keeps the reason, because
// GSL gives round-off in the sums and round-off in the extrapolation table the
// same code and tells them apart only by this text.
char reason_of_call[160];

void keep_reason(const char* reason, const char*, int, int) {
    std::strncpy(reason_of_call, reason ? reason : "", sizeof reason_of_call - 1);
    reason_of_call[sizeof reason_of_call - 1] = '\0';
}

int quadpack_ier(int status) {
    switch (status) {
        case GSL_SUCCESS: return 0;
        case GSL_EMAXITER: return 1;
        case GSL_EROUND:
            return std::strstr(reason_of_call, "extrapolation table") != nullptr ? 4 : 2;
        case GSL_ESING: return 3;
        case GSL_EDIVERGE: return 5;
        case GSL_EBADTOL:
        case GSL_EINVAL: return 6;
        // Anything else means the integration failed without a finer reason; the
        // nearest of QUADPACK's codes is "divergent or too slowly convergent".
        default: return 5;
    }
}

// GSL's QAGS stops one subinterval short of the limit it is given, where
// QUADPACK's fills it: a limit of 200 means 200 subintervals and at most
// 42*200 - 21 evaluations. GSL is therefore asked for one more, and its one
// workspace, allocated on first use and shared by every call (the coverage
// integrals never nest), holds one more.
gsl_integration_workspace* shared_workspace() {
    static gsl_integration_workspace* w = gsl_integration_workspace_alloc(DqagsMaxLimit + 1);
    return w;
}

}  // namespace

void dqags(DqagsIntegrand f, int which, double mu, double sigma, double lambda, double df,
           double alpha, double FunctionTol, double ResultTol, double a, double b, double epsabs,
           double epsrel, double& result, double& abserr, int& neval, int& ier, int limit,
           int lenw, int& last) {
    result = 0.0;
    abserr = 0.0;
    neval = 0;
    last = 0;
    ier = 6;

    gsl_error_handler_t* previous = gsl_set_error_handler(&keep_reason);
    reason_of_call[0] = '\0';
    gsl_integration_workspace* w = shared_workspace();

    if (w != nullptr && limit >= 1 && limit <= DqagsMaxLimit && lenw >= 4 * limit) {
        Context c{f, which, mu, sigma, lambda, df, alpha, FunctionTol, ResultTol, 0};
        gsl_function fn{&evaluate, &c};
        // With a limit of 1 GSL applies the single rule and stops, as QUADPACK does.
        size_t gsl_limit = static_cast<size_t>(limit == 1 ? 1 : limit + 1);
        int status = gsl_integration_qags(&fn, a, b, epsabs, epsrel, gsl_limit, w, &result,
                                          &abserr);
        ier = quadpack_ier(status);
        // QUADPACK reports a limit of 1 as reached even when the one rule sufficed.
        if (limit == 1 && (ier == 0 || ier == 2)) ier = 1;
        neval = c.count;
        last = static_cast<int>(w->size);
    }
    gsl_set_error_handler(previous);

    if (ier == 6) {
        // Invalid input: QUADPACK returns nothing computed.
        result = 0.0;
        abserr = 0.0;
        last = 0;
    }
    if (ier != 0) rec::say({"ier,lvl: ", ier, ier == 6 ? 1 : 0});
}
