// Zero finder of Bus and Dekker (Algorithm R: secant, inverse quadratic
// interpolation and bisection, with guaranteed convergence), driven by reverse
// communication: zror never calls the function; it returns status 1 with the
// point it needs, and the caller comes back with the value in fx.
#include <algorithm>
#include <cmath>

#include "Chinorm95.h"

namespace {

// A negative or NaN tolerance would make the convergence test |mb| <= tol
// unreachable and the iteration endless; zero still ends when the bracket
// shrinks to adjacent doubles.
double sound_tolerance(double t) { return t >= 0.0 ? t : 0.0; }

}  // namespace

void stzror(double xlo, double xhi, double abstol, double reltol, ZrorState& z) {
    z.xxlo = xlo;
    z.xxhi = xhi;
    z.abstol = sound_tolerance(abstol);
    z.reltol = sound_tolerance(reltol);
}

void zror(int& status, double& x, double fx, double& xlo, double& xhi, int& qleft, int& qhi,
          ZrorState& z) {
    // Hands a point to the caller and remembers where to resume with its value.
    auto ask = [&](double at, ZrorAt resume) {
        x = at;
        xlo = z.xlo;
        xhi = z.xhi;
        z.at = resume;
        status = 1;
    };
    auto finish = [&](int result) {
        xlo = z.xlo;
        xhi = z.xhi;
        z.at = ZrorAt::Idle;
        status = result;
    };

    // A call with status <= 0, or with no search in progress, starts a new search.
    if (status <= 0 || z.at == ZrorAt::Idle) {
        z.xlo = z.xxlo;
        z.xhi = z.xxhi;
        z.b = z.xlo;
        ask(z.b, ZrorAt::LowerEnd);
        return;
    }

    bool new_end_c = false;  // true: restart the outer loop (c replaced by a)
    switch (z.at) {
        case ZrorAt::LowerEnd:
            z.fb = fx;
            z.xlo = z.xhi;
            z.a = z.xlo;
            ask(z.a, ZrorAt::UpperEnd);
            return;

        case ZrorAt::UpperEnd:
            // No sign change between the two ends: report on which side it lies.
            if (z.fb < 0.0 && fx < 0.0) {
                qleft = fx < z.fb;
                qhi = 0;
                finish(-1);
                return;
            }
            if (z.fb > 0.0 && fx > 0.0) {
                qleft = fx > z.fb;
                qhi = 1;
                finish(-1);
                return;
            }
            z.fa = fx;
            z.first = true;
            new_end_c = true;
            break;

        case ZrorAt::Iterate:
            z.fb = fx;
            if (z.fc * z.fb >= 0.0) {
                new_end_c = true;
            } else {
                // ext counts the steps in a row that were not bisections.
                z.ext = (z.w == z.mb) ? 0 : z.ext + 1;
            }
            break;

        case ZrorAt::Idle:
            break;  // handled above
    }

    for (;;) {
        if (new_end_c) {
            z.c = z.a;
            z.fc = z.fa;
            z.ext = 0;
            new_end_c = false;
        }

        // Keep b the better end: |f(b)| <= |f(c)|.
        if (std::fabs(z.fc) < std::fabs(z.fb)) {
            if (z.c != z.a) {
                z.d = z.a;
                z.fd = z.fa;
            }
            z.a = z.b;
            z.fa = z.fb;
            z.xlo = z.c;
            z.b = z.c;
            z.fb = z.fc;
            z.c = z.a;
            z.fc = z.fa;
        }

        z.tol = 0.5 * std::max(z.abstol, z.reltol * std::fabs(z.xlo));
        z.m = (z.c + z.b) * 0.5;
        z.mb = z.m - z.b;
        if (std::fabs(z.mb) <= z.tol) break;

        if (z.ext > 3) {
            z.w = z.mb;
        } else {
            z.tol = std::copysign(z.tol, z.mb);
            if (z.mb == 0.0) z.tol = std::fabs(z.tol);
            z.p = (z.b - z.a) * z.fb;
            if (z.first) {
                z.q = z.fa - z.fb;
                z.first = false;
            } else {
                z.fdb = (z.fd - z.fb) / (z.d - z.b);
                z.fda = (z.fd - z.fa) / (z.d - z.a);
                z.p = z.fda * z.p;
                z.q = z.fdb * z.fa - z.fda * z.fb;
            }
            if (z.p < 0.0) {
                z.p = -z.p;
                z.q = -z.q;
            }
            if (z.ext == 3) z.p = z.p * 2.0;

            if (z.p == 0.0 || z.p <= z.q * z.tol) {
                z.w = z.tol;
            } else if (z.p < z.mb * z.q) {
                z.w = z.p / z.q;
            } else {
                z.w = z.mb;
            }
        }

        z.d = z.a;
        z.fd = z.fa;
        z.a = z.b;
        z.fa = z.fb;
        z.b = z.b + z.w;
        z.xlo = z.b;
        ask(z.xlo, ZrorAt::Iterate);
        return;
    }

    // Converged: [xlo, xhi] = [b, c]; it holds the root only if the signs differ.
    z.xhi = z.c;
    z.qrzero = (z.fc >= 0.0 && z.fb <= 0.0) || (z.fc < 0.0 && z.fb >= 0.0);
    finish(z.qrzero ? 0 : -1);
}
