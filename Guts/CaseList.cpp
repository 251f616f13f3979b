#include "CaseList.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace caselist {

namespace {

struct Reader {
    std::vector<Row> rows;
    Row current;
    long line = 1;
    long start = 0;  // line the record in progress began on, 0 before its first byte
};

void on_field(void* data, std::size_t size, void* r) {
    Reader& reader = *static_cast<Reader*>(r);
    reader.current.fields.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
}

void on_record(int, void* r) {
    Reader& reader = *static_cast<Reader*>(r);
    reader.current.line = reader.start;
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

bool is_heading(const Row& row) {
    static const char* const names[input_fields] = {"kind",        "df",          "sigma",
                                                    "alpha",       "adapquadtol", "functiontol",
                                                    "resulttol"};
    if (row.fields.size() != input_fields) return false;
    for (int i = 0; i < input_fields; ++i)
        if (lowered_trimmed(row.fields[i]) != names[i]) return false;
    return true;
}

bool blank(const Row& row) { return row.fields.size() == 1 && row.fields[0].empty(); }

}  // namespace

std::vector<Row> read(std::string_view text, bool& heading) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    Reader reader;
    csv_parser parser;
    // Not strict: a stray quote inside a field stays in the field, whose value
    // then is no number, and the rows after it are read on.
    csv_init(&parser, 0);
    // Fed a byte at a time so that each record knows the line it begins on.
    for (const char c : text) {
        if (reader.start == 0 && c != '\n' && c != '\r') reader.start = reader.line;
        csv_parse(&parser, &c, 1, on_field, on_record, &reader);
        if (c == '\n') ++reader.line;
    }
    // libcsv's state 2 is a field begun; quoted and begun at the end of the
    // text is a quote left open. The field runs to the end of the text: the
    // record is kept as far as it got, and refused.
    const bool open_quote = parser.pstate == 2 && parser.quoted;
    csv_fini(&parser, on_field, on_record, &reader);
    if (open_quote && !reader.rows.empty()) reader.rows.back().fault = "a quoted field is not closed";
    csv_free(&parser);

    std::vector<Row> rows;
    heading = false;
    bool first = true;
    for (Row& row : reader.rows) {
        if (blank(row)) continue;
        if (!row.fields.empty() && !row.fields[0].empty() && row.fields[0][0] == '#') continue;
        if (first && is_heading(row)) {
            heading = true;
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
