// Registry routines of the autostart entry.
#include "mod_registry.h"

#include <windows.h>

#include <vector>

#include "com/win_handles.h"

namespace modRegistry {
namespace {

HKEY Radice(uint32_t radice) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(radice)); }

}  // namespace

void ScriviValore(uint32_t radice, const std::string& sottochiave, const std::string& nome, const std::string& testo) {
    com::RegKey k;
    if (RegCreateKeyA(Radice(radice), sottochiave.c_str(), k.Out()) != ERROR_SUCCESS) return;
    RegSetValueExA(k.Get(), nome.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(testo.data()),
                   static_cast<DWORD>(testo.size()));
}

void CancellaValore(uint32_t radice, const std::string& sottochiave, const std::string& nome) {
    com::RegKey k;
    if (RegCreateKeyA(Radice(radice), sottochiave.c_str(), k.Out()) != ERROR_SUCCESS) return;
    RegDeleteValueA(k.Get(), nome.c_str());
}

std::string LeggiValore(uint32_t radice, const std::string& sottochiave, const std::string& nome) {
    com::RegKey k;
    if (RegOpenKeyA(Radice(radice), sottochiave.c_str(), k.Out()) != ERROR_SUCCESS) return {};
    return LeggiStringa(reinterpret_cast<uintptr_t>(k.Get()), nome);
}

std::string LeggiStringa(uintptr_t chiave, const std::string& nome) {
    const HKEY key = reinterpret_cast<HKEY>(chiave);
    DWORD tipo = 0, size = 0;
    if (RegQueryValueExA(key, nome.c_str(), nullptr, &tipo, nullptr, &size) != ERROR_SUCCESS) return {};
    if (tipo != REG_SZ && tipo != REG_BINARY) return {};
    std::vector<BYTE> data(size + 1, 0);
    DWORD letti = size;
    if (RegQueryValueExA(key, nome.c_str(), nullptr, &tipo, data.data(), &letti) != ERROR_SUCCESS) return {};
    if (tipo == REG_SZ) {
        const char* testo = reinterpret_cast<const char*>(data.data());
        size_t n = 0;
        while (n < letti && testo[n] != '\0') ++n;
        return std::string(testo, n);
    }
    if (tipo == REG_BINARY) {
        // Room for two bytes only, as the value is read into a 16-bit integer.
        uint16_t v = 0;
        if (letti >= 1) v = data[0];
        if (letti >= 2) v |= static_cast<uint16_t>(data[1] << 8);
        return std::to_string(static_cast<int16_t>(v));
    }
    return {};
}

}  // namespace modRegistry
