// Texts of the help and options windows, Windows-1252 bytes.
#pragma once

namespace quelmar::Testi {

// The help window.
constexpr char kDidascaliaForm2[] = "Quelmar V. 3.1.0.0   -   Help dei comandi";
// The project's web site, shown and opened by the help window's link.
constexpr char kIndirizzoSito[] = "http://www.example.org";
constexpr char kTipLabel1Form2[] = "Entra nel sito";

// The options window.
constexpr char kDidascaliaForm3[] = "Opzioni";
constexpr char kLabel1Form3[2][64] = {"Seleziona il file da caricare alla partenza del", "programma"};
constexpr char kLabel11[2][64] = {"Inserisci l'indirizzo personalizzato della Porta", "Parallela (in esadecimale)"};
constexpr char kNessunFile[] = "Nessun file";
constexpr char kInserisci[] = "Inserisci";
constexpr char kChkLoadWinStart[] = "Partenza automatica all'avvio di Windows";
constexpr char kChkStartMin[] = "Avvia ridotto a icona";
constexpr char kChkPreciso[] = "Temporizzazione precisa (usa pi\xF9 CPU)";
constexpr char kFiltroProgrammi[] = "Files di programmazione porta parallela (*.prl)|*.prl";

}  // namespace quelmar::Testi
