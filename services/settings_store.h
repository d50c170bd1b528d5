// Quelmar's settings between runs: text values addressed by application
// "QUELMAR", section and key, in the per-user store that Windows programs of
// this kind keep under HKEY_CURRENT_USER, with the program's defaults.
#pragma once

#include <cstdint>
#include <string>

namespace Impostazioni {

constexpr char kApplicazione[] = "QUELMAR";
// The per-user store's root for every application's settings.
constexpr char kRadice[] = "Software\\VB and VBA Program Settings";

// Every key the program keeps, with its section and default.
struct Chiave {
    const char* Sezione;
    const char* Nome;
    const char* Difetto;
};
constexpr Chiave kFileStartNome{"FileStart", "Nome", ""};
constexpr Chiave kOptionMin{"Option", "Min", "1"};
constexpr Chiave kOptionPreciso{"Option", "Preciso", "0"};
// No address stored means none chosen yet (0, which no write goes to); the
// options window then proposes the standard 0378.
constexpr Chiave kPortaIndirizzo{"PortaParallela", "Indirizzo", "0"};
constexpr Chiave kPortaIndice{"PortaParallela", "Indice", "1"};

// The stored text, or `difetto` when the value (or its section) is absent.
std::string Leggi(const std::string& sezione, const std::string& chiave, const std::string& difetto);
std::string Leggi(const Chiave& c);

// A stored value read as a signed 16-bit integer; absent or not a number gives the default.
int16_t LeggiIntero(const Chiave& c);

// Stores a text value, creating the section when needed. False when the store refused it.
bool Scrivi(const std::string& sezione, const std::string& chiave, const std::string& valore);

}  // namespace Impostazioni
