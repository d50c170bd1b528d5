// The port-access component as the program holds it: created once from
// hwinterface.ocx beside the program (or from its registration), and written
// to late-bound through dispatch id 2.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>

#include "com/com_support.h"

namespace quelmar {

class PortOutput {
public:
    // Creates the component; Available() tells whether that worked.
    PortOutput();
    bool Available() const { return static_cast<bool>(dispatch_); }

    // The port write: address and value passed by reference, as the program
    // holds them in 16-bit variables. Returns the component's result.
    HRESULT Scrivi(int16_t indirizzo, int16_t valore);

private:
    com::ComPtr<IDispatch> dispatch_;
};

}  // namespace quelmar
