// The parallel port through the kernel's ppdev driver (/dev/parportN): opened,
// optionally taken exclusively, claimed, written with PPWDATA and released.
// The system calls go through a seam so that every failure's message can be
// checked without a port.
#pragma once

#include <cstdint>
#include <string>

#include "player/step_player.h"

namespace quelmar::player {

// open/ioctl/close; each returns what the call returns, or -errno on failure.
class PpdevSystem {
public:
    virtual ~PpdevSystem() = default;
    virtual int Open(const std::string& path) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual void Close(int fd) = 0;
    // The machine's own calls.
    static PpdevSystem& Real();
};

class PpdevPort : public RunPort {
public:
    explicit PpdevPort(PpdevSystem& system = PpdevSystem::Real()) : system_(system) {}
    ~PpdevPort() override { Release(); }
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    // Opens and claims the port. False with a message saying what to do.
    bool Open(const std::string& device, bool exclusive, std::string& error);
    bool Write(uint8_t value, std::string& error) override;
    // Gives the port back and closes it; harmless when not open.
    void Release();

private:
    std::string Failure(const char* what, int error) const;

    PpdevSystem& system_;
    std::string device_;
    int fd_ = -1;
    bool claimed_ = false;
};

// The I/O address of the port behind `device` from
// /proc/sys/dev/parport/<name>/base-addr (under `procRoot`); 0 when unknown.
uint16_t PpdevBaseAddress(const std::string& device, const std::string& procRoot = "/proc/sys/dev/parport");

}  // namespace quelmar::player
