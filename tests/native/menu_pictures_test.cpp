// The menu pictures' maps and the tables of which entry shows which picture.
#include "sequencer/menu_pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace quelmar {
namespace {

using ImmaginiMenu::Assegnazione;

std::vector<std::string> Chiavi() {
    std::vector<std::string> c;
    for (const auto& im : ImmaginiMenu::Immagini()) c.push_back(im.Chiave);
    return c;
}

TEST(MenuPictures, KeyedPicturesInListOrder) {
    EXPECT_EQ(Chiavi(), (std::vector<std::string>{"Apri2", "Salva2", "Nuovo2", "Print", "Print2", "Int", "Exit",
                                                  "Opz", "Graph"}));
}

// Every map is a full square of known colours, shows something and lets the
// menu show through somewhere; no two pictures look alike.
TEST(MenuPictures, MapsAreFullSquaresOfKnownColoursAndAllDiffer) {
    std::set<std::string> viste;
    for (const auto& im : ImmaginiMenu::Immagini()) {
        std::string tutto;
        int pieni = 0, vuoti = 0;
        for (const char* riga : im.Righe) {
            ASSERT_NE(riga, nullptr) << im.Chiave;
            ASSERT_EQ(std::strlen(riga), static_cast<size_t>(ImmaginiMenu::kLato)) << im.Chiave << ": " << riga;
            for (const char* c = riga; *c; ++c) {
                uint32_t rgb = 0;
                if (*c == '.') {
                    ++vuoti;
                } else {
                    EXPECT_TRUE(ImmaginiMenu::ColorePixel(*c, rgb)) << im.Chiave << " '" << *c << "'";
                    ++pieni;
                }
            }
            tutto += riga;
        }
        EXPECT_GT(pieni, 40) << im.Chiave;
        EXPECT_GT(vuoti, 0) << im.Chiave;
        EXPECT_TRUE(viste.insert(tutto).second) << im.Chiave << " repeats another picture";
    }
}

TEST(MenuPictures, ColoursOfTheMap) {
    const struct {
        char c;
        bool colore;
        uint32_t rgb;
    } casi[] = {{'k', true, 0x000000}, {'w', true, 0xFFFFFF}, {'G', true, 0x10A010}, {'.', false, 0},
                {' ', false, 0},        {'\0', false, 0},      {'K', false, 0}};
    for (const auto& c : casi) {
        uint32_t rgb = 0xDEADBEEF;
        EXPECT_EQ(ImmaginiMenu::ColorePixel(c.c, rgb), c.colore) << int(c.c);
        if (c.colore) {
            EXPECT_EQ(rgb, c.rgb) << c.c;
        }
    }
}

TEST(MenuPictures, KeyPositionFromOneIgnoringCase) {
    const std::vector<std::string> chiavi = Chiavi();
    const struct {
        const char* chiave;
        int posizione;
    } casi[] = {{"Apri2", 1}, {"Opz", 8},  {"print2", 5}, {"PRINT", 4}, {"Print ", 0},
                {"", 0},      {"Apri", 0}, {"Apri22", 0}, {"Exit", 7}};
    for (const auto& c : casi) EXPECT_EQ(ImmaginiMenu::PosizioneChiave(chiavi, c.chiave), c.posizione) << c.chiave;
    EXPECT_EQ(ImmaginiMenu::PosizioneChiave({}, "Apri2"), 0);
    // The first of equal keys answers.
    EXPECT_EQ(ImmaginiMenu::PosizioneChiave({"a", "A"}, "a"), 1);
}

TEST(MenuPictures, EveryEntryGetsItsPictureOnceAndTheTitlesNone) {
    const std::vector<Assegnazione> a = ImmaginiMenu::AssegnazioniIniziali();
    EXPECT_EQ(a, (std::vector<Assegnazione>{{"Apri2", "MnuApri"},
                                            {"Salva2", "MnuRegistra"},
                                            {"Salva2", "mnuSalvaConNome"},
                                            {"Nuovo2", "mnuNuovo"},
                                            {"Print", "mnuLPT1"},
                                            {"Print", "mnuLPT2"},
                                            {"Print", "mnuLPTPers"},
                                            {"Int", "mnuEsegui"},
                                            {"Exit", "MnuFine"},
                                            {"Opz", "MnuOpz"},
                                            {"Graph", "mnuGraph"}}));
    const std::vector<std::string> chiavi = Chiavi();
    for (const Assegnazione& x : a) EXPECT_NE(ImmaginiMenu::PosizioneChiave(chiavi, x.Chiave), 0) << x.Chiave;
}

// The three "Print" always come first, so the selected entry ends with "Print2"
// whatever it showed before; an index that names no port leaves all three plain.
TEST(MenuPictures, PortPicturesMarkOnlyTheSelectedPort) {
    const std::vector<Assegnazione> tutte = {{"Print", "mnuLPT1"}, {"Print", "mnuLPT2"}, {"Print", "mnuLPTPers"}};
    const struct {
        int indice;
        const char* segnata;
    } casi[] = {{1, "mnuLPT1"}, {2, "mnuLPT2"}, {3, "mnuLPTPers"}, {0, nullptr}, {4, nullptr}, {-1, nullptr}};
    for (const auto& c : casi) {
        std::vector<Assegnazione> attese = tutte;
        if (c.segnata) attese.push_back({"Print2", c.segnata});
        EXPECT_EQ(ImmaginiMenu::AssegnazioniPorta(c.indice), attese) << c.indice;
    }
}

}  // namespace
}  // namespace quelmar
