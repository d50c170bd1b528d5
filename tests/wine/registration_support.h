// What the registration tests of the control libraries share: snapshots of
// HKEY_CLASSES_ROOT, the system's regsvr32 and a fixture around it, the
// outside script that writes its notes as "name=value" lines, and the
// system's ATL host window as another container.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "com/com_support.h"
#include "com/win_handles.h"
#include "tests/wine/wine_test_support.h"

namespace registration_test {

// The type library's platform key as a process of this width registers it.
inline const std::string kPlatformKey = sizeof(void*) == 8 ? "win64" : "win32";


inline std::string Upper(std::string s) {
    CharUpperA(s.data());
    return s;
}

// One line per key and per value of a subtree of HKEY_CLASSES_ROOT; texts
// by value, other types by size.
inline void DumpKey(const std::string& path, std::vector<std::string>& lines) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    lines.push_back(path);
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name, type = 0;
        BYTE data[4096];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        const std::string text =
            type == REG_SZ || type == REG_EXPAND_SZ
                ? std::string(reinterpret_cast<char*>(data), strnlen(reinterpret_cast<char*>(data), size))
                : std::to_string(size) + " bytes";
        lines.push_back(path + " [" + name + "] " + std::to_string(type) + " " + text);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& child : children) DumpKey(path + "\\" + child, lines);
}

// The subtree at `path`, sorted.
inline std::vector<std::string> Dump(const std::string& path) {
    std::vector<std::string> lines;
    DumpKey(path, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Names of the keys right under `path` (the root for ""), upper-cased.
inline std::set<std::string> Children(const std::string& path) {
    std::set<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.insert(Upper(name));
    }
    RegCloseKey(key);
    return names;
}

inline bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The value `name` (the default value for none) of `path`, or a marker
// saying what is missing.
inline std::string Value(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

inline std::vector<std::string> Added(const std::set<std::string>& before, const std::set<std::string>& after) {
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    return added;
}

// What registration touches: the whole class, type library and interface
// trees, and the names at the root (the ProgIDs live there).
struct RegistryState {
    std::set<std::string> root, clsid, typeLib, iface;
    std::vector<std::string> clsidTree, typeLibTree, ifaceTree;

    static RegistryState Read() {
        RegistryState s;
        s.root = Children("");
        s.clsid = Children("CLSID");
        s.typeLib = Children("TypeLib");
        s.iface = Children("Interface");
        s.clsidTree = Dump("CLSID");
        s.typeLibTree = Dump("TypeLib");
        s.ifaceTree = Dump("Interface");
        return s;
    }
};

// The system's regsvr32 on `dll`; it must end, and without a message box.
inline DWORD Regsvr32(const std::string& options, const std::string& dll, DWORD timeoutMs = 180000) {
    const auto r = wine_test::RunProcess("regsvr32.exe " + options + " \"" + dll + "\"", wine_test::ProgramFolder(), {},
                                         timeoutMs);
    EXPECT_TRUE(r.started && r.finished) << options << " " << dll;
    EXPECT_FALSE(r.windowShown) << "regsvr32 " << options << " " << dll << " showed a window";
    return r.exitCode;
}

// The "name=value" lines a script wrote to `path`.
inline std::map<std::string, std::string> ReadNotes(const std::string& path) {
    std::map<std::string, std::string> notes;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos) notes[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return notes;
}

// Each value `path` [`name`] must read `expected`; an all-upper-case
// expectation (a path, a GUID) is compared without regard to case.
struct ExpectedValue {
    std::string path;
    const char* name;
    std::string expected;
};
inline void ExpectValues(const std::vector<ExpectedValue>& values) {
    for (const auto& v : values) {
        std::string got = Value(v.path, v.name);
        if (v.expected == Upper(v.expected)) got = Upper(got);
        EXPECT_EQ(got, v.expected) << v.path << " " << (v.name ? v.name : "(default)");
    }
}

// `after` holds the same keys and values as `before`; `what` names the library.
inline void ExpectSameRegistry(const RegistryState& after, const RegistryState& before, const std::string& what) {
    EXPECT_EQ(after.root, before.root) << what;
    EXPECT_EQ(after.clsid, before.clsid) << what;
    EXPECT_EQ(after.typeLib, before.typeLib) << what;
    EXPECT_EQ(after.iface, before.iface) << what;
    EXPECT_TRUE(after.clsidTree == before.clsidTree) << what << ": values under CLSID differ";
    EXPECT_TRUE(after.typeLibTree == before.typeLibTree) << what << ": values under TypeLib differ";
    EXPECT_TRUE(after.ifaceTree == before.ifaceTree) << what << ": values under Interface differ";
}

// No key of the class `clsid`, its ProgID `progId` (upper case) or its type library `libid` is left.
inline void ExpectUnregistered(const std::string& progId, REFCLSID clsid, REFGUID libid) {
    EXPECT_EQ(Children("").count(progId), 0u);
    EXPECT_EQ(Children("CLSID").count(Upper(com::GuidText(clsid))), 0u);
    EXPECT_EQ(Children("TypeLib").count(Upper(com::GuidText(libid))), 0u);
}

// The library `kFile` beside the test program, unregistered before and after
// each test (an earlier run may have left it registered).
template <const char* kFile>
class LibraryRegistrationTest : public ::testing::Test {
protected:
    LibraryRegistrationTest() : folder_(wine_test::ProgramFolder()), dll_(folder_ + "\\" + kFile) {}
    void SetUp() override { Regsvr32("/u /s"); }
    void TearDown() override { Regsvr32("/u /s"); }

    DWORD Regsvr32(const std::string& options) { return registration_test::Regsvr32(options, dll_); }

    std::string folder_;
    std::string dll_;
};

// Registers the control library `dll` with regsvr32 and unregisters it again:
// registration adds exactly the class `clsid`, its ProgID `progId`, its type
// library `libid` (version 1.0) and `interfaces` interfaces, with the class's
// usual values and `moreValues`; unregistration (done twice) leaves the
// registry as it found it. Nothing else may run meanwhile: the system's script
// engine, for one, registers its own type library the first time it is used.
inline void ExpectRegistrationUndone(const std::string& dll, const std::string& progId, REFCLSID clsid, REFGUID libid,
                                     size_t interfaces, std::vector<ExpectedValue> moreValues = {}) {
    const std::string clsidText = Upper(com::GuidText(clsid));
    const std::string libidText = Upper(com::GuidText(libid));
    const RegistryState before = RegistryState::Read();
    ASSERT_EQ(before.clsid.count(clsidText), 0u);
    ASSERT_EQ(before.root.count(Upper(progId)), 0u);
    ASSERT_EQ(before.typeLib.count(libidText), 0u);

    ASSERT_EQ(Regsvr32("/s", dll), 0u);
    const RegistryState registered = RegistryState::Read();
    EXPECT_EQ(Added(before.root, registered.root), std::vector<std::string>{Upper(progId)});
    EXPECT_EQ(Added(before.clsid, registered.clsid), std::vector<std::string>{clsidText});
    EXPECT_EQ(Added(before.typeLib, registered.typeLib), std::vector<std::string>{libidText});
    EXPECT_EQ(Added(before.iface, registered.iface).size(), interfaces);
    const std::string key = "CLSID\\" + clsidText;
    std::vector<ExpectedValue> values = {
        {key + "\\InprocServer32", nullptr, Upper(dll)},
        {key + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {key + "\\ProgID", nullptr, progId},
        {key + "\\TypeLib", nullptr, libidText},
        {key + "\\Version", nullptr, "1.0"},
        {key + "\\Control", nullptr, ""},
        {progId + "\\CLSID", nullptr, clsidText},
        {"TypeLib\\" + libidText + "\\1.0\\0\\" + kPlatformKey, nullptr, Upper(dll)},
    };
    values.insert(values.end(), moreValues.begin(), moreValues.end());
    ExpectValues(values);

    ASSERT_EQ(Regsvr32("/u /s", dll), 0u);
    ExpectSameRegistry(RegistryState::Read(), before, dll);
    // A second unregistration finds nothing to remove and harms nothing.
    EXPECT_EQ(Regsvr32("/u /s", dll), 0u);
    EXPECT_EQ(Children(""), before.root);
    EXPECT_TRUE(Dump("CLSID") == before.clsidTree);
}

// The script `script` of the program's folder run by cscript, an outside
// client; its first argument is the file it writes its notes to, then
// `arguments`. It must end with exit code 0 and without showing a window.
inline void RunScript(const std::string& script, const std::string& arguments, DWORD timeoutMs,
                      std::map<std::string, std::string>& notes) {
    const std::string folder = wine_test::ProgramFolder();
    const std::string out = wine_test::TempPath(script + ".txt");
    DeleteFileA(out.c_str());
    const auto run = wine_test::RunProcess(
        "cscript.exe //nologo \"" + folder + "\\" + script + "\" \"" + out + "\" " + arguments, folder, {}, timeoutMs);
    notes = ReadNotes(out);
    DeleteFileA(out.c_str());
    ASSERT_TRUE(run.started && run.finished) << script;
    EXPECT_EQ(run.exitCode, 0u) << script;
    EXPECT_FALSE(run.windowShown) << script << " failed with a message or opened a dialog";
}

// Every note of `expected` is in `seen` with its value; the script first
// notes "created" once it made its objects.
inline void ExpectNotes(const std::map<std::string, std::string>& seen,
                        const std::map<std::string, std::string>& expected) {
    ASSERT_TRUE(seen.count("created")) << "the script could not create its objects";
    for (const auto& [name, value] : expected) {
        const auto it = seen.find(name);
        ASSERT_NE(it, seen.end()) << "the script stopped before " << name;
        EXPECT_EQ(it->second, value) << name;
    }
}

// The system's ATL host window (atl.dll's AtlAxWin) as a child of `parent`
// at `bounds` (left, top, width, height): it creates the control by the
// ProgID in its window text, initialises it new and offers no ambient
// properties. `control` receives the control.
inline void HostInAtlWindow(HWND parent, const char* progId, RECT bounds, com::Window& ax,
                            com::ComPtr<IUnknown>& control) {
    HMODULE atl = LoadLibraryA("atl.dll");
    ASSERT_TRUE(atl);
    using InitFn = BOOL(WINAPI*)();
    using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_TRUE(init && getControl);
    ASSERT_TRUE(init());
    ax.Reset(CreateWindowExA(0, "AtlAxWin", progId, WS_CHILD | WS_VISIBLE, bounds.left, bounds.top, bounds.right,
                             bounds.bottom, parent, nullptr, GetModuleHandleA(nullptr), nullptr));
    ASSERT_TRUE(ax) << progId;
    ASSERT_EQ(getControl(ax.Get(), control.Out()), S_OK) << progId;
    ASSERT_TRUE(control) << progId;
}

}  // namespace registration_test
