// Free-form (list-directed) input. A read takes one value per target from the
// input, starting on a fresh line and going on to further lines as needed;
// what is left of its last line is dropped. Separators are blanks, commas and
// line ends; two commas in a row leave a target unchanged (a null value), as
// does everything after a slash; "r*value" repeats a value r times.
#include "freeform.h"

#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <iostream>

namespace ff {

namespace {

const char* kind_name(Target::Kind k) {
    switch (k) {
        case Target::Kind::Integer:
            return "an integer";
        case Target::Kind::Real:
            return "a real number";
        case Target::Kind::Text:
            return "a character value";
    }
    return "a value";
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// An optionally signed run of digits.
bool parse_integer(const std::string& s, std::int32_t& v) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size()) return false;
    long long n = 0;
    for (; i < s.size(); ++i) {
        if (!is_digit(s[i])) return false;
        n = n * 10 + (s[i] - '0');
        if (n > static_cast<long long>(INT32_MAX) + 1) return false;
    }
    if (neg) n = -n;
    if (n < INT32_MIN || n > INT32_MAX) return false;
    v = static_cast<std::int32_t>(n);
    return true;
}

// A Fortran real constant: sign, digits with an optional point, and an optional
// exponent led by E, D or Q (either case) or by its sign alone ("1.5-3").
bool parse_real(const std::string& s, double& v) {
    std::string c;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
    std::size_t mantissa_digits = 0;
    while (i < s.size() && is_digit(s[i])) c += s[i++], ++mantissa_digits;
    if (i < s.size() && s[i] == '.') {
        c += s[i++];
        while (i < s.size() && is_digit(s[i])) c += s[i++], ++mantissa_digits;
    }
    if (mantissa_digits == 0) return false;
    if (i < s.size()) {
        const char e = s[i];
        if (e == 'e' || e == 'E' || e == 'd' || e == 'D' || e == 'q' || e == 'Q') {
            ++i;
        } else if (e != '+' && e != '-') {
            return false;
        }
        c += 'e';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
        std::size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) c += s[i++], ++exponent_digits;
        if (exponent_digits == 0 || i != s.size()) return false;
    }
    errno = 0;
    v = std::strtod(c.c_str(), nullptr);
    // Overflow is a fault; gradual underflow to a tiny or zero value is not.
    return !(errno == ERANGE && std::fabs(v) > 1.0);
}

// Scans the values of one read.
class Scanner {
public:
    Scanner(std::istream& in, std::string& line) : in_(in), line_(line) {}

    enum class Got { Value, Null, Slash, End, BadQuote };

    // The next value; `quoted` tells whether it was a quoted character constant.
    Got next(std::string& value, bool& quoted) {
        if (repeat_left_ > 0) {
            --repeat_left_;
            value = repeat_value_;
            quoted = repeat_quoted_;
            return repeat_null_ ? Got::Null : Got::Value;
        }
        for (;;) {
            while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
            if (pos_ >= line_.size()) {
                if (!std::getline(in_, line_)) return Got::End;
                pos_ = 0;
                continue;
            }
            const char c = line_[pos_];
            if (c == ',') {
                ++pos_;
                if (!after_value_) return Got::Null;
                after_value_ = false;
                continue;
            }
            if (c == '/') return Got::Slash;
            break;
        }
        Got got = token(value, quoted);
        if (got != Got::Value) return got;
        after_value_ = true;
        // A repeat count: digits followed by '*', then the value or nothing.
        if (!quoted) {
            const std::size_t star = value.find('*');
            std::int32_t r = 0;
            if (star != std::string::npos && parse_integer(value.substr(0, star), r) && r > 0 &&
                value[0] != '+' && value[0] != '-') {
                std::string rest = value.substr(star + 1);
                bool rest_quoted = false;
                repeat_null_ = rest.empty();
                if (rest.empty() && pos_ < line_.size() &&
                    (line_[pos_] == '\'' || line_[pos_] == '"')) {
                    got = token(rest, rest_quoted);
                    if (got != Got::Value) return got;
                    repeat_null_ = false;
                }
                repeat_value_ = rest;
                repeat_quoted_ = rest_quoted;
                repeat_left_ = r;
                return next(value, quoted);
            }
        }
        return Got::Value;
    }

private:
    std::istream& in_;
    std::string& line_;
    std::size_t pos_ = 0;
    bool after_value_ = false;
    int repeat_left_ = 0;
    bool repeat_null_ = false;
    bool repeat_quoted_ = false;
    std::string repeat_value_;

    Got token(std::string& value, bool& quoted) {
        value.clear();
        quoted = false;
        const char c = line_[pos_];
        if (c == '\'' || c == '"') {
            quoted = true;
            ++pos_;
            for (;;) {
                if (pos_ >= line_.size()) {
                    // A quoted value may go on over the line end, which is not part of it.
                    if (!std::getline(in_, line_)) return Got::BadQuote;
                    pos_ = 0;
                    continue;
                }
                if (line_[pos_] == c) {
                    if (pos_ + 1 < line_.size() && line_[pos_ + 1] == c) {
                        value += c;
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return Got::Value;
                }
                value += line_[pos_++];
            }
        }
        while (pos_ < line_.size()) {
            const char d = line_[pos_];
            if (is_blank(d) || d == ',' || d == '/') break;
            if ((d == '\'' || d == '"') && !value.empty() && value.back() == '*') break;
            value += d;
            ++pos_;
        }
        return Got::Value;
    }
};

}  // namespace

Reader::Reader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {}

bool Reader::try_read(std::initializer_list<Target> targets, std::string& fault) {
    std::string line;
    if (!std::getline(in_, line)) {
        fault = targets.size() == 0 ? "end of input"
                                    : std::string("end of input while reading ") +
                                          kind_name(targets.begin()->kind);
        return false;
    }
    Scanner scan(in_, line);
    for (const Target& t : targets) {
        std::string value;
        bool quoted = false;
        const Scanner::Got got = scan.next(value, quoted);
        switch (got) {
            case Scanner::Got::Slash:
                return true;
            case Scanner::Got::Null:
                continue;
            case Scanner::Got::End:
                fault = std::string("end of input while reading ") + kind_name(t.kind);
                return false;
            case Scanner::Got::BadQuote:
                fault = "end of input inside a quoted character value";
                return false;
            case Scanner::Got::Value:
                break;
        }
        switch (t.kind) {
            case Target::Kind::Integer: {
                std::int32_t v = 0;
                if (quoted || !parse_integer(value, v)) {
                    fault = "bad integer \"" + value + "\"";
                    return false;
                }
                *t.integer = v;
                break;
            }
            case Target::Kind::Real: {
                double v = 0.0;
                if (quoted || !parse_real(value, v)) {
                    fault = "bad real number \"" + value + "\"";
                    return false;
                }
                *t.real = v;
                break;
            }
            case Target::Kind::Text:
                if (value.size() > t.length) value.resize(t.length);
                *t.text = value;
                break;
        }
    }
    return true;
}

void Reader::read(std::initializer_list<Target> targets) {
    std::string fault;
    if (try_read(targets, fault)) return;
    std::cout.flush();
    std::cerr << "tolvane: " << name_ << ": " << fault << std::endl;
    std::exit(2);
}

}  // namespace ff
