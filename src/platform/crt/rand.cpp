#include "platform/crt/rand.h"

namespace {
unsigned g_randState = 1;
}

void GameSrand(unsigned seed)
{
    g_randState = seed;
}

int GameRand()
{
    g_randState = g_randState * 214013u + 2531011u;
    return int((g_randState >> 16) & 0x7FFF);
}
