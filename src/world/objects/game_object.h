// The base part of every game-object record: placement, class and kind,
// textures and the meshes used as detail levels. No virtual operations:
// a holder knows a record's kind from the list it took it from.
#pragma once
#include "platform/math/math3d.h"
#include "world/objects/object_codes.h"

class CMesh;

constexpr int kMaxObjectTextures = 64;
constexpr int kTextureNameLength = 255;
constexpr int kMaxObjectMeshes = 4;
constexpr int kBoxPointCount = 9;

class CGameObject {
public:
    Matrix worldMatrix;              // rows: right, up, forward, position
    Matrix drawMatrix;               // world matrix with the draw position as translation
    unsigned objectClass;            // one ObjectClass value
    int kind;                        // one ObjectType value
    char textureNames[kMaxObjectTextures][kTextureNameLength];
    int textureIds[kMaxObjectTextures];
    float textureCount;              // each loaded texture adds 1.0
    float currentTexture;            // texture used by draw mode 1
    int mipLevels;                   // not cleared by the constructor
    int drawMode;                    // 0 lit, 1 additive self-lit, 2 by alpha flag
    unsigned vertexColour;           // ARGB, written into lit-vertex meshes
    int colourChanged;
    int meshCount;                   // 0..4
    CMesh* meshes[kMaxObjectMeshes]; // detail levels, finest first; shared records
    unsigned currentFrame;           // sub-mesh (animation frame) shown
    float frameCounter;
    int animDirection;               // 1 forward, -1 backward or finished
    Vec3 position;
    Vec3 drawPosition;
    Vec3 rotation;                   // angles about X, Y, Z (planet world)
    Vec3 angularStep;                // about own right, up, forward (space world)
    Vec3 scale;
    Vec3 scale2;                     // zero length: vanishes, never hit by the probe
    Vec3 boundsCentre;
    float boundsRadius;
    Vec3 boxPoints[kBoxPointCount];  // front-face points of the mesh box (object drawing)

    CGameObject();
    CGameObject* Reinitialize();

    // Rebuilds (planet world) or advances (space world) the world matrix, by g_WorldIndex.
    void UpdateWorldMatrix();
    void UpdateWorldMatrixFor(int worldIndex);
    // UpdateWorldMatrix, then position into the world matrix and the draw matrix.
    void UpdateTransform();
    void UpdateTransformFor(int worldIndex);
    // Places the object at the eye, facing the target.
    void SetLookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
    // The point in the object's own frame (rotation only, relative to its position).
    Vec3 WorldToLocal(const Vec3& point) const;

    // Which mesh to draw for the current world's camera.
    int SelectDetailLevel() const;
    int SelectDetailLevelForDistance(float distance) const;
    // Vertical probe through (point.x, +-100, point.z): 1 when the object is hit.
    int IntersectSegment(const Vec3& point);
    // Sub-mesh 2 of the first mesh := blend of sub-meshes 0 and 1.
    void MorphVertices(float percent);
    // First mesh's grid-size header value to the world's navigation grid size.
    void PublishMeshHeaderValue();

    // Textures, meshes, bounds, drawing and ray tests live with the object drawing code.
    void AddTexture(int slot, const char* name, int mipLevels);
    void ReleaseTextures();
    void AddMesh(const char* fileName, int vertexKind);
    void ReleaseMeshes();
    void UpdateBounds();
    void UpdateVertexColour();
    void DrawMesh(int useWorldMatrix);
    void SetDrawStates(int alpha);
    void DrawBump(const Matrix& matrix);
    void DrawPulseLayer(const Matrix& matrix, int useWorldMatrix);
    // segment: two points (start, end).
    bool IntersectRay(float extraRadius, const Vec3* segment, Vec3* outPoint);
    bool IntersectBoxSegments(Vec3* outPoint);
    // rays: rayCount segments of two points each.
    bool IntersectRays(const Vec3* rays, int rayCount, Vec3* outPoint);
};

// One node of a unit's route.
class CWaypoint {
public:
    CWaypoint* next;
    float x, y, z;
    CWaypoint() : next(nullptr), x(0.0f), y(0.0f), z(0.0f) {}
};
