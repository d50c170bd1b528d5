// The arithmetic of the window animation: half-to-even rounding, a window's
// rectangle in pixels, the ten outlines of a zoom, and the table of opening
// points of the windows open at once. Portable: no platform headers.
#pragma once

#include <array>
#include <cstdint>

namespace AnimaForm {

constexpr int kPassi = 10;
constexpr int kSlot = 8;  // slots 1..8; slot 0 is never used

struct Punto {
    int32_t x = 0;
    int32_t y = 0;
};

// A screen rectangle in pixels.
struct Rettangolo {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
bool operator==(const Rettangolo& a, const Rettangolo& b);

// Nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
int32_t ArrotondaPari(double v);

// A window's rectangle in twips (left, top, width, height) turned into pixels
// with the screen's twips-per-pixel factors (rounded to whole numbers first).
Rettangolo RettangoloInPixel(int32_t leftTw, int32_t topTw, int32_t widthTw, int32_t heightTw, double twipsX,
                             double twipsY);

// The point as a rectangle of no size.
Rettangolo RettangoloPunto(Punto p);

// The ten outlines from `a` to `b`. Each step rounds, so the last one may miss
// `b` by a pixel or a few; nothing corrects it.
std::array<Rettangolo, kPassi> PassiZoom(const Rettangolo& a, const Rettangolo& b);

// The current point and the eight slots of the windows opened with an effect.
class TabellaFinestre {
public:
    // Opening: the pointer's position becomes the current point and is kept in
    // the first free slot with the window. Returns the slot, 0 when all are taken.
    int Apri(uintptr_t finestra, Punto cursore);
    // Closing: the first slot of this window gives back its point as the
    // current point and is freed. Returns the slot, 0 when the window has none
    // (the current point then stays as the previous call left it).
    int Chiudi(uintptr_t finestra);

    Punto PuntoCorrente() const { return corrente_; }
    bool InUso(int slot) const { return slot >= 1 && slot <= kSlot && slot_[slot].InUso; }
    uintptr_t Finestra(int slot) const { return InUso(slot) ? slot_[slot].Finestra : 0; }
    Punto PuntoSlot(int slot) const { return InUso(slot) ? slot_[slot].Origine : Punto{}; }
    int Occupati() const;

private:
    struct Slot {
        Punto Origine;
        uintptr_t Finestra = 0;
        bool InUso = false;
    };
    Punto corrente_;
    std::array<Slot, kSlot + 1> slot_{};
};

}  // namespace AnimaForm
