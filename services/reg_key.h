// An open registry key, closed with its owner.
#pragma once

#include <windows.h>

namespace quelmar {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (h_) RegCloseKey(h_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    // For the Reg*Key* call that opens it; the key must not be open yet.
    HKEY* Out() { return &h_; }
    HKEY Get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

}  // namespace quelmar
