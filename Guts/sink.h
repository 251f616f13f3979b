// The one output sink of every computing routine's diagnostics. It is standard
// output unless a test (or a caller that wants to capture) redirects it.
#pragma once
#include <iosfwd>
#include <streambuf>
#include <string>

std::ostream& sink();
// Redirects the sink; nullptr restores standard output. Returns the previous target.
std::ostream* set_sink(std::ostream* target);

// The I/O layer's report of trouble: flushes the sink, so that everything the
// run wrote stands before the report, then writes one line on standard error,
// "tolvane: NAME: why" ("tolvane: why" for an empty name), NAME being what the
// trouble is with (a file, "standard input", "standard output").
void report_fault(const std::string& name, const std::string& why);

// report_fault, then the program ends with status 2. Only the I/O layer calls
// it; the numerical core never ends the program.
[[noreturn]] void fatal(const std::string& name, const std::string& why);

// Pushes what standard output holds to its destination. When that fails (a full
// disk, a closed descriptor) the results are lost, so the program ends: one line
// on standard error and exit status 2. Only the I/O layer calls it.
void check_terminal();

// Flushes the sink, then checks standard output as check_terminal does.
void flush_sink();

// Output straight to a file descriptor, which keeps the error of a failed write
// (through the C library's stream it is gone by the time the failure shows).
class DescriptorOutput : public std::streambuf {
public:
    explicit DescriptorOutput(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    DescriptorOutput(const DescriptorOutput&) = delete;
    DescriptorOutput& operator=(const DescriptorOutput&) = delete;
    // errno of the write that failed, 0 when none has.
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    int fd_;
    int error_ = 0;
    char buffer_[4096];
};
