// Small header-only COM support compiled into each of the project's COM
// servers: an owning interface pointer, reference counting with a module
// object count, a class factory, IDispatch over the server's own embedded
// type library, and registration of an in-process server.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <string>
#include <utility>

#include "com/text.h"
#include "com/win_handles.h"

namespace com {

// Owns one reference to an interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p, bool addRef = false) : p_(p) {
        if (p_ && addRef) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* Detach() { return std::exchange(p_, nullptr); }
    ComPtr Copy() const { return ComPtr(p_, true); }

    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(iid, out.OutVoid());
        return out;
    }

private:
    T* p_ = nullptr;
};

// Counts the live objects and locks of one server module, for DllCanUnloadNow.
inline std::atomic<long>& ModuleCount() {
    static std::atomic<long> count{0};
    return count;
}

// This module's handle (the DLL's, when the code lives in a DLL).
inline HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

inline std::string ModulePath(HMODULE module) {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

// Reference counting and the module count for an object; the derived class
// answers QueryInterface through FindInterface.
class RefCounted {
public:
    RefCounted() { ++ModuleCount(); }
    virtual ~RefCounted() = 0;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

protected:
    ULONG AddRefImpl() { return static_cast<ULONG>(++refs_); }
    ULONG ReleaseImpl() {
        const long left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

private:
    std::atomic<long> refs_{1};
};

inline RefCounted::~RefCounted() { --ModuleCount(); }

#define COM_REFCOUNT_METHODS(findInterface)                                       \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                \
        if (!out) return E_POINTER;                                               \
        *out = findInterface(iid);                                                \
        if (!*out) return E_NOINTERFACE;                                          \
        static_cast<IUnknown*>(*out)->AddRef();                                   \
        return S_OK;                                                              \
    }                                                                             \
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }               \
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

// The type information of one interface of the type library embedded in this
// module as resource 1, loaded once without registration.
inline HRESULT LoadOwnTypeInfo(REFGUID guid, ITypeInfo** out) {
    *out = nullptr;
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(AnsiToWide(ModulePath(ThisModule())).c_str(), REGKIND_NONE, lib.Out());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(guid, out);
}

// IDispatch of a dual interface, answered from its type information.
// `Iface` is the dual interface the object implements.
template <class Iface>
class DispatchOver : public Iface {
public:
    explicit DispatchOver(REFIID iid) : iid_(iid) {}

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        typeInfo_->AddRef();
        *out = typeInfo_.Get();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(typeInfo_.Get(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<Iface*>(this), typeInfo_.Get(), id, flags, params, result, excep, argErr);
    }

private:
    HRESULT EnsureTypeInfo() {
        if (typeInfo_) return S_OK;
        return LoadOwnTypeInfo(iid_, typeInfo_.Out());
    }
    IID iid_;
    ComPtr<ITypeInfo> typeInfo_;
};

// Class factory of one object class. `Create(REFIID, void**)` makes an object.
template <HRESULT (*Create)(REFIID, void**)>
class ClassFactory : public IClassFactory, public RefCounted {
public:
    COM_REFCOUNT_METHODS(Find)
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return Create(iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) ++ModuleCount();
        else --ModuleCount();
        return S_OK;
    }

private:
    void* Find(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) return static_cast<IClassFactory*>(this);
        return nullptr;
    }
};

// Hands out the factory of a class for DllGetClassObject.
template <HRESULT (*Create)(REFIID, void**)>
HRESULT GetFactory(REFIID iid, void** out) {
    auto* factory = new ClassFactory<Create>();
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

// A new object of class T that answers `iid`, for a class factory's Create.
template <class T>
HRESULT CreateObject(REFIID iid, void** out) {
    auto* object = new T();
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

inline std::string GuidText(REFGUID guid) {
    wchar_t wide[64] = {};
    const int n = StringFromGUID2(guid, wide, 64);
    return WideToAnsi(wide, n > 0 ? static_cast<size_t>(n - 1) : 0);
}

// Sets a string value (default value when name is null) under HKEY_CLASSES_ROOT.
inline bool SetClassesValue(const std::string& key, const char* name, const std::string& value) {
    RegKey h;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, h.Out(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExA(h.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

inline void DeleteClassesTree(const std::string& key) { RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()); }

// What an in-process server registers and serves for one class.
struct ServerClass {
    CLSID clsid;
    const char* progId;        // "Library.Class"
    const char* description;
    const char* threading;     // "Apartment"
    bool control;              // adds the Control and ToolboxBitmap32 entries
    GUID typeLib;
    WORD typeLibMajor;
    WORD typeLibMinor;
    HRESULT (*getFactory)(REFIID, void**);  // GetFactory<the class's Create>
};

inline bool ClassesKeyHasSubkeys(const std::string& key) {
    RegKey h;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, h.Out()) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    return RegQueryInfoKeyA(h.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

inline std::string ClassesValue(const std::string& key) {
    char data[256] = {};
    LONG size = sizeof data - 1;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), data, &size) != ERROR_SUCCESS) return "";
    return data;
}

// Whether the other width's registry view (on 64-bit Windows) still has this
// class. The ProgID and the type library's key are shared by both views, so
// they stay while the other width's library is registered; on a 32-bit system
// there is one view, and the class was just removed from it.
inline bool OtherViewHasClass(REFCLSID clsid) {
    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const std::string key = "CLSID\\" + GuidText(clsid) + "\\InprocServer32";
    RegKey h;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | otherView, h.Out()) == ERROR_SUCCESS;
}

// Removes the interface keys of this module's type library that still name
// it, then its version key, and the library key when no version is left.
// While the other width's library stays registered, only this width's
// platform key of the version goes. The system's UnRegisterTypeLib does the
// same, but it finds the interfaces through the file registered under the
// version key and gives up when it cannot load that file; what it leaves is
// removed here.
inline void RemoveTypeLibKeys(REFGUID libid, WORD major, WORD minor, bool otherWidthStays) {
    const std::string lib = GuidText(libid);
    ComPtr<ITypeLib> own;
    if (SUCCEEDED(LoadTypeLibEx(AnsiToWide(ModulePath(ThisModule())).c_str(), REGKIND_NONE, own.Out()))) {
        const UINT count = own->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            TYPEKIND kind;
            if (FAILED(own->GetTypeInfoType(i, &kind)) || (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH))
                continue;
            ComPtr<ITypeInfo> info;
            TYPEATTR* attr = nullptr;
            if (FAILED(own->GetTypeInfo(i, info.Out())) || FAILED(info->GetTypeAttr(&attr))) continue;
            const std::string key = "Interface\\" + GuidText(attr->guid);
            info->ReleaseTypeAttr(attr);
            if (lstrcmpiA(ClassesValue(key + "\\TypeLib").c_str(), lib.c_str()) == 0) DeleteClassesTree(key);
        }
    }
    char version[32];
    wsprintfA(version, "%x.%x", major, minor);
    const std::string versionKey = "TypeLib\\" + lib + "\\" + version;
    if (otherWidthStays) {
        DeleteClassesTree(versionKey + (sizeof(void*) == 8 ? "\\0\\win64" : "\\0\\win32"));
        return;
    }
    DeleteClassesTree(versionKey);
    if (!ClassesKeyHasSubkeys("TypeLib\\" + lib)) DeleteClassesTree("TypeLib\\" + lib);
}

// Removes exactly what RegisterServerClass added, but what the other width's
// registration shares.
inline void UnregisterServerClass(const ServerClass& c) {
    DeleteClassesTree("CLSID\\" + GuidText(c.clsid));
    const bool otherWidthStays = OtherViewHasClass(c.clsid);
    if (!otherWidthStays) DeleteClassesTree(c.progId);
    // Its failure (nothing registered, or a file it cannot load) is made good by the sweep.
    UnRegisterTypeLib(c.typeLib, c.typeLibMajor, c.typeLibMinor, LOCALE_NEUTRAL,
                      sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    RemoveTypeLibKeys(c.typeLib, c.typeLibMajor, c.typeLibMinor, otherWidthStays);
}

// Registers the class, its ProgID and the module's type library under the
// module's own path; the caller removes a registration that fails part-way.
inline HRESULT RegisterServerClass(const ServerClass& c) {
    const std::string clsid = GuidText(c.clsid);
    const std::string path = ModulePath(ThisModule());
    const std::string key = "CLSID\\" + clsid;
    char version[16];
    wsprintfA(version, "%u.%u", c.typeLibMajor, c.typeLibMinor);
    bool ok = SetClassesValue(key, nullptr, c.description) &&
              SetClassesValue(key + "\\InprocServer32", nullptr, path) &&
              SetClassesValue(key + "\\InprocServer32", "ThreadingModel", c.threading) &&
              SetClassesValue(key + "\\ProgID", nullptr, c.progId) &&
              SetClassesValue(key + "\\TypeLib", nullptr, GuidText(c.typeLib)) &&
              SetClassesValue(key + "\\Version", nullptr, version) &&
              SetClassesValue(c.progId, nullptr, c.description) &&
              SetClassesValue(std::string(c.progId) + "\\CLSID", nullptr, clsid);
    if (ok && c.control)
        ok = SetClassesValue(key + "\\Control", nullptr, "") &&
             SetClassesValue(key + "\\ToolboxBitmap32", nullptr, path + ", 1");

    if (!ok) return SELFREG_E_CLASS;
    const std::wstring wide = AnsiToWide(path);
    ComPtr<ITypeLib> lib;
    if (FAILED(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, lib.Out())) ||
        FAILED(RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(wide.c_str()), nullptr)))
        return SELFREG_E_TYPELIB;
    return S_OK;
}

}  // namespace com
