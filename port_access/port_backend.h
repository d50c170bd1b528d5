// Where port writes go: the real port through the inpout32 driver DLL when it
// is installed beside the component or in the system folder, else a simulated
// port that holds the last byte of each address.
#pragma once

#include <cstdint>

namespace port_access {

class PortBackend {
public:
    // Chosen once per process, the first time a component is created.
    static PortBackend& Instance();

    void Write(uint16_t address, uint8_t value);
    uint8_t Read(uint16_t address) const;
    bool Real() const { return out32_ != nullptr; }

private:
    PortBackend();
    using Out32Fn = void(__stdcall*)(short, short);
    using Inp32Fn = short(__stdcall*)(short);
    Out32Fn out32_ = nullptr;
    Inp32Fn inp32_ = nullptr;
    uint8_t simulated_[65536] = {};
};

}  // namespace port_access
