// --grid: the case list of a grid of cases, so that a coverage can be looked
// at as a curve (over sigma, say) instead of at three values.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "CaseList.h"
#include "CaseSetting.h"
#include "entries.h"
#include "freeform.h"
#include "sink.h"

namespace {

// Beyond this a grid is a mistake, not a list anyone means to run.
constexpr std::size_t max_rows = 1000000;

struct Axis {
    int column;
    std::vector<std::string> values;  // as they go into the list
};

// A point between the ends to 12 significant digits: 1, not 1.0000000000000004.
double tidy(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return std::strtod(buf, nullptr);
}

bool number(const std::string& text, double& v) {
    return ff::parse_real(text, v) && std::isfinite(v);
}

// "2,5,10", "0.05..10:30log" (30 values evenly spaced in log), "1..2:5"
// (5 evenly spaced); gamma2 also takes "df+1" and "df". Returns why not.
std::string values_of(const std::string& name, const std::string& text, int column,
                      std::vector<std::string>& out) {
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const auto dots = item.find("..");
        if (dots == std::string::npos) {
            double v = 0.0;
            if (column == caselist::Gamma2) {
                Gamma2 g;
                if (!parse_gamma2(item, g)) return name + " '" + ff::echo(item) + "' is neither a number nor df+K";
                out.push_back(g.plus_df ? gamma2_text(g) : caselist::real(g.value));
                continue;
            }
            if (!number(item, v)) return name + " '" + ff::echo(item) + "' is not a number";
            out.push_back(caselist::real(v));
            continue;
        }
        const auto colon = item.find(':', dots);
        if (colon == std::string::npos)
            return name + " '" + ff::echo(item) + "': a range needs a count, as in 0.05..10:30log";
        std::string count = item.substr(colon + 1);
        const bool log = count.size() > 3 && count.substr(count.size() - 3) == "log";
        if (log) count.resize(count.size() - 3);
        double a = 0.0, b = 0.0, n = 0.0;
        if (!number(item.substr(0, dots), a) || !number(item.substr(dots + 2, colon - dots - 2), b) ||
            !number(count, n) || n < 1 || n != std::floor(n) || n > static_cast<double>(max_rows))
            return name + " '" + ff::echo(item) + "' is not a range a..b:N or a..b:Nlog";
        if (log && !(a > 0.0 && b > 0.0))
            return name + " '" + ff::echo(item) + "': a log range needs ends above 0";
        const int k = static_cast<int>(n);
        for (int i = 0; i < k; ++i) {
            // The ends exactly as given, the points between evenly spaced.
            double v = i == 0 ? a : i == k - 1 ? b : 0.0;
            if (i > 0 && i < k - 1) {
                const double t = static_cast<double>(i) / (k - 1);
                v = log ? std::exp(std::log(a) + t * (std::log(b) - std::log(a))) : a + t * (b - a);
            }
            out.push_back(caselist::real(tidy(v)));
        }
    }
    if (out.empty()) return name + " has no values";
    return std::string();
}

}  // namespace

int grid_main(const std::string& words) {
    // The suggested tolerances and the one-sided kind unless the grid says.
    std::vector<Axis> axes(caselist::column_count);
    const char* defaults[caselist::column_count] = {"1", nullptr, nullptr, nullptr, "1e-06",
                                                    "1e-08", "0", nullptr, nullptr, nullptr};
    bool given[caselist::column_count] = {};
    std::stringstream in(words);
    std::string word;
    while (in >> word) {
        const auto eq = word.find('=');
        std::string name(word, 0, eq);
        int column = -1;
        for (int c = 0; c < caselist::column_count; ++c)
            if (name == caselist::column_name(c)) column = c;
        if (eq == std::string::npos || column < 0)
        {
            std::string why = "'";
            why += ff::echo(word);
            why += "' is not name=values with a name of ";
            why += caselist::columns;
            why += ",lambda,gamma2,mu";
            fatal("--grid", why);
        }
        if (given[column]) fatal("--grid", name + " given twice");
        given[column] = true;
        axes[column].column = column;
        const std::string why = values_of(name, word.substr(eq + 1), column, axes[column].values);
        if (!why.empty()) fatal("--grid", why);
    }
    for (int c = 0; c < caselist::column_count; ++c) {
        if (given[c]) continue;
        if (defaults[c] == nullptr) {
            if (c < caselist::input_fields)
                fatal("--grid", "no values for " + std::string(caselist::column_name(c)));
            continue;
        }
        axes[c].values = {defaults[c]};
    }
    std::size_t rows = 1;
    std::vector<int> used;
    for (int c = 0; c < caselist::column_count; ++c)
        if (!axes[c].values.empty()) {
            used.push_back(c);
            rows *= axes[c].values.size();
            if (rows > max_rows)
                fatal("--grid", "more than " + std::to_string(max_rows) + " cases");
        }

    std::string heading;
    for (int c : used) {
        if (!heading.empty()) heading += ',';
        heading += caselist::column_name(c);
    }
    std::cout << heading << '\n';
    // Kind, then the setting and alpha, then df, then sigma fastest: each
    // curve over sigma is a run of rows.
    const int order[] = {caselist::Kind, caselist::Lambda, caselist::Gamma2, caselist::Mu,
                         caselist::AdapQuadTol, caselist::FunctionTol, caselist::ResultTol,
                         caselist::Alpha, caselist::Df, caselist::Sigma};
    std::vector<std::size_t> at(caselist::column_count, 0);
    for (std::size_t r = 0; r < rows; ++r) {
        std::string row;
        for (int c : used) {
            if (!row.empty()) row += ',';
            row += axes[c].values[at[c]];
        }
        std::cout << row << '\n';
        if (!std::cout) break;
        for (int k = caselist::column_count - 1; k >= 0; --k) {
            const int c = order[k];
            if (axes[c].values.empty()) continue;
            if (++at[c] < axes[c].values.size()) break;
            at[c] = 0;
        }
    }
    return terminal_written() ? 0 : 2;
}
