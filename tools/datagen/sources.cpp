// Reading the data/ source tree and writing outputs.
#include "frame.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace datagen {

bool IsTextSource(const std::string& dataPath)
{
    // Text kinds of the game's formats; everything else under data/ is copied as it is.
    static const char* const kText[] = {".pd", ".obj", ".loc", ".dat", ".txt", ".ini", ".dlg", ".cfg", ".fx", ".csv"};
    std::string p = dataPath;
    std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    for (const char* ext : kText) {
        std::string e = ext;
        if (p.size() > e.size() && p.compare(p.size() - e.size(), e.size(), e) == 0)
            return true;
    }
    return false;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool LoadSources(const std::string& sourceDir, DataSet& set)
{
    std::error_code ec;
    if (!fs::is_directory(sourceDir, ec)) {
        std::fprintf(stderr, "datagen: no source folder %s\n", sourceDir.c_str());
        return false;
    }
    bool ok = true;
    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(sourceDir, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            paths.push_back(it->path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) {
        std::string rel = fs::relative(p, sourceDir).generic_string();
        if (rel.empty() || rel[0] == '.' || rel.find("/.") != std::string::npos)
            continue;   // editor and VCS files
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(p.string(), bytes)) {
            std::fprintf(stderr, "datagen: cannot read %s\n", p.c_str());
            ok = false;
            continue;
        }
        if (IsTextSource(rel)) {
            std::string text(bytes.begin(), bytes.end());
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
                text.erase(0, 3);
            bool good = true;
            std::string cp = ToCp1251(text, &good);
            if (!good) {
                std::fprintf(stderr, "datagen: %s holds characters CP1251 cannot hold\n", rel.c_str());
                ok = false;
            }
            set.AddText(rel, cp);
        } else {
            set.Add(rel, std::move(bytes));
        }
    }
    return ok;
}

bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes, bool* written)
{
    if (written)
        *written = false;
    std::vector<uint8_t> old;
    if (ReadWholeFile(path, old) && old == bytes)
        return true;
    std::error_code ec;
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path(), ec);
    // Write beside and rename, so a broken run never leaves half a file.
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
        if (!out)
            return false;
    }
    fs::rename(tmp, path, ec);
    if (ec)
        return false;
    if (written)
        *written = true;
    return true;
}

} // namespace datagen
