// Command ids of the main window's controls, menu entries and timers.
#pragma once

#include <windows.h>

namespace quelmar::ids {

constexpr UINT kStatico = 0xFFFF;  // labels, frames and pictures that send nothing handled
constexpr UINT kCheck1 = 1000;     // + bit 0..7
constexpr UINT kLabel1 = 1010;     // + bit 0..7
constexpr UINT kCommand1 = 1020;   // + 0..7
constexpr UINT kCommand2 = 1030;   // + 0..1
constexpr UINT kCheck2 = 1040;
constexpr UINT kCheck3 = 1041;
constexpr UINT kCheck4 = 1042;
constexpr UINT kText1 = 1050;
constexpr UINT kText2 = 1051;
constexpr UINT kText3 = 1052;
constexpr UINT kCommand3 = 1060;
constexpr UINT kLabel8 = 1070;

constexpr UINT kMnuNuovo = 2001;
constexpr UINT kMnuApri = 2002;
constexpr UINT kMnuRegistra = 2003;
constexpr UINT kMnuSalvaConNome = 2004;
constexpr UINT kMnuEsegui = 2005;
constexpr UINT kMnuOpz = 2006;
constexpr UINT kMnuFine = 2007;
constexpr UINT kMnuGraph = 2008;
constexpr UINT kMnuLPT1 = 2011;
constexpr UINT kMnuLPT2 = 2012;
constexpr UINT kMnuLPTPers = 2013;
constexpr UINT kMnuHelp = 2020;

constexpr UINT_PTR kTimer1 = 1;
// Repaints Label8 during a run (see Form1::RinfrescoDifferito).
constexpr UINT_PTR kTimerLabel8 = 2;
constexpr UINT kPeriodoLabel8 = 40;  // ms

}  // namespace quelmar::ids
