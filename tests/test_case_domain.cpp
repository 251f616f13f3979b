// The cases the program accepts for computing: every case of the fixed tables
// with every tolerance setting the program documents or uses, and the exact
// reason for each value outside.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "CaseDomain.h"
#include "CaseTables.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(CaseDomain, AcceptsEveryTableCaseWithTheToleranceSettingsInUse) {
    // suggested, AdapQuadTol 0 (no integral), the tests' quick setting, the
    // benchmark's tight one, the edges of the limits' measured domain, and
    // stored files' looser settings
    const double tolerances[][3] = {{1e-6, 1e-8, 0.0},  {0.0, 1e-8, 0.0},   {-1.0, 1e-8, 0.0},
                                    {1e-4, 1e-8, 0.0},  {1e-9, 1e-12, 0.0}, {1e-12, 1e-14, 1e-11},
                                    {1e-4, 1e-8, 1e-11}, {1e-4, 1e-6, 0.0},  {0.01, 1e-6, 1e-6}};
    for (double alpha : cases::levels)
        for (double df : cases::dfs)
            for (double sigma : cases::sigmas)
                for (const auto& t : tolerances)
                    EXPECT_EQ(domain::case_fault(df, sigma, alpha, t[0], t[1], t[2]), "")
                        << alpha << " " << df << " " << sigma << " " << t[0] << " " << t[1];
}

// Cases whose limits are wrong or unmeasured are computed all the same: the
// integral measures those limits (df 2000, sigma 0.05, alpha 0.001 two-sided
// gave 0.8356, the true coverage of limits that are wrong there).
TEST(CaseDomain, ComputesCasesOutsideTheLimitsDomain) {
    const double accepted[][3] = {{2000.0, 0.05, 0.001}, {100.0, 10.0, 0.001}, {10.0, 30.0, 0.999},
                                  {1e6, 1.0, 0.5},       {2.0, 1e-150, 1e-9},  {3.0, 1e150, 0.9999}};
    for (const auto& c : accepted)
        EXPECT_EQ(domain::case_fault(c[0], c[1], c[2], 1e-6, 1e-6, 0.0), "") << c[0] << " " << c[1];
}

TEST(CaseDomain, RefusesWithTheAcceptedRangeAndTheValue) {
    struct Case {
        std::string got, want;
    };
    const Case cases[] = {
        // the limit code truncates df, the coverage integrand does not
        {domain::df_fault(1.5), "df must be a whole number from 2 up, not 1.5"},
        {domain::df_fault(2.5), "df must be a whole number from 2 up, not 2.5"},
        {domain::df_fault(1.0), "df must be a whole number from 2 up, not 1"},
        {domain::df_fault(0.0), "df must be a whole number from 2 up, not 0"},
        {domain::df_fault(kInf), "df must be a whole number from 2 up, not inf"},
        {domain::df_fault(kNaN), "df must be a whole number from 2 up, not nan"},
        {domain::sigma_fault(-1.0), "sigma must be from 1e-150 to 1e150, not -1"},
        {domain::sigma_fault(0.0), "sigma must be from 1e-150 to 1e150, not 0"},
        {domain::sigma_fault(1e-200), "sigma must be from 1e-150 to 1e150, not 1e-200"},
        {domain::sigma_fault(1e155), "sigma must be from 1e-150 to 1e150, not 1e155"},
        {domain::sigma_fault(kInf), "sigma must be from 1e-150 to 1e150, not inf"},
        {domain::sigma_fault(kNaN), "sigma must be from 1e-150 to 1e150, not nan"},
        {domain::alpha_fault(0.0), "alpha must be above 0 and below 1, not 0"},
        {domain::alpha_fault(1.0), "alpha must be above 0 and below 1, not 1"},
        {domain::alpha_fault(1.5), "alpha must be above 0 and below 1, not 1.5"},
        {domain::alpha_fault(kNaN), "alpha must be above 0 and below 1, not nan"},
        // from 0.5 on the two halves of the p-range turn over
        {domain::tolerance_fault(0.5, 1e-8, 0.0), "AdapQuadTol must be a number below 0.5, not 0.5"},
        {domain::tolerance_fault(1.0, 1.0, 1.0), "AdapQuadTol must be a number below 0.5, not 1"},
        {domain::tolerance_fault(kNaN, 1e-8, 0.0), "AdapQuadTol must be a number below 0.5, not nan"},
        {domain::tolerance_fault(1e-6, -1e-8, 0.0),
         "FunctionTol must be a finite number from 0 up, not -1e-8"},
        {domain::tolerance_fault(1e-6, kNaN, 0.0),
         "FunctionTol must be a finite number from 0 up, not nan"},
        {domain::tolerance_fault(1e-6, kInf, 0.0),
         "FunctionTol must be a finite number from 0 up, not inf"},
        {domain::tolerance_fault(1e-6, 1e-8, -1.0),
         "ResultTol must be a finite number from 0 up, not -1"},
        {domain::tolerance_fault(1e-6, 1e-8, kNaN),
         "ResultTol must be a finite number from 0 up, not nan"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CaseDomain, WholeCaseReportsItsFirstFaultInTheOrderOfTheQuestions) {
    EXPECT_EQ(domain::case_fault(1.5, -1.0, 2.0, 1.0, -1.0, -1.0),
              "df must be a whole number from 2 up, not 1.5");
    EXPECT_EQ(domain::case_fault(10.0, -1.0, 2.0, 1.0, -1.0, -1.0),
              "sigma must be from 1e-150 to 1e150, not -1");
    EXPECT_EQ(domain::case_fault(10.0, 1.0, 2.0, 1.0, -1.0, -1.0),
              "alpha must be above 0 and below 1, not 2");
    EXPECT_EQ(domain::case_fault(10.0, 1.0, 0.9, 1e-6, -1.0, -1.0),
              "FunctionTol must be a finite number from 0 up, not -1");
}

// The record outside the limits' domain names every value that lies outside,
// and nothing for a case of the fixed tables at the suggested tolerances.
TEST(CaseDomain, NamesTheValuesOutsideTheLimitsDomain) {
    for (double alpha : cases::levels)
        for (double df : cases::dfs)
            for (double sigma : cases::sigmas)
                EXPECT_EQ(domain::outside_limits_domain(df, sigma, alpha, 1e-6, 1e-8, 0.0), "");
    EXPECT_EQ(domain::outside_limits_domain(10.0, 1.0, 0.9, 0.0, 1e-8, 0.0), "");
    EXPECT_EQ(domain::outside_limits_domain(2000.0, 0.04, 0.9999, 1e-3, 1e-6, 1e-10),
              "df 2000, sigma 0.04, alpha 0.9999, AdapQuadTol 0.001, FunctionTol 1e-6, "
              "ResultTol 1e-10");
    EXPECT_EQ(domain::outside_limits_domain(10.0, 12.0, 0.0005, 1e-13, 1e-15, 0.0),
              "sigma 12, alpha 0.0005, AdapQuadTol 1e-13, FunctionTol 1e-15");
}

// In any other setting of lambda and gamma^2 the limits see sigma only through
// sd* = 2|lambda| gamma sigma/sqrt(df + 1), so the domain bounds sd* (sigma in
// the standard setting, whose texts stay as they were); at lambda 0 the t
// limits are exact and only AdapQuadTol is bounded.
TEST(CaseDomain, OtherSettingsAreBoundedInSdStar) {
    // The standard setting, given as numbers: the same texts.
    for (double sigma : {0.01, 1.0, 12.0}) {
        EXPECT_EQ(domain::outside_limits_domain(10.0, sigma, 0.9, 1e-6, 1e-8, 0.0, 0.5, 11.0),
                  domain::outside_limits_domain(10.0, sigma, 0.9, 1e-6, 1e-8, 0.0));
    }
    EXPECT_EQ(domain::limits_domain(0.5, 11.0, 10.0), domain::limits_domain());
    EXPECT_EQ(domain::limits_domain(),
              "df 2 to 1000, sigma 0.05 to 10, alpha 0.001 to 0.999, AdapQuadTol 0 or 1e-12 to "
              "0.0001, FunctionTol 1e-14 to 1e-8, ResultTol 0 to 1e-11");

    // lambda 2, gamma^2 10 (df + 1) at df 99: sd* = 4 sqrt(10) sigma, so sigma 1
    // (inside the standard domain) is sd* 12.6, and sigma 0.01 is sd* 0.126.
    EXPECT_EQ(domain::outside_limits_domain(99.0, 1.0, 0.9, 1e-6, 1e-8, 0.0, 2.0, 1000.0),
              "sd* 12.6491106 (sigma 1)");
    EXPECT_EQ(domain::outside_limits_domain(99.0, 0.01, 0.9, 1e-6, 1e-8, 0.0, 2.0, 1000.0), "");
    // A negative lambda is the mirror image of |lambda|: the same bounds.
    EXPECT_EQ(domain::outside_limits_domain(99.0, 0.01, 0.9, 1e-6, 1e-8, 0.0, -2.0, 1000.0), "");
    EXPECT_EQ(domain::outside_limits_domain(99.0, 0.001, 0.9, 1e-6, 1e-8, 0.0, -2.0, 1000.0),
              "sd* 0.0126491106 (sigma 0.001)");
    // lambda 0.25, gamma^2 1 at df 3: sd* = sigma/4; the other values as ever.
    EXPECT_EQ(domain::outside_limits_domain(3.0, 0.1, 0.9999, 1e-6, 1e-6, 0.0, 0.25, 1.0),
              "sd* 0.025 (sigma 0.1), alpha 0.9999, FunctionTol 1e-6");
    EXPECT_EQ(domain::sd_star(0.1, 0.25, 1.0, 3.0), 0.025);
    EXPECT_EQ(domain::limits_domain(0.25, 1.0, 3.0),
              "df 2 to 1000, sd* 0.05 to 10 (sd* = 2|lambda|*gamma*sigma/sqrt(df+1)), alpha "
              "0.001 to 0.999, AdapQuadTol 0 or 1e-12 to 0.0001, FunctionTol 1e-14 to 1e-8, "
              "ResultTol 0 to 1e-11");

    // lambda 0: any df, sigma, alpha and limit tolerance; AdapQuadTol still bounded.
    EXPECT_EQ(domain::outside_limits_domain(5000.0, 1e6, 0.9999, 1e-6, 1e-2, 1.0, 0.0, 5001.0), "");
    EXPECT_EQ(domain::outside_limits_domain(10.0, 1.0, 0.9, 1e-3, 1e-8, 0.0, 0.0, 11.0),
              "AdapQuadTol 0.001");
    EXPECT_EQ(domain::limits_domain(0.0, 11.0, 10.0),
              "the t limits of lambda 0, at every df, sigma and alpha: AdapQuadTol 0 or 1e-12 to "
              "0.0001");
}
