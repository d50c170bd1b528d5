// The port-access component, called late-bound by dispatch id as the program calls it.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "com/com_support.h"
#include "com/library_loading.h"
#include "tests/wine/wine_test_support.h"

namespace {

const CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};

class PortAccessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }

    // Creates the component from the DLL beside the test, without registration.
    com::ComPtr<IDispatch> Create() {
        com::ComPtr<IDispatch> disp;
        HMODULE dll = LoadLibraryA("hwinterface.ocx");
        EXPECT_NE(dll, nullptr);
        if (!dll) return disp;
        using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        com::ComPtr<IClassFactory> factory;
        EXPECT_EQ(get(kClsidHwinterface, IID_IClassFactory, factory.OutVoid()), S_OK);
        if (factory) {
            EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, disp.OutVoid()), S_OK);
        }
        return disp;
    }

    static HRESULT Write(IDispatch* d, VARIANT address, VARIANT value) {
        VARIANT args[2] = {value, address};  // last argument first
        DISPPARAMS params = {args, nullptr, 2, 0};
        return d->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    static short Read(IDispatch* d, short address) {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_I2;
        arg.iVal = address;
        DISPPARAMS params = {&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(d->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
        return result.iVal;
    }
};

TEST_F(PortAccessTest, WritesByIdTwoWithArgumentsByValueAndByReference) {
    auto port = Create();
    ASSERT_TRUE(port);

    VARIANT a, v;
    a.vt = VT_I2;
    a.iVal = 0x378;
    v.vt = VT_I2;
    v.iVal = 165;
    EXPECT_EQ(Write(port.Get(), a, v), S_OK);
    EXPECT_EQ(Read(port.Get(), 0x378), 165);

    short address = 0x278, value = 7;
    VARIANT ra, rv;
    ra.vt = VT_I2 | VT_BYREF;
    ra.piVal = &address;
    rv.vt = VT_I2 | VT_BYREF;
    rv.piVal = &value;
    EXPECT_EQ(Write(port.Get(), ra, rv), S_OK);
    EXPECT_EQ(Read(port.Get(), 0x278), 7);
    EXPECT_EQ(address, 0x278) << "the address must not be written back";
    EXPECT_EQ(value, 7) << "the value must not be written back";

    // A custom address above 0x7FFF arrives as a negative 16-bit value.
    a.iVal = static_cast<short>(0xDC00);
    v.iVal = 255;
    EXPECT_EQ(Write(port.Get(), a, v), S_OK);
    EXPECT_EQ(Read(port.Get(), static_cast<short>(0xDC00)), 255);
}

TEST_F(PortAccessTest, RefusesWrongArgumentCount) {
    auto port = Create();
    ASSERT_TRUE(port);
    VARIANT one;
    one.vt = VT_I2;
    one.iVal = 1;
    DISPPARAMS params = {&one, nullptr, 1, 0};
    EXPECT_EQ(port->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
}

TEST_F(PortAccessTest, TraceRecordsEveryWriteInOrder) {
    const std::string trace = wine_test::TempPath("port-trace.txt");
    DeleteFileA(trace.c_str());
    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", trace.c_str());
    {
        auto port = Create();
        ASSERT_TRUE(port);
        VARIANT a, v;
        a.vt = VT_I2;
        v.vt = VT_I2;
        for (short value : {0, 1, 255}) {
            a.iVal = 0x378;
            v.iVal = value;
            EXPECT_EQ(Write(port.Get(), a, v), S_OK);
        }
    }
    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", nullptr);

    const auto lines = wine_test::ReadTrace(trace);
    ASSERT_EQ(wine_test::Writes(lines), (std::vector<std::pair<int, int>>{{0x378, 0}, {0x378, 1}, {0x378, 255}}));
    EXPECT_LE(lines[0].micros, lines[1].micros);
    EXPECT_LE(lines[1].micros, lines[2].micros);
    DeleteFileA(trace.c_str());
}

// The driver loader, with the loader's search flags and without them (the
// loader of a Windows 7 that lacks its update): a library is found beside the
// asking module or in the system folder, never in the current folder or on PATH.
TEST(DriverLoading, OnlyBesideTheAskingModuleOrInTheSystemFolder) {
    const std::wstring standIn = com::PathBesideModule(nullptr, L"standin_driver.dll");
    const std::string planted = wine_test::TempFolder("planted");
    ASSERT_TRUE(CopyFileW(standIn.c_str(), std::wstring(planted.begin(), planted.end()).append(L"\\planted.dll").c_str(),
                          FALSE));
    const std::wstring system = com::PathInSystemFolder(L"quelmar_test_driver.dll");
    ASSERT_TRUE(CopyFileW(standIn.c_str(), system.c_str(), FALSE));
    char path[32768] = {};
    GetEnvironmentVariableA("PATH", path, sizeof path);
    char current[MAX_PATH * 2] = {};
    GetCurrentDirectoryA(sizeof current, current);
    SetEnvironmentVariableA("PATH", (planted + ";" + path).c_str());
    SetCurrentDirectoryA(planted.c_str());
    const struct {
        const wchar_t* name;
        bool loads;
    } cases[] = {
        {L"standin_driver.dll", true},        // beside the test program
        {L"quelmar_test_driver.dll", true},   // in the system folder
        {L"planted.dll", false},              // in the current folder and on PATH only
        {L"..\\standin_driver.dll", false},  // not a bare name
    };
    for (bool searchFlags : {true, false}) {
        for (const auto& c : cases) {
            HMODULE module = com::LoadLibraryBesideOrSystem(nullptr, c.name, searchFlags);
            EXPECT_EQ(module != nullptr, c.loads) << searchFlags << " " << std::string(c.name, c.name + wcslen(c.name));
            if (module) FreeLibrary(module);
        }
    }
    SetCurrentDirectoryA(current);
    SetEnvironmentVariableA("PATH", path);
    DeleteFileW(system.c_str());
}

}  // namespace
