#include "Verdicts.h"

#include <cmath>

#include "CaseList.h"

void Verdicts::add(const std::string& where, const Case* c, const CaseResult* r) {
    ++cases_;
    if (c == nullptr || r == nullptr || r->status != CaseStatus::Ok) {
        ++missed_;
        ++lost_;
        if (first_lost_.empty()) first_lost_ = where;
        return;
    }
    bool miss = false;
    auto judge = [&](const char* what, double value) {
        const double distance = std::fabs(value);
        // No number is as far from a target as can be.
        if (!(distance <= max_)) miss = true;
        if (!(distance <= worst_)) {
            worst_ = std::isnan(distance) ? INFINITY : distance;
            worst_where_ = where + ": " + what;
            worst_value_ = value;
        }
    };
    judge("difference", r->integral - (1.0 - c->alpha));
    if (tails_ && c->sides == 2) {
        const double target = (1.0 - c->alpha) / 2.0;
        judge("lower tail difference", r->lower_tail() - target);
        judge("upper tail difference", r->upper_tail() - target);
    }
    if (miss) ++missed_;
}

std::string Verdicts::summary() const {
    std::string s = std::to_string(missed_) + " of " + std::to_string(cases_) +
                    (cases_ == 1 ? " case" : " cases") + " beyond " + caselist::real(max_);
    if (!worst_where_.empty())
        s += ", worst: " + worst_where_ + " " + caselist::real(worst_value_);
    if (lost_ > 0)
        s += "; " + std::to_string(lost_) + " refused or failed, the first " + first_lost_;
    return s;
}
