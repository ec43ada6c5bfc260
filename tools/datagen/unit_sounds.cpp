// Sounds that the unit and item description files name: engines, weapons, doors,
// damage and explosions. Synthesised, 22050 Hz 16-bit mono PCM.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>
#include "datagen.h"
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

DATAGEN_GENERATOR(unit_sounds)
{
    const std::string dir = "Data/Sounds/Space/Units/";
    auto add = [&set, &dir](const char* name, std::vector<float> s) {
        std::string path = dir + name;
        if (!set.Has(path)) set.Add(path, Wav(s));
    };
    add("Engine_01.wav", EngineLoop());
    add("Laser_01.wav", Tone(0.25f, 1800.0f, 400.0f, 0.1f, 6.0f, 1));
    add("Rocket_01.wav", Tone(0.6f, 300.0f, 120.0f, 0.7f, 3.0f, 2));
    add("Missile_01.wav", Tone(0.8f, 500.0f, 900.0f, 0.5f, 2.5f, 3));
    add("AMS_01.wav", Tone(0.5f, 900.0f, 1200.0f, 0.3f, 2.0f, 4));
    add("Door_01.wav", Tone(1.2f, 90.0f, 70.0f, 0.6f, 1.0f, 5));
    add("Damage_01.wav", Tone(0.3f, 200.0f, 80.0f, 0.8f, 5.0f, 6));
    add("Explode_01.wav", Tone(1.5f, 80.0f, 30.0f, 0.9f, 2.5f, 7));
    return true;
}
