// Cases share nothing: the same case gives the same bits whatever was
// computed before it in the same context, and whatever runs beside it in
// another; and the runner of --jobs writes what one case at a time writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Case.h"
#include "CaseRunner.h"
#include "CaseTables.h"
#include "Context.h"
#include "test_support.h"

namespace {

struct Outcome {
    CaseResult r;
    std::string records;
};

bool same(const Outcome& a, const Outcome& b) {
    return ts::bits(a.r.integral) == ts::bits(b.r.integral) &&
           ts::bits(a.r.lower) == ts::bits(b.r.lower) &&
           ts::bits(a.r.upper) == ts::bits(b.r.upper) && a.r.neval == b.r.neval &&
           ts::bits(a.r.abserr) == ts::bits(b.r.abserr) && a.r.ier == b.r.ier &&
           a.records == b.records;
}

// Cases of the fixed tables at tolerances that keep the test short: every
// level and df at one sigma one-sided, and a few two-sided cases whose limits
// write records (df 2 at small alpha) or cross (df 100, sigma 10, alpha 0.001).
std::vector<Case> table_cases() {
    std::vector<Case> out;
    for (double alpha : cases::levels)
        for (double df : cases::dfs)
            out.push_back(Case{.sides = 1, .df = df, .sigma = 1.0, .alpha = alpha,
                               .AdapQuadTol = 1e-4, .FunctionTol = 1e-7, .ResultTol = 0});
    for (double sigma : cases::sigmas)
        out.push_back(Case{.sides = 2, .df = 2, .sigma = sigma, .alpha = 0.01,
                           .AdapQuadTol = 1e-3, .FunctionTol = 1e-6, .ResultTol = 0});
    out.push_back(Case{.sides = 2, .df = 100, .sigma = 10, .alpha = 0.001, .AdapQuadTol = 1e-3,
                       .FunctionTol = 1e-6, .ResultTol = 0});
    out.push_back(Case{.sides = 1, .df = 10, .sigma = 1, .alpha = 0.9, .AdapQuadTol = 0,
                       .FunctionTol = 1e-8, .ResultTol = 0});
    return out;
}

Outcome run_in(Context& ctx, std::ostringstream& records, const Case& c) {
    records.str("");
    Outcome o{run_case(c, ctx), ""};
    o.records = records.str();
    return o;
}

}  // namespace

// One context over the cases in their order, and again shuffled: each case
// the same, bit for bit and record for record.
TEST(Concurrency, ShuffledOrderGivesTheSameBits) {
    const std::vector<Case> list = table_cases();
    std::ostringstream records;
    Context ctx(records);
    std::vector<Outcome> in_order;
    for (const Case& c : list) in_order.push_back(run_in(ctx, records, c));
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(20261209));
    std::ostringstream again_records;
    Context again(again_records);
    // The context left as a two-sided case with crossed limits leaves it.
    run_in(again, again_records, list[list.size() - 2]);
    for (std::size_t i : order)
        EXPECT_TRUE(same(run_in(again, again_records, list[i]), in_order[i])) << i;
    EXPECT_NE(in_order[list.size() - 3].records, "");  // the records were compared too
}

// Two cases at the same time, each in its own context, on threads: the
// same bits as each alone. Run under ThreadSanitizer by `make test-tsan`.
TEST(Concurrency, CasesAtTheSameTimeGiveTheSameBits) {
    const Case a{.sides = 2, .df = 2, .sigma = 0.1, .alpha = 0.01, .AdapQuadTol = 1e-3,
                 .FunctionTol = 1e-6, .ResultTol = 0};
    const Case b{.sides = 1, .df = 10, .sigma = 1, .alpha = 0.95, .AdapQuadTol = 1e-5,
                 .FunctionTol = 1e-8, .ResultTol = 0};
    Outcome alone[2], together[2];
    {
        std::ostringstream r0, r1;
        Context c0(r0), c1(r1);
        alone[0] = run_in(c0, r0, a);
        alone[1] = run_in(c1, r1, b);
    }
    std::ostringstream r0, r1;
    Context c0(r0), c1(r1);
    std::thread t0([&] { together[0] = run_in(c0, r0, a); });
    std::thread t1([&] { together[1] = run_in(c1, r1, b); });
    t0.join();
    t1.join();
    EXPECT_TRUE(same(alone[0], together[0]));
    EXPECT_TRUE(same(alone[1], together[1]));
    EXPECT_NE(alone[0].records, "");
}

namespace {

// Views that write what a run writes around each case into one string.
class Written : public CaseViews {
public:
    explicit Written(std::ostream& out) : out_(out) {}
    bool before(std::size_t i) override {
        out_ << "before " << i << "\n";
        return true;
    }
    bool after(std::size_t i, const CaseResult* r) override {
        out_ << "after " << i << " "
             << (r ? std::to_string(r->neval) + " " + std::to_string(ts::bits(r->integral))
                   : std::string("none"))
             << "\n";
        return i != stop_at;
    }
    std::size_t stop_at = static_cast<std::size_t>(-1);

private:
    std::ostream& out_;
};

std::string run_all(const std::vector<CaseWork>& work, int jobs, std::size_t stop_at = -1,
                    bool* finished = nullptr) {
    std::ostringstream out;
    Written views(out);
    views.stop_at = stop_at;
    const bool done = run_in_order(work, jobs, LimitsSource{}, out, views);
    if (finished) *finished = done;
    return out.str();
}

}  // namespace

// The runner of --jobs: what it writes around the cases and the records
// between them are those of one case at a time, for any number of workers;
// a view that fails stops the run.
TEST(Concurrency, RunnerWritesWhatOneCaseAtATimeWrites) {
    std::vector<CaseWork> work;
    for (const Case& c : table_cases()) work.push_back({c, true});
    work[3].compute = false;  // a refused row: only its views
    work[7].compute = false;
    const std::string serial = run_all(work, 1);
    EXPECT_NE(serial.find("after 3 none"), std::string::npos);
    for (int jobs : {2, 3}) EXPECT_EQ(run_all(work, jobs), serial) << jobs;

    bool finished = true;
    const std::string stopped = run_all(work, 2, 5, &finished);
    EXPECT_FALSE(finished);
    EXPECT_EQ(stopped.substr(0, stopped.find("after 5")), serial.substr(0, serial.find("after 5")));
    EXPECT_EQ(stopped.find("before 6"), std::string::npos);
    EXPECT_EQ(workers_for(0) >= 1, true);
    EXPECT_EQ(workers_for(5), 5);
}

// A record of the earliest unfinished case reaches the output as it is
// written, whatever the number of workers: a run stopped in the middle of a
// case shows every record written before the stop.
TEST(Concurrency, TheEarliestCasesRecordsArePushedAsTheyAreWritten) {
    struct Pushes : std::stringbuf {
        std::vector<std::string> seen;
        int sync() override {
            seen.push_back(str());
            return 0;
        }
    };
    // df 2 at alpha 0.001 writes the searches' notes as it goes.
    const Case noted{.sides = 2, .df = 2, .sigma = 0.1, .alpha = 0.001, .AdapQuadTol = 1e-3,
                     .FunctionTol = 1e-6, .ResultTol = 0};
    const std::vector<CaseWork> work{{noted, true}};
    for (int jobs : {1, 2}) {
        Pushes buf;
        std::ostream out(&buf);
        std::ostringstream around;
        Written views(around);
        ASSERT_TRUE(run_in_order(work, jobs, LimitsSource{}, out, views));
        std::size_t notes = 0, pushed = 0;
        for (std::size_t at = buf.str().find("Upward walk"); at != std::string::npos;
             at = buf.str().find("Upward walk", at + 1))
            ++notes;
        // Each note ends some push: the output stood whole up to it.
        std::size_t last_size = 0;
        for (const std::string& s : buf.seen) {
            if (s.size() == last_size || s.back() != '\n') continue;
            last_size = s.size();
            const std::size_t line = s.rfind('\n', s.size() - 2);
            if (s.find("Upward walk", line == std::string::npos ? 0 : line) != std::string::npos)
                ++pushed;
        }
        EXPECT_GT(notes, 3u) << jobs;
        EXPECT_EQ(pushed, notes) << jobs;
    }
}
