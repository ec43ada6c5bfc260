// Hit tests of a unit's large parts and the debug drawing of its route.
#include "render/mesh.h"
#include "world/attached_effect.h"
#include "world/unit.h"

bool CAttachedEffect::CollideParts(const Vec3* rays, int count, Vec3* outPoint)
{
    if (!rays || count <= 0 || !outPoint) return false;
    // The cockpit is tested at the player's cockpit point with its screens; that
    // placement comes with the cockpit's drawing, so it is not hit yet.
    if (kind == GEFFECT_COCKPIT) return false;
    if (kind != GEFFECT_GATECONNECT) return IntersectRays(rays, count, outPoint);

    // The connector mesh stands once at every connector point of the parent, turned
    // outwards along the line from the parent's centre through the point.
    if (!parent || parent->meshCount <= 0 || !parent->meshes[0]) return false;
    const CMesh& m = *parent->meshes[0];
    const int n = m.m_PointCount[MESH_POINTS_CONNECTOR];
    const Vec3* points = m.m_Points[MESH_POINTS_CONNECTOR];
    if (!points) return false;
    for (int i = 0; i < n; ++i) {
        const Vec3& p = points[i];
        const Vec3 up = p.x == 0.0f && p.y != 0.0f ? Vec3(0.0f, 0.0f, 1.0f) : Vec3(0.0f, 1.0f, 0.0f);
        SetLookAt(Vec3TransformCoord(p, parent->worldMatrix), Vec3TransformCoord(p * 2.0f, parent->worldMatrix), up);
        if (IntersectRays(rays, count, outPoint)) return true;
    }
    return false;
}

// The route lines and markers need the debug line drawing, which is not in the game yet.
void CUnit::DrawDebugAxes() {}
