// The port-access component finds the port driver of its own width in the
// program's folder: inpout32.dll in a 32-bit process, inpoutx64.dll in a
// 64-bit one. Both stand-ins lie beside this test; only one may be used.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "com/com_support.h"
#include "com/variant.h"

namespace {

const CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};

TEST(PortDriverTest, WritesGoThroughTheDriverOfTheProcessWidth) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        const bool wide = sizeof(void*) == 8;
        const char* own = wide ? "inpoutx64.dll" : "inpout32.dll";
        const char* other = wide ? "inpout32.dll" : "inpoutx64.dll";

        HMODULE dll = LoadLibraryA("hwinterface.ocx");
        ASSERT_NE(dll, nullptr);
        using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        com::ComPtr<IClassFactory> factory;
        ASSERT_EQ(get(kClsidHwinterface, IID_IClassFactory, factory.OutVoid()), S_OK);
        com::ComPtr<IDispatch> port;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, port.OutVoid()), S_OK);

        VARIANT args[2];  // last argument first: value, address
        args[0].vt = VT_I2;
        args[0].iVal = 0xA5;
        args[1].vt = VT_I2;
        args[1].iVal = 0x378;
        DISPPARAMS params = {args, nullptr, 2, 0};
        ASSERT_EQ(port->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);

        HMODULE driver = GetModuleHandleA(own);
        ASSERT_NE(driver, nullptr) << own << " was not loaded";
        EXPECT_EQ(GetModuleHandleA(other), nullptr) << other << " is the other width's driver";
        using LastWriteFn = long(__stdcall*)();
        auto lastWrite = reinterpret_cast<LastWriteFn>(reinterpret_cast<void*>(GetProcAddress(driver, "LastWrite")));
        ASSERT_NE(lastWrite, nullptr);
        EXPECT_EQ(lastWrite(), 0x378 << 8 | 0xA5);

        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        com::Variant backend;
        ASSERT_EQ(port->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, backend.Out(), nullptr, nullptr), S_OK);
        std::wstring name;
        ASSERT_EQ(backend.ToString(name), S_OK);
        EXPECT_EQ(name, wide ? L"inpoutx64" : L"inpout32");
    }
    OleUninitialize();
}

}  // namespace
