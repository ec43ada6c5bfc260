// The pilot block of a unit and its private data (Main.pd).
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"
#include "world/objects/desc_file.h"
#include "menus/pilots_page.h"
#include "platform/crt/rand.h"
#include "world/objects/unit.h"

namespace {

constexpr int kNameVariants = 13;
constexpr int kNameLength = 64;

// [language][sex][index]: language 0 Russian, 1 English; sex 0 man, 1 woman.
const char kFirstNames[2][2][kNameVariants][kNameLength] = {
    {{"Андрей", "Борис", "Виктор", "Григорий", "Дмитрий", "Егор", "Иван", "Кирилл", "Леонид", "Михаил",
      "Никита", "Олег", "Павел"},
     {"Анна", "Вера", "Галина", "Дарья", "Елена", "Жанна", "Ирина", "Ксения", "Лидия", "Марина", "Надежда",
      "Ольга", "Полина"}},
    {{"Andrew", "Boris", "Victor", "Gregory", "Dmitry", "Egor", "Ivan", "Kirill", "Leonid", "Michael",
      "Nikita", "Oleg", "Paul"},
     {"Anna", "Vera", "Galina", "Daria", "Helen", "Jeanne", "Irene", "Ksenia", "Lydia", "Marina", "Nadia",
      "Olga", "Pauline"}},
};
const char kLastNames[2][2][kNameVariants][kNameLength] = {
    {{"Орлов", "Соколов", "Волков", "Зорин", "Громов", "Ветров", "Лебедев", "Морозов", "Титов", "Рыбаков",
      "Седов", "Чернов", "Яковлев"},
     {"Орлова", "Соколова", "Волкова", "Зорина", "Громова", "Ветрова", "Лебедева", "Морозова", "Титова",
      "Рыбакова", "Седова", "Чернова", "Яковлева"}},
    {{"Orlov", "Sokolov", "Volkov", "Zorin", "Gromov", "Vetrov", "Lebedev", "Morozov", "Titov", "Rybakov",
      "Sedov", "Chernov", "Yakovlev"},
     {"Orlova", "Sokolova", "Volkova", "Zorina", "Gromova", "Vetrova", "Lebedeva", "Morozova", "Titova",
      "Rybakova", "Sedova", "Chernova", "Yakovleva"}},
};

void BackquoteDoubleQuotes(char* text)
{
    for (char* p = text; *p; ++p)
        if (*p == '"') *p = '`';
}

// RANDOM_SKILL, NONE (keep) or a percentage.
void ReadSkill(const char* value, float* skill)
{
    if (std::strstr(value, "RANDOM_SKILL")) {
        float s = 0.0f;
        for (int j = 1; j <= 5; ++j)
            if (GameRand() % j == 0) s += (GameRand() % 21) / 100.0f;
        *skill = s;
    } else if (std::strstr(value, "NONE")) {
        return;
    } else {
        *skill = DescToInt(value) / 100.0f;
    }
}

// Opens the owner's private data: the chosen language, then the Russian one.
int OpenPilotFile(CDescFile& file, const char* folder)
{
    char path[600];
    if (g_Settings.language == 1) {
        std::snprintf(path, sizeof(path), "Data/Space/Private data.ENG/%s%s", folder, "/Main.pd");
        if (file.Open(path, FILE_KIND_PRIVATE_DATA)) return 1;
    }
    std::snprintf(path, sizeof(path), "Data/Space/Private data.RUS/%s%s", folder, "/Main.pd");
    return file.Open(path, FILE_KIND_PRIVATE_DATA);
}

} // namespace

CPilotData::CPilotData()
{
    owner = nullptr;
    folder[0] = 0;
    objectId = -1;
    ownerId = -1;
    title[0] = 0;
    secondText[0] = 0;
    pilotMarker[0] = 0;
    sex = -1;
    pilotName[0] = 0;
    head = nullptr;
    headText[0] = 0;
    side = -1;
    skill = 0.0f;
    skill2 = 0.0f;
    voicePitch = GameRand() % 26 + 105;
}

void CPilotData::ReleaseHead()
{
    if (!head) return;
    head->ReleaseMeshes();
    head->ReleaseTextures();
    delete head;
    head = nullptr;
}

void CPilotName::Pick(CPilotData& pilot)
{
    if (pilot.sex != 0 && pilot.sex != 1) return;
    int lang = g_Settings.language == 1 ? 1 : 0;
    const char* first = kFirstNames[lang][pilot.sex][GameRand() % kNameVariants];
    const char* last = kLastNames[lang][pilot.sex][GameRand() % kNameVariants];
    std::snprintf(pilot.pilotName, sizeof(pilot.pilotName), "%s %s", first, last);
}

void CPilotName::Reset(CPilotData& pilot)
{
    pilot.sex = 0;
    Pick(pilot);
}

void CPilotData::Load(CUnit* ownerUnit, const char* folderName)
{
    ReleaseHead();
    owner = ownerUnit;
    CopyTextCut(folder, sizeof(folder), folderName);

    CDescFile file;
    if (!OpenPilotFile(file, folder)) {
        DebugOutF("CPilotData::Load(): no private data for \"%s\"", folder);
        return;
    }
    char value[kDescLineLength];
    file.SkipLines(3);

    file.ReadText(value, sizeof(value));
    BackquoteDoubleQuotes(value);
    if (std::strstr(value, "FROM_OBJECT") && owner) CopyTextCut(title, sizeof(title), owner->displayName);
    else CopyTextCut(title, sizeof(title), value);
    file.ReadText(value, sizeof(value));
    BackquoteDoubleQuotes(value);
    CopyTextCut(secondText, sizeof(secondText), value);
    file.ReadText(value, sizeof(value));
    BackquoteDoubleQuotes(value);
    CopyTextCut(pilotMarker, sizeof(pilotMarker), value);

    file.ReadText(value, sizeof(value));
    if (std::strstr(value, "NONE")) sex = -1;
    else if (std::strstr(value, "RANDOM_SEX")) sex = (GameRand() % 100) / 50;
    else if (std::strstr(value, "WOMAN")) sex = 1;
    else if (std::strstr(value, "MAN")) sex = 0;

    file.ReadText(value, sizeof(value));
    if (std::strstr(value, "RANDOM_NAME")) CPilotName::Pick(*this);
    else if (std::strstr(value, "PLAYER_NAME")) CopyTextCut(pilotName, sizeof(pilotName), g_PlayerName);
    else if (std::strstr(value, "NONE")) CopyTextCut(pilotName, sizeof(pilotName), "<нет данных>");
    else CopyTextCut(pilotName, sizeof(pilotName), value);
    if (std::strstr(pilotMarker, "PILOT_NAME")) CopyTextCut(pilotMarker, sizeof(pilotMarker), pilotName);

    file.ReadText(value, sizeof(value));
    if (std::strstr(value, "WORLD_STATUS_NEUTRAL")) side = 0;
    if (std::strstr(value, "WORLD_STATUS_PIRATE")) side = 2;
    if (std::strstr(value, "WORLD_STATUS_ALIEN")) side = 3;
    if (std::strstr(pilotMarker, "PILOT_NAME")) side = 0;
    if (std::strstr(pilotMarker, "PLAYER_NAME")) side = 1;

    file.ReadText(value, sizeof(value));
    ReadSkill(value, &skill);
    file.ReadText(value, sizeof(value));
    ReadSkill(value, &skill2);

    file.ReadText(value, sizeof(value));
    if (value[0]) {
        head = new CGameObject();
        head->AddMesh(value, 0);
        head->objectClass = GCLASS_SPACE_SHIP;
        head->UpdateWorldMatrix();
    }
    file.ReadText(value, sizeof(value));
    if (value[0] && head) head->AddTexture(0, value, 0);

    file.ReadText(value, sizeof(value));
    CopyTextCut(headText, sizeof(headText), value);
    int pitch = voicePitch;
    if (file.ReadOptionalInt(&pitch)) voicePitch = pitch;
    file.Close();

    OpenPrivateData(*this);
}

void OpenPrivateData(CPilotData& pilot)
{
    if (!pilot.owner) return;
    CDescFile file;
    if (!OpenPilotFile(file, pilot.folder)) return;
    file.SkipLines(14);
    file.SkipLine();
    if (!file.LastWasSeparator()) file.SkipLine();
    CRadioDialog& dialog = pilot.owner->radioDialog;
    dialog.owner = pilot.owner;
    dialog.Load(file.Handle());
    file.Close();
}
