#include "AngleQuadrature.h"

#include <cmath>
#include <limits>

namespace limitcheck {

namespace {

// The Gauss-Kronrod (7, 15) rule on [-1, 1] (the abscissae and weights of
// QUADPACK's qk15): Kronrod abscissae from the outside in, the Gauss points
// being those of odd index.
constexpr double xgk[8] = {
    0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
    0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
    0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
    0.207784955007898467600689403773245, 0.000000000000000000000000000000000};
constexpr double wgk[8] = {
    0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
    0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
    0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
    0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
constexpr double wg[4] = {0.129484966168869693270611432679082,
                          0.279705391489276667901467771423780,
                          0.381830050505118944950369775488975,
                          0.417959183673469387755102040816327};

constexpr double eps = std::numeric_limits<double>::epsilon();

}  // namespace

void AngleQuadrature::rule(Panel& p) const {
    const double c = 0.5 * (p.a + p.b);
    const double h = 0.5 * (p.b - p.a);
    double g, x, y;
    d_.at(c, g, x, y);
    double km = wgk[7] * g, kx = wgk[7] * g * x, ka = wgk[7] * g * std::fabs(x);
    double ky = wgk[7] * g * y;
    double gm = wg[3] * g, gx = wg[3] * g * x, gy = wg[3] * g * y;
    for (int j = 0; j < 7; ++j) {
        double g1, x1, y1, g2, x2, y2;
        d_.at(c - h * xgk[j], g1, x1, y1);
        d_.at(c + h * xgk[j], g2, x2, y2);
        km += wgk[j] * (g1 + g2);
        kx += wgk[j] * (g1 * x1 + g2 * x2);
        ka += wgk[j] * (g1 * std::fabs(x1) + g2 * std::fabs(x2));
        ky += wgk[j] * (g1 * y1 + g2 * y2);
        if (j % 2 == 1) {
            gm += wg[j / 2] * (g1 + g2);
            gx += wg[j / 2] * (g1 * x1 + g2 * x2);
            gy += wg[j / 2] * (g1 * y1 + g2 * y2);
        }
    }
    p.mass = km * h;
    p.moment = kx * h;
    p.abs_moment = ka * h;
    p.ymoment = ky * h;
    p.ymoment_err = std::fabs((ky - gy) * h);
    // The whole difference of the two rules: far above the Kronrod value's
    // error once the integrand is resolved, and never small by luck on a
    // panel that holds the peak, since the peak is a panel end from the start.
    p.mass_err = std::fabs((km - gm) * h);
    p.moment_err = std::fabs((kx - gx) * h);
}

void AngleQuadrature::totals() {
    mass_ = moment_ = mass_err_ = moment_err_ = abs_moment_ = ymoment_ = ymoment_err_ = 0.0;
    for (int i = 0; i < n_; ++i) {
        mass_ += p_[i].mass;
        moment_ += p_[i].moment;
        abs_moment_ += p_[i].abs_moment;
        mass_err_ += p_[i].mass_err;
        moment_err_ += p_[i].moment_err;
        ymoment_ += p_[i].ymoment;
        ymoment_err_ += p_[i].ymoment_err;
    }
}

AngleQuadrature::AngleQuadrature(const AngleDensity& d, double a, double b, bool moment,
                                 double rel)
    : d_(d), a_(a), b_(b), with_moment_(moment) {
    if (!(b > a)) {
        converged_ = true;
        return;
    }
    // Start with panel ends at the peak and at a few of its widths on either
    // side, so that no panel can miss a narrow peak.
    const double k[] = {-24.0, -8.0, -3.0, -1.0, 0.0, 1.0, 3.0, 8.0, 24.0};
    double cut = a;
    for (double m : k) {
        const double t = d.tpeak + m * d.width;
        if (t > cut && t < b && n_ < capacity) {
            p_[n_] = Panel{cut, t, 0, 0, 0, 0, 0, 0, 0};
            rule(p_[n_++]);
            cut = t;
        }
    }
    p_[n_] = Panel{cut, b, 0, 0, 0, 0, 0, 0, 0};
    rule(p_[n_++]);
    totals();

    const double tiny = std::numeric_limits<double>::min();
    for (;;) {
        const bool mass_ok = mass_err_ <= rel * mass_ || mass_err_ <= tiny;
        const bool moment_ok =
            !with_moment_ || ((moment_err_ <= rel * abs_moment_ || moment_err_ <= tiny) &&
                              (ymoment_err_ <= rel * ymoment_ || ymoment_err_ <= tiny));
        if (mass_ok && moment_ok) {
            converged_ = true;
            break;
        }
        if (n_ >= capacity) break;
        int worst = 0;
        double worst_err = -1.0;
        for (int i = 0; i < n_; ++i) {
            // Each estimate against what its own criterion allows.
            double e = p_[i].mass_err / (mass_ > tiny ? mass_ : tiny);
            if (with_moment_) {
                e += p_[i].moment_err / (abs_moment_ > tiny ? abs_moment_ : tiny);
                e += p_[i].ymoment_err / (ymoment_ > tiny ? ymoment_ : tiny);
            }
            if (e > worst_err) worst_err = e, worst = i;
        }
        const double mid = 0.5 * (p_[worst].a + p_[worst].b);
        if (!(mid > p_[worst].a && mid < p_[worst].b)) break;  // cannot be halved
        // Halve in place: the right half goes just after, keeping the panels in order.
        for (int i = n_; i > worst + 1; --i) p_[i] = p_[i - 1];
        ++n_;
        p_[worst + 1] = Panel{mid, p_[worst].b, 0, 0, 0, 0, 0, 0, 0};
        p_[worst].b = mid;
        rule(p_[worst]);
        rule(p_[worst + 1]);
        totals();
    }
    // Rounding: of every value of g (the same relative bound throughout, as g > 0)
    // and of the sums, which add at most capacity * 15 positive terms.
    const double round = d.rel_round + 4.0 * eps * n_;
    mass_err_ += round * mass_;
    moment_err_ += round * abs_moment_;
    ymoment_err_ += round * ymoment_;
    if (!std::isfinite(mass_) || !std::isfinite(moment_)) converged_ = false;
}

bool AngleQuadrature::locate(double amount, bool from_b, double& t) const {
    if (!(amount >= 0.0 && amount <= mass_) || n_ == 0) return false;
    // Whole panels from the anchor end while they stay below the amount.
    double before = 0.0;
    int k = from_b ? n_ - 1 : 0;
    const int last = from_b ? 0 : n_ - 1;
    const int dir = from_b ? -1 : 1;
    while (k != last && before + p_[k].mass < amount) {
        before += p_[k].mass;
        k += dir;
    }
    // Within panel k, Newton's method on the integral from its anchor-side end,
    // each integral one (7, 15) rule over part of a panel that the adaptive
    // integral already resolved, safeguarded by the bracket the signs give.
    const double anchor = from_b ? p_[k].b : p_[k].a;
    double lo = p_[k].a, hi = p_[k].b;
    Panel part{lo, hi, 0, 0, 0, 0, 0, 0, 0};
    t = 0.5 * (lo + hi);
    for (int it = 0; it < 60; ++it) {
        part.a = from_b ? t : anchor;
        part.b = from_b ? anchor : t;
        rule(part);
        // Positive when t lies beyond the point sought, seen from the anchor.
        const double r = before + part.mass - amount;
        if ((r > 0.0) != from_b) hi = t;
        else lo = t;
        double g, x, y;
        d_.at(t, g, x, y);
        double next = from_b ? t + r / g : t - r / g;
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        if (next == t || std::fabs(r) <= 4.0 * eps * amount) break;
        t = next;
    }
    return std::isfinite(t);
}

}  // namespace limitcheck
