// Output records: free-form (list-directed) records and records written under a
// Fortran-style format text. Numbers are rounded from the exact decimal value of
// the double (the C library's conversions are exact), as a Fortran run-time does,
// so that every printed digit is reproducible.
#include "records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "sink.h"

namespace rec {

namespace {

// The first `nsig` significant digits of a > 0, correctly rounded, and the
// decimal exponent x of the rounded value (a ~ d.ddd * 10^x).
std::string sig_digits(double a, int nsig, int& x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", nsig - 1, a);
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    x = (*p == 'e') ? std::atoi(p + 1) : 0;
    return digits;
}

void strip_trailing_zeros(std::string& s) {
    while (!s.empty() && s.back() == '0') s.pop_back();
}

std::string exponent_text(int e, int min_digits) {
    std::string d = std::to_string(std::abs(e));
    while (static_cast<int>(d.size()) < min_digits) d.insert(d.begin(), '0');
    return std::string(e < 0 ? "-" : "+") + d;
}

std::string stars(int w) { return std::string(w > 0 ? w : 0, '*'); }

// A width of 0 asks for the least width that holds the value.
std::string right_justify(const std::string& s, int w) {
    if (w == 0) return s;
    if (static_cast<int>(s.size()) > w) return stars(w);
    return std::string(w - s.size(), ' ') + s;
}

// Infinity and NaN under a numeric field, as far as the field allows.
std::string non_finite(double v, int w) {
    if (std::isnan(v)) return right_justify("NaN", w);
    const bool neg = std::signbit(v);
    if (w >= 8 + (neg ? 1 : 0)) return right_justify(neg ? "-Infinity" : "Infinity", w);
    return right_justify(neg ? "-Inf" : "Inf", w);
}

// Fw.d under scale factor k (the value is written times 10^k).
std::string field_F(double v, int w, int d, int k) {
    if (!std::isfinite(v)) return non_finite(v, w);
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    std::string digits;  // all digits, no point
    int point;           // number of digits before the point
    if (d + k >= 0) {
        std::string s(static_cast<std::size_t>(std::snprintf(nullptr, 0, "%.*f", d + k, a)), '\0');
        std::snprintf(s.data(), s.size() + 1, "%.*f", d + k, a);
        const std::size_t dot = s.find('.');
        const std::string ip = dot == std::string::npos ? s : s.substr(0, dot);
        digits = ip + (dot == std::string::npos ? "" : s.substr(dot + 1));
        point = static_cast<int>(ip.size()) + k;
    } else {
        // A scale factor beyond the decimals: rare enough to accept one more rounding.
        const double scaled = a * std::pow(10.0, k);
        std::string s(static_cast<std::size_t>(std::snprintf(nullptr, 0, "%.*f", d, scaled)), '\0');
        std::snprintf(s.data(), s.size() + 1, "%.*f", d, scaled);
        const std::size_t dot = s.find('.');
        digits = s.substr(0, dot) + (dot == std::string::npos ? "" : s.substr(dot + 1));
        point = static_cast<int>(dot == std::string::npos ? s.size() : dot);
    }
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    std::string ip = digits.substr(0, point);
    const std::string fp = digits.substr(point);
    const std::size_t nz = ip.find_first_not_of('0');
    const bool zero_int = nz == std::string::npos;
    std::string body = zero_int ? std::string("0") : ip.substr(nz);
    body.append(".").append(fp);
    if (neg) body.insert(body.begin(), '-');
    if (w > 0 && static_cast<int>(body.size()) > w && zero_int && d > 0) {
        // The leading zero is optional and is the first thing to go.
        body = (neg ? "-." : ".") + fp;
    }
    return right_justify(body, w);
}

// Ew.d (exponent digits e, 0 = default) under scale factor k.
std::string field_E(double v, int w, int d, int e, int k) {
    if (!std::isfinite(v)) return non_finite(v, w);
    const int nsig = k > 0 ? d + 1 : d + k;
    if (nsig <= 0 || k >= d + 2) return stars(w);
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    int x = 0;
    std::string digits;
    int pexp;
    if (a == 0.0) {
        digits.assign(nsig, '0');
        pexp = 0;
    } else {
        digits = sig_digits(a, nsig, x);
        pexp = x + 1 - k;
    }
    std::string lead, mant;
    if (k > 0) {
        lead = digits.substr(0, k);
        mant = lead + "." + digits.substr(k);
    } else {
        lead = "0";
        mant = "0." + std::string(-k, '0') + digits;
    }
    std::string expo;
    const int ae = std::abs(pexp);
    if (e == 0) {
        if (ae <= 99)
            expo = std::string("E").append(exponent_text(pexp, 2));
        else if (ae <= 999)
            expo = exponent_text(pexp, 3);
        else
            return stars(w);
    } else {
        long limit = 1;
        for (int i = 0; i < e; ++i) limit *= 10;
        if (ae >= limit) return stars(w);
        expo = std::string("E").append(exponent_text(pexp, e));
    }
    std::string body = (neg ? "-" : "") + mant + expo;
    if (w > 0 && static_cast<int>(body.size()) > w && k <= 0) body = (neg ? "-" : "") + mant.substr(1) + expo;
    return right_justify(body, w);
}

std::string field_I(std::int64_t v, int w, int m) {
    std::string digits = std::to_string(v < 0 ? -(v + 1) + std::uint64_t{1} : std::uint64_t(v));
    while (static_cast<int>(digits.size()) < m) digits.insert(digits.begin(), '0');
    if (m == 0 && v == 0) digits.clear();  // Iw.0 writes a zero as blanks
    if (v < 0) digits.insert(digits.begin(), '-');
    return right_justify(digits, w);
}

std::string field_A(std::string_view s, int w) {
    if (w < 0) return std::string(s);
    if (static_cast<int>(s.size()) >= w) return std::string(s.substr(0, w));
    return std::string(w - s.size(), ' ') + std::string(s);
}

// ---- format texts ----

struct Node {
    enum class Type { Group, F, E, I, A, Scale, Skip, Slash, Literal } type;
    int rep = 1;
    int w = -1, d = 0, e = 0;  // field width, decimals or minimum digits, exponent digits
    std::string literal;
    std::vector<Node> kids;
};

class Parser {
public:
    explicit Parser(std::string_view t) : t_(t) {}

    bool parse(std::vector<Node>& top) {
        skip();
        if (!eat('(')) return false;
        if (!list(top)) return false;
        skip();
        return pos_ == t_.size();
    }

private:
    std::string_view t_;
    std::size_t pos_ = 0;

    void skip() {
        while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\t')) ++pos_;
    }
    bool eat(char c) {
        skip();
        if (pos_ < t_.size() && t_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    char peek_upper() {
        skip();
        if (pos_ >= t_.size()) return '\0';
        char c = t_[pos_];
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    bool number(int& n) {
        skip();
        if (pos_ >= t_.size() || t_[pos_] < '0' || t_[pos_] > '9') return false;
        n = 0;
        while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') {
            n = n * 10 + (t_[pos_] - '0');
            if (n > 1000000) return false;
            ++pos_;
        }
        return true;
    }

    // Items up to and including the closing parenthesis of the current group.
    bool list(std::vector<Node>& out) {
        for (;;) {
            if (eat(')')) return true;
            if (eat(',')) continue;
            Node n{};
            if (!item(n)) return false;
            out.push_back(std::move(n));
        }
    }

    bool item(Node& n) {
        char c = peek_upper();
        if (c == '\'' || c == '"') {
            const char q = t_[pos_++];
            n.type = Node::Type::Literal;
            for (;;) {
                if (pos_ >= t_.size()) return false;
                if (t_[pos_] == q) {
                    if (pos_ + 1 < t_.size() && t_[pos_ + 1] == q) {
                        n.literal += q;
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    return true;
                }
                n.literal += t_[pos_++];
            }
        }
        if (c == '/') {
            ++pos_;
            n.type = Node::Type::Slash;
            return true;
        }
        bool negative = false;
        if (c == '-' || c == '+') {
            negative = c == '-';
            ++pos_;
        }
        int count = 1;
        const bool has_count = number(count);
        if (negative && !has_count) return false;
        c = peek_upper();
        if (c == 'P') {
            if (!has_count) return false;
            ++pos_;
            n.type = Node::Type::Scale;
            n.rep = negative ? -count : count;
            return true;
        }
        if (negative) return false;
        if (has_count && count == 0) return false;
        n.rep = count;
        if (c == '(') {
            ++pos_;
            n.type = Node::Type::Group;
            return list(n.kids);
        }
        ++pos_;
        switch (c) {
            case 'X':
                n.type = Node::Type::Skip;
                return true;
            case 'A':
                n.type = Node::Type::A;
                if (!number(n.w)) n.w = -1;
                return true;
            case 'I':
                n.type = Node::Type::I;
                if (!number(n.w)) return false;
                n.d = -1;
                if (eat('.') && !number(n.d)) return false;
                return true;
            case 'F':
            case 'E':
                n.type = c == 'F' ? Node::Type::F : Node::Type::E;
                if (!number(n.w) || !eat('.') || !number(n.d)) return false;
                if (c == 'E' && peek_upper() == 'E') {
                    ++pos_;
                    if (!number(n.e) || n.e == 0) return false;
                }
                return true;
            default:
                return false;
        }
    }
};

bool is_data(const Node& n) {
    return n.type == Node::Type::F || n.type == Node::Type::E || n.type == Node::Type::I ||
           n.type == Node::Type::A;
}

class Writer {
public:
    Writer(const Item* first, const Item* last) : it_(first), end_(last) {}

    std::string out;
    int consumed = 0;

    bool items_left() const { return it_ != end_; }

    // Runs a list of nodes; false once a data descriptor finds no item left.
    bool run(const std::vector<Node>& nodes, std::size_t from = 0) {
        for (std::size_t i = from; i < nodes.size(); ++i) {
            const Node& n = nodes[i];
            for (int r = 0; r < (n.type == Node::Type::Scale ? 1 : n.rep); ++r) {
                if (!one(n)) return false;
            }
        }
        return true;
    }

private:
    const Item* it_;
    const Item* end_;
    int scale_ = 0;

    bool one(const Node& n) {
        switch (n.type) {
            case Node::Type::Group:
                return run(n.kids);
            case Node::Type::Scale:
                scale_ = n.rep;
                return true;
            case Node::Type::Skip:
                out.append(static_cast<std::size_t>(1), ' ');
                return true;
            case Node::Type::Slash:
                out += '\n';
                return true;
            case Node::Type::Literal:
                out += n.literal;
                return true;
            default:
                break;
        }
        if (!items_left()) return false;
        const Item& item = *it_++;
        ++consumed;
        const bool numeric = item.kind != Item::Kind::Text;
        const double real =
            item.kind == Item::Kind::Integer ? static_cast<double>(item.integer) : item.real;
        const int w = n.w;
        switch (n.type) {
            case Node::Type::F:
                out += numeric ? field_F(real, w, n.d, scale_) : stars(w);
                break;
            case Node::Type::E:
                out += numeric ? field_E(real, w, n.d, n.e, scale_) : stars(w);
                break;
            case Node::Type::I:
                // A real under an integer descriptor is a fault of the caller: show it.
                out += item.kind == Item::Kind::Integer ? field_I(item.integer, w, n.d) : stars(w);
                break;
            case Node::Type::A:
                if (item.kind == Item::Kind::Text)
                    out += field_A(item.text, w);
                else
                    out += stars(w < 0 ? 1 : w);
                break;
            default:
                break;
        }
        return true;
    }
};

bool has_data(const std::vector<Node>& nodes) {
    for (const Node& n : nodes)
        if (is_data(n) || (n.type == Node::Type::Group && has_data(n.kids))) return true;
    return false;
}

}  // namespace

std::string list_real(double v) {
    std::string out = " ";
    out += std::signbit(v) ? '-' : ' ';
    if (std::isnan(v)) return " NaN";
    if (std::isinf(v)) return out + "Infinity";
    const double a = std::fabs(v);
    if (a == 0.0) return out + "0.";
    int x = 0;
    std::string d = sig_digits(a, 9, x);
    strip_trailing_zeros(d);
    if (x < -4 || x >= 9) {
        out += d.substr(0, 1) + "." + d.substr(1) + "E" + exponent_text(x, 2);
    } else if (x >= 0) {
        if (static_cast<int>(d.size()) < x + 1) d.append(x + 1 - d.size(), '0');
        out += d.substr(0, x + 1) + "." + d.substr(x + 1);
    } else {
        out += "0." + std::string(-x - 1, '0') + d;
    }
    return out;
}

std::string list_text(std::initializer_list<Item> items) {
    std::string text;
    // Records are at most 79 columns wide: an item that would reach column 80
    // goes to a new line, which again starts with a blank.
    std::string line = " ";
    bool line_has_item = false;
    for (const Item& item : items) {
        std::string s;
        switch (item.kind) {
            case Item::Kind::Text:
                s = std::string(item.text);
                break;
            case Item::Kind::Integer:
                s = std::string(" ").append(std::to_string(item.integer));
                break;
            case Item::Kind::Real:
                s = list_real(item.real);
                break;
        }
        if (line_has_item && line.size() + s.size() >= 80) {
            text += line + '\n';
            line.assign(1, ' ');
        }
        line += s;
        line_has_item = true;
    }
    if (items.size() == 0) line.clear();
    return text + line + '\n';
}

void list(std::ostream& out, std::initializer_list<Item> items) {
    out << list_text(items);
    out.flush();
}

void text_lines(std::ostream& out, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        if (*t == '\0') {
            list(out, {});
        } else {
            list(out, {t});
        }
    }
}

std::string format(std::string_view fmt, std::initializer_list<Item> items) {
    std::vector<Node> top;
    Parser parser(fmt);
    if (!parser.parse(top)) return "bad format " + std::string(fmt);
    Writer writer(items.begin(), items.end());
    if (!writer.run(top) || !writer.items_left()) return writer.out;
    if (!has_data(top)) return writer.out;
    // Items left over: a new record, and the format starts again at its last
    // top-level group (with that group's repeat count), or at its beginning.
    std::size_t restart = 0;
    for (std::size_t i = top.size(); i-- > 0;)
        if (top[i].type == Node::Type::Group) {
            restart = i;
            break;
        }
    const bool group_has_data = has_data(std::vector<Node>(top.begin() + restart, top.end()));
    if (!group_has_data) restart = 0;
    while (writer.items_left()) {
        writer.out += '\n';
        if (!writer.run(top, restart)) break;
    }
    return writer.out;
}

void formatted(std::ostream& out, std::string_view fmt, std::initializer_list<Item> items) {
    out << format(fmt, items) << '\n';
    out.flush();
}

// ---- files of whole records ----

RecordFile::~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool RecordFile::open(const std::string& name, bool keep) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    good_ = 0;
    created_ = false;
    const int flags = O_WRONLY | O_CLOEXEC;
    if (keep) {
        fd_ = ::open(name.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (fd_ >= 0) {
            created_ = true;
            return true;
        }
        if (errno != EEXIST) return false;
        fd_ = ::open(name.c_str(), flags);
        return fd_ >= 0;
    }
    fd_ = ::open(name.c_str(), flags | O_CREAT | O_TRUNC, 0666);
    return fd_ >= 0;
}

void RecordFile::adopt(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
    good_ = 0;
    created_ = false;
}

bool RecordFile::same_file(const std::string& name) const {
    struct stat mine {}, other {};
    if (fd_ < 0 || ::fstat(fd_, &mine) != 0 || ::stat(name.c_str(), &other) != 0) return false;
    return mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

bool RecordFile::empty() {
    if (::ftruncate(fd_, 0) != 0) {
        // Not a regular file (a terminal, a pipe): there is nothing to empty.
        if (errno != EINVAL) return false;
    }
    good_ = 0;
    return true;
}

bool RecordFile::put(std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        const int e = n < 0 ? errno : EIO;
        // Take back the part that was written: the file ends with its last
        // complete record, never with a piece of one.
        if (done > 0 && ::ftruncate(fd_, good_) == 0) ::lseek(fd_, good_, SEEK_SET);
        errno = e;
        return false;
    }
    good_ += static_cast<off_t>(done);
    return true;
}

bool RecordFile::close() {
    if (fd_ < 0) return true;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
}

}  // namespace rec
