// Inverse finder for a monotone function by reverse communication: from a start
// value it steps outward with a growing step until the target is bracketed,
// then hands the bracket to the zero finder zror. invr never calls F; it
// returns status 1 with the point it needs and is called again with F(x) - y.
#include <algorithm>
#include <cmath>

#include "Chinorm95.h"

void stinvr(double small, double big, double absstp, double relstp, double stpmul,
            double abstol, double reltol, FinderState& state) {
    InvrState& v = state.invr;
    v.small = small;
    v.big = big;
    v.absstp = absstp;
    v.relstp = relstp;
    v.stpmul = stpmul;
    v.abstol = abstol;
    v.reltol = reltol;
}

void invr(int& status, double& x, double fx, int& qleft, int& qhi, FinderState& state) {
    InvrState& v = state.invr;
    auto ask = [&](double at_x, InvrAt resume) {
        x = at_x;
        v.at = resume;
        status = 1;
    };
    auto fail = [&](bool left, bool hi) {
        qleft = left;
        qhi = hi;
        v.at = InvrAt::Idle;
        status = -1;
    };
    // The bracket [xlb, xub] holds the target: hand it to zror and forward its first request.
    auto start_zero_phase = [&]() {
        stzror(v.xlb, v.xub, v.abstol, v.reltol, state.zror);
        status = 0;
        zror(status, x, fx, v.xlo, v.xhi, v.qdum1, v.qdum2, state.zror);
        v.at = InvrAt::ZeroPhase;  // zror's first call always asks
    };

    // A call with status <= 0, or with no search in progress, starts a new search.
    if (status <= 0 || v.at == InvrAt::Idle) {
        // Not an error of the search, which goes on; the caller says so.
        v.start_outside = !(v.small <= x && x <= v.big);
        v.xsave = x;
        ask(v.small, InvrAt::AtSmall);
        return;
    }

    switch (v.at) {
        case InvrAt::AtSmall:
            v.fsmall = fx;
            ask(v.big, InvrAt::AtBig);
            return;

        case InvrAt::AtBig:
            v.fbig = fx;
            v.qincr = v.fbig > v.fsmall;
            // The target must lie between F(small) and F(big); otherwise report the side.
            if (v.qincr) {
                if (v.fsmall > 0.0) return fail(true, true);
                if (v.fbig < 0.0) return fail(false, false);
            } else {
                if (v.fsmall < 0.0) return fail(true, false);
                if (v.fbig > 0.0) return fail(false, true);
            }
            v.step = std::max(v.absstp, v.relstp * std::fabs(v.xsave));
            ask(v.xsave, InvrAt::AtStart);
            return;

        case InvrAt::AtStart:
            v.yy = fx;
            if (v.yy == 0.0) {
                x = v.xsave;
                v.at = InvrAt::Idle;
                status = 0;
                return;
            }
            v.qup = (v.qincr && v.yy < 0.0) || (!v.qincr && v.yy > 0.0);
            if (v.qup) {
                v.xlb = v.xsave;
                v.xub = std::min(v.xlb + v.step, v.big);
                ask(v.xub, InvrAt::StepUp);
            } else {
                v.xub = v.xsave;
                v.xlb = std::max(v.xub - v.step, v.small);
                ask(v.xlb, InvrAt::StepDown);
            }
            return;

        case InvrAt::StepUp:
            v.yy = fx;
            v.qbdd = (v.qincr && v.yy >= 0.0) || (!v.qincr && v.yy <= 0.0);
            v.qlim = v.xub >= v.big;
            v.qcond = v.qbdd || v.qlim;
            if (!v.qcond) {
                v.step = v.stpmul * v.step;
                v.xlb = v.xub;
                v.xub = std::min(v.xlb + v.step, v.big);
                ask(v.xub, InvrAt::StepUp);
                return;
            }
            if (v.qlim && !v.qbdd) {
                x = v.big;
                return fail(false, !v.qincr);
            }
            start_zero_phase();
            return;

        case InvrAt::StepDown:
            v.yy = fx;
            v.qbdd = (v.qincr && v.yy <= 0.0) || (!v.qincr && v.yy >= 0.0);
            v.qlim = v.xlb <= v.small;
            v.qcond = v.qbdd || v.qlim;
            if (!v.qcond) {
                v.step = v.stpmul * v.step;
                v.xub = v.xlb;
                v.xlb = std::max(v.xub - v.step, v.small);
                ask(v.xlb, InvrAt::StepDown);
                return;
            }
            if (v.qlim && !v.qbdd) {
                x = v.small;
                return fail(true, v.qincr);
            }
            start_zero_phase();
            return;

        case InvrAt::ZeroPhase:
            zror(status, x, fx, v.xlo, v.xhi, v.qdum1, v.qdum2, state.zror);
            if (status == 1) return;
            // zror is done (also when it found no sign change in its last bracket).
            x = v.xlo;
            v.at = InvrAt::Idle;
            status = 0;
            return;

        case InvrAt::Idle:
            return;  // handled above
    }
}
