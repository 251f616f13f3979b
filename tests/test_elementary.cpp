// exp and log four at a time: whatever exp4 and log4 are on this machine
// (the AVX2 kernels or four library calls), every lane must be the library's
// value to the last bit, since the integrals of F are made of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "elementary.h"

namespace {

std::uint64_t bits_of(double x) {
    std::uint64_t u;
    std::memcpy(&u, &x, sizeof x);
    return u;
}

// A fixed-seed generator, so that a failure can be reproduced.
struct Uniform {
    std::uint64_t state;
    double operator()() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) * 0x1p-53;
    }
};

// Counts the lanes of `four` that differ from `one` over the arguments,
// reporting the first few.
long mismatches(elementary::Function4 four, elementary::Function one, const std::vector<double>& x,
                const char* name) {
    long bad = 0;
    for (std::size_t i = 0; i + 4 <= x.size(); i += 4) {
        double y[4];
        four(x[i], x[i + 1], x[i + 2], x[i + 3], y);
        for (int j = 0; j < 4; ++j) {
            const double want = one(x[i + j]);
            if (bits_of(y[j]) != bits_of(want) && !(std::isnan(y[j]) && std::isnan(want))) {
                if (++bad <= 5) {
                    ADD_FAILURE() << name << "(" << std::hexfloat << x[i + j] << ") = " << y[j]
                                  << ", library " << want;
                }
            }
        }
    }
    return bad;
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(Elementary, ExpFourAtATimeIsTheLibrarysExp) {
    Uniform u{42};
    std::vector<double> x;
    for (int i = 0; i < 1'000'000; ++i) {
        // The exponents of F: from deep underflow to small positive values,
        // every table entry at every scale, and arguments near 0.
        x.push_back(-u() * 800.0);
        x.push_back((u() - 0.5) * 8.0);
        x.push_back(std::ldexp(u() - 0.5, -static_cast<int>(u() * 70.0)));
        x.push_back((u() - 0.5) * 1500.0);
    }
    // The edges of the library's own path and the special values, in every lane.
    for (double v : {0.0, -0.0, 0x1p-54, -0x1p-54, 0x1.fffffffffffffp-55, 511.999, 512.0, -512.0,
                     -708.39, -708.4, -745.13, -745.14, 709.78, 709.79, 1024.0, -1024.0, kInf,
                     -kInf, kNaN, 0x1p-1074, -1e-300}) {
        for (int lane = 0; lane < 4; ++lane) {
            for (int j = 0; j < 4; ++j) x.push_back(j == lane ? v : -1.5);
        }
    }
    EXPECT_EQ(mismatches(elementary::exp4, elementary::exp, x, "exp"), 0);
}

TEST(Elementary, LogFourAtATimeIsTheLibrarysLog) {
    Uniform u{7};
    std::vector<double> x;
    for (int i = 0; i < 1'000'000; ++i) {
        // 1 - x^2 for x in (-1, 1), the band around 1 that the library treats
        // apart, and the whole range of positive normal numbers.
        const double t = u() * 2.0 - 1.0;
        x.push_back(1.0 - t * t);
        x.push_back(1.0 - 0x1p-4 + u() * (0x1p-4 + 0x1.09p-4));
        x.push_back(std::ldexp(0.5 + u(), static_cast<int>(u() * 2040.0) - 1020));
        x.push_back(1.0 - std::ldexp(u(), -static_cast<int>(u() * 53.0)));
    }
    for (double v : {1.0, 1.0 - 0x1p-4, 1.0 - 0x1p-5, 1.0 + 0x1.09p-4, 0x1.6p-1, 0x1.6p0, 0x1p-1022,
                     0x1p-1074, 0.0, -0.0, -1.0, kInf, -kInf, kNaN, 0x1.fffffffffffffp1023}) {
        for (int lane = 0; lane < 4; ++lane) {
            for (int j = 0; j < 4; ++j) x.push_back(j == lane ? v : 0.75);
        }
    }
    EXPECT_EQ(mismatches(elementary::log4, elementary::log, x, "log"), 0);
}

TEST(Elementary, KernelsAreChosenOnlyWhereTheyAgree) {
    // On a processor without AVX2 and FMA the four-at-a-time functions are
    // the library's, one by one; the tests above then hold trivially, and this
    // one says which case was tested.
    if (!elementary::side_by_side()) {
        GTEST_SKIP() << "exp4 and log4 are four library calls on this machine";
    }
    double y[4];
    elementary::exp4(0.0, 1.0, -1.0, -745.2, y);
    EXPECT_EQ(y[0], 1.0);
    EXPECT_EQ(y[1], std::exp(1.0));
    EXPECT_EQ(y[2], std::exp(-1.0));
    EXPECT_EQ(y[3], 0.0);
    elementary::log4(1.0, 2.0, 0.5, 0.0, y);
    EXPECT_EQ(bits_of(y[0]), bits_of(0.0));
    EXPECT_EQ(y[1], std::log(2.0));
    EXPECT_EQ(y[2], std::log(0.5));
    EXPECT_EQ(y[3], -kInf);
}
