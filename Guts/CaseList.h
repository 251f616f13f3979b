// Case lists: comma-separated values as RFC 4180 gives them (quoted fields,
// commas and line ends inside quotes, CRLF or LF, an optional UTF-8 byte-order
// mark), read by libcsv. One case a record, in the columns of `columns`; the
// heading row is optional and is recognised by those names alone.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace caselist {

// The input columns, and the columns of a results row after them.
inline constexpr const char* columns = "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol";
inline constexpr int input_fields = 7;
inline constexpr const char* result_columns =
    "status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,"
    "out_of_iterations,message";

struct Row {
    long line = 0;  // line of the file on which the record begins
    std::vector<std::string> fields;
    std::string fault;  // the record itself is malformed (an unclosed quote)
};

// Splits `text` into records. Empty lines and records whose first field
// begins with '#' are skipped; a first record that names the seven columns
// (in any case, blanks around a field ignored) is the heading and is dropped,
// `heading` says whether there was one.
std::vector<Row> read(std::string_view text, bool& heading);

// A field as a CSV record writes it: quoted when it holds a comma, a quote or
// a line end, its quotes doubled.
std::string field(std::string_view text);

// A field without the blanks and tabs around it.
std::string trimmed(const std::string& text);

// A real as the shortest text that reads back as the same double.
std::string real(double v);

}  // namespace caselist
