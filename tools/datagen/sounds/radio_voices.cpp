// Voices of the radio lines: every Voice field of a private-data dialog that names a file
// under Data/Sounds/Voices/ gets that file spoken from its line's text, with the pilot
// sex variants the game asks ships for ("_M01.wav" male, "_W01.wav" female). The speech
// comes from espeak-ng when it is installed; without it each line becomes a generated
// radio murmur of the same rhythm, so the data set is complete either way.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../datagen.h"
#include "../models/mesh_builder.h"
#include "wav_writer.h"

namespace {

const char kVoiceFolder[] = "Data/Sounds/Voices/";
constexpr int kRate = 22050;

std::string Cp1251ToUtf8(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        unsigned cp = c;
        if (c >= 0xC0) cp = 0x410 + (c - 0xC0);
        else if (c == 0xA8) cp = 0x401;
        else if (c == 0xB8) cp = 0x451;
        else if (c >= 0x80) cp = '?';
        if (cp < 0x80) {
            out += char(cp);
        } else {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::vector<uint8_t> ReadWhole(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

bool HaveSpeaker()
{
    static const int have = std::system("espeak-ng --version >/dev/null 2>&1") == 0 ? 1 : 0;
    return have != 0;
}

// The line spoken by espeak-ng; empty when it fails.
std::vector<uint8_t> Speak(const std::string& utf8, bool russian, bool female)
{
    char dir[] = "/tmp/korvane-voice-XXXXXX";
    if (!mkdtemp(dir)) return {};
    const std::string text = std::string(dir) + "/line.txt", wav = std::string(dir) + "/line.wav";
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(text.c_str(), "wb")) {
        std::fwrite(utf8.data(), 1, utf8.size(), f);
        std::fclose(f);
        const std::string cmd = std::string("espeak-ng -q -s 165 -v ") + (russian ? "ru" : "en") +
                                (female ? "+f3" : "+m3") + " -w '" + wav + "' -f '" + text + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) bytes = ReadWhole(wav);
    }
    std::remove(text.c_str());
    std::remove(wav.c_str());
    rmdir(dir);
    return bytes;
}

// A murmur with the rhythm of the text: voiced syllables for letters, short noise for
// punctuation, pauses for blanks, all through a band that sounds like a radio.
std::vector<uint8_t> Murmur(const std::string& text, bool female)
{
    std::vector<int16_t> pcm;
    const float pitch = female ? 210.0f : 115.0f;
    uint32_t seed = 2166136261u;
    for (unsigned char c : text) seed = (seed ^ c) * 16777619u;
    float phase = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        const bool blank = c == ' ';
        const bool mark = c == '.' || c == ',' || c == '!' || c == '?';
        const int n = kRate * (blank ? 60 : mark ? 40 : 75) / 1000;
        const float formant = 400.0f + 900.0f * meshgen::Hash01(seed + uint32_t(i) * 7919u);
        for (int k = 0; k < n; ++k) {
            const float t = float(k) / float(n);
            const float env = std::sin(float(M_PI) * t);
            float s = 0.0f;
            if (mark) {
                s = (meshgen::Hash01(seed + uint32_t(i * 997 + k)) - 0.5f) * 0.4f * env;
            } else if (!blank) {
                phase += 2.0f * float(M_PI) * pitch * (1.0f + 0.05f * std::sin(t * 6.0f)) / float(kRate);
                const float voiced = std::sin(phase) + 0.5f * std::sin(2.0f * phase) + 0.3f * std::sin(3.0f * phase);
                s = voiced * (0.5f + 0.5f * std::sin(2.0f * float(M_PI) * formant * float(k) / float(kRate))) * env * 0.35f;
            }
            pcm.push_back(int16_t(std::lround(std::fmax(-1.0f, std::fmin(1.0f, s)) * 20000.0f)));
        }
    }
    return datagen::PcmWav16(pcm, 1, kRate);
}

std::vector<uint8_t> Voice(const std::string& cp1251, bool russian, bool female)
{
    if (HaveSpeaker()) {
        std::vector<uint8_t> spoken = Speak(Cp1251ToUtf8(cp1251), russian, female);
        if (spoken.size() > 44) return spoken;
    }
    return Murmur(cp1251, female);
}

// "..._01.wav" -> "..._M01.wav": the letter goes before the two characters before ".wav".
std::string WithSex(const std::string& name, char letter)
{
    if (name.size() < 6) return name;
    std::string s = name;
    s.insert(s.size() - 6, 1, letter);
    return s;
}

std::string Field(const std::string& line, size_t from)
{
    std::string v = line.size() > from ? line.substr(from) : std::string();
    while (!v.empty() && (v.back() == ' ' || v.back() == '\r')) v.pop_back();
    return v;
}

} // namespace

DATAGEN_GENERATOR(radio_voices)
{
    std::vector<std::string> dialogs;
    for (const auto& [path, bytes] : set.files) {
        (void)bytes;
        if (path.rfind("Data/Space/Private data.", 0) == 0 && path.size() > 8 && path.compare(path.size() - 8, 8, "/Main.pd") == 0)
            dialogs.push_back(path);
    }
    for (const std::string& path : dialogs) {
        const bool russian = path.find("Private data.RUS/") != std::string::npos;
        std::vector<std::string> lines;
        {
            const std::string text = set.Text(path);
            size_t at = 0;
            while (at <= text.size()) {
                size_t end = text.find('\n', at);
                if (end == std::string::npos) end = text.size();
                lines.push_back(text.substr(at, end - at));
                at = end + 1;
            }
        }
        for (size_t i = 0; i + 2 < lines.size(); ++i) {
            if (lines[i].rfind("Line ", 0) != 0 || lines[i + 2].rfind("Voice", 0) != 0) continue;
            const std::string words = Field(lines[i], 42);
            const std::string wav = Field(lines[i + 2], 32);
            if (words.empty() || wav.rfind(kVoiceFolder, 0) != 0) continue;
            if (!set.Has(wav)) set.Add(wav, Voice(words, russian, false));
            if (!set.Has(WithSex(wav, 'M'))) set.Add(WithSex(wav, 'M'), Voice(words, russian, false));
            if (!set.Has(WithSex(wav, 'W'))) set.Add(WithSex(wav, 'W'), Voice(words, russian, true));
        }
    }
    return true;
}
