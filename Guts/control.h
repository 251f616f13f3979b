// The control block: the settings a limit computation reads while it runs.
// Each computation has its own, in its context (Context.h); the limit entries
// store their arguments in it before they compute, and the routines below
// them read it there.
#pragma once
#include <cstdint>

#include "params.h"

struct ControlParms {
    // largest Bessel argument the G functions may use the closed form for
    double BesselMaxArg = params::StartBesselMaxArg;
    double FunctionTol = 0.0;  // step tolerance of the limit searches, accuracy of the integrals of F
    double ResultTol = 0.0;    // residual tolerance of the limit equations
    std::int32_t MaxIter = params::StartMaxIter;  // iteration limit of the secant searches
};
