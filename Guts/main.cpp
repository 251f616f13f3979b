#include <cstdlib>
#include <iostream>
#include <string>

#include "Kestrin.h"
#include "LimitCommand.h"

namespace {

[[noreturn]] void bad_argument(const std::string& why) {
    std::cerr << "tolvane: " << why << std::endl;
    std::exit(2);
}

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
    if (!limits.empty()) limitcmd::use(limits, timeout);
    return tolvane_main();
}
