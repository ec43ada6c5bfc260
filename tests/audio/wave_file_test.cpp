// The WAV reader over memory images and loose files.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "audio/wave_file.h"
#include "files/file_manager.h"
#include "wav_builder.h"

using namespace wavtest;

namespace {

std::vector<uint8_t> ReadAll(CWaveFile& w)
{
    std::vector<uint8_t> out(w.GetSize());
    uint32_t got = 0;
    EXPECT_EQ(w.ReadData((uint32_t)out.size(), out.data(), &got), SND_OK);
    out.resize(got);
    return out;
}

int OpenImage(CWaveFile& w, const std::vector<uint8_t>& img)
{
    int hr = w.OpenMemory(img.data(), (uint32_t)img.size());
    return hr == SND_OK ? w.ResetFile() : hr;
}

TEST(WaveFile, ReadsFormatAndData)
{
    auto samples = Sine(100, 1, 441);
    auto img = Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", samples)});
    CWaveFile w;
    ASSERT_EQ(OpenImage(w, img), SND_OK);
    EXPECT_EQ(w.GetFormat()->formatTag, 1);
    EXPECT_EQ(w.GetFormat()->channels, 1);
    EXPECT_EQ(w.GetFormat()->samplesPerSec, 22050u);
    EXPECT_EQ(w.GetFormat()->extraSize, 0);
    EXPECT_EQ(w.GetSize(), 200u);
    EXPECT_EQ(ReadAll(w), samples);
    // Reads stop at the end of the data; a rewind starts again.
    uint8_t b[4];
    uint32_t got = 9;
    EXPECT_EQ(w.ReadData(4, b, &got), SND_OK);
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(w.Rewind(), SND_OK);
    EXPECT_EQ(ReadAll(w), samples);
}

TEST(WaveFile, FindsChunksInAnyOrderAndSkipsPadBytes)
{
    auto samples = Sine(50, 1, 300);
    std::vector<uint8_t> odd = {1, 2, 3, 4, 5};  // odd size: a pad byte follows
    auto img = Riff({Chunk("data", samples), Chunk("LIST", odd), Chunk("fact", {9, 9, 9, 9}), Chunk("fmt ", Fmt(1, 1, 22050, 16))});
    CWaveFile w;
    ASSERT_EQ(OpenImage(w, img), SND_OK);
    EXPECT_EQ(ReadAll(w), samples);

    auto img2 = Riff({Chunk("fmt ", Fmt(1, 2, 11025, 16)), Chunk("junk", odd), Chunk("data", samples)});
    CWaveFile w2;
    ASSERT_EQ(OpenImage(w2, img2), SND_OK);
    EXPECT_EQ(w2.GetFormat()->channels, 2);
    EXPECT_EQ(ReadAll(w2), samples);
}

TEST(WaveFile, OddChunkWithoutPadIsNotWalkedPast)
{
    // A writer that forgot the pad byte: the data behind it is not found at the wrong offset.
    auto samples = Sine(10, 1, 300);
    auto img = Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("LIST", {1, 2, 3}, false), Chunk("data", samples)});
    CWaveFile w;
    EXPECT_NE(OpenImage(w, img), SND_OK);
}

TEST(WaveFile, RefusesBrokenHeaders)
{
    auto samples = Sine(10, 1, 300);
    CWaveFile w;
    // fmt of 15 bytes.
    auto shortFmt = Fmt(1, 1, 22050, 16);
    shortFmt.pop_back();
    EXPECT_NE(OpenImage(w, Riff({Chunk("fmt ", shortFmt), Chunk("data", samples)})), SND_OK);
    // No fmt, no data, not WAVE, not RIFF, empty image.
    EXPECT_NE(OpenImage(w, Riff({Chunk("data", samples)})), SND_OK);
    EXPECT_NE(OpenImage(w, Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16))})), SND_OK);
    auto notWave = Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", samples)});
    notWave[8] = 'X';
    EXPECT_NE(OpenImage(w, notWave), SND_OK);
    auto notRiff = Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", samples)});
    notRiff[0] = 'r';
    EXPECT_NE(OpenImage(w, notRiff), SND_OK);
    std::vector<uint8_t> empty;
    EXPECT_NE(w.OpenMemory(empty.data() ? empty.data() : reinterpret_cast<const uint8_t*>(""), 0), SND_OK);
    // A zero-length data chunk.
    EXPECT_NE(OpenImage(w, Riff({Chunk("fmt ", Fmt(1, 1, 22050, 16)), Chunk("data", {})})), SND_OK);
}

TEST(WaveFile, CutFilesPlayWhatTheyHoldAndNeverReadPastTheImage)
{
    // A cut inside the samples keeps the whole sample frames before it; a cut header or an
    // empty data chunk is refused.
    auto img = PcmWav(1000);
    const struct {
        size_t cut;
        uint32_t size;   // 0: refused
    } cases[] = {{img.size() - 1, 1998}, {img.size() - 500, 1500}, {50, 6}, {44, 0}, {40, 0}, {20, 0}, {12, 0}, {3, 0}};
    for (const auto& c : cases) {
        std::vector<uint8_t> part(img.begin(), img.begin() + c.cut);
        CWaveFile w;
        const int hr = OpenImage(w, part);
        EXPECT_EQ(hr == SND_OK, c.size != 0) << c.cut;
        if (hr == SND_OK) {
            EXPECT_EQ(w.GetSize(), c.size) << c.cut;
        }
    }
    // A chunk size near 4 GB must not wrap the bounds check.
    auto big = PcmWav(10);
    big[16] = 0xF0;
    big[17] = big[18] = big[19] = 0xFF;
    CWaveFile w;
    EXPECT_NE(OpenImage(w, big), SND_OK);
    // A data chunk that claims nearly 4 GB (as written to a pipe) holds what is there.
    auto bigData = PcmWav(10);
    bigData[40] = 0xFE;
    bigData[41] = bigData[42] = bigData[43] = 0xFF;
    ASSERT_EQ(OpenImage(w, bigData), SND_OK);
    EXPECT_EQ(w.GetSize(), 20u);
}

TEST(WaveFile, RiffSizePastTheImageIsBoundedByTheImage)
{
    auto img = PcmWav(100);
    img[4] = 0xFF;
    img[5] = 0xFF;
    img[6] = 0xFF;
    img[7] = 0x7F;
    CWaveFile w;
    ASSERT_EQ(OpenImage(w, img), SND_OK);
    EXPECT_EQ(w.GetSize(), 200u);
}

TEST(WaveFile, NonPcmKeepsItsExtraBytes)
{
    auto fmt = Fmt(2, 1, 22050, 4);
    Put16(fmt, 4);
    fmt.insert(fmt.end(), {0xA, 0xB, 0xC, 0xD});
    auto img = Riff({Chunk("fmt ", fmt), Chunk("data", {1, 2, 3, 4})});
    CWaveFile w;
    ASSERT_EQ(OpenImage(w, img), SND_OK);
    ASSERT_EQ(w.GetFormat()->extraSize, 4);
    const uint8_t* extra = reinterpret_cast<const uint8_t*>(w.GetFormat()) + sizeof(WaveFormatEx);
    EXPECT_EQ(extra[0], 0xA);
    EXPECT_EQ(extra[3], 0xD);
    // Extra size larger than the chunk is a short read.
    auto bad = Fmt(2, 1, 22050, 4);
    Put16(bad, 40);
    CWaveFile w2;
    EXPECT_NE(OpenImage(w2, Riff({Chunk("fmt ", bad), Chunk("data", {1, 2})})), SND_OK);
}

TEST(WaveFile, OpensALooseFileWithoutArchives)
{
    auto dir = std::filesystem::temp_directory_path() / ("korvane-wav-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ASSERT_TRUE(WriteFile("Data/Sounds/Test.wav", PcmWav(300)));
    CWaveFile w;
    EXPECT_EQ(w.Open("Data/Sounds/Test.wav"), SND_OK);
    EXPECT_EQ(w.open, 1);
    EXPECT_EQ(w.GetSize(), 600u);
    EXPECT_EQ(w.Open("Data/Sounds/Missing.wav"), -1);
    EXPECT_EQ(w.GetFormat(), nullptr);
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}

// Writes Data/<archive>.hdr and .pak of the sound kind: names and bytes shifted by 128.
void WriteSoundArchive(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files)
{
    std::vector<uint8_t> hdr, pak;
    for (const auto& [name, data] : files) {
        for (char c : name) hdr.push_back(uint8_t(uint8_t(c) + 128));
        hdr.push_back(0);
        Put32(hdr, uint32_t(data.size()));
        Put32(hdr, uint32_t(pak.size()));
        for (uint8_t b : data) pak.push_back(uint8_t(b + 128));
    }
    Put32(hdr, uint32_t(files.size()));
    std::string base = std::string("Data/") + CFileManager::ArchiveName(FILE_KIND_SOUNDS);
    ASSERT_TRUE(WriteFile(base + ".hdr", hdr));
    ASSERT_TRUE(WriteFile(base + ".pak", pak));
}

TEST(WaveFile, TheSoundArchiveComesBeforeALooseFile)
{
    auto dir = std::filesystem::temp_directory_path() / ("korvane-wavpak-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    int savedUse = g_Settings.useFileManager;
    ASSERT_TRUE(WriteFile("Data/Sounds/Both.wav", PcmWav(300)));
    ASSERT_TRUE(WriteFile("Data/Sounds/Loose.wav", PcmWav(50)));
    WriteSoundArchive({{"Data/Sounds/Both.wav", PcmWav(100)}});
    g_Settings.useFileManager = 1;
    CFileManager::Init();
    CWaveFile w;
    EXPECT_EQ(w.Open("Data/Sounds/Both.wav"), SND_OK);
    EXPECT_EQ(w.GetSize(), 200u);  // the archived one
    EXPECT_EQ(ReadAll(w), Sine(100, 1, 441));
    CWaveFile loose;
    EXPECT_EQ(loose.Open("Data/Sounds/Loose.wav"), SND_OK);
    EXPECT_EQ(loose.GetSize(), 100u);
    CFileManager::Release();
    g_Settings.useFileManager = savedUse;
    CFileManager::Init();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}

}  // namespace
