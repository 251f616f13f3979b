// Requests per second of tolvane-limits: checked answers (requests without
// tolerances) against plain ones (the same requests with FunctionTol 1e-8 and
// ResultTol 0), one- and two-sided, each over one fixed random set. A checked
// answer should cost at most three plain ones.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ostream>
#include <random>
#include <streambuf>
#include <vector>

#include "Context.h"
#include "LimitProtocol.h"

namespace {

using limitproto::Answer;
using limitproto::Request;

// The random set: df 2 to 1000 (log-uniform), s 0.05 to 20 (log-uniform),
// alpha from the usual tails 40 % of the time, else uniform in [0.001, 0.999].
std::vector<Request> random_set(int kind, int count) {
    std::mt19937_64 rng(4711 + kind);
    std::uniform_real_distribution<double> U(0.0, 1.0);
    const double tails[] = {0.001, 0.01, 0.025, 0.05, 0.95, 0.975, 0.99, 0.999};
    std::vector<Request> set;
    for (int i = 0; i < count; ++i) {
        Request r;
        r.kind = kind;
        r.df = std::round(std::exp(std::log(2.0) + U(rng) * std::log(500.0)));
        r.s = std::exp(std::log(0.05) + U(rng) * std::log(400.0));
        r.alpha = U(rng) < 0.4 ? tails[static_cast<int>(U(rng) * 8.0)] : 0.001 + 0.998 * U(rng);
        r.lambda = 0.5;
        r.gamma2 = r.df + 1.0;
        r.ybar = 0.0;
        set.push_back(r);
    }
    return set;
}

// The limit code's diagnostics are not what is timed.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

void run(benchmark::State& state, int kind, bool checked) {
    static NullBuffer nothing;
    static std::ostream null_stream(&nothing);
    Context ctx(null_stream);
    std::vector<Request> set = random_set(kind, kind == 1 ? 60 : 30);
    for (Request& r : set) {
        r.has_tols = !checked;
        r.FunctionTol = 1e-8;
        r.ResultTol = 0.0;
    }
    long answered = 0;
    for (auto _ : state) {
        for (const Request& r : set) {
            Answer a;
            answered += limitproto::answer_request(r, 1e-8, 0.0, a, ctx).empty();
            benchmark::DoNotOptimize(a);
        }
    }
    state.SetItemsProcessed(static_cast<long>(state.iterations()) * static_cast<long>(set.size()));
    state.counters["answered"] = static_cast<double>(answered) / static_cast<double>(state.iterations());
}

void BM_OneSidedPlain(benchmark::State& state) { run(state, 1, false); }
void BM_OneSidedChecked(benchmark::State& state) { run(state, 1, true); }
void BM_TwoSidedPlain(benchmark::State& state) { run(state, 2, false); }
void BM_TwoSidedChecked(benchmark::State& state) { run(state, 2, true); }
BENCHMARK(BM_OneSidedPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneSidedChecked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoSidedPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoSidedChecked)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
