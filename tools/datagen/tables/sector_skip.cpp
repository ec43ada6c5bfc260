// Save/Skip: the default start of sector 1 (the hero station after the second space
// intro), written through the game's own sector-save writer so reader and writer agree.
#include "../datagen.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "locations/sector_save_file.h"

namespace {

// The integer at character 33 of a description line with this label; fallback when absent.
float DescriptionValue(const datagen::DataSet& set, const std::string& path, const char* label, float fallback)
{
    const std::string text = set.Text(path);
    size_t at = text.find(std::string("\n") + label);
    if (at == std::string::npos || at + 33 >= text.size())
        return fallback;
    return (float)std::atof(text.c_str() + at + 33);
}

void AddShip(const datagen::DataSet& set, SectorSave& save, const char* path, const char* pilot)
{
    SectorSaveShip& s = save.ships[save.shipCount++];
    std::snprintf(s.path, sizeof(s.path), "%s", path);
    // The reader repairs the ship to the model's hull; the record still says what it had.
    s.hull = DescriptionValue(set, path, "Hull max / hull", 100.0f);
    std::snprintf(s.privateData, sizeof(s.privateData), "%s", pilot);
    // No pilot name: the ship keeps the pilot its private data gives (the player's name
    // for the hero), and the model keeps its own items.
    s.sex = -1;
    s.voicePitch = 100;
}

bool BuildSkipSave(const datagen::DataSet& set, std::vector<uint8_t>& dat, std::vector<uint8_t>& stat)
{
    std::unique_ptr<SectorSave> save(new SectorSave());
    std::memset(save.get(), 0, sizeof(SectorSave));
    save->ore = 20.0f;
    AddShip(set, *save, "Data/Space/Ship/Pegas.M1/Main_H.obj", "Human/Hero");
    AddShip(set, *save, "Data/Space/Ship/Pegas.M1/Main.obj", "Human/Mercenaries/Transport");
    AddShip(set, *save, "Data/Space/Ship/Raptor.M1/Main.obj", "Human/Mercenaries/Fighter");
    dat.assign(kSaveMaxDatBytes, 0);
    stat.assign(kSaveMaxStatBytes, 0);
    size_t datSize = 0, statSize = 0;
    if (!EncodeSectorSave(*save, dat.data(), dat.size(), &datSize, stat.data(), stat.size(), &statSize))
        return false;
    dat.resize(datSize);
    stat.resize(statSize);
    return true;
}

} // namespace

DATAGEN_GENERATOR(sector_skip)
{
    for (const char* ship : {"Data/Space/Ship/Pegas.M1/Main_H.obj", "Data/Space/Ship/Pegas.M1/Main.obj",
                             "Data/Space/Ship/Raptor.M1/Main.obj"}) {
        if (!set.Has(ship)) {
            std::fprintf(stderr, "sector_skip: %s is not in the data set\n", ship);
            return false;
        }
    }
    std::vector<uint8_t> dat, stat;
    if (!BuildSkipSave(set, dat, stat)) {
        std::fprintf(stderr, "sector_skip: the default start does not fit the save format\n");
        return false;
    }
    set.Add("Save/Skip/Sector 01.dat", std::move(dat));
    set.Add("Save/Skip/Sector 01.stat", std::move(stat));
    return true;
}

// The built default start reads back through the game's reader.
DATAGEN_CHECK(sector_skip)
{
    std::unique_ptr<SectorSave> save(new SectorSave());
    std::vector<uint8_t> buffer(kSaveMaxDatBytes);
    size_t size = 0;
    char why[128] = "";
    char path[64];
    SkipSavePath(path, sizeof(path), false);
    if (!ReadWholeFile(path, buffer.data(), buffer.size(), &size) ||
        !DecodeSectorSaveDat(buffer.data(), size, save.get(), why, sizeof(why))) {
        check.Missing(std::string("default start ") + path + (why[0] ? std::string(": ") + why : ""));
        return;
    }
    SkipSavePath(path, sizeof(path), true);
    if (!ReadWholeFile(path, buffer.data(), buffer.size(), &size) ||
        !DecodeSectorSaveStat(buffer.data(), size, save.get(), why, sizeof(why))) {
        check.Missing(std::string("default start ") + path);
        return;
    }
    check.Note("default start: " + std::to_string(save->shipCount) + " ships");
}
