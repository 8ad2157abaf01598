#include "export/csv.h"

#include "store/archivio.h"
#include "store/costanti.h"
#include "store/errore.h"

#include <QDateTime>
#include <QIODevice>
#include <QStringEncoder>

namespace Csv {

namespace {

// Windows-1252 writes a character it cannot hold as the control byte 0x1A. hasError() cannot tell
// us so reliably (in Qt 6.4 a moved or reused ICU converter loses its error state), so the bytes
// themselves are looked at: 0x1A in the output is a lost character unless the text held U+001A.
constexpr char Sostituto = '\x1a';

QStringEncoder &codificatore()
{
    // One converter for the whole export: opening an ICU converter per line would cost more than the
    // line itself. Windows-1252 keeps no state from one text to the next.
    static QStringEncoder e("windows-1252");
    if (!e.isValid())
        throw ErroreApp(CodiciErrore::FileNonScritto,
                        QStringLiteral("La codifica Windows-1252 non è disponibile su questo sistema."));
    return e;
}

void scrivi(QIODevice &uscita, const QByteArray &byte)
{
    if (uscita.write(byte) != byte.size())
        throw ErroreApp(CodiciErrore::FileNonScritto,
                        QStringLiteral("Impossibile scrivere il file: ") + uscita.errorString());
}

qint64 righeDi(Archivio &archivio, const QString &sql)
{
    Recordset rs = archivio.Query(QStringLiteral("SELECT COUNT(*) AS RIGHE FROM (") + sql + QLatin1Char(')'));
    const qint64 n = rs.Intero(QStringLiteral("RIGHE"));
    rs.Chiudi();
    return n;
}

QString testo(const Recordset &rs, const QString &nome) { return Campo(rs.Testo(nome)); }

QString importo(const Recordset &rs, const QString &nome)
{
    return rs.Nullo(nome) ? QString() : rs.Importo(nome).testoSemplice();
}

QString data(const Recordset &rs, const QString &nome)
{
    if (rs.Nullo(nome))
        return QString();
    // Nearly every row holds a date alone: reading it as a date spares a time-zone lookup per row.
    if (rs.Testo(nome).size() == 10)
        return TestoData(rs.Data(nome));
    return TestoDataOra(rs.DataOra(nome));
}

void riga(const Avanzamento &a)
{
    if (a.riga)
        a.riga();
}

} // namespace

QString QuerySaldi(const QDate &alGiorno)
{
    return QStringLiteral("SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, SUM(ENTRATA - USCITA) AS "
                          "EXPR1 FROM ANTICIPI WHERE DATAOP<=#") +
           DataSql(alGiorno) +
           QStringLiteral("# GROUP BY CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA ORDER BY RAGIONESOCIALE");
}

QString QueryMovimenti(const QDate &dal, const QDate &al)
{
    return QStringLiteral("SELECT * FROM ANTICIPI WHERE DATAOP>=#") + DataSql(dal) +
           QStringLiteral("# AND DATAOP<=#") + DataSql(al) + QLatin1Char('#');
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
    QStringEncoder &e = codificatore();
    QByteArray r = e.encode(testo);
    if (!r.contains(Sostituto))
        return r;
    // Go again one character at a time, a surrogate pair counting as one, and write "?" for each
    // that does not fit.
    r.clear();
    r.reserve(testo.size());
    const QStringView v(testo);
    for (qsizetype i = 0; i < v.size();) {
        const qsizetype n = (v[i].isHighSurrogate() && i + 1 < v.size() && v[i + 1].isLowSurrogate()) ? 2 : 1;
        const QByteArray b = e.encode(v.mid(i, n));
        if (b.size() == 1 && (b[0] != Sostituto || v[i] == QChar(0x1a)))
            r.append(b);
        else
            r.append('?');
        i += n;
    }
    return r;
}

QByteArray Riga(const QStringList &campi)
{
    return Windows1252(campi.join(QLatin1Char(';')) + QStringLiteral("\r\n"));
}

qint64 ScriviSaldi(QIODevice &uscita, Archivio &archivio, const QDate &alGiorno, const Avanzamento &avanzamento)
{
    scrivi(uscita, Riga({IntestazioneSaldi}));
    const QString sql = QuerySaldi(alGiorno);
    const qint64 totale = righeDi(archivio, sql);
    if (avanzamento.totale)
        avanzamento.totale(totale);
    qint64 lette = 0;
    Recordset rs = archivio.Query(sql);
    const QString expr1 = QStringLiteral("EXPR1");
    for (; !rs.Fine(); rs.MoveNext()) {
        const Valuta saldo = rs.Importo(expr1);
        if (!saldo.zero())
            scrivi(uscita, Riga({testo(rs, QStringLiteral("RAGIONESOCIALE")), testo(rs, QStringLiteral("CODICEFISCALE")),
                                 testo(rs, QStringLiteral("PARTITAIVA")), importo(rs, expr1)}));
        ++lette;
        riga(avanzamento);
    }
    rs.Chiudi();
    return lette;
}

qint64 ScriviMovimenti(QIODevice &uscita, Archivio &archivio, const QDate &dal, const QDate &al,
                       const Avanzamento &avanzamento)
{
    scrivi(uscita, Riga({IntestazioneMovimenti}));
    const QString sql = QueryMovimenti(dal, al);
    const qint64 totale = righeDi(archivio, sql);
    if (avanzamento.totale)
        avanzamento.totale(totale);
    qint64 lette = 0;
    Recordset rs = archivio.Query(sql);
    for (; !rs.Fine(); rs.MoveNext()) {
        scrivi(uscita, Riga({data(rs, QStringLiteral("DATAOP")), testo(rs, QStringLiteral("DESCRIZIONE")),
                             importo(rs, QStringLiteral("ENTRATA")), importo(rs, QStringLiteral("USCITA")),
                             testo(rs, QStringLiteral("RAGIONESOCIALE")), testo(rs, QStringLiteral("CODICEFISCALE")),
                             testo(rs, QStringLiteral("PARTITAIVA"))}));
        ++lette;
        riga(avanzamento);
    }
    rs.Chiudi();
    return lette;
}

} // namespace Csv
