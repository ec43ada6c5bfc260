// Hit tests of a unit's large parts (doors, bays, connectors, cockpit) and the debug
// drawing of its route.
#include "render/draw2d.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

// The parts in the order they are tried; the unit's own mesh comes last.
const int kPartOrder[] = {GEFFECT_GATEDOOR,     GEFFECT_SELFILLUM_PART, GEFFECT_ADDITION_PART,
                          GTYPE_SP_ASTEROID,    GEFFECT_GATECONNECT,    GEFFECT_GATEBAY};

// The connector places of the parent's first mesh; null when it has none.
const Vec3* ConnectorPoints(const CGameObject* parent, int* count)
{
    *count = 0;
    if (!parent || parent->meshCount <= 0 || !parent->meshes[0]) return nullptr;
    const CMesh& m = *parent->meshes[0];
    if (!m.m_Points[MESH_POINTS_CONNECTOR] || m.m_PointCount[MESH_POINTS_CONNECTOR] <= 0) return nullptr;
    *count = m.m_PointCount[MESH_POINTS_CONNECTOR];
    return m.m_Points[MESH_POINTS_CONNECTOR];
}

// The connector mesh stands at the place turned outwards, along the line from the
// parent's centre through the place.
void PlaceConnector(CAttachedEffect& e, const Vec3& p)
{
    const Vec3 up = p.x == 0.0f && p.y != 0.0f ? Vec3(0.0f, 0.0f, 1.0f) : Vec3(0.0f, 1.0f, 0.0f);
    e.SetLookAt(Vec3TransformCoord(p, e.parent->worldMatrix), Vec3TransformCoord(p * 2.0f, e.parent->worldMatrix),
                up);
}

// The box test takes nine segments; the one segment fills every place, so no free place
// (a zero-length segment) can report a point inside the box.
bool BoxSegmentTest(CGameObject& o, const Vec3* segment, Vec3* outPoint)
{
    Vec3 segments[kBoxPointCount * 2];
    for (int i = 0; i < kBoxPointCount; ++i) segments[2 * i] = segment[0], segments[2 * i + 1] = segment[1];
    if (!o.IntersectBoxSegments(segments)) return false;
    *outPoint = segments[0];
    return true;
}

// The cockpit piece at the player's cockpit point with the player's orientation.
void PlaceAtCockpit(CAttachedEffect& e, const CUnit& player, const Vec3& point)
{
    Matrix m = player.worldMatrix;
    m.m[3][0] = point.x, m.m[3][1] = point.y, m.m[3][2] = point.z, m.m[3][3] = 1.0f;
    e.worldMatrix = m;
    e.position = point;
}

}  // namespace

bool CAttachedEffect::HitTestParts(const Vec3* segment, Vec3* outPoint)
{
    if (!segment || !outPoint) return false;
    if (kind != GEFFECT_GATECONNECT) return BoxSegmentTest(*this, segment, outPoint);
    int n = 0;
    const Vec3* points = ConnectorPoints(parent, &n);
    for (int i = 0; i < n; ++i) {
        PlaceConnector(*this, points[i]);
        if (BoxSegmentTest(*this, segment, outPoint)) return true;
    }
    return false;
}

bool CAttachedEffect::HitTestPartsRay(float extraRadius, const Vec3* segment, Vec3* outPoint)
{
    if (!segment || !outPoint) return false;
    if (kind != GEFFECT_GATECONNECT) return IntersectRay(extraRadius, segment, outPoint);
    int n = 0;
    const Vec3* points = ConnectorPoints(parent, &n);
    for (int i = 0; i < n; ++i) {
        PlaceConnector(*this, points[i]);
        if (IntersectRay(extraRadius, segment, outPoint)) return true;
    }
    return false;
}

bool CAttachedEffect::CollideParts(const Vec3* rays, int count, Vec3* outPoint)
{
    if (!rays || count <= 0 || !outPoint) return false;
    if (kind == GEFFECT_COCKPIT) {
        CUnit* player = g_PlayerObject;
        if (!player || player->meshCount <= 0 || !player->meshes[0]) return false;
        const CMesh& m = *player->meshes[0];
        if (!m.m_Points[MESH_POINTS_COCKPIT] || m.m_PointCount[MESH_POINTS_COCKPIT] <= 0) return false;
        const Vec3 local = m.m_Points[MESH_POINTS_COCKPIT][0];
        const Vec3 scaled(local.x * player->scale.x, local.y * player->scale.y, local.z * player->scale.z);
        const Vec3 point = Vec3TransformCoord(scaled, player->worldMatrix);
        PlaceAtCockpit(*this, *player, point);
        if (IntersectRays(rays, count, outPoint)) return true;
        CAttachedEffect* pieces[] = {player->FindCockpitScreen1(), player->FindCockpitScreen2(),
                                     player->FindCockpitRadar(), player->FindCockpitPanel3()};
        for (CAttachedEffect* piece : pieces) {
            if (!piece || piece == this) continue;
            PlaceAtCockpit(*piece, *player, point);
            if (piece->IntersectRays(rays, count, outPoint)) return true;
        }
        return false;
    }
    if (kind != GEFFECT_GATECONNECT) return IntersectRays(rays, count, outPoint);
    int n = 0;
    const Vec3* points = ConnectorPoints(parent, &n);
    for (int i = 0; i < n; ++i) {
        PlaceConnector(*this, points[i]);
        if (IntersectRays(rays, count, outPoint)) return true;
    }
    return false;
}

int CUnit::IntersectSegment(const Vec3* segment, Vec3* outPoint)
{
    if (!segment || !outPoint) return 0;
    for (int k : kPartOrder) {
        CAttachedEffect* e = FindEffectOfKind(k);
        if (e && e->HitTestParts(segment, outPoint)) return 1;
    }
    return BoxSegmentTest(*this, segment, outPoint) ? 1 : 0;
}

int CUnit::IntersectRay(float extraRadius, const Vec3* segment, Vec3* outPoint)
{
    if (!segment || !outPoint) return 0;
    for (int k : kPartOrder) {
        CAttachedEffect* e = FindEffectOfKind(k);
        if (e && e->HitTestPartsRay(extraRadius, segment, outPoint)) return 1;
    }
    return CGameObject::IntersectRay(extraRadius, segment, outPoint) ? 1 : 0;
}

int CUnit::IntersectPoint(const Vec3& point)
{
    for (int k : kPartOrder) {
        CAttachedEffect* e = FindEffectOfKind(k);
        if (e && e->CGameObject::IntersectSegment(point)) return 1;
    }
    return CGameObject::IntersectSegment(point);
}

void CUnit::DrawDebugAxes()
{
    constexpr unsigned kGreen = 0xFF00FF00, kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
    auto marker = [](const Vec3& at, unsigned colour) {
        // A cross of size 2 along the three axes.
        DrawLine3DColour(colour, at - Vec3(1.0f, 0.0f, 0.0f), at + Vec3(1.0f, 0.0f, 0.0f));
        DrawLine3DColour(colour, at - Vec3(0.0f, 1.0f, 0.0f), at + Vec3(0.0f, 1.0f, 0.0f));
        DrawLine3DColour(colour, at - Vec3(0.0f, 0.0f, 1.0f), at + Vec3(0.0f, 0.0f, 1.0f));
    };
    DrawLine3DColour(kGreen, position, destination);
    marker(destination, kRed);
    DrawLine3DColour(kBlue, position, movePoint);
    marker(movePoint, kYellow);
    // A route longer than any real one is cut rather than followed round a loop.
    constexpr int kMaxDrawnWaypoints = 4096;
    int drawn = 0;
    for (const CWaypoint* w = waypoints; w && drawn < kMaxDrawnWaypoints; w = w->next, ++drawn) {
        const Vec3 p(w->x, w->y, w->z);
        if (w->next) DrawLine3DColour(kGreen, p, Vec3(w->next->x, w->next->y, w->next->z));
        DrawCircle3D(p, kRed, 0.1f);
    }
}
