#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"

#include <QDir>
#include <QFile>
#include <QLocale>

class TstCostanti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dataSql();
    void testoData_data();
    void testoData();
    void esisteFile_data();
    void esisteFile();
    void esisteFileIlleggibile();
    void cartelleSpeciali();
    void testoVersione_data();
    void testoVersione();
    void testiDiQtInItaliano();
};

void TstCostanti::dataSql()
{
    QCOMPARE(DataSql(QDate(2026, 3, 5)), QStringLiteral("03/05/2026"));
    QCOMPARE(DataSql(QDate(2026, 12, 31)), QStringLiteral("12/31/2026"));
    // Month first and western digits whatever the default locale.
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString araba = DataSql(QDate(2026, 3, 5));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString americana = DataSql(QDate(2026, 3, 5));
    ImpostaLocaleItaliano();
    QCOMPARE(araba, QStringLiteral("03/05/2026"));
    QCOMPARE(americana, QStringLiteral("03/05/2026"));
}

void TstCostanti::testoData_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QDate>("data");
    QTest::newRow("giorno prima") << "05/03/2026" << QDate(2026, 3, 5);
    QTest::newRow("fine anno") << "31/12/2026" << QDate(2026, 12, 31);
    // A two-digit year is not taken for 1926.
    QTest::newRow("anno a due cifre") << "05/03/26" << QDate();
    QTest::newRow("giorno inesistente") << "31/02/2026" << QDate();
    QTest::newRow("vuoto") << "" << QDate();
}

void TstCostanti::testoData()
{
    QFETCH(QString, testo);
    QFETCH(QDate, data);
    QCOMPARE(DataDaTesto(testo), data);
    if (data.isValid())
        QCOMPARE(TestoData(data), testo);
}

void TstCostanti::esisteFile_data()
{
    QTest::addColumn<QString>("nome");  // under the test folder
    QTest::addColumn<bool>("atteso");
    QTest::newRow("file") << "esiste.txt" << true;
    QTest::newRow("file vuoto") << "vuoto.txt" << true;
    QTest::newRow("cartella") << "una-cartella" << false;
    QTest::newRow("nulla") << "manca.txt" << false;
    QTest::newRow("attraverso un file") << "esiste.txt/dentro.txt" << false;
    QTest::newRow("percorso vuoto") << "" << false;
}

void TstCostanti::esisteFile()
{
    QFETCH(QString, nome);
    QFETCH(bool, atteso);
    const QDir d(Ambiente::corrente().cartella());
    {
        QFile f(d.filePath(QStringLiteral("esiste.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        QFile v(d.filePath(QStringLiteral("vuoto.txt")));
        QVERIFY(v.open(QIODevice::WriteOnly));
    }
    d.mkpath(QStringLiteral("una-cartella"));
    QCOMPARE(EsisteFile(nome.isEmpty() ? QString() : d.filePath(nome)), atteso);
}

void TstCostanti::esisteFileIlleggibile()
{
    if (PermessiIgnorati())
        QSKIP("root reads any file, and Windows has no such permission bits");
    const QString percorso = Ambiente::corrente().cartella() + QStringLiteral("/chiuso.txt");
    {
        QFile f(percorso);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QVERIFY(QFile::setPermissions(percorso, QFileDevice::Permissions()));
    QVERIFY(!EsisteFile(percorso));
    QFile::setPermissions(percorso, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(EsisteFile(percorso));
}

void TstCostanti::cartelleSpeciali()
{
    const QString radice = Ambiente::corrente().cartella();
    QCOMPARE(CartellaDatiComuni(), radice + QStringLiteral("/dati"));
    QCOMPARE(CartellaDesktop(), radice + QStringLiteral("/Scrivania"));
    // Never a trailing separator, whatever the environment gives.
    const QByteArray dati = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dati + "//");
    const QString conBarra = CartellaDatiComuni();
    qputenv("XDG_DATA_HOME", dati);
    QCOMPARE(conBarra, radice + QStringLiteral("/dati"));
    QCOMPARE(CartellaSpeciale(0xFF), QString());  // no folder has that number, on either system
}

void TstCostanti::testoVersione_data()
{
    QTest::addColumn<QString>("versione");
    QTest::addColumn<QString>("testo");
    QTest::newRow("programma") << SPESARIO_VERSIONE << "1.1.3";
    QTest::newRow("zeri") << "2.00.0010" << "2.0.10";
    QTest::newRow("corta") << "3.4" << "3.4.0";
}

void TstCostanti::testoVersione()
{
    QFETCH(QString, versione);
    QFETCH(QString, testo);
    QCOMPARE(TestoVersione(versione), testo);
    QCOMPARE(TestoVersione(), QStringLiteral("1.1.3"));
}

void TstCostanti::testiDiQtInItaliano()
{
    // Qt's own boxes and dialogs speak Italian too: the Yes of a question is "Sì".
    QVERIFY(CaricaTraduzioniQt());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Sì"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
}

SPESARIO_TEST_MAIN(TstCostanti)
#include "tst_costanti.moc"
