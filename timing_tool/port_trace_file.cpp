// Port trace reader: strict, since a line cut short (a trace copied while
// the run was still writing it) could otherwise read as a different value.
#include "timing_tool/port_trace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quelmar::timing {
namespace {

constexpr size_t kQuotedChars = 40;  // characters of a bad line quoted in the message

std::string Quote(const char* p, size_t n) {
    std::string s;
    for (size_t i = 0; i < n && i < kQuotedChars; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 32 && c < 127) {
            s += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            s += escaped;
        }
    }
    if (n > kQuotedChars) s += "...";
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One line without its end: "T 0xAAAA V". Returns "" or the reason it is refused.
const char* ParseLine(const char* p, const char* end, PortWrite& w) {
    const char* q = p;
    if (q == end || !IsDigit(*q)) return "the time (microseconds) is missing";
    int64_t t = 0;
    for (; q != end && IsDigit(*q); ++q) {
        const int d = *q - '0';
        if (t > (INT64_MAX - d) / 10) return "the time is too large";
        t = t * 10 + d;
    }
    if (q == end || *q != ' ') return "a blank must follow the time";
    ++q;
    if (end - q < 3 || q[0] != '0' || (q[1] != 'x' && q[1] != 'X')) return "the address must be written 0xAAAA";
    q += 2;
    uint32_t a = 0;
    int digits = 0;
    for (; q != end && HexDigitValue(*q) >= 0; ++q, ++digits) a = a * 16 + static_cast<uint32_t>(HexDigitValue(*q));
    if (digits == 0 || digits > 4) return "the address must have 1 to 4 hexadecimal digits";
    if (q == end || *q != ' ') return "a blank must follow the address";
    ++q;
    uint32_t v = 0;
    digits = 0;
    for (; q != end && IsDigit(*q); ++q, ++digits) {
        v = v * 10 + static_cast<uint32_t>(*q - '0');
        if (digits >= 3) return "the value must be 0 to 255";
    }
    if (digits == 0) return "the value is missing";
    if (v > 255) return "the value must be 0 to 255";
    if (q != end) return "unexpected text after the value";
    w.Micro = t;
    w.Address = static_cast<uint16_t>(a);
    w.Value = static_cast<uint8_t>(v);
    return "";
}

}  // namespace

std::string ParseTrace(const char* text, size_t length, const std::string& name, std::vector<PortWrite>& writes) {
    writes.clear();
    if (length == 0) return name + ": the trace is empty (no port write was recorded)";
    // About 16 characters a line: reserving avoids copying a long trace while it grows.
    std::vector<PortWrite> parsed;
    parsed.reserve(length / 16 + 1);
    const char* p = text;
    const char* const end = text + length;
    uint32_t line = 0;
    while (p != end) {
        ++line;
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!newline)
            return name + ":" + std::to_string(line) + ": the line is cut short (no end of line): \"" +
                   Quote(p, static_cast<size_t>(end - p)) + "\"";
        const char* lineEnd = newline;
        if (lineEnd != p && lineEnd[-1] == '\r') --lineEnd;
        PortWrite w;
        w.Line = line;
        const char* reason = ParseLine(p, lineEnd, w);
        if (*reason)
            return name + ":" + std::to_string(line) + ": not a trace line \"T 0xAAAA V\" (" + reason + "): \"" +
                   Quote(p, static_cast<size_t>(lineEnd - p)) + "\"";
        parsed.push_back(w);
        p = newline + 1;
    }
    writes.swap(parsed);
    return "";
}

std::string ReadTraceFile(const std::string& path, std::vector<PortWrite>& writes) {
    writes.clear();
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) return path + ": cannot open the trace (" + std::strerror(errno) + ")";
    std::string text;
    char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) text.append(chunk, n);
    if (std::ferror(f.get())) return path + ": read error";
    return ParseTrace(text.data(), text.size(), path, writes);
}

}  // namespace quelmar::timing
