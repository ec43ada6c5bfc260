// The C runtime's random numbers as the game knows them: one global LCG
// (state = state * 214013 + 2531011), results 0..32767. Copies of a network
// game must draw identical sequences, so never the host C library's rand.
#pragma once

constexpr int GAME_RAND_MAX = 32767;

void GameSrand(unsigned seed);
int GameRand();
