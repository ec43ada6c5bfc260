// The view block of one world: projection and view, the followed object, timed and
// scripted moves, letterbox bars, colour fades, shake and the world's interface fonts.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"
#include "render/font.h"

class CGameObject;
class CUnit;

// What the control step reads each frame; Update fills it from the input globals.
struct CameraInput {
    int keyLeft = 0, keyRight = 0, keyUp = 0, keyDown = 0;
    float mouseX = 400.0f, mouseY = 300.0f;   // virtual units
    int mouseRightDown = 0;
    float wheelDelta = 0.0f;                  // used up here towards 0
    int debugView = 0;
    int invertMouse = 0;
    int stationMenuShown = 0;
    int pointerShown = 1;                     // edge scrolling needs a pointer to see
};

class CCamera {
public:
    float fov, aspect, farPlane, nearPlane;
    float lensFov;                 // the field of view Init found: a shot that narrows fov ends with it
    Vec3 eye, lookAt, up;
    Matrix view, projection;
    int world;                     // g_WorldIndex at Init: 0 planet world, 1 space world
    int cinematicView;             // outside view
    CGameObject* target;
    Vec3 followOffset;
    int orbitMode, orbitActive;
    float orbitParam1, orbitParam2;   // angle step, speed
    Vec3 orbitCentre;
    int orbitHasCentre;
    int moveActive;
    uint32_t moveStart;            // ms
    float moveDuration;            // s
    Vec3 moveStartEye, moveStartLookAt;
    Vec3 moveStartUnit;            // where the shot's unit stood when its move began
    Vec3 moveEye, moveLookAt;
    Vec3 moveLookPoint;
    int moveUseLookPoint;
    float pitch, yaw;
    Vec3 shake;
    CFont planetFont;              // Data/Misc/Fonts/Arial.18
    CFont spaceFont;               // Data/Misc/Fonts/Hermes.18
    int letterboxMode;             // 1 shown, 0 hidden
    float letterboxDuration;
    uint32_t letterboxStart;       // 0: never started
    int fadeMode;                  // 1 covering, 0 uncovering
    int fadeWithSound;
    float fadeDuration;
    unsigned fadeColour;           // RGB
    uint32_t fadeStart;            // 0: none

    // Scene shot (SetCinematicMode) and the working values of the control step.
    CUnit* shotUnit;
    Vec3 shotEye;
    int shotRelative;
    Vec3 orbitAxis;
    float orbitSpeed;
    float shotMoveTime;
    Vec3 shakeOffset;
    uint32_t lastUpdate;           // 0 before the first update
    // Planet orbits (the first value is the eye's distance from the centre): a person the
    // orbit keeps to (else its centre point), and the talk framing (the eye's distance along
    // the ground and height from the speakers; 0: the scene's framing).
    CGameObject* orbitObject;
    float talkDistance, talkHeight;
    // Where the talk framing took the view from: its end puts it back.
    struct TalkReturn {
        Vec3 eye, lookAt, orbitCentre;
        int orbitMode, orbitActive, orbitHasCentre;
        float orbitParam1, orbitParam2;
        CGameObject* orbitObject;
    } talkReturn;
    int fadeSoundApplied;

    CCamera();

    void Init(const Vec3& eyePoint, const Vec3& lookAtPoint, float aspectRatio, float nearZ, float farZ);
    void SetProjection(float fieldOfView, float aspectRatio, float farZ, float nearZ);
    void SetMatrices(const Vec3& eyePoint, const Vec3& lookAtPoint, const Vec3& upVector);
    void Apply();
    void Update();
    // The control step with explicit input and time (Update gathers both).
    void UpdateWith(CameraInput& input, uint32_t nowMs);

    bool WorldToScreen(float* x, float* y, const Vec3& point);
    Vec3 ScreenToWorld(float x, float y, float depth);
    bool IsPointVisible(const Vec3& point, float radius);
    bool IsObjectVisible(CGameObject* object);

    CFont* GetFont();
    void ReleaseTextures();

    void SetTarget(CGameObject* object);
    void Zoom(float step);
    void RotateFollowOffset(float angleSide, float angleUp);
    void SetShakeVector(const Vec3& v);
    // One step of the shake towards its vector; a reached vector turns to a new direction.
    void UpdateShake(float dt);
    void SetOrbit(int mode, float param1, float param2, int active);
    void SetOrbitAround(int mode, float param1, float param2, int active, const Vec3* centre);
    // A planet orbit about a person, kept to as the person walks.
    void OrbitObject(CGameObject* object, float distance, float speed);
    // The talk framing: the eye near both speakers, their heads above the dialog box.
    void FrameTalk(const Vec3& midpoint, float speed);
    // A talk's end: the view goes back to the shot the talk framing interrupted.
    void EndTalkFraming();
    void StartFlyTo(const Vec3& lookAtPoint, const Vec3& eyePoint, float duration);
    void StartCinematicFlyTo(const Vec3& lookAtPoint, const Vec3& eyePoint, float duration);
    void SetCinematicMode(CUnit* unit, const Vec3& eyePoint, int relative, const Vec3* axis, float speed,
                          float moveTime);
    void ToggleView();
    void StartLetterbox(int mode, float duration);
    void StartFade(float duration, int mode, int withSound, unsigned colour);
    void DrawLetterbox();
    void DrawFade();

    // Alpha of the bars (0 ... 255) and of the fade (-1: nothing drawn) at a time.
    int LetterboxAlpha(uint32_t nowMs) const;
    int FadeAlpha(uint32_t nowMs) const;
    void DrawLetterboxAt(uint32_t nowMs);
    void DrawFadeAt(uint32_t nowMs);

private:
    void UpdatePlanet(CameraInput& input, float dt);
    void UpdatePlanetOrbit(float dt);
    void UpdateSpaceInside(CameraInput& input, float dt);
    void UpdateTimedMove(uint32_t nowMs);
    void UpdateShot(float dt, uint32_t nowMs);
    void UpdateFollow();
    void UpdateListener();
};

// Effect vector "EyePosMS": the eye in the model space of a world matrix.
void SetEyePosMS(CCamera* camera, const Matrix& worldMatrix);
// Device viewport from a rectangle of the virtual screen.
void SetViewport800x600(float x1, float y1, float x2, float y2);
// The debug view's statistics overlay.
void DrawStatistics();

extern CCamera g_MenuCamera;
