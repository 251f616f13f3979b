// The interactive verification: one case at a time, typed at the terminal.
#include <cstdlib>
#include <iostream>

#include "Kestrin.h"

void verify_main() {
    std::cout << " The interactive verification is not available yet." << std::endl;
    std::exit(0);
}
