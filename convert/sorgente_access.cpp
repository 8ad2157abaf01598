#include "convert/sorgente_access.h"

#include "platform/file.h"
#include "platform/sistema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// mdbtools.h includes glib.h inside its extern "C" block, where glib's C++ templates do not compile:
// glib first, so that the inner include finds it done.
#include <glib.h>
#include <mdbtools.h>

namespace {

// Row offsets in a Jet page carry two flags in their top bits (deleted, moved).
constexpr int MascheraPosizione = 0x1fff;
// A memo longer than this is damage, not a description.
constexpr quint32 MemoMassimo = 64u << 20;
// Jet's day numbers for 1 January 100 and the day after 31 December 9999.
constexpr double PrimoGiorno = -657434.0;
constexpr double OltreUltimoGiorno = 2958466.0;

enum Ruolo { Id, DataOp, Descrizione, Entrata, Uscita, RagioneSociale, CodiceFiscale, PartitaIva, CodiceAna, NumeroRuoli };

struct Colonna {
    const char *nome;
    int tipi[3];  // the types it may have; 0 ends the list
};

const Colonna Colonne[NumeroRuoli] = {
    {"ID", {MDB_LONGINT, MDB_INT, MDB_BYTE}},
    {"DATAOP", {MDB_DATETIME, 0, 0}},
    {"DESCRIZIONE", {MDB_MEMO, MDB_TEXT, 0}},
    {"ENTRATA", {MDB_MONEY, 0, 0}},
    {"USCITA", {MDB_MONEY, 0, 0}},
    {"RAGIONESOCIALE", {MDB_TEXT, MDB_MEMO, 0}},
    {"CODICEFISCALE", {MDB_TEXT, MDB_MEMO, 0}},
    {"PARTITAIVA", {MDB_TEXT, MDB_MEMO, 0}},
    {"CODICEANA", {MDB_LONGINT, MDB_INT, MDB_BYTE}},
};

quint32 intero32(const unsigned char *p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }

QString nativo(const QString &percorso) { return QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath()); }

// A row that cannot be carried as it is stops the conversion, naming it.
struct RigaNonValida {
    QString motivo;
};

// libmdb reports a damaged file on standard error, in English ("offset ... is beyond EOF"): lines
// in the middle of the command line's Italian messages, and that nobody sees under the window.
// While it works, standard error goes to a file of ours, and what it wrote goes to the log (the
// first lines of each source).
class ErroriLibmdb {
public:
    explicit ErroriLibmdb(const QString &percorso) : m_percorso(percorso) {}
    ErroriLibmdb(const ErroriLibmdb &) = delete;
    ErroriLibmdb &operator=(const ErroriLibmdb &) = delete;

    // For the lifetime of one object: around each call into libmdb.
    class Deviazione {
    public:
        explicit Deviazione(ErroriLibmdb &e) : m_e(e) { m_e.devia(); }
        ~Deviazione() { m_e.ripristina(); }
        Deviazione(const Deviazione &) = delete;
        Deviazione &operator=(const Deviazione &) = delete;

    private:
        ErroriLibmdb &m_e;
    };

private:
    static constexpr int RigheRegistrate = 20;

    void devia() { m_cattura.Inizia(); }

    void ripristina()
    {
        const QByteArray testo = m_cattura.Termina(1 << 16);
        for (const QByteArray &riga : testo.split('\n')) {
            if (riga.trimmed().isEmpty() || m_righe > RigheRegistrate)
                continue;
            RegistraErrore(ErroreApp(ErroreConversione,
                                     m_righe < RigheRegistrate
                                         ? QStringLiteral("Lettura dell'archivio ") + m_percorso +
                                               QStringLiteral(", messaggio di libmdb: ") + QString::fromLocal8Bit(riga.trimmed())
                                         : QStringLiteral("Lettura dell'archivio ") + m_percorso +
                                               QStringLiteral(": altri messaggi di libmdb non registrati.")));
            ++m_righe;
        }
    }

    QString m_percorso;
    Piattaforma::CatturaStderr m_cattura;
    int m_righe = 0;
};

} // namespace

struct SorgenteAccess::Dati {
    QString percorso;
    std::unique_ptr<QTemporaryDir> copia;  // a copy read instead of the file, see the constructor
    std::unique_ptr<ErroriLibmdb> errori;  // outlives the handle: closing it may complain too
    MdbHandle *mdb = nullptr;
    MdbTableDef *tabella = nullptr;
    int colonna[NumeroRuoli] = {};  // the table's column number of each role
    int tipo[NumeroRuoli] = {};
    qint64 lette = 0;
    qint64 idPrecedente = 0;        // of the last row read whole
    std::vector<MdbField> campi;    // one per column of the table, as libmdb fills them
    std::u16string utf16;           // reused for every text
    QByteArray memo;                // reused for memos kept on pages of their own

    ~Dati()
    {
        std::optional<ErroriLibmdb::Deviazione> deviazione;
        if (errori)
            deviazione.emplace(*errori);
        if (tabella)
            mdb_free_tabledef(tabella);
        if (mdb)
            mdb_close(mdb);
    }

    [[noreturn]] void fallisci(const QString &motivo) const
    {
        throw ErroreApp(ErroreConversione, QStringLiteral("Impossibile leggere l'archivio ") + nativo(percorso) +
                                               QStringLiteral(": ") + motivo);
    }

    [[noreturn]] void danneggiato(const QString &dettaglio) const
    {
        fallisci(QStringLiteral("il file è danneggiato o incompleto (") + dettaglio +
                 QStringLiteral("). Il file non è stato modificato."));
    }

    // Jet 4 keeps text as UTF-16; a text whose characters all fit one byte may be "compressed": it
    // starts with FF FE, then single bytes, a 0 byte switching between single bytes and pairs.
    QByteArray testo(const unsigned char *p, size_t n)
    {
        if (mdb->f->jet_version == MDB_VER_JET3) {
            // Jet 3 keeps a code page; libmdb knows which.
            std::string uscita(n * 3 + 16, '\0');
            const int scritti = mdb_unicode2ascii(mdb, reinterpret_cast<const char *>(p), n, uscita.data(), uscita.size());
            const QByteArray t(uscita.data(), std::clamp<qsizetype>(scritti, 0, qsizetype(uscita.size()) - 1));
            if (t.contains('\0'))
                throw RigaNonValida{QStringLiteral("un testo contiene un carattere NUL (codice 0)")};
            return t;
        }
        utf16.clear();
        if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
            bool compresso = true;
            for (size_t i = 2; i < n;) {
                if (p[i] == 0) {
                    compresso = !compresso;
                    ++i;
                } else if (compresso) {
                    utf16.push_back(char16_t(p[i]));
                    ++i;
                } else if (i + 1 < n) {
                    utf16.push_back(char16_t(p[i] | p[i + 1] << 8));
                    i += 2;
                } else {
                    throw RigaNonValida{QStringLiteral("un testo è troncato")};
                }
            }
        } else {
            if (n % 2 != 0)
                throw RigaNonValida{QStringLiteral("un testo è troncato")};
            utf16.reserve(n / 2);
            for (size_t i = 0; i < n; i += 2)
                utf16.push_back(char16_t(p[i] | p[i + 1] << 8));
        }
        // A half of a surrogate pair on its own is no character: carrying it would change the text.
        for (size_t i = 0; i < utf16.size(); ++i) {
            const char16_t c = utf16[i];
            if (QChar::isHighSurrogate(c) && i + 1 < utf16.size() && QChar::isLowSurrogate(utf16[i + 1]))
                ++i;
            else if (QChar::isSurrogate(c))
                throw RigaNonValida{QStringLiteral("un testo contiene un carattere UTF-16 non valido")};
            else if (c == 0)
                // The program cannot store it on a server, nor type it: carried, it would fail later
                // naming no row.
                throw RigaNonValida{QStringLiteral("un testo contiene un carattere NUL (codice 0)")};
        }
        return QStringView(utf16.data(), qsizetype(utf16.size())).toUtf8();
    }

    // A memo: its 12-byte head in the row, the text inline or on pages of its own (one, or a chain).
    QByteArray testoMemo(const unsigned char *campo, int dimensione)
    {
        if (dimensione < MDB_MEMO_OVERHEAD)
            throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
        const quint32 testa = intero32(campo);
        const quint32 lunghezza = testa & 0x3fffffff;
        if (testa & 0x80000000)
            return testo(campo + MDB_MEMO_OVERHEAD, size_t(dimensione - MDB_MEMO_OVERHEAD));
        if (lunghezza > MemoMassimo)
            throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
        memo.clear();
        qint32 pagina = qint32(intero32(campo + 4));
        const bool unaPagina = testa & 0x40000000;
        if (!unaPagina && (testa & 0xff000000) != 0)
            throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
        for (int giri = 0;; ++giri) {
            void *buf = nullptr;
            int inizio = 0;
            size_t n = 0;
            if (giri > 100000 || mdb_find_pg_row(mdb, pagina, &buf, &inizio, &n) != 0 || !buf)
                throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
            const auto *p = static_cast<const unsigned char *>(buf) + (inizio & MascheraPosizione);
            if (unaPagina) {
                memo.append(reinterpret_cast<const char *>(p), qsizetype(std::min<size_t>(n, lunghezza)));
                break;
            }
            if (n < 4)
                throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
            memo.append(reinterpret_cast<const char *>(p + 4), qsizetype(n - 4));
            pagina = qint32(intero32(p));
            if (quint32(memo.size()) > lunghezza)
                throw RigaNonValida{QStringLiteral("un testo lungo è danneggiato")};
            if ((pagina >> 8) == 0)
                break;
        }
        if (quint32(memo.size()) != lunghezza)
            throw RigaNonValida{QStringLiteral("un testo lungo è incompleto")};
        return testo(reinterpret_cast<const unsigned char *>(memo.constData()), size_t(memo.size()));
    }
};

SorgenteAccess::SorgenteAccess(const QString &percorso) : d(std::make_unique<Dati>())
{
    d->percorso = percorso;
    const QFileInfo info(percorso);
    if (!info.exists())
        d->fallisci(QStringLiteral("il file non esiste."));
    if (info.isDir())
        d->fallisci(QStringLiteral("è una cartella, non un file."));
    {
        QFile f(percorso);
        if (!f.open(QIODevice::ReadOnly))
            d->fallisci(Piattaforma::FileInUso(percorso)
                            ? QStringLiteral("il file è in uso da un altro programma: chiuderlo e riprovare.")
                            : QStringLiteral("accesso negato (") + f.errorString() + QStringLiteral(")."));
    }
    if (!EFileAccess(percorso))
        d->fallisci(QStringLiteral("il file non è un archivio Access."));
    d->errori = std::make_unique<ErroriLibmdb>(nativo(percorso));
    const ErroriLibmdb::Deviazione deviazione(*d->errori);
    // Read only: the source of a conversion is never written, nor locked for writing.
    // libmdb opens with fopen: a path that fopen cannot be given whole (on Windows a letter outside
    // the code page, on a volume without short names) is read from a copy in the temporary folder.
    QByteArray percorsoC = Piattaforma::PercorsoFopen(percorso);
    if (percorsoC.isEmpty()) {
        d->copia = std::make_unique<QTemporaryDir>();
        const QString copia = d->copia->filePath(QStringLiteral("origine.mdb"));
        if (d->copia->isValid() && QFile::copy(percorso, copia))
            percorsoC = Piattaforma::PercorsoFopen(copia);
        if (percorsoC.isEmpty())
            d->fallisci(QStringLiteral("il suo percorso non si può aprire e non è stato possibile copiarlo nella "
                                       "cartella temporanea."));
    }
    d->mdb = mdb_open(percorsoC.constData(), MDB_NOFLAGS);
    if (!d->mdb)
        d->danneggiato(QStringLiteral("intestazione illeggibile"));
    if (!mdb_read_catalog(d->mdb, MDB_TABLE))
        d->danneggiato(QStringLiteral("elenco delle tabelle illeggibile"));
    MdbCatalogEntry *voce = nullptr;
    for (guint i = 0; d->mdb->catalog && i < d->mdb->catalog->len; ++i) {
        auto *e = static_cast<MdbCatalogEntry *>(g_ptr_array_index(d->mdb->catalog, i));
        if (e->object_type == MDB_TABLE && g_ascii_strcasecmp(e->object_name, "ANTICIPI") == 0)
            voce = e;
    }
    if (!voce)
        d->fallisci(QStringLiteral("il file non contiene la tabella ANTICIPI: è l'archivio di un altro programma. "
                                   "Il file non è stato modificato."));
    d->tabella = mdb_read_table(voce);
    if (!d->tabella || !mdb_read_columns(d->tabella) || !d->tabella->columns ||
        d->tabella->columns->len != d->tabella->num_cols || d->tabella->num_cols > MDB_MAX_COLS)
        d->danneggiato(QStringLiteral("tabella ANTICIPI illeggibile"));
    d->campi.assign(d->tabella->num_cols, MdbField{});
    for (int r = 0; r < NumeroRuoli; ++r) {
        d->colonna[r] = -1;
        for (guint c = 0; c < d->tabella->columns->len; ++c) {
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(d->tabella->columns, c));
            if (g_ascii_strcasecmp(col->name, Colonne[r].nome) != 0)
                continue;
            for (int t : Colonne[r].tipi)
                if (t != 0 && col->col_type == t) {
                    d->colonna[r] = int(c);
                    d->tipo[r] = t;
                }
        }
        if (d->colonna[r] < 0)
            d->fallisci(QStringLiteral("nella tabella ANTICIPI manca la colonna ") + QLatin1String(Colonne[r].nome) +
                        QStringLiteral(" (o non è del tipo atteso): è l'archivio di un altro programma. "
                                       "Il file non è stato modificato."));
    }
    mdb_rewind_table(d->tabella);
}

SorgenteAccess::~SorgenteAccess() = default;

bool LeggeAccess() { return true; }

qint64 SorgenteAccess::RigheAttese() const { return d->tabella->num_rows; }

bool SorgenteAccess::Leggi(RigaAnticipi &riga)
{
    const ErroriLibmdb::Deviazione deviazione(*d->errori);
    MdbTableDef *t = d->tabella;
    MdbHandle *mdb = d->mdb;
    if (!mdb_fetch_row(t)) {
        // libmdb ends quietly where the file ends: a file cut short gives fewer rows than its table says.
        if (d->lette != qint64(t->num_rows))
            d->danneggiato(QStringLiteral("lette %1 righe delle %2 della tabella ANTICIPI").arg(d->lette).arg(t->num_rows));
        return false;
    }
    ++d->lette;
    riga = RigaAnticipi();
    bool idLetto = false;
    try {
        // The row just read, taken apart again to see its nulls: libmdb's bound values do not tell a
        // null text from an empty one, and give amounts and dates only as text. Every field is
        // checked to lie inside the row: a damaged row may point anywhere in the page or past it.
        int inizio = 0;
        size_t dimensione = 0;
        if (mdb_find_row(mdb, int(t->cur_row) - 1, &inizio, &dimensione) != 0 || dimensione == 0)
            throw RigaNonValida{QStringLiteral("la sua posizione nella pagina è danneggiata")};
        inizio &= MascheraPosizione;
        if (mdb_crack_row(t, inizio, dimensione, d->campi.data()) < 0)
            throw RigaNonValida{QStringLiteral("la sua struttura è danneggiata")};
        const MdbField *campo[NumeroRuoli] = {};
        for (const MdbField &f : d->campi)
            for (int r = 0; r < NumeroRuoli; ++r)
                if (f.colnum == d->colonna[r])
                    campo[r] = &f;
        auto dentro = [&](int r) {
            if (!campo[r])
                throw RigaNonValida{QStringLiteral("manca la colonna ") + QLatin1String(Colonne[r].nome)};
            const qint64 da = campo[r]->start, a = da + campo[r]->siz;
            if (!campo[r]->is_null && (campo[r]->siz < 0 || da < inizio || a > inizio + qint64(dimensione)))
                throw RigaNonValida{QStringLiteral("il campo ") + QLatin1String(Colonne[r].nome) +
                                    QStringLiteral(" è fuori dalla riga")};
        };

        auto byte = [&](Ruolo r) { return mdb->pg_buf + campo[r]->start; };
        auto nullo = [&](Ruolo r) { return campo[r]->is_null != 0; };
        auto intero = [&](Ruolo r, qint64 *v) {
            const int s = campo[r]->siz;
            const unsigned char *p = byte(r);
            if (nullo(r))
                return false;
            if (d->tipo[r] == MDB_LONGINT && s == 4)
                *v = qint32(intero32(p));
            else if (d->tipo[r] == MDB_INT && s == 2)
                *v = qint16(quint16(p[0] | p[1] << 8));
            else if (d->tipo[r] == MDB_BYTE && s == 1)
                *v = p[0];
            else
                throw RigaNonValida{QStringLiteral("il numero in ") + QLatin1String(Colonne[r].nome) +
                                    QStringLiteral(" è danneggiato")};
            return true;
        };

        // The ID first, to name the row whatever else is damaged.
        dentro(Id);
        // An autonumber is never null: a row without one is damaged.
        if (!intero(Id, &riga.id))
            throw RigaNonValida{QStringLiteral("la riga è danneggiata")};
        idLetto = true;
        for (int r = 0; r < NumeroRuoli; ++r)
            dentro(r);
        if (!intero(CodiceAna, &riga.codiceAna))
            throw RigaNonValida{QStringLiteral("manca il codice del cliente (CODICEANA)")};
        if (nullo(DataOp))
            throw RigaNonValida{QStringLiteral("manca la data (DATAOP)")};
        if (campo[DataOp]->siz != 8)
            throw RigaNonValida{QStringLiteral("la data è danneggiata")};
        double giorni = 0;
        std::memcpy(&giorni, byte(DataOp), 8);
        if (!std::isfinite(giorni) || giorni < PrimoGiorno || giorni >= OltreUltimoGiorno)
            throw RigaNonValida{QStringLiteral("la data è fuori dall'intervallo ammesso (anni 100-9999)")};
        // Jet counts days from 30 December 1899 with the time as the fraction, also before that day
        // (-1.25 is 29 December, 6:00): the day is the whole part toward zero.
        const double giorno = std::trunc(giorni);
        riga.dataOp = QDate(1899, 12, 30).addDays(qint64(giorno));
        riga.oraTolta = giorni != giorno;
        for (Ruolo r : {Entrata, Uscita}) {
            qint64 &v = r == Entrata ? riga.entrata : riga.uscita;
            if (nullo(r)) {
                riga.importoNullo = true;
                v = 0;
                continue;
            }
            if (campo[r]->siz != 8)
                throw RigaNonValida{QStringLiteral("l'importo in ") + QLatin1String(Colonne[r].nome) +
                                    QStringLiteral(" è danneggiato")};
            // Currency is a little-endian 64-bit count of ten-thousandths: the exact amount.
            std::memcpy(&v, byte(r), 8);
            v = qFromLittleEndian(v);
        }
        for (Ruolo r : {Descrizione, RagioneSociale, CodiceFiscale, PartitaIva}) {
            std::optional<QByteArray> &v = r == Descrizione      ? riga.descrizione
                                           : r == RagioneSociale ? riga.ragioneSociale
                                           : r == CodiceFiscale  ? riga.codiceFiscale
                                                                 : riga.partitaIva;
            try {
                if (nullo(r))
                    v.reset();
                else if (d->tipo[r] == MDB_MEMO)
                    v = d->testoMemo(byte(r), campo[r]->siz);
                else
                    v = d->testo(byte(r), size_t(campo[r]->siz));
            } catch (const RigaNonValida &e) {
                throw RigaNonValida{e.motivo + QStringLiteral(" (colonna ") + QLatin1String(Colonne[r].nome) +
                                    QLatin1Char(')')};
            }
        }
        d->idPrecedente = riga.id;
    } catch (const RigaNonValida &e) {
        // Without its ID the row is told by its place, and by the row before it.
        const QString quale = idLetto      ? QStringLiteral("la riga con ID %1").arg(riga.id)
                              : d->lette > 1 ? QStringLiteral("la riga n. %1 (ID illeggibile, letta dopo la riga con ID %2)")
                                                 .arg(d->lette)
                                                 .arg(d->idPrecedente)
                                           : QStringLiteral("la prima riga (ID illeggibile)");
        throw ErroreApp(ErroreConversione,
                        QStringLiteral("Impossibile convertire %1 dell'archivio %2: %3. "
                                       "La conversione è stata interrotta e l'archivio non è stato modificato; "
                                       "correggere la riga con il programma precedente e riprovare.")
                            .arg(quale, nativo(d->percorso), e.motivo));
    }
    return true;
}
