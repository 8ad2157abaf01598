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
    // The alias is needed by PostgreSQL, which refuses a subquery in FROM without a name.
    Recordset rs = archivio.Query(QStringLiteral("SELECT COUNT(*) AS RIGHE FROM (") + sql + QStringLiteral(") AS ESPORTATE"));
    const qint64 n = rs.Intero(QStringLiteral("RIGHE"));
    rs.Chiudi();
    return n;
}

// The positions of the fields a line needs, resolved once per export.
struct Posizioni {
    QVector<int> campi;
    Posizioni(const Recordset &rs, std::initializer_list<const char *> nomi)
    {
        for (const char *n : nomi)
            campi << rs.IndiceCampo(QLatin1String(n));
    }
    int operator[](int i) const { return campi.at(i); }
};

// A text field in Windows-1252: plain ASCII without the characters that need quoting goes over
// as it is stored (the same bytes), anything else through the quoting and the encoder.
void aggiungiTesto(QByteArray &riga, const Recordset &rs, int i)
{
    const QByteArrayView t = rs.Utf8Campo(i);
    for (const char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == ';' || c == '"' || c == '\r' || c == '\n') {
            riga += Windows1252(Campo(QString::fromUtf8(t)));
            return;
        }
    }
    riga += t;
}

void aggiungiImporto(QByteArray &riga, const Recordset &rs, int i)
{
    if (rs.NulloCampo(i))
        return;
    bool ok = false;
    const qint64 v = rs.InteroCampo(i, &ok);
    if (!ok)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Importo non valido nel campo ") + rs.NomeCampo(i));
    if (v % Valuta::Scala == 0)  // whole amounts, the most common: the plain form is the integer
        riga += QByteArray::number(v / Valuta::Scala);
    else
        riga += Valuta::daDecimillesimi(v).testoSemplice().toLatin1();
}

void aggiungiData(QByteArray &riga, const Recordset &rs, int i)
{
    if (rs.NulloCampo(i))
        return;
    const QByteArrayView t = rs.Utf8Campo(i);
    // Nearly every row holds a plain 'yyyy-MM-dd': turned round by hand, which spares a date
    // parse and a time-zone lookup per row; anything else goes the long way.
    if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
        bool ka = false, km = false, kg = false;
        const int a = t.sliced(0, 4).toInt(&ka), m = t.sliced(5, 2).toInt(&km), g = t.sliced(8, 2).toInt(&kg);
        if (ka && km && kg && QDate::isValid(a, m, g)) {
            riga += t.sliced(8, 2);
            riga += '/';
            riga += t.sliced(5, 2);
            riga += '/';
            riga += t.sliced(0, 4);
            return;
        }
    }
    riga += Windows1252(TestoDataOra(rs.DataOra(rs.NomeCampo(i))));
}

void avanza(const Avanzamento &a)
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
    // Plain ASCII is the same bytes in Windows-1252.
    bool ascii = true;
    for (const QChar c : testo) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return testo.toLatin1();
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
    // One line per client at most: the lines are built first, so that the progress bar gets its
    // range without running the grouping over the whole archive twice.
    QVector<QByteArray> righe;
    qint64 lette = 0;
    {
        Recordset rs = archivio.Query(QuerySaldi(alGiorno));
        const Posizioni p(rs, {"RAGIONESOCIALE", "CODICEFISCALE", "PARTITAIVA", "EXPR1"});
        QByteArray riga;
        for (; !rs.Fine(); rs.MoveNext()) {
            ++lette;
            bool ok = false;
            const qint64 saldo = rs.InteroCampo(p[3], &ok);
            if (!ok || saldo == 0) {  // a null sum reads as 0, as an amount does
                righe << QByteArray();
                continue;
            }
            riga.clear();
            aggiungiTesto(riga, rs, p[0]);
            riga += ';';
            aggiungiTesto(riga, rs, p[1]);
            riga += ';';
            aggiungiTesto(riga, rs, p[2]);
            riga += ';';
            aggiungiImporto(riga, rs, p[3]);
            riga += "\r\n";
            righe << riga;
        }
        rs.Chiudi();
    }
    if (avanzamento.totale)
        avanzamento.totale(lette);
    for (const QByteArray &r : std::as_const(righe)) {
        if (!r.isEmpty())
            scrivi(uscita, r);
        avanza(avanzamento);
    }
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
    const Posizioni p(rs, {"DATAOP", "DESCRIZIONE", "ENTRATA", "USCITA", "RAGIONESOCIALE", "CODICEFISCALE",
                           "PARTITAIVA"});
    // Each line is written as soon as it is built: a million rows keep memory flat.
    QByteArray riga;
    for (; !rs.Fine(); rs.MoveNext()) {
        riga.clear();
        aggiungiData(riga, rs, p[0]);
        riga += ';';
        aggiungiTesto(riga, rs, p[1]);
        riga += ';';
        aggiungiImporto(riga, rs, p[2]);
        riga += ';';
        aggiungiImporto(riga, rs, p[3]);
        for (int k = 4; k < 7; ++k) {
            riga += ';';
            aggiungiTesto(riga, rs, p[k]);
        }
        riga += "\r\n";
        scrivi(uscita, riga);
        ++lette;
        avanza(avanzamento);
    }
    rs.Chiudi();
    return lette;
}

} // namespace Csv
