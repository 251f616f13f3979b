#include <cmath>

#include "mainguts.h"

const char* t_limit_refusal(double df, double s, double alpha, double gamma2) {
    if (!(df >= 1.0 && std::isfinite(df))) return "df below 1 or not finite";
    if (!(s > 0.0 && std::isfinite(s))) return "s not positive and finite";
    if (!(alpha > 0.0 && alpha < 1.0)) return "alpha not above 0 and below 1";
    if (!(gamma2 > 0.0 && std::isfinite(gamma2))) return "gamma2 not positive and finite";
    return nullptr;
}
