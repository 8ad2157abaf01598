// The first start on a desk where the earlier program ran: its archive is looked for where its own
// setting says, then in its default folder; found there, it is offered for conversion in place and
// used from then on. Nothing found, or a desk already set up, starts as before.

#include "convert/scambio.h"
#include "ledger/frmAnticipi.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/convert/comune.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "values/costanti.h"

#include <QDir>
#include <QProcess>

namespace {

QString domanda(const QString &cartella, const QString &nome = QStringLiteral("archivio-access.mdb"))
{
    return QStringLiteral("Il file ") + QDir::toNativeSeparators(cartella + QStringLiteral("/archivio.mdb")) +
           QStringLiteral(" è un archivio del programma precedente. Convertirlo nel nuovo formato? "
                          "L'originale resta intatto come ") +
           nome + QLatin1Char('.');
}

QStringList file(const QString &cartella) { return QDir(cartella).entryList(QDir::Files | QDir::Hidden); }

} // namespace

class TstPrimoAvvio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Ambiente::corrente().azzera();
        QDir(CartellaDatiComuni() + QStringLiteral("/Corvalle")).removeRecursively();
    }
    void cleanup()
    {
        ChiudiFinestre();
        Archivio::Rilascia();
        ImpostaConnessionePrecedente(std::nullopt);
        QDir(CartellaDatiComuni() + QStringLiteral("/Corvalle")).removeRecursively();
    }

    void dalProgrammaPrecedente_data()
    {
        // Where the earlier program's own setting points, and what is there; what the default folder
        // holds; where the program must end up.
        QTest::addColumn<QString>("impostazione");  // "": none; "vuota": a folder without archive;
                                                    // "access", "convertito": a folder with one
        QTest::addColumn<bool>("accessPredefinita");
        QTest::addColumn<QString>("attesa");  // "impostazione" or "predefinita"
        QTest::newRow("la cartella dell'impostazione") << "access" << true << "impostazione";
        QTest::newRow("la cartella predefinita") << "" << true << "predefinita";
        QTest::newRow("impostazione senza archivio, la predefinita") << "vuota" << true << "predefinita";
        QTest::newRow("già convertito da un'altra postazione") << "convertito" << true << "impostazione";
    }

    // Found, the archive is offered in its own folder, converted there with the original kept beside
    // it, every row carried, and the folder stored: the default folder is never made. An archive
    // another desk already converted is opened as it is.
    void dalProgrammaPrecedente()
    {
        QFETCH(QString, impostazione);
        QFETCH(bool, accessPredefinita);
        QFETCH(QString, attesa);
        QTemporaryDir dir;
        const QString precedente = dir.filePath(QStringLiteral("Studio Rossi/Spesario"));
        const QString predefinita = CartellaArchivioPredefinita();
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        if (!impostazione.isEmpty()) {
            QDir().mkpath(precedente);
            // As the earlier program stored it: Windows separators, here with a trailing one.
            ImpostaConnessionePrecedente(QDir::toNativeSeparators(precedente) + QDir::separator());
        }
        if (impostazione == QLatin1String("access"))
            scrivi(QDir(precedente).filePath(NomeFileArchivio), casi);
        if (impostazione == QLatin1String("convertito"))
            CopiaInCartella(dati(QStringLiteral("casi.mdb")), precedente);
        if (accessPredefinita) {
            QDir().mkpath(predefinita);
            scrivi(QDir(predefinita).filePath(NomeFileArchivio), casi);
        }
        const QString cartella = attesa == QLatin1String("impostazione") ? precedente : predefinita;
        const QStringList prima = file(cartella);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {Risposta::Si};
        ApriRegistro();

        QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), cartella);
        QVERIFY(Archivio::ConnArchivio().Aperto());
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(QDir(cartella).filePath(NomeFileArchivio), false)), 16);
        if (impostazione == QLatin1String("convertito")) {
            QCOMPARE(m.testi(), QStringList());
            QCOMPARE(file(cartella), prima);
        } else {
            QCOMPARE(m.testi().value(0), domanda(cartella));
            QVERIFY2(m.testi().value(1).startsWith(
                         QStringLiteral("Conversione terminata: 16 movimenti di 8 clienti.")),
                     qPrintable(m.testi().join(QLatin1Char('|'))));
            QCOMPARE(leggi(QDir(cartella).filePath(QStringLiteral("archivio-access.mdb"))), casi);
            QCOMPARE(file(cartella), (QStringList{QStringLiteral("archivio-access.mdb"), NomeFileArchivio}));
        }
        if (cartella == precedente)
            QVERIFY(!QFileInfo::exists(QDir(predefinita).filePath(QStringLiteral("archivio-access.mdb"))));
        // The default folder's own Access file is left to itself when the earlier program's is taken.
        if (accessPredefinita && cartella == precedente)
            QCOMPARE(leggi(QDir(predefinita).filePath(NomeFileArchivio)), casi);
    }

    // No, or the conversion refused: the folder is kept all the same, untouched and not opened, so
    // the next start offers it again; no empty archive is made in its place.
    void rifiutatoRestaLaCartella()
    {
        QTemporaryDir dir;
        const QString precedente = dir.filePath(QStringLiteral("Spesario"));
        QDir().mkpath(precedente);
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        scrivi(QDir(precedente).filePath(NomeFileArchivio), casi);
        ImpostaConnessionePrecedente(precedente);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {Risposta::No};
        ApriRegistro();
        QCOMPARE(m.testi().value(0), domanda(precedente));
        QVERIFY2(m.testi().value(1).contains(QStringLiteral("ancora nel formato del programma precedente")),
                 qPrintable(m.testi().join(QLatin1Char('|'))));
        QVERIFY(!Archivio::ConnArchivio().Aperto());
        QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), precedente);
        QCOMPARE(file(precedente), QStringList{NomeFileArchivio});
        QVERIFY(!QFileInfo::exists(CartellaArchivioPredefinita()));

        // The next start: the earlier program's setting is gone (another user), the stored folder stays.
        ChiudiFinestre();
        Archivio::Rilascia();
        ImpostaConnessionePrecedente(QString());
        m.azzera();
        m.risposte = {Risposta::Si};
        ApriRegistro();
        QCOMPARE(m.testi().value(0), domanda(precedente));
        QVERIFY(Archivio::ConnArchivio().Aperto());
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(QDir(precedente).filePath(NomeFileArchivio), false)), 16);
        QCOMPARE(leggi(QDir(precedente).filePath(QStringLiteral("archivio-access.mdb"))), casi);
    }

    // Nothing found: a new empty archive in the default folder, as on any first start, and a folder
    // the earlier program named is told, left as it is. A desk already set up looks for nothing.
    void nienteDaTrovare()
    {
        QTemporaryDir dir;
        const QString vuota = dir.filePath(QStringLiteral("Spesario"));
        QDir().mkpath(vuota);
        ImpostaConnessionePrecedente(vuota);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        ApriRegistro();
        const QString predefinita = CartellaArchivioPredefinita();
        QCOMPARE(m.testi(),
                 QStringList{QStringLiteral("È stato creato un nuovo archivio vuoto nella cartella:\n") +
                             QDir::toNativeSeparators(predefinita) +
                             QStringLiteral("\nIl programma precedente indicava la cartella:\n") +
                             QDir::toNativeSeparators(vuota) +
                             QStringLiteral("\ndove non c'è un file archivio.mdb.")});
        QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
        QVERIFY(Archivio::ConnArchivio().Aperto());
        QCOMPARE(file(vuota), QStringList());

        // Set up: the earlier program's archive appearing later is not looked at.
        ChiudiFinestre();
        Archivio::Rilascia();
        scrivi(QDir(vuota).filePath(NomeFileArchivio), leggi(dati(QStringLiteral("casi.mdb"))));
        m.azzera();
        ApriRegistro();
        QCOMPARE(m.testi(), QStringList());
        QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
        QCOMPARE(file(vuota), QStringList{NomeFileArchivio});
    }

    // The program itself, driven as a setup's trial drives it where no one sits at the desk: it
    // goes on from the start window, answers Yes, says each message on standard error and ends; a
    // second start asks nothing.
    void programmaConRispostePreparate()
    {
        QTemporaryDir casa;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), casa.filePath(QStringLiteral("dati")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), casa.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SPESARIO_RISPOSTE"), QStringLiteral("si"));
        const QString cartella = casa.filePath(QStringLiteral("dati/Corvalle/Spesario"));
        QDir().mkpath(cartella);
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        scrivi(QDir(cartella).filePath(NomeFileArchivio), casi);
        auto avvia = [&] {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(ESEGUIBILE_SPESARIO), QStringList());
            const bool finito = p.waitForFinished(120000);
            return std::make_pair(finito && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                                  QString::fromUtf8(p.readAllStandardError()));
        };
        const auto [codice, messaggi] = avvia();
        QCOMPARE(codice, 0);
        QVERIFY2(messaggi.contains(QStringLiteral("Controllo: ") + domanda(cartella)), qPrintable(messaggi));
        const QString fatto = QStringLiteral("Controllo: Conversione terminata: 16 movimenti di 8 clienti.");
        QVERIFY2(messaggi.contains(fatto), qPrintable(messaggi));
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(QDir(cartella).filePath(NomeFileArchivio), false)), 16);
        QCOMPARE(leggi(QDir(cartella).filePath(QStringLiteral("archivio-access.mdb"))), casi);

        const auto [codice2, messaggi2] = avvia();
        QCOMPARE(codice2, 0);
        QVERIFY2(!messaggi2.contains(QStringLiteral("Controllo:")), qPrintable(messaggi2));
    }
};

SPESARIO_TEST_MAIN(TstPrimoAvvio)
#include "tst_primo_avvio.moc"
