// The parallel port through ppdev.
#include "player/ppdev_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <linux/ppdev.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace quelmar::player {

namespace {

class RealPpdev : public PpdevSystem {
public:
    int Open(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        return fd < 0 ? -errno : fd;
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        int r;
        do r = ::ioctl(fd, request, argument);
        while (r < 0 && errno == EINTR);
        return r < 0 ? -errno : r;
    }
    void Close(int fd) override { ::close(fd); }
};

bool IsUsbPrinter(const std::string& device) {
    return device.rfind("/dev/usb/lp", 0) == 0;
}

}  // namespace

PpdevSystem& PpdevSystem::Real() {
    static RealPpdev real;
    return real;
}

std::string PpdevPort::Failure(const char* what, int error) const {
    std::string text = device_ + ": " + what + ": " + std::strerror(error) + "; ";
    switch (error) {
    case ENOENT:
    case ENODEV:
        return text + "load the parallel-port modules: modprobe parport_pc ppdev";
    case EACCES:
    case EPERM:
        return text + "join the group lp (usermod -aG lp USER, then log in again)";
    case EBUSY:
    case ENXIO:
        return text + "the lp module holds the port (rmmod lp), or there is no port behind the device";
    case ENOTTY:
    case EINVAL:
        return text + "this is not a ppdev parallel port (use /dev/parportN)";
    default:
        return text.substr(0, text.size() - 2);
    }
}

bool PpdevPort::Open(const std::string& device, bool exclusive, std::string& error) {
    Release();
    device_ = device;
    if (IsUsbPrinter(device)) {
        error = device + ": a USB printer adapter cannot drive the data lines; use a parallel port (/dev/parportN)";
        return false;
    }
    const int fd = system_.Open(device);
    if (fd < 0) {
        error = Failure("cannot open", -fd);
        return false;
    }
    fd_ = fd;
    // The exclusive hold must be asked for before the claim.
    if (exclusive) {
        if (const int r = system_.Ioctl(fd_, PPEXCL, nullptr); r < 0) {
            error = Failure("cannot take the port exclusively", -r);
            Release();
            return false;
        }
    }
    if (const int r = system_.Ioctl(fd_, PPCLAIM, nullptr); r < 0) {
        error = Failure("cannot claim the port", -r);
        Release();
        return false;
    }
    claimed_ = true;
    return true;
}

bool PpdevPort::Write(uint8_t value, std::string& error) {
    unsigned char data = value;
    if (fd_ < 0 || !claimed_) {
        error = device_ + ": the port is not open";
        return false;
    }
    if (const int r = system_.Ioctl(fd_, PPWDATA, &data); r < 0) {
        error = Failure("cannot write the data lines", -r);
        return false;
    }
    return true;
}

void PpdevPort::Release() {
    if (fd_ < 0) return;
    if (claimed_) system_.Ioctl(fd_, PPRELEASE, nullptr);
    claimed_ = false;
    system_.Close(fd_);
    fd_ = -1;
}

uint16_t PpdevBaseAddress(const std::string& device, const std::string& procRoot) {
    // /dev/parport0 (or a link to it) is the port the kernel names parport0.
    std::string target = device;
    if (char* resolved = ::realpath(device.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    const std::string name = target.substr(target.find_last_of('/') + 1);
    if (name.rfind("parport", 0) != 0 || name.size() == 7 ||
        name.find_first_not_of("0123456789", 7) != std::string::npos)
        return 0;
    std::ifstream in(procRoot + "/" + name + "/base-addr");
    long base = 0;
    if (!(in >> base) || base <= 0 || base > 0xFFFF) return 0;
    return static_cast<uint16_t>(base);
}

}  // namespace quelmar::player
