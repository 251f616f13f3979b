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
    // benchmark's tight one, the edges of the accepted ranges
    const double tolerances[][3] = {{1e-6, 1e-8, 0.0},  {0.0, 1e-8, 0.0},     {-1.0, 1e-8, 0.0},
                                    {1e-4, 1e-8, 0.0},  {1e-9, 1e-12, 0.0},   {1e-12, 1e-14, 1e-11},
                                    {1e-4, 1e-8, 1e-11}};
    for (double alpha : cases::levels)
        for (double df : cases::dfs)
            for (double sigma : cases::sigmas)
                for (const auto& t : tolerances)
                    EXPECT_EQ(domain::case_fault(df, sigma, alpha, t[0], t[1], t[2]), "")
                        << alpha << " " << df << " " << sigma << " " << t[0] << " " << t[1];
    EXPECT_EQ(domain::sigma_fault(0.05), "");
    EXPECT_EQ(domain::alpha_fault(0.001), "");
    EXPECT_EQ(domain::alpha_fault(0.999), "");
}

TEST(CaseDomain, RefusesWithTheAcceptedRangeAndTheValue) {
    struct Case {
        std::string got, want;
    };
    const Case cases[] = {
        // the limit code truncates df, the coverage integrand does not
        {domain::df_fault(1.5), "df must be a whole number from 2 to 1000, not 1.5"},
        {domain::df_fault(2.5), "df must be a whole number from 2 to 1000, not 2.5"},
        {domain::df_fault(1.0), "df must be a whole number from 2 to 1000, not 1"},
        {domain::df_fault(0.0), "df must be a whole number from 2 to 1000, not 0"},
        {domain::df_fault(1001.0), "df must be a whole number from 2 to 1000, not 1001"},
        {domain::df_fault(1e300), "df must be a whole number from 2 to 1000, not 1e300"},
        {domain::df_fault(kNaN), "df must be a whole number from 2 to 1000, not nan"},
        {domain::sigma_fault(-1.0), "sigma must be from 0.05 to 10, not -1"},
        {domain::sigma_fault(0.0), "sigma must be from 0.05 to 10, not 0"},
        {domain::sigma_fault(0.02), "sigma must be from 0.05 to 10, not 0.02"},
        {domain::sigma_fault(12.0), "sigma must be from 0.05 to 10, not 12"},
        {domain::sigma_fault(500.0), "sigma must be from 0.05 to 10, not 500"},
        {domain::sigma_fault(kInf), "sigma must be from 0.05 to 10, not inf"},
        {domain::alpha_fault(0.0), "alpha must be from 0.001 to 0.999, not 0"},
        {domain::alpha_fault(0.9999), "alpha must be from 0.001 to 0.999, not 0.9999"},
        {domain::alpha_fault(1.5), "alpha must be from 0.001 to 0.999, not 1.5"},
        {domain::alpha_fault(kNaN), "alpha must be from 0.001 to 0.999, not nan"},
        {domain::tolerance_fault(1.0, 1.0, 1.0),
         "AdapQuadTol must be 0 (no integral) or from 1e-12 to 0.0001, not 1"},
        {domain::tolerance_fault(1e-3, 1e-8, 0.0),
         "AdapQuadTol must be 0 (no integral) or from 1e-12 to 0.0001, not 0.001"},
        {domain::tolerance_fault(1e-13, 1e-8, 0.0),
         "AdapQuadTol must be 0 (no integral) or from 1e-12 to 0.0001, not 1e-13"},
        {domain::tolerance_fault(kNaN, 1e-8, 0.0),
         "AdapQuadTol must be 0 (no integral) or from 1e-12 to 0.0001, not nan"},
        // 2e-8 already gives a two-sided coverage 3.4e-3 off (df 100, sigma 10, alpha 0.001)
        {domain::tolerance_fault(1e-6, 2e-8, 0.0), "FunctionTol must be from 1e-14 to 1e-8, not 2e-8"},
        {domain::tolerance_fault(1e-6, 1e-6, 0.0), "FunctionTol must be from 1e-14 to 1e-8, not 1e-6"},
        {domain::tolerance_fault(1e-6, 0.0, 0.0), "FunctionTol must be from 1e-14 to 1e-8, not 0"},
        {domain::tolerance_fault(1e-6, -1e-8, 0.0),
         "FunctionTol must be from 1e-14 to 1e-8, not -1e-8"},
        {domain::tolerance_fault(1e-6, 1e-8, 1e-10), "ResultTol must be from 0 to 1e-11, not 1e-10"},
        {domain::tolerance_fault(1e-6, 1e-8, -1.0), "ResultTol must be from 0 to 1e-11, not -1"},
        {domain::tolerance_fault(1e-6, 1e-8, 0.1234567891234),
         "ResultTol must be from 0 to 1e-11, not 0.123456789"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CaseDomain, WholeCaseReportsItsFirstFaultInTheOrderOfTheQuestions) {
    EXPECT_EQ(domain::case_fault(1.5, -1.0, 2.0, 1.0, 1.0, 1.0),
              "df must be a whole number from 2 to 1000, not 1.5");
    EXPECT_EQ(domain::case_fault(10.0, -1.0, 2.0, 1.0, 1.0, 1.0),
              "sigma must be from 0.05 to 10, not -1");
    EXPECT_EQ(domain::case_fault(10.0, 1.0, 2.0, 1.0, 1.0, 1.0),
              "alpha must be from 0.001 to 0.999, not 2");
    EXPECT_EQ(domain::case_fault(10.0, 1.0, 0.9, 1e-6, 1.0, 1.0),
              "FunctionTol must be from 1e-14 to 1e-8, not 1");
}
