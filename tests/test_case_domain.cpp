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
