#include "convert/sorgente_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <string>

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

} // namespace

struct SorgenteAccess::Dati {
    QString percorso;
    MdbHandle *mdb = nullptr;
    MdbTableDef *tabella = nullptr;
    int colonna[NumeroRuoli] = {};  // the table's column number of each role
    int tipo[NumeroRuoli] = {};
    qint64 lette = 0;
    std::u16string utf16;           // reused for every text
    QByteArray memo;                // reused for memos kept on pages of their own

    ~Dati()
    {
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
            Q_UNUSED(scritti);
            return QByteArray(uscita.c_str());
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
            d->fallisci(QStringLiteral("accesso negato (") + f.errorString() + QStringLiteral(")."));
    }
    if (!EFileAccess(percorso))
        d->fallisci(QStringLiteral("il file non è un archivio Access."));
    // Read only: the source of a conversion is never written, nor locked for writing.
    d->mdb = mdb_open(QFile::encodeName(percorso).constData(), MDB_NOFLAGS);
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
    if (!d->tabella || !mdb_read_columns(d->tabella))
        d->danneggiato(QStringLiteral("tabella ANTICIPI illeggibile"));
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

qint64 SorgenteAccess::RigheAttese() const { return d->tabella->num_rows; }

bool SorgenteAccess::Leggi(RigaAnticipi &riga)
{
    MdbTableDef *t = d->tabella;
    MdbHandle *mdb = d->mdb;
    if (!mdb_fetch_row(t)) {
        // libmdb ends quietly where the file ends: a file cut short gives fewer rows than its table says.
        if (d->lette != qint64(t->num_rows))
            d->danneggiato(QStringLiteral("lette %1 righe delle %2 della tabella ANTICIPI").arg(d->lette).arg(t->num_rows));
        return false;
    }
    ++d->lette;
    // The row just read, taken apart again to see its nulls: libmdb's bound values do not tell a
    // null text from an empty one, and give amounts and dates only as text.
    int inizio = 0;
    size_t dimensione = 0;
    MdbField campi[MDB_MAX_COLS];
    if (mdb_find_row(mdb, int(t->cur_row) - 1, &inizio, &dimensione) != 0)
        d->danneggiato(QStringLiteral("riga %1 illeggibile").arg(d->lette));
    const int n = mdb_crack_row(t, inizio & MascheraPosizione, dimensione, campi);
    if (n < 0)
        d->danneggiato(QStringLiteral("riga %1 illeggibile").arg(d->lette));
    const MdbField *campo[NumeroRuoli] = {};
    for (int i = 0; i < n; ++i)
        for (int r = 0; r < NumeroRuoli; ++r)
            if (campi[i].colnum == d->colonna[r])
                campo[r] = &campi[i];
    for (int r = 0; r < NumeroRuoli; ++r)
        if (!campo[r])
            d->danneggiato(QStringLiteral("riga %1 senza la colonna %2").arg(d->lette).arg(QLatin1String(Colonne[r].nome)));

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

    riga = RigaAnticipi();
    if (!intero(Id, &riga.id))
        d->danneggiato(QStringLiteral("riga %1 senza ID").arg(d->lette));
    try {
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
            if (nullo(r))
                v.reset();
            else if (d->tipo[r] == MDB_MEMO)
                v = d->testoMemo(byte(r), campo[r]->siz);
            else
                v = d->testo(byte(r), size_t(std::max(campo[r]->siz, 0)));
        }
    } catch (const RigaNonValida &e) {
        throw ErroreApp(ErroreConversione,
                        QStringLiteral("Impossibile convertire la riga con ID %1 dell'archivio %2: %3. "
                                       "La conversione è stata interrotta e l'archivio non è stato modificato; "
                                       "correggere la riga con il programma precedente e riprovare.")
                            .arg(riga.id)
                            .arg(nativo(d->percorso), e.motivo));
    }
    return true;
}

bool EFileAccess(const QString &percorso)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray testa = f.read(20);
    return testa.size() == 20 && (testa.mid(4, 15) == "Standard Jet DB" || testa.mid(4, 15) == "Standard ACE DB");
}
