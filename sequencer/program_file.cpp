// Reader and writer of the ".prl" program file.
#include "program_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform_files.h"

namespace quelmar {
namespace {

constexpr size_t kMaxText = 0xFFFF;

// Texts shown to the user (Windows-1252).
const char kTroncato[] = "il file \xE8 troncato";
const char kNonValido[] = "non \xE8 un programma valido";
const char kNonProgramma[] = "non \xE8 un file di programma della porta parallela";

std::string NomeStep(int n) { return "dello step " + std::to_string(n); }

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void I16(int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        out_.push_back(static_cast<uint8_t>(u & 0xFF));
        out_.push_back(static_cast<uint8_t>(u >> 8));
    }
    void I32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    void Bool(bool v) { I16(v ? -1 : 0); }
    void Text(const std::string& s) {
        I16(static_cast<int16_t>(static_cast<uint16_t>(s.size())));
        out_.insert(out_.end(), s.begin(), s.end());
    }

private:
    std::vector<uint8_t>& out_;
};

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& in) : in_(in) {}
    // Each read fails (returns false) when the data ends before the field does.
    bool U8(uint8_t& v) {
        if (Left() < 1) return false;
        v = in_[pos_++];
        return true;
    }
    bool I16(int16_t& v) {
        if (Left() < 2) return false;
        v = static_cast<int16_t>(static_cast<uint16_t>(in_[pos_] | (in_[pos_ + 1] << 8)));
        pos_ += 2;
        return true;
    }
    bool I32(int32_t& v) {
        if (Left() < 4) return false;
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(in_[pos_ + i]) << (8 * i);
        v = static_cast<int32_t>(u);
        pos_ += 4;
        return true;
    }
    bool Bool(bool& v) {
        int16_t raw = 0;
        if (!I16(raw)) return false;
        v = raw != 0;
        return true;
    }
    bool Text(std::string& s) {
        int16_t raw = 0;
        if (!I16(raw)) return false;
        const size_t n = static_cast<uint16_t>(raw);
        if (Left() < n) return false;
        s.assign(reinterpret_cast<const char*>(in_.data() + pos_), n);
        pos_ += n;
        return true;
    }

private:
    size_t Left() const { return in_.size() - pos_; }
    const std::vector<uint8_t>& in_;
    size_t pos_ = 0;
};

FileResult Errore(std::string what) { return FileResult{std::move(what)}; }

// A cause, when there is one, after the message it explains.
std::string TraParentesi(const std::string& causa) { return causa.empty() ? causa : " (" + causa + ")"; }

std::string ConNome(const std::string& path, const std::string& what) {
    return "File \"" + path + "\": " + what + ".";
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

FileResult CodificaProgramma(const ProgramImage& program, std::vector<uint8_t>& bytes) {
    const TestataRec& t = program.Testata;
    if (t.Descrizione.size() > kMaxText)
        return Errore("la descrizione del programma supera 65535 caratteri");
    for (int i = 0; i < 8; ++i)
        if (t.DescrBit[i].size() > kMaxText)
            return Errore("la descrizione del bit " + std::to_string(i) + " supera 65535 caratteri");
    for (int n = 1; n <= kMaxSteps; ++n)
        if (program.Steps(n).Descrizione.size() > kMaxText)
            return Errore("la descrizione " + NomeStep(n) + " supera 65535 caratteri");

    std::vector<uint8_t> out;
    out.reserve(kEmptyProgramFileSize);
    Writer w(out);
    w.Text(t.Descrizione);
    for (const auto& d : t.DescrBit) w.Text(d);
    w.I16(t.IndicePorta);
    w.I16(t.NumSteps);
    w.Bool(t.Loop);
    w.Bool(t.VisualizzaOutput);
    for (int n = 1; n <= kMaxSteps; ++n) {
        const StepRec& s = program.Steps(n);
        w.Bool(s.Abilitato);
        w.U8(s.Bit);
        w.I32(s.Durata);
        w.Text(s.Descrizione);
    }
    bytes.swap(out);
    return {};
}

namespace {

// The layout read field by field; the first field that does not fit says why.
FileResult DecodificaCampi(const std::vector<uint8_t>& bytes, ProgramImage& program) {
    Reader r(bytes);
    auto image = std::make_unique<ProgramImage>();
    TestataRec& t = image->Testata;

    if (!r.Text(t.Descrizione)) return Errore(std::string(kTroncato) + " nella descrizione del programma");
    for (int i = 0; i < 8; ++i)
        if (!r.Text(t.DescrBit[i]))
            return Errore(std::string(kTroncato) + " nella descrizione del bit " + std::to_string(i));
    if (!r.I16(t.IndicePorta) || !r.I16(t.NumSteps) || !r.Bool(t.Loop) || !r.Bool(t.VisualizzaOutput))
        return Errore(std::string(kTroncato) + " nell'intestazione");
    if (t.NumSteps < 1 || t.NumSteps > kMaxSteps)
        return Errore(std::string(kNonValido) + ": il numero di steps (" + std::to_string(t.NumSteps) +
                      ") non \xE8 tra 1 e 2048");
    for (int n = 1; n <= kMaxSteps; ++n) {
        StepRec& s = image->Steps(n);
        if (!r.Bool(s.Abilitato) || !r.U8(s.Bit) || !r.I32(s.Durata) || !r.Text(s.Descrizione))
            return Errore(std::string(kTroncato) + " nei dati " + NomeStep(n));
    }
    program = std::move(*image);
    return {};
}

}  // namespace

std::string CausaErrore(int err) {
    switch (err) {
        case EACCES:
        case EPERM: return "accesso negato";
        case ENOENT: return "file o cartella inesistente";
        case ENOSPC: return "disco pieno";
        case EROFS: return "disco protetto da scrittura";
        case EBUSY: return "file in uso";
        case ENAMETOOLONG: return "nome troppo lungo";
        case EISDIR: return "\xE8 una cartella";
        default: return {};
    }
}

FileResult DecodificaProgramma(const std::vector<uint8_t>& bytes, ProgramImage& program) {
    // The file has no mark of its own: a text or any other file fails here,
    // and the user is told first that it is not a program, then the detail.
    FileResult r = DecodificaCampi(bytes, program);
    if (!r.Ok()) return Errore(std::string(kNonProgramma) + " (" + r.Error + ")");
    return r;
}

FileResult LeggiProgrammaDaFile(const std::string& path, ProgramImage& program) {
    // "rb" never creates the file.
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        const int err = errno;
        if (err == ENOENT) return Errore(ConNome(path, "il file non esiste"));
        return Errore(ConNome(path, "impossibile aprire il file" + TraParentesi(CausaErrore(err))));
    }
    // Read no further than the largest program can reach: a device or a huge
    // file is no program, and must not take all the memory there is first.
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > kLargestProgramFileSize)
            return Errore(ConNome(path, std::string(kNonProgramma) + " (pi\xF9 grande di qualsiasi programma)"));
    }
    if (std::ferror(f.get())) return Errore(ConNome(path, "errore di lettura"));
    f.reset();

    FileResult r = DecodificaProgramma(bytes, program);
    if (!r.Ok()) return Errore(ConNome(path, r.Error));
    return {};
}

FileResult SalvaProgrammaSuFile(const std::string& path, const ProgramImage& program) {
    std::vector<uint8_t> bytes;
    FileResult coded = CodificaProgramma(program, bytes);
    if (!coded.Ok()) return Errore(ConNome(path, "impossibile salvare: " + coded.Error));

    // Each file operation is announced to the platform layer's observer:
    // wherever the save stops, the target is the old file or the new one.
    const std::string temp = NomeTemporaneo(path);
    PrimaDiOperazioneFile("crea");
    FilePtr f(std::fopen(temp.c_str(), "wb"));
    if (!f) {
        const int err = errno;
        return Errore(ConNome(path, "impossibile salvare" + TraParentesi(CausaErrore(err))));
    }
    PrimaDiOperazioneFile("scrivi");
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    PrimaDiOperazioneFile("svuota");
    written = written && std::fflush(f.get()) == 0;
    PrimaDiOperazioneFile("su disco");
    written = written && ScriviSuDisco(f.get());
    PrimaDiOperazioneFile("chiudi");
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
        PrimaDiOperazioneFile("rimuovi");
        std::remove(temp.c_str());
        return Errore(ConNome(path, "errore di scrittura, il file precedente non \xE8 stato modificato"));
    }
    std::string reason;
    PrimaDiOperazioneFile("sostituisci");
    if (!SostituisciFile(temp, path, reason)) {
        PrimaDiOperazioneFile("rimuovi");
        std::remove(temp.c_str());
        return Errore(ConNome(path, "impossibile sostituire il file" + TraParentesi(reason)));
    }
    // What saves cut short by a crash or a kill left beside the file.
    RimuoviTemporaneiRimasti(path);
    return {};
}

std::string NomeConEstensione(const std::string& nome, const std::string& estensione) {
    const size_t separatore = nome.find_last_of("\\/:");
    const size_t inizioParte = separatore == std::string::npos ? 0 : separatore + 1;
    size_t fine = nome.size();
    while (fine > inizioParte && (nome[fine - 1] == ' ' || nome[fine - 1] == '.')) --fine;
    if (fine == inizioParte) return nome;
    std::string risultato = nome.substr(0, fine);
    if (risultato.find('.', inizioParte) == std::string::npos) risultato += estensione;
    return risultato;
}

}  // namespace quelmar
