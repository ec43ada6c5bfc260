// The end of a mission: the dying player ship or home station and the scene scripts
// call it with the result (0 a defeat, 1 a victory).
#pragma once

// For now it only records the end (the director's mission-over flag) and logs it; the
// destroyed question and the results page come with the menu pages.
void EndGame(int result);
