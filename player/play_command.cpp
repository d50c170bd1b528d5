// quelmar-play as a whole.
#include "player/play_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>

#include "player/player_options.h"
#include "player/ppdev_port.h"
#include "port_access/trace_line.h"
#include "sequencer/program_file.h"
#include "timing_tool/timing_report.h"

#ifndef QUELMAR_PLAY_VERSION
#define QUELMAR_PLAY_VERSION "0"
#endif

namespace quelmar::player {

namespace {

constexpr uint16_t kDefaultAddress = 0x0378;
constexpr int64_t kRedrawMicro = 100000;  // at most ten status lines a second

std::string Clock(int64_t micro) {
    const int64_t ms = micro / 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ".%03" PRId64, ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string Ms(int64_t micro) {
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 ".%03" PRId64 " ms", micro / 1000, micro % 1000);
    return text;
}

void Error(const std::string& text) { std::fprintf(stderr, "quelmar-play: %s\n", text.c_str()); }

}  // namespace

TracingPort::~TracingPort() {
    if (fd_ >= 0) ::close(fd_);
}

bool TracingPort::Open(const std::string& path, std::string& error) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = path + ": cannot open the trace (" + std::strerror(errno) + ")";
        return false;
    }
    start_ = clock_.NowMicro();
    return true;
}

bool TracingPort::Write(uint8_t value, std::string& error) {
    const int64_t at = clock_.NowMicro() - start_;
    if (!port_.Write(value, error)) return false;
    if (fd_ < 0) return true;
    // One write per line with O_APPEND: a line is never split, even with
    // another process tracing into the same file.
    char line[48];
    const int n = port_access::FormatTraceLine(line, at, address_, value);
    if (::write(fd_, line, static_cast<size_t>(n)) != n) {
        error = path_ + ": the trace could not be written (" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

void StatusLine::OnStepWritten(int64_t pass, int step, uint8_t value, int64_t latenessMicro) {
    pass_ = pass;
    step_ = step;
    value_ = value;
    if (latenessMicro > worst_) worst_ = latenessMicro;
}

std::string StatusLine::Text(int64_t nowMicro) const {
    char bits[9];
    for (int i = 0; i < 8; ++i) bits[i] = (value_ >> (7 - i)) & 1 ? '1' : '0';
    bits[8] = '\0';
    const std::string total = totalMicro_ > 0 ? Clock(totalMicro_) : "endless";
    char text[160];
    std::snprintf(text, sizeof text, "pass %" PRId64 "  step %d of %d  byte %s  %s / %s  worst lateness %s", pass_,
                  step_, steps_, bits, Clock(nowMicro - start_).c_str(), total.c_str(), Ms(worst_).c_str());
    return text;
}

void StatusLine::OnSpareTime(int64_t nowMicro) {
    if (pass_ == 0 || nowMicro - lastDraw_ < kRedrawMicro) return;
    lastDraw_ = nowMicro;
    std::fprintf(out_, "\r%s\x1b[K", Text(nowMicro).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void StatusLine::Clear() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", out_);
    std::fflush(out_);
    drawn_ = false;
}

std::string SummaryText(const PlaySummary& s, int stopSignal) {
    std::string text = "quelmar-play: " + std::to_string(s.writes) + (s.writes == 1 ? " write, " : " writes, ") +
                       std::to_string(s.passesCompleted) +
                       (s.passesCompleted == 1 ? " pass" : " passes") + " complete, lateness p99 " +
                       Ms(s.lateness.P99()) + ", max " + Ms(s.lateness.Max());
    if (s.resyncs > 0)
        text += "; " + std::to_string(s.resyncs) + (s.resyncs == 1 ? " write" : " writes") +
                " more than 1 s late started the timing again";
    if (s.end == RunEnd::Stopped) {
        text += stopSignal == SIGINT ? "; stopped by SIGINT" : stopSignal == SIGTERM ? "; stopped by SIGTERM" : "; stopped";
        if (s.stopByteWritten) text += ", stop byte written";
    }
    return text;
}

int RunQuelmarPlay(const std::vector<std::string>& arguments) {
    PlayerOptions options;
    std::string error;
    if (!ParsePlayerOptions(arguments, options, error)) {
        Error(error);
        std::fputs("Try 'quelmar-play --help'.\n", stderr);
        return kExitBadInput;
    }
    if (options.help) {
        std::fputs(PlayerHelp(), stdout);
        return kExitComplete;
    }
    if (options.version) {
        std::printf("quelmar-play %s\n", QUELMAR_PLAY_VERSION);
        return kExitComplete;
    }

    ProgramImage program;
    if (!options.writeByte) {
        // The reader takes a file whole: a device such as /dev/zero would never end.
        struct stat st {};
        if (stat(options.program.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
            Error(options.program + ": a device, not a program file");
            return kExitBadInput;
        }
        const FileResult read = LeggiProgrammaDaFile(options.program, program);
        if (!read.Ok()) {
            Error(timing::Utf8FromCp1252(read.Error));
            return kExitBadInput;
        }
    }

    // The port, then the clock: the stop signals are taken over only for the run.
    SimulatedPort simulated;
    PpdevPort device;
    RunPort* port = &simulated;
    uint16_t address = kDefaultAddress;
    if (!options.sim) {
        if (!device.Open(options.device, options.exclusive, error)) {
            Error(error);
            return kExitPortUnusable;
        }
        port = &device;
        if (const uint16_t base = PpdevBaseAddress(options.device)) address = base;
    }
    if (options.address) address = *options.address;

    const std::string realTime = TakeRealTime(!options.noRealtime);
    if (!realTime.empty() && !options.noRealtime) std::fprintf(stderr, "%s\n", realTime.c_str());

    MonotonicClock clock;
    TracingPort tracing(*port, clock, address);
    if (!options.trace.empty()) {
        if (!tracing.Open(options.trace, error)) {
            Error(error);
            return kExitBadInput;
        }
        port = &tracing;
    }

    if (options.writeByte) {
        if (!port->Write(*options.writeByte, error)) {
            Error(error);
            return kExitPortUnusable;
        }
        return kExitComplete;
    }

    PlaySettings settings;
    settings.passes = PassesFor(program.Testata, options.passes);
    settings.stopByte = options.stopByte;
    const int64_t passMicro = StepPlayer::PassDurationMs(program) * 1000;
    const int64_t totalMicro = settings.passes == 0 || passMicro > INT64_MAX / settings.passes
                                   ? 0
                                   : passMicro * settings.passes;
    StatusLine status(stdout, program.Testata.NumSteps, totalMicro, clock.NowMicro());
    const bool showStatus = !options.quiet && isatty(STDOUT_FILENO);
    if (showStatus) clock.SetSpareTimeTask(&status);

    StepPlayer player(clock, *port, showStatus ? &status : nullptr);
    const PlaySummary summary = player.Play(program, settings);
    device.Release();
    clock.SetSpareTimeTask(nullptr);
    if (showStatus) status.Clear();

    if (!summary.error.empty()) Error(summary.error);
    if (!options.quiet) std::printf("%s\n", SummaryText(summary, MonotonicClock::StopSignal()).c_str());
    std::fflush(stdout);
    switch (summary.end) {
    case RunEnd::Completed: return kExitComplete;
    case RunEnd::PortFailed: return kExitPortUnusable;
    case RunEnd::Stopped:
    case RunEnd::Unwound:  // the player's clock never asks to unwind
        return 128 + (MonotonicClock::StopSignal() ? MonotonicClock::StopSignal() : SIGINT);
    }
    return kExitComplete;
}

}  // namespace quelmar::player
