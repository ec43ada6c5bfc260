// Language.pd limits: the build refuses a language file the game would misread.
#include "../frame.h"

#include "files/language.h"

#include <set>

namespace datagen {

namespace {

struct Reader {
    std::vector<std::string> lines;
    size_t next = 0;
    std::vector<std::string>& errors;

    Reader(const std::string& text, std::vector<std::string>& e) : errors(e)
    {
        size_t start = 0;
        while (start < text.size()) {
            size_t nl = text.find('\n', start);
            if (nl == std::string::npos)
                nl = text.size();
            lines.push_back(text.substr(start, nl - start));
            start = nl + 1;
        }
    }
    bool More() const { return next < lines.size(); }
    // Next line, checked against the read length. Empty when the file has ended.
    std::string Take(size_t maxLength, const char* where)
    {
        if (!More()) {
            Error(std::string("file ends inside ") + where);
            return "";
        }
        const std::string& l = lines[next++];
        // A line must fit the read buffer with its line end, or the end is left
        // to the next read and every later line is off by one.
        if (l.size() > maxLength - 2)
            Error(std::string(where) + ": line longer than " + std::to_string(maxLength - 2) + " characters");
        return l;
    }
    void Error(const std::string& what)
    {
        errors.push_back("Data/Language.pd line " + std::to_string(next) + ": " + what);
    }
};

bool IsEnd(const std::string& line) { return line.find("//////") != std::string::npos; }

void Pairs(Reader& r, char open, char close, int limit, size_t textMax, const char* what, bool unique)
{
    std::set<std::string> seen;
    int count = 0;
    while (count < limit) {
        std::string line = r.Take(LANG_LINE, what);
        if (!r.More() && line.empty())
            return;
        if (IsEnd(line))
            return;
        size_t rusEnd = line.size() > 1 ? line.find(close, 1) : std::string::npos;
        size_t engOpen = rusEnd == std::string::npos ? rusEnd : line.find(open, rusEnd + 1);
        size_t engEnd = engOpen == std::string::npos ? engOpen : line.find(close, engOpen + 1);
        if (line.empty() || line[0] != open || engEnd == std::string::npos) {
            r.Error(std::string(what) + ": not a pair of texts in " + open + close);
            ++count;
            continue;
        }
        std::string rus = line.substr(1, rusEnd - 1);
        std::string eng = line.substr(engOpen + 1, engEnd - engOpen - 1);
        if (rus.size() > textMax || eng.size() > textMax)
            r.Error(std::string(what) + ": text longer than " + std::to_string(textMax) + " characters");
        if (unique && !seen.insert(rus).second)
            r.Error(std::string(what) + ": text given twice: " + rus);
        ++count;
    }
    if (r.More() && !r.lines[r.next].empty() && r.lines[r.next][0] == open)
        r.Error(std::string(what) + ": more than " + std::to_string(limit) + " entries");
}

void Skip(Reader& r, int n, const char* what)
{
    for (int i = 0; i < n; ++i)
        r.Take(LANG_LINE, what);
}

} // namespace

void CheckLanguageSource(const std::string& text, std::vector<std::string>& errors)
{
    if (text.find('\r') != std::string::npos)
        errors.push_back("Data/Language.pd: holds CR line ends");
    Reader r(text, errors);
    for (size_t i = 0; i < r.lines.size(); ++i)
        if (r.lines[i].empty() && i + 1 < r.lines.size())
            errors.push_back("Data/Language.pd line " + std::to_string(i + 1)
                             + ": empty line (archive reading joins it with the line before)");

    Skip(r, 3, "the head");
    Pairs(r, '"', '"', LANG_SHORT_COUNT, LANG_SHORT_SIZE - 1, "short texts", true);
    Skip(r, 2, "the gap before the long texts");
    for (int set = 0; set < LANG_LONG_COUNT; ++set) {
        for (int k = 0; k < 2; ++k) {
            std::string l = r.Take(LANG_LONG_LINE, "long texts");
            if (l.size() < (size_t)LANG_LONG_PREFIX + 1)
                r.Error("long texts: a text line holds no text behind its 4-character label");
        }
        if (IsEnd(r.Take(LANG_LONG_LINE, "long texts")))
            break;
        if (set == LANG_LONG_COUNT - 1)
            r.Error("long texts: more than 10 sets");
    }
    Skip(r, 2, "the gap before the first phrases");
    Pairs(r, '"', '"', LANG_PHRASE_FILLED, LANG_PHRASE_SIZE - 1, "first phrases", false);
    Skip(r, 1, "the gap before the second phrases");
    Pairs(r, '"', '"', LANG_PHRASE_FILLED, LANG_PHRASE_SIZE - 1, "second phrases", false);
    Skip(r, 3, "the gap before the names");
    Pairs(r, '(', ')', LANG_NAME_COUNT, LANG_NAME_SIZE - 1, "names", true);
}

} // namespace datagen
