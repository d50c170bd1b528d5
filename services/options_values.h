// The rules of the options window that need no platform: the keys the custom
// address box accepts, the reading of its text, and the autostart command
// built from the program's path and read back. Portable: no platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quelmar {

// The address box holds at most this many hexadecimal digits (16 bits).
constexpr size_t kCifreIndirizzo = 4;

// A key typed into the address box: the digits, A to F and Backspace pass,
// a to f pass as A to F; 0 means the key is discarded.
char TastoIndirizzo(char tasto);

// Pasted text as the box takes it: its hexadecimal digits, upper case, at most `spazio` of them.
std::string IncollaIndirizzo(const std::string& testo, size_t spazio);

// The address box's text read as hexadecimal up to the first character that is
// not a hex digit (an empty text gives 0), as a 16-bit pattern (DC00 -> -9216).
// Empty when the digits do not fit 16 bits.
std::optional<int16_t> IndirizzoDaTesto(const std::string& testo);

// The program's folder as the platform reports it for a module path: without
// a final "\" except for the root folder of a drive ("C:\Tools", "C:\").
std::string CartellaProgramma(const std::string& percorsoModulo);

// The autostart command: the program's folder, "\", the executable's name
// without its extension and ".EXE" (C:\Tools\Quelmar.exe -> C:\Tools\Quelmar.EXE;
// a program in a drive's root gives C:\\Quelmar.EXE, which the platform accepts).
std::string PercorsoAutostart(const std::string& percorsoModulo);

// The autostart entry as it is written: the path of PercorsoAutostart in
// quotation marks, so that the platform takes the whole path as the program
// even where a folder name holds a blank (unquoted, C:\Program Files\...
// would first be tried as C:\Program.exe).
std::string AutostartCommand(const std::string& percorsoModulo);

// The program a stored autostart entry names: the text inside the quotation
// marks when it starts with one (up to the closing one, or to the end when
// that is missing), else the whole text as earlier versions stored it, bare;
// blanks around the entry are dropped.
std::string AutostartProgram(const std::string& storedCommand);

// Whether a stored autostart entry (empty when absent) makes the program start with the system.
bool AutostartOn(const std::string& storedCommand);

// The stored "Option"/"Preciso": on only for "1"; "0", absent and anything else are off.
bool PrecisoDaTesto(const std::string& valore);

}  // namespace quelmar
