// quelmar-play's command line.
#include "player/player_options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>

namespace quelmar::player {

namespace {

enum OptionId {
    kPort = 'p',
    kSim = 's',
    kTrace = 't',
    kLoop = 'l',
    kOnce = '1',
    kRepeat = 'r',
    kQuiet = 'q',
    kHelp = 'h',
    kVersion = 'V',
    kAddress = 256,
    kOnStop,
    kWrite,
    kExclusive,
    kNoRealtime,
};

const option kLongOptions[] = {
    {"port", required_argument, nullptr, kPort},
    {"sim", no_argument, nullptr, kSim},
    {"address", required_argument, nullptr, kAddress},
    {"trace", required_argument, nullptr, kTrace},
    {"loop", no_argument, nullptr, kLoop},
    {"once", no_argument, nullptr, kOnce},
    {"repeat", required_argument, nullptr, kRepeat},
    {"on-stop", required_argument, nullptr, kOnStop},
    {"write", required_argument, nullptr, kWrite},
    {"exclusive", no_argument, nullptr, kExclusive},
    {"no-realtime", no_argument, nullptr, kNoRealtime},
    {"quiet", no_argument, nullptr, kQuiet},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

const char kShortOptions[] = ":p:st:lr:qhV";

bool ParseNumber(const std::string& text, int base, long long low, long long high, long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, base);
    return errno == 0 && end && *end == '\0' && value >= low && value <= high;
}

// The option getopt_long stopped at: a long one as written (without a
// value), a short one by its letter.
std::string Offending(const char* word, int letter) {
    const std::string w = word;
    if (w.rfind("--", 0) == 0) return w.substr(0, w.find('='));
    return std::string("-") + static_cast<char>(letter);
}

}  // namespace

bool ParseByte(const std::string& text, uint8_t& value) {
    long long v = 0;
    bool ok;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        ok = ParseNumber(text.substr(2), 16, 0, 255, v);
    else if (text.size() > 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B'))
        ok = ParseNumber(text.substr(2), 2, 0, 255, v);
    else
        ok = ParseNumber(text, 10, 0, 255, v);
    if (ok) value = static_cast<uint8_t>(v);
    return ok;
}

bool ParsePlayerOptions(const std::vector<std::string>& arguments, PlayerOptions& options, std::string& error) {
    options = PlayerOptions{};
    std::vector<std::string> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back("quelmar-play");
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    auto fail = [&](const std::string& why) {
        error = why;
        return false;
    };
    optind = 0;  // a fresh scan for every call
    opterr = 0;
    for (;;) {
        int index = -1;
        const int c = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, &index);
        if (c == -1) break;
        const std::string arg = optarg ? optarg : "";
        const std::string name = index >= 0 ? std::string("--") + kLongOptions[index].name : "";
        switch (c) {
        case kPort:
            options.device = arg;
            options.deviceGiven = true;
            break;
        case kSim: options.sim = true; break;
        case kAddress: {
            long long v = 0;
            std::string hex = arg;
            if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex = hex.substr(2);
            if (!ParseNumber(hex, 16, 1, 0xFFFF, v))
                return fail("--address wants a hexadecimal I/O address from 1 to FFFF, not '" + arg + "'");
            options.address = static_cast<uint16_t>(v);
            break;
        }
        case kTrace:
            if (arg.empty()) return fail("--trace wants a file name");
            options.trace = arg;
            break;
        case kLoop: options.passes = 0; break;
        case kOnce: options.passes = 1; break;
        case kRepeat: {
            long long v = 0;
            if (!ParseNumber(arg, 10, 1, 1000000000LL, v))
                return fail("--repeat wants a number of passes from 1 to 1000000000, not '" + arg + "'");
            options.passes = v;
            break;
        }
        case kOnStop: {
            uint8_t b = 0;
            if (arg == "keep")
                options.stopByte.reset();
            else if (ParseByte(arg, b))
                options.stopByte = b;
            else
                return fail("--on-stop wants 'keep' or a byte (0-255, 0xHH or 0bBBBBBBBB), not '" + arg + "'");
            break;
        }
        case kWrite: {
            uint8_t b = 0;
            if (!ParseByte(arg, b)) return fail("--write wants a byte (0-255, 0xHH or 0bBBBBBBBB), not '" + arg + "'");
            options.writeByte = b;
            break;
        }
        case kExclusive: options.exclusive = true; break;
        case kNoRealtime: options.noRealtime = true; break;
        case kQuiet: options.quiet = true; break;
        case kHelp: options.help = true; break;
        case kVersion: options.version = true; break;
        case ':': return fail("option '" + Offending(argv[optind - 1], optopt) + "' wants a value");
        default: return fail("unknown option '" + Offending(argv[optind - 1], optopt) + "'");
        }
    }
    if (options.help || options.version) return true;
    const int rest = argc - optind;
    if (options.sim && options.deviceGiven) return fail("--sim and --port exclude each other");
    if (options.writeByte) {
        if (rest != 0) return fail("--write takes no program file");
        return true;
    }
    if (rest == 0) return fail("no program file given");
    if (rest > 1) return fail("one program file at a time ('" + std::string(argv[optind + 1]) + "' is one too many)");
    options.program = argv[optind];
    return true;
}

const char* PlayerHelp() {
    return "Usage: quelmar-play [OPTION]... PROGRAM.prl\n"
           "       quelmar-play [OPTION]... --write BYTE\n"
           "Plays a Quelmar step program on a parallel port through the kernel's ppdev driver:\n"
           "each enabled step's byte is written to the eight data lines and held for its duration.\n"
           "\n"
           "  -p, --port DEVICE    the ppdev device (default /dev/parport0)\n"
           "  -s, --sim            a simulated port: no device is used\n"
           "      --address HEX    the I/O address written in the trace (default: the port's\n"
           "                       base address from /proc/sys/dev/parport, or 0378)\n"
           "  -t, --trace FILE     append every write to FILE as \"T 0xAAAA V\" for quelmar-timing\n"
           "  -l, --loop           play the program again and again until stopped\n"
           "      --once           play it once, whatever its loop flag says\n"
           "  -r, --repeat N       play N passes\n"
           "                       (the last of --loop, --once and --repeat counts; without\n"
           "                       any of them the program file's loop flag decides)\n"
           "      --on-stop keep|BYTE\n"
           "                       when a run is interrupted, leave the last byte (keep, the\n"
           "                       default) or write BYTE\n"
           "      --write BYTE     write one byte and end\n"
           "      --exclusive      take the port exclusively (PPEXCL) before claiming it\n"
           "      --no-realtime    do not ask for real-time scheduling and locked memory, and\n"
           "                       do not say when they cannot be had\n"
           "  -q, --quiet          no status line and no summary\n"
           "  -h, --help           show this help and end\n"
           "  -V, --version        show the version and end\n"
           "\n"
           "A BYTE is decimal (0-255), hexadecimal (0xHH) or binary (0bBBBBBBBB).\n"
           "SIGINT (Ctrl-C) and SIGTERM end a run at once, mid-step.\n"
           "\n"
           "Exit status:\n"
           "  0    the run was complete\n"
           "  1    bad options or a bad program file\n"
           "  2    the port cannot be used\n"
           "  130  ended by SIGINT\n"
           "  143  ended by SIGTERM\n";
}

std::vector<std::string> PlayerLongOptions() {
    std::vector<std::string> names;
    for (const option* o = kLongOptions; o->name; ++o) names.emplace_back(o->name);
    return names;
}

}  // namespace quelmar::player
