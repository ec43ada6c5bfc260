// Sounds and music, synthesised: 16-bit PCM WAV at 22050 Hz, mono for every effect and
// voice (3D sounds must be mono), stereo for music. Deterministic: a fixed-seed LCG.
#include <algorithm>
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
constexpr double kPi = 3.14159265358979323846;

struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    double Next()  // -1..1
    {
        state = state * 1664525u + 1013904223u;
        return (double)(state >> 8) / 8388608.0 - 1.0;
    }
};

using Samples = std::vector<double>;  // interleaved when stereo

std::vector<uint8_t> MakeWav(const Samples& s, int channels)
{
    // Peak-normalise to -1 dBFS so that every file is clearly audible.
    double peak = 1e-9;
    for (double x : s) peak = std::max(peak, std::fabs(x));
    double scale = 0.89 * 32767.0 / peak;
    std::vector<int16_t> pcm;
    pcm.reserve(s.size());
    for (double x : s) pcm.push_back(int16_t(std::lround(std::clamp(x * scale, -32767.0, 32767.0))));
    return datagen::PcmWav16(pcm, channels, kRate);
}

// Short fades at both ends so that nothing clicks.
void Edges(Samples& s, int channels, double seconds = 0.004)
{
    size_t frames = s.size() / channels;
    size_t n = std::min(frames / 2, size_t(seconds * kRate));
    for (size_t i = 0; i < n; ++i) {
        double g = double(i) / double(n);
        for (int c = 0; c < channels; ++c) {
            s[i * channels + c] *= g;
            s[(frames - 1 - i) * channels + c] *= g;
        }
    }
}

// A one-pole low-pass over a mono signal.
void LowPass(Samples& s, double cutoffHz)
{
    double a = 1.0 - std::exp(-2.0 * kPi * cutoffHz / kRate);
    double y = 0;
    for (double& x : s) x = (y += a * (x - y));
}

Samples Impact(uint32_t seed, double seconds, double thumpHz, double bright)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len);
    for (size_t i = 0; i < len; ++i) s[i] = n.Next();
    LowPass(s, bright);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        s[i] = s[i] * std::exp(-t * 9.0) + 0.8 * std::sin(2 * kPi * thumpHz * t * (1.0 - 0.3 * t)) * std::exp(-t * 14.0);
    }
    Edges(s, 1, 0.001);
    return s;
}

Samples Laser(double startHz, double endHz, double seconds)
{
    size_t len = size_t(seconds * kRate);
    Samples s(len);
    double phase = 0;
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / len;
        phase += 2 * kPi * (startHz + (endHz - startHz) * t) / kRate;
        s[i] = (std::sin(phase) + 0.3 * std::sin(3 * phase)) * std::exp(-t * 3.0);
    }
    Edges(s, 1);
    return s;
}

Samples Rocket(uint32_t seed, double seconds, double cutoff)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len);
    for (double& x : s) x = n.Next();
    LowPass(s, cutoff);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / len;
        s[i] *= std::min(1.0, t * 20.0) * std::exp(-t * 2.5);
    }
    Edges(s, 1);
    return s;
}

Samples Explosion(uint32_t seed, double seconds)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len), rumble(len);
    for (size_t i = 0; i < len; ++i) {
        s[i] = n.Next();
        rumble[i] = n.Next();
    }
    LowPass(s, 1800);
    LowPass(rumble, 120);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        s[i] = s[i] * std::exp(-t * 3.0) + 6.0 * rumble[i] * std::exp(-t * 1.2);
    }
    Edges(s, 1, 0.002);
    return s;
}

Samples Tone(const std::vector<double>& notesHz, double noteSeconds, double decay)
{
    size_t per = size_t(noteSeconds * kRate);
    Samples s;
    for (double hz : notesHz) {
        for (size_t i = 0; i < per; ++i) {
            double t = double(i) / kRate;
            s.push_back(std::sin(2 * kPi * hz * t) * std::exp(-t * decay));
        }
    }
    Edges(s, 1);
    return s;
}

// A loopable bed: hum (work) or hiss (radio).
Samples Bed(uint32_t seed, double seconds, double humHz, double hiss)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len), h(len);
    for (double& x : h) x = n.Next();
    LowPass(h, 3000);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        double hum = humHz > 0 ? std::sin(2 * kPi * humHz * t) + 0.4 * std::sin(2 * kPi * humHz * 2 * t) : 0;
        s[i] = hum + hiss * h[i];
    }
    return s;
}

Samples Wind(uint32_t seed, double seconds, int chirps)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len);
    for (double& x : s) x = n.Next();
    LowPass(s, 500);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        s[i] *= 0.6 + 0.4 * std::sin(2 * kPi * t / seconds * 1.5 + seed);
    }
    // Bird-like chirps at fixed places.
    for (int c = 0; c < chirps; ++c) {
        double start = seconds * (c + 0.5) / (chirps + 0.5);
        double base = 2200 + 300 * ((seed + c) % 5);
        for (size_t i = size_t(start * kRate); i < len && i < size_t((start + 0.12) * kRate); ++i) {
            double t = double(i) / kRate - start;
            s[i] += 0.15 * std::sin(2 * kPi * (base + 4000 * t) * t) * std::sin(kPi * t / 0.12);
        }
    }
    Edges(s, 1, 0.2);
    return s;
}

// Speech-like buzz: a glottal pulse train through two moving formants, in syllables.
Samples Voice(uint32_t seed, double seconds, double pitchHz)
{
    Noise n(seed);
    size_t len = size_t(seconds * kRate);
    Samples s(len);
    double phase = 0, f1 = 0, f2 = 0;
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        double syll = std::fmod(t, 0.22) / 0.22;
        phase += pitchHz * (1.0 + 0.05 * std::sin(t * 3)) / kRate;
        double pulse = phase - std::floor(phase) < 0.1 ? 1.0 : 0.0;
        double form1 = 500 + 300 * std::sin(t * 7 + seed), form2 = 1500 + 500 * std::sin(t * 5 + seed * 2);
        f1 += (pulse - f1) * (form1 / kRate);
        f2 += (pulse - f2) * (form2 / kRate);
        s[i] = (f1 - f2 + 0.05 * n.Next()) * std::sin(kPi * syll);
    }
    Edges(s, 1, 0.02);
    return s;
}

// Stereo music: a chord progression with a pad, bass and arpeggio; battle pieces are
// faster and have a beat.
Samples Music(uint32_t seed, double seconds, bool battle)
{
    static const double roots[][4] = {{220.0, 174.61, 261.63, 196.0},   // A F C G
                                      {196.0, 164.81, 220.0, 146.83},   // G E A D
                                      {146.83, 174.61, 130.81, 196.0}}; // D F C G
    const double* prog = roots[seed % 3];
    double bar = battle ? 1.2 : 2.4;
    size_t len = size_t(seconds * kRate);
    Samples s(len * 2);
    Noise n(seed * 7 + 1);
    for (size_t i = 0; i < len; ++i) {
        double t = double(i) / kRate;
        int b = int(t / bar);
        double root = prog[b % 4];
        double inBar = t - b * bar;
        bool minor = (b % 4) == 0 && seed % 2;
        double third = root * (minor ? 1.1892 : 1.2599), fifth = root * 1.4983;
        double pad = (std::sin(2 * kPi * root * t) + std::sin(2 * kPi * third * t) + std::sin(2 * kPi * fifth * t)) / 3;
        double bass = std::sin(2 * kPi * root / 2 * t) * (battle ? std::exp(-std::fmod(inBar, bar / 4) * 6) : 1.0);
        double step = bar / 8;
        int k = int(inBar / step) % 4;
        double arpHz = (k == 0 ? root : k == 1 ? third : k == 2 ? fifth : root * 2) * 2;
        double arp = std::sin(2 * kPi * arpHz * t) * std::exp(-std::fmod(inBar, step) * 8);
        double drum = 0;
        if (battle) {
            double beat = std::fmod(inBar, bar / 4);
            drum = std::sin(2 * kPi * 60 * beat) * std::exp(-beat * 25) + 0.3 * n.Next() * std::exp(-std::fmod(beat + bar / 8, bar / 4) * 40);
        }
        double mono = 0.35 * pad + 0.35 * bass + 0.2 * drum;
        s[i * 2] = mono + 0.25 * arp * 0.7;
        s[i * 2 + 1] = mono + 0.25 * arp * 0.3;
    }
    Edges(s, 2, 0.05);
    return s;
}

void AddMono(datagen::DataSet& set, const std::string& path, const Samples& s)
{
    set.Add(path, MakeWav(s, 1));
}

}  // namespace

// The recipes of data/Tables/sounds.csv that unit_sounds.cpp makes.
const char* const kUnitRecipes[] = {"unit_tone", "engine_loop"};

DATAGEN_GENERATOR(sounds)
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
            if (!datagen::ParseReal(w, &v)) {
                std::fprintf(stderr, "datagen: %s: \"%s\" is not a number\n", t.Where(r).c_str(), w.c_str());
                ok = false;
            }
            n.push_back(v);
        }
        auto need = [&](size_t count) {
            if (n.size() == count) return true;
            std::fprintf(stderr, "datagen: %s: %s takes %zu numbers\n", t.Where(r).c_str(), recipe.c_str(), count);
            ok = false;
            return false;
        };
        const uint32_t seed = n.empty() ? 0 : (uint32_t)n[0];
        if (recipe == "impact") { if (need(4)) AddMono(set, path, Impact(seed, n[1], n[2], n[3])); }
        else if (recipe == "laser") { if (need(3)) AddMono(set, path, Laser(n[0], n[1], n[2])); }
        else if (recipe == "rocket") { if (need(3)) AddMono(set, path, Rocket(seed, n[1], n[2])); }
        else if (recipe == "explosion") { if (need(2)) AddMono(set, path, Explosion(seed, n[1])); }
        else if (recipe == "tone") {
            if (n.size() < 3) need(3);
            else AddMono(set, path, Tone(std::vector<double>(n.begin() + 2, n.end()), n[0], n[1]));
        }
        else if (recipe == "bed") { if (need(4)) AddMono(set, path, Bed(seed, n[1], n[2], n[3])); }
        else if (recipe == "wind") { if (need(3)) AddMono(set, path, Wind(seed, n[1], (int)n[2])); }
        else if (recipe == "voice") { if (need(3)) AddMono(set, path, Voice(seed, n[1], n[2])); }
        else if (recipe == "music") { if (need(3)) set.Add(path, MakeWav(Music(seed, n[1], n[2] != 0), 2)); }
        else if (std::find(std::begin(kUnitRecipes), std::end(kUnitRecipes), recipe) == std::end(kUnitRecipes)) {
            std::fprintf(stderr, "datagen: %s: no recipe \"%s\"\n", t.Where(r).c_str(), recipe.c_str());
            ok = false;
        }
    }
    return ok;
}
