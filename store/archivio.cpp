#include "store/archivio.h"

#include "store/costanti.h"
#include "store/impostazioni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QtSql/QSqlError>
#include <QtSql/QSqlDriver>
#include <QtSql/QSqlRecord>
#include <sqlite3.h>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS ANTICIPI ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " DATAOP TEXT NOT NULL,"
    " DESCRIZIONE TEXT,"
    " ENTRATA INTEGER NOT NULL DEFAULT 0,"
    " USCITA INTEGER NOT NULL DEFAULT 0,"
    " RAGIONESOCIALE TEXT COLLATE NOCASE,"
    " CODICEFISCALE TEXT COLLATE NOCASE,"
    " PARTITAIVA TEXT COLLATE NOCASE,"
    " CODICEANA INTEGER NOT NULL)",
};

// The lookups of the windows: a client's ledger by code and date, the three identifications,
// and the exports by date.
const char *const Indici[] = {
    "CREATE INDEX IF NOT EXISTS IX_ANTICIPI_CODICEANA_DATAOP ON ANTICIPI (CODICEANA, DATAOP)",
    "CREATE INDEX IF NOT EXISTS IX_ANTICIPI_CODICEFISCALE ON ANTICIPI (CODICEFISCALE)",
    "CREATE INDEX IF NOT EXISTS IX_ANTICIPI_PARTITAIVA ON ANTICIPI (PARTITAIVA)",
    "CREATE INDEX IF NOT EXISTS IX_ANTICIPI_RAGIONESOCIALE ON ANTICIPI (RAGIONESOCIALE)",
    "CREATE INDEX IF NOT EXISTS IX_ANTICIPI_DATAOP ON ANTICIPI (DATAOP)",
};

std::unique_ptr<Archivio> &condivisa()
{
    static std::unique_ptr<Archivio> a;
    return a;
}

int contatore = 0;

QString senzaSeparatoreFinale(QString percorso)
{
    while (percorso.size() > 1 && (percorso.endsWith(QLatin1Char('/')) || percorso.endsWith(QLatin1Char('\\'))))
        percorso.chop(1);
    return percorso;
}

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
std::optional<std::pair<quint64, quint64>> identitaFile(const QString &percorso)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(percorso).constData(), &st) != 0)
        return std::nullopt;
    return std::make_pair(quint64(st.st_dev), quint64(st.st_ino));
#else
    if (!QFileInfo::exists(percorso))
        return std::nullopt;
    return std::make_pair(quint64(0), quint64(0));
#endif
}

// The inside of a #mm/dd/yyyy# literal: exactly two, two and four ASCII digits; anything else,
// blanks and signs included, is an invalid date.
QDate dataJet(const QString &t)
{
    if (t.size() != 10 || t.at(2) != QLatin1Char('/') || t.at(5) != QLatin1Char('/'))
        return QDate();
    int v[3] = {0, 0, 0};
    const int inizio[3] = {0, 3, 6}, lunghezza[3] = {2, 2, 4};
    for (int k = 0; k < 3; ++k) {
        for (int j = inizio[k]; j < inizio[k] + lunghezza[k]; ++j) {
            const QChar c = t.at(j);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QDate();
            v[k] = v[k] * 10 + (c.unicode() - '0');
        }
    }
    return QDate(v[2], v[0], v[1]);
}

[[noreturn]] void illeggibile(const QString &percorso)
{
    throw ErroreApp(CodiciErrore::ArchivioIllegibile,
                    QStringLiteral("Impossibile leggere l'archivio ") + QDir::toNativeSeparators(percorso) +
                        QStringLiteral(": il file non è un archivio di questo programma o è danneggiato. "
                                       "Il file non è stato modificato."));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset(std::shared_ptr<sqlite3_stmt> istruzione, sqlite3 *db) : m_st(std::move(istruzione)), m_db(db)
{
    const int n = sqlite3_column_count(m_st.get());
    for (int i = 0; i < n; ++i)
        m_nomi << QString::fromUtf8(sqlite3_column_name(m_st.get(), i));
    m_fine = false;
    MoveNext();
}

void Recordset::MoveNext()
{
    if (!m_st) {
        m_fine = true;
        return;
    }
    const int rc = sqlite3_step(m_st.get());
    if (rc == SQLITE_ROW)
        return;
    m_fine = true;
    if (rc != SQLITE_DONE) {
        const ErroreApp e = ErroreSqlite(sqlite3_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
        m_st.reset();
        throw e;
    }
}

void Recordset::Chiudi()
{
    m_st.reset();  // finalizes the statement and lets go of its read lock
    m_fine = true;
}

int Recordset::indice(const QString &nome) const
{
    for (int i = 0; i < m_nomi.size(); ++i)
        if (m_nomi.at(i).compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    throw ErroreApp(3265, QStringLiteral("Elemento non trovato nell'insieme: ") + nome);
}

void Recordset::corrente() const
{
    if (m_fine || !m_st)
        throw ErroreApp(3021, QStringLiteral("Nessun record corrente."));
}

QVariant Recordset::Campo(const QString &nome) const { return Campo(indice(nome)); }

QVariant Recordset::Campo(int posizione) const
{
    corrente();
    sqlite3_stmt *st = m_st.get();
    switch (sqlite3_column_type(st, posizione)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st, posizione)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, posizione));
    case SQLITE_TEXT:
        return QVariant(TestoCampo(posizione));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, posizione)),
                                   sqlite3_column_bytes(st, posizione)));
    default:
        return QVariant();
    }
}

bool Recordset::NulloCampo(int posizione) const
{
    corrente();
    return sqlite3_column_type(m_st.get(), posizione) == SQLITE_NULL;
}

QString Recordset::TestoCampo(int posizione) const
{
    corrente();
    const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_st.get(), posizione));
    return t ? QString::fromUtf8(t, sqlite3_column_bytes(m_st.get(), posizione)) : QString();
}

QByteArrayView Recordset::Utf8Campo(int posizione) const
{
    corrente();
    const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_st.get(), posizione));
    return t ? QByteArrayView(t, sqlite3_column_bytes(m_st.get(), posizione)) : QByteArrayView();
}

qint64 Recordset::InteroCampo(int posizione, bool *ok) const
{
    corrente();
    sqlite3_stmt *st = m_st.get();
    const int tipo = sqlite3_column_type(st, posizione);
    if (tipo == SQLITE_INTEGER) {
        *ok = true;
        return sqlite3_column_int64(st, posizione);
    }
    if (tipo == SQLITE_NULL) {
        *ok = false;
        return 0;
    }
    return Campo(posizione).toLongLong(ok);
}

QString Recordset::Testo(const QString &nome) const { return TestoCampo(indice(nome)); }

QDateTime Recordset::DataOra(const QString &nome) const
{
    const QString t = Testo(nome);
    QDateTime d = QDateTime::fromString(t, Qt::ISODate);
    if (!d.isValid())
        d = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!d.isValid())
        d = QDateTime(QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    return d;
}

QDate Recordset::Data(const QString &nome) const
{
    return QDate::fromString(Testo(nome).left(10), QStringLiteral("yyyy-MM-dd"));
}

Valuta Recordset::Importo(const QString &nome) const
{
    const int i = indice(nome);
    if (NulloCampo(i))
        return Valuta();
    bool ok = false;
    const qint64 n = InteroCampo(i, &ok);
    if (!ok)
        throw ErroreApp(CodiciErrore::NumeroNonValido, QStringLiteral("Importo non valido nel campo ") + nome);
    return Valuta::daDecimillesimi(n);
}

qint64 Recordset::Intero(const QString &nome) const
{
    bool ok = false;
    const qint64 n = InteroCampo(indice(nome), &ok);
    if (!ok)
        throw ErroreApp(94, QStringLiteral("Uso non valido di Null nel campo ") + nome);
    return n;
}

// ---------------------------------------------------------------------------------------------
// Archivio

Archivio::Archivio() : m_nome(QStringLiteral("ConnArchivio%1").arg(++contatore)) {}

Archivio::~Archivio()
{
    Chiudi();
    QSqlDatabase::removeDatabase(m_nome);
}

Archivio &Archivio::ConnArchivio()
{
    auto &a = condivisa();
    if (!a)
        a.reset(new Archivio());
    return *a;
}

StatoConnessione Archivio::Stato()
{
    const auto &a = condivisa();
    if (!a)
        return StatoConnessione::Assente;
    return a->Aperto() ? StatoConnessione::Aperta : StatoConnessione::Chiusa;
}

void Archivio::Rilascia() { condivisa().reset(); }

QSqlDatabase Archivio::Database() const { return QSqlDatabase::database(m_nome, false); }

bool Archivio::Aperto() const { return QSqlDatabase::contains(m_nome) && Database().isOpen(); }

void Archivio::Chiudi()
{
    if (QSqlDatabase::contains(m_nome)) {
        QSqlDatabase db = Database();
        if (db.isOpen())
            db.close();
    }
}

void Archivio::Apri(const QString &percorsoFile, bool crea)
{
    Chiudi();
    m_percorso = percorsoFile;
    m_identita.reset();
    const QFileInfo info(percorsoFile);
    if (info.exists() && info.isDir())
        illeggibile(percorsoFile);
    const bool nuovo = !info.exists();
    if (nuovo && !crea)
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("Archivio non trovato: ") + QDir::toNativeSeparators(percorsoFile));
    // Check the header before SQLite sees the file: QSQLITE would "open" any file, and an empty file
    // would silently become a new database.
    if (!nuovo && !intestazioneSqlite(percorsoFile))
        illeggibile(percorsoFile);

    QSqlDatabase db = QSqlDatabase::contains(m_nome) ? Database()
                                                     : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_nome);
    // mode=rw never creates a file; rwc only when the first-run rule says so.
    db.setDatabaseName(QUrl::fromLocalFile(percorsoFile).toString(QUrl::FullyEncoded) +
                       (nuovo ? QStringLiteral("?mode=rwc") : QStringLiteral("?mode=rw")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    // A file this open made and could not finish is removed: left behind empty, it would be
    // refused as unreadable at every later start.
    auto scartaNuovo = [&] {
        if (nuovo)
            QFile::remove(percorsoFile);
    };
    if (!db.open()) {
        const ErroreApp e = ErroreDb(db.lastError());
        scartaNuovo();
        throw e;
    }

    // While opening, a damaged file or one of another kind is "cannot be read", whatever the step.
    auto fallita = [&](const QSqlError &e) {
        const int codice = e.nativeErrorCode().toInt() & 0xff;
        if (codice == 11 || codice == 26)  // SQLITE_CORRUPT, SQLITE_NOTADB
            illeggibile(percorsoFile);
        throw ErroreDb(e);
    };
    auto esegui = [&](const QString &sql) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            fallita(q.lastError());
    };
    try {
        // Rollback journal, not WAL: the archive folder may be on a network share.
        esegui(QStringLiteral("PRAGMA journal_mode=DELETE"));
        esegui(QStringLiteral("PRAGMA synchronous=FULL"));
        // A page cache of 32 MB instead of 2: a long export or a large client's ledger reads its
        // pages once instead of going back to the file for each row.
        esegui(QStringLiteral("PRAGMA cache_size=-32768"));
        if (nuovo) {
            for (const char *s : Schema)
                esegui(QString::fromLatin1(s));
        }
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='ANTICIPI'")) ||
            !q.next())
            fallita(q.lastError());
        if (q.value(0).toInt() != 1)
            illeggibile(percorsoFile);
        q.finish();
    } catch (...) {
        db.close();
        scartaNuovo();
        throw;
    }
    // Indexes are a matter of speed only: a read-only archive still opens without them.
    for (const char *s : Indici) {
        QSqlQuery q(db);
        q.exec(QString::fromLatin1(s));
    }
    m_identita = identitaFile(percorsoFile);
}

void Archivio::verificaAperto() const
{
    if (!Aperto())
        throw ErroreApp(CodiciErrore::ArchivioNonAperto,
                        QStringLiteral("Operazione non consentita: l'archivio non è aperto."));
    // The open connection keeps the file it opened even when that file is removed or replaced: its
    // folder deleted, another file copied over it. Reads would then show, and writes would store,
    // data that nobody will find again, so every statement first checks the file is still there.
    if (m_identita && identitaFile(m_percorso) != m_identita)
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("L'archivio non è più disponibile: il file ") +
                            QDir::toNativeSeparators(m_percorso) +
                            QStringLiteral(" è stato rimosso, spostato o sostituito da un altro programma. "
                                           "Riavviare il programma per riaprirlo."));
}

sqlite3 *Archivio::Handle() const
{
    verificaAperto();
    const QVariant h = Database().driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0 || !*static_cast<sqlite3 *const *>(h.constData()))
        throw ErroreApp(CodiciErrore::ArchivioNonAperto, QStringLiteral("Connessione all'archivio non disponibile."));
    return *static_cast<sqlite3 *const *>(h.constData());
}

Recordset Archivio::Query(const QString &sqlJet)
{
    sqlite3 *db = Handle();
    const QByteArray sql = RiscriviDateJet(sqlJet).toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *resto = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, &resto) != SQLITE_OK)
        throw ErroreSqlite(sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
    std::shared_ptr<sqlite3_stmt> istruzione(st, sqlite3_finalize);
    // One statement only: whatever follows a ';' is never run.
    while (resto && *resto && (*resto == ' ' || *resto == ';' || *resto == '\n' || *resto == '\r' || *resto == '\t'))
        ++resto;
    if (!st || (resto && *resto))
        throw ErroreApp(CodiciErrore::DataNonValida, QStringLiteral("Istruzione SQL non valida: ") + sqlJet.left(60));
    return Recordset(std::move(istruzione), db);
}

int Archivio::Esegui(const QString &sqlJet)
{
    verificaAperto();
    QSqlQuery q(Database());
    if (!q.exec(RiscriviDateJet(sqlJet)))
        throw ErroreDb(q.lastError());
    return q.numRowsAffected();
}

void Archivio::Transazione(const std::function<void()> &f)
{
    verificaAperto();
    QSqlDatabase db = Database();
    QSqlQuery inizio(db);
    if (!inizio.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throw ErroreDb(inizio.lastError());
    try {
        f();
        QSqlQuery fine(db);
        if (!fine.exec(QStringLiteral("COMMIT")))
            throw ErroreDb(fine.lastError());
    } catch (...) {
        QSqlQuery annulla(db);
        annulla.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QSqlQuery Archivio::preparata(const QString &sql)
{
    QSqlQuery q(Database());
    if (!q.prepare(sql))
        throw ErroreDb(q.lastError());
    return q;
}

// The ID of the row that "SELECT * FROM ANTICIPI WHERE ID=" + id finds, 0 when there is none.
qint64 Archivio::rigaPerID(const QString &id)
{
    Recordset rs = Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE ID=") + id);
    const qint64 r = rs.Fine() ? 0 : rs.Intero(QStringLiteral("ID"));
    rs.Chiudi();
    return r;
}

qint64 Archivio::ScriviMovimento(const QString &idTesto, const Movimento &m)
{
    verificaAperto();
    const QString id = SqlIntero(idTesto);
    const qint64 idRiga = rigaPerID(id);
    QSqlQuery q = preparata(
        idRiga != 0
            ? QStringLiteral("UPDATE ANTICIPI SET DATAOP=?, DESCRIZIONE=?, ENTRATA=?, USCITA=?, RAGIONESOCIALE=?, "
                             "CODICEFISCALE=?, PARTITAIVA=?, CODICEANA=? WHERE ID=?")
            : QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                             "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(DataArchivio(m.dataOp));
    q.addBindValue(m.descrizione.isNull() ? QString(QLatin1String("")) : m.descrizione);
    q.addBindValue(m.entrata.decimillesimi());
    q.addBindValue(m.uscita.decimillesimi());
    q.addBindValue(m.ragioneSociale.isNull() ? QString(QLatin1String("")) : m.ragioneSociale);
    q.addBindValue(m.codiceFiscale.isNull() ? QString(QLatin1String("")) : m.codiceFiscale);
    q.addBindValue(m.partitaIva.isNull() ? QString(QLatin1String("")) : m.partitaIva);
    q.addBindValue(m.codiceAna);
    if (idRiga != 0)
        q.addBindValue(idRiga);
    if (!q.exec())
        throw ErroreDb(q.lastError());
    return idRiga != 0 ? idRiga : q.lastInsertId().toLongLong();
}

bool Archivio::EliminaMovimento(const QString &idTesto)
{
    verificaAperto();
    const QString id = SqlIntero(idTesto);
    const qint64 idRiga = rigaPerID(id);
    if (idRiga == 0)
        return false;
    QSqlQuery q = preparata(QStringLiteral("DELETE FROM ANTICIPI WHERE ID=?"));
    q.addBindValue(idRiga);
    if (!q.exec())
        throw ErroreDb(q.lastError());
    return true;
}

// ---------------------------------------------------------------------------------------------

QString CartellaArchivioPredefinita()
{
    return CartellaDatiComuni() + QDir::separator() + QStringLiteral("Corvalle") + QDir::separator() +
           QStringLiteral("Spesario");
}

QString ApriArchivio()
{
    QString cartella = Impostazioni::Leggi(Impostazioni::Connessione);
    const QString predefinita = CartellaArchivioPredefinita();
    // A settings file that cannot be written must not keep the archive shut: the open goes on and
    // the failure is reported after it.
    std::optional<ErroreApp> nonMemorizzata;
    if (cartella.isEmpty()) {
        cartella = predefinita;
        // Stored at once, before the open, so that it stays even if the open fails.
        try {
            Impostazioni::Scrivi(Impostazioni::Connessione, cartella);
        } catch (const ErroreApp &e) {
            nonMemorizzata = e;
        }
    }
    cartella = senzaSeparatoreFinale(cartella);
    const QFileInfo info(cartella);
    const bool eDefault = QDir::cleanPath(QDir::fromNativeSeparators(cartella)) ==
                          QDir::cleanPath(QDir::fromNativeSeparators(predefinita));
    if (info.exists() && !info.isDir())
        throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                        QStringLiteral("La cartella dell'archivio ") + QDir::toNativeSeparators(cartella) +
                            QStringLiteral(" è un file, non una cartella."));
    if (!info.exists()) {
        // Only the first-run folder is made; a folder chosen elsewhere (a network share not mounted,
        // say) is never replaced by a new empty archive.
        if (!eDefault)
            throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                            QStringLiteral("Cartella dell'archivio non trovata: ") +
                                QDir::toNativeSeparators(cartella));
        if (!QDir().mkpath(cartella))
            throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                            QStringLiteral("Impossibile creare la cartella dell'archivio ") +
                                QDir::toNativeSeparators(cartella));
    }
    const QString file = QDir(cartella).filePath(NomeFileArchivio);
    Archivio::ConnArchivio().Apri(file, eDefault);
    if (nonMemorizzata)
        throw *nonMemorizzata;
    return cartella;
}

QString SqlTesto(const QString &testo)
{
    // SQLite reads a statement only up to a NUL character: such a text cannot be written as a
    // literal, and cutting it would store something else than what was typed.
    if (testo.contains(QChar(0)))
        throw ErroreApp(CodiciErrore::TestoNonValido,
                        QStringLiteral("Il testo contiene un carattere non ammesso (NUL)."));
    QString r = testo;
    r.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

QString SqlIntero(const QString &testo)
{
    bool ok = false;
    const qint64 n = testo.toLongLong(&ok);
    if (!ok || testo.isEmpty() || testo.trimmed() != testo)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Tipo non corrispondente: \"") + testo + QStringLiteral("\" non è un numero intero."));
    return QString::number(n);
}

QString DataArchivio(const QDate &data) { return data.toString(QStringLiteral("yyyy-MM-dd")); }

QString RiscriviDateJet(const QString &sql)
{
    QString r;
    r.reserve(sql.size() + 8);
    bool inTesto = false;
    const int n = sql.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            inTesto = !inTesto;  // a doubled quote toggles twice and stays inside
            r.append(c);
            continue;
        }
        if (inTesto || c != QLatin1Char('#')) {
            r.append(c);
            continue;
        }
        const int chiusa = sql.indexOf(QLatin1Char('#'), i + 1);
        const QString dentro = chiusa > i ? sql.mid(i + 1, chiusa - i - 1) : QString();
        const QDate d = dataJet(dentro);
        if (chiusa < 0 || !d.isValid())
            throw ErroreApp(CodiciErrore::DataNonValida,
                            QStringLiteral("Errore di sintassi nella data dell'espressione: ") + sql.mid(i, 24));
        r.append(QLatin1Char('\'') + DataArchivio(d) + QLatin1Char('\''));
        i = chiusa;
    }
    return r;
}

ErroreApp ErroreDb(const QSqlError &e)
{
    bool ok = false;
    int codice = e.nativeErrorCode().toInt(&ok);
    if (!ok)
        codice = -1;
    return ErroreSqlite(codice, e.databaseText().isEmpty() ? e.text() : e.databaseText());
}

ErroreApp ErroreSqlite(int codice, const QString &motore)
{
    QString testo;
    switch (codice & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        testo = QStringLiteral("L'archivio è in uso da un altro programma. Riprovare tra qualche istante.");
        break;
    case 8:  // SQLITE_READONLY
        testo = QStringLiteral("L'archivio è in sola lettura: le modifiche non possono essere salvate.");
        break;
    case 10:  // SQLITE_IOERR
        testo = QStringLiteral("Errore di lettura o scrittura sul disco dell'archivio.");
        break;
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        testo = QStringLiteral("L'archivio è danneggiato o non è un archivio di questo programma.");
        break;
    case 13:  // SQLITE_FULL
        testo = QStringLiteral("Disco pieno: le modifiche non possono essere salvate.");
        break;
    case 14:  // SQLITE_CANTOPEN
        testo = QStringLiteral("Impossibile aprire il file dell'archivio o scrivere nella sua cartella.");
        break;
    default:
        break;
    }
    if (testo.isEmpty())
        return ErroreApp(codice, motore);
    return ErroreApp(codice, testo + QStringLiteral(" (") + motore + QLatin1Char(')'));
}
