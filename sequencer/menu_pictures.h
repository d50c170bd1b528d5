// The pictures of the main window's menu entries: which picture each entry
// shows and the pictures themselves, as 16 x 16 character maps.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quelmar {
namespace ImmaginiMenu {

constexpr int kLato = 16;

// One keyed picture: kLato rows of kLato characters, each a colour of
// ColorePixel.
struct Immagine {
    const char* Chiave;
    const char* Righe[kLato];
};

// The pictures in list order: "Apri2", "Salva2", "Nuovo2", "Print",
// "Print2", "Int", "Exit", "Opz", then "Graph" (the timeline's entry).
const std::vector<Immagine>& Immagini();

// The colour of one map character as 0x00RRGGBB; false for '.', the
// see-through background, and for a character that is no colour.
bool ColorePixel(char c, uint32_t& rgb);

// The one-based position of `chiave` among `chiavi` (compared without
// regard to case, as a collection's keys are); 0 when absent or blank.
int PosizioneChiave(const std::vector<std::string>& chiavi, const std::string& chiave);

// One picture given to one menu entry: the image key and the entry's
// control name.
struct Assegnazione {
    std::string Chiave;
    std::string Voce;
    bool operator==(const Assegnazione& o) const { return Chiave == o.Chiave && Voce == o.Voce; }
};

// Every entry's picture, in the order they are given when the menus are
// taken over.
std::vector<Assegnazione> AssegnazioniIniziali();

// The port entries' pictures for the selected port `indice`: the three
// "Print", then "Print2" for the entry of 1, 2 or 3; any other index leaves
// all three at "Print".
std::vector<Assegnazione> AssegnazioniPorta(int indice);

}  // namespace ImmaginiMenu
}  // namespace quelmar
