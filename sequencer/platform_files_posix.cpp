// POSIX file-system operations for the native build.
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform_files.h"

namespace quelmar {

bool FileEsiste(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool SostituisciFile(const std::string& source, const std::string& target, std::string& reason) {
    if (::rename(source.c_str(), target.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool ScriviSuDisco(std::FILE* file) { return ::fsync(::fileno(file)) == 0; }

std::string NomeTemporaneo(const std::string& path) {
    return path + ".~" + std::to_string(::getpid()) + ".tmp";
}

}  // namespace quelmar
