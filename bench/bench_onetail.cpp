// Microbenchmarks of the innermost work of a verification: one evaluation of
// F, one integral of F, one value of the one-sided G, and one complete
// one-sided limit (OneTail) for a few cases.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "Context.h"
#include "control.h"
#include "mainguts.h"
#include "params.h"

namespace {

const double kInvSqrtPi = 1.0 / std::sqrt(params::pi);

// A computation's context with FunctionTol 1e-8, its records kept aside.
struct Quiet {
    std::ostringstream records;
    Context ctx{records};
    Quiet() { ctx.control = ControlParms{800.0, 1e-8, 0.0, 200}; }
};

void BM_NewF(benchmark::State& state) {
    const double nu = 9.0, kappa = -0.45, L = std::lgamma(4.5);
    double x = -0.37;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(NewF(x, nu, kappa, kInvSqrtPi, L, 0.0, 1.0));
    }
}
BENCHMARK(BM_NewF);

void BM_NewFIntegrateAdap(benchmark::State& state) {
    Quiet q;
    const double nu = 9.0, kappa = -0.45, L = std::lgamma(4.5);
    const double tm = tmax(nu, kappa);
    const double P = NewF(tm, nu, kappa, kInvSqrtPi, L, 0.0, 1.0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(NewFIntegrateAdap(-1.0, tm, 0.0, nu, kappa, L, 0.0, P, q.ctx));
    }
}
BENCHMARK(BM_NewFIntegrateAdap);

void BM_NewGAdap(benchmark::State& state) {
    Quiet q;
    const double nu = static_cast<double>(state.range(0)), L = std::lgamma(nu / 2.0);
    int method = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(NewGAdap(0.6, nu, 1.0, 0.0, 0.0, 800.0, method, L, q.ctx));
    }
}
BENCHMARK(BM_NewGAdap)->Arg(9)->Arg(100)->Arg(1000);

// One limit as the one-sided coverage integrand computes it: kind 1,
// lambda 0.5, gamma^2 = df + 1, FunctionTol 1e-8, ResultTol 0.
void BM_OneTail(benchmark::State& state) {
    const double df = static_cast<double>(state.range(0));
    const double sd = static_cast<double>(state.range(1)) / 100.0;
    const double alpha = static_cast<double>(state.range(2)) / 1000.0;
    double H, limit, elapsed;
    int iterations = 0;
    Quiet q;
    for (auto _ : state) {
        OneTail(1, 0.0, sd, df, alpha, 0.5, df + 1.0, 800.0, 1e-8, 0.0, 200, H, limit, elapsed,
                iterations, 1e-8, 0.0, q.ctx);
        benchmark::DoNotOptimize(limit);
    }
    state.counters["iterations"] = iterations;
}
BENCHMARK(BM_OneTail)
    ->ArgNames({"df", "sd%", "alpha%o"})
    ->Args({2, 100, 50})
    ->Args({9, 100, 50})
    ->Args({9, 100, 950})
    ->Args({30, 50, 50})
    ->Args({100, 30, 950})
    ->Args({1000, 20, 50});

}  // namespace

BENCHMARK_MAIN();
