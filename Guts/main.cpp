#include <csignal>
#include <iostream>

#include "Kestrin.h"
#include "freeform.h"
#include "sink.h"

int main() {
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
    return tolvane_main();
}
