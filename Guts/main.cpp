#include "Kestrin.h"

int main() { return tolvane_main(); }
