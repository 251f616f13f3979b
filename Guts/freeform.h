// Free-form (list-directed) input: values separated by blanks, commas or line
// ends; one read may span several lines; each read starts on a new line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <streambuf>
#include <string>

namespace ff {

// One place a read stores into.
struct Target {
    enum class Kind { Integer, Real, Text } kind;
    std::int32_t* integer = nullptr;
    double* real = nullptr;
    std::string* text = nullptr;
    std::size_t length = 0;  // declared length: a longer value is cut to it (a shorter one is not padded)

    Target(std::int32_t& v) : kind(Kind::Integer), integer(&v) {}
    Target(double& v) : kind(Kind::Real), real(&v) {}
    Target(std::string& v, std::size_t len = 72) : kind(Kind::Text), text(&v), length(len) {}
};

// The longest line a read takes (line end excluded). A longer line is a fault:
// it bounds the memory a read can take, whatever the input holds.
constexpr std::size_t max_line = 4096;

// The longest part of an offending value that a fault text quotes.
constexpr std::size_t max_echo = 40;

// Reads a whole token as a Fortran real constant (sign, digits, optional point,
// exponent led by E, D or Q or by its sign alone). False for anything else, and
// for a value that overflows; a value that underflows reads as what it rounds to.
bool parse_real(const std::string& s, double& v);

class Reader {
public:
    // `name` is how the input is named in error reports: "standard input" or the file's name.
    Reader(std::istream& in, std::string name);

    // Read without an error branch: on a malformed or missing value, the end of
    // input, a read error or an over-long line, writes a one-line report naming
    // the input and the fault on standard error and ends the program with exit
    // status 2.
    void read(std::initializer_list<Target> targets);

    // Read with an error branch: returns false and fills `fault` instead (the
    // targets read before the fault keep their new values).
    bool try_read(std::initializer_list<Target> targets, std::string& fault);

    const std::string& name() const { return name_; }

    // Lines taken from the input so far. After a fault, the line it was found
    // on when `fault_on_line()`, else the last line before the input failed or ended.
    long line() const { return line_; }
    bool fault_on_line() const { return fault_on_line_; }

    // The last fault was the input itself (a read error, an over-long line),
    // not a missing or malformed value.
    bool input_failed() const { return input_failed_; }

    // The last value of the last read was unquoted and followed straight by a
    // slash, which ended the read: "../run1/x.in" typed bare reads as "..".
    bool cut_at_slash() const { return cut_at_slash_; }

private:
    class Scanner;
    enum class Line { Ok, End, Failed };
    // The next line, without its line end; a byte-order mark opening the input is dropped.
    Line next_line(std::string& line);

    std::istream& in_;
    std::string name_;
    long line_ = 0;
    std::string input_fault_;  // why the input failed (Line::Failed)
    bool fault_on_line_ = false;
    bool input_failed_ = false;
    bool cut_at_slash_ = false;
};

// The text of a value as a fault quotes it: control characters shown as \xNN,
// and no more than `max_echo` characters, "..." marking a cut.
std::string echo(const std::string& value);

// Input straight from a file descriptor, which keeps the error of a failed read
// (a plain file buffer reports it as the end of the input).
class FileBuf : public std::streambuf {
public:
    FileBuf() = default;
    explicit FileBuf(int fd) : fd_(fd) {}
    FileBuf(const FileBuf&) = delete;
    FileBuf& operator=(const FileBuf&) = delete;
    ~FileBuf() override;

    // Opens `name` for reading; only a regular file is taken, so that a FIFO or
    // a device can neither block the open nor feed endless input. False with
    // `why` set when it cannot be opened or is not a regular file.
    bool open_regular(const std::string& name, std::string& why);
    void close();
    // Back to the start of the file, for a second reading; false (errno set)
    // where the input cannot seek (a pipe).
    bool rewind();
    // errno of the read that failed, 0 when none has.
    int error() const { return error_; }

protected:
    int_type underflow() override;

private:
    int fd_ = -1;
    bool owned_ = false;
    int error_ = 0;
    char buffer_[4096];
};

}  // namespace ff
