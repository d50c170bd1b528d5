// The program's handle on the port-access component.
#include "port_output.h"

#include <string>

namespace quelmar {
namespace {

const CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};

std::string CartellaProgramma() {
    std::string path = com::ModulePath(nullptr);
    return path.substr(0, path.find_last_of("\\/") + 1);
}

}  // namespace

PortOutput::PortOutput() {
    // The copy beside the program wins, so a portable install needs no registration.
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    HMODULE dll = LoadLibraryA((CartellaProgramma() + "hwinterface.ocx").c_str());
    if (dll) {
        auto get = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        com::ComPtr<IClassFactory> factory;
        if (get && SUCCEEDED(get(kClsidHwinterface, IID_IClassFactory, factory.OutVoid())))
            factory->CreateInstance(nullptr, IID_IDispatch, dispatch_.OutVoid());
        // The DLL stays loaded for the life of the process, as the component does.
    }
    if (!dispatch_)
        CoCreateInstance(kClsidHwinterface, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch_.OutVoid());
}

HRESULT PortOutput::Scrivi(int16_t indirizzo, int16_t valore) {
    if (!dispatch_) return E_POINTER;
    VARIANT args[2];
    args[0].vt = VT_I2 | VT_BYREF;  // last argument first
    args[0].piVal = &valore;
    args[1].vt = VT_I2 | VT_BYREF;
    args[1].piVal = &indirizzo;
    DISPPARAMS params = {args, nullptr, 2, 0};
    return dispatch_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

}  // namespace quelmar
