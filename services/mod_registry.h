// modRegistry: the program's autostart entry in the system registry. Each
// routine takes its root as a 32-bit key handle value (HKEY_CURRENT_USER is
// 0x80000001); none reports success or failure.
#pragma once

#include <cstdint>
#include <string>

namespace modRegistry {

constexpr uint32_t kHKeyCurrentUser = 0x80000001u;
constexpr char kChiaveRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kNomeAutostart[] = "QUELMAR";

// Creates the key when missing and stores `testo` as REG_SZ (without terminator).
void ScriviValore(uint32_t radice, const std::string& sottochiave, const std::string& nome, const std::string& testo);

// Creates the key when missing and deletes the value.
void CancellaValore(uint32_t radice, const std::string& sottochiave, const std::string& nome);

// The value's text (LeggiStringa); empty when the key or the value is absent.
std::string LeggiValore(uint32_t radice, const std::string& sottochiave, const std::string& nome);

// A REG_SZ value up to its first NUL (the whole data when it has none), a
// REG_BINARY value's first two bytes as a signed 16-bit decimal; empty for
// any other type and on any failure. `chiave` is an open key handle value.
std::string LeggiStringa(uintptr_t chiave, const std::string& nome);

}  // namespace modRegistry
