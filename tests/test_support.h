// Helpers shared by the tests: running the built program, a context with its
// records kept, the terminal texts that several tests expect, and error measures.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Context.h"
#include "control.h"

namespace ts {

// k of F in every call of the program.
inline const double kInvSqrtPi = 1.0 / std::sqrt(3.141592653589793);

// ---- terminal texts of the program ----

inline const std::string kModePrompt = " Interactive version (1) or read input file(2)?\n";

// The start of the input-file run, up to its prompt for the file name.
inline const std::string kFileHelp =
    "-\n"
    " This program is used to assist in verifying\n"
    " the accuracy of the calculated confidence limits\n"
    " for a given degrees of freedom, s and alpha. \n"
    " There is minimal error-checking on user-input.\n"
    " The possible values for sigma, df, alpha are set.\n"
    " Based on the contents of the input file, some \n"
    " or all of these cases will be tested.\n"
    "  Enter name of input file \n";

// The start of the interactive loop, up to its first question.
inline const std::string kVerifyHelp =
    "\n"
    "\n"
    " This program can be used to verify the program that\n"
    " calculates confidence limits on linear functions of\n"
    " the normal mean and variance. Only the standardized\n"
    " case of mu=0, lambda=0.5, gamma-squared=df+1 is \n"
    " considered here.\n"
    "\n"
    " Terms/guidance:\n"
    "\n"
    " Adapquadtolerance - how closely int is approx\n"
    " (this is integral of conf. limits, not how\n"
    "    accurately limits are approximated)\n"
    " FunctionTolerance - how accurate limits are\n"
    " ResultTol(opt) - value sets how close to zero \n"
    "   functions must be in conf. limit program\n"
    "\n"
    " Suggested values are in parentheses.\n"
    "\n";
inline const std::string kSidesPrompt = "  Verify one(1) or two(2)-sided limits?\n";

// What one coverage integral with AdapQuadTol = 0 writes: the integrator
// refuses the tolerance (ier 6, invalid input) and returns 0 without evaluating.
inline const std::string kRefusedIntegral = " ier,lvl:  6 1\n error is  6\n";

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

// A fresh empty directory under the system's temporary directory.
std::string make_tempdir();

// A fresh empty directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() : path_(make_tempdir()) {}
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Runs the built program in `workdir` with `input` on standard input; `args` are
// shell words put after the program's name.
RunResult run_tolvane(const std::string& input, const std::string& workdir,
                      const std::string& args = "");

// How a run of the program is set up beyond its input and directory.
struct RunSetup {
    std::string args;             // shell words after the program's name
    std::string stdin_path;       // where standard input comes from; empty: `input`
    std::string stdout_path;      // where standard output goes; empty: captured in `out`
    bool close_stdout = false;    // standard output closed instead
    long file_size_limit = -1;    // RLIMIT_FSIZE in bytes; -1: unchanged
    bool ignore_xfsz = false;     // SIGXFSZ ignored (else its default action)
    unsigned timeout_seconds = 0; // killed by SIGALRM after this long; 0: never
};

// As above, started directly (no shell) with the setup given.
RunResult run_tolvane(const std::string& input, const std::string& workdir, const RunSetup& setup);

// Runs the built program with `input` in a fresh directory, then removes it.
RunResult run_tolvane(const std::string& input);

// The answer lines of the built tolvane-limits to `requests`, one line each.
std::vector<std::string> limits_answers(const std::string& requests);

std::string read_file(const std::string& path);
// The lines of `text`, without their line ends.
std::vector<std::string> lines_of(const std::string& text);
void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);

// A context of the tests' own whose records are kept in a string. Its
// control block starts as a case starts (BesselMaxArg 800, MaxIter 200) with
// the tolerances given.
class TestContext {
public:
    TestContext() : ctx(buffer_) {}
    TestContext(double FunctionTol, double ResultTol) : ctx(buffer_) {
        ctx.control = ControlParms{800.0, FunctionTol, ResultTol, 200};
    }
    TestContext(const TestContext&) = delete;
    TestContext& operator=(const TestContext&) = delete;
    std::string text() const { return buffer_.str(); }
    void clear() { buffer_.str(""); }
    operator Context&() { return ctx; }
    ControlParms& control() { return ctx.control; }

private:
    std::ostringstream buffer_;

public:
    Context ctx;
};

// Routes standard output into a string for the lifetime of the object: what
// the entries write to the terminal.
class CaptureStdout {
public:
    CaptureStdout() : previous_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~CaptureStdout() { std::cout.rdbuf(previous_); }
    CaptureStdout(const CaptureStdout&) = delete;
    CaptureStdout& operator=(const CaptureStdout&) = delete;
    std::string text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};

// How often `piece` occurs in `text`, overlaps included.
int count_of(const std::string& text, const std::string& piece);

// The bits of a double: equal bits are the test of "the same value", which
// tells -0 from 0 and holds for non-numbers.
inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

inline double rel_err(double got, double want) {
    if (want == 0.0) return std::fabs(got);
    return std::fabs((got - want) / want);
}

// Distance in units of the last place between two finite doubles.
double ulps(double a, double b);

// A value in three significant digits, for messages.
std::string sci(double v);

}  // namespace ts
