// Case lists: comma-separated values as RFC 4180 gives them (quoted fields,
// commas and line ends inside quotes, CRLF, LF or CR, an optional UTF-8
// byte-order mark), read by libcsv. One case a record. Without a heading the
// seven columns of `columns` come in that order; with one, the heading names
// them in any order, with the optional columns lambda, gamma2 and mu.
#pragma once
#include <functional>
#include <memory>
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

// What --records adds to a results row, for --render to put the outputs of a
// run together from its parts: the row's line in the list, the coverage
// integrals I_L and I_U of a two-sided case as computed, the range of s of
// each kind of fault, the case's clock readings (seconds of the day), the
// text of a failure, and the records the case wrote.
inline constexpr const char* record_columns =
    "line,I_L,I_U,crossed_s_least,crossed_s_most,no_number_s_least,no_number_s_most,"
    "out_of_iterations_s_least,out_of_iterations_s_most,clock_begin,clock_end,failure,records";

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

// A list read a piece at a time, as it comes: each row (the heading, empty
// lines and comments left out, as read() below leaves them) is handed to the
// sink as soon as it is complete, so that a long list is never held whole.
class Scanner {
public:
    // Takes a row; false when no more rows are wanted.
    using Sink = std::function<bool(Row&&)>;
    // `raw`: every record is a row, the first one too, and none is skipped
    // (the program's own results, whose heading the reader checks itself).
    explicit Scanner(Sink sink, bool raw = false);
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // The next piece of the text; false once the sink wants no more rows.
    bool feed(std::string_view text);
    // The end of the text: the last record, if it has no line end, is handed over.
    void finish();
    // Where the columns are: final once the first record has been read.
    const Layout& layout() const;

private:
    struct State;
    std::unique_ptr<State> state_;
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
