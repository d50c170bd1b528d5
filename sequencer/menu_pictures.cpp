#include "sequencer/menu_pictures.h"

#include <cctype>

namespace quelmar {
namespace ImmaginiMenu {

// Colours: k black, w white, g light grey, d dark grey, y yellow, o olive,
// b blue, n brown, r red, G green; '.' lets the menu show through.
const std::vector<Immagine>& Immagini() {
    static const std::vector<Immagine> immagini = {
        {"Apri2",
         {"................",
          "................",
          "................",
          ".kkkkk..........",
          "kyyyyyk.........",
          "kyoyoyokkkkkkk..",
          "kyyyyyyyyyyyyk..",
          "kyoyokkkkkkkkkkk",
          "kyyykyyyyyyyyyyk",
          "kyokyyyyyyyyyyk.",
          "kyykyyyyyyyyyyk.",
          "kokyyyyyyyyyyk..",
          "kykyyyyyyyyyyk..",
          "kkkkkkkkkkkkk...",
          "................",
          "................"}},
        {"Salva2",
         {"................",
          ".kkkkkkkkkkkkkk.",
          ".kbkwwwwwwwwkbk.",
          ".kbkwwwwwwwwkbk.",
          ".kbkwddddddwkbk.",
          ".kbkwwwwwwwwkbk.",
          ".kbkwddddddwkbk.",
          ".kbbkkkkkkkkbbk.",
          ".kbbbbbbbbbbbbk.",
          ".kbbkkkkkkkkbbk.",
          ".kbbkggkddgkbbk.",
          ".kbbkggkddgkbbk.",
          ".kbbkggkddgkbbk.",
          "..kbkggggggkbbk.",
          "...kkkkkkkkkkkk.",
          "................"}},
        {"Nuovo2",
         {"................",
          "..kkkkkkkk......",
          "..kwwwwwwkk.....",
          "..kwwwwwwkwk....",
          "..kwddddwkkkk...",
          "..kwwwwwwwwwk...",
          "..kwddddddwwk...",
          "..kwwwwwwwwwk...",
          "..kwddddddwwk...",
          "..kwwwwwwwwwk...",
          "..kwddddddwwk...",
          "..kwwwwwwwwwk...",
          "..kwddddwwwwk...",
          "..kwwwwwwwwwk...",
          "..kkkkkkkkkkk...",
          "................"}},
        {"Print",
         {"................",
          "....kkkkkkkk....",
          "....kwwwwwwk....",
          "....kwddddwk....",
          "....kwwwwwwk....",
          "..kkkkkkkkkkkk..",
          ".kggggggggggggk.",
          ".kgwwwwwwwwwwgk.",
          ".kggggggggGGggk.",
          ".kddddddddddddk.",
          ".kdkkkkkkkkkkdk.",
          ".kdkwwwwwwwwkdk.",
          ".kkkwddddddwkkk.",
          "...kwwwwwwwwk...",
          "...kkkkkkkkkk...",
          "................"}},
        {"Print2",
         {"..........GGG...",
          "....kkkk.GGG....",
          "....kwwwGGG.....",
          "....kwdGGG......",
          ".GG.kwGGG.......",
          "..GGGGGGkkkkkk..",
          ".kGGGGGGggggggk.",
          ".kgGGGGwwwwwwgk.",
          ".kgggGggggGGggk.",
          ".kddddddddddddk.",
          ".kdkkkkkkkkkkdk.",
          ".kdkwwwwwwwwkdk.",
          ".kkkwddddddwkkk.",
          "...kwwwwwwwwk...",
          "...kkkkkkkkkk...",
          "................"}},
        {"Int",
         {"................",
          ".........kkkkk..",
          "........kyyyyk..",
          ".......kyyyyk...",
          "......kyyyyk....",
          ".....kyyyyk.....",
          "....kyyyyykkkk..",
          "...kyyyyyyyyyk..",
          "...kkkkkyyyyk...",
          "......kyyyyk....",
          ".....kyyyyk.....",
          "....kyyyyk......",
          "...kyyyk........",
          "..kyyk..........",
          "..kkk...........",
          "................"}},
        {"Exit",
         {"................",
          "..kkkkkkkkkk....",
          "..knnnnnnnnk....",
          "..knkkkkkknk....",
          "..knknnnnknk....",
          "..knknnnnknk....",
          "..knknnnnknk..r.",
          "..knknnnyknk..rr",
          "..knknnnnknrrrrr",
          "..knknnnnknrrrrr",
          "..knknnnnknk..rr",
          "..knknnnnknk..r.",
          "..knknnnnknk....",
          "..knkkkkkknk....",
          "..kkkkkkkkkk....",
          "................"}},
        {"Opz",
         {"................",
          "......kkkk......",
          "......kggk......",
          "..kkk.kggk.kkk..",
          "..kgkkkggkkkgk..",
          "..kkggggggggkk..",
          "...kggkkkkggk...",
          ".kkkggk..kggkkk.",
          ".kggggk..kggggk.",
          ".kkkggk..kggkkk.",
          "...kggkkkkggk...",
          "..kkggggggggkk..",
          "..kgkkkggkkkgk..",
          "..kkk.kggk.kkk..",
          "......kggk......",
          "......kkkk......"}},
        {"Graph",
         {"................",
          ".kkkkkkkkkkkkkk.",
          ".kwwwwwwwrwwwwk.",
          ".kwbbbwwwrbbbwk.",
          ".kwbbbwwwrbbbwk.",
          ".kwbbbdddrbbbwk.",
          ".kwwwwwwwrwwwwk.",
          ".kwwwGGGGrwwwwk.",
          ".kwwwGGGGrwwwwk.",
          ".kwdddGGGrdddwk.",
          ".kwwwwwwwrwwwwk.",
          ".kwbwbwwwrwbbwk.",
          ".kwbwbwwwrwbbwk.",
          ".kwbdbdddrdbbwk.",
          ".kkkkkkkkkkkkkk.",
          "................"}},
    };
    return immagini;
}

bool ColorePixel(char c, uint32_t& rgb) {
    switch (c) {
        case 'k': rgb = 0x000000; return true;
        case 'w': rgb = 0xFFFFFF; return true;
        case 'g': rgb = 0xC0C0C0; return true;
        case 'd': rgb = 0x808080; return true;
        case 'y': rgb = 0xFFE040; return true;
        case 'o': rgb = 0xC09000; return true;
        case 'b': rgb = 0x2050C0; return true;
        case 'n': rgb = 0x8B5A2B; return true;
        case 'r': rgb = 0xE02020; return true;
        case 'G': rgb = 0x10A010; return true;
        default: return false;
    }
}

namespace {
bool UgualiSenzaCaso(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

int PosizioneChiave(const std::vector<std::string>& chiavi, const std::string& chiave) {
    if (chiave.empty()) return 0;
    for (size_t i = 0; i < chiavi.size(); ++i)
        if (UgualiSenzaCaso(chiavi[i], chiave)) return static_cast<int>(i) + 1;
    return 0;
}

namespace {
const char* const kVociPorta[] = {"mnuLPT1", "mnuLPT2", "mnuLPTPers"};
}

std::vector<Assegnazione> AssegnazioniIniziali() {
    return {{"Apri2", "MnuApri"},   {"Salva2", "MnuRegistra"}, {"Salva2", "mnuSalvaConNome"},
            {"Nuovo2", "mnuNuovo"}, {"Print", "mnuLPT1"},      {"Print", "mnuLPT2"},
            {"Print", "mnuLPTPers"}, {"Int", "mnuEsegui"},     {"Exit", "MnuFine"},
            {"Opz", "MnuOpz"},     {"Graph", "mnuGraph"}};
}

std::vector<Assegnazione> AssegnazioniPorta(int indice) {
    std::vector<Assegnazione> a;
    for (const char* voce : kVociPorta) a.push_back({"Print", voce});
    if (indice >= 1 && indice <= 3) a.push_back({"Print2", kVociPorta[indice - 1]});
    return a;
}

}  // namespace ImmaginiMenu
}  // namespace quelmar
