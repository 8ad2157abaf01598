// The SQLite engine: the archive as one SQLite file, reached through SQLite's own C API. This file
// holds the cursor, the statements and transactions, and the engine's errors in Italian; the file
// itself (opening, header check, creation, recovery, online backup) is in file_sqlite.cpp.

#include "store/engines/motore.h"

#include "store/engines/motore_sqlite.h"

#include <sqlite3.h>

namespace {

class CursoreSqlite : public Cursore {
public:
    CursoreSqlite(sqlite3 *db, sqlite3_stmt *st) : m_db(db), m_st(st) {}
    ~CursoreSqlite() override { sqlite3_finalize(m_st); }

    bool Avanza() override
    {
        if (m_fine)
            return false;
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        m_fine = true;
        if (rc != SQLITE_DONE)
            throw ErroreSqlite(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_st);  // lets go of the read lock at once
        return false;
    }
    QStringList Nomi() const override
    {
        QStringList n;
        for (int i = 0, c = sqlite3_column_count(m_st); i < c; ++i)
            n << QString::fromUtf8(sqlite3_column_name(m_st, i));
        return n;
    }
    bool Nullo(int i) const override { return sqlite3_column_type(m_st, i) == SQLITE_NULL; }
    QByteArrayView Utf8(int i) const override
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_st, i));
        return t ? QByteArrayView(t, sqlite3_column_bytes(m_st, i)) : QByteArrayView();
    }
    bool Intero(int i, qint64 *n) const override
    {
        switch (sqlite3_column_type(m_st, i)) {
        case SQLITE_INTEGER:
            *n = sqlite3_column_int64(m_st, i);
            return true;
        case SQLITE_NULL:
            return false;
        default: {
            bool ok = false;
            *n = Utf8(i).toByteArray().toLongLong(&ok);
            return ok;
        }
        }
    }
    QVariant Valore(int i) const override
    {
        switch (sqlite3_column_type(m_st, i)) {
        case SQLITE_INTEGER:
            return QVariant(qlonglong(sqlite3_column_int64(m_st, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(m_st, i));
        case SQLITE_TEXT:
            return QVariant(QString::fromUtf8(Utf8(i)));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(m_st, i)),
                                       sqlite3_column_bytes(m_st, i)));
        default:
            return QVariant();
        }
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_st;
    bool m_fine = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------

ErroreApp MotoreSqlite::errore() const
{
    return ErroreSqlite(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

sqlite3_stmt *MotoreSqlite::prepara(const QString &sql, const Valori *valori)
{
    const QByteArray testo = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *resto = nullptr;
    if (sqlite3_prepare_v2(m_db, testo.constData(), int(testo.size()), &st, &resto) != SQLITE_OK)
        throw errore();
    // One statement only: whatever follows a ';' is never run.
    while (resto && *resto && (*resto == ' ' || *resto == ';' || *resto == '\n' || *resto == '\r' || *resto == '\t'))
        ++resto;
    if (!st || (resto && *resto)) {
        sqlite3_finalize(st);
        throw ErroreApp(CodiciErrore::DataNonValida, QStringLiteral("Istruzione SQL non valida: ") + sql.left(60));
    }
    try {
        if (valori)
            lega(st, *valori);
    } catch (...) {
        sqlite3_finalize(st);
        throw;
    }
    return st;
}

void MotoreSqlite::lega(sqlite3_stmt *st, const Valori &valori)
{
    if (sqlite3_bind_parameter_count(st) != valori.size())
        throw ErroreApp(CodiciErrore::TestoNonValido, QStringLiteral("Numero di valori non corrispondente."));
    for (int i = 0; i < valori.size(); ++i) {
        const QVariant &v = valori.at(i);
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(st, i + 1);
        } else if (v.typeId() == QMetaType::QString) {
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        } else if (v.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(st, i + 1, v.toDouble());
        } else {
            bool ok = false;
            const qint64 n = v.toLongLong(&ok);
            if (!ok)
                throw ErroreApp(CodiciErrore::TestoNonValido, QStringLiteral("Valore non ammesso in un'istruzione."));
            rc = sqlite3_bind_int64(st, i + 1, n);
        }
        if (rc != SQLITE_OK)
            throw errore();
    }
}

std::unique_ptr<Cursore> MotoreSqlite::Query(const QString &sql, const Valori &valori)
{
    return std::make_unique<CursoreSqlite>(m_db, prepara(sql, &valori));
}

qint64 MotoreSqlite::eseguiPreparata(const QString &sql, const Valori &valori)
{
    // The statements that write rows are few and repeated (a copy writes a million rows with
    // one): each is prepared once and kept.
    sqlite3_stmt *&st = m_preparate[sql];
    if (!st) {
        try {
            st = prepara(sql, nullptr);
        } catch (...) {
            m_preparate.remove(sql);
            throw;
        }
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    lega(st, valori);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw errore();
    return sqlite3_changes64(m_db);
}

qint64 MotoreSqlite::Esegui(const QString &sql, const Valori &valori)
{
    if (!valori.isEmpty())
        return eseguiPreparata(sql, valori);
    sqlite3_stmt *st = prepara(sql, &valori);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw errore();
    return sqlite3_changes64(m_db);
}

qint64 MotoreSqlite::Inserisci(const QString &sql, const Valori &valori)
{
    eseguiPreparata(sql, valori);
    return sqlite3_last_insert_rowid(m_db);
}

void MotoreSqlite::Inizia() { Esegui(QStringLiteral("BEGIN IMMEDIATE")); }
void MotoreSqlite::Conferma() { Esegui(QStringLiteral("COMMIT")); }

void MotoreSqlite::Annulla()
{
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

// BEGIN IMMEDIATE already holds the one write lock of the file until COMMIT.
void MotoreSqlite::BloccaCodici() {}

// ---------------------------------------------------------------------------------------------

QString IstruzioneIndice(const IndiceArchivio &i)
{
    QString s = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON ANTICIPI (%2)").arg(QLatin1String(i.nome), QLatin1String(i.colonne));
    if (i.incluse)
        s += QStringLiteral(" INCLUDE (") + QLatin1String(i.incluse) + QLatin1Char(')');
    if (i.dove)
        s += QStringLiteral(" WHERE ") + QLatin1String(i.dove);
    return s;
}

void Motore::CreaIndici()
{
    for (const IndiceArchivio &i : IndiciArchivio)
        if (HaIndice(i))
            Esegui(IstruzioneIndice(i));
    CreaUltimi();
}

void Motore::CreaUltimi()
{
    TogliUltimi();
    for (const QString &sql : Ultimi().crea)
        Esegui(sql);
    Esegui(QLatin1String(RiempiUltimi));
    m_ultimi = true;
}

void Motore::TogliUltimi()
{
    m_ultimi = false;
    for (const QString &sql : Ultimi().togli)
        Esegui(sql);
}

void Motore::completaUltimi()
{
    try {
        auto c = Query(Ultimi().presenti);
        m_ultimi = c->Avanza() && c->Valore(0).toInt() == Ultimi().crea.size();
    } catch (const ErroreApp &) {
        m_ultimi = false;
    }
    if (m_ultimi)
        return;
    // Made while no other program writes, so that no movement slips between the fill and the
    // triggers (on a server, creating a trigger locks the table against writes to the end).
    try {
        Inizia();
        CreaUltimi();
        Conferma();
    } catch (const ErroreApp &) {
        Annulla();
        m_ultimi = false;
    }
}

QString Motore::IstruzioneCammino() const
{
    // Grouping the whole table reads every movement; instead the index on (CODICEANA, ID) is walked
    // backwards from each client straight to the next lower code, whose highest ID comes first
    // there: one seek in the index and one by ID per client, whatever its movements. The walk ends
    // where no lower code is left. No ORDER BY: the window sorts the rows itself.
    return QStringLiteral(
        "WITH RECURSIVE ULTIMI(ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA) AS ("
        "SELECT ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
        "WHERE ID = (SELECT ID FROM ANTICIPI ORDER BY CODICEANA DESC, ID DESC LIMIT 1) UNION ALL "
        "SELECT A.ID, A.CODICEANA, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ULTIMI INNER JOIN ANTICIPI AS A "
        "ON A.ID = (SELECT ID FROM ANTICIPI WHERE CODICEANA < ULTIMI.CODICEANA ORDER BY CODICEANA DESC, ID DESC LIMIT 1)) "
        "SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ULTIMI");
}

void Motore::attendi()
{
    if (!m_attesa || m_inAttesa)
        return;
    m_inAttesa = true;
    try {
        m_attesa();
    } catch (...) {
    }
    m_inAttesa = false;
}

void Motore::TogliIndici()
{
    TogliUltimi();
    for (const IndiceArchivio &i : IndiciArchivio)
        Esegui(QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(i.nome)));
}

bool Motore::Vuoto()
{
    auto c = Query(QStringLiteral("SELECT ID FROM ANTICIPI LIMIT 1"));
    return !c->Avanza();
}

ErroreApp ErroreSqlite(int codice, const QString &motore)
{
    QString testo;
    switch (codice & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        testo = QStringLiteral("L'archivio è in uso da un altro programma. Riprovare tra qualche istante.");
        break;
    case SQLITE_READONLY:
        testo = QStringLiteral("L'archivio è in sola lettura: le modifiche non possono essere salvate.");
        break;
    case SQLITE_IOERR:
        testo = QStringLiteral("Errore di lettura o scrittura sul disco dell'archivio.");
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        testo = QStringLiteral("L'archivio è danneggiato o non è un archivio di questo programma.");
        break;
    case SQLITE_FULL:
        testo = QStringLiteral("Disco pieno: le modifiche non possono essere salvate.");
        break;
    case SQLITE_CANTOPEN:
        testo = QStringLiteral("Impossibile aprire il file dell'archivio o scrivere nella sua cartella.");
        break;
    default:
        // SQLite's sum stops at the first total past its integers with a plain error of its own.
        if ((codice & 0xff) == SQLITE_ERROR && motore.contains(QLatin1String("integer overflow")))
            return ErroreApp(CodiciErrore::Overflow,
                             QStringLiteral("Un totale supera il massimo che l'archivio può calcolare. (") + motore +
                                 QLatin1Char(')'));
        // Whatever else the engine says comes after an Italian sentence, never alone.
        testo = QStringLiteral("Errore dell'archivio.");
        break;
    }
    return ErroreApp(codice, testo + QStringLiteral(" (") + motore + QLatin1Char(')'));
}
