// Machine constants of IEEE double precision.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <iostream>

#include "Chinorm95.h"

namespace {

TEST(Machine, D1mach) {
    EXPECT_EQ(d1mach(1), DBL_MIN);
    EXPECT_EQ(d1mach(2), DBL_MAX);
    EXPECT_EQ(d1mach(4), std::ldexp(1.0, -52));
    EXPECT_EQ(d1mach(3), d1mach(4) / 2);
    EXPECT_EQ(d1mach(5), std::log10(2.0));
}

TEST(Machine, D1machBadIndexIsNoNumberAndNoStop) {
    // A caller's fault; nothing below the entries may end the program.
    for (int bad : {6, 0, -3}) EXPECT_TRUE(std::isnan(d1mach(bad))) << bad;
}

TEST(Machine, Ipmpar) {
    const int want[10] = {2, 31, INT_MAX, 2, 24, -125, 128, 53, -1021, 1024};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(IPMPAR(i), want[i - 1]) << i;
    // The same facts as the compiler's own description of the types.
    EXPECT_EQ(IPMPAR(8), DBL_MANT_DIG);
    EXPECT_EQ(IPMPAR(9), DBL_MIN_EXP);
    EXPECT_EQ(IPMPAR(10), DBL_MAX_EXP);
    EXPECT_EQ(IPMPAR(5), FLT_MANT_DIG);
}

TEST(Machine, Spmpar) {
    EXPECT_EQ(SPMPAR(1), DBL_EPSILON);
    EXPECT_EQ(SPMPAR(0), DBL_EPSILON);
    EXPECT_EQ(SPMPAR(-5), DBL_EPSILON);
    EXPECT_EQ(SPMPAR(2), DBL_MIN);
    EXPECT_EQ(SPMPAR(3), DBL_MAX);
    EXPECT_EQ(SPMPAR(7), DBL_MAX);
}

TEST(Machine, Exparg) {
    const double hi = EXPARG(0);
    const double lo = EXPARG(1);
    EXPECT_NEAR(hi, 709.77561506626, 1e-10);
    EXPECT_NEAR(lo, -708.38933456808, 1e-10);
    EXPECT_EQ(EXPARG(-4), lo);  // any nonzero flag
    EXPECT_TRUE(std::isfinite(std::exp(hi)));
    EXPECT_GE(std::exp(lo), DBL_MIN);
    // Just inside the range: a little further out leaves it.
    EXPECT_FALSE(std::isfinite(std::exp(hi * 1.00002)));
    EXPECT_LT(std::exp(lo * 1.00002), DBL_MIN);
}

}  // namespace
