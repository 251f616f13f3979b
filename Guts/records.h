// Output records of the program: free-form (list-directed) records and records
// formatted by a Fortran-style format text such as "(F7.3,1p,2(E12.3),A5,I7)".
#pragma once
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

// Writes one free-form record (with its line end) to `out`. No items: an empty line.
void list(std::ostream& out, std::initializer_list<Item> items);

// Writes one free-form record to the diagnostics sink.
void say(std::initializer_list<Item> items);

// Renders one record under a format text, without the line end.
std::string format(std::string_view fmt, std::initializer_list<Item> items);

// Writes one formatted record (with its line end) to `out`.
void formatted(std::ostream& out, std::string_view fmt, std::initializer_list<Item> items);

// The free-form rendering of a single real item (blank, sign or blank, digits),
// exposed for tests.
std::string list_real(double v);

}  // namespace rec
