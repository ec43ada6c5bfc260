// What the orders and the space flight use from subsystems built elsewhere: the
// current world's camera, the world's segment test, the comm window, the network
// messages, attached-effect drawing and effect objects. Each has a weak fallback in
// flight_links.cpp that the owning subsystem's real definition replaces at link time.
#pragma once
#include "platform/math/math3d.h"

class CAttachedEffect;
class CItem;
class CCamera;
class CUnit;

// The camera of the current world (g_WorldIndex); null when the world has none.
CCamera* FlightCurrentCamera();
// The camera the sky and the suns follow: the menu camera while the station menu shows
// its sector map (page 2), else the current world's camera.
CCamera* FlightViewCamera();

// CWorld::SegmentHitTest: the segments (two points each) against the current world's
// units, the ignored one excluded. The nearest hit's unit, point and distance along its
// segment; null when nothing is hit.
CUnit* FlightSegmentHitTest(const Vec3* segments, int count, Vec3* hitPoint, float* hitDistance, CUnit* ignore);
// RayPickObject: the nearest unit that the segment meets within its bounding radius,
// skipping the two given units.
CUnit* FlightRayPick(const Vec3& from, const Vec3& to, CUnit* ignore, CUnit* ignore2);

// CCommWindow::Say, EndTalk and Talk (line 0).
void FlightSay(CUnit* unit, int lineType, int flag);
void FlightEndTalk();
void FlightTalk(CUnit* unit, int line);
// CNetwork::SendObjectMessage (type, unit).
void FlightSendObjectMessage(int type, CUnit* unit);

// CItem::Update: the item's step of a frame (reload, firing).
void FlightUpdateItem(CItem* item);
// CAttachedEffect::Draw and CAttachedEffect::CollideParts.
void FlightDrawAttachedEffect(CAttachedEffect* effect, int pass);
bool FlightCollideEffectParts(CAttachedEffect* effect, const Vec3* segment, Vec3* outHit);
// The unit's debug axes (planet and space debug view).
void FlightDrawDebugAxes(CUnit* unit);

// Effect objects of the current world: how many there are, and the two emissions of a
// damaged unit. The station explosion gets the description path and its position, scale
// and whether its sound may play; the spark its path, position, angular z, heading and
// speed. Each returns false when no effect was added.
int FlightEffectCount();
bool FlightAddExplosion(const char* path, const Vec3& position, float scale, bool soundAllowed, const Vec3& hitPoint);
bool FlightAddSpark(const char* path, const Vec3& position, float angularZ, const Vec3& heading, float speed);

class CWaypoint;
// CWorld::FindPath: a planet route from the unit to the point (the caller owns it) or null.
CWaypoint* OrdersFindPath(CUnit* unit, const Vec3& point);
