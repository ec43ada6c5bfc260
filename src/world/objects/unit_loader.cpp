// The unit description file (Main.obj): header, values, effects, items, actions,
// derived units and the set-up by class.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/mesh.h"
#include "world/objects/attached_effect.h"
#include "world/objects/desc_file.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

int CUnit::Load(const char* path, int objectId)
{
    CDescFile file;
    if (!file.Open(path)) {
        DebugOutF("CUnit::Load(): can't open \"%s\"", path ? path : "(null)");
        return 0;
    }
    CopyTextCut(descriptionPath, sizeof(descriptionPath), path);
    pilot.objectId = objectId;

    // Lines 1-9 and the texture block: the common header.
    char name[kDescLineLength];
    int vertexType = -1;
    ReadObjectHeader(file, this, name, sizeof(name), &vertexType);
    CopyTextCut(displayName, sizeof(displayName), name);
    // Without its mesh the unit still flies and shoots, unseen: said once per mesh file.
    if (meshCount > 0 && meshes[0] && meshes[0]->m_SubMeshCount == 0) {
        static std::set<std::string> s_Told;
        if (s_Told.insert(meshes[0]->m_Name).second)
            DebugOutF("CUnit::Load(): the mesh \"%s\" of \"%s\" is missing or empty", meshes[0]->m_Name, path);
    }

    if (g_GameMode == 2 && pilot.ownerId == -1) {
        pilot.ownerId = g_Network.session.ownIndex;
        if (objectClass == GCLASS_BULLET) {
            pilot.objectId = CObjectList::NextId();
            // A remote laser bolt is drawn self-lit like a local one.
            if (kind == GTYPE_LASER_WEAPON) drawMode = 1;
        }
    }

    // Values.
    file.SkipLine();
    file.ReadTwoNumbers(&hullMax, &hull);
    baseValues[UNIT_BASE_HULL].value = hullMax;
    rating = (float)file.ReadInt();
    baseValues[UNIT_BASE_RATING].value = rating;
    file.ReadTwoNumbers(&engineMax, &speed);
    baseValues[UNIT_BASE_ENGINE].value = engineMax;
    manoeuvring = file.ReadFloat();
    baseValues[UNIT_BASE_MANOEUVRING].value = manoeuvring;
    shotValue = shotValue2 = file.ReadFloat();
    baseValues[UNIT_BASE_SHOT].value = shotValue;

    // Attached effects: each block follows a line of its own that is skipped here.
    file.SkipLine();
    CAttachedEffect::LoadBlocks(file, this, effects, &effectCount, kMaxUnitEffects);

    // Items.
    file.SkipLine();
    int itemLines = file.ReadCount();
    int keptItems = CheckBlockCount(itemLines, kMaxUnitItems, "Too many items!");
    char text[kDescLineLength];
    for (int i = 0; i < itemLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        file.ReadText(text, sizeof(text));
        if (i >= keptItems) continue;
        CItem* it = new CItem();
        if (!it->Load(text, this, -1)) DebugOutF("CUnit::Load(): item \"%s\" of \"%s\" not loaded", text, path);
        items[itemCount++] = it;
    }

    // Actions: frame ranges of the first mesh and the action sounds.
    file.SkipLine();
    int actionLines = file.ReadCount();
    for (int i = 0; i < actionLines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        int first = 0, last = 0;
        int action = file.ReadActionLine(&first, &last, text, sizeof(text));
        if (action < 0 || action >= kActionCount) {
            DebugOutF("CUnit::Load(): unknown action line %d in \"%s\"", i + 1, path);
            continue;
        }
        if (meshCount > 0 && meshes[0]) {
            meshes[0]->m_ActionFrames[action][0] = first;
            meshes[0]->m_ActionFrames[action][1] = last;
        }
        if (g_Settings.audio != 0 && text[0]) {
            if (actionSounds[action]) {
                g_AudioManager.ReleaseSound(&actionSounds[action]);
                actionSounds[action] = nullptr;
                --actionSoundCount;
            }
            NoteUnitSoundRequest(text);
            actionSounds[action] = g_AudioManager.LoadSound(text, SOUND_3D, 500.0f, 500.0f);
            if (actionSounds[action]) ++actionSoundCount;
        }
    }

    // Derived units.
    file.SkipLine();
    LoadDerived(file);

    // Distances of the action sounds.
    file.SkipLine();
    SetSoundDistances();

    SetUpByClass(file);

    file.Close();
    FinishLoad();
    return 1;
}

void CUnit::LoadDerived(CDescFile& file)
{
    int lines = file.ReadCount();
    char path[kDescLineLength];
    // Fifteen slots: more lines than that can only replace units, so they are read, not loaded.
    int loads = 0;
    for (int i = 0; i < lines && i < kMaxSurplusLines && !file.Ended(); ++i) {
        int slot = file.ReadDerivedLine(path, sizeof(path));
        if (loads >= kDerivedSlotCount - 1) continue;
        if (slot <= 0 || slot >= kDerivedSlotCount) {
            DebugOutF("CUnit::Load(): unknown derived slot on line %d of \"%s\"", i + 1, descriptionPath);
            continue;
        }
        if (derivedUnits[slot]) {
            derivedUnits[slot]->Release();
            delete derivedUnits[slot];
            derivedUnits[slot] = nullptr;
        }
        CopyTextCut(derivedPaths[slot], sizeof(derivedPaths[slot]), path);
        if (loadDepth >= kMaxDerivedDepth) {
            DebugOutF("CUnit::Load(): derived units of \"%s\" nest too deep", descriptionPath);
            continue;
        }
        CUnit* d = new CUnit();
        ++loads;
        d->loadDepth = loadDepth + 1;
        // A description that fails to load leaves the slot empty: an empty unit there would
        // be spawned as an invisible object on every hit or death that uses the slot.
        if (!d->Load(path, -1)) {
            DebugOutF("CUnit::Load(): derived \"%s\" of \"%s\" not loaded", path, descriptionPath);
            d->Release();
            delete d;
            continue;
        }
        derivedUnits[slot] = d;
    }
}

void CUnit::SetSoundDistances()
{
    float mn = 1.0f, mx = 10.0f;
    if (g_WorldIndex == 1) {
        mn = 50.0f;
        mx = 500.0f;
    } else {
        switch (objectClass) {
        case GCLASS_LANDSCAPE:
        case GCLASS_STONE:
        case GCLASS_TREE:
        case 0:
        case 3:
        case GCLASS_FLAT:
        case GCLASS_LOW:
            mn = 0.0f;
            mx = 0.0f;
            break;
        case GCLASS_OBJECT_FLY:
        case GCLASS_EFFECT:
        case GCLASS_BULLET:
        case GCLASS_OBJECT_WALK:
        case GCLASS_ITEM:
        case GCLASS_STATIC:
            mn = 2.0f;
            mx = 30.0f;
            break;
        case GCLASS_CHARACTER_HERO:
        case GCLASS_CHARACTER_NPC:
            mn = 1.0f;
            mx = 15.0f;
            break;
        case GCLASS_SPACE_SHIP:
            mn = 4.0f;
            mx = 100.0f;
            break;
        default:
            break;
        }
    }
    for (CSound* s : actionSounds) {
        if (!s) continue;
        s->minDistance = mn;
        s->maxDistance = mx;
        s->SetMinMaxDistance(mn, mx);
    }
}

void CUnit::SetUpByClass(CDescFile& file)
{
    if (objectClass == GCLASS_CHARACTER_NPC) {
        CopyTextCut(displayName, sizeof(displayName), TranslateName(displayName));
        char label[kDescLabelColumn + 1];
        char value[kDescLineLength];
        file.ReadValueLine(label, value, sizeof(value));
        // "//-" anywhere on the line, label column included, means no dialog.
        char line[kDescLabelColumn + kDescLineLength];
        std::snprintf(line, sizeof(line), "%s%s", label, value);
        if (value[0] == 'Y' && !std::strstr(line, "//-")) {
            const char* human = std::strstr(descriptionPath, "Human");
            size_t len = human ? std::strlen(human) : 0;
            if (!human || len < 3) {
                DebugOutF("CUnit::Load(): \"%s\" has no dialog folder", descriptionPath);
            } else {
                char dialogPath[600];
                std::snprintf(dialogPath, sizeof(dialogPath), "%s%.*spd",
                              g_Settings.language == 1 ? "Data/Planet/Private data.ENG/" : "Data/Planet/Private data.RUS/",
                              (int)(len - 3), human);
                radioDialog.LoadFile(dialogPath, this);
            }
        }
    } else if (objectClass == GCLASS_ITEM || objectClass == GCLASS_SPACE_SHIP) {
        CopyTextCut(displayName, sizeof(displayName), TranslateName(displayName));
    }

    if (objectClass == GCLASS_SPACE_SHIP && IsStationKindValue(kind)) {
        for (int i = 0; i < itemCount; ++i) {
            CItem* cargo = items[i];
            if (!cargo || cargo->kind != GTYPE_CARGOSYSTEM) continue;
            float c = cargo->capacity;
            if (g_GameMode == 0) c += (g_LocationDirector.locationId - 21) * 300.0f;
            else if (g_GameMode == 2) c += g_Network.session.menuChoice * 3000.0f;
            int k = (int)std::lround(c / 2.5f + 1.0f);
            if (k < 1) k = 1;
            float stock = (float)(GameRand() % k) - c / 5.0f + c;
            cargo->capacity = c;
            cargo->baseValues[ITEM_BASE_CAPACITY].value = c;
            ore = stock;
            break;
        }
    }

    if (objectClass == GCLASS_BULLET && (kind == GTYPE_ROCKT_WEAPON || kind == GTYPE_MISSL_WEAPON)) {
        pilot.skill = 1.0f;
        pilot.skill2 = 1.0f;
        timers[4] = g_GameClock.NowMs();
    }

    if (objectClass == GCLASS_SPACE_OBJECT && kind == GTYPE_SP_ASTEROID) {
        rotation.x = (GameRand() % 11) / 5.0f - 1.0f;
        rotation.y = (GameRand() % 11) / 5.0f - 1.0f;
        rotation.z = (GameRand() % 11) / 5.0f - 1.0f;
        float s = (GameRand() % 41) / 5.0f + 1.0f;
        scale = Vec3(s, s, s);
        spinRates.x = ((GameRand() % 21) * 0.001f - 0.01f) / s;
        spinRates.y = ((GameRand() % 21) * 0.001f - 0.01f) / s;
        spinRates.z = ((GameRand() % 21) * 0.001f - 0.01f) / s;
    }

    if (objectClass == GCLASS_SPACE_OBJECT || objectClass == GCLASS_TREE || objectClass == GCLASS_STATIC) {
        if (meshCount > 0 && meshes[0] && meshes[0]->m_SubMeshCount > 1) {
            currentFrame = (unsigned)(GameRand() % meshes[0]->m_SubMeshCount);
            frameCounter = (float)currentFrame;
        }
    }
}
