// In 100 digits, the share of the integral of x e^(tx) over [-1, 1] that lies
// in [a, b]: the oracle of RatioIntegral and of G with two degrees of freedom.
#pragma once
#include <boost/multiprecision/cpp_bin_float.hpp>

namespace ratio_oracle {

using big = boost::multiprecision::cpp_bin_float_100;

// From the antiderivative e^(tx) (tx - 1) / t^2 (the t^2 cancels). Its
// differences lose about 36 digits at |t| = 1e-12, which leaves more than 60.
inline big ratio_100(const big& a, const big& b, const big& t) {
    auto anti = [&](const big& x) { return exp(t * x) * (t * x - 1); };
    return (anti(b) - anti(a)) / (anti(big(1)) - anti(big(-1)));
}

}  // namespace ratio_oracle
