// The one WAV writer of the data build: 16-bit PCM in a plain RIFF image.
#pragma once
#include <cstdint>
#include <vector>

namespace datagen {

inline std::vector<uint8_t> PcmWav16(const std::vector<int16_t>& pcm, int channels, int rate)
{
    auto put16 = [](std::vector<uint8_t>& v, uint32_t x) {
        v.push_back(uint8_t(x));
        v.push_back(uint8_t(x >> 8));
    };
    auto put32 = [&](std::vector<uint8_t>& v, uint32_t x) {
        put16(v, x & 0xFFFF);
        put16(v, x >> 16);
    };
    uint32_t dataBytes = uint32_t(pcm.size() * 2);
    std::vector<uint8_t> v;
    v.reserve(44 + dataBytes);
    for (char c : {'R', 'I', 'F', 'F'}) v.push_back(uint8_t(c));
    put32(v, 36 + dataBytes);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) v.push_back(uint8_t(c));
    put32(v, 16);
    put16(v, 1);
    put16(v, uint32_t(channels));
    put32(v, uint32_t(rate));
    put32(v, uint32_t(rate * channels * 2));
    put16(v, uint32_t(channels * 2));
    put16(v, 16);
    for (char c : {'d', 'a', 't', 'a'}) v.push_back(uint8_t(c));
    put32(v, dataBytes);
    for (int16_t s : pcm) put16(v, uint16_t(s));
    return v;
}

}  // namespace datagen
