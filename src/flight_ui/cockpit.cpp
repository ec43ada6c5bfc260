#include "flight_ui/cockpit.h"

#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"
#include "world/objects/attached_effect.h"
#include "world/objects/unit.h"
#include "world/world.h"

CCockpit g_Cockpit;

// The comm window and the radio menu first: the model's panel effects make their render
// target as they load.
void CCockpit::Init()
{
    g_CommWindow.Init();
    g_RadioMenu.Init();
    LoadModel();
}

void CCockpit::LoadModel()
{
    if (unit) {
        unit->Release();
        delete unit;
    }
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    unit = new CUnit();
    unit->Load("Data/Space/Ship/Cockpit/01/Cockpit.obj", -1);
    g_WorldIndex = savedWorld;
}

void CCockpit::Release()
{
    g_CommWindow.Release();
    g_RadioMenu.Release();
    if (unit) {
        unit->Release();
        delete unit;
        unit = nullptr;
    }
}

void CCockpit::Update()
{
    if (!g_PlayerObject) return;
    // The model's effects are drawn for the ship the player flies.
    if (unit)
        for (int i = 0; i < unit->effectCount && i < kMaxUnitEffects; ++i)
            if (unit->effects[i]) unit->effects[i]->parent = g_PlayerObject;
    g_CommWindow.Update();
    g_RadioMenu.UpdateTyping();
}
