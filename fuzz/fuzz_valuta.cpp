// The currency type: the text forms read back as the value (the two-decimal form as the value
// rounded half away from zero to the cent), and the parser agrees with a second reading of the
// Italian number text done in 128-bit arithmetic.

#include "values/valuta.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace {

using Grande = __int128;
constexpr qint64 Minimo = std::numeric_limits<qint64>::min();
constexpr qint64 Massimo = std::numeric_limits<qint64>::max();

std::optional<qint64> entro(Grande v)
{
    if (v < Grande(Minimo) || v > Grande(Massimo))
        return std::nullopt;
    return qint64(v);
}

// Sign, digits either plain or grouped by "." in threes after a first group of 1-3 digits not
// starting with 0, then "," and any decimals; at least one digit.
std::optional<qint64> leggi(const QString &grezzo)
{
    static const QRegularExpression forma(
        QStringLiteral("^([+-]?)([0-9]*|[1-9][0-9]{0,2}(?:\\.[0-9]{3})+)(?:,([0-9]*))?$"));
    const QRegularExpressionMatch m = forma.match(grezzo.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QString intera = m.captured(2).remove(QLatin1Char('.'));
    const QString decimali = m.captured(3);
    if (intera.isEmpty() && decimali.isEmpty())
        return std::nullopt;
    while (intera.startsWith(QLatin1Char('0')))
        intera.remove(0, 1);
    if (intera.size() > 20)
        return std::nullopt;
    Grande v = 0;
    for (const QChar c : intera)
        v = v * 10 + (c.unicode() - '0');
    for (int k = 0; k < 4; ++k)
        v = v * 10 + (k < decimali.size() ? decimali[k].unicode() - '0' : 0);
    if (decimali.size() > 4 && decimali[4].unicode() >= '5')
        v += 1;
    return entro(m.captured(1) == QLatin1String("-") ? -v : v);
}

std::optional<qint64> alCentesimo(qint64 v)
{
    Grande m = v < 0 ? -Grande(v) : Grande(v);
    m = (m + 50) / 100 * 100;
    return entro(v < 0 ? -m : m);
}

void controllaForme(Valuta x)
{
    const auto semplice = Valuta::daTesto(x.testoSemplice());
    if (!semplice || *semplice != x)
        std::abort();
    const auto due = Valuta::daTesto(x.testoDueDecimali());
    const auto atteso = alCentesimo(x.decimillesimi());
    if (due.has_value() != atteso.has_value() || (due && due->decimillesimi() != *atteso))
        std::abort();
    if (FormattaImporto(x.testoSemplice()) != x.testoDueDecimali())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    if (n >= sizeof(qint64)) {
        qint64 v;
        std::memcpy(&v, dati, sizeof v);
        controllaForme(Valuta::daDecimillesimi(v));
    }
    const QString testo = QString::fromUtf8(reinterpret_cast<const char *>(dati), qsizetype(n));
    const auto v = Valuta::daTesto(testo);
    const auto rif = leggi(testo);
    if (v.has_value() != rif.has_value() || (v && v->decimillesimi() != *rif))
        std::abort();
    if (v)
        controllaForme(*v);
    else if (FormattaImporto(testo) != testo)
        std::abort();
    return 0;
}
