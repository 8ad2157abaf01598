#include "tests/support/ambiente.h"
#include "widgets/reportcontrol.h"

#include <QHeaderView>
#include <QPainter>
#include <QPrinter>
#include <QSignalSpy>
#include <limits>

namespace {

// Three columns: item 2 first, then item 0, then item 1 hidden.
void colonne(ReportControl &r)
{
    r.CancellaColonne();
    r.AggiungiColonna(2, QStringLiteral("Denominazione"), 250, true);
    r.AggiungiColonna(0, QStringLiteral("Codice fiscale"), 100, true);
    r.AggiungiColonna(1, QStringLiteral("CODICE"), 0, false);
    r.ImpostaColonnaVisibile(2, false);
}

void record(ReportControl &r, const QString &cf, const QVariant &codice, const QString &nome)
{
    const int i = r.AggiungiRecord();
    r.AggiungiItem(i, cf);
    r.AggiungiItem(i, codice);
    r.AggiungiItem(i, nome);
}

// The same records as one table of texts: (tax code, code, name) each, as `record` adds them.
TabellaTesti tabella(const QVector<QStringList> &righe)
{
    TabellaTesti t(3);
    for (const QStringList &r : righe)
        for (const QString &testo : r)
            t.AggiungiTesto(testo);
    return t;
}

QStringList mostrati(const ReportControl &r, int colonna)
{
    QStringList t;
    const QAbstractItemModel *m = r.Vista()->model();
    for (int i = 0; i < m->rowCount(); ++i)
        t << m->index(i, colonna).data().toString();
    return t;
}

QString pdf(const QString &nome) { return Ambiente::corrente().cartella() + QLatin1Char('/') + nome; }

} // namespace

class TstReportControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }

    void colonnePerItem();
    void colonneAdatte();
    void valoriComeAggiunti();
    void ordinamento_data();
    void ordinamento();
    void filtro_data();
    void filtro();
    void ordineDopoNuoviRecord();
    void tabellaDiTesti();
    void ordineDiUnaListaRiaperta();
    void cancellaRecordTogliRighe();
    void distruttaMentreMostrata();
    void testoListaVuota();
    void rigaFocalizzata();
    void mouseUp();
    void eventoRiga();
    void stampa();
    void stampaMoltePagine();
    void anteprima();
};

void TstReportControl::colonnePerItem()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("RSSMRA"), 7, QStringLiteral("Rossi"));
    r.Popola();
    QCOMPARE(r.NumeroColonne(), 3);
    QCOMPARE(r.Vista()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Denominazione"));
    QCOMPARE(mostrati(r, 0), QStringList{"Rossi"});
    QCOMPARE(mostrati(r, 1), QStringList{"RSSMRA"});
    QVERIFY(!r.Vista()->isColumnHidden(0));
    QVERIFY(r.Vista()->isColumnHidden(2));
    QCOMPARE(r.Vista()->header()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(r.Vista()->header()->sectionResizeMode(2), QHeaderView::Fixed);
    // The hidden column's item stays readable.
    QCOMPARE(r.ValoreItem(0, 1).toInt(), 7);

    // A column of width 0 shows nothing, even when it is not hidden.
    r.AggiungiColonna(0, QString(), 0, false);
    QVERIFY(r.Vista()->isColumnHidden(3));
    r.CancellaColonne();
    QCOMPARE(r.NumeroColonne(), 0);
    QCOMPARE(r.Vista()->model()->columnCount(), 0);
}

void TstReportControl::valoriComeAggiunti()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("000123"), qint64(5000000000), QStringLiteral(" Rossi "));
    const int i = r.AggiungiRecord();
    r.AggiungiItem(i, QDate(2026, 3, 5));
    r.Popola();
    QCOMPARE(r.NumeroRecord(), 2);
    QCOMPARE(r.ValoreItem(0, 0), QVariant(QStringLiteral("000123")));
    QCOMPARE(r.ValoreItem(0, 1), QVariant(qint64(5000000000)));
    QCOMPARE(r.ValoreItem(0, 2).toString(), QStringLiteral(" Rossi "));
    QCOMPARE(r.ValoreItem(1, 0).toDate(), QDate(2026, 3, 5));
    QCOMPARE(mostrati(r, 1).at(1), QStringLiteral("05/03/2026"));
    // A record with fewer items, or a row out of range, reads as nothing rather than failing.
    QVERIFY(!r.ValoreItem(1, 2).isValid());
    QVERIFY(!r.ValoreItem(2, 0).isValid());
    QVERIFY(!r.ValoreItem(-1, 0).isValid());
}

void TstReportControl::ordinamento_data()
{
    QTest::addColumn<QStringList>("nomi");
    QTest::addColumn<QStringList>("attesi");
    QTest::newRow("maiuscole") << QStringList{"bianchi", "Verdi", "ALFA", "rossi"}
                               << QStringList{"ALFA", "bianchi", "rossi", "Verdi"};
    QTest::newRow("pari restano in ordine") << QStringList{"Rossi 1", "ROSSI", "rossi", "Rossi", "Abate"}
                                            << QStringList{"Abate", "ROSSI", "rossi", "Rossi", "Rossi 1"};
    QTest::newRow("accenti") << QStringList{"Zeta", "Élite", "ecco", "Ávila", "Erba"}
                             << QStringList{"Ávila", "ecco", "Élite", "Erba", "Zeta"};
    QTest::newRow("apostrofi e vuoti") << QStringList{"L'Arte", "", "Larte", "La Rosa"}
#ifdef Q_OS_WIN
                                       // Windows' own order, Excel's and Explorer's, passes over the
                                       // apostrophe: "L'Arte" sits by "Larte".
                                       << QStringList{"", "La Rosa", "Larte", "L'Arte"};
#else
                                       << QStringList{"", "L'Arte", "La Rosa", "Larte"};
#endif
}

void TstReportControl::ordinamento()
{
    QFETCH(QStringList, nomi);
    QFETCH(QStringList, attesi);
    ReportControl r;
    colonne(r);
    for (int i = 0; i < nomi.size(); ++i)
        record(r, QString(), i, nomi[i]);
    r.Popola();
    QCOMPARE(mostrati(r, 0), nomi);  // in the order added until a sort is asked for
    r.AggiungiOrdinamento(0);
    r.Popola();
    QCOMPARE(mostrati(r, 0), attesi);
    // Each displayed row still reads its own record.
    for (int i = 0; i < attesi.size(); ++i)
        QCOMPARE(nomi.at(r.ValoreItem(i, 1).toInt()), attesi.at(i));

    // The same names as a table of texts sort the same, twice (the second time from the last order).
    for (int volta = 0; volta < 2; ++volta) {
        QVector<QStringList> righe;
        for (int i = 0; i < nomi.size(); ++i)
            righe.append({QString(), QString::number(i), nomi[i]});
        ReportControl t;
        colonne(t);
        t.ImpostaRecordTesti(tabella(righe));
        t.AggiungiOrdinamento(0);
        t.Popola();
        QCOMPARE(mostrati(t, 0), attesi);
        for (int i = 0; i < attesi.size(); ++i)
            QCOMPARE(nomi.at(t.ValoreItem(i, 1).toInt()), attesi.at(i));
    }
}

void TstReportControl::filtro_data()
{
    QTest::addColumn<QString>("filtro");
    QTest::addColumn<QStringList>("attesi");
    QTest::newRow("vuoto mostra tutto") << "" << QStringList{"Rossi Mario", "SOCIETÀ AGRICOLA", "Verdi"};
    QTest::newRow("maiuscole") << "ROSS" << QStringList{"Rossi Mario"};
    QTest::newRow("lettere accentate") << "società" << QStringList{"SOCIETÀ AGRICOLA"};
    QTest::newRow("altra colonna visibile") << "vrdgpp" << QStringList{"Verdi"};
    QTest::newRow("colonna nascosta no") << "424242" << QStringList{};
    QTest::newRow("nessuna") << "zzz" << QStringList{};
    QTest::newRow("apice") << "'" << QStringList{};
    QTest::newRow("spazio interno") << "i m" << QStringList{"Rossi Mario"};
}

void TstReportControl::filtro()
{
    QFETCH(QString, filtro);
    QFETCH(QStringList, attesi);
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("VRDGPP"), 424242, QStringLiteral("Verdi"));
    record(r, QStringLiteral("RSSMRA"), 1, QStringLiteral("Rossi Mario"));
    record(r, QStringLiteral("01234567890"), 2, QStringLiteral("SOCIETÀ AGRICOLA"));
    r.AggiungiOrdinamento(0);
    r.ImpostaFiltro(filtro);
    QCOMPARE(r.NumeroRighe(), 0);  // only populate rebuilds the rows
    r.Popola();
    QCOMPARE(mostrati(r, 0), attesi);
    QCOMPARE(r.NumeroRighe(), attesi.size());
    r.ImpostaFiltro(QString());
    r.Popola();
    QCOMPARE(r.NumeroRighe(), 3);

    ReportControl t;
    colonne(t);
    t.ImpostaRecordTesti(tabella({{"VRDGPP", "424242", "Verdi"}, {"RSSMRA", "1", "Rossi Mario"},
                                  {"01234567890", "2", "SOCIETÀ AGRICOLA"}}));
    t.AggiungiOrdinamento(0);
    t.ImpostaFiltro(filtro);
    t.Popola();
    QCOMPARE(mostrati(t, 0), attesi);
}

void TstReportControl::ordineDopoNuoviRecord()
{
    // A list sorted and filtered, then changed: each populate sorts what the records hold now.
    ReportControl r;
    colonne(r);
    record(r, QString(), 1, QStringLiteral("Verdi"));
    record(r, QString(), 2, QStringLiteral("Bianchi"));
    r.AggiungiOrdinamento(0);
    r.ImpostaFiltro(QStringLiteral("i"));
    r.Popola();
    QCOMPARE(mostrati(r, 0), (QStringList{"Bianchi", "Verdi"}));
    // A record added, and one whose name comes in a second item call after a populate.
    record(r, QString(), 3, QStringLiteral("Abate Ivo"));
    const int ultimo = r.AggiungiRecord();
    r.AggiungiItem(ultimo, QString());
    r.AggiungiItem(ultimo, 4);
    r.Popola();
    r.AggiungiItem(ultimo, QStringLiteral("Conti"));
    r.AccodaRecord({{QString(), 5, QStringLiteral("Zanardi")}, {QString(), 6, QStringLiteral("Bruni")}});
    QCOMPARE(mostrati(r, 0), (QStringList{"Abate Ivo", "Bianchi", "Bruni", "Conti", "Verdi", "Zanardi"}));
    // Sorted by another column: the codes' text, then back to the names.
    r.ImpostaFiltro(QString());
    r.CancellaOrdinamento();
    r.AggiungiOrdinamento(2);
    r.Popola();
    QCOMPARE(mostrati(r, 0), (QStringList{"Verdi", "Bianchi", "Abate Ivo", "Conti", "Zanardi", "Bruni"}));
    r.CancellaRecord();
    record(r, QString(), 7, QStringLiteral("Rossi"));
    record(r, QString(), 8, QStringLiteral("Neri"));
    r.CancellaOrdinamento();
    r.AggiungiOrdinamento(0);
    r.Popola();
    QCOMPARE(mostrati(r, 0), (QStringList{"Neri", "Rossi"}));
}

void TstReportControl::tabellaDiTesti()
{
    // Texts as an engine gives them, read as QString::fromUtf8 reads them (a broken sequence and a
    // byte-order mark too); numbers as QString::number writes them; a null stays a null text.
    const QByteArray utf8[] = {"RSSMRA", "Società Nicolò", "a\xFF" "b\xC3", "", "\xEF\xBB\xBF" "Bom"};
    const qint64 numeri[] = {0, -7, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                             5000000000};
    TabellaTesti t(3);
    for (int i = 0; i < 5; ++i) {
        t.AggiungiUtf8(utf8[i]);
        t.AggiungiNumero(numeri[i]);
        if (i == 0)
            t.AggiungiNullo();
        else
            t.AggiungiTesto(QStringLiteral("Nome %1").arg(i));
    }
    ReportControl r;
    colonne(r);
    r.ImpostaRecordTesti(t);
    r.Popola();
    QCOMPARE(r.NumeroRecord(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(r.ValoreItem(i, 0), QVariant(QString::fromUtf8(utf8[i])));
        QCOMPARE(r.ValoreItem(i, 1), QVariant(QString::number(numeri[i])));
    }
    QCOMPARE(r.ValoreItem(0, 2).metaType(), QMetaType::fromType<QString>());
    QVERIFY(r.ValoreItem(0, 2).toString().isNull());
    QVERIFY(!r.ValoreItem(3, 0).toString().isNull());
    QVERIFY(!r.ValoreItem(0, 3).isValid());
    QCOMPARE(mostrati(r, 1),
             (QStringList{"RSSMRA", "Società Nicolò", QString::fromUtf8(utf8[2]), "", QString::fromUtf8(utf8[4])}));

    // A record added one by one: the table's records stay as they were, in their places.
    record(r, QStringLiteral("ZZZ"), 9, QStringLiteral("Zeta"));
    r.AggiungiOrdinamento(0);
    r.Popola();
    QCOMPARE(mostrati(r, 0), (QStringList{"", "Nome 1", "Nome 2", "Nome 3", "Nome 4", "Zeta"}));
    QVERIFY(r.ValoreItem(0, 2).toString().isNull());
    QCOMPARE(r.ValoreItem(4, 0), QVariant(QString::fromUtf8(utf8[4])));

    // Reversed in place, an odd and an even number of records.
    for (int n : {5, 4}) {
        TabellaTesti v(2);
        for (int i = 0; i < n; ++i) {
            v.AggiungiNumero(i);
            v.AggiungiTesto(QString::number(10 * i));
        }
        v.Rovescia();
        for (int i = 0; i < n; ++i)
            QCOMPARE(v.Testo(i, 1), QString::number(10 * (n - 1 - i)));
    }
}

void TstReportControl::ordineDiUnaListaRiaperta()
{
    // A list made again over the same names takes its last order; over other names, or the same ones
    // in other records or another column, it sorts them itself.
    const auto ordinati = [](const QVector<QStringList> &righe, int colonna) {
        ReportControl r;
        colonne(r);
        r.ImpostaRecordTesti(tabella(righe));
        r.AggiungiOrdinamento(colonna);
        r.Popola();
        return QStringList{mostrati(r, 0).join(QLatin1Char(',')), mostrati(r, 1).join(QLatin1Char(','))};
    };
    const QVector<QStringList> prima{{"C", "1", "Verdi"}, {"A", "2", "bianchi"}, {"B", "3", "Rossi"}};
    QCOMPARE(ordinati(prima, 0), (QStringList{"bianchi,Rossi,Verdi", "A,B,C"}));
    QCOMPARE(ordinati(prima, 0), (QStringList{"bianchi,Rossi,Verdi", "A,B,C"}));
    // The same names, other codes: the rows read their own records.
    QCOMPARE(ordinati({{"X", "1", "Verdi"}, {"Y", "2", "bianchi"}, {"Z", "3", "Rossi"}}, 0),
             (QStringList{"bianchi,Rossi,Verdi", "Y,Z,X"}));
    QCOMPARE(ordinati({{"C", "1", "Verdi"}, {"A", "2", "Zeta"}, {"B", "3", "Rossi"}}, 0),
             (QStringList{"Rossi,Verdi,Zeta", "B,C,A"}));
    QCOMPARE(ordinati({{"C", "1", "Rossi"}, {"A", "2", "Verdi"}, {"B", "3", "Zeta"}}, 0),
             (QStringList{"Rossi,Verdi,Zeta", "C,A,B"}));
    QCOMPARE(ordinati({{"C", "1", "Rossi"}, {"A", "2", "Verdi"}, {"B", "3", "Zeta"}}, 1),
             (QStringList{"Verdi,Zeta,Rossi", "A,B,C"}));
}

void TstReportControl::cancellaRecordTogliRighe()
{
    // A list emptied for a new fill repaints in between: its rows must not point at gone records.
    ReportControl r;
    colonne(r);
    r.resize(400, 200);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    for (int i = 0; i < 50; ++i)
        record(r, QString::number(i), i, QStringLiteral("Nome %1").arg(i));
    r.Popola();
    r.ImpostaRigaFocalizzata(10);
    r.CancellaRecord();
    QCOMPARE(r.NumeroRighe(), 0);
    QCOMPARE(r.RigaFocalizzata(), -1);
    r.Vista()->viewport()->repaint();
    record(r, QStringLiteral("A"), 1, QStringLiteral("Uno"));
    r.Vista()->viewport()->repaint();
    r.Popola();
    QCOMPARE(mostrati(r, 0), QStringList{"Uno"});
}

void TstReportControl::distruttaMentreMostrata()
{
    // A list destroyed while on screen hides its view as it goes: the view must not read the
    // list's columns once they are freed.
    QWidget finestra;
    auto *r = new ReportControl(&finestra);
    colonne(*r);
    record(*r, QStringLiteral("A"), 1, QStringLiteral("Uno"));
    r->Popola();
    finestra.resize(400, 200);
    finestra.show();
    QVERIFY(QTest::qWaitForWindowExposed(&finestra));
    delete r;
    auto *solo = new ReportControl;
    colonne(*solo);
    solo->show();
    QVERIFY(QTest::qWaitForWindowExposed(solo));
    delete solo;
}

void TstReportControl::testoListaVuota()
{
    // The text is painted over an empty list only: compare the list drawn with and without it.
    ReportControl r;
    colonne(r);
    r.resize(500, 200);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    r.Popola();
    auto immagine = [&](const QString &testo) {
        r.ImpostaTestoVuoto(testo);
        return r.Vista()->viewport()->grab().toImage();
    };
    QVERIFY(immagine(QStringLiteral("Nessun dato trovato")) != immagine(QString()));
    record(r, QStringLiteral("RSSMRA"), 1, QStringLiteral("Rossi"));
    r.Popola();
    QCOMPARE(immagine(QStringLiteral("Nessun dato trovato")), immagine(QString()));
    r.CancellaRecord();
    r.Popola();
    QVERIFY(immagine(QStringLiteral("Nessun dato trovato")) != immagine(QString()));
}

void TstReportControl::rigaFocalizzata()
{
    ReportControl r;
    colonne(r);
    QCOMPARE(r.RigaFocalizzata(), -1);
    record(r, QStringLiteral("A"), 1, QStringLiteral("Uno"));
    record(r, QStringLiteral("B"), 2, QStringLiteral("Due"));
    r.Popola();
    QCOMPARE(r.NumeroRighe(), 2);
    QCOMPARE(r.RigaFocalizzata(), -1);
    r.ImpostaRigaFocalizzata(1);
    QCOMPARE(r.RigaFocalizzata(), 1);
    QCOMPARE(r.ValoreItem(r.RigaFocalizzata(), 1).toInt(), 2);
    r.ImpostaRigaFocalizzata(5);
    QCOMPARE(r.RigaFocalizzata(), -1);
    // A new populate leaves no row focused.
    r.ImpostaRigaFocalizzata(0);
    r.Popola();
    QCOMPARE(r.RigaFocalizzata(), -1);
}

void TstReportControl::mouseUp()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("A"), 1, QStringLiteral("Uno"));
    r.Popola();
    r.resize(400, 200);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    QSignalSpy spia(&r, &ReportControl::MouseUp);
    const QPoint punto = r.Vista()->visualRect(r.Vista()->model()->index(0, 0)).center();
    QTest::mouseClick(r.Vista()->viewport(), Qt::LeftButton, {}, punto);
    QTest::mouseClick(r.Vista()->viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(20, 150));
    QCOMPARE(spia.size(), 2);
    QCOMPARE(spia[0][0].toInt(), 1);
    QCOMPARE(spia[0][1].toInt(), 0);
    QCOMPARE(spia[0][2].toInt(), punto.x());
    QCOMPARE(spia[0][3].toInt(), punto.y());
    QCOMPARE(spia[1][0].toInt(), 2);
    QCOMPARE(spia[1][1].toInt(), 1);
    // The left click focused the row before the event: the handler reads it.
    QCOMPARE(r.RigaFocalizzata(), 0);
}

void TstReportControl::eventoRiga()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("A"), 1, QStringLiteral("Uno"));
    record(r, QStringLiteral("B"), 2, QStringLiteral("Due"));
    r.Popola();
    r.resize(400, 200);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    QSignalSpy spia(&r, &ReportControl::EventoRiga);

    // Qt focuses the first row when the list takes the keyboard focus; with none focused Enter
    // chooses nothing.
    r.Vista()->setFocus();
    r.ImpostaRigaFocalizzata(-1);
    QTest::keyClick(r.Vista(), Qt::Key_Return);
    QCOMPARE(spia.size(), 0);

    const QPoint punto = r.Vista()->visualRect(r.Vista()->model()->index(1, 1)).center();
    QTest::mouseClick(r.Vista()->viewport(), Qt::LeftButton, {}, punto);
    QTest::mouseDClick(r.Vista()->viewport(), Qt::LeftButton, {}, punto);
    QCOMPARE(spia.size(), 1);
    QCOMPARE(spia[0][0].toInt(), 1);
    QCOMPARE(spia[0][1].toInt(), 1);

    r.ImpostaRigaFocalizzata(0);
    QTest::keyClick(r.Vista(), Qt::Key_Enter);
    QCOMPARE(spia.size(), 2);
    QCOMPARE(spia[1][0].toInt(), 0);
    QTest::keyClick(r.Vista(), Qt::Key_Return);
    QCOMPARE(spia.size(), 3);
}

void TstReportControl::stampa()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("RSSMRA80A01H501U"), 4242, QStringLiteral("Rossi Mario"));
    record(r, QStringLiteral("VRDGPP"), 4343, QStringLiteral("L'Arte di Verdi"));
    record(r, QStringLiteral("NASCOSTA"), 4444, QStringLiteral("Bianchi"));
    r.ImpostaFiltro(QStringLiteral("r"));
    r.Popola();
    r.ImpostaIntestazioneStampa(QStringLiteral("Estratto conto di Rossi Mario"));
    r.ImpostaPiePaginaStampa(QStringLiteral("Saldo finale 1.234,50"));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf(QStringLiteral("stampa.pdf")));
    QCOMPARE(r.StampaPagine(&printer), 1);
    const QString t = TestoPdf(pdf(QStringLiteral("stampa.pdf")));
    for (const char *atteso : {"Estratto conto di Rossi Mario", "Denominazione", "Codice fiscale", "Rossi Mario",
                               "RSSMRA80A01H501U", "L'Arte di Verdi", "VRDGPP", "Saldo finale 1.234,50"})
        QVERIFY2(t.contains(QString::fromUtf8(atteso)), qPrintable(QString::fromUtf8(atteso) + " in: " + t));
    // Only the displayed rows and the shown columns are printed.
    QVERIFY(!t.contains(QStringLiteral("Bianchi")));
    QVERIFY(!t.contains(QStringLiteral("4242")));
    QVERIFY(!t.contains(QStringLiteral("CODICE")));
    QVERIFY(t.indexOf(QStringLiteral("Estratto")) < t.indexOf(QStringLiteral("Rossi Mario RSS")));
    QVERIFY(t.indexOf(QStringLiteral("VRDGPP")) < t.indexOf(QStringLiteral("Saldo finale")));
}

void TstReportControl::stampaMoltePagine()
{
    ReportControl r;
    colonne(r);
    const int n = 250;
    for (int i = 0; i < n; ++i)
        record(r, QStringLiteral("CF%1").arg(i, 4, 10, QLatin1Char('0')), i, QStringLiteral("Cliente%1").arg(i, 4, 10, QLatin1Char('0')));
    r.Popola();
    r.ImpostaIntestazioneStampa(QStringLiteral("Intestazione"));
    r.ImpostaPiePaginaStampa(QStringLiteral("PiePagina"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf(QStringLiteral("molte.pdf")));
    const int pagine = r.StampaPagine(&printer);
    QVERIFY(pagine > 2);
    const QString t = TestoPdf(pdf(QStringLiteral("molte.pdf")));
    QCOMPARE(t.count(QStringLiteral("Intestazione")), pagine);
    QCOMPARE(t.count(QStringLiteral("PiePagina")), pagine);
    // Every row once, in order.
    int da = 0;
    for (int i = 0; i < n; ++i) {
        const int k = t.indexOf(QStringLiteral("Cliente%1").arg(i, 4, 10, QLatin1Char('0')), da);
        QVERIFY2(k >= 0, qPrintable(QString::number(i)));
        da = k;
    }
    QCOMPARE(t.count(QStringLiteral("Cliente")), n);
}

void TstReportControl::anteprima()
{
    ReportControl r;
    colonne(r);
    record(r, QStringLiteral("RSSMRA"), 1, QStringLiteral("Rossi"));
    r.Popola();
    r.ImpostaTitoloAnteprima(QStringLiteral("Anteprima di stampa"));
    r.ImpostaIntestazioneStampa(QStringLiteral("Testata"));
    auto &m = Ambiente::corrente().messaggi;
    m.pdfAnteprima = pdf(QStringLiteral("anteprima.pdf"));
    r.AnteprimaStampa();
    QCOMPARE(m.titoliAnteprima, QStringList{"Anteprima di stampa"});
    QCOMPARE(m.pagineAnteprima, 1);
    const QString t = TestoPdf(m.pdfAnteprima);
    QVERIFY(t.contains(QStringLiteral("Testata")));
    QVERIFY(t.contains(QStringLiteral("Rossi")));
}

// Columns as wide as what they show (within bounds), and a wider window's room to the text.
void TstReportControl::colonneAdatte()
{
    ReportControl r;
    r.resize(420, 300);
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    r.AggiungiColonna(2, QStringLiteral("Denominazione"), 100, true);
    r.AggiungiColonna(0, QStringLiteral("CF"), 100, true);
    record(r, QStringLiteral("RSSMRA80A01H501U"), 1, QStringLiteral("Rossi"));
    record(r, QStringLiteral("BNC"), 2, QString(200, QLatin1Char('x')));
    r.Popola();
    const QFontMetrics fm(r.Vista()->font());
    QHeaderView *h = r.Vista()->header();
    // The tax code whole; the long name as wide as the bound lets it, not the whole list's width.
    QVERIFY(h->sectionSize(1) >= fm.horizontalAdvance(QStringLiteral("RSSMRA80A01H501U")));
    const int nome = h->sectionSize(0);
    QVERIFY(nome < fm.horizontalAdvance(QString(200, QLatin1Char('x'))));

    // Maximised: the extra room goes to the last text column, and the columns fill the list.
    r.resize(1400, 300);
    QCoreApplication::processEvents();
    QCOMPARE(h->sectionSize(1) + h->sectionSize(0), r.Vista()->viewport()->width());
    QVERIFY(h->sectionSize(1) > fm.horizontalAdvance(QStringLiteral("RSSMRA80A01H501U")) + 200);
    QCOMPARE(h->sectionSize(0), nome);
}

SPESARIO_TEST_MAIN(TstReportControl)
#include "tst_reportcontrol.moc"
