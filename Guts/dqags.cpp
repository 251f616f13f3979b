// QUADPACK's QAGS (Piessens, de Doncker-Kapenga, Ueberhuber, Kahaner, 1983): globally
// adaptive bisection with the 21-point Gauss-Kronrod rule, the subintervals kept in
// order of their error estimates, and Wynn's epsilon algorithm extrapolating the
// sequence of sums whenever the smallest subintervals carry the largest errors.
//
// Every test, constant and order of operations is QUADPACK's, so that results,
// error codes and evaluation counts are the library's own bit for bit; what is
// the program's is only around it: the function with its parameters, and the
// "ier,lvl: " record in place of the library's error handler.
#include "dqags.h"

#include <cmath>

#include "Chinorm95.h"
#include "records.h"

namespace {

// QUADPACK's MAX and MIN. Fortran leaves their value for a NaN argument to the
// compiler, and builds of the library differ; here a NaN in gives a NaN out, so
// that an estimate spoiled by NaN or infinite values of the integrand fails every
// tolerance test instead of passing one by chance.
double larger(double x, double y) {
    if (std::isnan(x) || std::isnan(y)) return x + y;
    return x < y ? y : x;
}
double smaller(double x, double y) {
    if (std::isnan(x) || std::isnan(y)) return x + y;
    return y < x ? y : x;
}

// ---- the 21-point Gauss-Kronrod rule ----

// Abscissae on (-1, 1), positive half, descending: the odd positions (0, 2, ..., 8)
// are the points Kronrod added, the even ones (1, 3, ..., 9) the 10-point Gauss
// rule's, and the last the centre. Values of L. W. Fullerton (80-digit arithmetic,
// 1981) as QUADPACK publishes them.
constexpr double xgk[11] = {
    0.995657163025808080735527280689003, 0.973906528517171720077964012084452,
    0.930157491355708226001207180059508, 0.865063366688984510732096688423493,
    0.780817726586416897063717578345042, 0.679409568299024406234327365114874,
    0.562757134668604683339000099272694, 0.433395394129247190799265943165784,
    0.294392862701460198131126603103866, 0.148874338981631210884826001129720,
    0.0,
};

// Weights of the 21-point Kronrod rule, paired with xgk.
constexpr double wgk[11] = {
    0.011694638867371874278064396062192, 0.032558162307964727478818972459390,
    0.054755896574351996031381300244580, 0.075039674810919952767043140916190,
    0.093125454583697605535065465083366, 0.109387158802297641899210590325805,
    0.123491976262065851077958109831074, 0.134709217311473325928054001771707,
    0.142775938577060080797094273138717, 0.147739104901338491374841515972068,
    0.149445554002916905664936468389821,
};

// Weights of the 10-point Gauss rule, paired with xgk[1], xgk[3], ..., xgk[9].
constexpr double wg[5] = {
    0.066671344308688137593568809893332, 0.149451349150580593145776339657697,
    0.219086362515982043995534934228163, 0.269266719309996355091226921569469,
    0.295524224714752870173892994651338,
};

// One integration: the integrand, and the machine constants.
struct Call {
    DqagsFunction f;
    double epmach;  // largest relative spacing
    double uflow;   // smallest positive normalised magnitude
    double oflow;   // largest finite magnitude

    double operator()(double x) const { return f(x); }
};

struct Rule {
    double result;  // the Kronrod value of the integral
    double abserr;  // its error estimate
    double resabs;  // the integral of |f|
    double resasc;  // the integral of |f - mean of f|
};

Rule gauss_kronrod21(const Call& f, double a, double b) {
    const double centr = 0.5 * (a + b);
    const double hlgth = 0.5 * (b - a);
    const double dhlgth = std::fabs(hlgth);

    // The values at the Gauss points first, then at the Kronrod points, each pair
    // left of the centre before right of it: the library's order of evaluation.
    double fv1[10];
    double fv2[10];
    double resg = 0.0;
    const double fc = f(centr);
    double resk = wgk[10] * fc;
    double resabs = std::fabs(resk);
    // The pair of points at +-xgk[j] about the centre, added to the Kronrod sums;
    // returns their sum for the Gauss rule.
    auto pair = [&](int j) {
        const double absc = hlgth * xgk[j];
        const double fval1 = f(centr - absc);
        const double fval2 = f(centr + absc);
        fv1[j] = fval1;
        fv2[j] = fval2;
        const double fsum = fval1 + fval2;
        resk = resk + wgk[j] * fsum;
        resabs = resabs + wgk[j] * (std::fabs(fval1) + std::fabs(fval2));
        return fsum;
    };
    for (int j = 1; j < 10; j += 2) resg = resg + wg[j / 2] * pair(j);
    for (int j = 0; j < 10; j += 2) pair(j);
    const double reskh = resk * 0.5;
    double resasc = wgk[10] * std::fabs(fc - reskh);
    for (int j = 0; j < 10; ++j) {
        resasc = resasc + wgk[j] * (std::fabs(fv1[j] - reskh) + std::fabs(fv2[j] - reskh));
    }

    Rule r;
    r.result = resk * hlgth;
    r.resabs = resabs * dhlgth;
    r.resasc = resasc * dhlgth;
    // The Gauss-Kronrod difference overstates the error of a smooth integrand
    // badly; QUADPACK's empirical scaling brings it down, never below what
    // rounding in the sum of |f| allows.
    r.abserr = std::fabs((resk - resg) * hlgth);
    if (r.resasc != 0.0 && r.abserr != 0.0) {
        r.abserr = r.resasc * smaller(1.0, std::pow(200.0 * r.abserr / r.resasc, 1.5));
    }
    if (r.resabs > f.uflow / (50.0 * f.epmach)) {
        r.abserr = larger((f.epmach * 50.0) * r.resabs, r.abserr);
    }
    return r;
}

// ---- Wynn's epsilon algorithm ----

// At most this many elements are kept in the table's first column; when the
// table is full, its oldest diagonal is dropped.
constexpr int limexp = 50;

// The two lower diagonals of the epsilon table, numbered from the newest element.
// QUADPACK sizes it limexp + 2, which a call that converges on a full table
// leaves no room to grow past; here it has room for one element per subinterval
// (every bisection adds at most one), and a table past limexp is cut back at its
// next shift.
struct EpsilonTable {
    double e[DqagsMaxLimit + 3];
    int n = 0;         // elements in the table's first column; e[n - 1] is the newest
    int nres = 0;      // calls of extrapolate so far
    double res3la[3];  // the last three extrapolated values

    void append(double v) { e[n++] = v; }

    // Extends the table by the newest element e[n - 1] and yields the best
    // extrapolated value with its error estimate; may shorten the table.
    void extrapolate(double epmach, double oflow, double& result, double& abserr);
};

void EpsilonTable::extrapolate(double epmach, double oflow, double& result, double& abserr) {
    ++nres;
    abserr = oflow;
    result = e[n - 1];
    if (n >= 3) {
        bool converged = false;
        e[n + 1] = e[n - 1];
        const int newelm = (n - 1) / 2;
        e[n - 1] = oflow;
        const int num = n;
        int k1 = n - 1;  // place of the element the next step overwrites
        for (int i = 1; i <= newelm; ++i) {
            double res = e[k1 + 2];
            const double e0 = e[k1 - 2];
            const double e1 = e[k1 - 1];
            const double e2 = res;
            const double e1abs = std::fabs(e1);
            const double delta2 = e2 - e1;
            const double err2 = std::fabs(delta2);
            const double tol2 = larger(std::fabs(e2), e1abs) * epmach;
            const double delta3 = e1 - e0;
            const double err3 = std::fabs(delta3);
            const double tol3 = larger(e1abs, std::fabs(e0)) * epmach;
            if (!(err2 > tol2 || err3 > tol3)) {
                // e0, e1 and e2 agree to machine accuracy: the sequence has converged.
                result = res;
                abserr = err2 + err3;
                converged = true;
                break;
            }
            const double e3 = e[k1];
            e[k1] = e1;
            const double delta1 = e1 - e3;
            const double err1 = std::fabs(delta1);
            const double tol1 = larger(e1abs, std::fabs(e3)) * epmach;
            // Two neighbours too close to each other, or irregular behaviour of the
            // table: the part of the table beyond this diagonal is dropped.
            if (err1 <= tol1 || err2 <= tol2 || err3 <= tol3) {
                n = i + i - 1;
                break;
            }
            const double ss = 1.0 / delta1 + 1.0 / delta2 - 1.0 / delta3;
            const double epsinf = std::fabs(ss * e1);
            if (!(epsinf > 1e-4)) {
                n = i + i - 1;
                break;
            }
            res = e1 + 1.0 / ss;
            e[k1] = res;
            k1 -= 2;
            const double error = err2 + std::fabs(res - e2) + err3;
            if (!(error > abserr)) {
                abserr = error;
                result = res;
            }
        }
        if (!converged) {
            // Shift the table down by one diagonal, keeping at most limexp - 1 elements.
            if (n >= limexp) n = 2 * (limexp / 2) - 1;
            int ib = num % 2 == 0 ? 1 : 0;
            for (int i = 0; i <= newelm; ++i) {
                e[ib] = e[ib + 2];
                ib += 2;
            }
            if (num != n) {
                int indx = num - n;
                for (int i = 0; i < n; ++i) e[i] = e[indx++];
            }
            if (nres < 4) {
                res3la[nres - 1] = result;
                abserr = oflow;
            } else {
                // The error estimate compares the value with the last three.
                abserr = std::fabs(result - res3la[2]) + std::fabs(result - res3la[1]) +
                         std::fabs(result - res3la[0]);
                res3la[0] = res3la[1];
                res3la[1] = res3la[2];
                res3la[2] = result;
            }
        }
    }
    abserr = larger(abserr, 5.0 * epmach * std::fabs(result));
}

// ---- the list of subintervals ----

// The subintervals, and iord[0..] their indices in descending order of error
// estimate. Only as many places are kept in order as can still be bisected
// before the limit is reached.
struct Subintervals {
    double alist[DqagsMaxLimit];  // left ends
    double blist[DqagsMaxLimit];  // right ends
    double rlist[DqagsMaxLimit];  // integrals
    double elist[DqagsMaxLimit];  // error estimates
    int iord[DqagsMaxLimit];
};

// QUADPACK's dqpsrt: after the interval at maxerr was bisected into itself and the
// new interval last - 1, puts both in their places of the order (the larger error
// searched top-down from place nrmax, the smaller bottom-up), then sets maxerr
// and errmax to the interval at place nrmax.
void keep_ordered(Subintervals& s, int limit, int last, int& maxerr, double& errmax,
                  int& nrmax) {
    int* iord = s.iord;
    const double* elist = s.elist;
    if (last <= 2) {
        iord[0] = 0;
        iord[1] = 1;
    } else {
        const double errhigh = elist[maxerr];
        // Only when bisection raised the error may the interval belong above place nrmax.
        while (nrmax > 0) {
            const int isucc = iord[nrmax - 1];
            if (errhigh <= elist[isucc]) break;
            iord[nrmax] = isucc;
            --nrmax;
        }
        // The first jupbn places are kept in order: no more intervals than that can
        // still be bisected before the limit.
        const int jupbn = last > limit / 2 + 2 ? limit + 3 - last : last;
        const double errlow = elist[last - 1];
        const int jbnd = jupbn - 2;  // the last place searched, one above the bottom
        int i = nrmax + 1;
        for (; i <= jbnd; ++i) {
            const int isucc = iord[i];
            if (errhigh >= elist[isucc]) break;
            iord[i - 1] = isucc;
        }
        if (i > jbnd) {
            iord[jbnd] = maxerr;
            iord[jbnd + 1] = last - 1;
        } else {
            iord[i - 1] = maxerr;
            int k = jbnd;
            bool placed = false;
            for (int j = i; j <= jbnd; ++j) {
                const int isucc = iord[k];
                if (errlow < elist[isucc]) {
                    iord[k + 1] = last - 1;
                    placed = true;
                    break;
                }
                iord[k + 1] = isucc;
                --k;
            }
            if (!placed) iord[i] = last - 1;
        }
    }
    maxerr = iord[nrmax];
    errmax = elist[maxerr];
}

// ---- the driver ----

// QUADPACK's dqagse with the arrays of one call on the stack; limit is at most
// DqagsMaxLimit. Returns the evaluation count.
int qagse(const Call& f, double a, double b, double epsabs, double epsrel, int limit,
          double& result, double& abserr, int& ier, int& last) {
    const double epmach = f.epmach;
    ier = 0;
    last = 0;
    result = 0.0;
    abserr = 0.0;
    if (epsabs <= 0.0 && epsrel < larger(50.0 * epmach, 0.5e-28)) {
        ier = 6;
        return 0;
    }
    const double uflow = f.uflow;
    const double oflow = f.oflow;

    Subintervals s;
    double* alist = s.alist;
    double* blist = s.blist;
    double* rlist = s.rlist;
    double* elist = s.elist;
    const int* iord = s.iord;

    // The first approximation: one rule over the whole range.
    int ierro = 0;
    const Rule whole = gauss_kronrod21(f, a, b);
    result = whole.result;
    abserr = whole.abserr;
    const double defabs = whole.resabs;
    const double dres = std::fabs(result);
    double errbnd = larger(epsabs, epsrel * dres);
    last = 1;
    alist[0] = a;
    blist[0] = b;
    rlist[0] = result;
    elist[0] = abserr;
    s.iord[0] = 0;
    if (abserr <= 100.0 * epmach * defabs && abserr > errbnd) ier = 2;
    if (limit == 1) ier = 1;
    // An estimate equal to resasc is the rule's saturated bound, not a measured error.
    if (ier != 0 || (abserr <= errbnd && abserr != whole.resasc) || abserr == 0.0) {
        return 42 * last - 21;
    }

    EpsilonTable table;
    table.append(result);
    double errmax = abserr;
    int maxerr = 0;
    double area = result;
    double errsum = abserr;
    abserr = oflow;
    int nrmax = 0;  // place in iord of the interval to bisect next
    int ktmin = 0;
    bool extrap = false;  // bisecting only the smallest intervals, before extrapolating
    bool noext = false;   // extrapolation given up
    int iroff1 = 0;
    int iroff2 = 0;
    int iroff3 = 0;
    const int ksgn = dres >= (1.0 - 50.0 * epmach) * defabs ? 1 : -1;
    double small = 0.0;   // no longer than this counts as smallest; halved per level
    double erlarg = 0.0;  // error sum over the intervals longer than that
    double ertest = 0.0;
    double correc = 0.0;

    // How the bisection ends: summing the subintervals' integrals, or taking the
    // best of the extrapolated and the summed results after the final tests.
    enum class End { Sum, Tests } end = End::Tests;

    for (last = 2; last <= limit; ++last) {
        // Bisect the interval of the nrmax-th largest error.
        const double a1 = alist[maxerr];
        const double b1 = 0.5 * (alist[maxerr] + blist[maxerr]);
        const double a2 = b1;
        const double b2 = blist[maxerr];
        const double erlast = errmax;
        const Rule left = gauss_kronrod21(f, a1, b1);
        const Rule right = gauss_kronrod21(f, a2, b2);
        const double area1 = left.result;
        const double error1 = left.abserr;
        const double area2 = right.result;
        const double error2 = right.abserr;

        const double area12 = area1 + area2;
        const double erro12 = error1 + error2;
        errsum = errsum + erro12 - errmax;
        area = area + area12 - rlist[maxerr];
        // Round-off shows as a bisection that neither changes the integral nor
        // lowers the error, or (later on) one that raises the error.
        if (!(left.resasc == error1 || right.resasc == error2)) {
            if (!(std::fabs(rlist[maxerr] - area12) > 1e-5 * std::fabs(area12) ||
                  erro12 < 0.99 * errmax)) {
                if (extrap) {
                    ++iroff2;
                } else {
                    ++iroff1;
                }
            }
            if (last > 10 && erro12 > errmax) ++iroff3;
        }
        rlist[maxerr] = area1;
        rlist[last - 1] = area2;
        errbnd = larger(epsabs, epsrel * std::fabs(area));

        if (iroff1 + iroff2 >= 10 || iroff3 >= 20) ier = 2;
        if (iroff2 >= 5) ierro = 3;
        // Reaching the limit is reported even when this last bisection met the tolerance.
        if (last == limit) ier = 1;
        // Too short to bisect again: its ends agree to about 100 rounding units.
        if (larger(std::fabs(a1), std::fabs(b2)) <=
            (1.0 + 100.0 * epmach) * (std::fabs(a2) + 1000.0 * uflow)) {
            ier = 4;
        }

        // The half with the larger error keeps the bisected interval's place.
        if (!(error2 > error1)) {
            alist[last - 1] = a2;
            blist[maxerr] = b1;
            blist[last - 1] = b2;
            elist[maxerr] = error1;
            elist[last - 1] = error2;
        } else {
            alist[maxerr] = a2;
            alist[last - 1] = a1;
            blist[last - 1] = b1;
            rlist[maxerr] = area2;
            rlist[last - 1] = area1;
            elist[maxerr] = error2;
            elist[last - 1] = error1;
        }
        keep_ordered(s, limit, last, maxerr, errmax, nrmax);

        if (errsum <= errbnd) {
            end = End::Sum;
            break;
        }
        if (ier != 0) break;
        if (last == 2) {
            small = std::fabs(b - a) * 0.375;
            erlarg = errsum;
            ertest = errbnd;
            table.append(area);
            continue;
        }
        if (noext) continue;

        erlarg = erlarg - erlast;
        if (std::fabs(b1 - a1) > small) erlarg = erlarg + erro12;
        if (!extrap) {
            // Extrapolate only once the interval to bisect next is among the smallest.
            if (std::fabs(blist[maxerr] - alist[maxerr]) > small) continue;
            extrap = true;
            nrmax = 1;
        }
        if (!(ierro == 3 || erlarg <= ertest)) {
            // The larger intervals still hold too much of the error: bisect them
            // first, down the order, as far as the ordered places reach.
            const int jupbnd = last > 2 + limit / 2 ? limit + 3 - last : last;
            bool larger_left = false;
            for (int k = nrmax; k < jupbnd; ++k) {
                maxerr = iord[nrmax];
                errmax = elist[maxerr];
                if (std::fabs(blist[maxerr] - alist[maxerr]) > small) {
                    larger_left = true;
                    break;
                }
                ++nrmax;
            }
            if (larger_left) continue;
        }

        // Extrapolate the sequence of sums.
        table.append(area);
        double reseps = 0.0;
        double abseps = 0.0;
        table.extrapolate(epmach, oflow, reseps, abseps);
        ++ktmin;
        if (ktmin > 5 && abserr < 1e-3 * errsum) ier = 5;
        if (!(abseps >= abserr)) {
            ktmin = 0;
            abserr = abseps;
            result = reseps;
            correc = erlarg;
            ertest = larger(epsabs, epsrel * std::fabs(reseps));
            if (abserr <= ertest) break;
        }

        // Go on bisecting the smallest intervals, with the threshold halved.
        if (table.n == 1) noext = true;
        if (ier == 5) break;
        maxerr = iord[0];
        errmax = elist[maxerr];
        nrmax = 0;
        extrap = false;
        small = small * 0.5;
        erlarg = errsum;
    }

    // The final tests: which of the extrapolated and the summed results to keep,
    // and whether the integral looks divergent.
    bool divergence_test = false;
    if (end == End::Tests) {
        if (abserr == oflow) {
            end = End::Sum;
        } else if (ier + ierro == 0) {
            divergence_test = true;
        } else {
            if (ierro == 3) abserr = abserr + correc;
            if (ier == 0) ier = 3;
            if (result != 0.0 && area != 0.0) {
                if (abserr / std::fabs(result) > errsum / std::fabs(area)) {
                    end = End::Sum;
                } else {
                    divergence_test = true;
                }
            } else if (abserr > errsum) {
                end = End::Sum;
            } else if (area != 0.0) {
                divergence_test = true;
            }
        }
    }
    if (divergence_test) {
        if (!(ksgn == -1 && larger(std::fabs(result), std::fabs(area)) <= defabs * 0.01)) {
            if (0.01 > result / area || result / area > 100.0 || errsum > std::fabs(area)) {
                ier = 6;
            }
        }
    } else if (end == End::Sum) {
        result = 0.0;
        for (int k = 0; k < last; ++k) result = result + rlist[k];
        abserr = errsum;
    }
    // The internal codes 3..6 are reported one lower.
    if (ier > 2) ier = ier - 1;
    return 42 * last - 21;
}

}  // namespace

void dqags(const DqagsFunction& f, double a, double b, double epsabs, double epsrel,
           double& result, double& abserr, int& neval, int& ier, int limit, int lenw, int& last) {
    ier = 6;
    neval = 0;
    last = 0;
    result = 0.0;
    abserr = 0.0;
    if (limit >= 1 && limit <= DqagsMaxLimit && lenw >= 4 * limit) {
        const Call call{f, d1mach(4), d1mach(1), d1mach(2)};
        neval = qagse(call, a, b, epsabs, epsrel, limit, result, abserr, ier, last);
    }
}

std::string dqags_record(int ier) {
    if (ier == 0) return std::string();
    return rec::list_text({"ier,lvl: ", ier, ier == 6 ? 1 : 0});
}
