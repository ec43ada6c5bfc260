#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/win/window.h"
#include "render/mesh.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/flight_test_util.h"
#include "world/unit_test_util.h"

namespace {

constexpr float kDt = 0.05f;

class FlightTest : public FlightFixture {
protected:
    void TearDown() override
    {
        ClearMessageQueue();  // the flight step recentres the pointer
        FlightFixture::TearDown();
    }
    // One frame of the given length for one unit.
    static void Frame(CUnit& u, float seconds)
    {
        Advance(seconds * 1000.0);
        u.UpdateSpace();
    }
    CUnit a, b;
};

float RowLength(const Matrix& m, int r) { return std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]); }

TEST_F(FlightTest, SpeedLawRampsByManoeuvringAndSkill)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 100.0f, 2.0f);
    a.pilot.skill2 = 0.0f;  // f = 0.75: top speed 75, 1.875 per 0.05 s
    a.speedPercent = 100.0f;
    for (int i = 0; i < 10; ++i) a.UpdateSpeed(kDt);
    EXPECT_NEAR(a.speed, 18.75f, 1e-4f);
    EXPECT_NEAR(a.spinState.z, 18.75f * kDt, 1e-5f);
    for (int i = 0; i < 40; ++i) a.UpdateSpeed(kDt);
    EXPECT_FLOAT_EQ(a.speed, 75.0f);
    a.speedPercent = 20.0f;  // down to 15
    for (int i = 0; i < 10; ++i) a.UpdateSpeed(kDt);
    EXPECT_NEAR(a.speed, 56.25f, 1e-4f);
    for (int i = 0; i < 40; ++i) a.UpdateSpeed(kDt);
    EXPECT_FLOAT_EQ(a.speed, 15.0f);

    // The player flies at the full engine value and accelerates at f = 1.
    g_PlayerObject = &b;
    MakeShip(b, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    b.speedPercent = 100.0f;
    for (int i = 0; i < 10; ++i) b.UpdateSpeed(kDt);
    EXPECT_NEAR(b.speed, 25.0f, 1e-4f);

    // No manoeuvring value: no acceleration rather than a division by zero.
    b.manoeuvring = 0.0f;
    b.UpdateSpeed(kDt);
    EXPECT_NEAR(b.speed, 25.0f, 1e-4f);
}

TEST_F(FlightTest, MoveAddsVelocityImpulseAndFlightRecord)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(0, 0, 0), 100.0f, 2.0f);
    a.pilot.skill2 = 1.0f;  // f = 1
    a.speed = 40.0f;
    a.speedPercent = 40.0f;
    a.impulse = Vec3(1, 0, 0);
    a.Move(kDt);
    EXPECT_NEAR(a.position.z, 2.0f, 1e-5f);             // 40 x 0.05
    EXPECT_NEAR(a.position.x, 5.0f, 1e-5f);             // impulse x 0.05 x 100
    EXPECT_NEAR(a.impulse.x, 1.0f / 1.5f, 1e-5f);       // / (1 + 0.05 x 10)
    EXPECT_NEAR(a.statistics.distance, 0.002f, 1e-6f);  // 2 units x 0.001
    a.impulse = Vec3(0.012f, 0, 0);
    a.Move(kDt);
    EXPECT_EQ(a.impulse, Vec3());  // below 0.01 it stops
}

TEST_F(FlightTest, SteeringTurnRatesAndThrottle)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 100.0f, 2.0f);
    a.pilot.skill2 = 0.0f;  // a = 0.5
    a.cruiseSpeed = 60.0f;
    a.orderType = ACTION_MOVE;
    a.destination = Vec3(100, 0, 100);
    a.SteerToPoint(kDt);
    // yaw = 100 / 141.42 x 0.075; x dt / manoeuvring x a
    EXPECT_NEAR(a.angularStep.y, 100.0f / std::sqrt(20000.0f) * 0.075f * kDt / 2.0f * 0.5f, 1e-7f);
    EXPECT_FLOAT_EQ(a.angularStep.x, 0.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 60.0f);  // q = 1: the full cruise speed

    a.angularStep = Vec3();
    a.destination = Vec3(0, 200, 100);  // above: nose up (negative pitch), q = 2 halves the speed
    a.SteerToPoint(kDt);
    EXPECT_LT(a.angularStep.x, 0.0f);
    EXPECT_FLOAT_EQ(a.speedPercent, 30.0f);

    a.angularStep = Vec3();
    a.destination = Vec3(-10, 0, -100);  // behind and a little left: full turn left, no throttle
    a.SteerToPoint(kDt);
    EXPECT_NEAR(a.angularStep.y, -0.075f * kDt / 2.0f * 0.5f, 1e-7f);
    EXPECT_FLOAT_EQ(a.speedPercent, 0.0f);

    // Attack and docking fly at the cruise speed whatever the angle.
    a.orderType = ACTION_ATTACK;
    a.SteerToPoint(kDt);
    EXPECT_FLOAT_EQ(a.speedPercent, 60.0f);
}

TEST_F(FlightTest, ShipSteersOntoItsMovePointOverManyFrames)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 100.0f, 2.0f);
    a.pilot.skill2 = 1.0f;
    a.cruiseSpeed = 50.0f;
    const Vec3 goal(3000, 1500, 2000);
    a.manualControl = 0;
    ASSERT_EQ(a.SetOrder(ACTION_MOVE, &goal, nullptr, 0), 1);
    // The turn overshoots a little and settles: a damped swing onto the point.
    float angle = 0.0f, peakAfterFirstPass = 0.0f;
    bool passed = false;
    for (int i = 0; i < 600; ++i) {
        Frame(a, kDt);
        const Vec3 to = Vec3Normalize(goal - a.position);
        angle = std::acos(std::min(1.0f, Vec3Dot(to, Vec3Normalize(Forward(a)))));
        if (angle < 0.1f) passed = true;
        if (passed && angle > peakAfterFirstPass) peakAfterFirstPass = angle;
        if (i == 0) {
            EXPECT_GT(angle, 0.9f);
        }
    }
    EXPECT_TRUE(passed);
    EXPECT_LT(peakAfterFirstPass, 0.3f);
    EXPECT_LT(angle, 0.01f);
    EXPECT_FLOAT_EQ(a.speed, 50.0f);
    EXPECT_LT(Vec3Length(goal - a.position), Vec3Length(goal) - 1000.0f);
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(RowLength(a.worldMatrix, r), 1.0f, 1e-4f);
}

TEST_F(FlightTest, LongTurningStaysOrthonormal)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    a.orderType = ACTION_TRANSPORT;  // a hero order with no handler: the tail alone runs
    for (int i = 0; i < 20000; ++i) {
        a.angularStep = Vec3(0.013f, 0.021f, -0.017f);
        Frame(a, 0.01f);
    }
    const Matrix& m = a.worldMatrix;
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(RowLength(m, r), 1.0f, 1e-4f);
    auto dot = [&](int r1, int r2) {
        return m.m[r1][0] * m.m[r2][0] + m.m[r1][1] * m.m[r2][1] + m.m[r1][2] * m.m[r2][2];
    };
    EXPECT_NEAR(dot(0, 1), 0.0f, 1e-4f);
    EXPECT_NEAR(dot(1, 2), 0.0f, 1e-4f);
    EXPECT_NEAR(dot(0, 2), 0.0f, 1e-4f);
}

TEST_F(FlightTest, DampingDividesTheTurnAndStaysADecayForLongFrames)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    a.orderType = ACTION_TRANSPORT;
    a.angularStep = Vec3(0, 0.01f, 0);
    Frame(a, kDt);
    EXPECT_NEAR(a.angularStep.y, 0.01f / ((0.1f - kDt * 0.5f) / 2.0f + 1.0f), 1e-7f);

    // A unit left alone for two seconds catches up in one step; its turn still decays.
    a.angularStep = Vec3(0, 0.01f, 0);
    Frame(a, 2.0f);
    EXPECT_GT(a.angularStep.y, 0.0f);
    EXPECT_LT(a.angularStep.y, 0.01f);

    // A dead unit keeps its tumble.
    a.orderType = ACTION_DEAD;
    a.orderSubState = 1;         // already burning: the dying step leaves the tumble alone
    a.orderVector.z = 100.0f;
    a.angularStep = Vec3(0, 0.01f, 0);
    Frame(a, kDt);
    EXPECT_FLOAT_EQ(a.angularStep.y, 0.01f);
}

TEST_F(FlightTest, FlightStepMouseSensitivityAndDeadZone)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    g_PlayerObject = &a;
    struct Case { int sensitivity; float factor; };
    for (Case c : {Case{50, 1.0f}, Case{0, 0.2f}, Case{100, 3.0f}}) {
        g_Settings.sensitivityMouse = c.sensitivity;
        g_MouseYawInput = g_MousePitchInput = 0.0f;
        g_MouseX = 410.0f;
        g_MouseY = 300.0f;
        a.FlightStep(kDt);
        // input += 10 x 0.05 x 20 x k, then / (1 + 0.05 x 4.5 x 5 / (10 x 10))
        EXPECT_NEAR(g_MouseYawInput, 10.0f * c.factor / (1.0f + kDt * 4.5f * 0.05f), 1e-4f) << c.sensitivity;
    }

    // Inside +-1 no turn comes of it, but the input still decays.
    g_MouseX = 400.0f;
    g_MouseYawInput = 0.9f;
    g_MousePitchInput = -0.9f;
    a.angularStep = Vec3();
    a.FlightStep(kDt);
    EXPECT_EQ(g_YawRate, 0.0f);
    EXPECT_EQ(g_PitchRate, 0.0f);
    EXPECT_NEAR(g_MouseYawInput, 0.9f / (1.0f + kDt * 4.5f * 5.0f), 1e-6f);
    EXPECT_NEAR(g_MousePitchInput, -0.9f / (1.0f + kDt * 4.0f * 5.0f), 1e-6f);
    EXPECT_EQ(a.angularStep, Vec3());

    // A large input saturates at the turn limit; the ship turns by it.
    g_MouseYawInput = 50.0f;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(g_YawRate, 0.075f);
    EXPECT_FLOAT_EQ(g_RollRate, -0.15f);
    EXPECT_NEAR(a.angularStep.y, kDt * 0.075f / 2.0f, 1e-7f);
    EXPECT_EQ(a.angularStep.z, 0.0f);  // rolls only on A or D
}

TEST_F(FlightTest, FlightStepKeysThrottleAndInvert)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    g_PlayerObject = &a;
    g_KeyW = 1;
    g_KeyXToggle = 1;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(a.speedPercent, 3.5f);
    EXPECT_EQ(g_KeyXToggle, 0);
    g_KeyW = 0;
    g_KeyS = 1;
    for (int i = 0; i < 5; ++i) a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(a.speedPercent, 0.0f);
    g_KeyS = 0;

    g_KeyUp = 1;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(g_PitchRate, -0.075f);
    g_Settings.invertMouse = 1;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(g_PitchRate, 0.075f);
    g_KeyUp = 0;

    a.angularStep = Vec3();
    g_KeyA = 1;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(g_RollRate, 0.1875f);
    EXPECT_NEAR(a.angularStep.z, kDt * 0.1875f / 2.0f, 1e-7f);

    // Typing holds the throttle.
    g_KeyA = 0;
    g_TextInputState = 1;
    g_KeyW = 1;
    a.FlightStep(kDt);
    EXPECT_FLOAT_EQ(a.speedPercent, 0.0f);
}

TEST_F(FlightTest, BoundaryStopsOnlyOutwardFlightAndTurnsBack)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(0, 0, 12000), 100.0f, 2.0f);
    g_PlayerObject = &a;
    a.speedPercent = 80.0f;
    a.FlightStep(kDt);
    EXPECT_EQ(a.speedPercent, 0.0f);

    // Facing the centre: free to fly.
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(0, 0, -12000), 100.0f, 2.0f);
    a.speedPercent = 80.0f;
    a.FlightStep(kDt);
    EXPECT_EQ(a.speedPercent, 80.0f);

    // Flying out with the centre to the right and below: the ship turns right and pitches down.
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(-12000, 6000, 0), 100.0f, 2.0f);
    a.angularStep = Vec3();
    a.FlightStep(kDt);
    EXPECT_GT(a.angularStep.y, 0.0f);
    EXPECT_GT(a.angularStep.x, 0.0f);
}

TEST_F(FlightTest, HeroStepFliesWithTheMouseAndKeys)
{
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(), 100.0f, 2.0f);
    g_PlayerObject = &a;
    g_KeyW = 1;
    g_KeyRight = 1;
    // Per frame the key adds 0.05 x 0.075 / 2 to the yaw step, the ship turns by the step,
    // then the step is divided by (0.1 - 0.05 x 0.5) / 2 + 1. The ship moves along its
    // heading before the turn of the frame.
    float step = 0.0f, heading = 0.0f, percent = 0.0f, speed = 0.0f, z = 0.0f, x = 0.0f;
    for (int i = 0; i < 20; ++i) {
        Frame(a, kDt);
        percent = std::min(100.0f, percent + kDt * 70.0f);
        speed = std::min(speed + kDt / 2.0f * 100.0f, percent);
        x += std::sin(heading) * speed * kDt;
        z += std::cos(heading) * speed * kDt;
        step += kDt * 0.075f / 2.0f;
        heading += step;
        step /= 1.0375f;
    }
    EXPECT_NEAR(a.speedPercent, percent, 1e-3f);
    EXPECT_NEAR(a.speed, speed, 1e-3f);
    EXPECT_NEAR(std::atan2(Forward(a).x, Forward(a).z), heading, 1e-3f);
    EXPECT_NEAR(a.position.x, x, 0.01f);
    EXPECT_NEAR(a.position.z, z, 0.01f);
    EXPECT_GT(g_YawRate, 0.0f);
}

TEST_F(FlightTest, CollisionChecksAreRationedByDistanceToTheCamera)
{
    CCamera& camera = g_World.cameras[1];
    const Vec3 savedEye = camera.eye;
    camera.eye = Vec3();

    // The player checks every 0.05 s.
    MakeShip(a, GTYPE_SP_HEROSHIP, Vec3(0, 0, 50));
    g_PlayerObject = &a;
    a.collisionInterval = 0.0f;
    Advance(10.0);
    a.Move(0.01f);
    EXPECT_EQ(a.timers[5], g_GameClock.NowMs());
    EXPECT_FLOAT_EQ(a.collisionInterval, 0.05f);
    const uint32_t stamp = a.timers[5];
    Advance(20.0);
    a.Move(0.02f);
    EXPECT_EQ(a.timers[5], stamp);
    g_PlayerObject = nullptr;

    // Others: the interval grows with the distance, 0.75 s per 1000 units.
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 500));
    b.collisionInterval = 0.0f;
    Advance(10.0);
    b.Move(0.0f);
    EXPECT_EQ(b.timers[5], g_GameClock.NowMs());
    EXPECT_NEAR(b.collisionInterval, 0.375f, 1e-4f);

    // Beyond 1000 units, or while the world is not the one shown: no test, 0.75 s.
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 2000));
    b.collisionInterval = 0.0f;
    Advance(10.0);
    b.Move(0.0f);
    EXPECT_FLOAT_EQ(b.collisionInterval, 0.75f);
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 100));
    b.collisionInterval = 0.0f;
    g_LocationKind = 2;
    Advance(10.0);
    b.Move(0.0f);
    EXPECT_FLOAT_EQ(b.collisionInterval, 0.75f);
    g_LocationKind = 1;

    // Another player's craft in a network game is never tested here.
    MakeShip(b, GTYPE_SP_NPCSHIP, Vec3(0, 0, 100));
    b.pilot.side = 2;
    b.collisionInterval = 0.0f;
    const uint32_t before = b.timers[5];
    g_GameMode = 2;
    Advance(10.0);
    b.Move(0.0f);
    EXPECT_FLOAT_EQ(b.collisionInterval, 0.75f);
    EXPECT_EQ(b.timers[5], before);
    camera.eye = savedEye;
}

TEST_F(FlightTest, DistantBodiesAreDrawnAtTheViewDistance)
{
    MakeShip(a, GTYPE_SP_ASTEROID, Vec3(0, 0, 10000));
    a.objectClass = GCLASS_SPACE_OBJECT;
    CCamera& camera = g_World.cameras[1];
    const Vec3 savedEye = camera.eye;
    camera.eye = Vec3(0, 0, 2000);
    Frame(a, kDt);
    EXPECT_NEAR(a.drawPosition.z, 2000.0f + g_ViewDistance, 1e-2f);
    EXPECT_NEAR(a.scale2.x, g_ViewDistance / 8000.0f, 1e-6f);
    camera.eye = Vec3(0, 0, 9000);
    Frame(a, kDt);
    EXPECT_EQ(a.drawPosition, a.position);
    EXPECT_EQ(a.scale2, Vec3(1, 1, 1));
    camera.eye = savedEye;
}

TEST_F(FlightTest, AlienAnimationNeverPassesTheLastFrame)
{
    MakeShip(a, GTYPE_SP_NPCSHIP, Vec3(), 100.0f, 2.0f);
    a.pilot.side = 3;
    a.orderType = ACTION_TRANSPORT;  // AI handler: minimal, keeps still
    for (int i = 0; i < 50; ++i) {
        Frame(a, 0.037f);
        EXPECT_EQ(a.currentFrame, 0u);  // no mesh: no frames to run through
        EXPECT_GE(a.scale2.y, 0.7f);
        EXPECT_LE(a.scale2.y, 1.1f);
    }
}

// Two ships with real meshes in the space world's list.
class CollisionTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        savedCount_ = CObjectList::unitCount[1];
        savedPlayer_ = g_PlayerObject;
        g_GameClock.gameTime = 100000.0;
        for (CUnit* u : {&a, &b}) {
            u->objectClass = GCLASS_SPACE_SHIP;
            u->kind = GTYPE_SP_NPCSHIP;
            u->AddMesh("Data/T/Ship.msh", 0);
            u->UpdateBounds();
            u->engineMax = 100.0f;
            u->manoeuvring = 2.0f;
            u->hullMax = u->hull = 100.0f;
            u->worldMatrix = MatrixIdentity();
        }
        CObjectList::units[1][0] = &a;
        CObjectList::units[1][1] = &b;
        CObjectList::unitCount[1] = 2;
    }
    void TearDown() override
    {
        CObjectList::unitCount[1] = savedCount_;
        CObjectList::units[1][0] = CObjectList::units[1][1] = nullptr;
        g_PlayerObject = savedPlayer_;
        a.Release();
        b.Release();
        UnitFilesTest::TearDown();
    }
    static void Place(CUnit& u, const Vec3& p)
    {
        u.position = u.drawPosition = p;
        u.UpdateTransform();
    }
    CUnit a, b;
    uint32_t savedCount_ = 0;
    CUnit* savedPlayer_ = nullptr;
};

TEST_F(CollisionTest, RammingShipsPushApartAndTheRammerSlows)
{
    ASSERT_EQ(a.meshCount, 1);
    const CMesh* mesh = a.meshes[0];
    const float length = mesh->m_BoundMax.z - mesh->m_BoundMin.z;
    ASSERT_GT(length, 0.0f);
    Place(a, Vec3());
    // b sits in the path that a covers this frame.
    Place(b, Vec3(0, 0, mesh->m_BoundMax.z + length * 1.5f - mesh->m_BoundMin.z));
    a.speed = 80.0f;
    a.spinState = Vec3(0, 0, length * 3.0f);
    g_PlayerObject = &a;
    CCamera& camera = g_World.cameras[1];
    camera.shake = Vec3();
    a.Collide(5);

    EXPECT_FLOAT_EQ(a.speed, 40.0f);
    EXPECT_LT(a.impulse.z, -0.5f);
    EXPECT_NEAR(Vec3Length(a.impulse), 1.0f, 1e-4f);
    // Pushed by (2 / 2) x (80 / 100).
    EXPECT_GT(b.impulse.z, 0.0f);
    EXPECT_NEAR(Vec3Length(b.impulse), 0.8f, 1e-4f);
    // The velocity is cut to the distance to the hit.
    EXPECT_GT(a.spinState.z, 0.0f);
    EXPECT_LT(a.spinState.z, length * 3.0f);
    // The player feels it: shake towards the hit, at most 0.2 long.
    EXPECT_GT(camera.shake.z, 0.0f);
    EXPECT_LE(Vec3Length(camera.shake), 0.2f + 1e-6f);

    // Nothing in the way: nothing changes.
    Place(b, Vec3(500, 0, 0));
    a.impulse = Vec3();
    a.speed = 80.0f;
    a.Collide(5);
    EXPECT_FLOAT_EQ(a.speed, 80.0f);
    EXPECT_EQ(a.impulse, Vec3());

    // A ship with collisions switched off passes through.
    Place(b, Vec3(0, 0, mesh->m_BoundMax.z + length * 1.5f - mesh->m_BoundMin.z));
    a.collisionFlag = 0;
    a.Collide(5);
    EXPECT_FLOAT_EQ(a.speed, 80.0f);
}

}  // namespace

// Avoidance leaves out the unit and its target, nothing else: a guard of a target station
// in the way is avoided, and so is a ship just beyond the target.
TEST_F(CollisionTest, AvoidanceLeavesOutItsTargetButNotTheTargetsGuards)
{
    CUnit c;
    c.objectClass = GCLASS_SPACE_SHIP;
    c.kind = GTYPE_SP_NPCSHIP;
    c.AddMesh("Data/T/Ship.msh", 0);
    c.UpdateBounds();
    c.worldMatrix = MatrixIdentity();
    CObjectList::units[1][2] = &c;
    CObjectList::unitCount[1] = 3;
    b.kind = GTYPE_SP_STATION;
    b.guards[0] = &c;
    struct Case {
        const char* what;
        float targetZ, otherZ;
    } cases[] = {{"guard of the target in the way", 200.0f, 100.0f}, {"ship beyond the target", 100.0f, 200.0f}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Place(a, Vec3());
        Place(b, Vec3(0, 0, k.targetZ));
        Place(c, Vec3(0, 0, k.otherZ));
        a.orderType = ACTION_DOCKING;
        a.target = &b;
        a.collisionFlag = 1;
        a.destination = Vec3(0, 0, 400);
        a.AvoidObstacles();
        // The way leads round the other ship: sideways of it, never straight on.
        EXPECT_GT(std::fabs(a.destination.x) + std::fabs(a.destination.y), a.boundsRadius) << a.destination.z;
    }
    b.guards[0] = nullptr;
    CObjectList::units[1][2] = nullptr;
    c.Release();
}
