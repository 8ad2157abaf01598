#include "store/errore.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"

#include <QFile>
#include <QSettings>

class TstImpostazioni : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }
    void scriviELeggi_data();
    void scriviELeggi();
    void chiaveAssente();
    void fileNonScrivibile();
};

void TstImpostazioni::scriviELeggi_data()
{
    QTest::addColumn<QString>("valore");
    QTest::newRow("cartella") << "/srv/dati/Corvalle/Spesario";
    QTest::newRow("barre rovesce") << "C:\\ProgramData\\Corvalle\\Spesario\\";
    QTest::newRow("apici e punto e virgola") << "L'Arte; \"x\" = [Costanti] #";
    QTest::newRow("accenti") << "/home/così/più";
    QTest::newRow("data") << "31/12/2026";
}

void TstImpostazioni::scriviELeggi()
{
    QFETCH(QString, valore);
    Impostazioni::Scrivi(Impostazioni::Connessione, valore);
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), valore);
    // On disk at once, under the section "Costanti", for any other reader of the file.
    QSettings altro(Impostazioni::File(), QSettings::IniFormat);
    QCOMPARE(altro.value(QStringLiteral("Costanti/Connessione")).toString(), valore);
    // The other keys are untouched.
    QCOMPARE(Impostazioni::Leggi(Impostazioni::DataI), QString());
}

void TstImpostazioni::chiaveAssente()
{
    QCOMPARE(Impostazioni::Leggi(Impostazioni::DataF), QString());
}

void TstImpostazioni::fileNonScrivibile()
{
    const QString blocco = Ambiente::corrente().cartella() + QStringLiteral("/blocco-impostazioni");
    {
        QFile f(blocco);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    Impostazioni::ImpostaFile(blocco + QStringLiteral("/Spesario.ini"));
    int numero = 0;
    QString descrizione;
    try {
        Impostazioni::Scrivi(Impostazioni::DataI, QStringLiteral("01/01/2026"));
    } catch (const ErroreApp &e) {
        numero = e.numero();
        descrizione = e.descrizione();
    }
    Impostazioni::ImpostaFile(Ambiente::corrente().cartella() + QStringLiteral("/Spesario.ini"));
    QFile::remove(blocco);
    QCOMPARE(numero, CodiciErrore::ImpostazioniNonScritte);
    QVERIFY2(descrizione.startsWith(QStringLiteral("Impossibile salvare le impostazioni")), qPrintable(descrizione));
}

SPESARIO_TEST_MAIN(TstImpostazioni)
#include "tst_impostazioni.moc"
