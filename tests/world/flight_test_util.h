// Shared set-up of the order, unit-operation and flight tests: a bare unit of a given
// class and kind with its world matrix at identity, and the world and clock globals
// saved and restored around each test.
#pragma once
#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/space/unit_space.h"
#include "world/world.h"

class FlightFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        mode_ = g_GameMode;
        world_ = g_WorldIndex;
        kind_ = g_LocationKind;
        player_ = g_PlayerObject;
        station_ = g_HeroStation;
        settings_ = g_Settings;
        g_GameMode = 1;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_PlayerObject = nullptr;
        g_HeroStation = nullptr;
        g_Settings.audio = 0;
        g_Settings.cutScenes = 0;
        g_GameClock.Reset();
        g_GameClock.gameTime = 100000.0;
        ClearInput();
    }
    void TearDown() override
    {
        g_GameMode = mode_;
        g_WorldIndex = world_;
        g_LocationKind = kind_;
        g_PlayerObject = player_;
        g_HeroStation = station_;
        g_Settings = settings_;
        ClearInput();
    }
    static void ClearInput()
    {
        g_MouseX = 400.0f, g_MouseY = 300.0f;
        g_MouseLeftDown = g_MouseRightDown = 0;
        g_KeyW = g_KeyS = g_KeyA = g_KeyD = 0;
        g_KeyUp = g_KeyDown = g_KeyLeft = g_KeyRight = 0;
        g_KeySpace = g_KeyShift = g_KeyCtrl = 0;
        g_KeyXToggle = 0;
        g_DebugView = 0;
        g_TextInputState = 0;
        g_MouseYawInput = g_MousePitchInput = 0.0f;
        g_YawRate = g_PitchRate = g_RollRate = 0.0f;
    }
    // A ship placed at a point, facing +z, with the given engine and manoeuvring.
    static void MakeShip(CUnit& u, int kind, const Vec3& at, float engine = 100.0f, float manoeuvring = 2.0f)
    {
        u.objectClass = GCLASS_SPACE_SHIP;
        u.kind = kind;
        u.position = at;
        u.drawPosition = at;
        u.worldMatrix = MatrixIdentity();
        u.worldMatrix.m[3][0] = at.x, u.worldMatrix.m[3][1] = at.y, u.worldMatrix.m[3][2] = at.z;
        u.engineMax = engine;
        u.manoeuvring = manoeuvring;
        u.hullMax = u.hull = 100.0f;
        u.boundsRadius = 10.0f;
        const uint32_t now = g_GameClock.NowMs();
        for (uint32_t& t : u.timers) t = now;
    }
    static Vec3 Forward(const CUnit& u) { return Vec3(u.worldMatrix.m[2][0], u.worldMatrix.m[2][1], u.worldMatrix.m[2][2]); }
    // Advances the game clock by whole milliseconds.
    static void Advance(double ms) { g_GameClock.gameTime += ms; }

private:
    int mode_ = 0, world_ = 0, kind_ = 0;
    CUnit* player_ = nullptr;
    CUnit* station_ = nullptr;
    GameSettings settings_;
};
