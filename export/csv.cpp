#include "export/csv.h"

#include "store/archivio.h"
#include "store/confronto.h"
#include "store/costanti.h"
#include "store/errore.h"

#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QStringEncoder>
#include <algorithm>
#include <numeric>

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
void aggiungiTesto(QByteArray &riga, QByteArrayView t)
{
    for (const char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == ';' || c == '"' || c == '\r' || c == '\n') {
            riga += Windows1252(Campo(QString::fromUtf8(t)));
            return;
        }
    }
    riga += t;
}

void aggiungiTesto(QByteArray &riga, const Recordset &rs, int i) { aggiungiTesto(riga, rs.Utf8Campo(i)); }

// One line of the balances file: a client code with one spelling of its name, tax code and VAT
// number, and the rows of the engine's grouping that it gathers.
struct GruppoSaldo {
    QByteArray ragioneSociale, codiceFiscale, partitaIva;  // UTF-8, as stored
    qint64 saldo = 0;
    qint64 righe = 0;  // rows of the engine's result merged into this line
};

// The client rule's key of a stored text, a null apart from an empty text as the engine keeps it;
// plain ASCII, the common case, is only lowered.
void aggiungiChiave(QString &chiave, const Recordset &rs, int i)
{
    chiave += QChar(0x1f);
    if (rs.NulloCampo(i)) {
        chiave += QChar(0);
        return;
    }
    const QByteArrayView t = rs.Utf8Campo(i);
    for (const char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            chiave += Confronto::Chiave(QString::fromUtf8(t));
            return;
        }
    }
    chiave += QString::fromLatin1(t).toLower();
}

void aggiungiImporto(QByteArray &riga, qint64 v)
{
    if (v % Valuta::Scala == 0)  // whole amounts, the most common: the plain form is the integer
        riga += QByteArray::number(v / Valuta::Scala);
    else
        riga += Valuta::daDecimillesimi(v).testoSemplice().toLatin1();
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
    aggiungiImporto(riga, v);
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
    // The engine groups by code and by the texts as its columns compare them, folding only the
    // ASCII letters: the groups of one client whose texts differ in the case of an accented letter
    // are merged here, and the lines are put in the Italian order, the one of the search window.
    // One line per client at most, so all of them are held before the first is written.
    QVector<GruppoSaldo> gruppi;
    QHash<QString, int> perChiave;
    qint64 lette = 0;
    {
        Recordset rs = archivio.Query(QuerySaldi(alGiorno));
        const Posizioni p(rs, {"CODICEANA", "RAGIONESOCIALE", "CODICEFISCALE", "PARTITAIVA", "EXPR1"});
        QString chiave;
        for (; !rs.Fine(); rs.MoveNext()) {
            ++lette;
            bool ok = false;
            qint64 saldo = rs.InteroCampo(p[4], &ok);
            if (!ok)
                saldo = 0;  // a null sum reads as 0, as an amount does
            bool codiceOk = false;
            const qint64 codice = rs.InteroCampo(p[0], &codiceOk);
            const QByteArrayView nome = rs.Utf8Campo(p[1]), cf = rs.Utf8Campo(p[2]), piva = rs.Utf8Campo(p[3]);
            chiave = codiceOk ? QString::number(codice) : QStringLiteral("-");
            for (int k = 1; k <= 3; ++k)
                aggiungiChiave(chiave, rs, p[k]);
            const auto trovato = perChiave.constFind(chiave);
            if (trovato == perChiave.constEnd()) {
                perChiave.insert(chiave, int(gruppi.size()));
                gruppi.append({nome.toByteArray(), cf.toByteArray(), piva.toByteArray(), saldo, 1});
                continue;
            }
            GruppoSaldo &g = gruppi[*trovato];
            ++g.righe;
            if (__builtin_add_overflow(g.saldo, saldo, &g.saldo))
                throw ErroreApp(CodiciErrore::Overflow,
                                QStringLiteral("Overflow: il saldo di ") + QString::fromUtf8(g.ragioneSociale) +
                                    QStringLiteral(" è fuori dell'intervallo ammesso"));
        }
        rs.Chiudi();
    }
    QVector<QCollatorSortKey> chiavi;
    chiavi.reserve(gruppi.size());
    for (const GruppoSaldo &g : std::as_const(gruppi))
        chiavi.append(Confronto::ChiaveOrdine(QString::fromUtf8(g.ragioneSociale)));
    QVector<int> ordine(gruppi.size());
    std::iota(ordine.begin(), ordine.end(), 0);
    std::stable_sort(ordine.begin(), ordine.end(), [&](int a, int b) { return chiavi[a].compare(chiavi[b]) < 0; });

    if (avanzamento.totale)
        avanzamento.totale(lette);
    QByteArray riga;
    for (const int i : std::as_const(ordine)) {
        const GruppoSaldo &g = gruppi.at(i);
        if (g.saldo != 0) {
            riga.clear();
            aggiungiTesto(riga, g.ragioneSociale);
            riga += ';';
            aggiungiTesto(riga, g.codiceFiscale);
            riga += ';';
            aggiungiTesto(riga, g.partitaIva);
            riga += ';';
            aggiungiImporto(riga, g.saldo);
            riga += "\r\n";
            scrivi(uscita, riga);
        }
        for (qint64 k = 0; k < g.righe; ++k)
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
