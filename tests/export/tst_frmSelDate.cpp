#include "export/frmSelDate.h"
#include "ledger/frmAnticipi.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

// The period window as the user meets it: its dates, its two modes, and the export sequence around
// the file dialog, the replace question and a file that cannot be written.
class TstFrmSelDate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void controlli();
    void dateIniziali_data();
    void dateIniziali();
    void modi();
    void annulla();
    void dialogoAnnullato();
    void sostituireNo();
    void sostituireSi();
    void movimentiNuovoFile();
    void invioPeriodoVuoto();
    void scritturaImpossibile_data();
    void scritturaImpossibile();
    void modoDalRegistro();

private:
    static frmSelDate *apri(const QString &caso, QWidget *proprietario = nullptr)
    {
        frmSelDate *f = frmSelDate::Istanza(proprietario);
        f->txtCaso->setText(caso);
        f->show();
        return f;
    }
    static void scaricati() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    static QString desktop(const QString &nome) { return QDir(CartellaDesktop()).filePath(nome); }
    static void scriviFile(const QString &percorso, const QByteArray &byte)
    {
        QFile f(percorso);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(byte);
    }
    static QByteArray leggiFile(const QString &percorso)
    {
        QFile f(percorso);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }
};

void TstFrmSelDate::init()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-03-01", "primo", "100", "0", "Rossi", "RSS", "123", 1);
    InserisciRiga("2026-03-05", "secondo", "0", "12,25", "Rossi", "RSS", "123", 1);
    // The exports go to the desktop: it must be the test's own before anything is emptied there.
    const QString scrivania = CartellaDesktop();
    QVERIFY2(!scrivania.isEmpty() && scrivania.startsWith(Ambiente::corrente().cartella() + QLatin1Char('/')),
             qPrintable(scrivania));
    QDir(scrivania).removeRecursively();
    QDir().mkpath(scrivania);
}

void TstFrmSelDate::cleanup()
{
    if (frmSelDate *f = frmSelDate::Esistente())
        delete f;
    if (frmAnticipi *a = frmAnticipi::Esistente())
        delete a;
    scaricati();
}

void TstFrmSelDate::controlli()
{
    frmSelDate *f = apri(QStringLiteral("0"));
    QCOMPARE(f->windowTitle(), QStringLiteral("Seleziona il periodo"));
    QVERIFY(f->findChild<QGroupBox *>("gbSel"));
    QCOMPARE(f->findChild<QLabel *>("Label1_0")->text(), QStringLiteral("Da:"));
    QCOMPARE(f->findChild<QLabel *>("Label1_1")->text(), QStringLiteral("A:"));
    for (const char *nome : {"DtpData_0", "DtpData_1"})
        QCOMPARE(f->findChild<QDateEdit *>(nome)->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    QVERIFY(f->findChild<QProgressBar *>("PBar"));
    QCOMPARE(f->findChild<QPushButton *>("cmdOk")->text(), QStringLiteral("OK"));
    QCOMPARE(f->findChild<QPushButton *>("cmdAnnulla")->text(), QStringLiteral("Annulla"));
    QVERIFY(f->findChild<QLineEdit *>("txtCaso")->isHidden());
    QCOMPARE(frmSelDate::Istanza(nullptr), f);  // one window at most
}

void TstFrmSelDate::dateIniziali_data()
{
    const QDate oggi = QDate::currentDate();
    const QDate capodanno(oggi.year(), 1, 1);
    QTest::addColumn<QString>("dataI");
    QTest::addColumn<QString>("dataF");
    QTest::addColumn<QDate>("inizio");
    QTest::addColumn<QDate>("fine");
    QTest::newRow("primo avvio") << QString() << QString() << capodanno << oggi;
    QTest::newRow("testo qualsiasi") << "abc" << "ieri" << capodanno << oggi;
    QTest::newRow("giorno inesistente") << "31/02/2025" << "00/01/2025" << capodanno << oggi;
    QTest::newRow("anno a due cifre") << "05/03/25" << "05/03/25" << capodanno << oggi;
    QTest::newRow("date salvate") << "05/03/2025" << "10/04/2025" << QDate(2025, 3, 5) << QDate(2025, 4, 10);
}

void TstFrmSelDate::dateIniziali()
{
    QFETCH(QString, dataI);
    QFETCH(QString, dataF);
    QFETCH(QDate, inizio);
    QFETCH(QDate, fine);
    if (!dataI.isEmpty())
        Impostazioni::Scrivi(Impostazioni::DataI, dataI);
    if (!dataF.isEmpty())
        Impostazioni::Scrivi(Impostazioni::DataF, dataF);
    frmSelDate *f = apri(QStringLiteral("0"));
    QCOMPARE(f->DtpData[0]->date(), inizio);
    QCOMPARE(f->DtpData[1]->date(), fine);
    QVERIFY(messaggi().messaggi.isEmpty());  // a bad stored date falls back silently
}

void TstFrmSelDate::modi()
{
    frmSelDate *f = apri(QStringLiteral("1"));
    QCOMPARE(f->Label1[0]->text(), QStringLiteral("Saldo al:"));
    QCOMPARE(f->Label1[0]->width(), f->Twips(2075));
    QVERIFY(f->Label1[1]->isHidden());
    QVERIFY(f->DtpData[0]->isHidden());
    QVERIFY(f->DtpData[1]->isVisible());
    // The widened caption stops short of the one picker.
    QVERIFY(f->Label1[0]->geometry().right() < f->DtpData[1]->x());

    f->txtCaso->setText(QStringLiteral("0"));
    QCOMPARE(f->Label1[0]->text(), QStringLiteral("Da:"));
    QCOMPARE(f->Label1[1]->text(), QStringLiteral("A:"));
    QCOMPARE(f->Label1[0]->width(), f->Twips(375));
    for (QWidget *w : {static_cast<QWidget *>(f->Label1[0]), static_cast<QWidget *>(f->Label1[1]),
                       static_cast<QWidget *>(f->DtpData[0]), static_cast<QWidget *>(f->DtpData[1])})
        QVERIFY(w->isVisible());
    QVERIFY(f->DtpData[0]->geometry().right() < f->Label1[1]->x());

    // Any other mode leaves the layout and does nothing on OK.
    f->txtCaso->setText(QStringLiteral("2"));
    QCOMPARE(f->Label1[0]->text(), QStringLiteral("Da:"));
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QVERIFY(messaggi().richiesteFile.isEmpty());
}

void TstFrmSelDate::annulla()
{
    frmSelDate *f = apri(QStringLiteral("0"));
    f->DtpData[0]->setDate(QDate(2024, 2, 3));
    QTest::mouseClick(f->cmdAnnulla, Qt::LeftButton);
    scaricati();
    QVERIFY(!frmSelDate::Esistente());
    QVERIFY(Impostazioni::Leggi(Impostazioni::DataI).isEmpty());
    QVERIFY(Impostazioni::Leggi(Impostazioni::DataF).isEmpty());
}

void TstFrmSelDate::dialogoAnnullato()
{
    for (const QString &caso : {QStringLiteral("0"), QStringLiteral("1")}) {
        messaggi().azzera();
        frmSelDate *f = apri(caso);
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);  // no answer scripted: the dialog is cancelled
        QCOMPARE(messaggi().richiesteFile.size(), 1);
        const RichiestaFile r = messaggi().richiesteFile.first();
        QCOMPARE(r.nomeIniziale, caso == "0" ? QStringLiteral("Export.csv") : QStringLiteral("Anticipazioni.csv"));
        QCOMPARE(r.filtro, QStringLiteral("File CSV | *.csv"));
        QCOMPARE(r.cartella, CartellaDesktop());
        QVERIFY(messaggi().messaggi.isEmpty());
        QVERIFY(f->isVisible() && f->isEnabled());
        QVERIFY(Impostazioni::Leggi(Impostazioni::DataI).isEmpty());
        QVERIFY(QDir(CartellaDesktop()).isEmpty());
    }
}

void TstFrmSelDate::sostituireNo()
{
    const QString percorso = desktop(QStringLiteral("Export.csv"));
    scriviFile(percorso, "vecchio contenuto\r\n");
    frmSelDate *f = apri(QStringLiteral("0"));
    messaggi().file << percorso;
    messaggi().risposte << Risposta::No;
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio m = messaggi().messaggi.first();
    QCOMPARE(m.testo, QStringLiteral("Sostituire il file ") + percorso + QStringLiteral(" ?"));
    QCOMPARE(m.titolo, QStringLiteral("Controllo:"));
    QCOMPARE(m.icona, Icona::Informazione);
    QCOMPARE(m.pulsanti, Pulsanti::SiNo);
    QCOMPARE(m.predefinito, Risposta::No);
    QCOMPARE(leggiFile(percorso), QByteArray("vecchio contenuto\r\n"));
    QVERIFY(f->isVisible() && f->isEnabled());
    QVERIFY(Impostazioni::Leggi(Impostazioni::DataI).isEmpty());
}

void TstFrmSelDate::sostituireSi()
{
    auto *registro = frmAnticipi::Istanza();
    const QString percorso = desktop(QStringLiteral("Anticipazioni.csv"));
    scriviFile(percorso, QByteArray(5000, 'x'));  // longer than the new content
    frmSelDate *f = apri(QStringLiteral("1"), registro);
    f->DtpData[0]->setDate(QDate(2026, 2, 1));
    f->DtpData[1]->setDate(QDate(2026, 3, 4));
    messaggi().file << percorso;
    messaggi().risposte << Risposta::Si;
    bool controllato = false;
    messaggi().allaDomanda = [&](const Messaggio &m) {
        if (m.testo != QLatin1String("Esportazione terminata"))
            return;
        controllato = true;
        // The closing box: the bar full (one group read, plus ten), the window still busy, and the
        // ledger window not allowed to take the export away with it.
        QCOMPARE(f->PBar->maximum(), 11);
        QCOMPARE(f->PBar->value(), 11);
        QVERIFY(!f->isEnabled());
        QVERIFY(QApplication::overrideCursor());
        QVERIFY(!registro->close());
        QCOMPARE(m.titolo, QStringLiteral("Controllo:"));
        QCOMPARE(m.icona, Icona::Informazione);
    };
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QVERIFY(controllato);
    QCOMPARE(messaggi().testi(),
             QStringList({QStringLiteral("Sostituire il file ") + percorso + QStringLiteral(" ?"),
                          QStringLiteral("Esportazione terminata")}));
    QCOMPARE(leggiFile(percorso), QByteArray("Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\nRossi;RSS;123;100\r\n"));
    QCOMPARE(Impostazioni::Leggi(Impostazioni::DataI), QStringLiteral("01/02/2026"));
    QCOMPARE(Impostazioni::Leggi(Impostazioni::DataF), QStringLiteral("04/03/2026"));
    QVERIFY(!QApplication::overrideCursor());
    scaricati();
    QVERIFY(!frmSelDate::Esistente());
    QVERIFY(frmAnticipi::Esistente());
    // The next export starts again from the default name on the desktop.
    f = apri(QStringLiteral("0"), registro);
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().richiesteFile.last().nomeIniziale, QStringLiteral("Export.csv"));
    QCOMPARE(messaggi().richiesteFile.last().cartella, CartellaDesktop());
}

void TstFrmSelDate::movimentiNuovoFile()
{
    // A new file: no question; the period runs from the first picker to the second.
    const QString percorso = desktop(QStringLiteral("Movimenti marzo.csv"));
    frmSelDate *f = apri(QStringLiteral("0"));
    f->DtpData[0]->setDate(QDate(2026, 3, 2));
    f->DtpData[1]->setDate(QDate(2026, 3, 5));
    messaggi().file << percorso;
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Esportazione terminata")});
    QCOMPARE(leggiFile(percorso),
             QByteArray("Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n"
                        "05/03/2026;secondo;0;12,25;Rossi;RSS;123\r\n"));
    QCOMPARE(Impostazioni::Leggi(Impostazioni::DataI), QStringLiteral("02/03/2026"));
    QVERIFY(!f->isVisible());
}

void TstFrmSelDate::invioPeriodoVuoto()
{
    // Enter in a date picker presses OK; a period with no movement says that the file is empty.
    const QString percorso = desktop(QStringLiteral("Vuoto.csv"));
    frmSelDate *f = apri(QStringLiteral("0"));
    f->DtpData[0]->setDate(QDate(2025, 1, 1));
    f->DtpData[1]->setDate(QDate(2025, 12, 31));
    messaggi().file << percorso;
    f->activateWindow();
    f->DtpData[1]->setFocus();
    QTest::keyClick(f->DtpData[1], Qt::Key_Return);
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Esportazione terminata: nessun movimento da esportare, il "
                                                            "file contiene solo l'intestazione.")});
    QCOMPARE(leggiFile(percorso),
             QByteArray("Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n"));
    QVERIFY(!f->isVisible());
}

void TstFrmSelDate::scritturaImpossibile_data()
{
    QTest::addColumn<QString>("caso");
    QTest::newRow("cartella che e' un file") << "file";
    QTest::newRow("cartella con quel nome") << "cartella";
    QTest::newRow("disco pieno") << "pieno";
}

void TstFrmSelDate::scritturaImpossibile()
{
    QFETCH(QString, caso);
    if (caso == "pieno" && !DiscoPieno::Possibile())
        QSKIP(SENZA_DISCO_PIENO);
    QString percorso;
    const QByteArray vecchio = "vecchio contenuto\r\n";
    if (caso == "file") {
        // Permission bits do not stop root, a regular file in the way stops everyone.
        scriviFile(desktop(QStringLiteral("nonCartella")), "x");
        percorso = desktop(QStringLiteral("nonCartella/Export.csv"));
    } else if (caso == "cartella") {
        percorso = desktop(QStringLiteral("Export.csv"));
        QVERIFY(QDir().mkpath(percorso));
    } else {
        percorso = desktop(QStringLiteral("Export.csv"));
        scriviFile(percorso, vecchio);
        Archivio::ConnArchivio().Transazione([] {
            for (int i = 1; i <= 2000; ++i)
                InserisciRiga("2026-03-02", QString::number(i).rightJustified(100, QLatin1Char('0')), "0", "1",
                              "Rossi", "", "", 1);
        });
        messaggi().risposte << Risposta::Si;
    }
    frmSelDate *f = apri(QStringLiteral("0"));
    f->DtpData[0]->setDate(QDate(2026, 3, 1));
    f->DtpData[1]->setDate(QDate(2026, 3, 31));
    messaggi().file << percorso;

    {
        // A file-size limit plays the full disk: writes past 64 KiB fail with EFBIG.
        std::unique_ptr<DiscoPieno> pieno;
        if (caso == "pieno") {
            pieno = std::make_unique<DiscoPieno>(64 * 1024);
            QVERIFY(pieno->ok());
        }
        QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    }

    QStringList testi = messaggi().testi();
    if (caso == "pieno")
        QVERIFY(testi.takeFirst().startsWith(QStringLiteral("Sostituire il file ")));
    QCOMPARE(testi.size(), 1);  // reported once, completion not announced
    QCOMPARE(messaggi().messaggi.last().titolo, QStringLiteral("Errore "));
    QVERIFY(testi.first().contains(QStringLiteral("Errore N.61")));
    QVERIFY(f->isVisible() && f->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(f->PBar->value(), f->PBar->minimum());
    if (caso == "pieno")
        QCOMPARE(leggiFile(percorso), vecchio);
    else if (caso == "cartella")
        QVERIFY(QFileInfo(percorso).isDir());
    // Nothing half-written is left beside the target.
    const QStringList resti = QDir(CartellaDesktop()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QVERIFY2(resti.size() <= 1, qPrintable(resti.join(", ")));
}

void TstFrmSelDate::modoDalRegistro()
{
    frmAnticipi *registro = frmAnticipi::Istanza();
    registro->ControlloBarra(QStringLiteral("Esporta in CSV"))->trigger();
    frmSelDate *f = frmSelDate::Esistente();
    QVERIFY(f);
    QCOMPARE(f->parentWidget(), registro);
    QVERIFY(f->isVisible());
    QCOMPARE(f->txtCaso->text(), QStringLiteral("0"));
    registro->ControlloBarra(QStringLiteral("Esporta anticipazioni"))->trigger();
    QCOMPARE(frmSelDate::Esistente(), f);
    QCOMPARE(f->txtCaso->text(), QStringLiteral("1"));
    QCOMPARE(f->Label1[0]->text(), QStringLiteral("Saldo al:"));
    registro->ControlloBarra(QStringLiteral("Esporta in CSV"))->trigger();
    QCOMPARE(f->Label1[0]->text(), QStringLiteral("Da:"));
    QVERIFY(f->DtpData[0]->isVisible());
}

SPESARIO_TEST_MAIN(TstFrmSelDate)
#include "tst_frmSelDate.moc"
