#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "Kestrin.h"
#include "LimitCommand.h"
#include "freeform.h"
#include "sink.h"

namespace {

[[noreturn]] void bad_argument(const std::string& why) { fatal("", why); }

}  // namespace

int main(int argc, char** argv) {
    std::string limits;
    double timeout = 60.0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--limits" || a == "--limits-timeout") {
            if (i + 1 >= argc) bad_argument(a + " needs a value");
            const std::string v = argv[++i];
            if (a == "--limits") {
                if (v.find_first_not_of(" \t") == std::string::npos)
                    bad_argument("--limits needs a command");
                limits = v;
            } else {
                char* end = nullptr;
                timeout = std::strtod(v.c_str(), &end);
                if (end == v.c_str() || *end != '\0' || !(timeout > 0.0 && timeout <= 1e6))
                    bad_argument("--limits-timeout needs seconds between 0 and 1e6, not '" + v +
                                 "'");
            }
        } else {
            bad_argument("unknown argument '" + a + "'");
        }
    }
    // A file-size limit would otherwise kill the program in the middle of a
    // record; ignored, the write fails and the run cuts the file back to its
    // last complete record.
    std::signal(SIGXFSZ, SIG_IGN);
    // The terminal read and written straight through its descriptors, so that
    // a read error is told apart from the end of the input and a failed write
    // keeps its cause. Never freed: the streams are flushed at exit after every
    // static object is gone.
    std::cin.rdbuf(new ff::FileBuf(0));
    std::cout.rdbuf(new DescriptorOutput(1));
    if (!limits.empty()) limitcmd::use(limits, timeout);
    return tolvane_main();
}
