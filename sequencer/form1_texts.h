// The main window's texts: captions, tooltips, menu entries, questions.
// Windows-1252 bytes ("\xE8" is e grave, "\xB0" the degree sign, "\xDF" code 223).
#pragma once

namespace quelmar::Testi {

constexpr char kTitoloAvviso[] = "Attenzione !";

// Captions of the window (idle one is built by DidascaliaInattiva).
constexpr char kDidascaliaBase[] = "Programmazione porta parallela ";
constexpr char kVersione[] = "3.1.0.0  ";
constexpr char kCarattere223[] = "\xDF";
constexpr char kInEsecuzione[] = " - In esecuzione";

// Menus.
constexpr char kMnuFile[] = "&File";
constexpr char kMnuNuovo[] = "&Nuovo";
constexpr char kMnuApri[] = "&Apri";
constexpr char kMnuRegistra[] = "&Salva";
constexpr char kMnuSalvaConNome[] = "Salva con &Nome";
constexpr char kMnuEsegui[] = "&Esegui";
constexpr char kMnuGraph[] = "&Grafico del programma";
constexpr char kMnuOpz[] = "&Opzioni";
constexpr char kMnuFine[] = "&Uscita";
constexpr char kMnuLPT[] = "&Porta LPT";
constexpr char kMnuLPT1[] = "LPT&1";
constexpr char kMnuLPT2[] = "LPT&2";
constexpr char kMnuLPTPers[] = "&Indirizzo personalizzato";
constexpr char kMnuHelp[] = "&?";

// Step editor.
constexpr char kBitUscita[] = "Bit uscita:";
constexpr char kIntervallo[] = "Intervallo";
constexpr char kTipText3[] = "Durata dello step editato in millesimi di secondo";
constexpr char kCheck2[] = "Step abil.";
constexpr char kTipCheck2[] = "Abilita/disabilita lo step editato";
constexpr char kCheck3[] = "Loop continuo";
constexpr char kTipCheck3[] = "Se selezionato, esegue il programma continuamente, altrimenti una sola volta";
constexpr char kCheck4[] = "Visualizza output";
constexpr char kTipCheck4[] = "Visualizza durante l'esecuzione lo stato delle uscite";
constexpr char kFrame1[] = "Stato delle uscite";

struct Comando {
    const char* Caption;
    const char* Tooltip;
};
constexpr Comando kCommand1[8] = {
    {"Inserisci", "Inserisce un nuovo step nella posizione corrente"},
    {"Elimina", "Elimina lo step corrente"},
    {"Copia", "Copia in memoria lo step corrente"},
    {"Incolla", "Inserisce lo step memorizzato nella posizione corrente"},
    {"Descrizione", "Visualizza la descrizione dello step attualmente editato"},
    {"Elenco", "Visualizza/Aggiorna l'elenco di tutti gli steps inseriti"},
    {"Test", "Programma le uscite con i valori attualmente impostati"},
    {"Aggiungi", "Aggiunge un nuovo step in coda"},
};
constexpr char kTipCommand2[2][24] = {"Decrementa lo step", "Incrementa lo step"};
constexpr char kTipCommand3[] = "Esegue tutta la sequenza di programmazione";

constexpr char kFrameComandiStep[] = "Comandi Step";
constexpr char kFrameVisualizza[] = "Visualizza";
constexpr char kFrameTest[] = "Test";
constexpr char kFrameSelezioneStep[] = "Selezione step";
constexpr char kFrameEsecuzione[] = "Esecuzione";

constexpr char kTipText2[] = "Descrizione del bit selezionato";
constexpr char kFrame4Prefisso[] = "Descrizione del bit N\xB0";
constexpr char kFrame3Elenco[] = "Elenco degli steps inseriti";
constexpr char kFrame3Descrizione[] = "Descrizione step";
constexpr char kFrame3DescrizioneN[] = "Descrizione step N\xB0";
constexpr char kLabel2[] = "St.N\xB0    Stato rel\xE8       Abil.   Intervallo";
constexpr char kTipLabel4[] = "Step attualmente editato";
constexpr char kLabel5[] = "Step editato:";
constexpr char kTipLabel9[] = "Totale degli steps inseriti nel programma";
constexpr char kLabel10[] = "Totale steps:";
constexpr char kTipLabel7[] = "Durata totale dell'intero ciclo in millesimi di secondo (solo gli steps abilitati)";
constexpr char kFrame9[] = "Dur. tot (mSec)";
constexpr char kTipFrame9[] = "Durata dell'intero ciclo in millesimi di secondo";
constexpr char kBitTipPrefisso[] = "Bit";
constexpr char kBitTipSuffisso[] = " della porta parallela";

// Questions: phrase, a blank, StepCorrente, " ?".
constexpr char kDomandaInserisci[] = "Inserisco un nuovo step alla posizione";
constexpr char kDomandaElimina[] = "Elimino lo step alla posizione";
constexpr char kDomandaIncolla[] = "Copio lo step memorizzato sulla posizione";
constexpr char kDomandaFine[] = " ?";
constexpr char kSalvareModifiche[] = "Il programma \xE8 stato modificato. Salvare le modifiche?";
// "Il file", the name, " esiste gi\xE0. Sostituirlo?".
constexpr char kSostituirePrefisso[] = "Il file ";
constexpr char kSostituireSuffisso[] = " esiste gi\xE0. Sostituirlo?";

// Runs refused before they start.
constexpr char kNessunoStepAbilitato[] =
    "Nessuno step \xE8 abilitato: non c'\xE8 niente da eseguire.\r\nSpuntare \"Step abil.\" sugli steps da eseguire.";
constexpr char kDurataTroppoLunga[] = "Durata non valida: il massimo \xE8 2147483647 millesimi di secondo.";

// Run status.
constexpr char kStepN[] = "Step N\xB0";

// The program's timeline window: its caption, a lane's label when its bit
// has no description ("Bit " and the number), the ruler's unit.
constexpr char kGraphCaption[] = "Grafico del programma";
constexpr char kGraphBit[] = "Bit ";
constexpr char kGraphUnit[] = "ms";

// File dialogs.
constexpr char kFiltro[] = "Files di programmazione porta parallela (*.prl)|*.prl";
constexpr char kTitoloCarica[] = "Carica un file...";
constexpr char kTitoloSalva[] = "Salva con nome...";
constexpr char kEstensione[] = ".prl";

constexpr char kComponenteAssente[] =
    "Impossibile accedere alla porta parallela: il componente hwinterface.ocx non \xE8 disponibile.";

}  // namespace quelmar::Testi
