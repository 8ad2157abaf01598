// A PostgreSQL server of this test's own, which it stops and starts (the shared test cluster serves
// other tests meanwhile), speaking Italian when the machine can make that locale: a save whose
// confirmation a crash or a cut connection lost is found out and never booked twice, and the
// server's refusals are understood in Italian.
#include "clients/frmAnagrafiche.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"

#include <QPushButton>
#include <clocale>
#include <libpq-fe.h>
#include <thread>
#include <unistd.h>

using namespace Utente;

namespace {

QTemporaryDir *cartella = nullptr;  // the server's data, socket and Italian locale
QString bin;                        // its programs' folder
bool italiano = false;

QString Qui(QString riga) { return riga.replace(QStringLiteral("DIR"), cartella->path()); }

// A command line run as the server's user: nobody when the tests run as root, which PostgreSQL refuses.
bool Comando(const QString &riga)
{
    const QString come = geteuid() == 0 ? QStringLiteral("runuser -u nobody -- ") : QString();
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), Qui(QStringLiteral("LOCPATH=DIR/loc ") + come + riga)}) == 0;
}

// A commit waits for a standby that never comes only in a session that asks (synchronous_commit on).
bool Avvia()
{
    return Comando(bin + Qui(QStringLiteral("pg_ctl -D DIR/dati -l DIR/server.log -w -t 120 -o \"-c listen_addresses='' "
                                            "-k DIR -c fsync=off -c synchronous_commit=local "
                                            "-c synchronous_standby_names=nessuno")) +
                   (italiano ? QStringLiteral(" -c lc_messages=it_IT.UTF-8") : QString()) + QStringLiteral("\" start >/dev/null"));
}
bool Ferma() { return Comando(bin + QStringLiteral("pg_ctl -D DIR/dati -m immediate -w stop >/dev/null")); }

QString Uri(const QString &database, const QString &utente = QStringLiteral("spesario"))
{
    return QStringLiteral("postgresql://") + utente + QLatin1Char('@') +
           QString::fromLatin1(QUrl::toPercentEncoding(cartella->path())) + QLatin1Char('/') + database;
}

// A statement as the server's superuser on a connection of its own (any thread); its first value.
QString Amministra(const QString &sql, const QString &database = QStringLiteral("postgres"))
{
    PGconn *c = PQconnectdb(Uri(database).toUtf8().constData());
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    const QString valore = PQntuples(r) > 0 ? QString::fromUtf8(PQgetvalue(r, 0, 0)) : QString();
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
        qWarning("%s: %s", qPrintable(sql), PQerrorMessage(c));
    PQclear(r);
    PQfinish(c);
    return valore;
}

// Ends the program's connections to the database and waits till they are gone.
void Interrompi(const QString &db)
{
    Amministra(QStringLiteral("SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE datname = '%1' AND "
                              "pid <> pg_backend_pid()")
                   .arg(db));
}

QString Detti() { return Ambiente::corrente().messaggi.testi().join(QLatin1Char('\n')); }

} // namespace

class TstRiavvio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &v : QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
        if (bin.isEmpty())
            QSKIP("PostgreSQL is not installed (package postgresql)");
        static QTemporaryDir dir;
        cartella = &dir;
        QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("755"), dir.path()});
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("nobody"), dir.path()});
        // Italian made into the test's folder when the machine has the locale's sources (package
        // locales): nothing of the system changes.
        QDir().mkpath(dir.filePath(QStringLiteral("loc")));
        italiano = QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("it_IT"), QStringLiteral("-f"),
                                                                   QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("loc/it_IT.UTF-8"))}) == 0;
        QVERIFY(Comando(bin + QStringLiteral("initdb -D DIR/dati -U spesario --auth=trust -E UTF8 --locale=C.UTF-8 >/dev/null")));
        QVERIFY(Comando(QStringLiteral("sed -i '1i local all con_password scram-sha-256' DIR/dati/pg_hba.conf")));
        QVERIFY(Avvia());
        Amministra(QStringLiteral("CREATE ROLE con_password LOGIN PASSWORD 'giusta'"));
        // The program's own libpq texts in Italian too, as on an Italian desk.
        if (italiano) {
            qputenv("LOCPATH", QFile::encodeName(dir.filePath(QStringLiteral("loc"))));
            std::setlocale(LC_MESSAGES, "it_IT.UTF-8");
        }
    }
    void cleanupTestCase()
    {
        if (cartella)
            Ferma();
    }
    void cleanup() { chiudi(); }

    // Each refusal told by what it is, whatever language the server speaks: only a server that
    // gives no answer at all is one "that cannot be reached".
    void rifiutiInItaliano_data()
    {
        QTest::addColumn<QString>("connessione");
        QTest::addColumn<QString>("messaggio");
        QTest::newRow("database sconosciuto") << Uri(QStringLiteral("non_esiste")) << "database indicato non esiste";
        QTest::newRow("utente sconosciuto") << Uri(QStringLiteral("postgres"), QStringLiteral("nessuno")) << "non accetta l'utente";
        QTest::newRow("password sbagliata") << Uri(QStringLiteral("postgres"), QStringLiteral("con_password"))
                                            << "Accesso al server negato";
        QTest::newRow("nessun server") << QStringLiteral("postgresql://spesario@%2Fnessuna%2Fcartella/spesario")
                                       << "Impossibile raggiungere";
    }
    void rifiutiInItaliano()
    {
        QFETCH(QString, connessione);
        QFETCH(QString, messaggio);
        if (!italiano)
            QSKIP("the locale it_IT.UTF-8 could not be made (package locales)");
        qputenv("PGPASSWORD", "sbagliata");
        Ambiente::corrente().azzera();
        Impostazioni::Scrivi(Impostazioni::Connessione, connessione);
        QString messo;
        try {
            ApriArchivio();
        } catch (const ErroreApp &e) {
            messo = e.descrizione();
        }
        qunsetenv("PGPASSWORD");
        QVERIFY2(messo.contains(messaggio), qPrintable(messo));
    }

    // A save whose COMMIT was sent and whose answer never came: the server crashed (the outcome is
    // known only once it is back, and the first statement after the restart goes through), or the
    // connection was cut after the commit, or before it. The user is told which; saving again as
    // invited never books a second row nor a second client code.
    void esitoIncerto_data()
    {
        QTest::addColumn<QString>("operazione");
        QTest::addColumn<QString>("guasto");
        for (const char *operazione : {"nuovo cliente", "riga modificata", "riga eliminata", "anagrafica"})
            for (const char *guasto : {"server fermato", "scritto, collegamento perso", "non scritto, collegamento perso"})
                QTest::addRow("%s, %s", operazione, guasto) << operazione << guasto;
    }
    void esitoIncerto()
    {
        QFETCH(QString, operazione);
        QFETCH(QString, guasto);
        const QString db = QStringLiteral("esito");
        Ambiente::corrente().azzera();
        Amministra(QStringLiteral("DROP DATABASE IF EXISTS esito WITH (FORCE)"));
        Amministra(QStringLiteral("CREATE DATABASE esito"));
        Impostazioni::Scrivi(Impostazioni::Connessione, Uri(db));
        frmAnticipi *w = ApriRegistro();
        InserisciRiga(questAnno(1, 10), QStringLiteral("bollo"), QStringLiteral("0"), QStringLiteral("12,5"),
                      QStringLiteral("Rossi Mario"), QStringLiteral("RSSMRA80A01H501U"), QString(), 1);
        if (operazione == QLatin1String("nuovo cliente")) {
            nuovoCliente(w, QStringLiteral("Verdi Anna"), QStringLiteral("VRDNNA70A41H501Z"));
        } else {
            identifica(w, QStringLiteral("RSSMRA80A01H501U"));
            cliccaRiga(w, 0);
        }
        const bool anagrafica = operazione == QLatin1String("anagrafica");
        if (anagrafica) {
            w->Comando_ModificaAnagrafica();
            scrivi(frmAnagrafiche::Esistente()->txtDenominazione, QStringLiteral("Rossi Mario Srl"));
        } else if (operazione != QLatin1String("riga eliminata")) {
            scrivi(w->txtUscite, QStringLiteral("30,00"), w->DtpData);
            scriviDescrizione(w, QStringLiteral("diritti"));
        }
        auto opera = [&] {
            if (anagrafica)
                QTest::mouseClick(frmAnagrafiche::Esistente()->cmdOk, Qt::LeftButton);
            else
                comando(w, operazione == QLatin1String("riga eliminata") ? QStringLiteral("Elimina") : QStringLiteral("Salva"));
        };

        // The COMMIT held: waiting for a standby that never comes (written, not answered), or for a
        // lock that a deferred trigger takes (not written). The program's next session takes it.
        const bool scritto = !guasto.startsWith(QLatin1String("non scritto"));
        const bool fermato = guasto == QLatin1String("server fermato");
        if (scritto)
            Amministra(QStringLiteral("ALTER DATABASE esito SET synchronous_commit = on"));
        else
            Amministra(QStringLiteral("CREATE FUNCTION attesa() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM "
                                      "pg_advisory_xact_lock(4242); RETURN NULL; END $$; CREATE CONSTRAINT TRIGGER attesa "
                                      "AFTER INSERT OR UPDATE OR DELETE ON anticipi DEFERRABLE INITIALLY DEFERRED FOR EACH "
                                      "ROW EXECUTE FUNCTION attesa()"),
                       db);
        Interrompi(db);
        PGconn *lucchetto = PQconnectdb(Uri(db).toUtf8().constData());
        PQclear(PQexec(lucchetto, "SELECT pg_advisory_lock(4242)"));
        std::thread guasta([&] {
            const QString attesa = scritto ? QStringLiteral("wait_event = 'SyncRep'") : QStringLiteral("wait_event_type = 'Lock'");
            QString pid;
            for (int i = 0; i < 2000 && pid.isEmpty(); ++i, QThread::msleep(10))
                pid = Amministra(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = 'esito' AND ") + attesa);
            if (fermato)
                Ferma();
            else
                Amministra(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
        });
        Ambiente::corrente().messaggi.azzera();
        opera();
        guasta.join();
        PQfinish(lucchetto);
        const QString detti = Detti();
        if (fermato)
            QVERIFY2(detti.contains(QStringLiteral("non è noto se")), qPrintable(detti));
        else if (scritto)
            QVERIFY2(detti.contains(QStringLiteral("ha controllato l'archivio:")) && !detti.contains(QStringLiteral(" non è stat")),
                     qPrintable(detti));
        else
            QVERIFY2(detti.contains(QStringLiteral(" non è stat")), qPrintable(detti));
        if (fermato)
            QVERIFY(Avvia());
        Amministra(scritto ? QStringLiteral("ALTER DATABASE esito RESET synchronous_commit")
                           : QStringLiteral("DROP TRIGGER attesa ON anticipi"),
                   scritto ? QStringLiteral("postgres") : db);
        Interrompi(db);

        // Tried again as the message invites, when it did not say the work was done.
        if (!scritto || fermato) {
            Ambiente::corrente().messaggi.azzera();
            opera();
            QVERIFY2(!Detti().contains(QStringLiteral("Errore")), qPrintable(Detti()));
            QVERIFY2(!fermato || Detti().contains(QStringLiteral("risponde di nuovo")), qPrintable(Detti()));
        }
        if (operazione == QLatin1String("nuovo cliente")) {
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='diritti' AND CODICEANA=2")), 1);
            QCOMPARE(conta(), 2);
            QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
        } else if (operazione == QLatin1String("riga modificata")) {
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='diritti' AND USCITA=300000")), 1);
            QCOMPARE(conta(), 1);
        } else {
            QCOMPARE(conta(anagrafica ? QStringLiteral("RAGIONESOCIALE='Rossi Mario Srl'") : QString()), anagrafica ? 1 : 0);
        }
    }
};

SPESARIO_TEST_MAIN(TstRiavvio)
#include "tst_riavvio.moc"
