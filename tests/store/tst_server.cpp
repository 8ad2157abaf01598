// An archive on a PostgreSQL server: what the program says when it cannot reach it, at start and
// while the user works, and that it never falls back to a local archive. Runs against the test
// cluster (tests/pg/cluster.sh); without one there is no server to try.
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"

#include <QDir>
#include <libpq-fe.h>

using namespace Utente;

namespace {

QString base() { return qEnvironmentVariable("SPESARIO_TEST_PG"); }

// A statement run as the cluster's superuser on its maintenance database.
bool Amministra(const QString &sql)
{
    PGconn *c = PQconnectdb((base() + QStringLiteral("postgres")).toUtf8().constData());
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok)
        qWarning("%s", PQerrorMessage(c));
    PQclear(r);
    PQfinish(c);
    return ok;
}

// The ledger window on a new, empty database of the test server.
frmAnticipi *ApriSulServer(const QString &database)
{
    Ambiente::corrente().azzera();
    Amministra(QStringLiteral("DROP DATABASE IF EXISTS ") + database + QStringLiteral(" WITH (FORCE)"));
    Amministra(QStringLiteral("CREATE DATABASE ") + database);
    Impostazioni::Scrivi(Impostazioni::Connessione, base() + database);
    return ApriRegistro();
}

// The message ApriArchivio gives for a "Connessione", or empty when it opened.
QString AperturaFallita(const QString &connessione)
{
    Impostazioni::Scrivi(Impostazioni::Connessione, connessione);
    try {
        ApriArchivio();
    } catch (const ErroreApp &e) {
        return e.descrizione();
    }
    return QString();
}

} // namespace

class TstServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (base().isEmpty())
            QSKIP("no test server: run through tests/pg/cluster.sh (make test does)");
    }
    void cleanup() { chiudi(); }

    // Each fault at start has its own message, and no local archive takes the server's place.
    void avvioSenzaServer_data()
    {
        QTest::addColumn<QString>("connessione");
        QTest::addColumn<QString>("messaggio");
        const QString host = base().section(QLatin1Char('@'), 1).section(QLatin1Char('/'), 0, 0);
        QTest::newRow("database sconosciuto") << base() + QStringLiteral("non_esiste") << "non esiste sul server";
        QTest::newRow("server irraggiungibile")
            << QStringLiteral("postgresql://spesario@%2Fnessuna%2Fcartella/spesario") << "Impossibile raggiungere";
        QTest::newRow("indirizzo illeggibile") << QStringLiteral("postgresql://spesario@[::1/x") << "non è valido";
        QTest::newRow("password nell'indirizzo")
            << QStringLiteral("postgresql://spesario:segreta@%1/postgres").arg(host) << "non deve contenere la password";
    }
    void avvioSenzaServer()
    {
        QFETCH(QString, connessione);
        QFETCH(QString, messaggio);
        Ambiente::corrente().azzera();
        const QString messo = AperturaFallita(connessione);
        QVERIFY2(messo.contains(messaggio), qPrintable(messo));
        QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
        QVERIFY(!QFileInfo::exists(CartellaArchivioPredefinita()));
        QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), connessione);
    }

    // A role that must give a password (tests/pg/cluster.sh asks one of "con_password"): without
    // one or with a wrong one the user is told where the password goes; the right one, from
    // PGPASSWORD or from a password file, opens the archive.
    void password()
    {
        QVERIFY(Amministra(QStringLiteral("DROP DATABASE IF EXISTS con_password")));
        QVERIFY(Amministra(QStringLiteral("CREATE DATABASE con_password")));
        Amministra(QStringLiteral("CREATE ROLE con_password LOGIN PASSWORD 'giusta'"));
        QVERIFY(Amministra(QStringLiteral("ALTER DATABASE con_password OWNER TO con_password")));
        const QString uri = base().replace(QStringLiteral("spesario@"), QStringLiteral("con_password@")) +
                            QStringLiteral("con_password");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pgpass"));
        qputenv("PGPASSFILE", QFile::encodeName(file));
        for (const char *parola : {"", "sbagliata"}) {
            qputenv("PGPASSWORD", parola);
            const QString messo = AperturaFallita(uri);
            QVERIFY2(messo.contains(QStringLiteral("Accesso al server negato")) && messo.contains(QStringLiteral(".pgpass")),
                     qPrintable(messo));
        }
        qputenv("PGPASSWORD", "giusta");
        QCOMPARE(AperturaFallita(uri), QString());
        Archivio::Rilascia();

        qunsetenv("PGPASSWORD");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("*:*:con_password:con_password:giusta\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(AperturaFallita(uri), QString());
        Archivio::Rilascia();
        qunsetenv("PGPASSFILE");
    }

    // A user who may not create the table is told what the administrator must run.
    void tabellaSenzaPermesso()
    {
        QVERIFY(Amministra(QStringLiteral("DROP DATABASE IF EXISTS senza_permesso")));
        QVERIFY(Amministra(QStringLiteral("CREATE DATABASE senza_permesso")));
        Amministra(QStringLiteral("CREATE ROLE impiegato LOGIN"));
        const QString uri = base().replace(QStringLiteral("spesario@"), QStringLiteral("impiegato@")) +
                            QStringLiteral("senza_permesso");
        const QString messo = AperturaFallita(uri);
        QVERIFY2(messo.contains(QStringLiteral("README")) && messo.contains(QStringLiteral("amministratore")),
                 qPrintable(messo));
    }

    // Two desks write the same client at once: whichever of them the server lets go first, the
    // table of each client's newest movement ends on the newest row there is. One desk's write is
    // left waiting for the other's open transaction, which then commits.
    void ultimoMovimentoConDueScrivanie()
    {
        ApriSulServer(QStringLiteral("due_scrivanie"));
        const QByteArray uri = (base() + QStringLiteral("due_scrivanie")).toUtf8();
        PGconn *a = PQconnectdb(uri.constData());
        PGconn *b = PQconnectdb(uri.constData());
        auto esegui = [](PGconn *c, const char *sql) {
            PGresult *r = PQexec(c, sql);
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
            if (!ok)
                qWarning("%s", PQerrorMessage(c));
            PQclear(r);
            return ok;
        };
        auto ultimo = [&] {
            PGresult *r = PQexec(a, "SELECT (SELECT ID FROM ULTIMI_ANTICIPI WHERE CODICEANA = 5)::text || '/' || "
                                    "(SELECT MAX(ID) FROM ANTICIPI WHERE CODICEANA = 5)::text");
            const QString t = QString::fromUtf8(PQgetvalue(r, 0, 0));
            PQclear(r);
            return t;
        };
        QVERIFY(esegui(a, "INSERT INTO ANTICIPI (ID, DATAOP, CODICEANA) SELECT g, '2026-01-01', 5 "
                          "FROM generate_series(90, 100) AS g"));
        const struct {
            const char *prima, *seconda, *atteso;
        } casi[] = {
            {"DELETE FROM ANTICIPI WHERE ID = 99", "DELETE FROM ANTICIPI WHERE ID = 100", "98/98"},
            {"DELETE FROM ANTICIPI WHERE ID = 98", "DELETE FROM ANTICIPI WHERE ID = 97", "96/96"},
            {"INSERT INTO ANTICIPI (ID, DATAOP, CODICEANA) VALUES (300, '2026-01-01', 5)",
             "DELETE FROM ANTICIPI WHERE ID = 96", "300/300"},
            {"DELETE FROM ANTICIPI WHERE ID = 300", "INSERT INTO ANTICIPI (ID, DATAOP, CODICEANA) VALUES (200, "
                                                   "'2026-01-01', 5)", "200/200"},
        };
        for (const auto &c : casi) {
            QVERIFY(esegui(b, "BEGIN"));
            QVERIFY(esegui(b, c.prima));
            QVERIFY(PQsendQuery(a, c.seconda));
            // The second desk's statement waits for the first desk's transaction.
            QTest::qWait(50);
            QVERIFY(PQconsumeInput(a));
            QVERIFY(PQisBusy(a));
            QVERIFY(esegui(b, "COMMIT"));
            while (PGresult *r = PQgetResult(a)) {
                QCOMPARE(PQresultStatus(r), PGRES_COMMAND_OK);
                PQclear(r);
            }
            QCOMPARE(ultimo(), QString::fromLatin1(c.atteso));
        }
        PQfinish(a);
        PQfinish(b);
    }

    // The server drops the connection while the user works (a restart, a network fault): found
    // gone before the save, the connection is made again and the save goes through, no message.
    void connessionePersa()
    {
        frmAnticipi *w = ApriSulServer(QStringLiteral("connessione_persa"));
        QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
        nuovoCliente(w, QStringLiteral("Verdi Anna"), QStringLiteral("VRDNNA70A41H501Z"));
        scrivi(w->txtUscite, QStringLiteral("12,50"), w->DtpData);
        scriviDescrizione(w, QStringLiteral("bollo"));
        // Only this test's database: other tests run beside it on the same server.
        QVERIFY(Amministra(QStringLiteral("SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE "
                                          "datname = 'connessione_persa' AND pid <> pg_backend_pid()")));
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.azzera();
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(m.testi(), QStringList());
        QCOMPARE(conta(QStringLiteral("DESCRIZIONE='bollo' AND USCITA=125000")), 1);
    }
};

SPESARIO_TEST_MAIN(TstServer)
#include "tst_server.moc"
