#include "tests/support/ambiente.h"
#include "values/errore.h"
#include "values/valuta.h"

#include <limits>

class TstValuta : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void forme_data();
    void forme();
    void rifiuti_data();
    void rifiuti();
    void arrotondamento_data();
    void arrotondamento();
    void estremi();
    void overflowSomme();
    void formattaImporto_data();
    void formattaImporto();
};

void TstValuta::forme_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("semplice");
    QTest::addColumn<QString>("dueDecimali");
    QTest::newRow("gruppi e decimali") << "1.234,5" << "1234,5" << "1.234,50";
    QTest::newRow("senza gruppi") << "1234,5" << "1234,5" << "1.234,50";
    QTest::newRow("intero") << "300" << "300" << "300,00";
    QTest::newRow("negativo") << "-12" << "-12" << "-12,00";
    QTest::newRow("negativo con gruppi") << "-1.000,25" << "-1000,25" << "-1.000,25";
    QTest::newRow("più") << "+7,1" << "7,1" << "7,10";
    QTest::newRow("zero") << "0" << "0" << "0,00";
    QTest::newRow("meno zero") << "-0,00" << "0" << "0,00";
    QTest::newRow("quattro decimali") << "12,2551" << "12,2551" << "12,26";
    QTest::newRow("solo decimali") << ",5" << "0,5" << "0,50";
    QTest::newRow("virgola finale") << "5," << "5" << "5,00";
    QTest::newRow("spazi attorno") << "  42,10 " << "42,1" << "42,10";
    QTest::newRow("zeri iniziali") << "000123" << "123" << "123,00";
    QTest::newRow("milioni") << "1.000.000" << "1000000" << "1.000.000,00";
    QTest::newRow("gruppo di una cifra") << "1.000" << "1000" << "1.000,00";
}

void TstValuta::forme()
{
    QFETCH(QString, testo);
    QFETCH(QString, semplice);
    QFETCH(QString, dueDecimali);
    const auto v = Valuta::daTesto(testo);
    QVERIFY(v.has_value());
    QCOMPARE(v->testoSemplice(), semplice);
    QCOMPARE(v->testoDueDecimali(), dueDecimali);
    QCOMPARE(Valuta::daTesto(semplice)->decimillesimi(), v->decimillesimi());
}

void TstValuta::rifiuti_data()
{
    QTest::addColumn<QString>("testo");
    // "12.5" is a decimal point typed by habit: read as grouping it would be 125.
    QTest::newRow("punto decimale") << "12.5";
    QTest::newRow("gruppo di quattro") << "1.2345";
    QTest::newRow("primo gruppo lungo") << "1234.567";
    QTest::newRow("primo gruppo con zero") << "0.500";
    QTest::newRow("punto iniziale") << ".500";
    QTest::newRow("punto finale") << "1.";
    QTest::newRow("lettere") << "abc";
    QTest::newRow("due virgole") << "1,2,3";
    QTest::newRow("vuoto") << "";
    QTest::newRow("spazi") << "   ";
    QTest::newRow("solo segno") << "-";
    QTest::newRow("doppio segno") << "--1";
    QTest::newRow("segno staccato") << "- 1";
    QTest::newRow("segno in coda") << "1-";
    QTest::newRow("spazio interno") << "1 000";
    QTest::newRow("esponente") << "1e3";
    QTest::newRow("euro") << "€ 5";
    QTest::newRow("cifre arabe") << QString::fromUtf8("\u0661\u0662");
    QTest::newRow("decimali con punto") << "1,5.0";
    QTest::newRow("oltre il massimo") << "922337203685478";
    QTest::newRow("oltre il massimo di poco") << "922337203685477,5808";
    QTest::newRow("sotto il minimo") << "-922337203685477,5809";
    QTest::newRow("cifre senza fine") << QString(40, QLatin1Char('9'));
}

void TstValuta::rifiuti()
{
    QFETCH(QString, testo);
    QVERIFY(!Valuta::daTesto(testo).has_value());
}

void TstValuta::arrotondamento_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<qint64>("decimillesimi");
    QTest::addColumn<QString>("dueDecimali");
    QTest::newRow("quinto decimale 5") << "0,00005" << qint64(1) << "0,00";
    QTest::newRow("quinto decimale 4") << "0,00004999" << qint64(0) << "0,00";
    QTest::newRow("riporto all'unità") << "1,99995" << qint64(20000) << "2,00";
    QTest::newRow("negativo, quinto 5") << "-0,00005" << qint64(-1) << "0,00";
    QTest::newRow("mezzo centesimo") << "0,005" << qint64(50) << "0,01";
    QTest::newRow("meno mezzo centesimo") << "-0,005" << qint64(-50) << "-0,01";
    QTest::newRow("sotto mezzo centesimo") << "-0,0049" << qint64(-49) << "0,00";
    QTest::newRow("2,675") << "2,675" << qint64(26750) << "2,68";
    QTest::newRow("-2,675") << "-2,675" << qint64(-26750) << "-2,68";
    QTest::newRow("999,995") << "999,995" << qint64(9999950) << "1.000,00";
}

void TstValuta::arrotondamento()
{
    QFETCH(QString, testo);
    QFETCH(qint64, decimillesimi);
    QFETCH(QString, dueDecimali);
    const auto v = Valuta::daTesto(testo);
    QVERIFY(v.has_value());
    QCOMPARE(v->decimillesimi(), decimillesimi);
    QCOMPARE(v->testoDueDecimali(), dueDecimali);
}

void TstValuta::estremi()
{
    const qint64 massimo = std::numeric_limits<qint64>::max();
    const qint64 minimo = std::numeric_limits<qint64>::min();
    QCOMPARE(Valuta::daTesto(QStringLiteral("922337203685477,5807"))->decimillesimi(), massimo);
    QCOMPARE(Valuta::daTesto(QStringLiteral("-922337203685477,5808"))->decimillesimi(), minimo);
    QCOMPARE(Valuta::daTesto(QStringLiteral("922.337.203.685.477,5807"))->decimillesimi(), massimo);
    const Valuta max = Valuta::daDecimillesimi(massimo), min = Valuta::daDecimillesimi(minimo);
    QCOMPARE(max.testoSemplice(), QStringLiteral("922337203685477,5807"));
    QCOMPARE(min.testoSemplice(), QStringLiteral("-922337203685477,5808"));
    QCOMPARE(max.testoDueDecimali(), QStringLiteral("922.337.203.685.477,58"));
    QCOMPARE(min.testoDueDecimali(), QStringLiteral("-922.337.203.685.477,58"));
    QCOMPARE(Valuta::daTesto(min.testoSemplice())->decimillesimi(), minimo);
}

void TstValuta::overflowSomme()
{
    const Valuta max = Valuta::daDecimillesimi(std::numeric_limits<qint64>::max());
    const Valuta min = Valuta::daDecimillesimi(std::numeric_limits<qint64>::min());
    const Valuta uno = Valuta::daDecimillesimi(1);
    auto numero = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const ErroreApp &e) {
            return e.numero();
        }
        return 0;
    };
    QCOMPARE(numero([&] { (void)(max + uno); }), CodiciErrore::Overflow);
    QCOMPARE(numero([&] { (void)(min - uno); }), CodiciErrore::Overflow);
    QCOMPARE(numero([&] { Valuta v = min; v -= uno; }), CodiciErrore::Overflow);
    QCOMPARE(numero([&] { Valuta v = max; v += uno; }), CodiciErrore::Overflow);
    QCOMPARE(numero([&] { (void)Valuta::daUnita(std::numeric_limits<qint64>::max() / 1000); }), CodiciErrore::Overflow);
    // Right at the bounds nothing is reported.
    QCOMPARE(max - uno + uno, max);
    QCOMPARE((min + max).decimillesimi(), qint64(-1));
    QCOMPARE(Valuta::daUnita(-5).decimillesimi(), qint64(-50000));
}

void TstValuta::formattaImporto_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("semplice") << "1234,5" << "1.234,50";
    QTest::newRow("raggruppato") << "1.234,5" << "1.234,50";
    QTest::newRow("negativo") << "-12" << "-12,00";
    QTest::newRow("arrotondato") << "0,125" << "0,13";
    QTest::newRow("non numero") << "abc" << "abc";
    QTest::newRow("punto decimale resta") << "12.5" << "12.5";
    QTest::newRow("vuoto") << "" << "";
}

void TstValuta::formattaImporto()
{
    QFETCH(QString, testo);
    QFETCH(QString, atteso);
    QCOMPARE(FormattaImporto(testo), atteso);
}

SPESARIO_TEST_MAIN(TstValuta)
#include "tst_valuta.moc"
