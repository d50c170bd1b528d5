// Options window rules.
#include "options_values.h"

namespace quelmar {
namespace {

int CifraEsadecimale(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

size_t FineCartella(const std::string& percorso) {
    const size_t barra = percorso.find_last_of("\\/");
    return barra == std::string::npos ? 0 : barra;
}

}  // namespace

char TastoIndirizzo(char tasto) {
    if (tasto == '\b' || (tasto >= '0' && tasto <= '9') || (tasto >= 'A' && tasto <= 'F')) return tasto;
    if (tasto >= 'a' && tasto <= 'f') return static_cast<char>(tasto - 'a' + 'A');
    return 0;
}

std::string IncollaIndirizzo(const std::string& testo, size_t spazio) {
    std::string cifre;
    for (char c : testo) {
        if (cifre.size() >= spazio) break;
        const char t = TastoIndirizzo(c);
        if (t != 0 && t != '\b') cifre += t;
    }
    return cifre;
}

std::optional<int16_t> IndirizzoDaTesto(const std::string& testo) {
    uint32_t v = 0;
    for (char c : testo) {
        const int d = CifraEsadecimale(c);
        if (d < 0) break;
        v = v * 16 + static_cast<uint32_t>(d);
        if (v > 0xFFFF) return std::nullopt;
    }
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

std::string CartellaProgramma(const std::string& percorsoModulo) {
    const size_t fine = FineCartella(percorsoModulo);
    std::string cartella = percorsoModulo.substr(0, fine);
    // "C:" alone is the drive's current folder, not its root.
    if (cartella.size() == 2 && cartella[1] == ':') cartella += '\\';
    return cartella;
}

std::string PercorsoAutostart(const std::string& percorsoModulo) {
    const size_t barra = percorsoModulo.find_last_of("\\/");
    std::string nome = barra == std::string::npos ? percorsoModulo : percorsoModulo.substr(barra + 1);
    const size_t punto = nome.find_last_of('.');
    if (punto != std::string::npos) nome.erase(punto);
    return CartellaProgramma(percorsoModulo) + "\\" + nome + ".EXE";
}

std::string AutostartCommand(const std::string& percorsoModulo) {
    return '"' + PercorsoAutostart(percorsoModulo) + '"';
}

std::string AutostartProgram(const std::string& storedCommand) {
    const size_t first = storedCommand.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = storedCommand.find_last_not_of(" \t");
    if (storedCommand[first] != '"') return storedCommand.substr(first, last - first + 1);
    const size_t close = storedCommand.find('"', first + 1);
    return storedCommand.substr(first + 1, (close == std::string::npos ? last + 1 : close) - first - 1);
}

bool AutostartOn(const std::string& storedCommand) { return !AutostartProgram(storedCommand).empty(); }

bool PrecisoDaTesto(const std::string& valore) { return valore == "1"; }

}  // namespace quelmar
