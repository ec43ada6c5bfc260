// datagen's own frame: source reading, text conversion, path rules, packing, checks.
#pragma once

#include "datagen.h"

#include <string>
#include <vector>

namespace datagen {

// True when a source file with this path is text (converted UTF-8 -> CP1251).
bool IsTextSource(const std::string& dataPath);
// Reads every file under sourceDir into the set (text converted). False on errors.
bool LoadSources(const std::string& sourceDir, DataSet& set);

// Archive kind (1000 ... 6000) a game path is packed into, or 0 for loose only.
int ArchiveFor(const std::string& dataPath);
// Builds the .hdr and .pak bytes of one archive from (name, data) pairs.
bool PackArchive(const std::vector<std::pair<std::string, const std::vector<uint8_t>*>>& files,
                 std::vector<uint8_t>& hdr, std::vector<uint8_t>& pak, std::string& error);

// Language.pd limits; every fault is appended to errors (empty = fine).
void CheckLanguageSource(const std::string& cp1251, std::vector<std::string>& errors);

// Writes a file unless it already holds exactly these bytes. Creates folders.
// Returns false on I/O failure; *written tells whether it was rewritten.
bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes, bool* written);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Adds the archives of the set's files as Data/<Name>.hdr/.pak to `archives`.
bool BuildArchives(const DataSet& set, DataSet& archives, std::string& error);

// Runs every check against gameDir. Returns the number of missing things.
int RunChecks(const std::string& gameDir, const DataSet& expected);

} // namespace datagen
