// Window animation arithmetic.
#include "window_animation_math.h"

#include <cmath>

namespace AnimaForm {

bool operator==(const Rettangolo& a, const Rettangolo& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int32_t ArrotondaPari(double v) {
    const double basso = std::floor(v);
    const double resto = v - basso;
    double r = basso;
    if (resto > 0.5 || (resto == 0.5 && std::fmod(basso, 2.0) != 0.0)) r = basso + 1;
    return static_cast<int32_t>(r);
}

Rettangolo RettangoloInPixel(int32_t leftTw, int32_t topTw, int32_t widthTw, int32_t heightTw, double twipsX,
                             double twipsY) {
    // A factor below one twip per pixel does not occur; it would divide by zero.
    const double fx = ArrotondaPari(twipsX) > 0 ? ArrotondaPari(twipsX) : 1;
    const double fy = ArrotondaPari(twipsY) > 0 ? ArrotondaPari(twipsY) : 1;
    Rettangolo r;
    r.left = ArrotondaPari(leftTw / fx);
    r.top = ArrotondaPari(topTw / fy);
    r.right = ArrotondaPari((static_cast<double>(leftTw) + widthTw) / fx);
    r.bottom = ArrotondaPari((static_cast<double>(topTw) + heightTw) / fy);
    return r;
}

Rettangolo RettangoloPunto(Punto p) { return {p.x, p.y, p.x, p.y}; }

std::array<Rettangolo, kPassi> PassiZoom(const Rettangolo& a, const Rettangolo& b) {
    const double dLeft = (static_cast<double>(b.left) - a.left) / kPassi;
    const double dTop = (static_cast<double>(b.top) - a.top) / kPassi;
    const double dWidth = ((static_cast<double>(b.right) - b.left) - (static_cast<double>(a.right) - a.left)) / kPassi;
    const double dHeight =
        ((static_cast<double>(b.bottom) - b.top) - (static_cast<double>(a.bottom) - a.top)) / kPassi;
    std::array<Rettangolo, kPassi> passi{};
    Rettangolo r = a;
    for (Rettangolo& p : passi) {
        r.left = ArrotondaPari(r.left + dLeft);
        r.right = ArrotondaPari(r.right + dLeft + dWidth);
        r.top = ArrotondaPari(r.top + dTop);
        r.bottom = ArrotondaPari(r.bottom + dTop + dHeight);
        p = r;
    }
    return passi;
}

int TabellaFinestre::Apri(uintptr_t finestra, Punto cursore) {
    corrente_ = cursore;
    for (int i = 1; i <= kSlot; ++i) {
        if (slot_[i].InUso) continue;
        slot_[i] = {cursore, finestra, true};
        return i;
    }
    return 0;
}

int TabellaFinestre::Chiudi(uintptr_t finestra) {
    for (int i = 1; i <= kSlot; ++i) {
        if (!slot_[i].InUso || slot_[i].Finestra != finestra) continue;
        corrente_ = slot_[i].Origine;
        slot_[i].InUso = false;
        slot_[i].Finestra = 0;
        return i;
    }
    return 0;
}

int TabellaFinestre::Occupati() const {
    int n = 0;
    for (int i = 1; i <= kSlot; ++i) n += slot_[i].InUso ? 1 : 0;
    return n;
}

}  // namespace AnimaForm
