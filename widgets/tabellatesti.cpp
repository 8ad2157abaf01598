#include "widgets/tabellatesti.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

void TabellaTesti::Riserva(int record, qsizetype caratteri)
{
    m_estremi.reserve(qsizetype(record) * m_items);
    m_testi.reserve(caratteri);
}

void TabellaTesti::AggiungiUtf8(QByteArrayView utf8)
{
    // Most names are ASCII, where each byte is its character: copied, with no string of their own.
    unsigned char alti = 0;
    for (const char c : utf8)
        alti |= static_cast<unsigned char>(c);
    if (alti >= 0x80) {
        AggiungiTesto(QString::fromUtf8(utf8));
        return;
    }
    const qsizetype inizio = m_testi.size();
    if (inizio + utf8.size() > std::numeric_limits<qint32>::max())
        throw std::length_error("TabellaTesti: troppi caratteri");
    m_testi.append(QLatin1String(utf8.data(), utf8.size()));
    m_estremi.append({qint32(inizio), qint32(utf8.size())});
}

void TabellaTesti::AggiungiTesto(QStringView testo)
{
    const qsizetype inizio = m_testi.size();
    if (inizio + testo.size() > std::numeric_limits<qint32>::max())
        throw std::length_error("TabellaTesti: troppi caratteri");
    m_testi.append(testo);
    m_estremi.append({qint32(inizio), qint32(testo.size())});
}

void TabellaTesti::AggiungiNullo() { m_estremi.append(Estremo()); }

void TabellaTesti::AggiungiNumero(qint64 n)
{
    char cifre[24];
    const auto fine = std::to_chars(cifre, cifre + sizeof cifre, n).ptr;
    AggiungiUtf8(QByteArrayView(cifre, fine - cifre));
}

QString TabellaTesti::Copia(int record, int item) const
{
    return Nullo(record, item) ? QString() : Testo(record, item).toString();
}

void TabellaTesti::Riordina(const QVector<int> &ordine)
{
    QVector<Estremo> riordinati;
    riordinati.reserve(qsizetype(ordine.size()) * m_items);
    for (const int r : ordine)
        for (int i = 0; i < m_items; ++i)
            riordinati.append(m_estremi.at(qsizetype(r) * m_items + i));
    m_estremi = std::move(riordinati);
}

void TabellaTesti::Rovescia()
{
    for (qsizetype a = 0, b = m_estremi.size() - m_items; a < b; a += m_items, b -= m_items)
        std::swap_ranges(m_estremi.begin() + a, m_estremi.begin() + a + m_items, m_estremi.begin() + b);
}
