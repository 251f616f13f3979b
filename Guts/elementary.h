// exp and log for the innermost loops (the integrands F and x*F), where they
// are called hundreds of millions of times per table. The C library's exp and
// log are wrappers that call the computing routine and then check the result
// only to set errno, which nothing here reads. Where the library also exports
// the computing routine itself (glibc: __exp_finite, __log_finite, the very
// routines its exp and log call), these call it directly; elsewhere they are
// std::exp and std::log. Either way every value is the library's exp or log of
// the same argument, bit for bit.
#pragma once

namespace elementary {

using Function = double (*)(double);

// Resolved once, before main.
extern const Function exp;
extern const Function log;

// exp and log of four arguments at once: y[j] = exp(xj) or log(xj), the same
// values as the functions above give one by one. Where the processor has AVX2
// and FMA and the library is the one the kernels reproduce (checked once,
// before main, on some 12,000 arguments each), the four are computed side by
// side; elsewhere these are four calls of the functions above. The arguments
// are passed by value: gathering them from memory just written one by one
// would wait for the stores to complete.
using Function4 = void (*)(double x0, double x1, double x2, double x3, double* y);
extern const Function4 exp4;
extern const Function4 log4;

// Whether exp4 and log4 are the side-by-side kernels on this machine.
bool side_by_side();

// The kernels themselves (elementary_x4.cpp), for x86-64 processors with AVX2
// and FMA only.
void exp4_avx2(double x0, double x1, double x2, double x3, double* y);
void log4_avx2(double x0, double x1, double x2, double x3, double* y);

}  // namespace elementary
