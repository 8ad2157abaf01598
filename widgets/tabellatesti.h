#pragma once
// Records whose items are all texts, held in one buffer: a list of many short records (the search
// window's clients) is read, sorted and freed without an allocation per item or per record.

#include <QByteArrayView>
#include <QString>
#include <QVector>

class TabellaTesti {
public:
    explicit TabellaTesti(int items = 0) : m_items(items) {}

    int NumeroItem() const { return m_items; }
    int NumeroRecord() const { return m_items > 0 ? int(m_estremi.size() / m_items) : 0; }
    bool Vuota() const { return m_estremi.isEmpty(); }
    qsizetype NumeroCaratteri() const { return m_testi.size(); }
    void Riserva(int record, qsizetype caratteri);

    // The next item, filling the records in order: the last record is complete after NumeroItem()
    // items. UTF-8 is read as QString::fromUtf8 reads it.
    void AggiungiUtf8(QByteArrayView utf8);
    void AggiungiTesto(QStringView testo);
    void AggiungiNullo();
    void AggiungiNumero(qint64 n);  // its decimal text, as QString::number writes it

    // The text of an item, valid while the table is not changed; empty for a null item.
    QStringView Testo(int record, int item) const
    {
        const Estremo &e = m_estremi.at(qsizetype(record) * m_items + item);
        return e.lunghezza > 0 ? QStringView(m_testi.constData() + e.inizio, e.lunghezza) : QStringView(u"");
    }
    bool Nullo(int record, int item) const
    {
        return m_estremi.at(qsizetype(record) * m_items + item).lunghezza < 0;
    }
    // The item as its own string: a null text for a null item.
    QString Copia(int record, int item) const;

    // Record i becomes the one that was at ordine[i] (each record once); the texts stay where they are.
    void Riordina(const QVector<int> &ordine);
    // The records in the opposite order, in place.
    void Rovescia();

private:
    struct Estremo {
        qint32 inizio = 0;
        qint32 lunghezza = -1;  // -1: null
    };
    QString m_testi;
    QVector<Estremo> m_estremi;
    int m_items;
};
