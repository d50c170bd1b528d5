// Where port writes go: the real port through the port driver's DLL
// (inpout32, or inpoutx64 in a 64-bit process) when it is installed beside
// the component or in the system folder, else a simulated port that holds
// the last byte of each address.
#pragma once

#include <cstdint>

namespace port_access {

// The port driver of this process's width, with the same Out32 and Inp32
// exports in both: inpout32.dll for a 32-bit process, inpoutx64.dll for a
// 64-bit one.
#ifdef _WIN64
inline constexpr char kDriverName[] = "inpoutx64";
inline constexpr char kDriverFileName[] = "inpoutx64.dll";
inline constexpr wchar_t kDriverFileNameW[] = L"inpoutx64.dll";
#else
inline constexpr char kDriverName[] = "inpout32";
inline constexpr char kDriverFileName[] = "inpout32.dll";
inline constexpr wchar_t kDriverFileNameW[] = L"inpout32.dll";
#endif

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
