// The few file-system operations that differ between Windows and POSIX.
#pragma once

#include <cstdio>
#include <string>

namespace quelmar {

// True when a search of the file system for that name yields an entry.
bool FileEsiste(const std::string& path);

// Replaces `target` by `source` in one step (same folder). On failure returns
// false and a short reason; `target` is then unchanged.
bool SostituisciFile(const std::string& source, const std::string& target, std::string& reason);

// Forces the written data of an open stdio file to the disk.
bool ScriviSuDisco(std::FILE* file);

// A name for a temporary file in the same folder as `path`, unique to this process.
std::string NomeTemporaneo(const std::string& path);

}  // namespace quelmar
