// The program's frame: start-up, the location and frame loops, shut-down.
#pragma once

// Returns the process exit status: 0 after an orderly end, non-zero when start-up failed.
int WinMain();
