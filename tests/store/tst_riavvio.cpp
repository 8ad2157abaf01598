// A PostgreSQL server of this test's own, which it stops and starts (the shared cluster serves other
// tests meanwhile), speaking Italian when the machine can make that locale: a save whose COMMIT lost
// its answer is found out and never booked twice; the server's refusals are understood in Italian.
#include "clients/frmAnagrafiche.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"
#include "tests/support/sistema.h"

#include <QPushButton>
#include <QStandardPaths>
#include <libpq-fe.h>
#include <thread>

using namespace Utente;

namespace {

QTemporaryDir *cartella = nullptr;  // the server's data, socket and Italian locale
QString bin;                        // its programs' folder
bool italiano = false;

// A command line as the server's user (nobody when the tests run as root, which PostgreSQL refuses).
bool Comando(QString riga)
{
    riga = QStringLiteral("LOCPATH=DIR/loc ") + (Root() ? QStringLiteral("runuser -u nobody -- ") : QString()) +
           riga;
    riga.replace(QStringLiteral("DIR"), cartella->path());
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), riga}) == 0;
}
// A commit waits for a standby that never comes only in a session that asks (synchronous_commit on).
bool Avvia()
{
    return Comando(bin + QStringLiteral("pg_ctl -D DIR/dati -l DIR/log -w -t 120 -o \"-c listen_addresses='' -k DIR "
                                        "-c fsync=off -c synchronous_commit=local -c synchronous_standby_names=x") +
                   (italiano ? QStringLiteral(" -c lc_messages=it_IT.UTF-8") : QString()) +
                   QStringLiteral("\" start >/dev/null"));
}
bool Ferma() { return Comando(bin + QStringLiteral("pg_ctl -D DIR/dati -m immediate -w stop >/dev/null")); }

QString Uri(const QString &database, const QString &utente = QStringLiteral("spesario"))
{
    return QStringLiteral("postgresql://%1@%2/%3")
        .arg(utente, QString::fromLatin1(QUrl::toPercentEncoding(cartella->path())), database);
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

// Ends the program's connections to the test's database, and waits till they are gone.
void Interrompi()
{
    Amministra(QStringLiteral("SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE datname = 'esito'"));
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
        // Under Wine the Linux server's programs are there, but no shell to start them from.
        if (QStandardPaths::findExecutable(QStringLiteral("sh")).isEmpty())
            QSKIP("no sh to start this test's own server (the tests under Wine)");
        static QTemporaryDir dir;
        cartella = &dir;
        QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("755"), dir.path()});
        if (Root())
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("nobody"), dir.path()});
        // Italian made into the test's folder from the locale's sources (package locales), when there.
        italiano = Comando(QStringLiteral("mkdir DIR/loc && localedef -i it_IT -f UTF-8 DIR/loc/it_IT.UTF-8"));
        QVERIFY(Comando(bin + QStringLiteral("initdb -D DIR/dati -U spesario --auth=trust -E UTF8 --locale=C.UTF-8 "
                                             ">/dev/null")));
        QVERIFY(Comando(QStringLiteral("sed -i '1i local all con_password scram-sha-256' DIR/dati/pg_hba.conf")));
        QVERIFY(Avvia());
        Amministra(QStringLiteral("CREATE ROLE con_password LOGIN PASSWORD 'giusta'"));
        if (italiano) {  // the program's own libpq texts in Italian too, as on an Italian desk
            MessaggiInLingua(dir.filePath(QStringLiteral("loc")), "it_IT.UTF-8");
        }
    }
    void cleanupTestCase()
    {
        if (cartella)
            Ferma();
    }
    void cleanup() { chiudi(); }

    // Each refusal told by what it is, whatever language the server speaks: only a server that gives
    // no answer at all is one "that cannot be reached".
    void rifiutiInItaliano()
    {
        if (!italiano)
            QSKIP("the locale it_IT.UTF-8 could not be made (package locales)");
        qputenv("PGPASSWORD", "sbagliata");
        const QList<QPair<QString, QString>> casi{
            {Uri(QStringLiteral("non_esiste")), QStringLiteral("database indicato non esiste")},
            {Uri(QStringLiteral("postgres"), QStringLiteral("nessuno")), QStringLiteral("non accetta l'utente")},
            {Uri(QStringLiteral("postgres"), QStringLiteral("con_password")), QStringLiteral("Accesso al server negato")},
            {QStringLiteral("postgresql://spesario@%2Fnessuna/x"), QStringLiteral("Impossibile raggiungere")}};
        for (const auto &[connessione, messaggio] : casi) {
            Impostazioni::Scrivi(Impostazioni::Connessione, connessione);
            QString messo;
            try {
                ApriArchivio();
            } catch (const ErroreApp &e) {
                messo = e.descrizione();
            }
            QVERIFY2(messo.contains(messaggio), qPrintable(messo));
        }
        qunsetenv("PGPASSWORD");
    }

    // A COMMIT sent and never answered: the server crashed (the outcome is known once it is back,
    // and the first statement after the restart goes through), or the connection was cut after the
    // commit, or before it. The user is told which; doing it again, as invited, never books a second
    // row nor a second client code.
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
        const bool nuovo = operazione == QLatin1String("nuovo cliente");
        const bool elimina = operazione == QLatin1String("riga eliminata");
        const bool anagrafica = operazione == QLatin1String("anagrafica");
        const bool fermato = guasto == QLatin1String("server fermato"), scritto = !guasto.startsWith(QLatin1String("non"));
        Ambiente::corrente().azzera();
        Amministra(QStringLiteral("DROP DATABASE IF EXISTS esito WITH (FORCE)"));
        Amministra(QStringLiteral("CREATE DATABASE esito"));
        Impostazioni::Scrivi(Impostazioni::Connessione, Uri(QStringLiteral("esito")));
        frmAnticipi *w = ApriRegistro();
        InserisciRiga(questAnno(1, 10), QStringLiteral("bollo"), QStringLiteral("0"), QStringLiteral("12,5"),
                      QStringLiteral("Rossi Mario"), QStringLiteral("RSSMRA80A01H501U"), QString(), 1);
        if (nuovo) {
            nuovoCliente(w, QStringLiteral("Verdi Anna"), QStringLiteral("VRDNNA70A41H501Z"));
        } else {
            identifica(w, QStringLiteral("RSSMRA80A01H501U"));
            cliccaRiga(w, 0);
        }
        if (anagrafica) {
            w->Comando_ModificaAnagrafica();
            scrivi(frmAnagrafiche::Esistente()->txtDenominazione, QStringLiteral("Rossi Mario Srl"));
        } else if (!elimina) {
            scrivi(w->txtUscite, QStringLiteral("30,00"), w->DtpData);
            scriviDescrizione(w, QStringLiteral("diritti"));
        }
        auto opera = [&] {
            if (anagrafica)
                QTest::mouseClick(frmAnagrafiche::Esistente()->cmdOk, Qt::LeftButton);
            else
                comando(w, elimina ? QStringLiteral("Elimina") : QStringLiteral("Salva"));
        };

        // The COMMIT held, waiting for a standby that never comes (written, not answered) or for a
        // lock a deferred trigger takes (not written), in the program's next session.
        const QString db = scritto ? QStringLiteral("postgres") : QStringLiteral("esito");
        Amministra(scritto ? QStringLiteral("ALTER DATABASE esito SET synchronous_commit = on")
                           : QStringLiteral("CREATE FUNCTION attesa() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                            "PERFORM pg_advisory_xact_lock(1); RETURN NULL; END $$; CREATE CONSTRAINT "
                                            "TRIGGER attesa AFTER INSERT OR UPDATE OR DELETE ON anticipi DEFERRABLE "
                                            "INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION attesa()"),
                   db);
        Interrompi();
        PGconn *lucchetto = PQconnectdb(Uri(QStringLiteral("esito")).toUtf8().constData());
        PQclear(PQexec(lucchetto, "SELECT pg_advisory_lock(1)"));
        std::thread guasta([&] {
            const QString attesa = scritto ? QStringLiteral("wait_event = 'SyncRep'")
                                           : QStringLiteral("wait_event_type = 'Lock'");
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
        const QString detto = fermato   ? QStringLiteral("non è noto se")
                              : scritto ? QStringLiteral("controllato l'archivio: ")
                                        : QStringLiteral(" non è stat");
        QVERIFY2(Detti().contains(detto) && (fermato || !scritto || !Detti().contains(QStringLiteral(" non è stat"))),
                 qPrintable(Detti()));
        QVERIFY(!fermato || Avvia());
        Amministra(scritto ? QStringLiteral("ALTER DATABASE esito RESET synchronous_commit")
                           : QStringLiteral("DROP TRIGGER attesa ON anticipi"),
                   db);
        Interrompi();

        if (fermato || !scritto) {  // done again, as the message invites
            Ambiente::corrente().messaggi.azzera();
            opera();
            QVERIFY2(!Detti().contains(QStringLiteral("Errore")) &&
                         (!fermato || Detti().contains(QStringLiteral("risponde di nuovo"))),
                     qPrintable(Detti()));
        }
        if (nuovo) {
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='diritti' AND CODICEANA=2")), 1);
            QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
        }
        QCOMPARE(conta(), nuovo ? 2 : elimina ? 0 : 1);
        QCOMPARE(conta(QStringLiteral("USCITA=300000")), elimina || anagrafica ? 0 : 1);
        QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Rossi Mario Srl'")), anagrafica ? 1 : 0);
    }
};

SPESARIO_TEST_MAIN(TstRiavvio)
#include "tst_riavvio.moc"
