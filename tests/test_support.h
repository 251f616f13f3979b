// Helpers shared by the tests: running the built program, capturing the
// diagnostics sink, and error measures.
#pragma once
#include <cmath>
#include <sstream>
#include <string>

#include "sink.h"

namespace ts {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error
};

// A fresh empty directory under the system's temporary directory.
std::string make_tempdir();

// Runs the built program in `workdir` with `input` on standard input; `args` are
// shell words put after the program's name.
RunResult run_tolvane(const std::string& input, const std::string& workdir,
                      const std::string& args = "");

// How a run of the program is set up beyond its input and directory.
struct RunSetup {
    std::string stdout_path;      // where standard output goes; empty: captured in `out`
    bool close_stdout = false;    // standard output closed instead
    long file_size_limit = -1;    // RLIMIT_FSIZE in bytes; -1: unchanged
    bool ignore_xfsz = false;     // SIGXFSZ ignored (else its default action)
    unsigned timeout_seconds = 0; // killed by SIGALRM after this long; 0: never
};

// As above, started directly (no shell) with the setup given.
RunResult run_tolvane(const std::string& input, const std::string& workdir, const RunSetup& setup);

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);
bool file_exists(const std::string& path);

// Routes the diagnostics sink into a string for the lifetime of the object.
class CaptureSink {
public:
    CaptureSink() : previous_(set_sink(&buffer_)) {}
    ~CaptureSink() { set_sink(previous_); }
    std::string text() const { return buffer_.str(); }
    void clear() { buffer_.str(""); }

private:
    std::ostringstream buffer_;
    std::ostream* previous_;
};

inline double rel_err(double got, double want) {
    if (want == 0.0) return std::fabs(got);
    return std::fabs((got - want) / want);
}

// Distance in units of the last place between two finite doubles.
double ulps(double a, double b);

}  // namespace ts
