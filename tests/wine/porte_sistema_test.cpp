// Port discovery under Wine: the system refuses the physical-memory section
// and gives no parallel port any I/O resources, so both addresses come out 0,
// every run, with no handle left behind.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "services/porte_sistema.h"

namespace Porte_Sistema {
namespace {

// Open handles of this process. GetProcessHandleCount reports 0 under Wine,
// so every plausible handle value is asked about instead.
int ContaHandle() {
    int n = 0;
    for (uintptr_t v = 4; v < 0x10000; v += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++n;
    }
    return n;
}

int HandleDopo50Letture() {
    int16_t lpt1 = 0, lpt2 = 0;
    LeggiPorte(lpt1, lpt2);  // the first run may load libraries that keep handles
    const int prima = ContaHandle();
    for (int i = 0; i < 50; ++i) LeggiPorte(lpt1, lpt2);
    return ContaHandle() - prima;
}

TEST(LeggiPorte, BothPortsAbsentUnderWineAndOverwrittenOnEveryRun) {
    // Wine, like every modern Windows, refuses the section: the fallback is taken.
    EXPECT_FALSE(LeggiTabellaFirmware().has_value());

    for (int run = 0; run < 2; ++run) {
        int16_t lpt1 = 0x378, lpt2 = 0x278;
        LeggiPorte(lpt1, lpt2);
        EXPECT_EQ(lpt1, 0) << "run " << run;
        EXPECT_EQ(lpt2, 0) << "run " << run;
    }
}

TEST(LeggiPorte, LeavesNoHandleBehind) { EXPECT_LE(HandleDopo50Letture(), 0); }

const GUID kClassePorte = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr char kEnumeratore[] = "QUELMARTEST";  // the test's own devices: ROOT\QUELMARTEST\nnnn

// Removes devices a test run left behind when it ended before its clean-up.
void RimuoviDispositiviDiProva() {
    HDEVINFO tutti = SetupDiGetClassDevsA(&kClassePorte, nullptr, nullptr, 0);
    if (tutti == INVALID_HANDLE_VALUE) return;
    const std::string prefisso = std::string("ROOT\\") + kEnumeratore + "\\";
    SP_DEVINFO_DATA d;
    d.cbSize = sizeof d;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(tutti, i, &d); ++i) {
        char id[512] = {};
        if (SetupDiGetDeviceInstanceIdA(tutti, &d, id, sizeof id, nullptr) &&
            _strnicmp(id, prefisso.c_str(), prefisso.size()) == 0)
            SetupDiRemoveDevice(tutti, &d);
    }
    SetupDiDestroyDeviceInfoList(tutti);
}

// A device of the Ports class named LPT1, registered in the prefix for the
// length of one test and removed after.
class PortaRegistrata : public ::testing::Test {
protected:
    void SetUp() override {
        RimuoviDispositiviDiProva();
        elenco_ = SetupDiCreateDeviceInfoList(&kClassePorte, nullptr);
        ASSERT_NE(elenco_, INVALID_HANDLE_VALUE);
        dispositivo_.cbSize = sizeof dispositivo_;
        ASSERT_TRUE(SetupDiCreateDeviceInfoA(elenco_, kEnumeratore, &kClassePorte, nullptr, nullptr, DICD_GENERATE_ID,
                                             &dispositivo_));
        ASSERT_TRUE(SetupDiRegisterDeviceInfo(elenco_, &dispositivo_, 0, nullptr, nullptr, nullptr));
        registrato_ = true;
        HKEY chiave = SetupDiCreateDevRegKeyA(elenco_, &dispositivo_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        ASSERT_NE(chiave, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
        const LONG r = RegSetValueExA(chiave, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>("LPT1"), 5);
        RegCloseKey(chiave);
        ASSERT_EQ(r, ERROR_SUCCESS);
    }
    void TearDown() override {
        if (registrato_) {
            EXPECT_TRUE(SetupDiRemoveDevice(elenco_, &dispositivo_));
        }
        if (elenco_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(elenco_);
    }

    HDEVINFO elenco_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA dispositivo_ = {};
    bool registrato_ = false;
};

TEST_F(PortaRegistrata, PortWithoutResourcesStaysAbsentWithoutCrashOrLeak) {
    int16_t lpt1 = 0x378, lpt2 = 0x278;
    LeggiPorte(lpt1, lpt2);
    EXPECT_EQ(lpt1, 0);
    EXPECT_EQ(lpt2, 0);
    EXPECT_LE(HandleDopo50Letture(), 0);
}

}  // namespace
}  // namespace Porte_Sistema
