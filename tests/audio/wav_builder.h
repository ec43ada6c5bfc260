// Builds WAV images in memory for the audio tests.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace wavtest {

inline void Put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// A chunk: id, size, body and the pad byte of an odd body.
inline std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body, bool pad = true)
{
    std::vector<uint8_t> v(id, id + 4);
    Put32(v, uint32_t(body.size()));
    v.insert(v.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) v.push_back(0);
    return v;
}

inline std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    std::vector<uint8_t> v;
    Put16(v, tag);
    Put16(v, channels);
    Put32(v, rate);
    Put32(v, rate * channels * bits / 8);
    Put16(v, uint16_t(channels * bits / 8));
    Put16(v, bits);
    return v;
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks)
{
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

// 16-bit samples of a sine.
inline std::vector<uint8_t> Sine(unsigned frames, unsigned channels, double hz, unsigned rate = 22050, double amp = 16000)
{
    std::vector<uint8_t> v;
    for (unsigned i = 0; i < frames; ++i)
        for (unsigned c = 0; c < channels; ++c)
            Put16(v, uint16_t(int16_t(amp * std::sin(2 * M_PI * hz * i / rate))));
    return v;
}

inline std::vector<uint8_t> PcmWav(unsigned frames, unsigned channels = 1, double hz = 441)
{
    return Riff({Chunk("fmt ", Fmt(1, uint16_t(channels), 22050, 16)), Chunk("data", Sine(frames, channels, hz))});
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace wavtest
