// The ".prl" program file: the byte layout, its reader and writer, and the
// safe whole-file read and save. Portable: no platform headers.
//
// Layout (little-endian, no padding): the header (description, the eight bit
// descriptions, port index, number of steps, loop flag, display flag), then
// always 2048 step entries (enabled flag, byte, duration, description).
// Strings are a 16-bit length and that many Windows-1252 bytes; Booleans are
// 16-bit, written 0 or 0xFFFF, read true when nonzero.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "step_program.h"

namespace quelmar {

constexpr size_t kEmptyProgramFileSize = 26 + kMaxSteps * 9;  // 18458
// Every description at its longest (65535 characters).
constexpr size_t kLargestProgramFileSize = kEmptyProgramFileSize + (9 + kMaxSteps) * size_t{0xFFFF};

// A whole program as the file carries it.
struct ProgramImage {
    TestataRec Testata;
    StepTable Steps;
};

// The outcome of a read or write: empty Error on success.
struct FileResult {
    std::string Error;  // Windows-1252 text for the user, naming what is wrong
    bool Ok() const { return Error.empty(); }
};

// Serialises the header and all 2048 steps. Testata.NumSteps is written as it
// stands. Fails (and yields nothing) when a text exceeds 65535 bytes.
FileResult CodificaProgramma(const ProgramImage& program, std::vector<uint8_t>& bytes);

// Parses a whole file image into `program`. On failure `program` is untouched.
FileResult DecodificaProgramma(const std::vector<uint8_t>& bytes, ProgramImage& program);

// Reads the named file into `program`; never creates the file. On failure the
// message names the file and `program` is untouched.
FileResult LeggiProgrammaDaFile(const std::string& path, ProgramImage& program);

// Writes the program next to `path` in a temporary file and replaces `path`
// only when the new content is complete; a failure leaves the old file as it was.
FileResult SalvaProgrammaSuFile(const std::string& path, const ProgramImage& program);

// The name a program typed into the save dialog is written under: the blanks
// and dots that the file system drops from the end of a name are removed, and
// `estensione` (".prl") is appended when the last part of the path then has no
// extension of its own. A name whose last part is empty or only dots and
// blanks ("dir\\", "..") is returned as typed: it names no file to complete.
std::string NomeConEstensione(const std::string& nome, const std::string& estensione);

}  // namespace quelmar
