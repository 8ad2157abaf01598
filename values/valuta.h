#pragma once
// The currency type: a signed 64-bit count of ten-thousandths. Parsing, sums and text forms never go
// through floating point; an overflow is an ErroreApp, never a wrapped number.
//
// Room values/: what every room shares, below all of them: this money type, the name rule
// (confronto.h), the locale, date text, special folders and version (costanti.h), the error type, its
// log and the exit (errore.h). It uses Qt Core alone and no other room.

#include <QString>
#include <QtGlobal>
#include <optional>

class Valuta {
public:
    static constexpr qint64 Scala = 10000;

    constexpr Valuta() = default;
    static constexpr Valuta daDecimillesimi(qint64 v) { return Valuta(v); }
    static Valuta daUnita(qint64 euro);  // throws on overflow

    // Parses Italian text: optional sign, digits with optional "." grouping in threes (a first
    // group of one to three digits, not starting with 0), optional "," and
    // decimals. Decimals past the fourth are rounded half away from zero. Surrounding blanks are
    // ignored. Returns nothing for text that is not a number or does not fit; `troppoGrande`, when
    // given, tells the second from the first.
    static std::optional<Valuta> daTesto(const QString &testo, bool *troppoGrande = nullptr);

    // The largest amount a field takes, 99.999.999,99: the sum of a million movements of that size
    // still fits the type, so the totals of amounts this program wrote never overflow.
    static constexpr qint64 ImportoMassimo = Q_INT64_C(999999999900);
    bool oltreIlMassimo() const { return m_v > ImportoMassimo || m_v < -ImportoMassimo; }

    qint64 decimillesimi() const { return m_v; }
    bool zero() const { return m_v == 0; }
    bool positivo() const { return m_v > 0; }

    // Plain form: no grouping, no trailing zeros, "," decimal: 1250,5 / -300 / 12,25.
    QString testoSemplice() const;
    // Display form: two decimals (half away from zero), "." grouping: 1.234,50 / -12,00 / 0,00.
    QString testoDueDecimali() const;

    Valuta operator+(Valuta b) const;  // throws on overflow
    Valuta operator-(Valuta b) const;  // throws on overflow
    Valuta &operator+=(Valuta b) { return *this = *this + b; }
    Valuta &operator-=(Valuta b) { return *this = *this - b; }
    bool operator==(Valuta b) const { return m_v == b.m_v; }
    bool operator!=(Valuta b) const { return m_v != b.m_v; }
    bool operator<(Valuta b) const { return m_v < b.m_v; }

private:
    constexpr explicit Valuta(qint64 v) : m_v(v) {}
    qint64 m_v = 0;
};

// Formats amount text with two decimals as the amount fields and captions do: a number ("1234,5",
// "1.234,5", "-12") becomes "1.234,50"; text that is not a number comes back unchanged.
QString FormattaImporto(const QString &testo);
