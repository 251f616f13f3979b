// Requests without tolerances: tolvane-limits answers factors right to 1e-9
// (one-sided H) and 1e-7 (two-sided h), relative or absolute below 1, or
// error. Judged by the long-double oracle of limits_oracle.h at the places
// where the plain computation was seen wrong and on a random set.
//
// TOLVANE_LIMITS_SWEEP=n (and TOLVANE_LIMITS_SEED=k) enlarge the random set to
// n requests of each kind and print what the plain computation got wrong
// before, TOLVANE_LIMITS_S="lo hi" moves the range of s; docs/limits-checked.md
// keeps such runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/wait.h>
#include <string>
#include <vector>

#include "LimitCheck.h"
#include "LimitProtocol.h"
#include "limits_oracle.h"
#include "mainguts.h"
#include "test_support.h"

namespace {

using limitproto::Answer;
using limitproto::Request;
namespace lo = limits_oracle;

Request request(int kind, double df, double s, double alpha, bool tols = false) {
    Request r;
    r.kind = kind;
    r.df = df;
    r.s = s;
    r.alpha = alpha;
    r.lambda = 0.5;
    r.gamma2 = df + 1.0;
    r.ybar = 0.0;
    r.has_tols = tols;
    r.FunctionTol = 1e-8;
    r.ResultTol = 0.0;
    return r;
}

// The equations of a standardised request (lambda 0.5, gamma2 df + 1: eta = s).
lo::Equation one_sided_eq(const Request& r) { return {1, 1, r.df, r.s, r.alpha}; }
lo::Equation two_sided_eq(const Request& r, int which) { return {2, which, r.df, r.s, r.alpha}; }

struct Verdict {
    bool answered = false;
    bool right = false;
    std::string why;
};

// Answers the request as tolvane-limits does and judges every factor of it.
Verdict judge(const Request& r, Answer& a) {
    ts::TestContext tc;
    Verdict v;
    v.why = limitproto::answer_request(r, 1e-8, 0.0, a, tc);
    v.answered = v.why.empty();
    if (!v.answered) return v;
    if (r.kind == 1) {
        v.right = lo::right(one_sided_eq(r), a.value[0], limitproto::OneSidedBound);
    } else {
        v.right = lo::right(two_sided_eq(r, 1), a.value[0], limitproto::TwoSidedBound) &&
                  lo::right(two_sided_eq(r, 2), a.value[2], limitproto::TwoSidedBound);
    }
    return v;
}

std::string describe(const Request& r) { return limitproto::format_request(r); }

}  // namespace

// Where the plain computation at 1e-8 was wrong: df 3 with H near 100 (8.6e-7
// off), two-sided df 100 at alpha 0.001 (1.2e-4 off in h), df 2 with s 3e7
// and 1e8 (theta = s^2/2 + H s/sqrt(df) has no digits left for H; 1e8 gives
// H = -2.8e7 where the root is 1.3e9), a two-sided pair at df 100, s 9.92 that was no interval. The plain
// answers are shown wrong by the oracle first, so that the
// test would notice an oracle that passes everything.
TEST(CheckedLimits, KnownWrongSpotsAreRightNow) {
    const std::vector<Request> spots = {
        request(1, 3, 5.0, 0.99),    request(1, 3, 3.2, 0.999),   request(1, 2, 3e7, 0.95),
        request(1, 2, 1e8, 0.95),    request(2, 100, 13.615, 0.001), request(2, 100, 13.62, 0.001),
        request(2, 100, 13.625, 0.001), request(2, 2, 1e10, 0.95),
        // The plain pair's upper limit lies below its lower one here.
        request(2, 100, 9.92, 0.001),
    };
    for (const Request& spot : spots) {
        Answer plain, checked;
        Request with_tols = spot;
        with_tols.has_tols = true;
        const Verdict before = judge(with_tols, plain);
        const Verdict after = judge(spot, checked);
        EXPECT_FALSE(before.answered && before.right) << describe(spot) << ": plain answer right";
        EXPECT_TRUE(after.answered) << describe(spot) << ": " << after.why;
        EXPECT_TRUE(after.right) << describe(spot) << ": " << limitproto::format_answer(spot.kind, checked);
    }
}

// The worked example's value, where the plain answer is right: the checked
// answer is the limit code's own, bit for bit, and its limit follows from H.
TEST(CheckedLimits, RightPlainAnswersAreKeptAsTheyAre) {
    Answer checked, plain;
    const Verdict v = judge(request(1, 14, 0.4272, 0.95), checked);
    ASSERT_TRUE(v.answered) << v.why;
    EXPECT_TRUE(v.right);
    judge(request(1, 14, 0.4272, 0.95, true), plain);
    EXPECT_EQ(ts::bits(checked.value[0]), ts::bits(plain.value[0]));
    EXPECT_EQ(ts::bits(checked.value[1]), ts::bits(plain.value[1]));
    EXPECT_NEAR(checked.value[0], 1.99370, 5e-6);
}

// A request with tolerances is the plain computation even where it is wrong:
// tolvane --limits tolvane-limits compares it with the limit code exactly.
TEST(CheckedLimits, RequestsWithTolerancesStayPlain) {
    ts::TestContext tc;
    Answer a;
    ASSERT_EQ(limitproto::answer_request(request(1, 2, 1e8, 0.95, true), 1e-8, 0.0, a, tc), "");
    double H = 0, limit = 0, elapsed = 0;
    int it = 0;
    OneTail(1, 0.0, 1e8, 2.0, 0.95, 0.5, 3.0, 800.0, 1e-8, 0.0, 200, H, limit, elapsed, it, 1e-8,
            0.0, tc);
    EXPECT_EQ(ts::bits(a.value[0]), ts::bits(H));
    EXPECT_EQ(ts::bits(a.value[1]), ts::bits(limit));
}

// The residuals' own error bounds are honest: at the oracle's root the
// program's residual is within its bound of 0 (sign unknown or tiny), and a
// factor 1e-6 away has the sign the oracle gives it.
TEST(CheckedLimits, ResidualBoundsHoldAtTheRoot) {
    struct Case {
        int sides, which;
        double nu, eta, level, guess;
    };
    const Case cases[] = {{1, 1, 3, 5.0, 0.99, 108.8}, {1, 1, 200, 0.3, 0.05, -1.7},
                          {1, 1, 2, 3e7, 0.95, 3.92e8}, {2, 1, 10, 1.0, 0.95, -2.06},
                          {2, 2, 10, 1.0, 0.95, 3.57}, {2, 1, 100, 13.62, 0.001, -0.0193}};
    for (const Case& c : cases) {
        const lo::Equation oeq{c.sides, c.which, c.nu, c.eta, c.level};
        const auto root = lo::root(oeq, c.guess);
        ASSERT_TRUE(root.has_value()) << c.nu << " " << c.eta;
        const limitcheck::LimitEquation eq{c.sides, c.which, c.nu, c.eta, c.level};
        const double h = static_cast<double>(*root);
        const limitcheck::Residual at = eq(h);
        ASSERT_TRUE(at.ok);
        // The oracle's root is itself uncertain by a few of its ulps.
        const double d = 1e-6 * std::fmax(1.0, std::fabs(h));
        const limitcheck::Residual lo_side = eq(h - d), hi_side = eq(h + d);
        EXPECT_EQ(lo_side.sign(), oeq(h - d).sign()) << c.nu << " " << c.eta;
        EXPECT_EQ(hi_side.sign(), oeq(h + d).sign()) << c.nu << " " << c.eta;
        EXPECT_LE(std::fabs(at.value), at.error + 1e-3 * std::fabs(lo_side.value - hi_side.value))
            << c.nu << " " << c.eta;
    }
}

// A random set of requests over the measured domain and beyond it in s: every
// answer is right, and errors are rare.
TEST(CheckedLimits, RandomRequestsAreRightOrRefused) {
    const char* sweep = std::getenv("TOLVANE_LIMITS_SWEEP");
    const char* seed_text = std::getenv("TOLVANE_LIMITS_SEED");
    const int count = sweep ? std::atoi(sweep) : 24;
    // TOLVANE_LIMITS_S="lo hi" moves the range of s (0.05 to 20 by default).
    double s_lo = 0.05, s_hi = 20.0;
    if (const char* range = std::getenv("TOLVANE_LIMITS_S"))
        if (std::sscanf(range, "%lf %lf", &s_lo, &s_hi) != 2 || !(s_hi > s_lo && s_lo > 0.0))
            s_lo = 0.05, s_hi = 20.0;
    std::mt19937_64 rng(seed_text ? std::strtoull(seed_text, nullptr, 10) : 20261209);
    std::uniform_real_distribution<double> U(0.0, 1.0);
    const double tails[] = {0.001, 0.01, 0.025, 0.05, 0.95, 0.975, 0.99, 0.999};
    int refused = 0, wrong = 0, plain_wrong = 0, plain_refused = 0, total = 0;
    for (int kind = 1; kind <= 2; ++kind) {
        for (int i = 0; i < count; ++i) {
            const double df = std::round(std::exp(std::log(2.0) + U(rng) * std::log(500.0)));
            const double s = std::exp(std::log(s_lo) + U(rng) * std::log(s_hi / s_lo));
            const double alpha = U(rng) < 0.4 ? tails[static_cast<int>(U(rng) * 8.0)]
                                              : 0.001 + 0.998 * U(rng);
            const Request r = request(kind, df, s, alpha);
            Answer a;
            const Verdict v = judge(r, a);
            ++total;
            if (!v.answered) {
                ++refused;
                std::printf("refused: %s: %s\n", describe(r).c_str(), v.why.c_str());
            } else if (!v.right) {
                ++wrong;
                ADD_FAILURE() << describe(r) << " -> " << limitproto::format_answer(kind, a);
            }
            if (sweep) {
                Request p = r;
                p.has_tols = true;
                Answer pa;
                const Verdict pv = judge(p, pa);
                if (!pv.answered) ++plain_refused;
                else if (!pv.right) {
                    ++plain_wrong;
                    // How far off, in the relative (absolute below 1) measure of the bound.
                    double worst = 0.0;
                    for (int k = 0; k < kind; ++k) {
                        const lo::Equation eq = kind == 1 ? one_sided_eq(r) : two_sided_eq(r, k + 1);
                        const double h = pa.value[2 * k];
                        const auto root = lo::root(eq, h);
                        const double off = root ? std::fabs(h - static_cast<double>(*root)) /
                                                      std::fmax(1.0, std::fabs(static_cast<double>(*root)))
                                                : INFINITY;
                        worst = std::fmax(worst, off);
                    }
                    std::printf("plain wrong by %.2g: %s -> %s\n", worst, describe(r).c_str(),
                                limitproto::format_answer(kind, pa).c_str());
                }
            }
        }
    }
    std::printf("requests %d: checked wrong %d, error %d", total, wrong, refused);
    if (sweep) std::printf("; plain wrong %d, plain error %d", plain_wrong, plain_refused);
    std::printf("\n");
    EXPECT_EQ(wrong, 0);
    EXPECT_LE(refused, total / 20);
}

// Start-up tolerances that every request without its own would be refused for
// end the command at once: one line on standard error, status 2.
TEST(CheckedLimits, HopelessStartTolerancesAreRefusedAtStart) {
    ts::TempDir dir;
    auto run = [&](const std::string& args, int& status) {
        const std::string line = "cd '" + dir.path() + "' && printf '1 10 1 0.9 0.5 11 0\\n' | '" +
                                 std::string(TOLVANE_LIMITS_EXE) + "' " + args +
                                 " >out 2>err";
        const int raw = std::system(line.c_str());
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return ts::lines_of(ts::read_file(dir.path() + "/err"));
    };
    int status = 0;
    for (const char* args : {"--function-tol nan", "--result-tol nan"}) {
        const auto err = run(args, status);
        EXPECT_EQ(status, 2) << args;
        ASSERT_EQ(err.size(), 1u) << args;
        EXPECT_EQ(err[0].rfind("tolvane-limits: ", 0), 0u) << err[0];
        EXPECT_EQ(ts::read_file(dir.path() + "/out"), "") << args;
    }
    const auto err = run("--function-tol 1e-9 --result-tol 0", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ts::lines_of(ts::read_file(dir.path() + "/out")).size(), 1u);
}

// Any lambda, gamma2 and ybar: the factor is that of the standardised problem
// with eta = 2|lambda| gamma s/sqrt(df + 1) (for a negative lambda p turned
// over, and the two-sided roots changing places), the limit built from it as
// the limit code builds it, both where the plain factor is kept and where the
// search replaces it.
TEST(CheckedLimits, FactorsAndLimitsOfAnyLinearFunction) {
    ts::TestContext tc;
    struct Case {
        int kind;
        double df, s, alpha, lambda, gamma2, ybar;
    };
    const Case cases[] = {{1, 9, 0.8, 0.9, -0.7, 5.0, 3.0},
                          {1, 2, 1e8, 0.95, 0.3, 2.0, -1.0},
                          {2, 12, 1.3, 0.9, 0.25, 20.0, -0.5},
                          {2, 12, 1.3, 0.9, -0.25, 20.0, -0.5},
                          {2, 100, 13.62, 0.001, 0.5, 101.0, 2.0}};
    for (const Case& c : cases) {
        Request r;
        r.kind = c.kind;
        r.df = c.df;
        r.s = c.s;
        r.alpha = c.alpha;
        r.lambda = c.lambda;
        r.gamma2 = c.gamma2;
        r.ybar = c.ybar;
        Answer a;
        ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, a, tc), "") << describe(r);
        const double gamma = std::sqrt(c.gamma2);
        const double eta = 2.0 * std::fabs(c.lambda) * gamma * c.s / std::sqrt(c.df + 1.0);
        const double sign = c.lambda < 0.0 ? -1.0 : 1.0;
        const double scale = std::sqrt((c.df + 1.0) / c.df) * c.s / gamma;
        const double centre = c.ybar + c.lambda * c.s * c.s;
        if (c.kind == 1) {
            const double p = c.lambda < 0.0 ? 1.0 - c.alpha : c.alpha;
            EXPECT_TRUE(lo::right({1, 1, c.df, eta, p}, a.value[0], 1e-9)) << describe(r);
            EXPECT_NEAR(a.value[1], centre + sign * a.value[0] * scale,
                        1e-14 * std::fabs(a.value[1]))
                << describe(r);
        } else {
            const int low = c.lambda < 0.0 ? 2 : 1;
            EXPECT_TRUE(lo::right({2, low, c.df, eta, c.alpha}, a.value[0], 1e-7)) << describe(r);
            EXPECT_TRUE(lo::right({2, 3 - low, c.df, eta, c.alpha}, a.value[2], 1e-7))
                << describe(r);
            EXPECT_NEAR(a.value[1], centre + sign * a.value[0] * scale, 1e-13 * std::fabs(centre))
                << describe(r);
            EXPECT_NEAR(a.value[3], centre + sign * a.value[2] * scale, 1e-13 * std::fabs(centre))
                << describe(r);
            EXPECT_LE(a.value[1], a.value[3]) << describe(r);
        }
    }
}


// A two-sided interval for a negative lambda is the mirror image of the one for
// -lambda at -ybar, checked and plain alike: its lower factor solves the
// equation of the window starting at rho, its upper one that of the window
// ending there, at the level alpha itself, and the limits are the centre minus
// the factor terms. Judged by the long-double oracle through the command.
TEST(CheckedLimits, NegativeLambdaTwoSidedIsTheMirrorImage) {
    struct Case {
        double df, s, alpha, lambda, gamma2, ybar;
    };
    const Case cases[] = {{14, 0.4272, 0.95, -0.5, 15, 0},   {5, 1.0, 0.9, -1.0, 1.0, 2.5},
                          {30, 0.8, 0.99, -0.25, 30, -1.0}, {2, 0.3, 0.5, -2.0, 30, 0.0},
                          {100, 0.5, 0.05, -1.0, 1010, 3.0}};
    std::string requests;
    for (const Case& c : cases) {
        for (const char* tols : {"", " 1e-8 0"}) {
            for (double sign : {1.0, -1.0}) {
                Request r;
                r.kind = 2;
                r.df = c.df;
                r.s = c.s;
                r.alpha = c.alpha;
                r.lambda = sign * c.lambda;
                r.gamma2 = c.gamma2;
                r.ybar = sign * c.ybar;
                requests += limitproto::format_request(r) + tols + "\n";
            }
        }
    }
    const std::vector<std::string> lines = ts::limits_answers(requests);
    ASSERT_EQ(lines.size(), 4 * std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const double eta = 2.0 * std::fabs(c.lambda) * std::sqrt(c.gamma2) * c.s / std::sqrt(c.df + 1.0);
        for (int plain = 0; plain < 2; ++plain) {
            const std::string& neg_line = lines[4 * i + 2 * plain];
            const std::string& pos_line = lines[4 * i + 2 * plain + 1];
            const std::string tag = neg_line + " <- " + std::to_string(c.df) + " " +
                                    std::to_string(c.s) + " " + std::to_string(c.alpha) +
                                    (plain ? " plain" : " checked");
            Answer neg, pos;
            ASSERT_EQ(limitproto::parse_answer(neg_line, 2, neg), "") << tag;
            ASSERT_EQ(limitproto::parse_answer(pos_line, 2, pos), "") << tag;
            EXPECT_LT(neg.value[1], neg.value[3]) << tag;
            // hlower lower hupper upper against the mirror image, bit for bit.
            EXPECT_EQ(ts::bits(neg.value[0]), ts::bits(pos.value[2])) << tag;
            EXPECT_EQ(ts::bits(neg.value[1]), ts::bits(-pos.value[3])) << tag;
            EXPECT_EQ(ts::bits(neg.value[2]), ts::bits(pos.value[0])) << tag;
            EXPECT_EQ(ts::bits(neg.value[3]), ts::bits(-pos.value[1])) << tag;
            const double scale = std::sqrt((c.df + 1.0) / c.df) * c.s / std::sqrt(c.gamma2);
            const double centre = c.ybar + c.lambda * c.s * c.s;
            EXPECT_NEAR(neg.value[1], centre - scale * neg.value[0], 1e-14 * (1.0 + std::fabs(centre)))
                << tag;
            EXPECT_NEAR(neg.value[3], centre - scale * neg.value[2], 1e-14 * (1.0 + std::fabs(centre)))
                << tag;
            // The plain factors at 1e-8 are right to about 1e-6 at these benign
            // places; the checked ones to their bound.
            const double bound = plain ? 1e-6 : limitproto::TwoSidedBound;
            EXPECT_TRUE(lo::right({2, 2, c.df, eta, c.alpha}, neg.value[0], bound)) << tag;
            EXPECT_TRUE(lo::right({2, 1, c.df, eta, c.alpha}, neg.value[2], bound)) << tag;
        }
    }
    // The worked example at lambda -0.5: n = 15, s = 0.4272, alpha 0.95, ybar 0.
    Answer ex;
    ASSERT_EQ(limitproto::parse_answer(lines[0], 2, ex), "");
    EXPECT_NEAR(ex.value[0], 2.39439, 5e-6);
    EXPECT_NEAR(ex.value[1], -0.36463, 5e-6);
    EXPECT_NEAR(ex.value[2], -1.98285, 5e-6);
    EXPECT_NEAR(ex.value[3], 0.13514, 5e-6);
}

// lambda, gamma2 and s reach the limit code only as sd* = 2|lambda| gamma
// s/sqrt(df + 1): at lambda -1, 0.25, 1, 2 and gamma2 1, df, 10(df + 1) the
// plain factors (FunctionTol 1e-8) are those of the standard setting at
// s = sd*, within 1e-6 of the long-double oracle's roots at these places
// inside the measured domain, and the checked ones within their bounds; the
// limits are built from them with the sign of lambda (docs/limits-domain.md
// has the full grid, scripts/sweep-oracles settings).
TEST(CheckedLimits, EverySettingIsTheStandardisedProblemAtSdStar) {
    struct Point {
        double df, sd, alpha;
    };
    const Point points[] = {{2, 0.05, 0.999}, {3, 1.0, 0.9},   {10, 10.0, 0.95},
                            {30, 0.3, 0.5},   {100, 3.0, 0.99}, {1000, 1.0, 0.01}};
    double worst_plain = 0.0, worst_spread = 0.0;
    for (const Point& pt : points) {
        // The standardised problems: one-sided at alpha and 1 - alpha (a
        // negative lambda), two-sided both windows; their standard answers.
        Answer std_one, std_two, std_flip;
        {
            ts::TestContext tc;
            Request r = request(1, pt.df, pt.sd, pt.alpha, true);
            ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, std_one, tc), "");
            r.alpha = 1.0 - pt.alpha;
            ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, std_flip, tc), "");
            r = request(2, pt.df, pt.sd, pt.alpha, true);
            ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, std_two, tc), "");
        }
        const auto root_one = lo::root({1, 1, pt.df, pt.sd, pt.alpha}, std_one.value[0]);
        const auto root_flip = lo::root({1, 1, pt.df, pt.sd, 1.0 - pt.alpha}, std_flip.value[0]);
        const auto root_low = lo::root({2, 1, pt.df, pt.sd, pt.alpha}, std_two.value[0]);
        const auto root_high = lo::root({2, 2, pt.df, pt.sd, pt.alpha}, std_two.value[2]);
        ASSERT_TRUE(root_one && root_flip && root_low && root_high) << pt.df << " " << pt.sd;
        auto distance = [](double h, lo::real root) {
            const double r = static_cast<double>(root);
            return std::fabs(h - r) / std::fmax(1.0, std::fabs(r));
        };
        for (double lambda : {-1.0, 0.25, 1.0, 2.0}) {
            for (double gamma2 : {1.0, pt.df, 10.0 * (pt.df + 1.0)}) {
                Request r;
                r.df = pt.df;
                r.s = pt.sd * std::sqrt(pt.df + 1.0) / (2.0 * std::fabs(lambda) * std::sqrt(gamma2));
                r.alpha = pt.alpha;
                r.lambda = lambda;
                r.gamma2 = gamma2;
                r.ybar = 0.7;
                r.FunctionTol = 1e-8;
                r.ResultTol = 0.0;
                const double sign = lambda < 0.0 ? -1.0 : 1.0;
                const double scale = std::sqrt((r.df + 1.0) / r.df) * r.s / std::sqrt(gamma2);
                const double centre = r.ybar + lambda * r.s * r.s;
                for (int kind = 1; kind <= 2; ++kind) {
                    r.kind = kind;
                    const std::string tag = describe(r);
                    // The factors' roots: for a negative lambda the one-sided
                    // level turns over and the two-sided windows change places.
                    const lo::real roots[2] = {
                        kind == 1 ? (lambda < 0.0 ? *root_flip : *root_one)
                                  : (lambda < 0.0 ? *root_high : *root_low),
                        lambda < 0.0 ? *root_low : *root_high};
                    const Answer& standard = kind == 1 ? (lambda < 0.0 ? std_flip : std_one) : std_two;
                    for (int checked = 0; checked < 2; ++checked) {
                        ts::TestContext tc;
                        r.has_tols = checked == 0;
                        Answer a;
                        ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, a, tc), "") << tag;
                        const double bound = checked ? (kind == 1 ? limitproto::OneSidedBound
                                                                  : limitproto::TwoSidedBound)
                                                     : 1e-6;
                        for (int i = 0; i < kind; ++i) {
                            const double h = a.value[2 * i];
                            EXPECT_LE(distance(h, roots[i]), bound)
                                << tag << (checked ? " checked" : " plain") << " factor " << i;
                            EXPECT_NEAR(a.value[2 * i + 1], centre + sign * h * scale,
                                        1e-13 * (std::fabs(centre) + std::fabs(h * scale)))
                                << tag;
                            if (!checked) {
                                worst_plain = std::fmax(worst_plain, distance(h, roots[i]));
                                // The standard setting's factor, mirrored for lambda < 0.
                                const double hs = standard.value[kind == 2 && lambda < 0.0 ? 2 - 2 * i : 2 * i];
                                worst_spread = std::fmax(
                                    worst_spread, std::fabs(h - hs) / std::fmax(1.0, std::fabs(hs)));
                            }
                        }
                        if (kind == 2) {
                            EXPECT_LE(a.value[1], a.value[3]) << tag;
                        }
                    }
                }
            }
        }
    }
    std::printf("plain factors: worst distance from the oracle %.2g, from the standard "
                "setting's %.2g\n", worst_plain, worst_spread);
    EXPECT_LE(worst_spread, 1e-8);
}

// The checked answers are right to the bound with room to spare: kept or
// searched for only where a root lies within 0.9 of the bound, so the oracle
// finds them right at 0.95 of it. The requests are ones where the checked
// answer is decided near that edge: a plain answer off by about the bound
// (kept, or replaced by the search), and searches whose last bracket is
// about the bound wide. They come from a sweep of random requests at
// tolvane-limits' start-up tolerances (1e-8, 0).
TEST(CheckedLimits, AnswersAreRightWithinTheirShareOfTheBound) {
    struct Case {
        int kind;
        double df, s, alpha;
    };
    const Case cases[] = {{1, 196, 4.7940112571695126, 0.51950774126313981},
                          {1, 8, 15.540453102759587, 0.53865964688430268},
                          {1, 679, 3.5052656798943258, 0.71156715182119323},
                          {2, 4, 0.05281680015463909, 0.70440095868334673},
                          {2, 3, 8.3929469856581917, 0.52864039010633823},
                          {2, 3, 3.4224394519980246, 0.92950008879955481},
                          {2, 66, 6.7960820579909162, 0.31569280574719877},
                          {2, 12, 10.482141842344269, 0.11183101695193344}};
    constexpr double within = 0.95;
    for (const Case& c : cases) {
        const Request r = request(c.kind, c.df, c.s, c.alpha);
        ts::TestContext tc;
        Answer a;
        ASSERT_EQ(limitproto::answer_request(r, 1e-8, 0.0, a, tc), "") << describe(r);
        if (c.kind == 1) {
            EXPECT_TRUE(lo::right(one_sided_eq(r), a.value[0], within * limitproto::OneSidedBound))
                << describe(r) << " -> " << limitproto::format_answer(1, a);
        } else {
            for (int which = 1; which <= 2; ++which)
                EXPECT_TRUE(lo::right(two_sided_eq(r, which), a.value[2 * which - 2],
                                      within * limitproto::TwoSidedBound))
                    << describe(r) << " -> " << limitproto::format_answer(2, a) << " (limit "
                    << which << ")";
        }
    }
}
