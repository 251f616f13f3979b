// Output records of the program: free-form (list-directed) records and records
// formatted by a Fortran-style format text such as "(F7.3,1p,2(E12.3),A5,I7)".
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>

namespace rec {

// One item of an output record: a character value, an integer or a real.
struct Item {
    enum class Kind { Text, Integer, Real } kind;
    std::string_view text{};
    std::int64_t integer = 0;
    double real = 0.0;

    Item(const char* s) : kind(Kind::Text), text(s) {}
    Item(std::string_view s) : kind(Kind::Text), text(s) {}
    Item(const std::string& s) : kind(Kind::Text), text(s) {}
    Item(int v) : kind(Kind::Integer), integer(v) {}
    Item(long v) : kind(Kind::Integer), integer(v) {}
    Item(double v) : kind(Kind::Real), real(v) {}
};

// Renders one free-form record with its line end (or line ends, when it runs
// over 79 columns). No items: an empty line.
std::string list_text(std::initializer_list<Item> items);

// Writes one free-form record (with its line end) to `out`. No items: an empty line.
void list(std::ostream& out, std::initializer_list<Item> items);

// Writes each text as a free-form record of that one item, and an empty text
// as an empty record: the help texts of the dialogue and the run.
void text_lines(std::ostream& out, std::initializer_list<const char*> texts);

// Renders one record under a format text, without the line end.
std::string format(std::string_view fmt, std::initializer_list<Item> items);

// Writes one formatted record (with its line end) to `out`.
void formatted(std::ostream& out, std::string_view fmt, std::initializer_list<Item> items);

// The free-form rendering of a single real item (blank, sign or blank, digits),
// exposed for tests.
std::string list_real(double v);

// An output file that takes whole records. A record that cannot be written to
// its end (a full disk, a file-size limit) is taken back, so the file always
// ends with its last complete record. Failures leave errno set.
class RecordFile {
public:
    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    // Creates `name`, or empties it when it exists. With `keep`, an existing
    // file keeps its contents until empty() is called.
    bool open(const std::string& name, bool keep = false);
    // Takes over the open descriptor `fd` of a file made elsewhere (empty).
    void adopt(int fd);
    // Whether open() made the file (with `keep`; it did not exist before).
    bool created() const { return created_; }
    // Whether `name` names this very file (the same device and inode), under
    // whatever spelling: another path, a symbolic or a hard link.
    bool same_file(const std::string& name) const;
    bool empty();
    // Writes complete records; false when they could not all be written, and
    // then none of them stays in the file.
    bool put(std::string_view text);
    bool close();

private:
    int fd_ = -1;
    off_t good_ = 0;  // end of the last complete record
    bool created_ = false;
};

}  // namespace rec
