// The program entry: the mode question and the chosen run.
#include <cstdint>
#include <iostream>

#include "entries.h"
#include "freeform.h"
#include "records.h"

void write_mode_question() {
    rec::list(std::cout, {"Interactive version (1) or read input file(2)?"});
}

int tolvane_main(const RunOptions& options) {
    write_mode_question();
    std::int32_t mode = 0;
    ff::Reader terminal(std::cin, "standard input");
    terminal.read({mode});

    // Only 1 is tested: every other answer, 2 or not, runs the input file.
    if (mode == 1) verify_main(options);
    return verify_readfile(options);
}
