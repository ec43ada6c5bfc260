// Tables and templates of the data sources (data/Tables/). A table is a text file of
// rows whose columns are separated by ';': '#' lines are comments, the first other line
// names the columns. A template is a file of the game's format in which {column} stands
// for a value. Both are read from the data set (CP1251, like every text source) and are
// not written into the game directory: main() drops everything under "Tables/".
#pragma once

#include "../datagen.h"

#include <map>
#include <string>
#include <vector>

namespace datagen {

struct Table {
    std::string path;                             // "Tables/ships.csv"
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;   // every row has one value per column
    std::vector<int> lines;                       // the source line of each row

    // The value of a column in a row; empty when the table has no such column.
    const std::string& Get(size_t row, const std::string& column) const;
    bool Has(const std::string& column) const;
    // "Tables/ships.csv line 12" for messages.
    std::string Where(size_t row) const;
};

// Reads a table of the set; false with *error when it is missing or a row is malformed.
bool ReadTable(const DataSet& set, const std::string& path, Table* table, std::string* error);

// False with *error naming the first column the table lacks.
bool RequireColumns(const Table& table, const std::vector<std::string>& columns, std::string* error);

// Replaces each {key} of the template by its value; false with *error naming an unknown key.
bool FillTemplate(const std::string& text, const std::map<std::string, std::string>& values, std::string* out,
                  std::string* error);

// A row's columns as template values.
std::map<std::string, std::string> RowValues(const Table& table, size_t row);

// True when a table may write this game path. A source file of the same path (an edit made
// to a file before it came from a table) is kept instead, with a warning naming the table to
// fold it into, so that such an edit still builds.
bool MayGenerate(const DataSet& set, const std::string& path, const std::string& table);

// Number parsing for table checks: false when the text is not a whole number / a number.
bool ParseInt(const std::string& text, long* value);
bool ParseReal(const std::string& text, double* value);

// Splits "a, b, c" into trimmed items (empty text gives none).
std::vector<std::string> SplitList(const std::string& text, char separator = ',');

} // namespace datagen
