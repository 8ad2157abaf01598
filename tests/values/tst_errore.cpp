#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"
#include "widgets/segnalazione.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QMessageBox>
#include <QTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

class TstErrore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void rigaDelLog();
    void unaRigaPerSegnalazione_data();
    void unaRigaPerSegnalazione();
    void messaggio_data();
    void messaggio();
    void noTerminaIlProgramma();
    void siProsegueColPassoSeguente();
    void erroreNonApp();
    void logNonScrivibile();
    void siNoSenzaEscNeChiusura_data();
    void siNoSenzaEscNeChiusura();
    void siNoSoloClicOInvio_data();
    void siNoSoloClicOInvio();
    void programmaInstallato();
};

void TstErrore::init() { Ambiente::corrente().azzera(); }

void TstErrore::rigaDelLog()
{
    const QDateTime prima = QDateTime::currentDateTime().addSecs(-1);
    SegnalaErrore(QStringLiteral("Salva"), ErroreApp(3021, QStringLiteral("Nessun record corrente.")));
    const QDateTime dopo = QDateTime::currentDateTime().addSecs(1);

    const QString log = Ambiente::corrente().righeLog();
    static const QRegularExpression forma(
        QStringLiteral("^3021 Nessun record corrente\\. (\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d)\r\n$"));
    const QRegularExpressionMatch m = forma.match(log);
    QVERIFY2(m.hasMatch(), qPrintable(log));
    const QDateTime quando = QDateTime::fromString(m.captured(1), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    QVERIFY(quando.isValid());
    QVERIFY(quando >= prima.addMSecs(-prima.time().msec()) && quando <= dopo);

    // The log only grows.
    SegnalaErrore(QString(), ErroreApp(-2147483647 - 1, QStringLiteral("Il minimo")));
    const QStringList righe = Ambiente::corrente().righeLog().split(QStringLiteral("\r\n"));
    QCOMPARE(righe.size(), 3);
    QVERIFY(righe[0].startsWith(QStringLiteral("3021 ")));
    QVERIFY(righe[1].startsWith(QStringLiteral("-2147483648 Il minimo ")));
    QCOMPARE(righe[2], QString());
}

void TstErrore::unaRigaPerSegnalazione_data()
{
    QTest::addColumn<int>("risposta");
    QTest::addColumn<QString>("descrizione");
    QTest::newRow("sì") << int(Risposta::Si) << "Divisione per zero";
    QTest::newRow("no") << int(Risposta::No) << "Divisione per zero";
    QTest::newRow("a capo nel testo") << int(Risposta::Si) << "disk I/O error\r\nriga due\nriga tre";
    QTest::newRow("a capo, poi no") << int(Risposta::No) << "uno\ndue";
}

void TstErrore::unaRigaPerSegnalazione()
{
    QFETCH(int, risposta);
    QFETCH(QString, descrizione);
    Ambiente::corrente().messaggi.risposte << Risposta(risposta);
    SegnalaErrore(QString(), ErroreApp(10, descrizione));
    const QString log = Ambiente::corrente().righeLog();
    QCOMPARE(log.count(QLatin1Char('\n')), 1);
    QCOMPARE(log.count(QLatin1Char('\r')), 1);
    QVERIFY(log.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(Ambiente::corrente().messaggi.messaggi.size(), 1);
    QCOMPARE(Ambiente::corrente().uscite, risposta == int(Risposta::No) ? 1 : 0);
}

void TstErrore::messaggio_data()
{
    QTest::addColumn<QString>("etichetta");
    QTest::addColumn<QString>("titolo");
    QTest::newRow("vuota") << "" << "Errore ";
    QTest::newRow("procedura") << "ControlloCodiceAna" << "Errore ControlloCodiceAna";
    QTest::newRow("finestra") << "Gestione spese anticipate" << "Errore Gestione spese anticipate";
}

void TstErrore::messaggio()
{
    QFETCH(QString, etichetta);
    QFETCH(QString, titolo);
    SegnalaErrore(etichetta, ErroreApp(13, QStringLiteral("Tipo non corrispondente")));
    const auto &messaggi = Ambiente::corrente().messaggi.messaggi;
    QCOMPARE(messaggi.size(), 1);
    QCOMPARE(messaggi[0].testo, QStringLiteral("Errore N.13 Descrizione: Tipo non corrispondente Continuare?"));
    QCOMPARE(messaggi[0].titolo, titolo);
    QCOMPARE(messaggi[0].icona, Icona::Critico);
    QCOMPARE(messaggi[0].pulsanti, Pulsanti::SiNo);
}

void TstErrore::noTerminaIlProgramma()
{
    // The log line is written before the question, so that it is there when the program ends.
    QString logAllaDomanda;
    Ambiente::corrente().messaggi.allaDomanda = [&](const Messaggio &) {
        logAllaDomanda = Ambiente::corrente().righeLog();
    };
    Ambiente::corrente().messaggi.risposte << Risposta::No;
    EseguiPasso(QString(), [] { throw ErroreApp(5, QStringLiteral("Chiamata non valida")); });
    QCOMPARE(Ambiente::corrente().uscite, 1);
    QVERIFY(logAllaDomanda.startsWith(QStringLiteral("5 Chiamata non valida ")));
}

void TstErrore::siProsegueColPassoSeguente()
{
    QStringList fatti;
    Ambiente::corrente().messaggi.risposte << Risposta::Si;
    const bool primo = EseguiPasso(QStringLiteral("Salva"), [&] {
        fatti << "primo";
        throw ErroreApp(3021, QStringLiteral("Nessun record corrente."));
        fatti << "mai";
    });
    const bool secondo = EseguiPasso(QStringLiteral("Salva"), [&] { fatti << "secondo"; });
    QVERIFY(!primo);
    QVERIFY(secondo);
    QCOMPARE(fatti, (QStringList{"primo", "secondo"}));
    QCOMPARE(Ambiente::corrente().uscite, 0);
    QCOMPARE(Ambiente::corrente().messaggi.messaggi.size(), 1);
    QCOMPARE(Ambiente::corrente().messaggi.messaggi[0].titolo, QStringLiteral("Errore Salva"));
    QCOMPARE(Ambiente::corrente().righeLog().count(QLatin1Char('\n')), 1);
}

void TstErrore::erroreNonApp()
{
    // A failure of the language run time is reported as well, never let through.
    const bool ok = EseguiPasso(QString(), [] { throw std::runtime_error("vector::at"); });
    QVERIFY(!ok);
    QCOMPARE(Ambiente::corrente().messaggi.messaggi.size(), 1);
    QCOMPARE(Ambiente::corrente().messaggi.messaggi[0].testo, QStringLiteral("Errore N.-1 Descrizione: vector::at Continuare?"));
}

void TstErrore::logNonScrivibile()
{
    // A regular file where the log's folder should be: fails even for root.
    const QString blocco = Ambiente::corrente().cartella() + QStringLiteral("/blocco-log");
    {
        QFile f(blocco);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString riserva = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/LOGERR");
    QFile::remove(riserva);
    ImpostaCartellaLog(blocco + QStringLiteral("/programma"));
    SegnalaErrore(QString(), ErroreApp(75, QStringLiteral("Errore di accesso al percorso")));
    SegnalaErrore(QString(), ErroreApp(76, QStringLiteral("Percorso non trovato")));
    ImpostaCartellaLog(Ambiente::corrente().cartella());
    QFile::remove(blocco);

    QCOMPARE(Ambiente::corrente().messaggi.messaggi.size(), 2);
    QFile f(riserva);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(riserva));
    const QString log = QString::fromUtf8(f.readAll());
    QVERIFY(riserva.startsWith(Ambiente::corrente().cartella()) || !CartelleUtenteDellaProva());
    QCOMPARE(log.count(QStringLiteral("\r\n")), 2);
    QVERIFY(log.startsWith(QStringLiteral("75 Errore di accesso al percorso ")));
    f.close();
    QFile::remove(riserva);
}

// The real boxes: one with only Yes and No ignores Esc and its close button (on the error reporter a
// No ends the program), one with OK alone still closes with Esc.
void TstErrore::siNoSenzaEscNeChiusura_data()
{
    QTest::addColumn<bool>("siNo");
    QTest::newRow("Sì/No, errore") << true;
    QTest::newRow("solo OK") << false;
}

void TstErrore::siNoSenzaEscNeChiusura()
{
    QFETCH(bool, siNo);
    Messaggi::impostaServizio(nullptr);
    bool apertoDopoEsc = false, apertoDopoChiusura = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        QTest::keyClick(box, Qt::Key_Escape);
        apertoDopoEsc = box->isVisible();
        if (!apertoDopoEsc)
            return;
        box->close();
        apertoDopoChiusura = box->isVisible();
        if (QAbstractButton *si = box->button(QMessageBox::Yes))
            si->click();
    });
    if (siNo) {
        SegnalaErrore(QString(), ErroreApp(5, QStringLiteral("Chiamata non valida")));
        QCOMPARE(Ambiente::corrente().uscite, 0);
    } else {
        Messaggi::informa(nullptr, QStringLiteral("Esportazione terminata"), QStringLiteral("Controllo:"));
    }
    Messaggi::impostaServizio(&Ambiente::corrente().messaggi);
    QCOMPARE(apertoDopoEsc, siNo);
    QCOMPARE(apertoDopoChiusura, siNo);
}

// The real Yes/No box, met by a clerk still typing: no key answers it (S and N, with Alt too, Tab and
// Space towards a button, Esc) but Enter, which gives the default, the safe answer; a click either.
void TstErrore::siNoSoloClicOInvio_data()
{
    QTest::addColumn<int>("predefinito");
    QTest::addColumn<QString>("risposta");  // "Invio", or the button clicked
    QTest::addColumn<bool>("si");
    QTest::newRow("Continuare? Invio prosegue") << int(Risposta::Si) << "Invio" << true;
    QTest::newRow("Confermi eliminazione? Invio non elimina") << int(Risposta::No) << "Invio" << false;
    QTest::newRow("clic su No") << int(Risposta::Si) << "No" << false;
    QTest::newRow("clic su Sì") << int(Risposta::No) << "Sì" << true;
}

void TstErrore::siNoSoloClicOInvio()
{
    QFETCH(int, predefinito);
    QFETCH(QString, risposta);
    QFETCH(bool, si);
    Messaggi::impostaServizio(nullptr);
    bool aperto = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        auto fuoco = [box]() -> QWidget * {
            return QApplication::focusWidget() ? QApplication::focusWidget() : box;
        };
        QTest::keyClicks(fuoco(), QStringLiteral("RSSMRA80A01H501U snSN"));
        for (Qt::Key k : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Backtab, Qt::Key_Space, Qt::Key_Escape})
            QTest::keyClick(fuoco(), k);
        QTest::keyClick(fuoco(), Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(fuoco(), Qt::Key_N, Qt::AltModifier);
        // A button a key pressed stays down until its click comes, a moment later.
        QAbstractButton *si = box->button(QMessageBox::Yes), *no = box->button(QMessageBox::No);
        aperto = box->isVisible() && !si->isDown() && !no->isDown();
        if (aperto && risposta == QLatin1String("Invio"))
            QTest::keyClick(fuoco(), Qt::Key_Return);
        else if (aperto)
            QTest::mouseClick(risposta == QLatin1String("No") ? no : si, Qt::LeftButton);
    });
    const bool r = Messaggi::chiedi(nullptr, QStringLiteral("Continuare?"), QString(), Risposta(predefinito));
    Messaggi::impostaServizio(&Ambiente::corrente().messaggi);
    QVERIFY(aperto);
    QCOMPARE(r, si);
}

void TstErrore::programmaInstallato()
{
    // Installed by the package, the program never writes beside itself, even where it could (as root).
    const QString dati = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(CartellaLogPredefinita(QStringLiteral(SPESARIO_CARTELLA_INSTALLATA)), dati);
    QCOMPARE(CartellaLogPredefinita(QStringLiteral(SPESARIO_CARTELLA_INSTALLATA "/")), dati);
    // Anywhere else (the build tree, a folder of the office's own) the log stays beside the program.
    const QString altrove = Ambiente::corrente().cartella();
    QCOMPARE(CartellaLogPredefinita(altrove), altrove);
}

SPESARIO_TEST_MAIN(TstErrore)
#include "tst_errore.moc"
