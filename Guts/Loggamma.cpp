// Natural logarithm of the gamma function for positive arguments, after
// W. J. Cody's rational Chebyshev approximations on (0.5, 1.5), (1.5, 4)
// and (4, 12) and the Stirling series beyond, with his constants for IEEE
// double precision.  Arguments where ln Gamma is undefined or overflows
// give 1.79e308, the largest value the callers can still compare against.
#include <cmath>

#include "Cody.h"
#include "mainguts.h"

namespace {

using namespace cody;
constexpr double four = 4.0;
constexpr double thrhal = 1.5;
constexpr double pnt68 = 0.6796875;

// Largest argument whose ln Gamma is still representable, the value for the
// unrepresentable cases, the point below which ln Gamma(x) = -ln x to
// working precision, and the point above which the Stirling correction no
// longer changes the sum.
constexpr double xbig = 2.55e305;
constexpr double xinf = 1.79e308;
constexpr double eps = 2.22e-16;
constexpr double frtbig = 2.25e76;

// Approximation on (0.5, 1.5).
constexpr double d1 = -5.772156649015328605195174e-1;
constexpr double p1[8] = {4.945235359296727046734888e0, 2.018112620856775083915565e2,
                          2.290838373831346393026739e3, 1.131967205903380828685045e4,
                          2.855724635671635335736389e4, 3.848496228443793359990269e4,
                          2.637748787624195437963534e4, 7.225813979700288197698961e3};
constexpr double q1[8] = {6.748212550303777196073036e1, 1.113332393857199323513008e3,
                          7.738757056935398733233834e3, 2.763987074403340708898585e4,
                          5.499310206226157329794414e4, 6.161122180066002127833352e4,
                          3.635127591501940507276287e4, 8.785536302431013170870835e3};

// Approximation on (1.5, 4).
constexpr double d2 = 4.227843350984671393993777e-1;
constexpr double p2[8] = {4.974607845568932035012064e0, 5.424138599891070494101986e2,
                          1.550693864978364947665077e4, 1.847932904445632425417223e5,
                          1.088204769468828767498470e6, 3.338152967987029735917223e6,
                          5.106661678927352456275255e6, 3.074109054850539556250927e6};
constexpr double q2[8] = {1.830328399370592604055942e2, 7.765049321445005871323047e3,
                          1.331903827966074194402448e5, 1.136705821321969608938755e6,
                          5.267964117437946917577538e6, 1.346701454311101692290052e7,
                          1.782736530353274213975932e7, 9.533095591844353613395747e6};

// Approximation on (4, 12).
constexpr double d4 = 1.791759469228055000094023e0;
constexpr double p4[8] = {1.474502166059939948905062e4, 2.426813369486704502836312e6,
                          1.214755574045093227939592e8, 2.663432449630976949898078e9,
                          2.940378956634553899906876e10, 1.702665737765398868392998e11,
                          4.926125793377430887588120e11, 5.606251856223951465078242e11};
constexpr double q4[8] = {2.690530175870899333379843e3, 6.393885654300092398984238e5,
                          4.135599930241388052042842e7, 1.120872109616147941376570e9,
                          1.488613728678813811542398e10, 1.016803586272438228077304e11,
                          3.417476345507377132798597e11, 4.463158187419713286462081e11};

// xnum/xden of one approximation at xm, both polynomials by Horner's rule
// from their leading coefficient, the denominator's being `lead`.
double rational(double xm, const double (&p)[8], const double (&q)[8], double lead) {
    double xden = lead;
    double xnum = zero;
    for (int i = 0; i < 8; ++i) {
        xnum = xnum * xm + p[i];
        xden = xden * xm + q[i];
    }
    return xnum / xden;
}

}  // namespace

double dlgama(double x) {
    double res;
    const double y = x;
    if (y > zero && y <= xbig) {
        if (y <= eps) {
            res = -std::log(y);
        } else if (y <= thrhal) {
            double corr;
            double xm1;
            if (y < pnt68) {
                corr = -std::log(y);
                xm1 = y;
            } else {
                corr = zero;
                xm1 = (y - half) - half;
            }
            if (y <= half || y >= pnt68) {
                res = corr + (xm1 * (d1 + xm1 * rational(xm1, p1, q1, one)));
            } else {
                const double xm2 = (y - half) - half;
                res = corr + xm2 * (d2 + xm2 * rational(xm2, p2, q2, one));
            }
        } else if (y <= four) {
            const double xm2 = y - two;
            res = xm2 * (d2 + xm2 * rational(xm2, p2, q2, one));
        } else if (y <= twelve) {
            const double xm4 = y - four;
            res = d4 + xm4 * rational(xm4, p4, q4, -one);
        } else {
            res = zero;
            if (y <= frtbig) res = stirling::series(y);
            res = res / y;
            const double corr = std::log(y);
            res = res + stirling::ln_sqrt_2pi - half * corr;
            res = res + y * (corr - one);
        }
    } else {
        // Also reached by a NaN argument, which fails the range test.
        res = xinf;
    }
    return res;
}
