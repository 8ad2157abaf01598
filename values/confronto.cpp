#include "values/confronto.h"

#include <QHash>
#include <QLocale>
#include <QVector>

namespace Confronto {

namespace {

// The code points of a text, a surrogate pair counting as one.
QVector<char32_t> puntiCodice(const QString &testo)
{
    QVector<char32_t> r;
    r.reserve(testo.size());
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const QChar c = testo.at(i);
        if (c.isHighSurrogate() && i + 1 < testo.size() && testo.at(i + 1).isLowSurrogate()) {
            r.append(QChar::surrogateToUcs4(c, testo.at(i + 1)));
            ++i;
        } else {
            r.append(c.unicode());
        }
    }
    return r;
}

void aggiungi(QString &s, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        s.append(QChar(QChar::highSurrogate(c)));
        s.append(QChar(QChar::lowSurrogate(c)));
    } else {
        s.append(QChar(char16_t(c)));
    }
}

char32_t piegato(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    const char32_t f = QChar::toCaseFolded(c);
    return f < 0x80 ? c : f;
}

// Every letter outside ASCII grouped with the others of its folded case, for the letters that
// have more than one form. Built once: all cased letters lie below U+20000.
const QHash<char32_t, QVector<char32_t>> &classi()
{
    static const QHash<char32_t, QVector<char32_t>> tabella = [] {
        QHash<char32_t, QVector<char32_t>> t;
        for (char32_t c = 0x80; c < 0x20000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const char32_t f = piegato(c);
            if (f != c || QChar::toUpper(c) != c || QChar::toLower(c) != c)
                t[f].append(c);
        }
        for (auto it = t.begin(); it != t.end();) {
            if (it->size() < 2)
                it = t.erase(it);
            else
                ++it;
        }
        return t;
    }();
    return tabella;
}

} // namespace

QString Chiave(const QString &testo)
{
    QString r;
    r.reserve(testo.size());
    for (const char32_t c : puntiCodice(testo))
        aggiungi(r, piegato(c));
    return r;
}

bool Uguali(const QString &a, const QString &b) { return Chiave(a) == Chiave(b); }

const QCollator &Collatore()
{
    static const QCollator c = [] {
        QCollator k(QLocale(QLocale::Italian, QLocale::Italy));
        k.setCaseSensitivity(Qt::CaseInsensitive);
        return k;
    }();
    return c;
}

QCollatorSortKey ChiaveOrdine(const QString &testo) { return Collatore().sortKey(testo); }

int Ordine(const QString &a, const QString &b) { return Collatore().compare(a, b); }

QStringList Grafie(const QString &testo, int massimo)
{
    QStringList r{QString()};
    for (const char32_t c : puntiCodice(testo)) {
        const QVector<char32_t> *forme = nullptr;
        if (c >= 0x80) {
            const auto it = classi().constFind(piegato(c));
            if (it != classi().constEnd())
                forme = &*it;
        }
        if (!forme) {
            for (QString &s : r)
                aggiungi(s, c);
            continue;
        }
        if (r.size() * forme->size() > massimo)
            return {};
        // The typed form first, so that the first spelling is the text itself.
        QStringList prossime;
        prossime.reserve(r.size() * forme->size());
        for (const QString &s : std::as_const(r)) {
            QString t = s;
            aggiungi(t, c);
            prossime << t;
            for (const char32_t f : *forme) {
                if (f == c)
                    continue;
                QString u = s;
                aggiungi(u, f);
                prossime << u;
            }
        }
        r = std::move(prossime);
    }
    return r;
}

} // namespace Confronto
