#include "export/righe_csv.h"

#include "export/csv.h"
#include "values/costanti.h"
#include "values/valuta.h"

#include <QDateTime>
#include <charconv>

namespace Csv {

namespace {

// Windows-1252 is Latin-1 except for 0x80-0x9F, which hold these signs instead of control characters.
// Five of those bytes have no sign and keep their control character, as Windows' own converter has it.
// Made here rather than asked of Qt, which names no such encoding where it is built without ICU (on
// Windows).
constexpr char16_t Da80a9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Unicode's default-ignorable characters that Windows-1252 cannot hold (the soft hyphen it can).
bool Invisibile(char32_t u)
{
    static constexpr char32_t Intervalli[][2] = {
        {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5}, {0x180B, 0x180F},
        {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164}, {0xFE00, 0xFE0F},
        {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF}};
    if (u < 0x034F)
        return false;
    for (const auto &i : Intervalli)
        if (u >= i[0] && u <= i[1])
            return true;
    return false;
}

// The byte of `c` in Windows-1252, "?" for a character it cannot hold.
char ByteWindows1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    const auto *p = std::find(std::begin(Da80a9F), std::end(Da80a9F), c);
    return p != std::end(Da80a9F) ? char(0x80 + (p - std::begin(Da80a9F))) : '?';
}

} // namespace

// A text field in Windows-1252, in one pass: ASCII without the characters that need quoting goes
// over as it is stored (the same bytes); so do the accented letters of U+00A0 to U+00FF, whose two
// UTF-8 bytes become the one byte of the same number (never more bytes than stored). Anything else
// goes through the quoting and the encoder.
void AggiungiTesto(Blocco &b, QByteArrayView t)
{
    char *q = b.spazio(t.size());
    const auto *s = reinterpret_cast<const unsigned char *>(t.data());
    const auto *const e = s + t.size();
    while (s < e) {
        const unsigned char c = *s++;
        if (c < 0x80 && c != ';' && c != '"' && c != '\r' && c != '\n') {
            *q++ = char(c);
        } else if (s < e && ((c == 0xC2 && *s >= 0xA0 && *s <= 0xBF) || (c == 0xC3 && *s >= 0x80 && *s <= 0xBF))) {
            *q++ = char(c == 0xC2 ? *s : *s + 0x40);
            ++s;
        } else {
            // What was copied is only in the room made for it: written over from its start.
            b.metti(Windows1252(Campo(QString::fromUtf8(t))));
            return;
        }
    }
    b.fatto(q);
}

// The plain form of an amount ("-12,05": the integer, then the decimals without trailing zeros),
// made in place: through QStrings it cost more than reading the row from a server.
void AggiungiImporto(Blocco &b, qint64 v)
{
    // The magnitude as unsigned, so that the minimum value prints too.
    const quint64 m = v < 0 ? quint64(0) - quint64(v) : quint64(v);
    char *const t = b.spazio(32);
    char *p = t;
    if (v < 0)
        *p++ = '-';
    p = std::to_chars(p, t + 32, m / Valuta::Scala).ptr;
    quint64 frazione = m % Valuta::Scala;
    if (frazione != 0)
        *p++ = ',';
    for (quint64 peso = Valuta::Scala / 10; frazione != 0; peso /= 10) {
        *p++ = char('0' + frazione / peso);
        frazione %= peso;
    }
    b.fatto(p);
}

QString Campo(const QString &valore)
{
    for (const QChar c : valore) {
        if (c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            QString r = valore;
            r.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            return QLatin1Char('"') + r + QLatin1Char('"');
        }
    }
    return valore;
}

QString TestoDataOra(const QDateTime &dataOra)
{
    if (!dataOra.isValid())
        return QString();
    QString r = TestoData(dataOra.date());
    if (dataOra.time() != QTime(0, 0))
        r += QLatin1Char(' ') + dataOra.time().toString(QStringLiteral("HH:mm:ss"));
    return r;
}

QByteArray Windows1252(const QString &testo)
{
    QByteArray r(testo.size(), Qt::Uninitialized);
    qsizetype n = 0;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const QChar c = testo.at(i);
        char32_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < testo.size() && testo.at(i + 1).isLowSurrogate())
            u = QChar::surrogateToUcs4(c, testo.at(++i));
        // Invisible marks (joiners, direction marks, variation selectors, a byte-order mark) are
        // left out rather than shown as "?", as Linux's converter (ICU) has always done.
        if (Invisibile(u))
            continue;
        r[n++] = u > 0xFFFF ? '?' : ByteWindows1252(char16_t(u));
    }
    r.truncate(n);
    return r;
}

QByteArray Riga(const QStringList &campi)
{
    return Windows1252(campi.join(QLatin1Char(';')) + QStringLiteral("\r\n"));
}

} // namespace Csv
