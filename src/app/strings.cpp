#include "app/settings.h"
#include <cstring>

int StrEqual(const char* a, const char* b)
{
    if (!a || !b)
        return a == b;
    return std::strcmp(a, b) == 0;
}

int ReplaceDoubleQuotes(char* text)
{
    if (!text)
        return 0;
    int n = 0;
    for (; text[n]; ++n)
        if (text[n] == '"')
            text[n] = '`';
    return n;
}
