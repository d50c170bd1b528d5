// Form1's menu pictures: DTPSkarvo1, the Skarvo menu-image control, takes
// over the window's menus and draws each entry with its picture from
// ImageList1. Its members are called late-bound by dispatch id. Without the
// control or the list the menus stay plain and work as before.
#include <windows.h>
#include <oaidl.h>

#include "com/text.h"
#include "menu_images/skarvo_ids.h"
#include "sequencer/form1.h"
#include "sequencer/form1_image_list.h"
#include "sequencer/menu_pictures.h"

namespace quelmar {
namespace {

// The control's face takes no part in the window: hidden at the left top corner.
constexpr host::TwipsRect kPostoSkarvo = {0, 0, 450, 450};

}  // namespace

void Form1::CreaControlliMenu() {
    ImageList1 = CreaImageList1();

    // Stored as designed, every property at its default.
    host::ControlSpec menu;
    menu.name = "DTPSkarvo1";
    menu.source = host::ControlSource::FromDll(skarvo::kDllName, skarvo::kClsidDTPSkarvo);
    menu.parent = hwnd_;
    menu.position = kPostoSkarvo;
    menu.stored = host::StoredProperties{};
    menu.handlers = &eventi_;
    if (FAILED(host::HostedControl::Create(menu, DTPSkarvo1))) {
        menu.source = host::ControlSource::FromProgId(skarvo::kProgIdControl);
        host::HostedControl::Create(menu, DTPSkarvo1);
    }
    if (DTPSkarvo1) {
        ShowWindow(DTPSkarvo1->Window(), SW_HIDE);
        controlli_.push_back({"DTPSkarvo1", DTPSkarvo1->Window()});
    }
}

void Form1::RilasciaControlliMenu() {
    // The control lets the window go before the pictures it draws from.
    DTPSkarvo1.reset();
    ImageList1.Reset();
}

void Form1::ImpostaMenuIcone() {
    if (!DTPSkarvo1) return;
    const com::Variant form(OggettoForm().Get());
    host::CallById(DTPSkarvo1->Dispatch(), skarvo::kDispSubClassMenu,
                   {host::Arg::Val(form.Ref()), host::Arg::Val(false)});
    if (ImageList1) {
        const com::Variant lista(ImageList1.Get());
        host::PutById(DTPSkarvo1->Dispatch(), skarvo::kDispImageList, host::Arg::Val(lista.Ref()));
    }
    for (const ImmaginiMenu::Assegnazione& a : ImmaginiMenu::AssegnazioniIniziali()) AssegnaIcona(a.Chiave, a.Voce);
}

void Form1::AssegnaIcona(const std::string& chiave, const std::string& voce) {
    if (!DTPSkarvo1) return;
    host::PutById(DTPSkarvo1->Dispatch(), skarvo::kDispItemIcon, {host::Arg::Val(com::AnsiToWide(voce))},
                  host::Arg::Val(IndiceImmagine(chiave)));
}

long Form1::IndiceImmagine(const std::string& chiave) const {
    com::Variant immagini, immagine, indice;
    long n = 0;
    if (ImageList1 && SUCCEEDED(host::GetById(ImageList1.Get(), image_list_dispid::kListImages, immagini)) &&
        immagini.Type() == VT_DISPATCH &&
        SUCCEEDED(host::GetById(immagini.Ref().pdispVal, image_list_dispid::kItem,
                                {host::Arg::Val(com::AnsiToWide(chiave))}, immagine)) &&
        immagine.Type() == VT_DISPATCH &&
        SUCCEEDED(host::GetById(immagine.Ref().pdispVal, image_list_dispid::kIndex, indice)) &&
        SUCCEEDED(indice.ToLong(n)))
        return n - 1;
    // No such picture: the entry shows none.
    return -1;
}

void Form1::AggiornaIconePorta(int16_t indice) {
    for (const ImmaginiMenu::Assegnazione& a : ImmaginiMenu::AssegnazioniPorta(indice)) AssegnaIcona(a.Chiave, a.Voce);
}

void Form1::DTPSkarvo1_UnsubclassMenu() {
    if (DTPSkarvo1) host::CallById(DTPSkarvo1->Dispatch(), skarvo::kDispUnsubclassMenu);
}

}  // namespace quelmar
