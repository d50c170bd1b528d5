// modRegistry against the real registry, under a key of the tests' own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/mod_registry.h"

namespace {

constexpr char kChiave[] = "Software\\QuelmarTest\\Run";

class ModRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuelmarTest"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuelmarTest"); }

    static void Valore(const char* nome, DWORD tipo, const std::vector<BYTE>& dati) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kChiave, &k), ERROR_SUCCESS);
        RegSetValueExA(k, nome, 0, tipo, dati.data(), static_cast<DWORD>(dati.size()));
        RegCloseKey(k);
    }
};

TEST_F(ModRegistryTest, WriteReadAndDeleteTheEntry) {
    using namespace modRegistry;
    // The key is missing: nothing to read, and deleting creates it quietly.
    EXPECT_EQ(LeggiValore(kHKeyCurrentUser, kChiave, "QUELMAR"), "");
    CancellaValore(kHKeyCurrentUser, kChiave, "QUELMAR");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kChiave, &k), ERROR_SUCCESS);

    ScriviValore(kHKeyCurrentUser, kChiave, "QUELMAR", "C:\\Strumenti\\Quelmar.EXE");
    // Stored without a terminator, REG_SZ, exactly the characters of the text.
    DWORD tipo = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(k, "QUELMAR", nullptr, &tipo, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(tipo, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 25u);
    RegCloseKey(k);
    EXPECT_EQ(LeggiValore(kHKeyCurrentUser, kChiave, "QUELMAR"), "C:\\Strumenti\\Quelmar.EXE");

    CancellaValore(kHKeyCurrentUser, kChiave, "QUELMAR");
    EXPECT_EQ(LeggiValore(kHKeyCurrentUser, kChiave, "QUELMAR"), "");
    // Deleting an absent value changes nothing.
    CancellaValore(kHKeyCurrentUser, kChiave, "QUELMAR");
    EXPECT_EQ(LeggiValore(kHKeyCurrentUser, kChiave, "QUELMAR"), "");
}

TEST_F(ModRegistryTest, ValuesOfEachTypeReadAsTheAutostartTestNeeds) {
    const struct {
        const char* nome;
        DWORD tipo;
        std::vector<BYTE> dati;
        const char* letto;
    } casi[] = {
        {"testo con zero", REG_SZ, {'a', 'b', 0, 'c', 0}, "ab"},
        {"testo senza zero", REG_SZ, {'x', 'y', 'z'}, "xyz"},
        {"testo vuoto", REG_SZ, {}, ""},
        {"binario di due byte", REG_BINARY, {0x00, 0xDC}, "-9216"},
        {"binario di un byte", REG_BINARY, {0x07}, "7"},
        {"binario lungo", REG_BINARY, {0x01, 0x02, 0xFF, 0xFF, 0xFF}, "513"},
        {"binario vuoto", REG_BINARY, {}, "0"},
        {"dword", REG_DWORD, {1, 0, 0, 0}, ""},
        {"testo espandibile", REG_EXPAND_SZ, {'%', 'A', '%', 0}, ""},
    };
    for (const auto& c : casi) {
        Valore(c.nome, c.tipo, c.dati);
        EXPECT_EQ(modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser, kChiave, c.nome), c.letto) << c.nome;
    }
    EXPECT_EQ(modRegistry::LeggiValore(modRegistry::kHKeyCurrentUser, kChiave, "assente"), "");
}

}  // namespace
