// Help for the user: `spesario --help` and `--version` without a display, the local guide the Help
// menu opens, the page the build rendered, and what the user is told when nothing can open a link.
#include "app/frmStart.h"
#include "widgets/collegamenti.h"
#include "tests/support/ambiente.h"

#include <QPointer>
#include <QProcess>
#include <QRegularExpression>

namespace {
// The real program, started as from a terminal with no display at all: a Qt application would abort.
QProcess *avviaSenzaSchermo(QObject *padre, const QStringList &argomenti, const QString &casa)
{
    auto *p = new QProcess(padre);
    QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        amb.remove(QString::fromLatin1(v));
    amb.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    amb.insert(QStringLiteral("HOME"), casa);
    amb.insert(QStringLiteral("XDG_CONFIG_HOME"), casa + QStringLiteral("/config"));
    amb.insert(QStringLiteral("XDG_DATA_HOME"), casa + QStringLiteral("/dati"));
    p->setProcessEnvironment(amb);
    p->start(QStringLiteral(SPESARIO_PROGRAMMA), argomenti);
    return p;
}

void scrivi(const QString &percorso)
{
    QVERIFY(QDir().mkpath(QFileInfo(percorso).path()));
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<html></html>");
}
} // namespace

class TstAiuto : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }
    void cleanup() { Collegamenti::ImpostaApertura(nullptr); }

    void rigaDiComando_data()
    {
        QTest::addColumn<QString>("opzione");
        QTest::addColumn<QStringList>("attesi");  // pieces the output must hold
        const QStringList uso{QStringLiteral("Uso: spesario"), QStringLiteral("--copia-archivio ORIGINE DESTINAZIONE"),
                              QStringLiteral("archivio.mdb"), QStringLiteral("postgresql://"),
                              QStringLiteral("--version")};
        QTest::newRow("--help") << QStringLiteral("--help") << uso;
        QTest::newRow("-h") << QStringLiteral("-h") << uso;
        const QStringList versione{QStringLiteral("spesario " SPESARIO_VERSIONE "\n")};
        QTest::newRow("--version") << QStringLiteral("--version") << versione;
        QTest::newRow("-v") << QStringLiteral("-v") << versione;
    }
    void rigaDiComando()
    {
        QFETCH(QString, opzione);
        QFETCH(QStringList, attesi);
        QTemporaryDir casa;
        QProcess *p = avviaSenzaSchermo(this, {opzione}, casa.path());
        QVERIFY(p->waitForFinished(30000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p->readAllStandardError()), QString());
        // A Windows console program ends its lines with CR LF.
        const QString uscita = QString::fromUtf8(p->readAllStandardOutput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        for (const QString &a : attesi)
            QVERIFY2(uscita.contains(a), qPrintable(a + QStringLiteral(" in:\n") + uscita));
        // Nothing written in the user's folders: no settings, no archive.
        QVERIFY(QDir(casa.path()).isEmpty());
    }

    // The same environment without an option does need a display: the check above means something.
    void senzaOpzioneServeUnoSchermo()
    {
        QTemporaryDir casa;
        QProcess *p = avviaSenzaSchermo(this, {}, casa.path());
        QVERIFY(p->waitForFinished(30000));
        QVERIFY(p->exitStatus() == QProcess::CrashExit || p->exitCode() != 0);
    }

    void guidaLocale()
    {
        const QString base = Ambiente::corrente().cartella() + QStringLiteral("/guide");
        const QString installata = base + QStringLiteral("/usr/share/doc/spesario/guida.html");
        const QString compilata = base + QStringLiteral("/build/docs/guida.html");
        QCOMPARE(Collegamenti::GuidaLocale(base + QStringLiteral("/usr/bin")), QString());
        scrivi(installata);
        scrivi(compilata);
        QCOMPARE(Collegamenti::GuidaLocale(base + QStringLiteral("/usr/bin")), installata);
        QCOMPARE(Collegamenti::GuidaLocale(base + QStringLiteral("/build/app")), compilata);
        // Beside the program, as the Windows setup puts it.
        const QString accanto = base + QStringLiteral("/Spesario/guida.html");
        scrivi(accanto);
        QCOMPARE(Collegamenti::GuidaLocale(base + QStringLiteral("/Spesario")), accanto);
        // A folder where the page should be is not a guide.
        QVERIFY(QDir().mkpath(base + QStringLiteral("/altro/docs/guida.html")));
        QCOMPARE(Collegamenti::GuidaLocale(base + QStringLiteral("/altro/bin")), QString());
        // This test's own folder has no guide: the Help menu falls back to the online manual.
        QCOMPARE(Collegamenti::Guida(), Collegamenti::Manuale());
    }

    // The start window's "Help in linea" opens what the ledger's Help opens: the local guide first.
    void aiutoDallAvvio()
    {
        QUrl aperto;
        Collegamenti::ImpostaApertura([&aperto](const QUrl &u) { aperto = u; });
        QPointer<frmStart> f = frmStart::Istanza();
        f->PushButton4->click();
        QCOMPARE(aperto, Collegamenti::Guida());
        delete f;
    }

    // Neither xdg-open nor a browser to be found: the user is told which address to open by hand.
    void nessunProgrammaPerAprire_data()
    {
        QTest::addColumn<QUrl>("indirizzo");
        QTest::addColumn<QString>("mostrato");
        const QString guida = Ambiente::corrente().cartella() + QStringLiteral("/guida.html");
        QTest::newRow("guida") << QUrl::fromLocalFile(guida) << QDir::toNativeSeparators(guida);
        QTest::newRow("sito") << Collegamenti::Manuale() << Collegamenti::Manuale().toString();
        QTest::newRow("posta") << Collegamenti::Assistenza()
                               << QStringLiteral("mailto:") + QString::fromLatin1(Collegamenti::PostaAssistenza);
    }
    void nessunProgrammaPerAprire()
    {
        QFETCH(QUrl, indirizzo);
        QFETCH(QString, mostrato);
        const QByteArray path = qgetenv("PATH"), browser = qgetenv("BROWSER");
        qputenv("PATH", QFile::encodeName(Ambiente::corrente().cartella()));
        qunsetenv("BROWSER");
        Collegamenti::Apri(indirizzo);
        qputenv("PATH", path);
        if (!browser.isEmpty())
            qputenv("BROWSER", browser);
        QCOMPARE(Ambiente::corrente().messaggi.messaggi.size(), 1);
        const Messaggio m = Ambiente::corrente().messaggi.messaggi.at(0);
        QVERIFY2(m.testo.contains(mostrato), qPrintable(m.testo));
        QVERIFY(m.testo.contains(QStringLiteral("xdg-utils")));
        QCOMPARE(m.pulsanti, Pulsanti::Ok);
    }

    // The page the build rendered from docs/guida.md: every link inside it lands on a heading and
    // every picture is beside it, as the package installs them.
    void guidaCompilata()
    {
        QFile f(QStringLiteral(SPESARIO_GUIDA_HTML));
        QVERIFY2(f.open(QIODevice::ReadOnly), "guida non compilata: manca python3-markdown?");
        const QString pagina = QString::fromUtf8(f.readAll());
        QVERIFY(pagina.contains(QStringLiteral("<title>Gestione spese anticipate: guida per l'utente</title>")));
        QSet<QString> ancore;
        for (const auto &m : QRegularExpression(QStringLiteral("id=\"([^\"]+)\"")).globalMatch(pagina))
            ancore.insert(m.captured(1));
        int collegamenti = 0;
        for (const auto &m : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(pagina)) {
            QVERIFY2(ancore.contains(m.captured(1)), qPrintable(m.captured(1)));
            ++collegamenti;
        }
        QVERIFY(collegamenti >= 13);
        const QDir cartella = QFileInfo(f).dir();
        int immagini = 0;
        for (const auto &m : QRegularExpression(QStringLiteral("<img [^>]*src=\"([^\"]+)\"")).globalMatch(pagina)) {
            QVERIFY2(QImage(cartella.filePath(m.captured(1))).width() > 100, qPrintable(m.captured(1)));
            ++immagini;
        }
        QVERIFY(immagini >= 10);
    }
};

SPESARIO_TEST_MAIN(TstAiuto)
#include "tst_aiuto.moc"
