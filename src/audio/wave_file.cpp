#include "audio/wave_file.h"

#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"

namespace {

constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Get16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

}  // namespace

CWaveFile::CWaveFile() = default;

CWaveFile::~CWaveFile()
{
    Release();
}

void CWaveFile::FreeFormat()
{
    std::free(format);
    format = nullptr;
}

int CWaveFile::Open(const char* name)
{
    FreeFormat();
    Close(1);
    if (!name) return -1;
    uint32_t size = 0;
    int h = CFileManager::Open(name, FILE_KIND_SOUNDS, &size);
    if (h == -1) h = CFileManager::Open(name, FILE_KIND_PLAIN, &size);
    if (h == -1) return -1;
    // One spare byte so that an empty file still gets an array.
    image = static_cast<uint8_t*>(std::malloc(size_t(size) + 1));
    if (!image) {
        CFileManager::Close(h);
        return -1;
    }
    size_t got = size ? CFileManager::Read(image, 1, size, h) : 0;
    CFileManager::Close(h);
    if (got != size) {
        Close(1);
        return -1;
    }
    imageSize = size;
    int hr = OpenMemory(image, imageSize);
    if (hr == SND_OK) hr = ResetFile();
    if (hr != SND_OK) {
        Close(1);
        return hr;
    }
    if (dataChunk.missing)
        DebugOutF("Sound %s: data chunk cut short, %u of its bytes missing", name, dataChunk.missing);
    open = 1;
    return SND_OK;
}

int CWaveFile::OpenMemory(const uint8_t* data, uint32_t size)
{
    if (!data) return SND_FAIL;
    handle = data;
    handleSize = size;
    readPos = 0;
    int hr = ReadMMIO();
    if (hr != SND_OK) {
        handle = nullptr;
        handleSize = 0;
    }
    return hr;
}

bool CWaveFile::FindChunk(uint32_t id, uint32_t begin, uint32_t end, RiffChunkInfo* out) const
{
    uint32_t pos = begin;
    uint32_t missing = 0;
    while (pos < end && end - pos >= 8) {
        uint32_t ckId = Get32(handle + pos);
        uint32_t ckSize = Get32(handle + pos + 4);
        uint32_t body = pos + 8;
        if (ckId == id && id == RiffId('d', 'a', 't', 'a') && ckSize > end - body) {
            // A cut file, or one written to a pipe, claims more samples than it holds: what
            // is there is played.
            missing = ckSize - (end - body);
            ckSize = end - body;
        }
        // A chunk must fit inside its parent (which fits inside the image).
        if (ckSize > end - body) return false;
        if (ckId == id) {
            out->id = ckId;
            out->size = ckSize;
            out->type = 0;
            out->dataOffset = body;
            out->missing = missing;
            return true;
        }
        uint32_t next = body + ckSize;
        if (ckSize & 1) {
            // Chunks are word-aligned: an odd-sized chunk has a pad byte after it.
            if (next >= end) return false;
            ++next;
        }
        pos = next;
    }
    return false;
}

int CWaveFile::ReadMMIO()
{
    FreeFormat();
    if (!handle || handleSize < 12) return SND_FAIL;
    if (Get32(handle) != RiffId('R', 'I', 'F', 'F') || Get32(handle + 8) != RiffId('W', 'A', 'V', 'E')) return SND_FAIL;
    riffChunk.id = RiffId('R', 'I', 'F', 'F');
    riffChunk.type = RiffId('W', 'A', 'V', 'E');
    riffChunk.dataOffset = 8;
    // Writers that stop early leave a RIFF size past the end: the image bounds it.
    riffChunk.size = Get32(handle + 4);
    if (riffChunk.size > handleSize - 8) riffChunk.size = handleSize - 8;
    if (riffChunk.size < 4) return SND_FAIL;
    uint32_t end = riffChunk.dataOffset + riffChunk.size;

    RiffChunkInfo fmt;
    if (!FindChunk(RiffId('f', 'm', 't', ' '), riffChunk.dataOffset + 4, end, &fmt)) return SND_FAIL;
    if (fmt.size < 16) return SND_FAIL;
    const uint8_t* p = handle + fmt.dataOffset;
    uint16_t tag = Get16(p);
    uint16_t extra = 0;
    if (tag != WAVE_FORMAT_PCM) {
        if (fmt.size < 18) return SND_FAIL;
        extra = Get16(p + 16);
        if (extra > fmt.size - 18) return SND_FAIL;  // short read of the extra bytes
    }
    // The extensible header with the PCM sub-format is plain PCM in a longer coat: what
    // recent tools write for 16-bit files. Its channel mask and valid bits add nothing here.
    static const uint8_t kPcmSubFormat[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    if (tag == kWaveFormatExtensible && extra >= 22 && std::memcmp(p + 18 + 6, kPcmSubFormat, 16) == 0 &&
        Get16(p + 18) == Get16(p + 14)) {
        tag = WAVE_FORMAT_PCM;
        extra = 0;
    }
    format = static_cast<WaveFormatEx*>(std::calloc(1, sizeof(WaveFormatEx) + extra));
    if (!format) return SND_FAIL;
    std::memcpy(format, p, 16);
    format->formatTag = tag;
    format->extraSize = extra;
    if (extra) std::memcpy(reinterpret_cast<uint8_t*>(format) + sizeof(WaveFormatEx), p + 18, extra);
    return SND_OK;
}

int CWaveFile::ResetFile()
{
    if (!handle) return SND_FAIL;
    uint32_t end = riffChunk.dataOffset + riffChunk.size;
    RiffChunkInfo data;
    if (!FindChunk(RiffId('d', 'a', 't', 'a'), riffChunk.dataOffset + 4, end, &data)) return SND_FAIL;
    // A cut data chunk ends on a whole sample frame.
    if (format && format->blockAlign > 1) data.size -= data.size % format->blockAlign;
    // An empty data chunk would make an empty buffer.
    if (data.size == 0) return SND_FAIL;
    dataChunk = data;
    readPos = data.dataOffset;
    return SND_OK;
}

int CWaveFile::ReadData(uint32_t wanted, uint8_t* dest, uint32_t* read)
{
    if (read) *read = 0;
    if (!handle || !dest || !read) return SND_FAIL;
    uint32_t n = wanted < dataChunk.size ? wanted : dataChunk.size;
    if (n) {
        if (readPos > handleSize || n > handleSize - readPos) return SND_FAIL;
        std::memcpy(dest, handle + readPos, n);
        readPos += n;
        dataChunk.size -= n;
    }
    *read = n;
    return SND_OK;
}

void CWaveFile::Close(int freeImage)
{
    handle = nullptr;
    handleSize = 0;
    readPos = 0;
    open = 0;
    if (freeImage) {
        std::free(image);
        image = nullptr;
        imageSize = 0;
    }
}

void CWaveFile::Release()
{
    Close(1);
    FreeFormat();
}
