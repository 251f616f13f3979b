#include "CaseList.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

namespace caselist {

namespace {

std::string lowered_trimmed(const std::string& s) {
    std::string t = trimmed(s);
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t;
}

// The program's own columns of a plan and of results (lowered): known, and not read.
bool informational(const std::string& name) {
    static constexpr std::string_view names[] = {
        "level_index", "df_index", "sigma_index", "report", "sigmas_defaulted", "status",
        "integral", "difference", "lower_tail", "upper_tail", "evaluations", "seconds",
        "crossed", "no_number", "out_of_iterations", "message", "line", "i_l", "i_u",
        "crossed_s_least", "crossed_s_most", "no_number_s_least", "no_number_s_most",
        "out_of_iterations_s_least", "out_of_iterations_s_most", "clock_begin", "clock_end",
        "failure", "records"};
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

int column_of(const std::string& name) {
    for (int c = 0; c < column_count; ++c) {
        std::string lowered(column_name(c));
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        if (name == lowered) return c;
    }
    return -1;
}

// A first record that names a column is the heading.
bool is_heading(const Row& row) {
    for (const std::string& f : row.fields)
        if (column_of(lowered_trimmed(f)) >= 0) return true;
    return false;
}

Layout layout_of(const Row& heading) {
    Layout l;
    l.heading = true;
    l.line = heading.line;
    l.fields = heading.fields.size();
    for (int& at : l.at) at = -1;
    for (std::size_t i = 0; i < heading.fields.size(); ++i) {
        const std::string name = lowered_trimmed(heading.fields[i]);
        const int c = column_of(name);
        if (c < 0) {
            if (informational(name)) continue;
            l.fault = "unknown column '" + trimmed(heading.fields[i]) + "' in the heading";
            return l;
        }
        if (l.at[c] >= 0) {
            l.fault = "column '" + std::string(column_name(c)) + "' named twice in the heading";
            return l;
        }
        l.at[c] = static_cast<int>(i);
    }
    for (int c = 0; c < input_fields; ++c)
        if (l.at[c] < 0) {
            l.fault = "the heading has no column '" + std::string(column_name(c)) + "'";
            return l;
        }
    return l;
}

bool blank(const Row& row) { return row.fields.size() == 1 && row.fields[0].empty(); }

}  // namespace

std::string_view column_name(int column) {
    static constexpr std::string_view names[column_count] = {
        "kind", "df", "sigma", "alpha", "AdapQuadTol", "FunctionTol", "ResultTol",
        "lambda", "gamma2", "mu"};
    return names[column];
}

// The records of the text as libcsv splits them, each with the line it
// begins on, filtered as the list reads them: empty lines and comments
// skipped, the first record taken for the heading when it names a column.
struct Scanner::State {
    Sink sink;
    bool raw = false;
    csv_parser parser;
    Layout layout;
    Row current;
    long line = 1;
    long start = 0;      // line the record in progress began on, 0 before its first byte
    bool nul = false;    // the record in progress holds a NUL byte
    bool first = true;   // no record read yet (the heading's place)
    bool stop = false;   // the sink wants no more rows
    bool finished = false;
    std::string fault;   // for the record that csv_fini hands over
    char previous = '\0';
    std::string head;    // the first bytes, held until a byte-order mark can be told
    bool head_done = false;

    State(Sink s, bool r) : sink(std::move(s)), raw(r) {
        // Not strict: a stray quote inside a field stays in the field, whose
        // value then is no number, and the rows after it are read on.
        csv_init(&parser, 0);
    }
    ~State() { csv_free(&parser); }

    static void on_field(void* data, std::size_t size, void* p) {
        State& st = *static_cast<State*>(p);
        st.current.fields.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
    }

    static void on_record(int, void* p) {
        State& st = *static_cast<State*>(p);
        Row row = std::move(st.current);
        st.current = Row{};
        row.line = st.start;
        // A NUL is in no number, and a list saved as UTF-16 has one beside every
        // character: the record is refused by its line, never glued or dropped.
        if (st.nul) row.fault = "holds a NUL byte (a list saved as UTF-16?)";
        if (!st.fault.empty()) row.fault = st.fault;
        st.nul = false;
        st.start = 0;
        st.take(std::move(row));
    }

    void take(Row&& row) {
        if (stop) return;
        if (raw) {
            if (!sink(std::move(row))) stop = true;
            return;
        }
        if (blank(row)) return;
        if (!row.fields.empty() && !row.fields[0].empty() && row.fields[0][0] == '#') return;
        if (first) {
            first = false;
            if (row.fault.empty() && is_heading(row)) {
                layout = layout_of(row);
                return;
            }
        }
        if (!sink(std::move(row))) stop = true;
    }

    // Fed a byte at a time so that each record knows the line it begins on.
    // A line ends at LF, at CRLF, or at a CR alone (old Mac files).
    void bytes(std::string_view text) {
        for (const char c : text) {
            if (stop) return;
            if (previous == '\r' && c != '\n') ++line;
            if (start == 0 && c != '\n' && c != '\r') start = line;
            if (c == '\0') nul = true;
            csv_parse(&parser, &c, 1, on_field, on_record, this);
            if (c == '\n') ++line;
            previous = c;
        }
    }

    void drop_mark() {
        head_done = true;
        std::string_view h = head;
        if (h.starts_with("\xEF\xBB\xBF")) h.remove_prefix(3);
        bytes(h);
        head.clear();
    }
};

Scanner::Scanner(Sink sink, bool raw) : state_(std::make_unique<State>(std::move(sink), raw)) {}
Scanner::~Scanner() = default;

bool Scanner::feed(std::string_view text) {
    State& st = *state_;
    if (!st.head_done) {
        const std::size_t want = 3 - st.head.size();
        st.head.append(text.substr(0, want));
        text.remove_prefix(std::min(want, text.size()));
        if (st.head.size() < 3) return !st.stop;
        st.drop_mark();
    }
    st.bytes(text);
    return !st.stop;
}

void Scanner::finish() {
    State& st = *state_;
    if (st.finished) return;
    st.finished = true;
    if (!st.head_done) st.drop_mark();
    // libcsv's state 2 is a field begun; quoted and begun at the end of the
    // text is a quote left open. The field runs to the end of the text: the
    // record is kept as far as it got, and refused.
    if (st.parser.pstate == 2 && st.parser.quoted) st.fault = "a quoted field is not closed";
    csv_fini(&st.parser, State::on_field, State::on_record, &st);
}

const Layout& Scanner::layout() const { return state_->layout; }

std::vector<Row> read(std::string_view text, bool& heading) {
    Layout layout;
    std::vector<Row> rows = read(text, layout);
    heading = layout.heading;
    return rows;
}

std::vector<Row> read(std::string_view text, Layout& layout) {
    std::vector<Row> rows;
    Scanner scanner([&](Row&& row) {
        rows.push_back(std::move(row));
        return true;
    });
    scanner.feed(text);
    scanner.finish();
    layout = scanner.layout();
    return rows;
}

std::string trimmed(const std::string& text) {
    const auto a = text.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    return text.substr(a, text.find_last_not_of(" \t") - a + 1);
}

std::string field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string real(double v) {
    if (std::isnan(v)) return "nan";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace caselist
