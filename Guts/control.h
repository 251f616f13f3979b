// The one block of state shared between the driver and the computing code.
#pragma once
#include <cstdint>

struct ControlParms {
    double BesselMaxArg;   // largest Bessel argument the G functions may use the closed form for
    double FunctionTol;    // step tolerance of the limit searches, accuracy of the integrals of F
    double ResultTol;      // residual tolerance of the limit equations
    std::int32_t MaxIter;  // iteration limit of the secant searches
};

inline ControlParms controlparms{};
