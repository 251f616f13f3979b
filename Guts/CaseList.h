// Case lists: comma-separated values as RFC 4180 gives them (quoted fields,
// commas and line ends inside quotes, CRLF, LF or CR, an optional UTF-8
// byte-order mark), read by libcsv. One case a record. Without a heading the
// seven columns of `columns` come in that order; with one, the heading names
// them in any order, with the optional columns lambda, gamma2 and mu.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace caselist {

// The input columns, and the columns of a results row after them: the
// results, then the setting each case was computed in.
inline constexpr const char* columns = "kind,df,sigma,alpha,AdapQuadTol,FunctionTol,ResultTol";
inline constexpr int input_fields = 7;
inline constexpr const char* result_columns =
    "status,integral,difference,lower_tail,upper_tail,evaluations,seconds,crossed,no_number,"
    "out_of_iterations,message,lambda,gamma2,mu";

// The columns a case is read from; the last three are optional (lambda 0.5,
// gamma2 df + 1, mu 0 when a list has none).
enum Column : int { Kind, Df, Sigma, Alpha, AdapQuadTol, FunctionTol, ResultTol, Lambda, Gamma2, Mu };
inline constexpr int column_count = 10;
// The name of a column as a heading spells it.
std::string_view column_name(int column);

// Where each column is in the rows of a list.
struct Layout {
    bool heading = false;     // the first record named the columns, and was dropped
    int at[column_count] = {0, 1, 2, 3, 4, 5, 6, -1, -1, -1};  // field index, -1 absent
    std::size_t fields = input_fields;  // fields a row has
    std::string fault;        // why the heading is refused; "" when accepted
    long line = 0;            // the heading's line
};

struct Row {
    long line = 0;  // line of the file on which the record begins
    std::vector<std::string> fields;
    std::string fault;  // the record itself is malformed (an unclosed quote, a NUL byte)
};

// Splits `text` into records. Empty lines and records whose first field
// begins with '#' are skipped. A first record with a column name in it (in
// any case, blanks around a field ignored) is the heading: it is dropped, and
// `layout` says where each column is; every name it holds must be a column's
// (or one of the program's own plan and results columns, which are not read),
// none twice, and the seven of `columns` must all be there, else
// layout.fault says why. Without a heading the seven come in their order.
std::vector<Row> read(std::string_view text, Layout& layout);
// As above, saying only whether there was a heading.
std::vector<Row> read(std::string_view text, bool& heading);

// A field as a CSV record writes it: quoted when it holds a comma, a quote or
// a line end, its quotes doubled.
std::string field(std::string_view text);

// A field without the blanks and tabs around it.
std::string trimmed(const std::string& text);

// A real as the shortest text that reads back as the same double.
std::string real(double v);

}  // namespace caselist
