// Integer parameters of the arithmetic (IEEE 754 with 32-bit integers).
#include "Chinorm95.h"

namespace {
constexpr int table[10] = {
    2,           // base of integer arithmetic
    31,          // base digits of an integer
    2147483647,  // largest integer
    2,           // base of floating-point arithmetic
    24,          // digits of a single-precision mantissa
    -125,        // smallest single-precision exponent
    128,         // largest single-precision exponent
    53,          // digits of a double-precision mantissa
    -1021,       // smallest double-precision exponent
    1024,        // largest double-precision exponent
};
}  // namespace

// The callers pass only valid indices (SPMPAR: 4, 8, 9, 10; EXPARG: 4, 9, 10).
int IPMPAR(int i) { return table[i - 1]; }
