#include "store/valuta.h"
#include "tests/support/ambiente.h"

class TstValuta : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void forme_data();
    void forme();
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
    QTest::newRow("zero") << "0" << "0" << "0,00";
    QTest::newRow("quattro decimali") << "12,2551" << "12,2551" << "12,26";
    QTest::newRow("solo decimali") << ",5" << "0,5" << "0,50";
    QTest::newRow("milioni") << "1.000.000" << "1000000" << "1.000.000,00";
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

SPESARIO_TEST_MAIN(TstValuta)
#include "tst_valuta.moc"
