// The main module: the program entry and the coverage integrals over p.
#include "Kestrin.h"

#include <cstdint>
#include <iostream>

#include "control.h"
#include "freeform.h"
#include "params.h"
#include "records.h"

int tolvane_main() {
    controlparms.MaxIter = params::StartMaxIter;
    controlparms.BesselMaxArg = params::StartBesselMaxArg;

    rec::list(std::cout, {"Interactive version (1) or read input file(2)?"});
    std::int32_t mode = 0;
    ff::Reader terminal(std::cin, "standard input");
    terminal.read({mode});

    // Only 1 is tested: every other answer, 2 or not, runs the input file.
    if (mode == 1) verify_main();
    verify_readfile();
}
