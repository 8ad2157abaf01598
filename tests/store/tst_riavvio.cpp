// A PostgreSQL server of this test's own, which it stops and starts (the shared test cluster serves
// other tests at the same time): a save whose confirmation a crash or a dropped connection cut off
// is found out, never booked twice; the first save after a restart goes through; a server that
// speaks Italian is understood. The server speaks Italian when the machine can make that locale.
#include "clients/frmAnagrafiche.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <clocale>
#include <libpq-fe.h>
#include <pwd.h>
#include <thread>
#include <unistd.h>

using namespace Utente;

namespace {

class ServerProprio {
public:
    ServerProprio()
    {
        const QStringList versioni = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &v : versioni)
            if (QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
                m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
        // PostgreSQL refuses root: as root the server runs as nobody, in a folder it owns.
        if (geteuid() == 0) {
            m_come = {QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")};
            if (const passwd *p = getpwnam("nobody"))
                if (chown(QFile::encodeName(m_dir.path()).constData(), p->pw_uid, p->pw_gid) != 0)
                    qWarning("chown");
        }
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    ~ServerProprio() { ferma(true); }

    bool installato() const { return !m_bin.isEmpty(); }
    bool italiano() const { return m_italiano; }

    bool crea()
    {
        // Italian made here, into the test's folder, when the machine has the locale's sources
        // (package locales): nothing of the system changes.
        QDir().mkpath(m_dir.filePath(QStringLiteral("loc")));
        m_italiano = QProcess::execute(QStringLiteral("localedef"),
                                       {QStringLiteral("-i"), QStringLiteral("it_IT"), QStringLiteral("-f"),
                                        QStringLiteral("UTF-8"), m_dir.filePath(QStringLiteral("loc/it_IT.UTF-8"))}) == 0 ||
                     QFileInfo::exists(m_dir.filePath(QStringLiteral("loc/it_IT.UTF-8/LC_MESSAGES")));
        if (!esegui(QStringLiteral("initdb"), {QStringLiteral("-D"), dati(), QStringLiteral("-U"), QStringLiteral("spesario"),
                                              QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                                              QStringLiteral("--locale=C.UTF-8")}))
            return false;
        // One role must give a password, as on the shared cluster.
        QFile hba(dati() + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::ReadOnly))
            return false;
        const QByteArray righe = "local all con_password scram-sha-256\n" + hba.readAll();
        hba.close();
        return hba.open(QIODevice::WriteOnly | QIODevice::Truncate) && hba.write(righe) == righe.size();
    }
    // A commit waits for a standby that never comes only in a session that asks (synchronous_commit
    // on): elsewhere it is local.
    bool avvia()
    {
        QString opzioni = QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off -c synchronous_commit=local "
                                         "-c synchronous_standby_names=nessuno")
                              .arg(m_dir.path());
        if (m_italiano)
            opzioni += QStringLiteral(" -c lc_messages=it_IT.UTF-8");
        return esegui(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dati(), QStringLiteral("-l"),
                                                 m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                                                 QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("-o"), opzioni,
                                                 QStringLiteral("start")});
    }
    bool ferma(bool subito)
    {
        return installato() &&
               esegui(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dati(), QStringLiteral("-m"),
                                                 subito ? QStringLiteral("immediate") : QStringLiteral("fast"),
                                                 QStringLiteral("-w"), QStringLiteral("stop")});
    }
    QString uri(const QString &database, const QString &utente = QStringLiteral("spesario")) const
    {
        return QStringLiteral("postgresql://") + utente + QLatin1Char('@') +
               QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path())) + QLatin1Char('/') + database;
    }
    QString cartellaLocale() const { return m_dir.filePath(QStringLiteral("loc")); }

private:
    QString dati() const { return m_dir.filePath(QStringLiteral("dati")); }
    bool esegui(const QString &programma, const QStringList &argomenti)
    {
        QProcess p;
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QStringLiteral("LOCPATH"), cartellaLocale());
        p.setProcessEnvironment(ambiente);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        const QStringList comando = m_come + QStringList{m_bin + programma} + argomenti;
        p.start(comando.first(), comando.mid(1));
        return p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_come;
    bool m_italiano = false;
};

ServerProprio *server = nullptr;

// A statement as the server's superuser, on a connection of its own (any thread).
QString Amministra(const QString &sql, const QString &database = QStringLiteral("postgres"))
{
    PGconn *c = PQconnectdb(server->uri(database).toUtf8().constData());
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    QString valore;
    if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0)
        valore = QString::fromUtf8(PQgetvalue(r, 0, 0));
    else if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
        qWarning("%s: %s", qPrintable(sql), PQerrorMessage(c));
    PQclear(r);
    PQfinish(c);
    return valore;
}

// The ledger window on a new database of the server.
frmAnticipi *ApriSulServer(const QString &database)
{
    Ambiente::corrente().azzera();
    Amministra(QStringLiteral("DROP DATABASE IF EXISTS ") + database + QStringLiteral(" WITH (FORCE)"));
    Amministra(QStringLiteral("CREATE DATABASE ") + database);
    Impostazioni::Scrivi(Impostazioni::Connessione, server->uri(database));
    return ApriRegistro();
}

// Ends the program's connections to the database, and waits till they are gone: as a restart does,
// seen from the program.
void Interrompi(const QString &database)
{
    Amministra(QStringLiteral("SELECT pg_terminate_backend(pid, 60000) FROM pg_stat_activity WHERE datname = '") +
               database + QStringLiteral("' AND pid <> pg_backend_pid()"));
}

// Waits, on a thread of its own, for the program's COMMIT to hang (`attesa`: a condition on
// pg_stat_activity), then does `azione` to it.
std::thread Trattieni(const QString &database, const QString &attesa, std::function<void(const QString &pid)> azione)
{
    return std::thread([=] {
        for (int i = 0; i < 2000; ++i) {
            const QString pid = Amministra(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = '") + database +
                                           QStringLiteral("' AND ") + attesa);
            if (!pid.isEmpty())
                return azione(pid);
            QThread::msleep(10);
        }
        qWarning("the COMMIT never waited");
    });
}

QString Detti() { return Ambiente::corrente().messaggi.testi().join(QLatin1Char('\n')); }

} // namespace

class TstRiavvio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        static ServerProprio s;
        server = &s;
        if (!s.installato())
            QSKIP("PostgreSQL is not installed (package postgresql)");
        QVERIFY(s.crea());
        QVERIFY(s.avvia());
        Amministra(QStringLiteral("CREATE ROLE con_password LOGIN PASSWORD 'giusta'"));
        // The program's own libpq texts in Italian too, as on an Italian desk.
        if (s.italiano()) {
            qputenv("LOCPATH", QFile::encodeName(s.cartellaLocale()));
            std::setlocale(LC_MESSAGES, "it_IT.UTF-8");
        }
    }
    void cleanup() { chiudi(); }

    // Each refusal told by what it is, whatever language the server speaks: only a server that
    // gives no answer is one "that cannot be reached".
    void rifiutiInItaliano_data()
    {
        QTest::addColumn<QString>("connessione");
        QTest::addColumn<QString>("messaggio");
        QTest::newRow("database sconosciuto") << server->uri(QStringLiteral("non_esiste")) << "database indicato non esiste";
        QTest::newRow("utente sconosciuto") << server->uri(QStringLiteral("postgres"), QStringLiteral("nessuno"))
                                            << "non accetta l'utente";
        QTest::newRow("password sbagliata") << server->uri(QStringLiteral("postgres"), QStringLiteral("con_password"))
                                            << "Accesso al server negato";
        QTest::newRow("nessun server") << QStringLiteral("postgresql://spesario@%2Fnessuna%2Fcartella/spesario")
                                       << "Impossibile raggiungere";
    }
    void rifiutiInItaliano()
    {
        QFETCH(QString, connessione);
        QFETCH(QString, messaggio);
        if (!server->italiano())
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
        // The server's own words follow, in Italian: proof that the case was tried as it should.
        if (messaggio != QLatin1String("Impossibile raggiungere"))
            QVERIFY2(messo.contains(QStringLiteral("FATALE")) || messo.contains(QStringLiteral("password")),
                     qPrintable(messo));
    }

    // The server restarted while the window stayed open: the first save and the first delete go
    // through, on a new connection, without a message.
    void primoSalvataggioDopoIlRiavvio()
    {
        frmAnticipi *w = ApriSulServer(QStringLiteral("riavvio"));
        nuovoCliente(w, QStringLiteral("Verdi Anna"), QStringLiteral("VRDNNA70A41H501Z"));
        scrivi(w->txtUscite, QStringLiteral("12,50"), w->DtpData);
        scriviDescrizione(w, QStringLiteral("bollo"));
        QVERIFY(server->ferma(false));
        QVERIFY(server->avvia());
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(Detti(), QString());
        QCOMPARE(conta(QStringLiteral("DESCRIZIONE='bollo'")), 1);

        Interrompi(QStringLiteral("riavvio"));
        cliccaRiga(w, 0);
        QCOMPARE(Detti(), QString());
        Interrompi(QStringLiteral("riavvio"));
        comando(w, QStringLiteral("Elimina"));
        QCOMPARE(Detti(), QStringLiteral("Confermi eliminazione?"));
        QCOMPARE(conta(), 0);
    }

    // A save whose COMMIT was sent and whose answer never came: the server crashed (its outcome
    // told only once it is back), the connection was cut after the commit, or before it. The user
    // is told which, and saving again never books a second row nor a second client code.
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
        frmAnticipi *w = ApriSulServer(db);
        const bool nuovo = operazione == QLatin1String("nuovo cliente");
        if (!nuovo) {
            InserisciRiga(questAnno(1, 10), QStringLiteral("bollo"), QStringLiteral("0"), QStringLiteral("12,5"),
                          QStringLiteral("Rossi Mario"), QStringLiteral("RSSMRA80A01H501U"), QString(), 1);
            identifica(w, QStringLiteral("RSSMRA80A01H501U"));
            cliccaRiga(w, 0);
        } else {
            InserisciRiga(questAnno(1, 10), QStringLiteral("altro"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("Bianchi"), QStringLiteral("BNC"), QString(), 1);
            nuovoCliente(w, QStringLiteral("Verdi Anna"), QStringLiteral("VRDNNA70A41H501Z"));
        }
        const bool anagrafica = operazione == QLatin1String("anagrafica");
        if (anagrafica) {
            w->Comando_ModificaAnagrafica();
            scrivi(frmAnagrafiche::Esistente()->txtDenominazione, QStringLiteral("Rossi Mario Srl"));
        } else if (operazione != QLatin1String("riga eliminata")) {
            scrivi(w->txtUscite, QStringLiteral("30,00"), w->DtpData);
            scriviDescrizione(w, QStringLiteral("diritti"));
        }

        // Held at its COMMIT: waiting for a standby that never comes (written, answer not sent), or
        // for a lock a deferred trigger takes (not written).
        const bool scritto = !guasto.startsWith(QLatin1String("non scritto"));
        if (scritto) {
            Amministra(QStringLiteral("ALTER DATABASE esito SET synchronous_commit = on"));
        } else {
            Amministra(QStringLiteral("CREATE FUNCTION attesa() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                                      "PERFORM pg_advisory_xact_lock(4242); RETURN NULL; END $$"),
                       db);
            Amministra(QStringLiteral("CREATE CONSTRAINT TRIGGER attesa AFTER INSERT OR UPDATE OR DELETE ON anticipi "
                                      "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION attesa()"),
                       db);
        }
        Interrompi(db);  // the program's next session takes the settings above
        PGconn *lucchetto = PQconnectdb(server->uri(db).toUtf8().constData());
        PQclear(PQexec(lucchetto, "SELECT pg_advisory_lock(4242)"));
        const bool fermato = guasto == QLatin1String("server fermato");
        std::thread t = Trattieni(db, scritto ? QStringLiteral("wait_event = 'SyncRep'") : QStringLiteral("wait_event_type = 'Lock'"),
                                  [fermato](const QString &pid) {
                                      if (fermato)
                                          server->ferma(true);
                                      else
                                          Amministra(QStringLiteral("SELECT pg_terminate_backend(") + pid + QLatin1Char(')'));
                                  });
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.azzera();
        auto opera = [&] {
            if (anagrafica)
                QTest::mouseClick(frmAnagrafiche::Esistente()->cmdOk, Qt::LeftButton);
            else
                comando(w, operazione == QLatin1String("riga eliminata") ? QStringLiteral("Elimina")
                                                                         : QStringLiteral("Salva"));
        };
        opera();
        t.join();
        PQfinish(lucchetto);
        if (fermato) {
            QVERIFY2(Detti().contains(QStringLiteral("non è noto se")), qPrintable(Detti()));
            QVERIFY(server->avvia());
        } else if (scritto) {
            QVERIFY2(Detti().contains(QStringLiteral("ha controllato l'archivio:")) &&
                         !Detti().contains(QStringLiteral(" non è stat")),
                     qPrintable(Detti()));
        } else {
            QVERIFY2(Detti().contains(QStringLiteral("non è stat")), qPrintable(Detti()));
        }
        if (scritto)
            Amministra(QStringLiteral("ALTER DATABASE esito RESET synchronous_commit"));
        else
            Amministra(QStringLiteral("DROP TRIGGER attesa ON anticipi"), db);
        Interrompi(db);

        // Tried again as the message invites, when it did not say the work was done: the window
        // still holds what was typed.
        if (!scritto || fermato) {
            m.azzera();
            QVERIFY(!anagrafica || frmAnagrafiche::Esistente());
            opera();
            QVERIFY2(!Detti().contains(QStringLiteral("Errore")), qPrintable(Detti()));
            if (fermato)
                QVERIFY2(Detti().contains(QStringLiteral("risponde di nuovo")), qPrintable(Detti()));
        }
        if (operazione == QLatin1String("nuovo cliente")) {
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='diritti'")), 1);
            QCOMPARE(conta(QStringLiteral("CODICEANA=2")), 1);
            QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
        } else if (operazione == QLatin1String("riga modificata")) {
            QCOMPARE(conta(), 1);
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='diritti' AND USCITA=300000")), 1);
        } else if (operazione == QLatin1String("riga eliminata")) {
            QCOMPARE(conta(), 0);
        } else {
            QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Rossi Mario Srl'")), 1);
        }
    }
};

SPESARIO_TEST_MAIN(TstRiavvio)
#include "tst_riavvio.moc"
