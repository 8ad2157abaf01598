#pragma once
// The exports' lines built as bytes in place: a block of the file, the text fields in Windows-1252
// and the amounts in their plain form. For csv.cpp's writers; nothing else includes this.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <algorithm>
#include <cstring>

namespace Csv {

// Lines built in place, a block of the file at a time: each field is copied into room made once
// for it. QByteArray's appends check their room and sharing for every byte and every separator,
// which cost more than the copies themselves on a million rows.
class Blocco {
public:
    explicit Blocco(qsizetype capacita) : m_dati(capacita, Qt::Uninitialized) { svuota(); }
    // Room for `n` more bytes: written from the pointer returned, then closed by fatto().
    char *spazio(qsizetype n)
    {
        if (m_fine - m_p < n)
            cresci(n);
        return m_p;
    }
    void fatto(char *fine) { m_p = fine; }
    void metti(QByteArrayView t)
    {
        char *p = spazio(t.size());
        std::memcpy(p, t.data(), size_t(t.size()));
        m_p = p + t.size();
    }
    void metti(char c)
    {
        *spazio(1) = c;
        ++m_p;
    }
    qsizetype size() const { return m_p - m_dati.constData(); }
    QByteArrayView dati() const { return QByteArrayView(m_dati.constData(), size()); }
    void svuota()
    {
        m_p = m_dati.data();
        m_fine = m_p + m_dati.size();
    }

private:
    void cresci(qsizetype n)
    {
        const qsizetype usati = size();
        m_dati.resize(std::max(m_dati.size() * 2, usati + n));
        m_p = m_dati.data() + usati;
        m_fine = m_dati.data() + m_dati.size();
    }
    QByteArray m_dati;
    char *m_p = nullptr, *m_fine = nullptr;
};

// A text field in Windows-1252, quoted when it holds ";", '"', CR or LF; `t` is UTF-8.
void AggiungiTesto(Blocco &b, QByteArrayView t);
// The plain form of an amount in ten-thousandths ("-12,05").
void AggiungiImporto(Blocco &b, qint64 decimillesimi);

} // namespace Csv
