// Shared actions of the planet world's scene scripts: placing actors, walks, talks,
// camera work and the lift door. Each script is a step counter on its unit.
#pragma once
#include "platform/math/math3d.h"

class CUnit;
class CAttachedEffect;
class CCamera;

namespace PlanetScene {

CCamera& Camera();
float Wait(const CUnit* u);  // seconds since the unit's step stamp
void Stamp(CUnit* u);
bool Idle(const CUnit* u);
void Place(CUnit* u, const Vec3& p);
void Place(CUnit* u, const Vec3& p, float heading);
void WalkTo(CUnit* u, const Vec3& p);
void Face(CUnit* u, const Vec3& p);
void Talk(CUnit* hero, CUnit* speaker);
// A talk the follower opened has run and ended.
bool TalkEnded(const CUnit* follower);
void OrbitAround(const Vec3& centre);
void OrbitPlayer();
void ClearOrbit();
void Fade(float seconds = 3.0f);
void FadeIn(float seconds = 3.0f);
void CameraAt(const Vec3& eye, const Vec3& lookAt);
void Interface(int clicks, int pointer, int box);
void BackToSpace();

// The lift: the first unit of kind 200 of the current world, and its gate door.
CAttachedEffect* LiftDoor(CUnit** lift = nullptr);
bool DoorOpen(const CAttachedEffect* door);
bool DoorClosed(const CAttachedEffect* door);
void LeaveByLift(CUnit* player, CUnit* scripted, CAttachedEffect* door);
void OpenDoor(CAttachedEffect* door);
void CloseDoor(CAttachedEffect* door);
// True when every unit of kind 2200 or 2201 of the current world has the step (or none exists).
bool MercenariesAtStep(int step);
void SendMercenariesOut();
void BlinkSignalLamp(const CUnit* near);
// A named object the script needs: reported once per script and name when missing.
CUnit* FindNamed(const CUnit* near, const char* name, const char* caption);
void ReportMissing(const char* name, const char* caption);

// Location 111's people other than the captain, location 201's operator and the docked
// station's interior: the scripts of the mercenaries' base and the interiors.
void RunBaseScript(CUnit* u, int scriptId, float dt);
void RunInteriorScripts(CUnit* u, int scriptId, float dt);

}  // namespace PlanetScene
