// Cost of one port write through the port-access component, called as the
// program calls it (IDispatch::Invoke, dispatch id 2, two VT_I2 arguments),
// without and with the port trace. Prints mean and median per write.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "com/com_support.h"

namespace {

const CLSID kClsidHwinterface = {0xe6b59980, 0x497a, 0x4656, {0xa0, 0x4b, 0x9b, 0x5d, 0x08, 0xef, 0x5d, 0xcf}};
constexpr DISPID kDispOut = 2;
constexpr int kScritture = 200000;
constexpr int kPerLotto = 100;  // writes timed together, so the clock's own cost stays out
constexpr int kRiscaldamento = 2000;
constexpr short kIndirizzo = 0x378;
constexpr double kObiettivoSenzaTraccia = 1.0;  // microseconds
constexpr double kObiettivoConTraccia = 10.0;

std::string CartellaProgramma() {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

struct Libreria {
    HMODULE h = nullptr;
    explicit Libreria(const std::string& path) : h(LoadLibraryA(path.c_str())) {}
    ~Libreria() {
        if (h) FreeLibrary(h);
    }
    Libreria(const Libreria&) = delete;
    Libreria& operator=(const Libreria&) = delete;
};

struct Ole {
    HRESULT hr = OleInitialize(nullptr);
    ~Ole() {
        if (SUCCEEDED(hr)) OleUninitialize();
    }
};

// A new instance from the DLL beside the program, without registration. The
// trace file is chosen when the instance is created.
com::ComPtr<IDispatch> CreaComponente(HMODULE dll) {
    com::ComPtr<IDispatch> disp;
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    if (!get) return disp;
    com::ComPtr<IClassFactory> factory;
    if (FAILED(get(kClsidHwinterface, IID_IClassFactory, factory.OutVoid())) || !factory) return disp;
    factory->CreateInstance(nullptr, IID_IDispatch, disp.OutVoid());
    return disp;
}

struct Misura {
    double media = 0;    // microseconds per write
    double mediana = 0;  // median over the batches of kPerLotto writes
    int errori = 0;
};

Misura MisuraScritture(IDispatch* port, bool perRiferimento) {
    short indirizzo = kIndirizzo, valore = 0;
    VARIANT args[2];  // last argument first
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    if (perRiferimento) {
        args[1].vt = VT_I2 | VT_BYREF;
        args[1].piVal = &indirizzo;
        args[0].vt = VT_I2 | VT_BYREF;
        args[0].piVal = &valore;
    } else {
        args[1].vt = VT_I2;
        args[1].iVal = kIndirizzo;
        args[0].vt = VT_I2;
    }
    DISPPARAMS params = {args, nullptr, 2, 0};
    Misura m;
    auto scrivi = [&](int i) {
        valore = static_cast<short>(i & 0xFF);
        if (!perRiferimento) args[0].iVal = valore;
        if (port->Invoke(kDispOut, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr) != S_OK)
            ++m.errori;
    };
    for (int i = 0; i < kRiscaldamento; ++i) scrivi(i);

    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    const double usPerTick = 1e6 / static_cast<double>(f.QuadPart);
    std::vector<double> lotti;
    lotti.reserve(kScritture / kPerLotto);
    LONGLONG totale = 0;
    for (int l = 0; l < kScritture / kPerLotto; ++l) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        for (int i = 0; i < kPerLotto; ++i) scrivi(l * kPerLotto + i);
        QueryPerformanceCounter(&b);
        totale += b.QuadPart - a.QuadPart;
        lotti.push_back((b.QuadPart - a.QuadPart) * usPerTick / kPerLotto);
    }
    std::nth_element(lotti.begin(), lotti.begin() + lotti.size() / 2, lotti.end());
    m.mediana = lotti[lotti.size() / 2];
    m.media = totale * usPerTick / (kScritture / kPerLotto * kPerLotto);
    return m;
}

int ContaRighe(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    int n = 0;
    for (int c; (c = std::fgetc(f)) != EOF;)
        if (c == '\n') ++n;
    std::fclose(f);
    return n;
}

bool Riporta(const char* caso, const Misura& m, double obiettivo) {
    const bool ok = m.media < obiettivo && m.errori == 0;
    std::printf("  %-24s mean %8.3f us   median %8.3f us   goal < %4.1f us: %s", caso, m.media, m.mediana,
                obiettivo, ok ? "met" : "MISSED");
    if (m.errori) std::printf("  (%d writes failed)", m.errori);
    std::printf("\n");
    return ok;
}

}  // namespace

int main() {
    Ole ole;
    if (FAILED(ole.hr)) {
        std::printf("port_write_bench: OleInitialize failed (0x%08lX)\n", static_cast<unsigned long>(ole.hr));
        return 1;
    }
    const std::string cartella = CartellaProgramma();
    Libreria dll(cartella + "hwinterface.ocx");
    if (!dll.h) {
        std::printf("port_write_bench: cannot load %shwinterface.ocx\n", cartella.c_str());
        return 1;
    }

    std::printf("Port write: IDispatch::Invoke, dispatch id 2, address 0x%X, %d writes per case\n", kIndirizzo,
                kScritture);
    bool ok = true;
    int errori = 0;

    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", nullptr);
    {
        auto port = CreaComponente(dll.h);
        if (!port) {
            std::printf("port_write_bench: cannot create the port-access component\n");
            return 1;
        }
        for (bool rif : {false, true}) {
            const Misura m = MisuraScritture(port.Get(), rif);
            ok &= Riporta(rif ? "no trace, by reference" : "no trace, by value", m, kObiettivoSenzaTraccia);
            errori += m.errori;
        }
    }

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string traccia =
        std::string(temp) + "quelmar-bench-" + std::to_string(GetCurrentProcessId()) + "-trace.txt";
    DeleteFileA(traccia.c_str());
    SetEnvironmentVariableA("QUELMAR_PORT_TRACE", traccia.c_str());
    {
        auto port = CreaComponente(dll.h);
        SetEnvironmentVariableA("QUELMAR_PORT_TRACE", nullptr);
        if (!port) {
            std::printf("port_write_bench: cannot create the port-access component\n");
            DeleteFileA(traccia.c_str());
            return 1;
        }
        for (bool rif : {false, true}) {
            const Misura m = MisuraScritture(port.Get(), rif);
            ok &= Riporta(rif ? "trace, by reference" : "trace, by value", m, kObiettivoConTraccia);
            errori += m.errori;
        }
    }
    // Every write, warm-up included, must have reached the trace.
    const int righe = ContaRighe(traccia);
    const int attese = 2 * (kRiscaldamento + kScritture);
    std::printf("  trace file: %d lines (expected %d)\n", righe, attese);
    if (righe != attese) ok = false;
    DeleteFileA(traccia.c_str());

    std::printf("Goals (mean per write): under %.0f us without the trace, under %.0f us with it: %s\n",
                kObiettivoSenzaTraccia, kObiettivoConTraccia, ok ? "all met" : "NOT all met");
    return errori == 0 && righe == attese ? 0 : 1;
}
