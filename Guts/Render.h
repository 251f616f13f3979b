// The results of cases computed elsewhere (tolvane --cases ... --records), read
// back for --render: one row at a time, from the files in the order given,
// each file checked to be such results.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Case.h"
#include "CaseList.h"
#include "freeform.h"

namespace render {

// The columns of results written with --records, in their order.
const std::vector<std::string>& columns();
// The place of a column among them.
std::size_t at(const char* name);

class ResultsReader {
public:
    explicit ResultsReader(const std::vector<std::string>& files);
    ~ResultsReader();
    // The next row (its fields those of columns()); false at the end of the
    // last file, and on a fault (fault() is then not empty).
    bool next(caselist::Row& row);
    // The file the last row came from.
    const std::string& file() const { return file_; }
    // "FILE: line N: why", or "".
    const std::string& fault() const { return fault_; }

private:
    bool open_next();
    const std::vector<std::string>& files_;
    std::size_t next_file_ = 0;
    std::string file_;
    std::string fault_;
    ff::FileBuf buf_;
    std::unique_ptr<caselist::Scanner> scanner_;
    std::deque<caselist::Row> ready_;
    bool heading_seen_ = false;
    bool open_ = false;
};

// A real as --cases writes it (the shortest text that reads back the same);
// false for anything else.
bool read_real(const std::string& text, double& v);

// The result of a computed case from its results row; false with `why` when
// a field is no number.
bool result_of(const caselist::Row& row, int sides, CaseResult& r, std::string& why);

}  // namespace render
