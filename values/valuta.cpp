#include "values/valuta.h"

#include "values/errore.h"

#include <limits>

namespace {
[[noreturn]] void overflow()
{
    throw ErroreApp(CodiciErrore::Overflow, QStringLiteral("Overflow: importo fuori dell'intervallo ammesso"));
}

// Inserts "." every three digits from the right.
QString raggruppa(const QString &cifre)
{
    QString r;
    r.reserve(cifre.size() + cifre.size() / 3);
    const int n = cifre.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            r.append(QLatin1Char('.'));
        r.append(cifre.at(i));
    }
    return r;
}
} // namespace

Valuta Valuta::daUnita(qint64 euro)
{
    qint64 v;
    if (__builtin_mul_overflow(euro, Scala, &v))
        overflow();
    return Valuta(v);
}

std::optional<Valuta> Valuta::daTesto(const QString &testoGrezzo, bool *troppoGrande)
{
    if (troppoGrande)
        *troppoGrande = false;
    // A well-formed number that does not fit: said apart from text that is no number at all.
    auto fuori = [troppoGrande]() -> std::optional<Valuta> {
        if (troppoGrande)
            *troppoGrande = true;
        return std::nullopt;
    };
    const QString t = testoGrezzo.trimmed();
    int i = 0;
    const int n = t.size();
    bool negativo = false;
    if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negativo = t[i] == QLatin1Char('-');
        ++i;
    }
    // Integer part: digits, optionally grouped by "." in threes after the first group.
    QString intera;
    int gruppo = -1;  // digits since the last "."; -1 while no "." seen
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            intera.append(c);
            if (gruppo >= 0)
                ++gruppo;
        } else if (c == QLatin1Char('.')) {
            // The first group has one to three digits and no leading zero: "0.500" or "1234.567"
            // are not grouped Italian numbers, and reading "0.500" as 500 would be a costly mistake.
            if (gruppo < 0 && (intera.isEmpty() || intera.size() > 3 || intera.at(0) == QLatin1Char('0')))
                return std::nullopt;
            if (gruppo >= 0 && gruppo != 3)
                return std::nullopt;
            gruppo = 0;
        } else {
            break;
        }
    }
    if (gruppo >= 0 && gruppo != 3)
        return std::nullopt;
    QString decimali;
    if (i < n && t[i] == QLatin1Char(',')) {
        ++i;
        for (; i < n; ++i) {
            const QChar c = t[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            decimali.append(c);
        }
    }
    if (i != n || (intera.isEmpty() && decimali.isEmpty()))
        return std::nullopt;

    // Accumulate the magnitude as a negative number so that the minimum value also fits.
    qint64 v = 0;
    for (const QChar c : intera) {
        if (__builtin_mul_overflow(v, qint64(10), &v) || __builtin_sub_overflow(v, qint64(c.unicode() - '0'), &v))
            return fuori();
    }
    if (__builtin_mul_overflow(v, Scala, &v))
        return fuori();
    qint64 frazione = 0;
    for (int k = 0; k < 4; ++k)
        frazione = frazione * 10 + (k < decimali.size() ? decimali[k].unicode() - '0' : 0);
    if (decimali.size() > 4 && decimali[4].unicode() >= '5')
        ++frazione;  // half away from zero
    if (__builtin_sub_overflow(v, frazione, &v))
        return fuori();
    if (!negativo) {
        if (v == std::numeric_limits<qint64>::min())
            return fuori();
        v = -v;
    }
    return Valuta(v);
}

QString Valuta::testoSemplice() const
{
    // Work on the magnitude as unsigned so that the minimum value prints too.
    const bool negativo = m_v < 0;
    const quint64 m = negativo ? quint64(0) - quint64(m_v) : quint64(m_v);
    QString r = QString::number(m / Scala);
    quint64 frazione = m % Scala;
    if (frazione != 0) {
        QString f = QString::number(frazione).rightJustified(4, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        r += QLatin1Char(',') + f;
    }
    return negativo ? QLatin1Char('-') + r : r;
}

QString Valuta::testoDueDecimali() const
{
    const bool negativo = m_v < 0;
    quint64 m = negativo ? quint64(0) - quint64(m_v) : quint64(m_v);
    quint64 centesimi = m / 100 + ((m % 100) >= 50 ? 1 : 0);
    QString r = raggruppa(QString::number(centesimi / 100)) + QLatin1Char(',') +
                QString::number(centesimi % 100).rightJustified(2, QLatin1Char('0'));
    return negativo && centesimi != 0 ? QLatin1Char('-') + r : r;
}

Valuta Valuta::operator+(Valuta b) const
{
    qint64 v;
    if (__builtin_add_overflow(m_v, b.m_v, &v))
        overflow();
    return Valuta(v);
}

Valuta Valuta::operator-(Valuta b) const
{
    qint64 v;
    if (__builtin_sub_overflow(m_v, b.m_v, &v))
        overflow();
    return Valuta(v);
}

QString FormattaImporto(const QString &testo)
{
    const auto v = Valuta::daTesto(testo);
    return v ? v->testoDueDecimali() : testo;
}
