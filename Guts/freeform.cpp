// Free-form (list-directed) input. A read takes one value per target from the
// input, starting on a fresh line and going on to further lines as needed;
// what is left of its last line is dropped. Separators are blanks, commas and
// line ends; two commas in a row leave a target unchanged (a null value), as
// does everything after a slash; "r*value" repeats a value r times.
#include "freeform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "sink.h"

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


}  // namespace

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
class Reader::Scanner {
public:
    Scanner(Reader& reader, std::string& line) : reader_(reader), line_(line) {}

    enum class Got { Value, Null, Slash, End, BadQuote, Failed };

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
                if (const Got stop = next_line(Got::End); stop != Got::Value) return stop;
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

    // Whether an unquoted value just read ended at a slash, which ends the read.
    bool at_slash() const { return pos_ < line_.size() && line_[pos_] == '/'; }

private:
    Reader& reader_;
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
                    if (const Got stop = next_line(Got::BadQuote); stop != Got::Value) return stop;
                    continue;
                }
                if (line_[pos_] == c) {
                    if (pos_ + 1 < line_.size() && line_[pos_ + 1] == c) {
                        keep(value, c);
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return Got::Value;
                }
                keep(value, line_[pos_++]);
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

    // Moves on to the start of the next line: Value when there is one, else
    // `at_end` at the end of the input or Failed when reading failed.
    Got next_line(Got at_end) {
        switch (reader_.next_line(line_)) {
            case Line::Ok:
                pos_ = 0;
                return Got::Value;
            case Line::End:
                return at_end;
            case Line::Failed:
                break;
        }
        return Got::Failed;
    }

    // A quoted value over many lines would grow without end; past the length
    // of a line it can only be cut anyway, so the rest is not kept.
    static void keep(std::string& value, char c) {
        if (value.size() <= max_line) value += c;
    }
};

Reader::Reader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {}

Reader::Line Reader::next_line(std::string& line) {
    line.clear();
    std::streambuf* buf = in_.rdbuf();
    bool any = false;
    for (;;) {
        const int c = buf ? buf->sbumpc() : EOF;
        if (c == EOF) {
            const FileBuf* file = dynamic_cast<const FileBuf*>(buf);
            if (file && file->error()) {
                input_fault_ = std::string("read error: ") + std::strerror(file->error());
                input_failed_ = true;
                in_.setstate(std::ios::badbit);
                return Line::Failed;
            }
            in_.setstate(std::ios::eofbit);
            if (!any) return Line::End;
            break;
        }
        any = true;
        if (c == '\n') break;
        if (line.size() == max_line) {
            ++line_;
            input_fault_ = "a line longer than " + std::to_string(max_line) + " characters";
            input_failed_ = true;
            fault_on_line_ = true;
            return Line::Failed;
        }
        line += static_cast<char>(c);
    }
    ++line_;
    // Editors on some systems open a UTF-8 file with a byte-order mark; it is
    // no part of the first value.
    if (line_ == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    return Line::Ok;
}

bool Reader::try_read(std::initializer_list<Target> targets, std::string& fault) {
    input_failed_ = false;
    fault_on_line_ = false;
    cut_at_slash_ = false;
    std::string line;
    switch (next_line(line)) {
        case Line::Ok:
            break;
        case Line::End:
            fault = targets.size() == 0 ? "end of input"
                                        : std::string("end of input while reading ") +
                                              kind_name(targets.begin()->kind);
            return false;
        case Line::Failed:
            fault = input_fault_;
            return false;
    }
    Scanner scan(*this, line);
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
            case Scanner::Got::Failed:
                fault = input_fault_;
                return false;
            case Scanner::Got::Value:
                break;
        }
        switch (t.kind) {
            case Target::Kind::Integer: {
                std::int32_t v = 0;
                if (quoted || !parse_integer(value, v)) {
                    fault = "bad integer \"" + echo(value) + "\"";
                    fault_on_line_ = true;
                    return false;
                }
                *t.integer = v;
                break;
            }
            case Target::Kind::Real: {
                double v = 0.0;
                if (quoted || !parse_real(value, v)) {
                    fault = "bad real number \"" + echo(value) + "\"";
                    fault_on_line_ = true;
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
        cut_at_slash_ = !quoted && scan.at_slash();
    }
    return true;
}

void Reader::read(std::initializer_list<Target> targets) {
    // The prompt this read answers must have reached the terminal; an answer
    // typed to no question, with every result lost, is worse than stopping.
    if (in_.tie() == &std::cout) check_terminal();
    std::string fault;
    if (try_read(targets, fault)) return;
    fatal(name_, fault);
}

std::string echo(const std::string& value) {
    std::string out;
    std::size_t shown = 0;
    std::size_t i = 0;
    for (; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        const bool continues = (c & 0xC0) == 0x80;  // inside a UTF-8 character
        if (!continues) {
            if (shown == max_echo) break;
            ++shown;
        }
        if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (i < value.size()) out += "...";
    return out;
}

// ---- input from a file descriptor ----

FileBuf::~FileBuf() { close(); }

void FileBuf::close() {
    if (owned_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
    owned_ = false;
    setg(buffer_, buffer_, buffer_);
}

bool FileBuf::open_regular(const std::string& name, std::string& why) {
    close();
    error_ = 0;
    // Not blocking in the open: a FIFO without a writer would wait there for ever.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    owned_ = true;
    return true;
}

bool FileBuf::rewind() {
    if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return false;
    error_ = 0;
    setg(buffer_, buffer_, buffer_);
    return true;
}

FileBuf::int_type FileBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (fd_ < 0) return traits_type::eof();
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            setg(buffer_, buffer_, buffer_ + n);
            return traits_type::to_int_type(*gptr());
        }
        if (n == 0) return traits_type::eof();
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // An inherited non-blocking descriptor: wait for input instead of failing.
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, -1) >= 0 || errno == EINTR) continue;
        }
        error_ = errno;
        return traits_type::eof();
    }
}

}  // namespace ff
