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
        reason = CausaErrore(errno);
        return false;
    }
    return true;
}

bool ScriviSuDisco(std::FILE* file) { return ::fsync(::fileno(file)) == 0; }

std::string NomeTemporaneo(const std::string& path) {
    return path + ".~" + std::to_string(::getpid()) + ".tmp";
}

void RimuoviTemporaneiRimasti(const std::string& path) {
    const size_t barra = path.find_last_of('/');
    const std::string cartella = barra == std::string::npos ? "" : path.substr(0, barra + 1);
    const std::string base = path.substr(cartella.size());
    DIR* dir = ::opendir(cartella.empty() ? "." : cartella.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        if (!NomeTemporaneoDi(base, e->d_name)) continue;
        PrimaDiOperazioneFile("rimuovi");
        ::unlink((cartella + e->d_name).c_str());
    }
    ::closedir(dir);
}

}  // namespace quelmar
