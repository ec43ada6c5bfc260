// datagen: builds the game's data set into a runnable game directory.
//   datagen --source DATA_DIR --out GAME_DIR           build (rewrites only changed files)
//   datagen --source DATA_DIR --out GAME_DIR --check   load the built set through the game's code
#include "frame.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

using namespace datagen;

int main(int argc, char** argv)
{
    std::string source, out;
    bool checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--source") && i + 1 < argc) source = argv[++i];
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
        else if (!std::strcmp(argv[i], "--check")) checkOnly = true;
        else {
            std::fprintf(stderr, "datagen: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (source.empty() || out.empty()) {
        std::fprintf(stderr, "usage: datagen --source DATA_DIR --out GAME_DIR [--check]\n");
        return 2;
    }

    DataSet set;
    set.sourceDir = source;
    if (!LoadSources(source, set))
        return 1;

    const std::vector<uint8_t>* language = set.Get("Data/Language.pd");
    if (!language) {
        std::fprintf(stderr, "datagen: Data/Language.pd is missing from %s\n", source.c_str());
        return 1;
    }
    std::vector<std::string> errors;
    CheckLanguageSource(std::string(language->begin(), language->end()), errors);
    if (!errors.empty()) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "datagen: %s\n", e.c_str());
        std::fprintf(stderr, "datagen: the language file breaks its limits\n");
        return 1;
    }

    for (const NamedGenerator& g : Generators()) {
        if (!g.fn(set)) {
            std::fprintf(stderr, "datagen: generator %s failed\n", g.name.c_str());
            return 1;
        }
    }

    // Tables and templates are sources of the generators, not files of the game.
    for (auto it = set.files.begin(); it != set.files.end();)
        it = it->first.rfind("Tables/", 0) == 0 ? set.files.erase(it) : std::next(it);

    DataSet archives;
    std::string error;
    if (!BuildArchives(set, archives, error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return 1;
    }
    DataSet all = set;
    all.files.insert(archives.files.begin(), archives.files.end());

    if (checkOnly) {
        int missing = RunChecks(out, all);
        if (missing) {
            std::fprintf(stderr, "datagen --check: %d missing\n", missing);
            return 1;
        }
        std::printf("datagen --check: %zu files, all found\n", all.files.size());
        return 0;
    }

    size_t rewritten = 0;
    for (const auto& [path, bytes] : all.files) {
        bool written = false;
        if (!WriteIfChanged(out + "/" + path, bytes, &written)) {
            std::fprintf(stderr, "datagen: cannot write %s/%s\n", out.c_str(), path.c_str());
            return 1;
        }
        rewritten += written;
    }
    // Files of an earlier build that this one no longer makes go, so the loose tree
    // and the archives always hold the same set.
    namespace fs = std::filesystem;
    std::error_code ec;
    size_t removed = 0;
    std::vector<fs::path> stale;
    for (auto it = fs::recursive_directory_iterator(out + "/Data", ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file() && !it->is_symlink())
            continue;
        std::string rel = fs::relative(it->path(), out).generic_string();
        if (!all.files.count(rel))
            stale.push_back(it->path());
    }
    for (const fs::path& p : stale)
        removed += fs::remove(p, ec);
    std::printf("datagen: %zu files, %zu rewritten, %zu removed\n", all.files.size(), rewritten, removed);
    return 0;
}
