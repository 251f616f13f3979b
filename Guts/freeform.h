// Free-form (list-directed) input: values separated by blanks, commas or line
// ends; one read may span several lines; each read starts on a new line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>

namespace ff {

// One place a read stores into.
struct Target {
    enum class Kind { Integer, Real, Text } kind;
    std::int32_t* integer = nullptr;
    double* real = nullptr;
    std::string* text = nullptr;
    std::size_t length = 0;  // declared length: a longer value is cut to it (a shorter one is not padded)

    Target(std::int32_t& v) : kind(Kind::Integer), integer(&v) {}
    Target(double& v) : kind(Kind::Real), real(&v) {}
    Target(std::string& v, std::size_t len = 72) : kind(Kind::Text), text(&v), length(len) {}
};

class Reader {
public:
    // `name` is how the input is named in error reports: "standard input" or the file's name.
    Reader(std::istream& in, std::string name);

    // Read without an error branch: on a malformed or missing value or the end of
    // input, writes a one-line report naming the input and the fault on standard
    // error and ends the program with exit status 2.
    void read(std::initializer_list<Target> targets);

    // Read with an error branch: returns false and fills `fault` instead (the
    // targets read before the fault keep their new values).
    bool try_read(std::initializer_list<Target> targets, std::string& fault);

    const std::string& name() const { return name_; }

private:
    std::istream& in_;
    std::string name_;
};

}  // namespace ff
