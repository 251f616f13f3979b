// 1/Gamma(a + 1) - 1 for -0.5 <= a <= 1.5, without the cancellation near a = 0
// and a = 1. Reduced to t in [-0.5, 0.5] and two rational approximations, one
// for t > 0 and one for t < 0.
#include "Chinorm95.h"

double GAM1(double a) {
    static const double p[7] = {0.577215664901533e+00,  -0.409078193005776e+00,
                                -0.230975380857675e+00, 0.597275330452234e-01,
                                0.766968181649490e-02,  -0.514889771323592e-02,
                                0.589597428611429e-03};
    static const double q[5] = {0.100000000000000e+01, 0.427569613095214e+00,
                                0.158451672430138e+00, 0.261132021441447e-01,
                                0.423244297896961e-02};
    static const double r[9] = {-0.422784335098468e+00, -0.771330383816272e+00,
                                -0.244757765222226e+00, 0.118378989872749e+00,
                                0.930357293360349e-03,  -0.118290993445146e-01,
                                0.223047661158249e-02,  0.266505979058923e-03,
                                -0.132674909766242e-03};
    static const double s1 = 0.273076135303957e+00;
    static const double s2 = 0.559398236957378e-01;

    double t = a;
    const double d = a - 0.5;
    if (d > 0.0) t = d - 0.5;

    if (t == 0.0) return 0.0;
    if (t > 0.0) {
        const double top =
            (((((p[6] * t + p[5]) * t + p[4]) * t + p[3]) * t + p[2]) * t + p[1]) * t + p[0];
        const double bot = (((q[4] * t + q[3]) * t + q[2]) * t + q[1]) * t + 1.0;
        const double w = top / bot;
        if (d > 0.0) return (t / a) * ((w - 0.5) - 0.5);
        return a * w;
    }
    const double top =
        (((((((r[8] * t + r[7]) * t + r[6]) * t + r[5]) * t + r[4]) * t + r[3]) * t + r[2]) * t +
         r[1]) * t + r[0];
    const double bot = (s2 * t + s1) * t + 1.0;
    const double w = top / bot;
    if (d > 0.0) return t * w / a;
    return a * ((w + 0.5) + 0.5);
}
