// Command-line splitting and the "F=", "P=" and "W=" option rules.
#include <gtest/gtest.h>

#include "services/arg_argv.h"

namespace {

using ArgArgv::DividiComando;

TEST(DividiComando, SplitsAtEverySeparatorKeepingEmptyArguments) {
    const struct {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"", {}},
        {"f=pippo p=2", {"f=pippo", "p=2"}},
        {"f=c:\\dati\\prova.prl", {"f=c", "", "dati", "prova", "prl"}},
        {"f=pippo.prl", {"f=pippo", "prl"}},
        {"a,b.c/d\\e*f;g:h i", {"a", "b", "c", "d", "e", "f", "g", "h", "i"}},
        {"a  b", {"a", "", "b"}},         // adjacent separators give an empty argument
        {" a", {"", "a"}},                // a leading separator too
        {"a ", {"a"}},                    // nothing after the last separator: no argument
        {"\"x y\"", {"\"x", "y\""}},      // no quoting
        {"w=7", {"w=7"}},
    };
    for (const auto& c : cases) {
        const auto r = DividiComando(c.line);
        EXPECT_EQ(r.RigaComando, c.line);
        ASSERT_EQ(r.Conteggio, static_cast<int16_t>(c.args.size())) << c.line;
        for (size_t i = 0; i < c.args.size(); ++i)
            EXPECT_EQ(ArgArgv::Argomento(r, static_cast<int16_t>(i + 1)), c.args[i]) << c.line << " #" << i + 1;
    }
}

TEST(DividiComando, KeepsThe32FirstArgumentsAndIgnoresTheRest) {
    std::string line;
    for (int i = 1; i <= 40; ++i) line += "a" + std::to_string(i) + " ";
    line += "w=9";
    const auto r = DividiComando(line);
    EXPECT_EQ(r.Conteggio, 32);
    EXPECT_EQ(ArgArgv::Argomento(r, 1), "a1");
    EXPECT_EQ(ArgArgv::Argomento(r, 32), "a32");
    EXPECT_EQ(ArgArgv::Argomento(r, 33), "");
    EXPECT_EQ(ArgArgv::Argomento(r, 0), "");
    EXPECT_EQ(ArgArgv::Argomento(r, -1), "");
    EXPECT_FALSE(quelmar::AnalizzaOpzioni(r).ScritturaDiretta) << "an ignored argument has no effect";
}

TEST(AnalizzaOpzioni, AppliesEachMarkerAsTheProgramDoes) {
    const struct {
        const char* line;
        std::vector<std::string> files;
        int16_t index, custom;
        bool direct;
        int16_t value;
        size_t errors;
    } cases[] = {
        {"", {}, 0, 0, false, 0, 0},
        {"f=pippo", {"pippo.prl"}, 0, 0, false, 0, 0},
        {"f=pippo.prl", {"pippo.prl"}, 0, 0, false, 0, 0},   // "prl" alone holds no marker
        {"F=Pippo", {"Pippo.prl"}, 0, 0, false, 0, 0},
        {"xf=abc", {"=abc.prl"}, 0, 0, false, 0, 0},         // value from the third character
        {"p=h378", {}, 3, 0x378, false, 0, 0},
        {"P=HdC00", {}, 3, -9216, false, 0, 0},
        {"P=2", {}, 2, 0, false, 0, 0},
        {"p=5", {}, 1, 0, false, 0, 0},
        {"p=22", {}, 1, 0, false, 0, 0},
        {"p=", {}, 1, 0, false, 0, 0},
        {"w=7 p=2", {}, 2, 0, true, 7, 0},
        {"p=h378 w=255", {}, 3, 0x378, true, 255, 0},
        {"W=0", {}, 0, 0, true, 0, 0},
        {"w=0255", {}, 0, 0, true, 255, 0},
        // Refused values: a message each, and nothing applied.
        {"w=abc", {}, 0, 0, true, 0, 1},                     // not a number, not a write of 0
        {"w=12abc", {}, 0, 0, true, 0, 1},
        {"w=&HFF", {}, 0, 0, true, 0, 1},
        {"w=", {}, 0, 0, true, 0, 1},
        {"w=2e2", {}, 0, 0, true, 0, 1},
        {"w=+7", {}, 0, 0, true, 0, 1},
        {"w=256", {}, 0, 0, true, 0, 1},
        {"w=-1", {}, 0, 0, true, 0, 1},
        {"w=99999999999", {}, 0, 0, true, 0, 1},
        {"p=h12345 w=1", {}, 0, 0, true, 1, 1},
        {"p=h", {}, 0, 0, false, 0, 1},
        {"p=hxyz", {}, 0, 0, false, 0, 1},
        // One argument can carry several markers.
        {"f=w=3", {"w=3.prl"}, 0, 0, true, 0, 1},  // both values are "w=3": no number to write
    };
    for (const auto& c : cases) {
        const auto o = quelmar::AnalizzaOpzioni(DividiComando(c.line));
        EXPECT_EQ(o.File, c.files) << c.line;
        EXPECT_EQ(o.IndicePorta, c.index) << c.line;
        if (c.index == 3) {
            EXPECT_EQ(o.IndirizzoPersonalizzato, c.custom) << c.line;
        }
        EXPECT_EQ(o.ScritturaDiretta, c.direct) << c.line;
        if (c.direct && c.errors == 0) {
            EXPECT_EQ(o.ValoreDiretto, c.value) << c.line;
        }
        EXPECT_EQ(o.Errori.size(), c.errors) << c.line;
    }
}

TEST(AnalizzaOpzioni, DirectWriteGoesToTheStandardAddresses) {
    EXPECT_EQ(quelmar::IndirizzoScritturaDiretta(1, 0x3BC), 0x378);
    EXPECT_EQ(quelmar::IndirizzoScritturaDiretta(2, 0x3BC), 0x278);
    EXPECT_EQ(quelmar::IndirizzoScritturaDiretta(3, 0x3BC), 0x3BC);
    EXPECT_EQ(quelmar::IndirizzoScritturaDiretta(0, 0x3BC), 0x378);
}

TEST(ValoreNumerico, ReadsLikeThePlatformNumberParser) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"", 0}, {"abc", 0}, {"7", 7}, {"  12", 12}, {"-3", -3}, {"12abc", 12},
                 {"&H1F", 31}, {"&o17", 15}, {"1e3", 1000}, {"5e", 5}, {"&Hzz", 0},
                 {"0e232768", 0}, {"-0e999", 0}, {"1e-999", 0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(quelmar::ValoreNumerico(c.text), c.value) << c.text;
}

}  // namespace
