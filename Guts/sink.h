// The terminal side of the I/O layer: reports of trouble, and the checks that
// standard output was written. The computations write their records into the
// streams their contexts name, never here.
#pragma once
#include <iosfwd>
#include <streambuf>
#include <string>

// The I/O layer's report of trouble: flushes standard output, so that
// everything the run wrote stands before the report, then writes one line on standard error,
// "tolvane: NAME: why" ("tolvane: why" for an empty name), NAME being what the
// trouble is with (a file, "standard input", "standard output").
void report_fault(const std::string& name, const std::string& why);

// report_fault, then the program ends with status 2. Only the entries call it
// (their reads of the terminal among them); everything below them returns
// its status instead.
[[noreturn]] void fatal(const std::string& name, const std::string& why);

// Pushes what standard output holds to its destination. When that fails (a full
// disk, a closed descriptor) the results are lost: terminal_written reports it
// (one line on standard error) and returns false, for its caller to stop with
// status 2; check_terminal ends the program so, for the entries.
bool terminal_written();
void check_terminal();

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
