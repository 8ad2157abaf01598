#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "values/errore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

class TstImpostazioni : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }
    void scriviELeggi_data();
    void scriviELeggi();
    void chiaveAssente();
    void fileNonScrivibile();
    void fileIlleggibileMessoDaParte_data();
    void fileIlleggibileMessoDaParte();
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

// A settings file that is there but cannot be read is never taken for a first run: it is moved
// aside whole, beside earlier ones and never over them.
void TstImpostazioni::fileIlleggibileMessoDaParte_data()
{
    QTest::addColumn<QByteArray>("contenuto");
    QTest::addColumn<bool>("illeggibile");
    QTest::newRow("vuoto") << QByteArray() << true;
    QTest::newRow("spazzatura") << QByteArray("\x01\x02[[[\xff\xfe garbage\n=\n[") << true;
    QTest::newRow("senza la cartella") << QByteArray("[Costanti]\nDataI=01/01/2026\n") << true;
    QTest::newRow("buono") << QByteArray("[Costanti]\nConnessione=/srv/spesario\n") << false;
}

void TstImpostazioni::fileIlleggibileMessoDaParte()
{
    QFETCH(QByteArray, contenuto);
    QFETCH(bool, illeggibile);
    QVERIFY(!Impostazioni::FileIlleggibile());  // no file at all: a first run
    const QString file = Impostazioni::File();
    for (int volta = 1; volta <= 2; ++volta) {
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contenuto);
        }
        QCOMPARE(Impostazioni::FileIlleggibile(), illeggibile);
        if (!illeggibile)
            return;
        const QString messo = Impostazioni::MettiDaParte();
        QCOMPARE(messo, file + (volta == 1 ? QStringLiteral(".illeggibile") : QStringLiteral(".illeggibile-2")));
        QFile f(messo);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), contenuto);
        QVERIFY(!QFileInfo::exists(file));
    }
    // Writing then makes a new file, and says nothing when it is saved.
    Impostazioni::Scrivi(Impostazioni::Connessione, QStringLiteral("/srv/x"));
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), QStringLiteral("/srv/x"));
    QFile::remove(file + QStringLiteral(".illeggibile"));
    QFile::remove(file + QStringLiteral(".illeggibile-2"));
}

SPESARIO_TEST_MAIN(TstImpostazioni)
#include "tst_impostazioni.moc"
