// The few file-system operations that differ between Windows and POSIX.
#pragma once

#include <cstdio>
#include <string>

namespace quelmar {

// True when a search of the file system for that name yields an entry.
bool FileEsiste(const std::string& path);

// The cause of a failed file operation (an errno value) in the program's own
// language; empty for a cause it has no words for, which is then left out.
std::string CausaErrore(int err);

// Replaces `target` by `source` in one step (same folder). On failure returns
// false and a short reason in the program's language (empty when none);
// `target` is then unchanged.
bool SostituisciFile(const std::string& source, const std::string& target, std::string& reason);

// Forces the written data of an open stdio file to the disk.
bool ScriviSuDisco(std::FILE* file);

// A name for a temporary file in the same folder as `path`, unique to this process.
std::string NomeTemporaneo(const std::string& path);

// Removes the temporary files of `path` that earlier saves left behind when
// they were cut short, whichever process made them. On Windows a file that
// another save is still writing is held open and stays; elsewhere that save
// then fails to replace its target and keeps the old file.
void RimuoviTemporaneiRimasti(const std::string& path);

// True when `nome` is a temporary file of a save of the file named `base`
// ("base.~<process id>.tmp").
inline bool NomeTemporaneoDi(const std::string& base, const std::string& nome) {
    const std::string inizio = base + ".~", fine = ".tmp";
    if (nome.size() <= inizio.size() + fine.size() || nome.compare(0, inizio.size(), inizio) != 0 ||
        nome.compare(nome.size() - fine.size(), fine.size(), fine) != 0)
        return false;
    for (size_t i = inizio.size(); i < nome.size() - fine.size(); ++i)
        if (nome[i] < '0' || nome[i] > '9') return false;
    return true;
}

// Called with a short name before each file-system operation of a save, so a
// test can stop a process between any two of them. None in the program.
using OsservatoreFile = void (*)(const char* operazione);
inline OsservatoreFile& OsservatoreCorrente() {
    static OsservatoreFile osservatore = nullptr;
    return osservatore;
}
inline void ImpostaOsservatoreFile(OsservatoreFile osservatore) { OsservatoreCorrente() = osservatore; }
inline void PrimaDiOperazioneFile(const char* operazione) {
    if (OsservatoreCorrente()) OsservatoreCorrente()(operazione);
}

}  // namespace quelmar
