// WAV reader: the whole file is read into memory (sound archive first, then a loose file)
// and its RIFF chunks are walked there.
#pragma once
#include <cstdint>

#include "platform/snd/sound_device.h"

// One chunk of the RIFF tree: id, size of its data, form type (RIFF only) and where its data starts.
struct RiffChunkInfo {
    uint32_t id = 0;
    uint32_t size = 0;
    uint32_t type = 0;
    uint32_t dataOffset = 0;
    uint32_t missing = 0;  // bytes a cut data chunk claims beyond the image
};

class CWaveFile {
public:
    CWaveFile();
    ~CWaveFile();
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    int Open(const char* name);
    // Reads the header of an image the caller keeps alive while the reader uses it.
    int OpenMemory(const uint8_t* image, uint32_t size);
    int ReadMMIO();
    int ResetFile();
    int Rewind() { return ResetFile(); }
    int ReadData(uint32_t wanted, uint8_t* dest, uint32_t* read);
    int Read(uint32_t wanted, uint8_t* dest, uint32_t* read) { return ReadData(wanted, dest, read); }
    void Close(int freeImage);
    void Release();

    WaveFormatEx* GetFormat() const { return format; }
    // Sample bytes not yet read (all of them after ResetFile).
    uint32_t GetSize() const { return dataChunk.size; }

    WaveFormatEx* format = nullptr;  // 18 + extra bytes
    const uint8_t* handle = nullptr;   // the image being walked; null when closed
    uint32_t handleSize = 0;
    uint32_t readPos = 0;
    RiffChunkInfo dataChunk;
    RiffChunkInfo riffChunk;
    int open = 0;
    uint8_t* image = nullptr;
    uint32_t imageSize = 0;

private:
    // Finds a chunk by id among the children of [begin, end); false when absent or malformed.
    bool FindChunk(uint32_t id, uint32_t begin, uint32_t end, RiffChunkInfo* out) const;
    void FreeFormat();
};

// Chunk ids as they appear in the file.
constexpr uint32_t RiffId(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
