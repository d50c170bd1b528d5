// Where the project's programs and libraries load code from: the folder of the
// module that asks for it and the system folder, never the current folder or
// PATH, where a file that someone planted would run with the user's rights.
// Header-only, so that each program and control library carries its own copy.
#pragma once

#include <windows.h>

#include <string>

namespace com {

// The full path of a module's file, however long; empty when it cannot be had.
inline std::wstring ModuleFileW(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);  // cut short: ask again with more room
    }
}

// The full path of `fileName` in the folder of `module` (null: the program's);
// empty when the module's path cannot be had.
inline std::wstring PathBesideModule(HMODULE module, const std::wstring& fileName) {
    const std::wstring own = ModuleFileW(module);
    const size_t slash = own.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    return own.substr(0, slash + 1) + fileName;
}

// The full path of `fileName` in the system folder; empty when it cannot be had.
inline std::wstring PathInSystemFolder(const std::wstring& fileName) {
    const UINT size = GetSystemDirectoryW(nullptr, 0);
    if (size == 0) return {};
    std::wstring folder(size, L'\0');
    const UINT n = GetSystemDirectoryW(folder.data(), size);
    if (n == 0 || n >= size) return {};
    folder.resize(n);
    if (folder.back() != L'\\') folder += L'\\';
    return folder + fileName;
}

// Whether LoadLibraryEx takes the LOAD_LIBRARY_SEARCH_* flags: Windows 8 and
// later, and Windows 7 with its loader update, which also brought AddDllDirectory.
inline bool LoaderTakesSearchFlags() {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel && GetProcAddress(kernel, "AddDllDirectory");
}

// Loads the library `fileName`, a bare file name, from the folder of `asker`
// (null: the program's), or else from the system folder; null when neither
// holds one that loads (GetLastError tells why). Both are tried by full path,
// so no other folder is ever searched for it; the libraries it imports are
// looked for in its own folder and the system folder, or, where the loader
// lacks the search flags, in its own folder first.
inline HMODULE LoadLibraryBesideOrSystem(HMODULE asker, const std::wstring& fileName,
                                         bool searchFlags = LoaderTakesSearchFlags()) {
    if (fileName.empty() || fileName.find_first_of(L"\\/:") != std::wstring::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const DWORD flags = searchFlags ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                    : LOAD_WITH_ALTERED_SEARCH_PATH;
    DWORD error = ERROR_MOD_NOT_FOUND;
    for (const std::wstring& path : {PathBesideModule(asker, fileName), PathInSystemFolder(fileName)}) {
        if (path.empty()) continue;
        if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, flags)) return module;
        error = GetLastError();
    }
    SetLastError(error);
    return nullptr;
}

// For a program, once, as it starts: libraries asked for by bare name are
// looked for in the program's folder and the system folders only. Where the
// loader lacks SetDefaultDllDirectories the current folder still drops out of
// the search, through SetDllDirectory. Never for a control library: it must
// leave its host's search as the host set it.
inline void RestrictLibrarySearch() {
    SetDllDirectoryW(L"");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                         reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace com
