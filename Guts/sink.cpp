#include "sink.h"

#include <iostream>

namespace {
std::ostream* current = nullptr;
}

std::ostream& sink() { return current ? *current : std::cout; }

std::ostream* set_sink(std::ostream* target) {
    std::ostream* previous = current;
    current = target;
    return previous;
}
