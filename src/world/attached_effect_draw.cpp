// Drawing of the attached effects in the world's pass.
#include "world/attached_effect.h"

// The per-kind drawing (sprites at mesh points, flames, trails, the cockpit) is not in
// the game yet: an attached effect draws nothing.
void CAttachedEffect::Draw(int) {}
