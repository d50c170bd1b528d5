// Drawing of the help picture. The left column is bold, the word after each
// "=" italic, the heading bold blue underlined, the closing line bold red with
// "non vi sia spazio" underlined. Columns are placed by measuring the text,
// and the font shrinks until every line fits the picture's width.
#include "help_picture.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace quelmar {
namespace {

enum Stile : unsigned {
    kNormale = 0,
    kGrassetto = 1,
    kCorsivo = 2,
    kSottolineato = 4,
};

constexpr COLORREF kNero = RGB(0, 0, 0);
constexpr COLORREF kBlu = RGB(0, 0, 255);
constexpr COLORREF kRosso = RGB(255, 0, 0);

struct Pezzo {
    const char* Testo;
    unsigned Stile;
};
using Testo = std::vector<Pezzo>;

// One row of the table: the option on the left, the lines of its explanation on the right.
struct Opzione {
    Testo Sinistra;
    std::vector<Testo> Destra;
};
// One example: the command and the lines of what it does.
struct Esempio {
    Testo Comando;
    std::vector<const char*> Effetto;
};

const char kTitolo[] = "Opzioni dalla riga di comando:";
const char kEsempio[] = "Esempio:";

const std::vector<Opzione>& Opzioni() {
    static const std::vector<Opzione> opzioni = {
        {{{"f=", kGrassetto}, {"nomefile", kGrassetto | kCorsivo}},
         {{{"nomefile \xE8 il nome del file da caricare.", kNormale}},
          {{"Viene eseguito completamente il file caricato.", kNormale}}}},
        {{{"w=", kGrassetto}, {"numero", kGrassetto | kCorsivo}},
         {{{"numero \xE8 un numero compreso tra 0 e 255 e indica lo stato", kNormale}},
          {{"delle uscite da comandare (8 bit).", kNormale}}}},
        {{{"p=", kGrassetto}, {"porta", kGrassetto | kCorsivo}},
         {{{"porta \xE8 il numero della porta parallela da usare.", kNormale}},
          {{"1 indica LPT1, 2 indica LPT2, H seguito da un numero indica il valore in", kNormale}},
          {{"esadecimale dell'indirizzo della porta LPT.", kNormale}}}},
    };
    return opzioni;
}

const std::vector<Esempio>& Esempi() {
    static const std::vector<Esempio> esempi = {
        {{{"Quelmar f=", kNormale}, {"pippo", kCorsivo}}, {"Esegue il programma pippo."}},
        {{{"Quelmar f=", kNormale}, {"pippo", kCorsivo}, {" p=", kNormale}, {"2", kCorsivo}},
         {"Esegue il programma pippo con uscita su LPT2."}},
        {{{"Quelmar w=", kNormale}, {"7", kCorsivo}, {" p=", kNormale}, {"2", kCorsivo}},
         {"Esegue la programmazione delle uscite 1,2,3 su LPT2."}},
        {{{"Quelmar w=", kNormale}, {"7", kCorsivo}, {" p=", kNormale}, {"hdc00", kCorsivo}},
         {"Esegue la programmazione delle uscite 1,2,3 sulla", "porta connessa all'indirizzo esadecimale DC00."}},
    };
    return esempi;
}

const Testo& Chiusura() {
    static const Testo chiusura = {{"E' molto importante che ", kGrassetto},
                                   {"non vi sia spazio", kGrassetto | kSottolineato},
                                   {" il comando, il segno = e il dato da inviare.", kGrassetto}};
    return chiusura;
}

// The fonts of one size, made on first use.
class Caratteri {
public:
    explicit Caratteri(int altezza) : altezza_(altezza) {}
    HFONT Di(unsigned stile, int altezza = 0) {
        const int h = altezza ? altezza : altezza_;
        com::GdiObject<HFONT>& f = altezza ? titolo_ : font_[stile & 7];
        if (!f)
            f.Reset(CreateFontA(-h, 0, 0, 0, (stile & kGrassetto) ? FW_BOLD : FW_NORMAL, (stile & kCorsivo) != 0,
                                (stile & kSottolineato) != 0, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
        return f.Get();
    }

private:
    int altezza_;
    std::array<com::GdiObject<HFONT>, 8> font_;
    com::GdiObject<HFONT> titolo_;
};

// Draws (or, with `disegna` false, only measures) a text at x, y; returns its right end.
int Scrivi(HDC dc, Caratteri& c, const Testo& testo, int x, int y, COLORREF colore, bool disegna, int altezza = 0) {
    SetTextColor(dc, colore);
    for (const Pezzo& p : testo) {
        com::SelectedObject sel(dc, c.Di(p.Stile, altezza));
        const int n = static_cast<int>(std::char_traits<char>::length(p.Testo));
        if (disegna) TextOutA(dc, x, y, p.Testo, n);
        SIZE s = {};
        GetTextExtentPoint32A(dc, p.Testo, n, &s);
        x += s.cx;
    }
    return x;
}

// Lays the whole text out with body text `altezza` pixels high; returns the
// rightmost end of any line.
int Impagina(HDC dc, int altezza, bool disegna) {
    Caratteri c(altezza);
    const int margine = 12;
    const int riga = altezza + altezza / 3;
    int destra = 0;
    int y = 10;
    destra = std::max(destra, Scrivi(dc, c, {{kTitolo, kGrassetto | kSottolineato}}, margine, y, kBlu, disegna,
                                     altezza + 4));
    y += riga * 2 + 6;

    // The right column starts past the widest left entry.
    int sinistra = Scrivi(dc, c, {{kEsempio, kGrassetto}}, margine, 0, kNero, false);
    for (const Opzione& o : Opzioni())
        sinistra = std::max(sinistra, Scrivi(dc, c, o.Sinistra, margine, 0, kNero, false));
    const int xDestra = sinistra + 3 * altezza;

    for (const Opzione& o : Opzioni()) {
        Scrivi(dc, c, o.Sinistra, margine, y, kNero, disegna);
        for (const Testo& t : o.Destra) {
            destra = std::max(destra, Scrivi(dc, c, t, xDestra, y, kNero, disegna));
            y += riga;
        }
        y += riga - riga / 3;
    }

    y += riga / 2;
    Scrivi(dc, c, {{kEsempio, kGrassetto}}, margine, y, kNero, disegna);
    int comandi = 0;
    for (const Esempio& e : Esempi()) comandi = std::max(comandi, Scrivi(dc, c, e.Comando, xDestra, 0, kNero, false));
    const int xEffetto = comandi + 2 * altezza;
    for (const Esempio& e : Esempi()) {
        Scrivi(dc, c, e.Comando, xDestra, y, kNero, disegna);
        for (const char* linea : e.Effetto) {
            destra = std::max(destra, Scrivi(dc, c, {{linea, kNormale}}, xEffetto, y, kNero, disegna));
            y += riga;
        }
    }

    y += riga * 3 / 2;
    destra = std::max(destra, Scrivi(dc, c, Chiusura(), margine, y, kRosso, disegna));
    return destra;
}

}  // namespace

com::GdiObject<HBITMAP> DisegnaFiguraAiuto() {
    com::WindowDC schermo(nullptr);
    com::MemoryDC dc(schermo.Get());
    com::GdiObject<HBITMAP> figura(
        CreateCompatibleBitmap(schermo.Get(), kLarghezzaFiguraAiuto, kAltezzaFiguraAiuto));
    if (!dc || !figura) return {};
    {
        com::SelectedObject sel(dc.Get(), figura.Get());
        const RECT tutto = {0, 0, kLarghezzaFiguraAiuto, kAltezzaFiguraAiuto};
        FillRect(dc.Get(), &tutto, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(dc.Get(), TRANSPARENT);
        // The largest body text, from 13 pixels down, whose every line fits.
        int altezza = 13;
        while (altezza > 9 && Impagina(dc.Get(), altezza, false) > kLarghezzaFiguraAiuto - 8) --altezza;
        Impagina(dc.Get(), altezza, true);
    }
    return figura;
}

}  // namespace quelmar
