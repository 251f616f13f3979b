#include "CaseRunner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <thread>

#include "Context.h"
#include "LimitCommand.h"

namespace {

// A case's place in the order of output.
struct Slot {
    std::string held;      // its records written while an earlier case was unfinished
    bool live = false;     // its records go straight to the output
    bool done = false;     // computed (or nothing to compute)
    CaseResult result;
};

// The state the workers and the output share, under one lock.
struct Shared {
    std::mutex lock;
    const std::vector<CaseWork>& work;
    std::vector<Slot> slots;
    std::vector<std::size_t> order;  // the order cases are handed out in
    std::size_t next = 0;            // in `order`
    std::size_t head = 0;            // the earliest case not yet wholly written
    bool head_begun = false;         // its `before` has been written
    std::atomic<bool> stop{false};
    std::ostream& out;
    CaseViews& views;

    Shared(const std::vector<CaseWork>& w, std::ostream& o, CaseViews& v)
        : work(w), slots(w.size()), out(o), views(v) {}

    // Writes whatever can be written now, in the order of the cases. Called
    // with the lock held.
    void advance() {
        while (!stop && head < slots.size()) {
            Slot& s = slots[head];
            if (!head_begun) {
                if (!views.before(head)) {
                    stop = true;
                    return;
                }
                head_begun = true;
                if (!s.held.empty()) {
                    out.write(s.held.data(), static_cast<std::streamsize>(s.held.size()));
                    out.flush();
                    std::string().swap(s.held);
                }
                s.live = true;
            }
            if (!s.done) return;
            const bool computed = work[head].compute;
            if (!views.after(head, computed ? &s.result : nullptr)) {
                stop = true;
                return;
            }
            s.result = CaseResult{};
            ++head;
            head_begun = false;
        }
    }
};

// The records of the case a worker computes: held while an earlier case is
// unfinished, written through once it is the earliest.
class OrderedRecords : public std::streambuf {
public:
    explicit OrderedRecords(Shared& shared) : shared_(shared) {}
    void start(std::size_t i) { case_ = i; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        put(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        put(s, n);
        return n;
    }
    int sync() override {
        const std::lock_guard<std::mutex> g(shared_.lock);
        if (shared_.slots[case_].live) shared_.out.flush();
        return 0;
    }

private:
    void put(const char* s, std::streamsize n) {
        const std::lock_guard<std::mutex> g(shared_.lock);
        Slot& slot = shared_.slots[case_];
        if (slot.live) {
            shared_.out.write(s, n);
        } else {
            slot.held.append(s, static_cast<std::size_t>(n));
        }
    }

    Shared& shared_;
    std::size_t case_ = 0;
};

void worker(Shared& shared, const LimitsSource& limits, ClockSource clock) {
    OrderedRecords buffer(shared);
    std::ostream records(&buffer);
    Context ctx(records);
    ctx.stop = &shared.stop;
    ctx.clock = clock;
    std::unique_ptr<limitcmd::Connection> command;
    if (limits.asked()) {
        command = std::make_unique<limitcmd::Connection>(limits.command, limits.timeout);
        ctx.command = command.get();
    }
    for (;;) {
        std::size_t i = 0;
        {
            const std::lock_guard<std::mutex> g(shared.lock);
            if (shared.stop || shared.next >= shared.order.size()) return;
            i = shared.order[shared.next++];
        }
        buffer.start(i);
        CaseResult r = run_case(shared.work[i].c, ctx);
        records.flush();
        const std::lock_guard<std::mutex> g(shared.lock);
        shared.slots[i].result = std::move(r);
        shared.slots[i].done = true;
        shared.advance();
    }
}

// Costlier cases first, so that a long one is not the last to start; the
// order of the run otherwise.
int cost_class(const CaseWork& w) { return w.compute ? w.c.sides : 0; }

}  // namespace

int workers_for(int jobs) {
    if (jobs > 0) return jobs;
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

bool run_in_order(const std::vector<CaseWork>& work, int jobs, const LimitsSource& limits,
                  std::ostream& records, CaseViews& views, ClockSource clock) {
    const int n = workers_for(jobs);
    if (n <= 1) {
        Context ctx(records);
        ctx.clock = clock;
        std::unique_ptr<limitcmd::Connection> command;
        if (limits.asked()) {
            command = std::make_unique<limitcmd::Connection>(limits.command, limits.timeout);
            ctx.command = command.get();
        }
        for (std::size_t i = 0; i < work.size(); ++i) {
            if (!views.before(i)) return false;
            if (!work[i].compute) {
                if (!views.after(i, nullptr)) return false;
                continue;
            }
            const CaseResult r = run_case(work[i].c, ctx);
            if (!views.after(i, &r)) return false;
        }
        return true;
    }

    Shared shared(work, records, views);
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (work[i].compute) {
            shared.order.push_back(i);
        } else {
            shared.slots[i].done = true;
        }
    }
    std::stable_sort(shared.order.begin(), shared.order.end(), [&](std::size_t a, std::size_t b) {
        return cost_class(work[a]) > cost_class(work[b]);
    });
    {
        const std::lock_guard<std::mutex> g(shared.lock);
        shared.advance();
    }
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(n), shared.order.size());
    std::vector<std::thread> threads;
    threads.reserve(wanted);
    for (std::size_t k = 0; k < wanted; ++k) threads.emplace_back(worker, std::ref(shared), std::cref(limits), clock);
    for (std::thread& t : threads) t.join();
    const std::lock_guard<std::mutex> g(shared.lock);
    shared.advance();
    return !shared.stop && shared.head == work.size();
}
