// quelmar-play's command line: the option table, its parsing and the help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelmar::player {

struct PlayerOptions {
    std::string program;                  // PROGRAM.prl; empty with --write
    std::string device = "/dev/parport0";
    bool deviceGiven = false;
    bool sim = false;
    std::optional<uint16_t> address;      // the trace's address
    std::string trace;
    std::optional<int64_t> passes;        // --loop 0, --once 1, --repeat N; none: the file's flag
    std::optional<uint8_t> stopByte;      // --on-stop BYTE; none: keep
    std::optional<uint8_t> writeByte;     // --write BYTE
    bool exclusive = false;
    bool quiet = false;
    bool noRealtime = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program's name. False with a one-line
// `error` for a bad or missing option or argument.
bool ParsePlayerOptions(const std::vector<std::string>& arguments, PlayerOptions& options, std::string& error);

// A byte as decimal (0..255), hexadecimal (0x..) or binary (0b........).
bool ParseByte(const std::string& text, uint8_t& value);

// The text of --help.
const char* PlayerHelp();

// The long options, without the leading dashes, in the order of the help text.
std::vector<std::string> PlayerLongOptions();

}  // namespace quelmar::player
