// The shot check: at every scripted shot of the story (a script step that places, moves,
// orbits or points the camera, or a talk that opens) the subjects the shot names are measured
// through the camera's view and projection: in the picture, at a size a player recognises,
// and the eye outside every mesh. The test pilot calls it once a frame; it only reads.
#pragma once
#include <string>
#include <vector>

// Watches one frame of the run (the location the pilot is in, the frame count).
void ShotCheckFrame(int location, unsigned frame);
// The shots that failed, one line each (location, step, frame, what was wrong); and forgets them.
std::vector<std::string> ShotCheckTakeFailures();
// How many shots were measured.
int ShotCheckShotCount();
