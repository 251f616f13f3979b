#include "AdaptiveSimpson.h"
#include "NewF.h"
#include "control.h"
#include "mainguts.h"

void NewFAdaptive(double a, double b, double nu, double kappa, double k, double L, double s,
                  double P, double& result) {
    const NewFIntegrand F(nu, kappa, k, L, s, P);
    result = simpson::integrate<200>(a, b, F, controlparms.FunctionTol);
}
