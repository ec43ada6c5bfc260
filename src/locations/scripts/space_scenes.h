// Shared tools of the space scenes: step stamps and waits, the scene voice, camera
// shots, windows of game time and the lookup of a scene's cast by object id.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "platform/math/math3d.h"

class CUnit;
class CCamera;

namespace scenes {

// Seconds since the unit's step stamp (its third timer), on the game clock.
float StepSeconds(const CUnit* unit);
void Stamp(CUnit* unit);
// The wait of the step, kept in the order vector's second component.
float& Wait(CUnit* unit);
// Sets the step and stamps it.
void Next(CUnit* unit, int step);

// The unit with the object id in the current world. A missing one is written to the log
// once per location and id, and the caller skips what needed it.
CUnit* Cast(int id);
// Tests: forget which absences were reported.
void ResetCastReports();
int CastReportCount();

// The player's ship: the player object, or the one docked at a station.
CUnit* PlayerShip();

// The scene voice: any earlier one released, the file loaded and played once at its
// own rate. Nothing while the "Voice" setting is off or the file is missing.
void PlayVoice(const char* file);
// Loads the voice without playing it; PlaySceneVoice plays the loaded one.
void LoadVoice(const char* file);
void PlaySceneVoice();
void ReleaseVoice();

// Camera shots on the current world's camera.
CCamera& Camera();
// The eye follows the unit at the offset; rate about the axis (default (0, 1, 0)).
void ShotOffset(CUnit* unit, const Vec3& offset, float rate = 0.0f, float moveTime = 0.0f,
                const Vec3* axis = nullptr);
// The eye stays at the point and looks at the unit.
void ShotFrom(CUnit* unit, const Vec3& point, float moveTime = 0.0f);
// The eye stops where it is and turns to the unit; an eye inside a hull (the cockpit's,
// when the shot follows the inside view) is first lifted out of it.
void ShotFromHere(CUnit* unit, float moveTime = 0.0f);
// An eye inside a hull (other than `except`'s) is put just outside it, away from its centre.
void LiftEyeOut(const CUnit* except);
void CameraOff();
// The space camera's own field of view; every shot starts with it.
constexpr float kSpaceFov = 1.46121f;
// Each frame of a shot on a far subject: narrows the field of view (never below a tenth of
// a radian) until a sphere of `radius` round the unit covers `share` of the picture's
// half-height, as far as the unit stays in the picture.
void FrameFar(const CUnit* unit, float radius, float share);
// The radius round `centre` that holds the units whole.
float GroupRadius(const CUnit* centre, std::initializer_list<const CUnit*> units);
// How far the eye keeps from a hull: beyond the near plane and a frame's flight.
constexpr float kHullClearance = 40.0f;
// The space body (ship, station, asteroid, planet) whose bounding sphere, widened by the
// clearance, holds the point; null in open space. `except` is passed over.
CUnit* BodyAround(const Vec3& point, const CUnit* except = nullptr);
// The straight way from `from` to `to` keeps clear of every body's sphere; a body round
// `from` itself only bars the way when the way leads deeper into it.
bool WayClear(const Vec3& from, const Vec3& to, const CUnit* except = nullptr);
// Distance of a point from the straight way between two others.
float WayDistance(const Vec3& from, const Vec3& to, const Vec3& point);
void Fade(int mode, int withSound = 1, float seconds = 3.0f, unsigned colour = 0);

// True in the first `width` ms of every `periodMs` of game time.
bool Every(uint32_t periodMs, uint32_t width = 100);

// Moves the unit by a distance and keeps its matrices in step.
void MoveBy(CUnit* unit, const Vec3& delta);
void PlaceAt(CUnit* unit, const Vec3& point);
// Speed 100 %, speed and target speed at the engine maximum, flying to the point.
void FlyTo(CUnit* unit, const Vec3& point, float cruise);
bool Within(const CUnit* unit, const Vec3& point, float distance);

// Frames per second that the withdrawal moves were tuned for: a move of k per frame
// becomes k * kTunedFps per second.
constexpr float kTunedFps = 30.0f;

// Scene groups.
void RunMenuScene(CUnit* self, float dt);
void RunFirstIntro(CUnit* self, float dt);
void RunSecondIntro(CUnit* self, float dt);
void RunSectorShip(CUnit* self, float dt);
void RunSectorTwelve(CUnit* self, float dt);
void RunDeparture(CUnit* self, float dt);
void RunFreeFlight(CUnit* self, float dt);
void RunMercenaryArrival(CUnit* self, float dt);

// The unit changes of a campaign sector's set-up.
void SetUpSector(int sector);
// Free flight: whether this frame opens a hint turn, and the turn itself (the type of the
// line the hero station said, 0 when none).
bool HintWindowOpen(const CUnit* player);
int HintTurn(CUnit* player);

} // namespace scenes
