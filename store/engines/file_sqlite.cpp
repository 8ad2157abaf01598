// The SQLite engine's file: opening it with its header checked, making a new one whole or not at all,
// removing what a creation cut short left, and the online backup copy. The statements are in
// motore_sqlite.cpp.

#include "store/engines/motore.h"

#include "platform/file.h"
#include "store/engines/motore_sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <sqlite3.h>
#include <optional>

namespace {

constexpr sqlite3_int64 CacheKib = 32768;
const char *const CacheGrande = "PRAGMA cache_size=-32768";

const char *const Tabella =
    "CREATE TABLE ANTICIPI ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " DATAOP TEXT NOT NULL,"
    " DESCRIZIONE TEXT,"
    " ENTRATA INTEGER NOT NULL DEFAULT 0,"
    " USCITA INTEGER NOT NULL DEFAULT 0,"
    " RAGIONESOCIALE TEXT COLLATE NOCASE,"
    " CODICEFISCALE TEXT COLLATE NOCASE,"
    " PARTITAIVA TEXT COLLATE NOCASE,"
    " CODICEANA INTEGER NOT NULL)";

// Each client's newest movement with the client's name, tax code and VAT number as that movement
// has them. Any type of code is taken, as ANTICIPI takes it (no rowid alias). A row inserted with a
// lower ID than the client's newest leaves it; a deleted newest one gives way to the next, read from
// the index on (CODICEANA, ID) in one seek. That seek comes first, in a part of its own: with the
// check of the client's row beside it in one WHERE, SQLite would walk all the client's movements for
// every older one deleted (16 s to delete a client of 20,000). A change of name, tax code or VAT
// number reaches the client's row only from its newest movement.
const char *const TabellaUltimi =
    "CREATE TABLE ULTIMI_ANTICIPI (CODICEANA INTEGER PRIMARY KEY, ID INTEGER NOT NULL, RAGIONESOCIALE TEXT COLLATE "
    "NOCASE, CODICEFISCALE TEXT COLLATE NOCASE, PARTITAIVA TEXT COLLATE NOCASE) WITHOUT ROWID";
const char *const IndiceUltimi = "CREATE INDEX IX_ULTIMI_ANTICIPI_ID ON ULTIMI_ANTICIPI (ID)";
#define ULTIMI_COLONNE "CODICEANA, ID, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA"
#define ULTIMI_VECCHIO                                                                                      \
    "DELETE FROM ULTIMI_ANTICIPI WHERE CODICEANA = OLD.CODICEANA AND ID = OLD.ID; "                         \
    "INSERT INTO ULTIMI_ANTICIPI (" ULTIMI_COLONNE ") SELECT * FROM (SELECT " ULTIMI_COLONNE " FROM "         \
    "ANTICIPI WHERE CODICEANA = OLD.CODICEANA ORDER BY CODICEANA DESC, ID DESC LIMIT 1) "                   \
    "WHERE NOT EXISTS (SELECT 1 FROM ULTIMI_ANTICIPI WHERE CODICEANA = OLD.CODICEANA); "
// A row written over another's ID (INSERT OR REPLACE, UPDATE OR REPLACE from another program) takes
// that row away without the delete trigger: a client whose newest movement it was gets its next
// newest, or leaves the table when it has none; found by ID, through the table's index on it.
#define ULTIMI_SOSTITUITO                                                                                   \
    "INSERT OR REPLACE INTO ULTIMI_ANTICIPI (" ULTIMI_COLONNE ") SELECT " ULTIMI_COLONNE " FROM ANTICIPI "     \
    "WHERE CODICEANA = (SELECT CODICEANA FROM ULTIMI_ANTICIPI WHERE ID = NEW.ID AND CODICEANA IS NOT "        \
    "NEW.CODICEANA) ORDER BY CODICEANA DESC, ID DESC LIMIT 1; "                                               \
    "DELETE FROM ULTIMI_ANTICIPI WHERE ID = NEW.ID AND CODICEANA IS NOT NEW.CODICEANA; "
#define ULTIMI_NUOVO                                                                                        \
    "INSERT OR REPLACE INTO ULTIMI_ANTICIPI (" ULTIMI_COLONNE ") SELECT NEW.CODICEANA, NEW.ID, "             \
    "NEW.RAGIONESOCIALE, NEW.CODICEFISCALE, NEW.PARTITAIVA WHERE NOT EXISTS (SELECT 1 FROM ULTIMI_ANTICIPI " \
    "WHERE CODICEANA = NEW.CODICEANA AND ID > NEW.ID); "
const char *const UltimiInserimento =
    "CREATE TRIGGER ULTIMI_ANTICIPI_INSERIMENTO AFTER INSERT ON ANTICIPI BEGIN " ULTIMI_SOSTITUITO ULTIMI_NUOVO "END";
const char *const UltimiCancellazione =
    "CREATE TRIGGER ULTIMI_ANTICIPI_CANCELLAZIONE AFTER DELETE ON ANTICIPI BEGIN " ULTIMI_VECCHIO "END";
const char *const UltimiModifica =
    "CREATE TRIGGER ULTIMI_ANTICIPI_MODIFICA AFTER UPDATE OF CODICEANA, ID ON ANTICIPI "
    "WHEN OLD.CODICEANA IS NOT NEW.CODICEANA OR OLD.ID IS NOT NEW.ID BEGIN " ULTIMI_VECCHIO
    ULTIMI_SOSTITUITO ULTIMI_NUOVO "END";
const char *const UltimiAnagrafica =
    "CREATE TRIGGER ULTIMI_ANTICIPI_ANAGRAFICA AFTER UPDATE OF RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA ON "
    "ANTICIPI WHEN OLD.CODICEANA IS NEW.CODICEANA AND OLD.ID IS NEW.ID BEGIN UPDATE ULTIMI_ANTICIPI SET "
    "RAGIONESOCIALE = NEW.RAGIONESOCIALE, CODICEFISCALE = NEW.CODICEFISCALE, PARTITAIVA = NEW.PARTITAIVA "
    "WHERE CODICEANA = NEW.CODICEANA AND ID = NEW.ID; END";
#undef ULTIMI_COLONNE
#undef ULTIMI_VECCHIO
#undef ULTIMI_SOSTITUITO
#undef ULTIMI_NUOVO

// Whether the file is a whole SQLite 3 database, judged from its 100-byte header: the magic text
// first, then the page count, which a file cut short (a copy that stopped half-way) no longer
// fills. The count holds only when bytes 92-95 repeat the change counter (24-27); with a journal
// beside the file SQLite first puts its pages back, so the size is not judged then.
bool intestazioneSqlite(const QString &percorso)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray t = f.read(100);
    const qint64 dimensione = f.size();
    f.close();
    if (t.size() < 100 || !t.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    auto numero = [&](int da, int byte) {
        quint32 n = 0;
        for (int i = da; i < da + byte; ++i)
            n = n << 8 | quint8(t.at(i));
        return n;
    };
    const quint32 pagina = numero(16, 2) == 1 ? 65536 : numero(16, 2);
    const quint32 pagine = numero(28, 4);
    if (pagine == 0 || numero(24, 4) != numero(92, 4) || QFileInfo(percorso + QStringLiteral("-journal")).size() > 0)
        return true;
    return dimensione >= qint64(pagine) * pagina;
}

// The identity of the file at a path (device and inode), or nothing when there is no file there.
// A file that another program holds so that it cannot be identified is there: taken as the same.
std::optional<Piattaforma::IdentitaFile> identitaFile(const QString &percorso,
                                                      const std::optional<Piattaforma::IdentitaFile> &attesa = {})
{
    Piattaforma::IdentitaFile id;
    switch (Piattaforma::Identita(percorso, &id)) {
    case Piattaforma::StatoFile::Presente:
        return id;
    case Piattaforma::StatoFile::InUso:
        return attesa ? attesa : id;
    case Piattaforma::StatoFile::Mancante:
        break;
    }
    return std::nullopt;
}

std::function<void(int)> &passoCreazione()
{
    static std::function<void(int)> f;
    return f;
}

void passo(int n)
{
    if (passoCreazione())
        passoCreazione()(n);
}

} // namespace

// ---------------------------------------------------------------------------------------------

MotoreSqlite::MotoreSqlite(const QString &percorso) : m_percorso(percorso) {}

MotoreSqlite::~MotoreSqlite()
{
    // A backup still running holds the connection: it ends first, or the connection would stay open.
    if (m_copia)
        m_copia->abbandona();
    for (sqlite3_stmt *st : std::as_const(m_preparate))
        sqlite3_finalize(st);
    if (m_db)
        sqlite3_close_v2(m_db);
}

void MotoreSqlite::apri(bool crea, bool senzaIndici)
{
    const QFileInfo info(m_percorso);
    if (info.exists() && info.isDir())
        ArchivioIllegibile(m_percorso);
    const bool nuovo = !info.exists();
    if (nuovo && !crea)
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("Archivio non trovato: ") + QDir::toNativeSeparators(m_percorso));
    // Check the header before SQLite sees the file: an empty file would silently become a new
    // database, and any other file would fail only at its first read.
    if (!nuovo && !intestazioneSqlite(m_percorso)) {
        // On Windows a program may hold the file with no sharing: then it is busy, not damaged.
        if (Piattaforma::FileInUso(m_percorso))
            throw ErroreApp(CodiciErrore::ArchivioInUso,
                            QStringLiteral("L'archivio ") + QDir::toNativeSeparators(m_percorso) +
                                QStringLiteral(" è in uso da un altro programma: chiuderlo e riprovare. "
                                               "Il file non è stato modificato."));
        ArchivioIllegibile(m_percorso);
    }

    // Without SQLITE_OPEN_CREATE a missing file is never made. The connection is used by the
    // window's thread alone (the backup's other thread only syncs its own file): without SQLite's
    // own lock around every call, reading each value of a million rows costs less.
    const int flag = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (nuovo ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(Piattaforma::PercorsoSqlite(m_percorso).constData(), &m_db, flag, nullptr);
    // A file this open made and could not finish is removed: left behind empty, it would be
    // refused as unreadable at every later start.
    auto scartaNuovo = [&] {
        if (m_db) {
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
        if (nuovo) {
            QFile::remove(m_percorso);
            QFile::remove(m_percorso + QStringLiteral("-journal"));
        }
    };
    if (rc != SQLITE_OK) {
        const ErroreApp e = ErroreSqlite(m_db ? sqlite3_extended_errcode(m_db) : rc,
                                         QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)));
        scartaNuovo();
        throw e;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    if (nuovo)
        passo(2);

    try {
        // While opening, a damaged file or one of another kind is "cannot be read", whatever the step.
        auto esegui = [&](const char *sql) {
            char *errore = nullptr;
            if (sqlite3_exec(m_db, sql, nullptr, nullptr, &errore) != SQLITE_OK) {
                const QString testo = QString::fromUtf8(errore);
                sqlite3_free(errore);
                const int codice = sqlite3_errcode(m_db);
                if (codice == SQLITE_CORRUPT || codice == SQLITE_NOTADB)
                    ArchivioIllegibile(m_percorso);
                throw ErroreSqlite(sqlite3_extended_errcode(m_db), testo);
            }
        };
        // Rollback journal, not WAL: the archive folder may be on a network share.
        esegui("PRAGMA journal_mode=DELETE");
        esegui("PRAGMA synchronous=FULL");
        // A page cache of 32 MB instead of 2: a long export or a large client's ledger reads its
        // pages once instead of going back to the file for each row.
        esegui(CacheGrande);
        if (nuovo) {
            passo(3);
            esegui(Tabella);
            passo(4);
            if (!senzaIndici)
                for (const IndiceArchivio &i : IndiciArchivio)
                    if (HaIndice(i))
                        esegui(IstruzioneIndice(i).toUtf8().constData());
            passo(5);
        }
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='ANTICIPI'", -1,
                               &st, nullptr) != SQLITE_OK) {
            const int codice = sqlite3_errcode(m_db);
            if (codice == SQLITE_CORRUPT || codice == SQLITE_NOTADB)
                ArchivioIllegibile(m_percorso);
            throw ErroreSqlite(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
        }
        const int passo = sqlite3_step(st);
        const int tabelle = passo == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
        sqlite3_finalize(st);
        if (passo != SQLITE_ROW) {
            if (passo == SQLITE_CORRUPT || passo == SQLITE_NOTADB)
                ArchivioIllegibile(m_percorso);
            throw ErroreSqlite(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
        }
        if (tabelle != 1)
            ArchivioIllegibile(m_percorso);
    } catch (...) {
        scartaNuovo();
        throw;
    }
    // Indexes are a matter of speed only: a read-only archive still opens without them.
    if (!senzaIndici) {
        for (const IndiceArchivio &i : IndiciArchivio)
            if (HaIndice(i))
                sqlite3_exec(m_db, IstruzioneIndice(i).toUtf8().constData(), nullptr, nullptr, nullptr);
        completaUltimi();
    }
    m_identita = identitaFile(m_percorso);
}

void MotoreSqlite::Verifica() const
{
    // The open connection keeps the file it opened even when that file is removed or replaced: its
    // folder deleted, another file copied over it. Reads would then show, and writes would store,
    // data that nobody will find again, so every statement first checks the file is still there.
    if (m_identita && identitaFile(m_percorso, m_identita) != m_identita)
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("L'archivio non è più disponibile: il file ") +
                            QDir::toNativeSeparators(m_percorso) +
                            QStringLiteral(" è stato rimosso, spostato o sostituito da un altro programma. "
                                           "Riavviare il programma per riaprirlo."));
}

void MotoreSqlite::CreaTabella() { Esegui(QString::fromLatin1(Tabella)); }

const Motore::IstruzioniUltimi &MotoreSqlite::Ultimi() const
{
    static const IstruzioniUltimi u = [] {
        IstruzioniUltimi u;
        for (const char *sql : {TabellaUltimi, IndiceUltimi, UltimiInserimento, UltimiCancellazione, UltimiModifica, UltimiAnagrafica})
            u.crea << QLatin1String(sql);
        u.togli = QStringList{QStringLiteral("DROP TRIGGER IF EXISTS ULTIMI_ANTICIPI_INSERIMENTO"),
                              QStringLiteral("DROP TRIGGER IF EXISTS ULTIMI_ANTICIPI_CANCELLAZIONE"),
                              QStringLiteral("DROP TRIGGER IF EXISTS ULTIMI_ANTICIPI_MODIFICA"),
                              QStringLiteral("DROP TRIGGER IF EXISTS ULTIMI_ANTICIPI_ANAGRAFICA"),
                              QStringLiteral("DROP TABLE IF EXISTS ULTIMI_ANTICIPI")};
        // Compared by their text as SQLite keeps it (the statement as it was given, without quotes):
        // a table or trigger of another layout, made by another version, is made again.
        u.presenti = QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE sql IN ('") +
                     u.crea.join(QStringLiteral("', '")) + QStringLiteral("')");
        return u;
    }();
    return u;
}

void MotoreSqlite::OrdinamentoGrande(bool inizio)
{
    // A sort takes its run size from the cache when its statement starts, and keeps it: the cache
    // can grow back as soon as the statement's first row is there. Shrinking it drops the pages it
    // holds, which only pays where the archive is larger than the cache (at 100,000 movements the
    // whole file stays in it, and reading it again cost more than the sort gained). A failure
    // leaves the cache as it was.
    if (inizio) {
        sqlite3_int64 byte = 0;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()", -1,
                               &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            byte = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        if (byte <= CacheKib * 1024)
            return;
    }
    sqlite3_exec(m_db, inizio ? "PRAGMA cache_size=-2000" : CacheGrande, nullptr, nullptr, nullptr);
}

void MotoreSqlite::ImpostaAttesa(std::function<void()> attesa)
{
    Motore::ImpostaAttesa(std::move(attesa));
    if (!m_db)
        return;
    // SQLite calls back every so many steps of its machine, also inside a sort: ten thousand
    // steps take well under a millisecond, and the waiting function looks at the clock itself.
    if (haAttesa())
        sqlite3_progress_handler(
            m_db, 10000,
            [](void *motore) {
                static_cast<MotoreSqlite *>(motore)->attendi();
                return 0;
            },
            this);
    else
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

std::unique_ptr<Motore> ApriMotoreSqlite(const QString &percorsoFile, bool crea, bool senzaIndici)
{
    auto m = std::make_unique<MotoreSqlite>(percorsoFile);
    m->apri(crea, senzaIndici);
    return m;
}

void ImpostaPassoCreazione(std::function<void(int passo)> f) { passoCreazione() = std::move(f); }

void ScartaCreazioneInterrotta(const QString &percorsoFile)
{
    const QString provvisorio = percorsoFile + QStringLiteral(".nuovo");
    QFile::remove(provvisorio + QStringLiteral("-journal"));
    QFile::remove(provvisorio);
}

void CreaArchivioSqlite(const QString &percorsoFile)
{
    const QString provvisorio = percorsoFile + QStringLiteral(".nuovo");
    ScartaCreazioneInterrotta(percorsoFile);
    passo(1);
    auto motore = ApriMotoreSqlite(provvisorio, true);  // steps 2 to 5 inside
    passo(6);
    motore.reset();
    Piattaforma::SincronizzaPercorso(provvisorio);
    passo(7);
    if (!Piattaforma::Rinomina(provvisorio, percorsoFile)) {
        QFile::remove(provvisorio);
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("Impossibile creare l'archivio ") + QDir::toNativeSeparators(percorsoFile));
    }
    passo(8);
    Piattaforma::SincronizzaCartella(QFileInfo(percorsoFile).absolutePath());
    passo(9);
}

void ArchivioIllegibile(const QString &percorso)
{
    throw ErroreApp(CodiciErrore::ArchivioIllegibile,
                    QStringLiteral("Impossibile leggere l'archivio ") + QDir::toNativeSeparators(percorso) +
                        QStringLiteral(": il file non è un archivio di questo programma o è danneggiato. "
                                       "Il file non è stato modificato."));
}

// ---- The online backup

std::unique_ptr<CopiaSqlite> MotoreSqlite::IniziaCopia(const QString &destinazione)
{
    if (!m_db)
        throw ErroreApp(CodiciErrore::ArchivioNonAperto, QStringLiteral("L'archivio non è aperto."));
    if (m_copia)
        throw ErroreApp(CodiciErrore::FileNonScritto, QStringLiteral("Una copia dell'archivio è già in corso."));
    std::unique_ptr<CopiaSqlite> c(new CopiaSqlite(this, destinazione));
    QFile::remove(destinazione);
    QFile::remove(destinazione + QStringLiteral("-journal"));
    const int rc = sqlite3_open_v2(Piattaforma::PercorsoSqlite(destinazione).constData(), &c->m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const ErroreApp e = ErroreSqlite(rc, c->m_db ? QString::fromUtf8(sqlite3_errmsg(c->m_db))
                                                    : QString::fromUtf8(sqlite3_errstr(rc)));
        c->abbandona();
        throw e;
    }
    // No journal and no syncs on the new file: a copy that does not end is removed whole, and one
    // that ends is synced once, by the caller, away from the window's thread.
    sqlite3_exec(c->m_db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    c->m_backup = sqlite3_backup_init(c->m_db, "main", m_db, "main");
    if (!c->m_backup) {
        const ErroreApp e = ErroreSqlite(sqlite3_extended_errcode(c->m_db), QString::fromUtf8(sqlite3_errmsg(c->m_db)));
        c->abbandona();
        throw e;
    }
    m_copia = c.get();
    return c;
}

CopiaSqlite::CopiaSqlite(MotoreSqlite *sorgente, QString destinazione)
    : m_sorgente(sorgente), m_destinazione(std::move(destinazione))
{
}

CopiaSqlite::~CopiaSqlite()
{
    if (!m_finita)
        abbandona();
}

void CopiaSqlite::abbandona()
{
    if (m_backup)
        sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    if (m_sorgente && m_sorgente->m_copia == this)
        m_sorgente->m_copia = nullptr;
    m_sorgente = nullptr;
    if (!m_finita) {
        QFile::remove(m_destinazione);
        QFile::remove(m_destinazione + QStringLiteral("-journal"));
    }
}

int CopiaSqlite::PagineTotali() const { return m_backup ? sqlite3_backup_pagecount(m_backup) : 0; }
int CopiaSqlite::PagineRimaste() const { return m_backup ? sqlite3_backup_remaining(m_backup) : 0; }

bool CopiaSqlite::Passo(int pagine)
{
    if (m_finita)
        return true;
    if (!m_backup)
        throw ErroreApp(CodiciErrore::ArchivioNonAperto,
                        QStringLiteral("L'archivio è stato chiuso prima della fine della copia."));
    const int rc = sqlite3_backup_step(m_backup, pagine);
    // Another program holds the archive: this step copied nothing; the next one tries again.
    if (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return false;
    if (rc != SQLITE_DONE) {
        const ErroreApp e = ErroreSqlite(rc, QString::fromUtf8(sqlite3_errstr(rc)) + QStringLiteral(" (") +
                                                 QString::fromUtf8(sqlite3_errmsg(m_db)) + QLatin1Char(')'));
        abbandona();
        throw e;
    }
    const int fine = sqlite3_backup_finish(m_backup);
    m_backup = nullptr;
    const int chiusura = sqlite3_close(m_db);
    if (chiusura == SQLITE_OK)
        m_db = nullptr;
    if (fine != SQLITE_OK || chiusura != SQLITE_OK) {
        abbandona();
        throw ErroreSqlite(fine != SQLITE_OK ? fine : chiusura,
                           QString::fromUtf8(sqlite3_errstr(fine != SQLITE_OK ? fine : chiusura)));
    }
    m_finita = true;
    if (m_sorgente && m_sorgente->m_copia == this)
        m_sorgente->m_copia = nullptr;
    m_sorgente = nullptr;
    return true;
}

void FileSuDisco(const QString &percorso) { Piattaforma::SincronizzaPercorso(percorso); }
