// Output records: renderings fixed by an independent Fortran run-time, the
// report and terminal formats of the input-file run, and free-form records.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "records.h"
#include "test_support.h"

namespace {

std::string listed(std::initializer_list<rec::Item> items) {
    std::ostringstream out;
    rec::list(out, items);
    return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// ---- whole records rendered by a Fortran run-time ----

TEST(Formatted, ReferenceRecords) {
    EXPECT_EQ(rec::format("(F7.3,F5.0,F5.1,1p,2(E12.3),3E7.0,0p,F6.1,A5,I7,)",
                          {0.9, 10.0, 1.0, 0.9000012, -1.234e-6, 1e-6, 1e-8, 0.0, 0.0123, " min.",
                           1092}),
              "  0.900  10.  1.0   9.000E-01  -1.234E-06 1.E-06 1.E-08 0.E+00   0.0 min.   1092");
    EXPECT_EQ(rec::format("(F7.3,F5.0,F9.5,1p,2(E14.3),0p,F9.2,A9,I7)",
                          {0.9, 10.0, 1.0, 0.9000012, -1.234e-6, 0.0123, " minutes", 1092}),
              "  0.900  10.  1.00000     9.000E-01    -1.234E-06     0.01  minutes   1092");
    EXPECT_EQ(rec::format("(F6.3,F5.0,F7.1,1p,2(E8.1),3E7.0,0p,F9.1,A5,I7)",
                          {0.05, 100.0, 1.0, 0.0500012, -1.234e-6, 1e-4, 1e-6, 0.0, 1.5, " min.",
                           2184}),
              " 0.050 100.    1.0 5.0E-02-1.2E-06 1.E-04 1.E-06 0.E+00      1.5 min.   2184");
    EXPECT_EQ(rec::format("(F9.3,F7.0,F7.2,1p,2(E14.3),0p,F9.2,A9,I7)",
                          {0.05, 100.0, 1.0, 0.0500012, -1.234e-6, 1.5, " min. ", 2184}),
              "    0.050   100.   1.00     5.000E-02    -1.234E-06     1.50    min.    2184");
    EXPECT_EQ(rec::format("(A20,2F10.4,F7.1,F8.3)", {"Mu,Sigma,df,alpha are ", 0.0, 1.0, 100.0, 0.05}),
              "Mu,Sigma,df,alpha ar    0.0000    1.0000  100.0   0.050");
    EXPECT_EQ(rec::format("(A14,1p,E8.1,A14,E8.1,A14,E8.1)",
                          {" AdapQuadTol: ", 1e-6, " FunctionTol: ", 1e-8, " ResultTol: ", 0.0}),
              " AdapQuadTol:  1.0E-06 FunctionTol:  1.0E-08   ResultTol:  0.0E+00");
    EXPECT_EQ(rec::format("(I2,a1,I2,A4,I2,A1,I2,A1,I4)", {9, ":", 5, "  ", 12, "/", 7, "/", 2026}),
              " 9: 5    12/ 7/2026");
    EXPECT_EQ(rec::format("(A1)", {"-"}), "-");
}

TEST(Formatted, ReferenceFields) {
    EXPECT_EQ(rec::format("(F5.1)", {1000.0}), "*****");
    EXPECT_EQ(rec::format("(F6.1)", {-0.04}), "  -0.0");
    EXPECT_EQ(rec::format("(F5.0)", {2.0}), "   2.");
    EXPECT_EQ(rec::format("(F7.3)", {0.001}), "  0.001");
    EXPECT_EQ(rec::format("(1p,E12.3)", {0.99899997}), "   9.990E-01");
    EXPECT_EQ(rec::format("(1p,E12.3)", {-2.5e-300}), "  -2.500-300");
    EXPECT_EQ(rec::format("(1p,E8.1)", {0.0}), " 0.0E+00");
    EXPECT_EQ(rec::format("(E12.3)", {0.5}), "   0.500E+00");
    EXPECT_EQ(rec::format("(1p,E7.0)", {5e-7}), " 5.E-07");
    EXPECT_EQ(rec::format("(I7)", {-42}), "    -42");
    EXPECT_EQ(rec::format("(I2)", {123}), "**");
    EXPECT_EQ(rec::format("(A5,A9,A4,A3)", {" min.", " minutes", "  ", "abcdef"}),
              " min.  minutes    abc");
    EXPECT_EQ(rec::format("(F9.2)", {-1439.5}), " -1439.50");
}

// ---- rounding, fields too narrow, scale factor, exponents ----

TEST(Formatted, FixedPointRounding) {
    // Rounded from the exact binary value: the double nearest 2.675 lies below it.
    EXPECT_EQ(rec::format("(F6.2)", {2.675}), "  2.67");
    EXPECT_EQ(rec::format("(F6.2)", {0.995}), "  0.99");
    EXPECT_EQ(rec::format("(F6.2)", {9.999}), " 10.00");
    EXPECT_EQ(rec::format("(F5.0)", {0.0}), "   0.");
    EXPECT_EQ(rec::format("(F5.0)", {-0.4}), "  -0.");
    EXPECT_EQ(rec::format("(F4.1)", {-9.96}), "****");  // -10.0 needs five columns
    EXPECT_EQ(rec::format("(F5.1)", {-9.96}), "-10.0");
    EXPECT_EQ(rec::format("(F4.3)", {0.5}), ".500");  // the optional leading zero goes first
    EXPECT_EQ(rec::format("(F3.3)", {0.5}), "***");
    EXPECT_EQ(rec::format("(F9.1)", {-1.0 / 60.0}), "     -0.0");
    EXPECT_EQ(rec::format("(F0.3,I0,1X,F0.1)", {1.5, -42, 0.25}), "1.500-42 0.2");
    // All 309 digits of the double nearest 1e308, right-justified.
    const std::string huge = rec::format("(F320.2)", {1.0e308});
    EXPECT_EQ(huge.size(), 320u);
    EXPECT_EQ(huge.substr(0, 12), "        1000");
    EXPECT_EQ(huge.substr(huge.size() - 12), "223118336.00");
}

TEST(Formatted, ExponentForms) {
    EXPECT_EQ(rec::format("(1p,E12.3)", {1.0}), "   1.000E+00");
    EXPECT_EQ(rec::format("(1p,E12.3)", {9.9996}), "   1.000E+01");  // carry into the exponent
    EXPECT_EQ(rec::format("(1p,E12.3)", {1.0e100}), "   1.000+100");
    EXPECT_EQ(rec::format("(1p,E12.3)", {1.0e-99}), "   1.000E-99");
    EXPECT_EQ(rec::format("(1p,E12.3)", {2.2250738585072014e-308}), "   2.225-308");
    EXPECT_EQ(rec::format("(1p,E8.1)", {-1.234e-6}), "-1.2E-06");
    EXPECT_EQ(rec::format("(1p,E7.1)", {-1.234e-6}), "*******");
    EXPECT_EQ(rec::format("(1p,E10.3E3)", {1.5e-5}), "1.500E-005");
    EXPECT_EQ(rec::format("(E10.3)", {-0.00123}), "-0.123E-02");
    EXPECT_EQ(rec::format("(E9.3)", {-0.00123}), "-.123E-02");  // leading zero dropped
    EXPECT_EQ(rec::format("(E12.3)", {0.0}), "   0.000E+00");
}

TEST(Formatted, ScaleFactorStaysUntilReset) {
    // 1p stays in force through groups and is undone by 0p; under 1p an F field
    // is scaled by ten, as the run-time does.
    EXPECT_EQ(rec::format("(1p,E10.2,F6.2,0p,F6.2,E10.2)", {0.5, 0.5, 0.5, 0.5}),
              "  5.00E-01  5.00  0.50  0.50E+00");
    EXPECT_EQ(rec::format("(1PE10.2)", {123.0}), "  1.23E+02");
}

TEST(Formatted, RepeatsGroupsAndSpacing) {
    EXPECT_EQ(rec::format("(2(I3,A1),I2)", {1, "a", 2, "b", 3}), "  1a  2b 3");
    EXPECT_EQ(rec::format("( 3 i 2 )", {1, 2, 3}), " 1 2 3");
    EXPECT_EQ(rec::format("(I2,2X,'x=',F4.1)", {7, 2.5}), " 7  x= 2.5");
    EXPECT_EQ(rec::format("(A)", {"as it stands  "}), "as it stands  ");
    EXPECT_EQ(rec::format("(A3)", {"ab"}), " ab");
}

TEST(Formatted, ItemCountAgainstDescriptors) {
    // Fewer items: output stops at the first data descriptor without an item.
    EXPECT_EQ(rec::format("(I3,I3,I3)", {1}), "  1");
    EXPECT_EQ(rec::format("(A1)", {}), "");
    EXPECT_EQ(rec::format("(I2,'|',I2,'|')", {4}), " 4|");
    // More items: a new record, restarting at the last group.
    EXPECT_EQ(rec::format("(A2,2(I2))", {"x", 1, 2, 3, 4, 5}), " x 1 2\n 3 4\n 5");
    EXPECT_EQ(rec::format("(I2)", {1, 2}), " 1\n 2");
}

TEST(Formatted, WrongItemKindIsVisible) {
    // An integer is accepted under F and E (same value); a real under I or a
    // number under A is the caller's mistake and is shown as asterisks.
    EXPECT_EQ(rec::format("(F5.0,E10.2)", {10, 10}), "  10.  0.10E+02");
    EXPECT_EQ(rec::format("(I4)", {1.0}), "****");
    EXPECT_EQ(rec::format("(A3)", {1}), "***");
    EXPECT_EQ(rec::format("(F4.1)", {"x"}), "****");
}

TEST(Formatted, ReportAndTerminalRecordsOfTheFileRun) {
    // The one-sided and two-sided report and terminal records with ordinary values.
    EXPECT_EQ(rec::format("(F7.3,F5.0,F5.1,1p,2(E12.3),3E7.0,0p,F6.1,A5,I7,)",
                          {0.001, 1000.0, 10.0, 0.00099999123, -8.77e-9, 1e-6, 1e-8, 0.0, 12.25,
                           " min.", 123456}),
              "  0.0011000. 10.0   1.000E-03  -8.770E-09 1.E-06 1.E-08 0.E+00  12.2 min. 123456");
    EXPECT_EQ(rec::format("(F7.3,F5.0,F9.5,1p,2(E14.3),0p,F9.2,A9,I7)",
                          {0.999, 2.0, 0.1, 0.99900001, 1.0e-8, 0.02, " minutes", 42}),
              "  0.999   2.  0.10000     9.990E-01     1.000E-08     0.02  minutes     42");
    EXPECT_EQ(rec::format("(F6.3,F5.0,F7.1,1p,2(E8.1),3E7.0,0p,F9.1,A5,I7)",
                          {0.995, 3.0, 10.0, 0.00499, 1.0e-5, 1e-6, 1e-8, 0.0, 271.94, " min.",
                           9999999}),
              " 0.995   3.   10.0 5.0E-03 1.0E-05 1.E-06 1.E-08 0.E+00    271.9 min.9999999");
    EXPECT_EQ(rec::format("(F9.3,F7.0,F7.2,1p,2(E14.3),0p,F9.2,A9,I7)",
                          {0.1, 5.0, 10.0, 0.1000049, -4.9e-6, 1.0 / 60.0, " min. ", 1}),
              "    0.100     5.  10.00     1.000E-01    -4.900E-06     0.02    min.       1");
    // A count of ten million overflows I7; elapsed minutes of a case past midnight are negative.
    EXPECT_EQ(rec::format("(F9.2,A5,I7)", {-1439.98, " min.", 10000000}), " -1439.98 min.*******");
}

TEST(Formatted, WrittenWithLineEnd) {
    std::ostringstream out;
    rec::formatted(out, "(A1)", {"-"});
    rec::formatted(out, "(I3)", {});
    EXPECT_EQ(out.str(), "-\n\n");
}

// ---- free-form records ----

TEST(FreeForm, RealItems) {
    EXPECT_EQ(rec::list_real(0.0), "  0.");
    EXPECT_EQ(rec::list_real(1.0), "  1.");
    EXPECT_EQ(rec::list_real(0.5), "  0.5");
    EXPECT_EQ(rec::list_real(-0.5), " -0.5");
    EXPECT_EQ(rec::list_real(0.1), "  0.1");
    EXPECT_EQ(rec::list_real(1.0 / 3.0), "  0.333333333");
    EXPECT_EQ(rec::list_real(-2.0 / 3.0), " -0.666666667");
    EXPECT_EQ(rec::list_real(100.0), "  100.");
    EXPECT_EQ(rec::list_real(123456789.0), "  123456789.");
    EXPECT_EQ(rec::list_real(1e9), "  1.E+09");
    EXPECT_EQ(rec::list_real(999999999.7), "  1.E+09");  // rounds up into exponent form
    EXPECT_EQ(rec::list_real(1.5e9), "  1.5E+09");
    EXPECT_EQ(rec::list_real(1e-4), "  0.0001");
    EXPECT_EQ(rec::list_real(1.23456789012e-4), "  0.000123456789");
    EXPECT_EQ(rec::list_real(1e-5), "  1.E-05");
    EXPECT_EQ(rec::list_real(-9.99999999e-5), " -9.99999999E-05");
    EXPECT_EQ(rec::list_real(0.999999999951), "  1.");
    EXPECT_EQ(rec::list_real(2.7536241186062e-89), "  2.75362412E-89");
    EXPECT_EQ(rec::list_real(1.7976931348623157e308), "  1.79769313E+308");
    EXPECT_EQ(rec::list_real(-0.94999999), " -0.94999999");
}

TEST(FreeForm, ItemsAsTheyStand) {
    EXPECT_EQ(listed({"Value in file is ", 3}), " Value in file is  3\n");
    EXPECT_EQ(listed({"ier,lvl: ", 5, 0}), " ier,lvl:  5 0\n");
    EXPECT_EQ(listed({"a", -7, "b"}), " a -7b\n");
    EXPECT_EQ(listed({"trailing ", "blanks  "}), " trailing blanks  \n");
    EXPECT_EQ(listed({"Approx. to integral is (should be 1-alpha)", 0.95}),
              " Approx. to integral is (should be 1-alpha)  0.95\n");
    EXPECT_EQ(listed({}), "\n");
    EXPECT_EQ(listed({""}), " \n");
}

TEST(FreeForm, LongRecordsWrapBeforeColumn80) {
    // A 72-character name after the 27-character message would reach column 100.
    const std::string name = std::string("report.out") + std::string(62, ' ');
    EXPECT_EQ(listed({" Error in 1st line of file ", name}),
              "  Error in 1st line of file \n " + name + "\n");

    // Reals of 16 columns each: four fit in 1 + 64 columns, the fifth would end at 81.
    const double a = 1.0e-20 / 3;
    std::ostringstream out;
    rec::list(out, {a, a, a, a, 5.0e-20 / 7, 1.5, 2.5});
    const auto lines = lines_of(out.str());
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& l : lines) {
        EXPECT_LT(l.size(), 80u);
        EXPECT_EQ(l[0], ' ');
    }
    EXPECT_EQ(lines[0], "   3.33333333E-21  3.33333333E-21  3.33333333E-21  3.33333333E-21");
    EXPECT_EQ(lines[1], "   7.14285714E-21  1.5  2.5");

    // An item ending exactly in column 79 stays, one ending in column 80 moves.
    EXPECT_EQ(lines_of(listed({std::string(70, 'x'), std::string(8, 'y')})).size(), 1u);
    EXPECT_EQ(lines_of(listed({std::string(70, 'x'), std::string(9, 'y')})).size(), 2u);
    // A single item longer than a line is written whole.
    EXPECT_EQ(listed({std::string(100, 'z')}), " " + std::string(100, 'z') + "\n");
}

TEST(FreeForm, ListWritesAWholeRecordAndPushesIt) {
    // A record must stand whole at its destination as soon as it is written:
    // a run stopped in the middle of a case shows every record before the stop.
    std::ostringstream target;
    struct Counting : std::stringbuf {
        int syncs = 0;
        int sync() override {
            ++syncs;
            return 0;
        }
    } buf;
    std::ostream out(&buf);
    rec::list(out, {"error is ", 1.0e-3});
    EXPECT_EQ(buf.syncs, 1);
    rec::list(out, {});
    EXPECT_EQ(buf.syncs, 2);
    EXPECT_EQ(buf.str(), " error is   0.001\n\n");
}

}  // namespace
