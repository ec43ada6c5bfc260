// The path rules (which archive holds which file) and the archive writer.
// The reader of this format is CFileManager (src/files/file_manager.cpp).
#include "frame.h"

#include "files/file_manager.h"

#include <algorithm>
#include <cstring>

namespace datagen {

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return s;
}

std::string Extension(const std::string& path)
{
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return Lower(path.substr(dot + 1));
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct ExtensionRule {
    const char* ext;
    int kind;
};

// Each file goes into the archive of the kind its reader opens it with.
const ExtensionRule kRules[] = {
    {"obj", FILE_KIND_OBJECTS},        // description files
    {"pd", FILE_KIND_PRIVATE_DATA},    // private data, the language file, dialogs, mission texts
    {"dlg", FILE_KIND_PRIVATE_DATA},
    {"loc", FILE_KIND_LOCATIONS},      // location files
    {"msh", FILE_KIND_WORLD},          // meshes
    {"dat", FILE_KIND_WORLD},          // font tables, render techniques, MapPoints.dat
    {"dds", FILE_KIND_TEXTURES},
    {"bmp", FILE_KIND_TEXTURES},
    {"jpg", FILE_KIND_TEXTURES},
    {"jpeg", FILE_KIND_TEXTURES},
    {"png", FILE_KIND_TEXTURES},
    {"tga", FILE_KIND_TEXTURES},
    {"wav", FILE_KIND_SOUNDS},
    {"sgt", FILE_KIND_SOUNDS},
    {"mid", FILE_KIND_SOUNDS},
};

} // namespace

int ArchiveFor(const std::string& dataPath)
{
    // Only the Data/ tree is archived; Save/ and the like stay loose.
    if (dataPath.compare(0, 5, "Data/") != 0)
        return 0;
    std::string base = BaseName(dataPath);
    std::string ext = Extension(dataPath);
    if (ext == "hdr" || ext == "pak")
        return 0;   // the archives themselves
    // Item descriptions are read by the description loader beside their Main.obj.
    if (base.compare(0, 5, "Desc_") == 0 && ext == "pd")
        return FILE_KIND_OBJECTS;
    for (const ExtensionRule& r : kRules)
        if (ext == r.ext)
            return r.kind;
    return FILE_KIND_WORLD;
}

bool PackArchive(const std::vector<std::pair<std::string, const std::vector<uint8_t>*>>& files,
                 std::vector<uint8_t>& hdr, std::vector<uint8_t>& pak, std::string& error)
{
    hdr.clear();
    pak.clear();
    if (files.size() > FILE_ARCHIVE_MAX_ENTRIES) {
        error = "more than " + std::to_string(FILE_ARCHIVE_MAX_ENTRIES) + " files";
        return false;
    }
    auto put32 = [&hdr](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            hdr.push_back((uint8_t)(v >> (8 * i)));
    };
    for (const auto& [name, data] : files) {
        if (name.empty() || name.size() >= FILE_ARCHIVE_NAME_SIZE) {
            error = "name too long for the index: " + name;
            return false;
        }
        for (char c : name) {
            if ((uint8_t)c == FILE_ARCHIVE_SCRAMBLE || c == 0) {
                error = "name holds a byte the index cannot store: " + name;
                return false;
            }
        }
        if (pak.size() + data->size() > 0xFFFFFFFFull) {
            error = "archive larger than 4 GB";
            return false;
        }
        for (char c : name)
            hdr.push_back((uint8_t)((uint8_t)c + FILE_ARCHIVE_SCRAMBLE));
        hdr.push_back(0);
        put32((uint32_t)data->size());
        put32((uint32_t)pak.size());
        for (uint8_t b : *data)
            pak.push_back((uint8_t)(b + FILE_ARCHIVE_SCRAMBLE));
    }
    put32((uint32_t)files.size());
    return true;
}

bool BuildArchives(const DataSet& set, DataSet& archives, std::string& error)
{
    for (int kind = FILE_KIND_OBJECTS; kind <= FILE_KIND_SOUNDS; kind += 1000) {
        std::vector<std::pair<std::string, const std::vector<uint8_t>*>> files;
        for (const auto& [path, bytes] : set.files)
            if (ArchiveFor(path) == kind)
                files.push_back({path, &bytes});
        std::vector<uint8_t> hdr, pak;
        std::string name = CFileManager::ArchiveName(kind);
        if (!PackArchive(files, hdr, pak, error)) {
            error = "archive " + name + ": " + error;
            return false;
        }
        archives.Add("Data/" + name + ".hdr", std::move(hdr));
        archives.Add("Data/" + name + ".pak", std::move(pak));
    }
    return true;
}

} // namespace datagen
