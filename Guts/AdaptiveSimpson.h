// The one adaptive Simpson scheme behind every integral of F and x*F and the
// two running-integral inversions. Each entry of the work stack describes the
// interval [xl, xl + 2h] with F at its ends and midpoint and its Simpson sum S;
// examining an entry costs two evaluations (the quarter points), and its halves
// inherit the three values already known. The tolerances are absolute and the
// same at every depth: accept when |S2| <= tol/1000 (a negligible piece of
// tail) or when |S2 - S| <= tol/100.
//
// Callers differ only in the integrand, the stack size, which half is examined
// next (the walk direction) and what they do with an acceptable interval; the
// last is a policy object whose operator() returns a Step. The plain integrals
// reach the walk's result by another route (see integrate), which lets the
// evaluations run side by side; with the speed layer off (speed.h) they take
// the walk itself.
//
// Bounds. The walk is depth-first, so the stack holds at most the depth plus
// one entries; but an integrand that yields non-numbers, or a tolerance of 0,
// would refine forever. Therefore a tolerance below min_tol (0, negative or
// not a number included) is raised to min_tol, and an interval is also accepted
//   - when its Simpson sum is not a number (refining cannot repair it, and the
//     result is a non-number whichever way it is reached);
//   - when the stack has no room for both halves;
//   - when the interval can no longer be halved in double precision (its new
//     quarter points would coincide with points already used);
//   - once max_examined intervals have been examined in this call, after which
//     the stack drains without further splitting.
// None of these changes anything for an integrand that converges to a
// tolerance of at least min_tol within these limits: the values and the
// evaluation counts are then those of the plain scheme.
#pragma once
#include <cmath>
#include <memory>

#include "speed.h"

namespace simpson {

// The smallest tolerance the integrals of F can meet in double precision
// (about 5000 intervals); at 0 the tests would pass only on exact equality.
inline constexpr double min_tol = 1e-15;

// Ten times the intervals an integral of F examines at min_tol, and small
// enough that a degenerate call still returns within some 10 ms, with the
// remaining intervals accepted as they stand.
inline constexpr long max_examined = 50000;

inline double effective_tol(double tol) { return tol > min_tol ? tol : min_tol; }

// Which half of a refused interval is examined next.
enum class Walk {
    LeftToRight,  // right half pushed first, left half on top
    RightToLeft,  // left half pushed first, right half on top
};

// What a policy does with an acceptable interval.
enum class Step {
    Next,   // done with it; pop the next entry
    Split,  // refine it anyway (only honoured when `splittable`)
    Stop,   // the caller has its answer; end the walk
};

// An acceptable interval as a policy sees it.
struct Piece {
    double xl, h;        // the interval [xl, xl + 2h]
    double S;            // its Simpson sum as one panel
    double SL, SR, S2;   // the sums of its two halves and their total
    bool splittable;     // whether a Split would be honoured
};

struct Entry {
    double xl, h, fa, fm, fb, S;
};

// What the walk and the level-by-level tree below do alike, written once so
// that both reach the same bits.

// The whole of [a, b] as the first entry: F at a, at the midpoint and at b,
// in this order.
template <class Integrand>
inline Entry whole(double a, double b, const Integrand& f) {
    const double h = (b - a) * 0.5;
    const double fa = f(a);
    const double fm = f(a + h);
    const double fb = f(b);
    return Entry{a, h, fa, fm, fb, h * (fa + 4.0 * fm + fb) / 3.0};
}

// The quarter points of an entry, where examining it evaluates F.
inline double quarter1(const Entry& e) { return e.xl + e.h * 0.5; }
inline double quarter3(const Entry& e) { return e.xl + e.h * 3.0 * 0.5; }

// The two acceptance thresholds of a tolerance.
struct Thresholds {
    double tiny;   // |S2| at most this: a negligible piece of tail
    double close;  // |S2 - S| at most this: converged
    explicit Thresholds(double tol)
        : tiny(effective_tol(tol) / 1000.0), close(effective_tol(tol) / 100.0) {}
};

// An entry examined: the Simpson sums of its halves from F at its quarter
// points f1 and f2, and whether the scheme refuses the entry as it stands.
struct Examined {
    double SL, SR, S2;
    bool refused;
};
inline Examined examine(const Entry& e, double f1, double f2, const Thresholds& t) {
    const double SL = (e.fa + 4.0 * f1 + e.fm) * e.h / 6.0;
    const double SR = (e.fm + 4.0 * f2 + e.fb) * e.h / 6.0;
    const double S2 = SL + SR;
    // Written as "not refused" so that a non-number is acceptable.
    return Examined{SL, SR, S2, std::fabs(S2) > t.tiny && std::fabs(S2 - e.S) > t.close};
}

// The halves of a refused entry, with the values already known.
inline Entry left_half(const Entry& e, double f1, const Examined& x) {
    return Entry{e.xl, e.h / 2.0, e.fa, f1, e.fm, x.SL};
}
inline Entry right_half(const Entry& e, double f2, const Examined& x) {
    return Entry{e.xl + e.h, e.h / 2.0, e.fm, f2, e.fb, x.SR};
}

// The Richardson-extrapolated value of an accepted entry.
inline double extrapolated(double S2, double S) { return (16.0 * S2 - S) / 15.0; }

// The most points evaluated side by side: enough independent evaluations
// to keep the processor busy while each waits on its log and exp.
inline constexpr int batch = 16;

// f at n <= batch points. An integrand that evaluates several points side by
// side says so with a member `many`.
template <class Integrand>
inline void evaluate(const Integrand& f, const double* x, double* y, int n) {
    if constexpr (requires { f.many(x, y, n); }) {
        f.many(x, y, n);
    } else {
        for (int j = 0; j < n; ++j) y[j] = f(x[j]);
    }
}

// Quarter points must differ from the points already used on both halves
// (h is negative when the interval is given from right to left).
inline bool can_halve(double xl, double h) {
    const double q = h * 0.5 * 0.5;
    return xl + q != xl && (xl + h) + q != xl + h;
}

// Runs the scheme on [a, b]. Returns true when the policy stopped the walk,
// false when the stack emptied.
template <int Capacity, Walk walk, class Integrand, class Policy>
inline bool run(double a, double b, const Integrand& f, double tol, Policy& accept) {
    Entry stack[Capacity];
    int top = 0;
    const Thresholds thresholds(tol);
    stack[top++] = whole(a, b, f);

    long examined = 0;
    while (top > 0) {
        const Entry e = stack[--top];
        ++examined;
        const double f1 = f(quarter1(e));
        const double f2 = f(quarter3(e));
        const Examined x = examine(e, f1, f2, thresholds);
        const bool splittable =
            top + 2 <= Capacity && examined < max_examined && can_halve(e.xl, e.h);

        if (!x.refused || !splittable) {
            const Step step = accept(Piece{e.xl, e.h, e.S, x.SL, x.SR, x.S2, splittable});
            if (step == Step::Stop) return true;
            if (step == Step::Next || !splittable) continue;
        }

        const Entry left = left_half(e, f1, x);
        const Entry right = right_half(e, f2, x);
        if constexpr (walk == Walk::LeftToRight) {
            stack[top++] = right;
            stack[top++] = left;
        } else {
            stack[top++] = left;
            stack[top++] = right;
        }
    }
    return false;
}

// Policy of the plain integrals: add the Richardson-extrapolated value.
struct Accumulate {
    double result = 0.0;
    Step operator()(const Piece& p) {
        result += extrapolated(p.S2, p.S);
        return Step::Next;
    }
};

// The integral of f over [a, b] by the walk, one interval at a time.
template <int Capacity, class Integrand>
inline double walk_integral(double a, double b, const Integrand& f, double tol) {
    Accumulate sum;
    run<Capacity, Walk::LeftToRight>(a, b, f, tol, sum);
    return sum.result;
}

// The integral of f over [a, b], by the walk above with the Accumulate
// policy. It is computed in two passes that give the walk's value bit for bit
// and make the same evaluations:
//   1. The tree of intervals the walk examines is built level by level. Each
//      refusal depends only on the interval itself, on the number of left
//      halves on its path (the entries the walk holds on its stack when it
//      examines it, which bounds the stack) and on the count of intervals
//      examined so far, which cannot reach max_examined in a tree smaller
//      than it. So every interval of a level is decided as the walk would,
//      and all the evaluations of a level are independent of each other: they
//      are made side by side, instead of one interval's waiting on the
//      decision about the one before.
//   2. The accepted intervals are then added in the walk's order.
// A tree larger than the buffer (near the tolerance floor, or for an integrand
// that hardly converges) is left to the walk itself, which starts again.
namespace tree {

struct Node {
    Entry e;
    double f1, f2;   // F at the quarter points
    double value;    // the extrapolated value of an accepted interval
    int lefts;       // left halves on the path from the root
    int child;       // index of the left half (the right one follows), or -1
};

// Some eight times the intervals an integral of F examines at FunctionTol
// 1e-12 (about 1,900), three times those at the tolerance floor.
inline constexpr int max_nodes = 1 << 14;
static_assert(max_nodes < max_examined, "a full tree must not reach the walk's cap");

}  // namespace tree

// The buffer of the level-by-level integrals, one per computation that may run
// beside others (it lives in the computation's context). One buffer serves
// every integral of that computation because no integrand of F or x*F
// computes an integral itself: the tree of one integral is finished and
// summed before the next is begun. Should an integrand ever integrate, the
// inner integral finds the buffer taken and takes the walk, which has its own
// stack. Allocated once, so that no integral allocates.
struct Workspace {
    Workspace() : nodes(new tree::Node[tree::max_nodes]) {}
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    std::unique_ptr<tree::Node[]> nodes;
    bool taken = false;  // an integral is being built in it
};

namespace tree {

// Holds the buffer for one integral.
class Hold {
public:
    explicit Hold(Workspace& w) : w_(w) { w_.taken = true; }
    ~Hold() { w_.taken = false; }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    Workspace& w_;
};

}  // namespace tree

template <int Capacity, class Integrand>
inline double integrate(double a, double b, const Integrand& f, double tol, Workspace& w) {
    if (!speed::enabled() || w.taken) return walk_integral<Capacity>(a, b, f, tol);
    const tree::Hold hold(w);
    tree::Node* const node = w.nodes.get();
    const Thresholds thresholds(tol);
    node[0] = tree::Node{whole(a, b, f), 0.0, 0.0, 0.0, 0, -1};

    int begin = 0;
    int end = 1;
    while (begin < end) {
        // The quarter points of the whole level, batch/2 intervals at a time.
        for (int i = begin; i < end; i += batch / 2) {
            const int count = end - i >= batch / 2 ? batch / 2 : end - i;
            double x[batch];
            double y[batch];
            for (int j = 0; j < count; ++j) {
                const Entry& e = node[i + j].e;
                x[2 * j] = quarter1(e);
                x[2 * j + 1] = quarter3(e);
            }
            evaluate(f, x, y, 2 * count);
            for (int j = 0; j < count; ++j) {
                node[i + j].f1 = y[2 * j];
                node[i + j].f2 = y[2 * j + 1];
            }
        }
        // The walk's decisions.
        int next = end;
        for (int i = begin; i < end; ++i) {
            tree::Node& n = node[i];
            const Examined x = examine(n.e, n.f1, n.f2, thresholds);
            const bool splittable = n.lefts + 2 <= Capacity && can_halve(n.e.xl, n.e.h);
            if (!x.refused || !splittable) {
                n.value = extrapolated(x.S2, n.e.S);
                n.child = -1;
                continue;
            }
            if (next + 2 > tree::max_nodes) return walk_integral<Capacity>(a, b, f, tol);
            n.child = next;
            node[next++] = tree::Node{left_half(n.e, n.f1, x), 0.0, 0.0, 0.0, n.lefts + 1, -1};
            node[next++] = tree::Node{right_half(n.e, n.f2, x), 0.0, 0.0, 0.0, n.lefts, -1};
        }
        begin = end;
        end = next;
    }

    // The accepted intervals in the walk's order: left halves first. The
    // pending right halves are at most the left halves on the current path.
    int pending[Capacity + 1];
    int top = 0;
    pending[top++] = 0;
    double result = 0.0;
    while (top > 0) {
        const tree::Node& n = node[pending[--top]];
        if (n.child < 0) {
            result += n.value;
        } else {
            pending[top++] = n.child + 1;
            pending[top++] = n.child;
        }
    }
    return result;
}

// Policy of the inversions: accumulate the integral from the starting end
// until `amount` is reached; the interval in which it is crossed is refined
// down to a half-width of tol/10, added whole, and the crossing point is then
// placed by a linear step back from the near end of the following interval.
template <Walk walk>
struct Crossing {
    double amount;
    double tol;
    double Q = 0.0;  // integral accumulated so far
    double x = 0.0;  // the crossing point, once found

    Step operator()(const Piece& p) {
        if (amount < Q + p.S2 && p.h > tol / 10.0 && p.splittable) return Step::Split;
        if (amount > Q) {
            Q += extrapolated(p.S2, p.S);
            return Step::Next;
        }
        if constexpr (walk == Walk::LeftToRight) {
            x = p.xl + (amount - Q) * p.h / p.SL;
        } else {
            x = (p.xl + 2.0 * p.h) + (Q - amount) * p.h / p.SR;
        }
        return Step::Stop;
    }
};

// The point x in [a, b] at which the integral of f from the starting end
// (a for LeftToRight, b for RightToLeft) reaches `amount`; `error` is set to 1
// when the whole interval holds less.
template <int Capacity, Walk walk, class Integrand>
inline double invert(double a, double b, double amount, const Integrand& f, double tol,
                     int& error) {
    Crossing<walk> crossing{amount, effective_tol(tol)};
    if (!run<Capacity, walk>(a, b, f, tol, crossing)) {
        error = 1;
        return crossing.x;
    }
    return crossing.x;
}

}  // namespace simpson
