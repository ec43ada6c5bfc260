#include "platform/win/directory.h"
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

unsigned GetCurrentDirectory(unsigned size, char* buffer)
{
    std::string dir;
    std::string tmp(4096, '\0');
    while (!getcwd(tmp.data(), tmp.size())) {
        if (errno != ERANGE || tmp.size() > (1u << 20))
            return 0;
        tmp.resize(tmp.size() * 2);
    }
    dir = tmp.c_str();
    if (!buffer || size < dir.size() + 1) {
        if (buffer && size)
            buffer[0] = '\0';
        return unsigned(dir.size() + 1);
    }
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return unsigned(dir.size());
}

bool CreateDirectory(const char* path)
{
    if (!path)
        return false;
    return mkdir(NormalizePath(path).c_str(), 0777) == 0;
}

bool DirectoryExists(const char* path)
{
    struct stat st {};
    return path && stat(NormalizePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string NormalizePath(const char* path)
{
    std::string p = path ? path : "";
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}
