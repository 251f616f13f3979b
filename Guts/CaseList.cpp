#include "CaseList.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

namespace caselist {

namespace {

struct Reader {
    std::vector<Row> rows;
    Row current;
    long line = 1;
    long start = 0;  // line the record in progress began on, 0 before its first byte
    bool nul = false;  // the record in progress holds a NUL byte
};

void on_field(void* data, std::size_t size, void* r) {
    Reader& reader = *static_cast<Reader*>(r);
    reader.current.fields.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
}

void on_record(int, void* r) {
    Reader& reader = *static_cast<Reader*>(r);
    reader.current.line = reader.start;
    // A NUL is in no number, and a list saved as UTF-16 has one beside every
    // character: the record is refused by its line, never glued or dropped.
    if (reader.nul) reader.current.fault = "holds a NUL byte (a list saved as UTF-16?)";
    reader.nul = false;
    reader.rows.push_back(std::move(reader.current));
    reader.current = Row{};
    reader.start = 0;
}

std::string lowered_trimmed(const std::string& s) {
    std::string t = trimmed(s);
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t;
}

// The program's own columns of a plan and of results: known, and not read.
bool informational(const std::string& name) {
    static constexpr std::string_view names[] = {
        "level_index", "df_index", "sigma_index", "report", "sigmas_defaulted", "status",
        "integral", "difference", "lower_tail", "upper_tail", "evaluations", "seconds",
        "crossed", "no_number", "out_of_iterations", "message"};
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

std::vector<Row> read(std::string_view text, bool& heading) {
    Layout layout;
    std::vector<Row> rows = read(text, layout);
    heading = layout.heading;
    return rows;
}

std::vector<Row> read(std::string_view text, Layout& layout) {
    layout = Layout{};
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Reader reader;
    csv_parser parser;
    // Not strict: a stray quote inside a field stays in the field, whose value
    // then is no number, and the rows after it are read on.
    csv_init(&parser, 0);
    // Fed a byte at a time so that each record knows the line it begins on.
    // A line ends at LF, at CRLF, or at a CR alone (old Mac files).
    char previous = '\0';
    for (const char c : text) {
        if (previous == '\r' && c != '\n') ++reader.line;
        if (reader.start == 0 && c != '\n' && c != '\r') reader.start = reader.line;
        if (c == '\0') reader.nul = true;
        csv_parse(&parser, &c, 1, on_field, on_record, &reader);
        if (c == '\n') ++reader.line;
        previous = c;
    }
    // libcsv's state 2 is a field begun; quoted and begun at the end of the
    // text is a quote left open. The field runs to the end of the text: the
    // record is kept as far as it got, and refused.
    const bool open_quote = parser.pstate == 2 && parser.quoted;
    csv_fini(&parser, on_field, on_record, &reader);
    if (open_quote && !reader.rows.empty()) reader.rows.back().fault = "a quoted field is not closed";
    csv_free(&parser);

    std::vector<Row> rows;
    bool first = true;
    for (Row& row : reader.rows) {
        if (blank(row)) continue;
        if (!row.fields.empty() && !row.fields[0].empty() && row.fields[0][0] == '#') continue;
        if (first && row.fault.empty() && is_heading(row)) {
            layout = layout_of(row);
            first = false;
            continue;
        }
        first = false;
        rows.push_back(std::move(row));
    }
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
