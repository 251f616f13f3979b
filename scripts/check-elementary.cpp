// The long check of exp4 and log4 against the library's exp and log: random
// bit patterns over the whole of each kernel's own path (exp: every exponent
// of 2^-54 <= |x| < 512; log: every positive normal number, and the band
// around 1 apart), LANES lanes each (default 10^9, about 25 s). Prints the
// mismatches and exits 1 if there is any.
//   check-elementary [LANES]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "elementary.h"

namespace {

std::uint64_t state = 987654321;
std::uint64_t random_bits() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return state ^ (state >> 29);
}
double as_double(std::uint64_t u) {
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}
std::uint64_t as_bits(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

}  // namespace

int main(int argc, char** argv) {
    const long lanes = argc > 1 ? std::atol(argv[1]) : 1000000000L;
    if (!elementary::side_by_side()) {
        std::printf("exp4 and log4 are four library calls on this machine: nothing to check\n");
        return 0;
    }
    long bad_exp = 0;
    long bad_log = 0;
    double x[4];
    double y[4];
    for (long i = 0; i < lanes; i += 4) {
        for (double& v : x) {
            const std::uint64_t exponent = 0x3c9 + random_bits() % (0x408 - 0x3c9);
            v = as_double((random_bits() & 0x800fffffffffffffULL) | (exponent << 52));
        }
        elementary::exp4(x[0], x[1], x[2], x[3], y);
        for (int j = 0; j < 4; ++j) {
            if (as_bits(y[j]) != as_bits(elementary::exp(x[j])) && bad_exp++ < 10) {
                std::printf("exp(%a): %a, library %a\n", x[j], y[j], elementary::exp(x[j]));
            }
        }
        for (int j = 0; j < 4; ++j) {
            const std::uint64_t u = j % 2 ? 0x0010000000000000ULL + random_bits() % 0x7fe0000000000000ULL
                                          : 0x3fee000000000000ULL + random_bits() % 0x0003090000000000ULL;
            x[j] = as_double(u);
        }
        elementary::log4(x[0], x[1], x[2], x[3], y);
        for (int j = 0; j < 4; ++j) {
            if (as_bits(y[j]) != as_bits(elementary::log(x[j])) && bad_log++ < 10) {
                std::printf("log(%a): %a, library %a\n", x[j], y[j], elementary::log(x[j]));
            }
        }
    }
    std::printf("mismatches: exp %ld, log %ld, of %ld lanes each\n", bad_exp, bad_log, lanes);
    return bad_exp + bad_log == 0 ? 0 : 1;
}
