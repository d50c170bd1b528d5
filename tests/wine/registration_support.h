// What the registration tests of the control libraries share: snapshots of
// HKEY_CLASSES_ROOT, the system's regsvr32, and the notes an outside script
// writes as "name=value" lines.
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

}  // namespace registration_test
