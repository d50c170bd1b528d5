// Port discovery through the native section interface, with the device
// configuration as the fallback. Every handle and view is released on return.
#include "porte_sistema.h"

#include <windows.h>
#include <winternl.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "com/win_handles.h"

namespace Porte_Sistema {

namespace {

using DeviceList = com::UniqueHandle<HDEVINFO, &SetupDiDestroyDeviceInfoList>;
using LogConf = com::UniqueHandle<LOG_CONF, &CM_Free_Log_Conf_Handle>;
using ResDes = com::UniqueHandle<RES_DES, &CM_Free_Res_Des_Handle>;

// The native calls, looked up in ntdll: the MinGW import library lacks some.
using NtOpenSectionFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using NtMapViewOfSectionFn = LONG(NTAPI*)(HANDLE, HANDLE, PVOID*, ULONG_PTR, SIZE_T, PLARGE_INTEGER, PSIZE_T,
                                          ULONG, ULONG, ULONG);
using NtUnmapViewOfSectionFn = LONG(NTAPI*)(HANDLE, PVOID);

constexpr ACCESS_MASK kSectionMapRead = 4;
constexpr ULONG kViewShare = 1;
constexpr LONG kObjCaseInsensitive = 0x40;
constexpr SIZE_T kDimensioneVista = kDimensioneTabella;

bool RiuscitaNt(LONG status) { return status >= 0; }

template <class Fn>
Fn FunzioneNtdll(HMODULE ntdll, const char* nome) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ntdll, nome)));
}

// A mapped view of the section, unmapped when it goes.
class SectionView {
public:
    SectionView(NtUnmapViewOfSectionFn unmap, void* base) : unmap_(unmap), base_(base) {}
    SectionView(const SectionView&) = delete;
    SectionView& operator=(const SectionView&) = delete;
    ~SectionView() { unmap_(GetCurrentProcess(), base_); }

private:
    NtUnmapViewOfSectionFn unmap_;
    void* base_;
};

// The Ports device class: serial and parallel ports.
const GUID kClassePorte = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Guards against a device configuration that never ends its list.
constexpr int kMassimoDescrittori = 64;
constexpr ULONG kMassimaDimensioneDescrittore = 64 * 1024;

// The device's "PortName" ("LPT1", "COM3"...), empty when it has none.
std::string NomePorta(HDEVINFO elenco, SP_DEVINFO_DATA& dispositivo) {
    const HKEY k = SetupDiOpenDevRegKey(elenco, &dispositivo, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (k == nullptr || k == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE)) return {};
    const com::RegKey chiave(k);
    char testo[64] = {};
    DWORD tipo = 0, dimensione = sizeof testo;
    if (RegQueryValueExA(chiave.Get(), "PortName", nullptr, &tipo, reinterpret_cast<BYTE*>(testo), &dimensione) !=
            ERROR_SUCCESS ||
        tipo != REG_SZ || dimensione > sizeof testo)
        return {};
    // The stored text may or may not carry its terminating NUL.
    std::string nome(testo, dimensione);
    nome.erase(std::min(nome.find('\0'), nome.size()));
    return nome;
}

// Wine assigns no hardware resources, and its configuration manager exports
// the resource queries as stubs that abort the process when called.
bool RisorseConsultabili() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
}

// The I/O ranges of the device's allocated configuration, or of its boot
// configuration when nothing is allocated.
std::vector<IntervalloIO> IntervalliIO(DEVINST istanza) {
    std::vector<IntervalloIO> intervalli;
    if (!RisorseConsultabili()) return intervalli;
    LOG_CONF lc = 0;
    if (CM_Get_First_Log_Conf(&lc, istanza, ALLOC_LOG_CONF) != CR_SUCCESS) {
        lc = 0;
        if (CM_Get_First_Log_Conf(&lc, istanza, BOOT_LOG_CONF) != CR_SUCCESS) return intervalli;
    }
    const LogConf configurazione(lc);
    ResDes corrente;
    for (int n = 0; n < kMassimoDescrittori; ++n) {
        RES_DES rd = 0;
        const RES_DES da = corrente ? corrente.Get() : configurazione.Get();
        if (CM_Get_Next_Res_Des(&rd, da, ResType_IO, nullptr, 0) != CR_SUCCESS) break;
        corrente = ResDes(rd);
        ULONG dimensione = 0;
        if (CM_Get_Res_Des_Data_Size(&dimensione, rd, 0) != CR_SUCCESS || dimensione < sizeof(IO_DES) ||
            dimensione > kMassimaDimensioneDescrittore)
            continue;
        std::vector<uint8_t> dati(dimensione);
        if (CM_Get_Res_Des_Data(rd, dati.data(), dimensione, 0) != CR_SUCCESS) continue;
        IO_DES io;
        std::memcpy(&io, dati.data(), sizeof io);
        intervalli.push_back({io.IOD_Alloc_Base, io.IOD_Alloc_End});
    }
    return intervalli;
}

}  // namespace

std::optional<IndirizziLPT> LeggiTabellaFirmware() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return std::nullopt;
    const auto openSection = FunzioneNtdll<NtOpenSectionFn>(ntdll, "NtOpenSection");
    const auto mapView = FunzioneNtdll<NtMapViewOfSectionFn>(ntdll, "NtMapViewOfSection");
    const auto unmapView = FunzioneNtdll<NtUnmapViewOfSectionFn>(ntdll, "NtUnmapViewOfSection");
    if (!openSection || !mapView || !unmapView) return std::nullopt;

    wchar_t nomeOggetto[] = L"\\device\\physicalmemory";
    UNICODE_STRING nome;
    nome.Buffer = nomeOggetto;
    nome.Length = static_cast<USHORT>(sizeof nomeOggetto - sizeof(wchar_t));
    nome.MaximumLength = static_cast<USHORT>(sizeof nomeOggetto);
    OBJECT_ATTRIBUTES attributi;
    InitializeObjectAttributes(&attributi, &nome, kObjCaseInsensitive, nullptr, nullptr);

    // Any refusal (the usual case: user programs may not open physical memory)
    // means no bytes can be read; nothing is copied from an unmapped view.
    HANDLE h = nullptr;
    if (!RiuscitaNt(openSection(&h, kSectionMapRead, &attributi)) || !h) return std::nullopt;
    const com::KernelHandle sezione(h);

    void* base = nullptr;
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(kIndirizzoTabella);
    SIZE_T dimensione = kDimensioneVista;
    if (!RiuscitaNt(mapView(sezione.Get(), GetCurrentProcess(), &base, 0, kDimensioneVista, &offset, &dimensione,
                            kViewShare, 0, PAGE_READONLY)) ||
        !base)
        return std::nullopt;
    const SectionView vista(unmapView, base);

    // The system may have lowered the offset and enlarged the view; the table
    // is found from what it reports.
    uint8_t tabella[kDimensioneTabella];
    if (offset.QuadPart < 0 ||
        !CopiaTabella(base, static_cast<uint64_t>(offset.QuadPart), static_cast<uint64_t>(dimensione), tabella))
        return std::nullopt;
    return DecodificaTabella(tabella);
}

IndirizziLPT LeggiConfigurazioneDispositivi() {
    IndirizziLPT trovati;
    const HDEVINFO h = SetupDiGetClassDevsA(&kClassePorte, nullptr, nullptr, DIGCF_PRESENT);
    if (h == INVALID_HANDLE_VALUE) return trovati;
    const DeviceList elenco(h);
    SP_DEVINFO_DATA dispositivo;
    dispositivo.cbSize = sizeof dispositivo;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(elenco.Get(), i, &dispositivo); ++i) {
        const int indice = IndiceLPT(NomePorta(elenco.Get(), dispositivo));
        if (indice == 0) continue;
        int16_t& porta = indice == 1 ? trovati.LPT1 : trovati.LPT2;
        // Two devices claiming one name: the first that has an address keeps it.
        if (porta == 0) porta = BaseDaIntervalli(IntervalliIO(dispositivo.DevInst));
    }
    return trovati;
}

void LeggiPorte(int16_t& PortaLPT1, int16_t& PortaLPT2) {
    const std::optional<IndirizziLPT> tabella = LeggiTabellaFirmware();
    const IndirizziLPT trovati = tabella ? *tabella : LeggiConfigurazioneDispositivi();
    PortaLPT1 = trovati.LPT1;
    PortaLPT2 = trovati.LPT2;
}

}  // namespace Porte_Sistema
