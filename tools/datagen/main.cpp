// datagen: builds the game's data set into a runnable game directory.
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string source, out;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--source") && i + 1 < argc) source = argv[++i];
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
    }
    if (source.empty() || out.empty()) {
        std::fprintf(stderr, "usage: datagen --source DATA_DIR --out GAME_DIR [--check]\n");
        return 2;
    }
    return 0;
}
