#include "platform/crt/text_file.h"
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

FILE* FileOpen(const char* path, const char* mode)
{
    if (!path || !mode)
        return nullptr;
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    std::string m;
    for (const char* c = mode; *c; ++c)
        if (*c != 't')
            m += *c;
    FILE* f = std::fopen(p.c_str(), m.c_str());
    // Reading a directory "succeeds" here and reports an enormous size; the
    // Windows runtime refuses to open one at all.
    struct stat st;
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        errno = EISDIR;
        return nullptr;
    }
    return f;
}

FILE* FileReopen(FILE* file)
{
    if (!file)
        return nullptr;
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(file));
    return std::fopen(self.c_str(), "rb");
}

char* TextFgets(char* buffer, int size, FILE* file)
{
    if (!buffer || size <= 0 || !file)
        return nullptr;
    int n = 0;
    while (n < size - 1) {
        int c = std::fgetc(file);
        if (c == EOF)
            break;
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        buffer[n++] = char(c);
        if (c == '\n')
            break;
    }
    if (n == 0)
        return nullptr;
    buffer[n] = '\0';
    return buffer;
}

std::size_t TextModeConvert(char* data, std::size_t length)
{
    if (!data)
        return 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '\r' && i + 1 < length && data[i + 1] == '\n')
            continue;
        data[out++] = data[i];
    }
    return out;
}
