#include "elementary.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__GLIBC__)
#include <dlfcn.h>
#endif

namespace elementary {
namespace {

double library_exp(double x) { return std::exp(x); }
double library_log(double x) { return std::log(x); }

// The unwrapped routine `name` of the C library, or `fallback` where there is none.
Function resolve(const char* name, Function fallback) {
#if defined(__GLIBC__)
    if (void* f = dlvsym(RTLD_DEFAULT, name, "GLIBC_2.15")) {
        return reinterpret_cast<Function>(f);
    }
#else
    (void)name;
#endif
    return fallback;
}

}  // namespace

const Function exp = resolve("__exp_finite", &library_exp);
const Function log = resolve("__log_finite", &library_log);

namespace {

void one_by_one_exp(double x0, double x1, double x2, double x3, double* y) {
    y[0] = exp(x0);
    y[1] = exp(x1);
    y[2] = exp(x2);
    y[3] = exp(x3);
}
void one_by_one_log(double x0, double x1, double x2, double x3, double* y) {
    y[0] = log(x0);
    y[1] = log(x1);
    y[2] = log(x2);
    y[3] = log(x3);
}

bool same_bits(double a, double b) {
    std::uint64_t ua;
    std::uint64_t ub;
    std::memcpy(&ua, &a, sizeof a);
    std::memcpy(&ub, &b, sizeof b);
    return ua == ub;
}

// Whether `kernel` gives the library's value on every argument of `x`.
bool agrees(Function4 kernel, Function one, const std::vector<double>& x) {
    for (std::size_t i = 0; i + 4 <= x.size(); i += 4) {
        double y[4];
        kernel(x[i], x[i + 1], x[i + 2], x[i + 3], y);
        for (int j = 0; j < 4; ++j) {
            if (!same_bits(y[j], one(x[i + j]))) return false;
        }
    }
    return true;
}

// The kernels reproduce one particular library: they are used only when they
// agree with the library at hand on every table entry and polynomial path,
// over the whole range the integrands reach.
bool kernels_agree() {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return false;
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
    auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) * 0x1p-53;
    };
    std::vector<double> ex;
    std::vector<double> lx;
    for (int i = 0; i < 4096; ++i) {
        // Every table entry of exp at many scales, out to where it underflows.
        ex.push_back((uniform() - 0.97) * 760.0);
        ex.push_back((uniform() - 0.5) * 2.0);
        ex.push_back((uniform() - 0.5) * 0x1p-40);
        // log over (0, 2]: the table path and the band around 1.
        lx.push_back(uniform() * 2.0);
        lx.push_back(0.9 + uniform() * 0.2);
        lx.push_back(std::ldexp(1.0 + uniform(), static_cast<int>(uniform() * 60.0) - 55));
    }
    for (double v : {0.0, -0.0, 1.0, -1.0, 512.0, -745.2, -708.5, 709.9, -1e-300, 0x1p-54,
                     0x1p-1074, 0x1p-1022, 1.0 - 0x1p-4, 1.0 + 0x1.09p-4, 0.6875, 1.375}) {
        ex.push_back(v);
        lx.push_back(v);
    }
    while (ex.size() % 4 != 0) ex.push_back(0.5);
    while (lx.size() % 4 != 0) lx.push_back(0.5);
    return agrees(&exp4_avx2, exp, ex) && agrees(&log4_avx2, log, lx);
#else
    return false;
#endif
}

const bool kernels = kernels_agree();

}  // namespace

#if defined(__x86_64__) && defined(__GNUC__)
const Function4 exp4 = kernels ? &exp4_avx2 : &one_by_one_exp;
const Function4 log4 = kernels ? &log4_avx2 : &one_by_one_log;
#else
const Function4 exp4 = &one_by_one_exp;
const Function4 log4 = &one_by_one_log;
#endif

bool side_by_side() { return kernels; }

}  // namespace elementary
