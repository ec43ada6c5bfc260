// The pictures of the multiplayer maps on the network page: a starfield with each map's
// stations and planets plotted from above, and the four players' start corners.
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "../datagen.h"
#include "image_writer.h"

namespace {

constexpr int kSize = 256;

void Disc(std::vector<uint8_t>& rgb, float cx, float cy, float r, uint8_t red, uint8_t green, uint8_t blue)
{
    for (int y = int(cy - r) - 1; y <= int(cy + r) + 1; ++y)
        for (int x = int(cx - r) - 1; x <= int(cx + r) + 1; ++x) {
            if (x < 0 || y < 0 || x >= kSize || y >= kSize)
                continue;
            const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            const float a = d < r - 1 ? 1.0f : d < r ? r - d : 0.0f;
            if (a <= 0)
                continue;
            uint8_t* p = &rgb[size_t(y * kSize + x) * 3];
            p[0] = uint8_t(p[0] + (red - p[0]) * a);
            p[1] = uint8_t(p[1] + (green - p[1]) * a);
            p[2] = uint8_t(p[2] + (blue - p[2]) * a);
        }
}

} // namespace

DATAGEN_GENERATOR(map_pictures)
{
    for (int map = 1; map <= 99; ++map) {
        char loc[96];
        std::snprintf(loc, sizeof loc, "Data/Locations.Space/Multiplayer %02d/Main.loc", map);
        if (!set.Has(loc))
            continue;
        std::vector<uint8_t> rgb(size_t(kSize * kSize * 3));
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const float n = datagen::WrappedValueNoise(float(x) / kSize, float(y) / kSize, 8, uint32_t(map) * 977u);
                uint8_t* p = &rgb[size_t(y * kSize + x) * 3];
                p[0] = uint8_t(8 + 20 * n), p[1] = uint8_t(6 + 10 * n), p[2] = uint8_t(24 + 40 * n);
                if (datagen::LatticeNoise(x, y, uint32_t(map) * 131u) > 0.996f)
                    p[0] = p[1] = p[2] = 230;
            }
        // Objects of the location from above (x to the right, z up), 60 000 units across.
        std::istringstream in(set.Text(loc));
        std::string line, description;
        while (std::getline(in, line)) {
            if (line.rfind("Description", 0) == 0)
                description = line;
            if (line.rfind("Position", 0) != 0 || line.size() < 33)
                continue;
            float px = 0, py = 0, pz = 0;
            if (std::sscanf(line.c_str() + 32, "%f %f %f", &px, &py, &pz) != 3)
                continue;
            const float sx = kSize * 0.5f + px / 60000.0f * kSize;
            const float sy = kSize * 0.5f - pz / 60000.0f * kSize;
            if (description.find("/Station/") != std::string::npos)
                Disc(rgb, sx, sy, 4.0f, 120, 220, 255);
            else if (description.find("/Planet") != std::string::npos)
                Disc(rgb, sx, sy, 10.0f, 90, 140, 90);
            else if (description.find("/Sun") != std::string::npos)
                Disc(rgb, sx, sy, 8.0f, 255, 220, 120);
            else if (description.find("/Asteroid") != std::string::npos)
                Disc(rgb, sx, sy, 2.0f, 150, 130, 110);
        }
        // The four start corners.
        const float c[4][2] = {{40, 40}, {216, 216}, {216, 40}, {40, 216}};
        for (const auto& k : c)
            Disc(rgb, k[0], k[1], 6.0f, 250, 150, 100);
        char out[96];
        std::snprintf(out, sizeof out, "Data/Misc/Sectors/Multiplayer/Map %02d.bmp", map);
        if (!datagen::AddBmpWithJpeg(set, out, kSize, kSize, rgb, 90))
            return false;
    }
    return true;
}
