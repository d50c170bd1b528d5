// The settings store on the Windows registry.
#include "settings_store.h"

#include <windows.h>

#include <vector>

#include "com/win_handles.h"

#include "services/setting_values.h"

namespace Impostazioni {
namespace {

std::string ChiaveSezione(const std::string& sezione) {
    return std::string(kRadice) + "\\" + kApplicazione + "\\" + sezione;
}

}  // namespace

std::string Leggi(const std::string& sezione, const std::string& chiave, const std::string& difetto) {
    com::RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ChiaveSezione(sezione).c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return difetto;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.Get(), chiave.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return difetto;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key.Get(), chiave.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return difetto;
    // The text ends at the first NUL, stored or not.
    return std::string(data.data());
}

std::string Leggi(const Chiave& c) { return Leggi(c.Sezione, c.Nome, c.Difetto); }

int16_t LeggiIntero(const Chiave& c) {
    const int16_t difetto = quelmar::InteroDaTesto(c.Difetto, 0);
    return quelmar::InteroDaTesto(Leggi(c), difetto);
}

bool Scrivi(const std::string& sezione, const std::string& chiave, const std::string& valore) {
    com::RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ChiaveSezione(sezione).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.Get(), chiave.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(valore.c_str()),
                          static_cast<DWORD>(valore.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace Impostazioni
