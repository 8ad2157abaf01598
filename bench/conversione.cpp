#include "bench/conversione.h"

#include "store/engines/motore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include <glib.h>
#include <mdbtools.h>

namespace {

// libmdb's money text ("-15.5000") as ten-thousandths.
qint64 decimillesimi(const char *t)
{
    const bool negativo = *t == '-';
    if (negativo)
        ++t;
    qint64 v = 0;
    int decimali = -1;
    for (; *t; ++t) {
        if (*t == '.') {
            decimali = 0;
            continue;
        }
        v = v * 10 + (*t - '0');
        if (decimali >= 0)
            ++decimali;
    }
    for (; decimali < 4; ++decimali)
        v *= 10;
    return negativo ? -v : v;
}

} // namespace

qint64 PavimentoConversione(const QString &access, const QString &destinazione)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(access).constData(), MDB_NOFLAGS);
    if (!mdb)
        return -1;
    mdb_set_date_fmt(mdb, "%Y-%m-%d");
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef *t = mdb_read_table_by_name(mdb, const_cast<gchar *>("ANTICIPI"), MDB_TABLE);
    mdb_read_columns(t);
    mdb_rewind_table(t);
    // The nine columns in table order, bound as libmdb's text.
    std::vector<std::vector<char>> v(t->num_cols, std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> n(t->num_cols);
    for (unsigned i = 0; i < t->num_cols; ++i)
        mdb_bind_column(t, int(i) + 1, v[i].data(), &n[i]);

    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(destinazione).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-32768;", nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE ANTICIPI (ID INTEGER PRIMARY KEY AUTOINCREMENT, DATAOP TEXT NOT NULL, DESCRIZIONE TEXT,"
                 " ENTRATA INTEGER NOT NULL DEFAULT 0, USCITA INTEGER NOT NULL DEFAULT 0, RAGIONESOCIALE TEXT COLLATE NOCASE,"
                 " CODICEFISCALE TEXT COLLATE NOCASE, PARTITAIVA TEXT COLLATE NOCASE, CODICEANA INTEGER NOT NULL);"
                 "BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ANTICIPI VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &st, nullptr);
    qint64 righe = 0;
    while (mdb_fetch_row(t)) {
        sqlite3_bind_int64(st, 1, atoll(v[0].data()));
        sqlite3_bind_text(st, 2, v[1].data(), 10, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, v[2].data(), n[2], SQLITE_STATIC);
        sqlite3_bind_int64(st, 4, decimillesimi(v[3].data()));
        sqlite3_bind_int64(st, 5, decimillesimi(v[4].data()));
        for (int c = 5; c < 8; ++c)
            sqlite3_bind_text(st, c + 1, v[c].data(), n[c], SQLITE_STATIC);
        sqlite3_bind_int64(st, 9, atoll(v[8].data()));
        sqlite3_step(st);
        sqlite3_reset(st);
        ++righe;
    }
    sqlite3_finalize(st);
    sqlite3_exec(db,
                 "CREATE INDEX IX_ANTICIPI_CODICEANA_DATAOP ON ANTICIPI (CODICEANA, DATAOP);"
                 "CREATE INDEX IX_ANTICIPI_CODICEFISCALE ON ANTICIPI (CODICEFISCALE);"
                 "CREATE INDEX IX_ANTICIPI_PARTITAIVA ON ANTICIPI (PARTITAIVA);"
                 "CREATE INDEX IX_ANTICIPI_RAGIONESOCIALE ON ANTICIPI (RAGIONESOCIALE);"
                 "CREATE INDEX IX_ANTICIPI_DATAOP ON ANTICIPI (DATAOP);"
                 "COMMIT",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    mdb_free_tabledef(t);
    mdb_close(mdb);
    return righe;
}

MisuraConversione MisuraCopia(const QString &spesario, const QString &access, const QString &destinazione)
{
    MisuraConversione m;
    QDir(destinazione).removeRecursively();
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(spesario, {QStringLiteral("--copia-archivio"), access, destinazione});
    p.waitForFinished(-1);
    m.ms = t.nsecsElapsed() / 1e6;
    m.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    for (const QByteArray &riga : p.readAllStandardOutput().split('\n'))
        if (riga.startsWith("Movimenti: "))
            m.righe = riga.mid(11).toLongLong();
    // The largest resident size of any child waited for so far: run these children first.
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    m.piccoMb = u.ru_maxrss / 1024;
    return m;
}

namespace {

const char *const ColonneServer = "ANTICIPI (ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                                  "PARTITAIVA, CODICEANA)";

// psql on the database, reading its commands from `comandi`; stops at the first error.
bool psql(const QString &uri, const QString &comandi)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                     QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), uri});
    p.write(comandi.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "psql: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

bool EsportaRigheServer(const QString &uri, const QString &file)
{
    return psql(uri, QStringLiteral("\\copy %1 TO '%2'\n").arg(QLatin1String(ColonneServer), file));
}

bool SvuotaServer(const QString &uri) { return psql(uri, QStringLiteral("TRUNCATE ANTICIPI;\n")); }

double PavimentoCopiaServer(const QString &uri, const QString &file)
{
    // The table of each client's newest movement and its triggers, as the server's engine makes them.
    std::unique_ptr<Motore> motore;
    try {
        motore = ApriMotore(uri);
    } catch (const ErroreApp &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.descrizione()));
        return -1;
    }
    const Motore::IstruzioniUltimi ultimi = motore->Ultimi();
    motore.reset();
    QString comandi;
    QTextStream o(&comandi);
    o << "BEGIN;\n";
    for (const QString &sql : ultimi.togli)
        o << sql << ";\n";
    for (const IndiceArchivio &i : IndiciArchivio)
        o << "DROP INDEX IF EXISTS " << i.nome << ";\n";
    o << "\\copy " << ColonneServer << " FROM '" << file << "'\n";
    // The server's own indexes: the partial ones of values of another kind are SQLite's alone.
    for (const IndiceArchivio &i : IndiciArchivio)
        if (!i.tipiPerValore)
            o << IstruzioneIndice(i) << ";\n";
    for (const QString &sql : ultimi.crea)
        o << sql << ";\n";
    o << RiempiUltimi << ";\n";
    o << "ANALYZE ANTICIPI;\nCOMMIT;\n";
    o.flush();
    QElapsedTimer t;
    t.start();
    return psql(uri, comandi) ? t.nsecsElapsed() / 1e6 : -1;
}
