// Windows file-system operations (ANSI paths, as the program file names are).
#include <windows.h>

#include <io.h>

#include "platform_files.h"

namespace quelmar {

bool FileEsiste(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA(path.c_str(), &data);
    if (found == INVALID_HANDLE_VALUE) return false;
    FindClose(found);
    return true;
}

bool SostituisciFile(const std::string& source, const std::string& target, std::string& reason) {
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // The system's own text is in the system's language: the causes a user
    // can act on are named here, the rest left out.
    switch (GetLastError()) {
        case ERROR_ACCESS_DENIED: reason = "accesso negato"; break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: reason = "il file \xE8 in uso da un altro programma"; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: reason = "disco pieno"; break;
        case ERROR_WRITE_PROTECT: reason = "disco protetto da scrittura"; break;
        case ERROR_PATH_NOT_FOUND: reason = "cartella inesistente"; break;
        default: reason.clear(); break;
    }
    return false;
}

bool ScriviSuDisco(std::FILE* file) { return _commit(_fileno(file)) == 0; }

std::string NomeTemporaneo(const std::string& path) {
    return path + ".~" + std::to_string(GetCurrentProcessId()) + ".tmp";
}

void RimuoviTemporaneiRimasti(const std::string& path) {
    const size_t barra = path.find_last_of("\\/:");
    const std::string cartella = barra == std::string::npos ? "" : path.substr(0, barra + 1);
    const std::string base = path.substr(cartella.size());
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA((path + ".~*.tmp").c_str(), &data);
    if (found == INVALID_HANDLE_VALUE) return;
    do {
        if (!NomeTemporaneoDi(base, data.cFileName)) continue;
        PrimaDiOperazioneFile("rimuovi");
        // A save still writing its file holds it open, and the removal fails.
        DeleteFileA((cartella + data.cFileName).c_str());
    } while (FindNextFileA(found, &data));
    FindClose(found);
}

}  // namespace quelmar
