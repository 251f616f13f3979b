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

}  // namespace elementary
