// Reading tables and filling templates of data/Tables/.
#include "tables.h"

#include <cstdio>
#include <cstdlib>

namespace datagen {

namespace {

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

} // namespace

const std::string& Table::Get(size_t row, const std::string& column) const
{
    static const std::string empty;
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c] == column) return row < rows.size() ? rows[row][c] : empty;
    return empty;
}

bool Table::Has(const std::string& column) const
{
    for (const std::string& c : columns)
        if (c == column) return true;
    return false;
}

std::string Table::Where(size_t row) const
{
    return path + " line " + std::to_string(row < lines.size() ? lines[row] : 0);
}

std::vector<std::string> SplitList(const std::string& text, char separator)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        std::string item = Trim(text.substr(start, end - start));
        if (!item.empty()) out.push_back(item);
        start = end + 1;
    }
    return out;
}

bool ReadTable(const DataSet& set, const std::string& path, Table* table, std::string* error)
{
    *table = Table();
    table->path = path;
    if (!set.Has(path)) {
        *error = path + " is missing";
        return false;
    }
    const std::string text = set.Text(path);
    size_t start = 0;
    int line = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (Trim(l).empty() || Trim(l)[0] == '#') continue;
        std::vector<std::string> cells;
        size_t s = 0;
        for (;;) {
            size_t e = l.find(';', s);
            cells.push_back(Trim(l.substr(s, e == std::string::npos ? std::string::npos : e - s)));
            if (e == std::string::npos) break;
            s = e + 1;
        }
        if (table->columns.empty()) {
            table->columns = cells;
            continue;
        }
        if (cells.size() != table->columns.size()) {
            *error = path + " line " + std::to_string(line) + ": " + std::to_string(cells.size()) + " columns instead of " +
                     std::to_string(table->columns.size());
            return false;
        }
        table->rows.push_back(cells);
        table->lines.push_back(line);
    }
    if (table->columns.empty()) {
        *error = path + " names no columns";
        return false;
    }
    return true;
}

bool RequireColumns(const Table& table, const std::vector<std::string>& columns, std::string* error)
{
    for (const std::string& c : columns)
        if (!table.Has(c)) {
            *error = table.path + " has no column \"" + c + "\"";
            return false;
        }
    return true;
}

std::map<std::string, std::string> RowValues(const Table& table, size_t row)
{
    std::map<std::string, std::string> v;
    for (size_t c = 0; c < table.columns.size(); ++c) v[table.columns[c]] = table.rows[row][c];
    return v;
}

bool FillTemplate(const std::string& text, const std::map<std::string, std::string>& values, std::string* out,
                  std::string* error)
{
    out->clear();
    out->reserve(text.size() + 256);
    size_t i = 0;
    while (i < text.size()) {
        size_t open = text.find('{', i);
        if (open == std::string::npos) {
            out->append(text, i, std::string::npos);
            break;
        }
        size_t close = text.find('}', open);
        if (close == std::string::npos) {
            *error = "a '{' without its '}'";
            return false;
        }
        out->append(text, i, open - i);
        const std::string key = text.substr(open + 1, close - open - 1);
        auto it = values.find(key);
        if (it == values.end()) {
            *error = "no value for {" + key + "}";
            return false;
        }
        *out += it->second;
        i = close + 1;
    }
    return true;
}

bool MayGenerate(const DataSet& set, const std::string& path, const std::string& table)
{
    if (!set.Has(path)) return true;
    std::fprintf(stderr, "datagen: warning: %s is given as a source file and is used as it is; fold it into %s\n",
                 path.c_str(), table.c_str());
    return false;
}

bool ParseInt(const std::string& text, long* value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return end && *end == 0;
}

bool ParseReal(const std::string& text, double* value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return end && *end == 0;
}

} // namespace datagen
