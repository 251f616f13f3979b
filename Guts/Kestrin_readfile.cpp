// The input-file run over a table of cases, its reports and intermediate file.
#include <cstdlib>
#include <iostream>

#include "Kestrin.h"

void verify_readfile() {
    std::cout << " The input-file run is not available yet." << std::endl;
    std::exit(0);
}
