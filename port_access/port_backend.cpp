// Port backends.
#include "port_backend.h"

#include <windows.h>

#include "com/com_support.h"
#include "com/library_loading.h"

namespace port_access {

PortBackend& PortBackend::Instance() {
    static PortBackend backend;
    return backend;
}

PortBackend::PortBackend() {
    // The driver of the process's width is taken from this component's folder
    // or the system folder only: one planted in the current folder or on PATH
    // is never run. It stays loaded for the life of the process; its absence
    // is not an error, only a reason to simulate.
    HMODULE driver = com::LoadLibraryBesideOrSystem(com::ThisModule(), kDriverFileNameW);
    if (!driver) return;
    out32_ = reinterpret_cast<Out32Fn>(reinterpret_cast<void*>(GetProcAddress(driver, "Out32")));
    inp32_ = reinterpret_cast<Inp32Fn>(reinterpret_cast<void*>(GetProcAddress(driver, "Inp32")));
    if (!out32_) {
        inp32_ = nullptr;
        FreeLibrary(driver);
    }
}

void PortBackend::Write(uint16_t address, uint8_t value) {
    if (out32_) out32_(static_cast<short>(address), static_cast<short>(value));
    else simulated_[address] = value;
}

uint8_t PortBackend::Read(uint16_t address) const {
    if (out32_) return inp32_ ? static_cast<uint8_t>(inp32_(static_cast<short>(address))) : 0;
    return simulated_[address];
}

}  // namespace port_access
