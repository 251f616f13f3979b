// Machine constants of IEEE double precision for the adaptive integrator.
#include <limits>

#include "Chinorm95.h"

namespace {
// Fixed, not measured: the smallest normalised and largest finite magnitudes,
// the smallest and largest relative spacings, and log10 of the base.
constexpr double table[5] = {
    2.2250738585072014e-308,  // 2^-1022
    1.7976931348623157e308,   // (2 - 2^-52) * 2^1023
    1.1102230246251565e-16,   // 2^-53
    2.220446049250313e-16,    // 2^-52
    0.30102999566398120,      // log10(2)
};
}  // namespace

double d1mach(int i) {
    // A bad index is a programming fault of the caller; the original library
    // ended the program there, which no computation below the entries may do.
    if (i < 1 || i > 5) return std::numeric_limits<double>::quiet_NaN();
    return table[i - 1];
}
