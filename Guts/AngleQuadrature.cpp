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
    double km = 0, kx = 0, ka = 0, ky = 0, gm = 0, gx = 0, gy = 0, rm = 0, ra = 0, ry = 0;
    for (int j = 0; j < 15; ++j) {
        // Nodes from the left end to the right, the centre at j = 7.
        const int k = j < 8 ? j : 14 - j;
        const double t = j < 7 ? c - h * xgk[k] : j == 7 ? c : c + h * xgk[k];
        double g, x, y, r;
        d_.at(t, g, x, y, r);
        const double ax = std::fabs(x);
        km += wgk[k] * g;
        kx += wgk[k] * g * x;
        ka += wgk[k] * g * ax;
        ky += wgk[k] * g * y;
        rm += wgk[k] * g * r;
        ra += wgk[k] * g * ax * r;
        ry += wgk[k] * g * y * r;
        if (k % 2 == 1) {
            gm += wg[k / 2] * g;
            gx += wg[k / 2] * g * x;
            gy += wg[k / 2] * g * y;
        }
    }
    p.mass = km * h;
    p.moment = kx * h;
    p.abs_moment = ka * h;
    p.ymoment = ky * h;
    // The whole difference of the two rules: far above the Kronrod value's
    // error once the integrand is resolved, and never small by luck on a
    // panel that holds the peak, since the peak is a panel end from the start.
    p.mass_err = std::fabs((km - gm) * h);
    p.moment_err = std::fabs((kx - gx) * h);
    p.ymoment_err = std::fabs((ky - gy) * h);
    p.mass_round = rm * h;
    p.moment_round = ra * h;
    p.ymoment_round = ry * h;
}

void AngleQuadrature::totals() {
    mass_ = moment_ = mass_err_ = moment_err_ = abs_moment_ = ymoment_ = ymoment_err_ = 0.0;
    mass_round_ = moment_round_ = ymoment_round_ = 0.0;
    for (int i = 0; i < n_; ++i) {
        mass_ += p_[i].mass;
        moment_ += p_[i].moment;
        abs_moment_ += p_[i].abs_moment;
        mass_err_ += p_[i].mass_err;
        moment_err_ += p_[i].moment_err;
        ymoment_ += p_[i].ymoment;
        ymoment_err_ += p_[i].ymoment_err;
        mass_round_ += p_[i].mass_round;
        moment_round_ += p_[i].moment_round;
        ymoment_round_ += p_[i].ymoment_round;
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
            p_[n_] = Panel{cut, t, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            rule(p_[n_++]);
            cut = t;
        }
    }
    p_[n_] = Panel{cut, b, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
        p_[worst + 1] = Panel{mid, p_[worst].b, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        p_[worst].b = mid;
        rule(p_[worst]);
        rule(p_[worst + 1]);
        totals();
    }
    // Rounding: of every value (bounded point by point) and of the sums: each
    // term (of one sign; |x'| g for the moment) passes through at most 15
    // additions in its panel and n_ across the panels, and two products, each
    // with a relative error below eps/2; counted at eps each.
    const double sums = eps * (15.0 + n_ + 2.0);
    mass_err_ += mass_round_ + sums * mass_;
    moment_err_ += moment_round_ + sums * abs_moment_;
    ymoment_err_ += ymoment_round_ + sums * ymoment_;
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
    Panel part{lo, hi, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    t = 0.5 * (lo + hi);
    for (int it = 0; it < 60; ++it) {
        part.a = from_b ? t : anchor;
        part.b = from_b ? anchor : t;
        rule(part);
        // Positive when t lies beyond the point sought, seen from the anchor.
        const double r = before + part.mass - amount;
        if ((r > 0.0) != from_b) hi = t;
        else lo = t;
        double g, x, y, round;
        d_.at(t, g, x, y, round);
        double next = from_b ? t + r / g : t - r / g;
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        if (next == t || std::fabs(r) <= 4.0 * eps * amount) break;
        t = next;
    }
    return std::isfinite(t);
}

}  // namespace limitcheck
