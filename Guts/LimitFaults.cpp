#include "LimitFaults.h"

namespace limitfaults {

const char* described(Kind kind) {
    switch (kind) {
        case Crossed: return "lower limit above the upper limit";
        case NoNumber: return "no number for the limit";
        case OutOfIterations: break;
    }
    return "search ended on its iteration limit";
}

void Counts::seen(Kind k, double s) {
    Seen& e = kind[k];
    if (e.count == 0) {
        e.s_least = s;
        e.s_most = s;
    } else {
        if (s < e.s_least) e.s_least = s;
        if (s > e.s_most) e.s_most = s;
    }
    ++e.count;
}

}  // namespace limitfaults
