#include "convert/archivio_sqlite.h"

#include "store/archivio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

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

const char *const Indici[] = {
    "CREATE INDEX IX_ANTICIPI_CODICEANA_DATAOP ON ANTICIPI (CODICEANA, DATAOP)",
    "CREATE INDEX IX_ANTICIPI_CODICEFISCALE ON ANTICIPI (CODICEFISCALE)",
    "CREATE INDEX IX_ANTICIPI_PARTITAIVA ON ANTICIPI (PARTITAIVA)",
    "CREATE INDEX IX_ANTICIPI_RAGIONESOCIALE ON ANTICIPI (RAGIONESOCIALE)",
    "CREATE INDEX IX_ANTICIPI_DATAOP ON ANTICIPI (DATAOP)",
};

QString nativo(const QString &percorso) { return QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath()); }

[[noreturn]] void erroreMotore(sqlite3 *db, const QString &contesto)
{
    const ErroreApp e = ErroreSqlite(db ? sqlite3_extended_errcode(db) : SQLITE_NOMEM,
                                     db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("memoria esaurita"));
    throw ErroreApp(e.numero(), contesto + e.descrizione());
}

void esegui(sqlite3 *db, const char *sql, const QString &contesto)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        erroreMotore(db, contesto);
}

// 'yyyy-MM-dd' written by hand: a million QDate::toString calls would cost as much as the inserts.
void testoData(const QDate &d, char *t)
{
    int y = 0, m = 0, g = 0;
    d.getDate(&y, &m, &g);
    t[0] = char('0' + y / 1000 % 10);
    t[1] = char('0' + y / 100 % 10);
    t[2] = char('0' + y / 10 % 10);
    t[3] = char('0' + y % 10);
    t[4] = '-';
    t[5] = char('0' + m / 10);
    t[6] = char('0' + m % 10);
    t[7] = '-';
    t[8] = char('0' + g / 10);
    t[9] = char('0' + g % 10);
}

// Makes what was written to the file durable: the bulk ran without SQLite's own syncs.
bool sincronizza(const QString &percorso)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(percorso).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    QFile f(percorso);
    return f.open(QIODevice::ReadWrite) && f.flush();
#endif
}

} // namespace

bool EFileSqlite(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

// ---------------------------------------------------------------------------------------------

struct SorgenteSqlite::Dati {
    QString percorso;
    sqlite3 *db = nullptr;
    sqlite3_stmt *righe = nullptr;
    qint64 attese = -1;

    ~Dati()
    {
        sqlite3_finalize(righe);
        sqlite3_close(db);
    }

    [[noreturn]] void illeggibile(const QString &motivo) const
    {
        throw ErroreApp(ErroreConversione, QStringLiteral("Impossibile leggere l'archivio ") + nativo(percorso) +
                                               QStringLiteral(": ") + motivo);
    }
};

SorgenteSqlite::SorgenteSqlite(const QString &percorso) : d(std::make_unique<Dati>())
{
    d->percorso = percorso;
    if (!QFileInfo(percorso).isFile())
        d->illeggibile(QStringLiteral("il file non esiste."));
    if (!EFileSqlite(percorso))
        d->illeggibile(QStringLiteral("non è un archivio di questo programma né un archivio Access."));
    // Read only, and never created: the source is not touched.
    if (sqlite3_open_v2(QFile::encodeName(percorso).constData(), &d->db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        erroreMotore(d->db, QStringLiteral("Impossibile aprire l'archivio ") + nativo(percorso) + QStringLiteral(": "));
    sqlite3_busy_timeout(d->db, 5000);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(d->db, "SELECT COUNT(*) FROM ANTICIPI", -1, &st, nullptr) != SQLITE_OK ||
        sqlite3_step(st) != SQLITE_ROW) {
        sqlite3_finalize(st);
        d->illeggibile(QStringLiteral("il file non contiene la tabella ANTICIPI o è danneggiato (") +
                       QString::fromUtf8(sqlite3_errmsg(d->db)) + QStringLiteral(")."));
    }
    d->attese = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    if (sqlite3_prepare_v2(d->db,
                           "SELECT ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, "
                           "CODICEANA FROM ANTICIPI ORDER BY ID",
                           -1, &d->righe, nullptr) != SQLITE_OK)
        d->illeggibile(QStringLiteral("nella tabella ANTICIPI mancano delle colonne (") +
                       QString::fromUtf8(sqlite3_errmsg(d->db)) + QStringLiteral(")."));
}

SorgenteSqlite::~SorgenteSqlite() = default;

qint64 SorgenteSqlite::RigheAttese() const { return d->attese; }

bool SorgenteSqlite::Leggi(RigaAnticipi &riga)
{
    sqlite3_stmt *st = d->righe;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        erroreMotore(d->db, QStringLiteral("Impossibile leggere l'archivio ") + nativo(d->percorso) + QStringLiteral(": "));
    riga = RigaAnticipi();
    riga.id = sqlite3_column_int64(st, 0);
    auto nonValida = [&](const QString &motivo) {
        throw ErroreApp(ErroreConversione,
                        QStringLiteral("Impossibile copiare la riga con ID %1 dell'archivio %2: %3. La copia è stata "
                                       "interrotta.")
                            .arg(riga.id)
                            .arg(nativo(d->percorso), motivo));
    };
    auto intero = [&](int c, qint64 *v) {
        const int tipo = sqlite3_column_type(st, c);
        if (tipo == SQLITE_NULL)
            return false;
        if (tipo != SQLITE_INTEGER)
            nonValida(QStringLiteral("la colonna %1 non contiene un numero intero")
                          .arg(QString::fromUtf8(sqlite3_column_name(st, c))));
        *v = sqlite3_column_int64(st, c);
        return true;
    };
    const QByteArray data(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)), sqlite3_column_bytes(st, 1));
    riga.dataOp = QDate::fromString(QString::fromLatin1(data.left(10)), QStringLiteral("yyyy-MM-dd"));
    if (!riga.dataOp.isValid())
        nonValida(QStringLiteral("la data non è valida"));
    // A time after the day, written by hand into the file: the day is kept.
    riga.oraTolta = data.size() > 10 && data.mid(10).trimmed() != "00:00:00" && data.mid(10) != "T00:00:00";
    for (int c : {3, 4}) {
        qint64 &v = c == 3 ? riga.entrata : riga.uscita;
        if (!intero(c, &v)) {
            v = 0;
            riga.importoNullo = true;
        }
    }
    if (!intero(8, &riga.codiceAna))
        nonValida(QStringLiteral("manca il codice del cliente (CODICEANA)"));
    const int testi[] = {2, 5, 6, 7};
    std::optional<QByteArray> *campi[] = {&riga.descrizione, &riga.ragioneSociale, &riga.codiceFiscale, &riga.partitaIva};
    for (int k = 0; k < 4; ++k) {
        if (sqlite3_column_type(st, testi[k]) == SQLITE_NULL)
            continue;
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(st, testi[k]));
        *campi[k] = QByteArray(t, sqlite3_column_bytes(st, testi[k]));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

struct DestinazioneSqlite::Dati {
    QString percorso;
    sqlite3 *db = nullptr;
    sqlite3_stmt *inserisci = nullptr;
    bool creato = false;

    void chiudi()
    {
        sqlite3_finalize(inserisci);
        inserisci = nullptr;
        sqlite3_close(db);
        db = nullptr;
    }
    QString contesto() const
    {
        return QStringLiteral("Impossibile scrivere l'archivio ") + nativo(percorso) + QStringLiteral(": ");
    }
};

DestinazioneSqlite::DestinazioneSqlite(const QString &percorso) : d(std::make_unique<Dati>()) { d->percorso = percorso; }

DestinazioneSqlite::~DestinazioneSqlite() { d->chiudi(); }

void DestinazioneSqlite::Inizia()
{
    if (QFileInfo::exists(d->percorso))
        throw ErroreApp(ErroreConversione, d->contesto() + QStringLiteral("il file esiste già."));
    const int rc = sqlite3_open_v2(QFile::encodeName(d->percorso).constData(), &d->db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    d->creato = QFileInfo::exists(d->percorso);
    if (rc != SQLITE_OK)
        erroreMotore(d->db, d->contesto());
    // A draft until it is checked and renamed: a failure or a kill throws it away whole, so it
    // needs neither a journal nor a sync per commit.
    esegui(d->db, "PRAGMA journal_mode=OFF", d->contesto());
    esegui(d->db, "PRAGMA synchronous=OFF", d->contesto());
    esegui(d->db, "PRAGMA cache_size=-32768", d->contesto());
    esegui(d->db, Tabella, d->contesto());
    esegui(d->db, "BEGIN", d->contesto());
    if (sqlite3_prepare_v2(d->db,
                           "INSERT INTO ANTICIPI (ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                           "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &d->inserisci, nullptr) != SQLITE_OK)
        erroreMotore(d->db, d->contesto());
}

void DestinazioneSqlite::Scrivi(const RigaAnticipi &r)
{
    sqlite3_stmt *st = d->inserisci;
    char data[10];
    testoData(r.dataOp, data);
    auto testo = [&](int i, const std::optional<QByteArray> &t) {
        if (t)
            sqlite3_bind_text(st, i, t->constData(), int(t->size()), SQLITE_STATIC);
        else
            sqlite3_bind_null(st, i);
    };
    sqlite3_bind_int64(st, 1, r.id);
    sqlite3_bind_text(st, 2, data, 10, SQLITE_STATIC);
    testo(3, r.descrizione);
    sqlite3_bind_int64(st, 4, r.entrata);
    sqlite3_bind_int64(st, 5, r.uscita);
    testo(6, r.ragioneSociale);
    testo(7, r.codiceFiscale);
    testo(8, r.partitaIva);
    sqlite3_bind_int64(st, 9, r.codiceAna);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc == SQLITE_CONSTRAINT)
        throw ErroreApp(ErroreConversione,
                        QStringLiteral("L'archivio di origine contiene due righe con lo stesso ID %1.").arg(r.id));
    if (rc != SQLITE_DONE)
        erroreMotore(d->db, d->contesto());
}

void DestinazioneSqlite::Completa()
{
    sqlite3_finalize(d->inserisci);
    d->inserisci = nullptr;
    for (const char *s : Indici)
        esegui(d->db, s, d->contesto());
    // AUTOINCREMENT keeps the highest ID given in sqlite_sequence: a new movement never reuses one.
    esegui(d->db, "COMMIT", d->contesto());
    d->chiudi();
    if (!sincronizza(d->percorso))
        throw ErroreApp(ErroreConversione, d->contesto() + QStringLiteral("impossibile completare la scrittura su disco."));
}

void DestinazioneSqlite::Rileggi(const std::function<void(qint64, qint64, qint64, qint64)> &f)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(d->percorso).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw ErroreApp(ErroreConversione, d->contesto() + QStringLiteral("il file scritto non si riapre."));
    }
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> chiusura(db, sqlite3_close);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT ID, CODICEANA, ENTRATA, USCITA FROM ANTICIPI ORDER BY ID", -1, &st, nullptr) !=
        SQLITE_OK)
        erroreMotore(db, d->contesto());
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> fine(st, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        f(sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1), sqlite3_column_int64(st, 2),
          sqlite3_column_int64(st, 3));
    if (rc != SQLITE_DONE)
        erroreMotore(db, d->contesto());
}

void DestinazioneSqlite::Scarta()
{
    d->chiudi();
    if (d->creato) {
        QFile::remove(d->percorso);
        QFile::remove(d->percorso + QStringLiteral("-journal"));
    }
}
