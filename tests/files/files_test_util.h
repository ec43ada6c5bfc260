// Shared fixture of the file-manager tests: a fresh current directory per test.
#pragma once

#include "app/settings.h"
#include "files/file_manager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = g_Settings;
        g_Settings.debugOut = 0;
        old_ = std::filesystem::current_path();
        char tmpl[] = "/tmp/korvane-files-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::filesystem::current_path(dir_);
        std::filesystem::create_directory("Data");
    }
    void TearDown() override
    {
        CFileManager::Release();
        g_Settings = saved_;
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }

    static void WriteFile(const std::string& path, const std::string& bytes)
    {
        std::filesystem::path p(path);
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Writes Data/<Name>.hdr and .pak for the kind in the archive layout.
    static void WriteArchive(int kind, const std::vector<std::pair<std::string, std::string>>& files)
    {
        std::string hdr, pak;
        auto put32 = [&hdr](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                hdr += (char)(uint8_t)(v >> (8 * i));
        };
        for (const auto& [name, data] : files) {
            for (char c : name)
                hdr += (char)(uint8_t)((uint8_t)c + 128);
            hdr += '\0';
            put32((uint32_t)data.size());
            put32((uint32_t)pak.size());
            for (char c : data)
                pak += (char)(uint8_t)((uint8_t)c + 128);
        }
        put32((uint32_t)files.size());
        std::string base = std::string("Data/") + CFileManager::ArchiveName(kind);
        WriteFile(base + ".hdr", hdr);
        WriteFile(base + ".pak", pak);
    }

    // Starts the manager in archive mode (1) or loose mode (0).
    static void Start(int useFileManager)
    {
        g_Settings.useFileManager = useFileManager;
        CFileManager::Init();
        CFileManager::FlushLog();
    }

    static std::vector<std::string> Lines(int handle, int maxLength, int count)
    {
        std::vector<std::string> out;
        std::vector<char> buf(maxLength + 8, 'x');
        for (int i = 0; i < count; ++i) {
            CFileManager::ReadLine(buf.data(), maxLength, handle);
            out.push_back(buf.data());
        }
        return out;
    }

    GameSettings saved_;
    std::filesystem::path old_;
    std::string dir_;
};
