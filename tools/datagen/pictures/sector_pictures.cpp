// Pictures of the menu's list pages: "Data/Misc/Sectors/Campaign/Sector 00..12.bmp" (the
// introduction and the twelve campaign sectors), "Single/Single 01..12.bmp" (single
// missions) and "Multiplayer/Map 01..12.bmp" (network maps). Each is a 256x256 view of
// space: a nebula, stars, a lit planet and, for sectors and maps, a station's silhouette,
// with colours and placement drawn from the picture's own seed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "../datagen.h"
#include "files/file_manager.h"
#include "image_writer.h"
#include "locations/single_missions.h"

namespace {

constexpr int kSize = 256;

struct Rgb {
    float r, g, b;
};

float Clamp01(float v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

Rgb Hue(float h)
{
    h = h - std::floor(h);
    const float r = Clamp01(std::fabs(h * 6 - 3) - 1), g = Clamp01(2 - std::fabs(h * 6 - 2)),
                b = Clamp01(2 - std::fabs(h * 6 - 4));
    return {r, g, b};
}

// kind 0 campaign, 1 single, 2 multiplayer.
std::vector<uint8_t> MakePicture(int kind, int n)
{
    const uint32_t seed = 0x51ED2705u + uint32_t(kind) * 977u + uint32_t(n) * 7919u;
    auto rnd = [seed](int k) { return datagen::LatticeNoise(k, 17, seed); };
    const Rgb nebula = Hue(rnd(1));
    const Rgb planet = Hue(rnd(2) + 0.3f);
    const float px = 60 + 136 * rnd(3), py = 60 + 136 * rnd(4), pr = 34 + 40 * rnd(5);
    const float lx = -0.6f, ly = -0.5f, lz = 0.62f;  // light from the top left
    const bool station = kind != 1;
    const float sx = px < 128 ? 190.0f : 60.0f, sy = 70 + 110 * rnd(6);

    std::vector<uint8_t> rgb(size_t(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float fx = float(x), fy = float(y);
            const float cloud = datagen::WrappedValueNoise(fx / 40.0f, fy / 40.0f, 7, seed) *
                                datagen::WrappedValueNoise(fx / 17.0f, fy / 17.0f, 16, seed + 3u);
            float r = 0.02f + nebula.r * cloud * 0.55f, g = 0.02f + nebula.g * cloud * 0.55f,
                  b = 0.05f + nebula.b * cloud * 0.55f;
            if (datagen::LatticeNoise(x, y, seed + 11u) > 0.996f) {
                const float s = 0.6f + 0.4f * datagen::LatticeNoise(x, y, seed + 12u);
                r = g = b = s;
            }
            const float dx = (fx - px) / pr, dy = (fy - py) / pr, d2 = dx * dx + dy * dy;
            if (d2 < 1.0f) {
                const float dz = std::sqrt(1.0f - d2);
                const float lit = Clamp01(dx * lx + dy * ly + dz * lz) * 0.9f + 0.05f;
                const float band = 0.8f + 0.2f * datagen::WrappedValueNoise(fx / 9.0f, dy * 6.0f, 8, seed + 5u);
                r = planet.r * lit * band, g = planet.g * lit * band, b = planet.b * lit * band;
            } else if (d2 < 1.1f) {
                const float glow = (1.1f - d2) / 0.1f * 0.5f;
                r += planet.r * glow, g += planet.g * glow, b += planet.b * glow;
            }
            if (station) {
                // A ring with a hub and two arms, lit grey.
                const float sdx = fx - sx, sdy = fy - sy, sd = std::sqrt(sdx * sdx + sdy * sdy);
                const bool ring = sd > 15 && sd < 19;
                const bool hub = sd < 6;
                const bool arm = (std::fabs(sdy) < 1.5f || std::fabs(sdx) < 1.5f) && sd < 17;
                if (ring || hub || arm) {
                    const float shade = 0.45f + 0.35f * Clamp01((-sdx - sdy) / 30.0f + 0.5f);
                    r = g = shade, b = shade + 0.08f;
                }
            }
            const size_t o = (size_t(y) * kSize + x) * 3;
            rgb[o] = datagen::UnitByte(r), rgb[o + 1] = datagen::UnitByte(g), rgb[o + 2] = datagen::UnitByte(b);
        }
    return rgb;
}

} // namespace

DATAGEN_GENERATOR(sector_pictures)
{
    char path[128];
    for (int n = 0; n <= 12; ++n) {
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Campaign/Sector %02d.bmp", n);
        if (!datagen::AddBmpWithJpeg(set, path, kSize, kSize, MakePicture(0, n), 90))
            return false;
    }
    for (int n = 1; n <= 12; ++n) {
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Single/Single %02d.bmp", n);
        if (!datagen::AddBmpWithJpeg(set, path, kSize, kSize, MakePicture(1, n), 90))
            return false;
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Multiplayer/Map %02d.bmp", n);
        if (!datagen::AddBmpWithJpeg(set, path, kSize, kSize, MakePicture(2, n), 90))
            return false;
    }
    return true;
}

// Every picture the list pages can ask for, and a text in both languages for every mission
// the single-mission page lists.
DATAGEN_CHECK(sector_pictures)
{
    auto need = [&check](const char* path) {
        const int h = CFileManager::Open(path, FILE_KIND_TEXTURES);
        if (h < 0)
            check.Missing(std::string("menu picture ") + path);
        else
            CFileManager::Close(h);
    };
    char path[128];
    for (int n = 0; n <= 12; ++n) {
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Campaign/Sector %02d.jpg", n);
        need(path);
        if (n == 0)
            continue;
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Single/Single %02d.jpg", n);
        need(path);
        std::snprintf(path, sizeof path, "Data/Misc/Sectors/Multiplayer/Map %02d.jpg", n);
        need(path);
    }
    const int missions = CountSingleMissions();
    const int language = g_Settings.language;
    for (int lang = 0; lang < 2; ++lang) {
        g_Settings.language = lang;
        for (int k = 0; k < missions; ++k) {
            char text[kSingleMissionTextSize];
            LoadSingleMissionText(k, text);
            if (!text[0])
                check.Missing("text of single mission " + std::to_string(k + 1) + (lang ? " (ENG)" : " (RUS)"));
        }
    }
    g_Settings.language = language;
    check.Note("single missions: " + std::to_string(missions));
}
