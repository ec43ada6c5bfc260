// Sounds that the unit and item description files name: engines, weapons, doors,
// damage and explosions. Synthesised, 22050 Hz 16-bit mono PCM.
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>
#include "../datagen.h"
#include "../tables/tables.h"
#include "wav_writer.h"

namespace {

constexpr int kRate = 22050;

std::vector<uint8_t> Wav(const std::vector<float>& samples)
{
    std::vector<int16_t> pcm;
    pcm.reserve(samples.size());
    for (float s : samples) {
        float c = s < -1.0f ? -1.0f : s > 1.0f ? 1.0f : s;
        pcm.push_back(int16_t(c * 32000.0f));
    }
    return datagen::PcmWav16(pcm, 1, kRate);
}

// Deterministic noise in -1..1.
struct Noise {
    uint32_t state;
    float Next()
    {
        state = state * 1664525u + 1013904223u;
        return float(int32_t(state >> 8) - (1 << 23)) / float(1 << 23);
    }
};

std::vector<float> Tone(float seconds, float f0, float f1, float noise, float decay, uint32_t seed)
{
    std::vector<float> s(size_t(seconds * kRate));
    Noise n{seed};
    float phase = 0.0f, low = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / float(s.size());
        float f = f0 + (f1 - f0) * t;
        phase += 2.0f * 3.14159265f * f / kRate;
        low += (n.Next() - low) * 0.08f;
        float env = std::exp(-decay * t) * std::min(1.0f, float(i) / 200.0f);
        s[i] = env * ((1.0f - noise) * std::sin(phase) + noise * low * 2.5f) * 0.7f;
    }
    return s;
}

// A loop without clicks: whole periods of a hum with noise.
std::vector<float> EngineLoop()
{
    std::vector<float> s(kRate);
    Noise n{99};
    float low = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        low += (n.Next() - low) * 0.05f;
        s[i] = 0.35f * std::sin(2.0f * 3.14159265f * 55.0f * t) + 0.15f * std::sin(2.0f * 3.14159265f * 110.0f * t) +
               0.6f * low;
    }
    return s;
}

} // namespace

// The unit recipes of data/Tables/sounds.csv (sounds.cpp makes the others and checks the names).
DATAGEN_GENERATOR(unit_sounds)
{
    datagen::Table t;
    std::string error;
    if (!datagen::ReadTable(set, "Tables/sounds.csv", &t, &error) ||
        !datagen::RequireColumns(t, {"path", "recipe", "numbers"}, &error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return false;
    }
    bool ok = true;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const std::string& path = t.Get(r, "path");
        const std::string& recipe = t.Get(r, "recipe");
        std::vector<double> n;
        for (const std::string& w : datagen::SplitList(t.Get(r, "numbers"), ' ')) {
            double v = 0;
            datagen::ParseReal(w, &v);
            n.push_back(v);
        }
        if (set.Has(path)) continue;
        if (recipe == "engine_loop") {
            set.Add(path, Wav(EngineLoop()));
        } else if (recipe == "unit_tone") {
            if (n.size() != 6) {
                std::fprintf(stderr, "datagen: %s: unit_tone takes 6 numbers\n", t.Where(r).c_str());
                ok = false;
                continue;
            }
            set.Add(path, Wav(Tone((float)n[0], (float)n[1], (float)n[2], (float)n[3], (float)n[4], (uint32_t)n[5])));
        }
    }
    return ok;
}
