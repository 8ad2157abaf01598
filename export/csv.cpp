#include "export/csv.h"
#include "export/righe_csv.h"

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/valorinonvalidi.h"
#include "values/confronto.h"
#include "values/costanti.h"
#include "values/errore.h"

#include <QHash>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <numeric>

#include <limits>
#include <optional>

namespace Csv {

namespace {

void scrivi(QIODevice &uscita, QByteArrayView byte)
{
    if (uscita.write(byte.data(), byte.size()) != byte.size())
        throw ErroreApp(CodiciErrore::FileNonScritto,
                        QStringLiteral("Impossibile scrivere il file: ") + uscita.errorString());
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

void aggiungiTesto(Blocco &b, const Recordset &rs, int i) { AggiungiTesto(b, rs.Utf8Campo(i)); }

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

// What an export says when it stops at values it cannot read: no file is written.
const QString EsportazioneFermata =
    QStringLiteral("L'esportazione è stata interrotta e il file non è stato scritto.");

// How many unreadable values of each kind a check looks for before it stops: enough for one message.
constexpr int ValoriCercati = 11;

// The values an export cannot read, of every kind at once: a user who mends one kind must not find
// the next only at the next attempt. The days are looked for first, in the whole archive: rows whose
// day cannot be read could belong to any period or balance.
struct NonValidi {
    QList<ValoreNonValido> date, importi;
    void aggiungi(const Recordset &rs, int iID, int i, bool data)
    {
        bool ok = false;
        const qint64 id = rs.InteroCampo(iID, &ok);
        QList<ValoreNonValido> &l = data ? date : importi;
        const QString campo = data ? QStringLiteral("DATAOP") : rs.NomeCampo(i).toUpper();
        if (l.size() >= ValoriCercati ||
            std::any_of(l.cbegin(), l.cend(), [&](const ValoreNonValido &v) { return v.id == id && v.campo == campo; }))
            return;
        l.append({id, campo, TestoValore(rs, i)});
    }
    void segnala() const
    {
        if (!date.isEmpty() || !importi.isEmpty())
            throw ErroreValoriNonValidi(date + importi, EsportazioneFermata);
    }
};

void aggiungiImporto(Blocco &b, const Recordset &rs, int i, int iID, NonValidi &nonValidi)
{
    // A null stays an empty field (ImportoArchivio would read it as zero).
    if (rs.NulloCampo(i))
        return;
    const std::optional<Valuta> importo = ImportoArchivio(rs, i);
    if (!importo)
        return nonValidi.aggiungi(rs, iID, i, false);
    AggiungiImporto(b, importo->decimillesimi());
}

void aggiungiData(Blocco &b, const Recordset &rs, int i, int iID, NonValidi &nonValidi)
{
    // The stored 'yyyy-MM-dd' turned round by hand, which spares a date parse and a time-zone
    // lookup per row. Anything else is no day this program wrote, and is never guessed at. The
    // null is asked first: reading a number as text would change what the message shows of it.
    if (rs.NulloCampo(i))
        return nonValidi.aggiungi(rs, iID, i, true);
    const QByteArrayView t = rs.Utf8Campo(i);
    if (!GiornoDaTesto(t).isValid())
        return nonValidi.aggiungi(rs, iID, i, true);
    char *g = b.spazio(10);
    const char giorno[10] = {t[8], t[9], '/', t[5], t[6], '/', t[0], t[1], t[2], t[3]};
    std::memcpy(g, giorno, 10);
    b.fatto(g + 10);
}

ErroreApp SaldoTroppoGrande(const QString &nome, const QString &codice, const QDate &alGiorno)
{
    return ErroreApp(CodiciErrore::Overflow,
                     QStringLiteral("Il saldo del cliente ") + nome + QStringLiteral(" (codice ") + codice +
                         QStringLiteral(") al ") + TestoData(alGiorno) +
                         QStringLiteral(" supera il massimo che il programma può calcolare: i suoi movimenti, "
                                        "scritti da un altro programma, contengono importi troppo grandi. ") +
                         EsportazioneFermata);
}

// After the engine failed on the balances: the first client whose amounts up to the day cannot be
// summed in any order (their sizes add up past the currency type), thrown as its own failure. Found
// by summing every movement, which only this rare path pays for; when no client is, nothing is
// thrown and the engine's failure stands.
void cercaSaldoTroppoGrande(Archivio &archivio, const QDate &alGiorno)
{
    Recordset rs = archivio.Query(QStringLiteral("SELECT CODICEANA, ENTRATA, USCITA FROM ANTICIPI WHERE DATAOP<=#") +
                                  DataSql(alGiorno) + QStringLiteral("# ORDER BY CODICEANA"));
    const __int128 limite = std::numeric_limits<qint64>::max();
    qint64 codice = 0;
    __int128 grandezza = 0;
    std::optional<qint64> trovato;
    for (bool primo = true; !rs.Fine() && !trovato; rs.MoveNext(), primo = false) {
        bool ok = false;
        const qint64 c = rs.InteroCampo(0, &ok);
        if (primo || c != codice) {
            codice = c;
            grandezza = 0;
        }
        const std::optional<Valuta> e = ImportoArchivio(rs, 1), u = ImportoArchivio(rs, 2);
        const __int128 differenza = __int128(e ? e->decimillesimi() : 0) - (u ? u->decimillesimi() : 0);
        grandezza += differenza < 0 ? -differenza : differenza;
        if (grandezza > limite)
            trovato = codice;
    }
    rs.Chiudi();
    if (!trovato)
        return;
    Recordset nome = archivio.PrimaRiga(QStringLiteral("SELECT RAGIONESOCIALE FROM ANTICIPI WHERE CODICEANA=") +
                                    QString::number(*trovato) + QStringLiteral(" ORDER BY ID DESC"));
    const QString ragioneSociale = nome.Fine() ? QString() : nome.Testo(QStringLiteral("RAGIONESOCIALE"));
    nome.Chiudi();
    throw SaldoTroppoGrande(ragioneSociale, QString::number(*trovato), alGiorno);
}

void avanza(const Avanzamento &a)
{
    if (a.riga)
        a.riga();
}

// Where the walk of a period's movements has got to, for the progress bar, without counting its
// rows first (the count read the whole period once more). The rows come in the order of the index on
// the day (SQLite) or of the table (a server's scan, which follows the IDs): the position is the
// row's day between the period's first and last, or its ID between the table's first and last,
// whichever order the rows have kept so far (the lower while both hold, the ID when neither does).
// The four ends are an index probe each; the position is read every 256 rows, never goes back, and
// reaches the last step only when the walk ends.
class Posizione {
public:
    static constexpr qint64 Passi = 1000;

    Posizione(Archivio &archivio, const QDate &dal, const QDate &al)
    {
        Recordset rs = archivio.Query(QueryEstremi(dal, al));
        bool primoOk = false, ultimoOk = false;
        const qint64 primoId = rs.InteroCampo(0, &primoOk), ultimoId = rs.InteroCampo(1, &ultimoOk);
        m_id.estremi(primoId, ultimoId, primoOk && ultimoOk);
        // A day written in another form by another program leaves the days out: the IDs remain.
        const QDate primo = GiornoDaTesto(rs.Utf8Campo(2)), ultimo = GiornoDaTesto(rs.Utf8Campo(3));
        m_giorno.estremi(primo.toJulianDay(), ultimo.toJulianDay(), primo.isValid() && ultimo.isValid());
        rs.Chiudi();
    }

    // The steps done once the current row is written.
    qint64 passi(const Recordset &rs, int iData, int iID)
    {
        bool ok = false;
        const qint64 id = rs.InteroCampo(iID, &ok);
        const QDate giorno = GiornoDaTesto(rs.Utf8Campo(iData));
        m_id.vedi(id, ok);
        m_giorno.vedi(giorno.toJulianDay(), giorno.isValid());
        double frazione = 0;
        if (m_id.tenuto || m_giorno.tenuto)
            frazione = std::min(m_id.tenuto ? m_id.frazione() : 1.0, m_giorno.tenuto ? m_giorno.frazione() : 1.0);
        else if (m_id.noti)
            frazione = m_id.frazione();  // the furthest ID seen: a scan's order, a few rows moved
        m_fatti = qBound(m_fatti, qint64(frazione * Passi), Passi - 1);
        return m_fatti;
    }

private:
    // One order the rows may come in: its ends, whether the rows seen so far kept it, the furthest.
    struct Ordine {
        qint64 primo = 0, ultimo = 0, massimo = 0;
        bool noti = false, tenuto = false;
        void estremi(qint64 p, qint64 u, bool ok)
        {
            primo = massimo = p;
            ultimo = u;
            noti = tenuto = ok && u > p;
        }
        void vedi(qint64 v, bool ok)
        {
            tenuto = tenuto && ok && v >= massimo;
            if (ok)
                massimo = std::max(massimo, v);
        }
        double frazione() const { return double(qBound(primo, massimo, ultimo) - primo) / double(ultimo - primo); }
    };
    Ordine m_id, m_giorno;
    qint64 m_fatti = 0;
};

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

QString QueryEstremi(const QDate &dal, const QDate &al)
{
    const QString periodo = QStringLiteral(" FROM ANTICIPI WHERE DATAOP>=#") + DataSql(dal) +
                            QStringLiteral("# AND DATAOP<=#") + DataSql(al) + QStringLiteral("#)");
    return QStringLiteral("SELECT (SELECT MIN(ID) FROM ANTICIPI) AS PRIMO, (SELECT MAX(ID) FROM ANTICIPI) AS ULTIMO, "
                          "(SELECT MIN(DATAOP)") +
           periodo + QStringLiteral(" AS DAL, (SELECT MAX(DATAOP)") + periodo + QStringLiteral(" AS AL");
}

qint64 ScriviSaldi(QIODevice &uscita, Archivio &archivio, const QDate &alGiorno, const Avanzamento &avanzamento)
{
    // The engine's sum would read a text amount as its leading digits ('12,50' as 12) and leave out
    // a row whose other amount is null: such rows stop the export before anything is written.
    NonValidi nonValidi{DateNonValide(archivio, ValoriCercati), ImportiNonValidi(archivio, alGiorno, ValoriCercati)};
    nonValidi.segnala();
    scrivi(uscita, Riga({IntestazioneSaldi}));
    // The engine groups by code and by the texts as its columns compare them, folding only the
    // ASCII letters: the groups of one client whose texts differ in the case of an accented letter
    // are merged here, and the lines are put in the Italian order, the one of the search window.
    // One line per client at most, so all of them are held before the first is written.
    QVector<GruppoSaldo> gruppi;
    QHash<QString, int> perChiave;
    qint64 lette = 0;
    std::optional<ErroreApp> oltre;
    try {
        Recordset rs = [&] {
            // The grouping sorts the rows up to the day, the whole table for today's balances.
            struct Ordinamento {
                Motore &m;
                ~Ordinamento() { m.OrdinamentoGrande(false); }
            } ordinamento{archivio.MotoreAperto()};
            ordinamento.m.OrdinamentoGrande(true);
            return archivio.Query(QuerySaldi(alGiorno));
        }();
        const Posizioni p(rs, {"CODICEANA", "RAGIONESOCIALE", "CODICEFISCALE", "PARTITAIVA", "EXPR1"});
        QString chiave;
        for (; !rs.Fine(); rs.MoveNext()) {
            ++lette;
            // A null sum reads as 0, as an amount does. A sum that is not a whole number went past
            // what the engine sums exactly: amounts another program wrote, too large to add up.
            const QVariant somma = rs.Campo(p[4]);
            if (!somma.isNull() && somma.typeId() != QMetaType::LongLong) {
                oltre = SaldoTroppoGrande(rs.TestoCampo(p[1]), rs.TestoCampo(p[0]), alGiorno);
                break;
            }
            const qint64 saldo = somma.toLongLong();
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
            if (__builtin_add_overflow(g.saldo, saldo, &g.saldo)) {
                oltre = SaldoTroppoGrande(QString::fromUtf8(g.ragioneSociale), QString::number(codice), alGiorno);
                break;
            }
        }
        rs.Chiudi();
    } catch (const ErroreApp &e) {
        // The engine gives up on a sum that overflows without saying whose: found here, by client.
        if (e.numero() == CodiciErrore::Overflow)
            cercaSaldoTroppoGrande(archivio, alGiorno);
        throw;
    }
    if (oltre)
        throw *oltre;
    QVector<QCollatorSortKey> chiavi;
    chiavi.reserve(gruppi.size());
    for (const GruppoSaldo &g : std::as_const(gruppi))
        chiavi.append(Confronto::ChiaveOrdine(QString::fromUtf8(g.ragioneSociale)));
    QVector<int> ordine(gruppi.size());
    std::iota(ordine.begin(), ordine.end(), 0);
    std::stable_sort(ordine.begin(), ordine.end(), [&](int a, int b) { return chiavi[a].compare(chiavi[b]) < 0; });

    if (avanzamento.totale)
        avanzamento.totale(lette);
    Blocco riga(256);
    for (const int i : std::as_const(ordine)) {
        const GruppoSaldo &g = gruppi.at(i);
        if (g.saldo != 0) {
            riga.svuota();
            AggiungiTesto(riga, g.ragioneSociale);
            riga.metti(';');
            AggiungiTesto(riga, g.codiceFiscale);
            riga.metti(';');
            AggiungiTesto(riga, g.partitaIva);
            riga.metti(';');
            AggiungiImporto(riga, g.saldo);
            riga.metti("\r\n");
            scrivi(uscita, riga.dati());
        }
        for (qint64 k = 0; k < g.righe; ++k)
            avanza(avanzamento);
    }
    return lette;
}

qint64 ScriviMovimenti(QIODevice &uscita, Archivio &archivio, const QDate &dal, const QDate &al,
                       const Avanzamento &avanzamento)
{
    // A row that cannot be read is named, and the walk goes on to find the others: the export
    // stops after it, and its file is not written.
    NonValidi nonValidi{DateNonValide(archivio, ValoriCercati), {}};
    scrivi(uscita, Riga({IntestazioneMovimenti}));
    std::optional<Posizione> posizione;
    if (avanzamento.riga)
        posizione.emplace(archivio, dal, al);
    if (avanzamento.totale)
        avanzamento.totale(Posizione::Passi);
    qint64 passi = 0;
    const auto avanzaFino = [&](qint64 passo) {
        for (; passi < passo; ++passi)
            avanza(avanzamento);
    };
    qint64 lette = 0;
    Recordset rs = archivio.Query(QueryMovimenti(dal, al));
    const Posizioni p(rs, {"DATAOP", "DESCRIZIONE", "ENTRATA", "USCITA", "RAGIONESOCIALE", "CODICEFISCALE",
                           "PARTITAIVA", "ID"});
    // Lines go out in blocks of about 64 KB as they are built: a million rows keep memory flat, and
    // the file is not called once per line.
    constexpr qsizetype Pieno = 1 << 16;
    Blocco blocco(Pieno + 4096);
    for (; !rs.Fine(); rs.MoveNext()) {
        if (blocco.size() >= Pieno) {
            scrivi(uscita, blocco.dati());
            blocco.svuota();
        }
        aggiungiData(blocco, rs, p[0], p[7], nonValidi);
        blocco.metti(';');
        aggiungiTesto(blocco, rs, p[1]);
        blocco.metti(';');
        aggiungiImporto(blocco, rs, p[2], p[7], nonValidi);
        blocco.metti(';');
        aggiungiImporto(blocco, rs, p[3], p[7], nonValidi);
        for (int k = 4; k < 7; ++k) {
            blocco.metti(';');
            aggiungiTesto(blocco, rs, p[k]);
        }
        blocco.metti("\r\n");
        if ((++lette & 0xFF) == 0 && posizione)
            avanzaFino(posizione->passi(rs, p[0], p[7]));
    }
    rs.Chiudi();
    nonValidi.segnala();
    scrivi(uscita, blocco.dati());
    avanzaFino(Posizione::Passi);
    return lette;
}

} // namespace Csv
