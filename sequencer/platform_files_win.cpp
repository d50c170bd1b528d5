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
    const DWORD code = GetLastError();
    char text[256] = {};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                        sizeof text, nullptr))
        wsprintfA(text, "errore %lu", code);
    reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
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
