// libFuzzer target for the free-form reader and the reading of a run's input
// file. Built by scripts/fuzz (clang, -fsanitize=fuzzer,address,undefined); not
// part of the test suite.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "Kestrin_readfile.h"
#include "freeform.h"

namespace {

// A violated promise of the reader is a finding: stop loudly.
void require(bool ok) {
    if (!ok) std::abort();
}

void fuzz_run_input(const std::string& text) {
    std::istringstream in(text);
    RunInput run;
    std::string fault;
    const ReadOutcome got = read_run_input(in, "fuzz.in", run, fault);
    switch (got) {
        case ReadOutcome::Fault:
            require(!fault.empty() && fault.find('\n') == std::string::npos);
            break;
        case ReadOutcome::BadKind:
            require(run.kind != 1 && run.kind != 2);
            break;
        case ReadOutcome::Ok: {
            require(run.kind == 1 || run.kind == 2);
            require(run.report.size() <= 72);
            require(!trimmed_name(run.report).empty());
            const std::string range = table_range_fault(run);
            require(range.find('\n') == std::string::npos);
            if (range.empty()) {
                // Accepted: every range that runs indexes inside its table.
                auto inside = [](std::int32_t first, std::int32_t last, std::int32_t size) {
                    return first > last || (first >= 1 && last <= size);
                };
                require(inside(run.level_first, run.level_last, 10));
                require(inside(run.df_first, run.df_last, 6));
                require(inside(run.sigma_first, run.sigma_last, 3));
            }
            break;
        }
    }
}

// The reader on its own, with target lists of every kind, read until it fails.
void fuzz_reader(const std::string& text) {
    std::istringstream in(text);
    ff::Reader reader(in, "fuzz");
    std::int32_t i = 0, j = 0;
    double x = 0.0, y = 0.0;
    std::string s, t;
    std::string fault;
    for (int round = 0; round < 64; ++round) {
        bool ok = false;
        switch (round % 5) {
            case 0: ok = reader.try_read({i, j}, fault); break;
            case 1: ok = reader.try_read({x, y, i}, fault); break;
            case 2: ok = reader.try_read({ff::Target(s, 72), x}, fault); break;
            case 3: ok = reader.try_read({}, fault); break;
            case 4: ok = reader.try_read({ff::Target(t, 3), ff::Target(s, 72), j}, fault); break;
        }
        require(s.size() <= 72 && t.size() <= 3);
        if (!ok) {
            require(!fault.empty());
            if (in.eof()) break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz_run_input(text);
    fuzz_reader(text);
    return 0;
}
