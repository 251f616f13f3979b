// Free-form input: separators, reads over several lines, quoted names, the
// dropped remainder of a line, slashes and null values, and faults.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <istream>
#include <sstream>
#include <string>

#include "freeform.h"
#include "test_support.h"

namespace {

TEST(FreeFormRead, SeparatorsAndSeveralLines) {
    std::istringstream in("3\n1, 4\n  5 ,  6\n1e-6,1d-8   0\n\n\n 10\n  0.1\n 0.05 \n");
    ff::Reader r(in, "test");
    std::int32_t kind = 0, a = 0, b = 0, c = 0, d = 0;
    r.read({kind});
    r.read({a, b});
    r.read({c, d});
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(c, 5);
    EXPECT_EQ(d, 6);
    double t1 = -1, t2 = -1, t3 = -1;
    r.read({t1, t2, t3});
    EXPECT_EQ(t1, 1e-6);
    EXPECT_EQ(t2, 1e-8);
    EXPECT_EQ(t3, 0.0);
    // df, sigma, alpha typed on separate lines, after blank lines, are one answer.
    double df = 0, sigma = 0, alpha = 0;
    r.read({df, sigma, alpha});
    EXPECT_EQ(df, 10.0);
    EXPECT_EQ(sigma, 0.1);
    EXPECT_EQ(alpha, 0.05);
}

TEST(FreeFormRead, EachReadStartsOnANewLine) {
    std::istringstream in("1 2 3 4\n5 extra words here\n\nanything at all\n7\n");
    ff::Reader r(in, "test");
    std::int32_t a = 0, b = 0, c = 0;
    r.read({a, b});   // 3 and 4 are dropped
    r.read({c});      // so is the rest of the second line
    r.read({});       // a read without targets takes one line, an empty one too
    r.read({});
    r.read({a});
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 5);
    EXPECT_EQ(a, 7);
}

TEST(FreeFormRead, RealForms) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1e-6", 1e-6}, {"1d-6", 1e-6},   {"1D+3", 1e3},     {"1.", 1.0},   {".5", 0.5},
        {"1", 1.0},     {"-0", -0.0},     {"+2.5E2", 250.0}, {"1.5-3", 1.5e-3}, {"0.1", 0.1},
        {"1q2", 100.0}, {"1e-400", 0.0}, {"4.9e-324", 4.9e-324},
    };
    for (const auto& c : cases) {
        std::istringstream in(std::string(c.text) + "\n");
        ff::Reader r(in, "test");
        double v = 99.0;
        std::string fault;
        ASSERT_TRUE(r.try_read({v}, fault)) << c.text << ": " << fault;
        EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(std::signbit(v), std::signbit(c.value)) << c.text;
    }
    for (const char* bad : {"abc", "1.2.3", "e5", ".", "1e", "--1", "1e999", "0x10", "inf", "'1'"}) {
        std::istringstream in(std::string(bad) + "\n");
        ff::Reader r(in, "test");
        double v = 99.0;
        std::string fault;
        EXPECT_FALSE(r.try_read({v}, fault)) << bad;
        EXPECT_NE(fault.find("real"), std::string::npos) << fault;
    }
}

TEST(FreeFormRead, IntegerForms) {
    for (const auto& [text, value] : {std::pair<const char*, int>{"7", 7}, {"-1", -1}, {"+12", 12},
                                      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}}) {
        std::istringstream in(std::string(text) + "\n");
        ff::Reader r(in, "test");
        std::int32_t v = 0;
        std::string fault;
        ASSERT_TRUE(r.try_read({v}, fault)) << text;
        EXPECT_EQ(v, value);
    }
    for (const char* bad : {"1.5", "2.", "1e3", "abc", "2147483648", "'1'", "-"}) {
        std::istringstream in(std::string(bad) + "\n");
        ff::Reader r(in, "test");
        std::int32_t v = 42;
        std::string fault;
        EXPECT_FALSE(r.try_read({v}, fault)) << bad;
        EXPECT_NE(fault.find("integer"), std::string::npos) << fault;
    }
}

TEST(FreeFormRead, CharacterValues) {
    std::istringstream in(
        "plain.out\n"
        "'my dir/report, 1.out' trailing\n"
        "\"it's\"\n"
        "'don''t'\n"
        "'continued\n"
        "name'\n"
        "abcdefghij\n");
    ff::Reader r(in, "test");
    std::string s;
    r.read({s});
    EXPECT_EQ(s, "plain.out");
    r.read({s});
    EXPECT_EQ(s, "my dir/report, 1.out");
    r.read({s});
    EXPECT_EQ(s, "it's");
    r.read({s});
    EXPECT_EQ(s, "don't");
    r.read({s});  // a quoted value goes on over the line end
    EXPECT_EQ(s, "continuedname");
    r.read({ff::Target(s, 4)});  // cut to the declared length
    EXPECT_EQ(s, "abcd");
}

TEST(FreeFormRead, UnquotedValuesEndAtSeparators) {
    std::istringstream in("a b,c/d\n");
    ff::Reader r(in, "test");
    std::string x, y, z, w = "unchanged";
    r.read({x, y, z, w});
    EXPECT_EQ(x, "a");
    EXPECT_EQ(y, "b");
    EXPECT_EQ(z, "c");
    EXPECT_EQ(w, "unchanged");  // the slash ended the read
}

TEST(FreeFormRead, SlashNullValuesAndRepeats) {
    std::istringstream in("1 / 2 3\n4,,6\n,8\n2*9 1\n3*\n");
    ff::Reader r(in, "test");
    std::int32_t a = 0, b = -1, c = -1;
    r.read({a, b, c});
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, -1);
    r.read({a, b, c});  // two commas leave the middle target unchanged
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, 6);
    a = -5;
    r.read({a, b});  // a leading comma: a null first value
    EXPECT_EQ(a, -5);
    EXPECT_EQ(b, 8);
    r.read({a, b, c});
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 9);
    EXPECT_EQ(c, 1);
    a = b = c = 0;
    r.read({a, b, c});  // three null values
    EXPECT_EQ(a + b + c, 0);
}

TEST(FreeFormRead, MissingSixthRecordIsReportedByTryRead) {
    // The one read with an error branch: a missing or malformed record is a
    // fault the caller handles, and the targets read before it keep their values.
    std::string fault;
    {
        std::istringstream in("1 2\n");
        ff::Reader r(in, "cases.in");
        std::int32_t x = 0, lo = 1, hi = 3;
        r.read({x, x});
        EXPECT_FALSE(r.try_read({lo, hi}, fault));
        EXPECT_NE(fault.find("end of input"), std::string::npos);
        EXPECT_EQ(lo, 1);
    }
    {
        std::istringstream in("2\n");
        ff::Reader r(in, "cases.in");
        std::int32_t lo = 1, hi = 3;
        EXPECT_FALSE(r.try_read({lo, hi}, fault));
        EXPECT_EQ(lo, 2);
        EXPECT_EQ(hi, 3);
    }
    {
        std::istringstream in("2 x\n");
        ff::Reader r(in, "cases.in");
        std::int32_t lo = 1, hi = 3;
        EXPECT_FALSE(r.try_read({lo, hi}, fault));
        EXPECT_NE(fault.find("\"x\""), std::string::npos);
    }
    {
        std::istringstream in("'never closed\n");
        ff::Reader r(in, "cases.in");
        std::string s;
        EXPECT_FALSE(r.try_read({s}, fault));
        EXPECT_NE(fault.find("quoted"), std::string::npos);
    }
}

TEST(FreeFormRead, ReadWithoutErrorBranchEndsTheProgram) {
    auto bad_value = [] {
        std::istringstream in("abc\n");
        ff::Reader r(in, "cases.in");
        std::int32_t v = 0;
        r.read({v});
    };
    EXPECT_EXIT(bad_value(), testing::ExitedWithCode(2), "^tolvane: cases.in: .*integer.*\"abc\"\n$");
    auto end_of_input = [] {
        std::istringstream in("");
        ff::Reader r(in, "standard input");
        double v = 0;
        r.read({v});
    };
    EXPECT_EXIT(end_of_input(), testing::ExitedWithCode(2),
                "^tolvane: standard input: end of input.*real.*\n$");
    auto empty_read_at_end = [] {
        std::istringstream in("");
        ff::Reader r(in, "standard input");
        r.read({});
    };
    EXPECT_EXIT(empty_read_at_end(), testing::ExitedWithCode(2), "end of input");
}

// ---- input that fails or misleads ----

TEST(FreeFormInput, ByteOrderMarkOpensOnlyTheFirstLine) {
    std::istringstream in("\xEF\xBB\xBF" "3\n\xEF\xBB\xBF" "4\n");
    ff::Reader r(in, "bom.in");
    std::int32_t v = 0;
    std::string fault;
    EXPECT_TRUE(r.try_read({v}, fault)) << fault;
    EXPECT_EQ(v, 3);
    // Anywhere else the mark is part of a value.
    EXPECT_FALSE(r.try_read({v}, fault));
    EXPECT_EQ(fault, "bad integer \"\xEF\xBB\xBF" "4\"");
}

TEST(FreeFormInput, LinesAreBoundedAndCounted) {
    const std::string full(ff::max_line, ' ');
    std::istringstream in("1\n" + full + "\n\n2\n" + full + "x\n5\n");
    ff::Reader r(in, "long.in");
    std::int32_t a = 0, b = 0;
    std::string fault;
    ASSERT_TRUE(r.try_read({a}, fault));
    EXPECT_EQ(r.line(), 1);
    // A line of the longest length is taken, and a read runs on over blank lines.
    ASSERT_TRUE(r.try_read({b}, fault)) << fault;
    EXPECT_EQ(b, 2);
    EXPECT_EQ(r.line(), 4);
    EXPECT_FALSE(r.try_read({a}, fault));
    EXPECT_EQ(fault, "a line longer than 4096 characters");
    EXPECT_TRUE(r.input_failed());
    EXPECT_TRUE(r.fault_on_line());
    EXPECT_EQ(r.line(), 5);

    std::istringstream short_in("1\n2 x\n");
    ff::Reader s(short_in, "short.in");
    ASSERT_TRUE(s.try_read({a}, fault));
    EXPECT_FALSE(s.try_read({a, b}, fault));
    EXPECT_EQ(fault, "bad integer \"x\"");
    EXPECT_FALSE(s.input_failed());
    EXPECT_TRUE(s.fault_on_line());
    EXPECT_EQ(s.line(), 2);
    EXPECT_FALSE(s.try_read({a}, fault));
    EXPECT_EQ(fault, "end of input while reading an integer");
    EXPECT_FALSE(s.input_failed());
    EXPECT_FALSE(s.fault_on_line());
    EXPECT_EQ(s.line(), 2);
}

TEST(FreeFormInput, QuotedValueOverManyLinesIsCut) {
    // An unclosed quote takes every following line; what is kept stays bounded.
    std::string text = "'";
    for (int i = 0; i < 2000; ++i) text += std::string(100, 'q') + "\n";
    text += "'\n";
    std::istringstream in(text);
    ff::Reader r(in, "quote.in");
    std::string value;
    std::string fault;
    ASSERT_TRUE(r.try_read({ff::Target(value, 100000)}, fault)) << fault;
    EXPECT_EQ(value.size(), ff::max_line + 1);
}

TEST(FreeFormInput, EchoedValuesAreShortAndVisible) {
    EXPECT_EQ(ff::echo("abc"), "abc");
    EXPECT_EQ(ff::echo(std::string(40, 'a')), std::string(40, 'a'));
    EXPECT_EQ(ff::echo(std::string(41, 'a')), std::string(40, 'a') + "...");
    EXPECT_EQ(ff::echo("a\tb\x7f"), "a\\x09b\\x7F");
    // Characters are counted whole, and a UTF-8 character is never split.
    std::string greek;
    for (int i = 0; i < 45; ++i) greek += "\xCE\xB1";
    std::string forty;
    for (int i = 0; i < 40; ++i) forty += "\xCE\xB1";
    EXPECT_EQ(ff::echo(greek), forty + "...");
}

TEST(FreeFormInput, ReadErrorIsNotTheEndOfInput) {
    const ts::TempDir tmp;
    const std::string& dir = tmp.path();
    // A directory opens for reading, and every read of it fails.
    const int fd = open(dir.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    {
        ff::FileBuf buf(fd);
        std::istream in(&buf);
        ff::Reader r(in, "dir");
        std::int32_t v = 0;
        std::string fault;
        EXPECT_FALSE(r.try_read({v}, fault));
        EXPECT_EQ(fault, "read error: Is a directory");
        EXPECT_TRUE(r.input_failed());
        EXPECT_EQ(buf.error(), EISDIR);
    }
    close(fd);
}

TEST(FreeFormInput, OnlyRegularFilesOpen) {
    const ts::TempDir tmp;
    const std::string& dir = tmp.path();
    ts::write_file(dir + "/plain", "7\n");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
    std::string why;
    ff::FileBuf buf;
    EXPECT_FALSE(buf.open_regular(dir + "/fifo", why));  // at once, with no writer
    EXPECT_EQ(why, "not a regular file");
    EXPECT_FALSE(buf.open_regular("/dev/zero", why));
    EXPECT_EQ(why, "not a regular file");
    EXPECT_FALSE(buf.open_regular(dir, why));
    EXPECT_EQ(why, "Is a directory");
    EXPECT_FALSE(buf.open_regular(dir + "/none", why));
    EXPECT_EQ(why, "No such file or directory");
    ASSERT_TRUE(buf.open_regular(dir + "/plain", why)) << why;
    std::istream in(&buf);
    ff::Reader r(in, "plain");
    std::int32_t v = 0;
    r.read({v});
    EXPECT_EQ(v, 7);
    buf.close();
}

}  // namespace
