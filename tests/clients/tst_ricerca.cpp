// The client search window, opened from the ledger window as the user does (Enter in a client field,
// "Trova cliente") and from a master-data stand-in, then driven by keys and clicks.
#include "clients/destinatariocliente.h"
#include "clients/frmRicerca.h"
#include "export/csv.h"
#include "store/engines/motore.h"
#include "ledger/frmAnticipi.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "widgets/reportcontrol.h"

#include <QBuffer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// What the master-data window gets back: the four fields, and no list to refresh.
class AnagraficaFinta : public DestinatarioCliente {
public:
    DatiCliente ClienteCorrente() const override { return {}; }
    void RiceviCliente(const DatiCliente &c) override { ricevuti.append(c); }
    QList<DatiCliente> ricevuti;
};

QString Giorno(int mese, int giorno)
{
    return QDate(QDate::currentDate().year(), mese, giorno).toString(QStringLiteral("yyyy-MM-dd"));
}

// The shown rows as "tax code|VAT number|name|code".
QStringList Righe(ReportControl *l)
{
    QStringList r;
    for (int i = 0; i < l->NumeroRighe(); ++i)
        r << QStringList{l->ValoreItem(i, 1).toString(), l->ValoreItem(i, 2).toString(), l->ValoreItem(i, 3).toString(),
                         l->ValoreItem(i, 4).toString()}
                 .join(QLatin1Char('|'));
    return r;
}

QPoint CentroRiga(ReportControl *l, int riga)
{
    return l->Vista()->visualRect(l->Vista()->model()->index(riga, 3)).center();
}

void ClicSuRiga(ReportControl *l, int riga)
{
    QTest::mouseClick(l->Vista()->viewport(), Qt::LeftButton, {}, CentroRiga(l, riga));
}

// Clients 1 and 2 share a name; client 1 was renamed: its newest row says "Rossi". Client 77 has a
// code that no shown text holds.
void Clienti()
{
    InserisciRiga(Giorno(1, 1), "vecchia", "0", "10", "Rossi vecchio", "RSSOLD", "10000000000", 1);
    InserisciRiga(Giorno(1, 2), "di 2", "0", "20", "Rossi", "RSSDUE", "20000000000", 2);
    InserisciRiga(Giorno(1, 3), "nuova", "0", "30", "Rossi", "RSSUNO", "10000000001", 1);
    InserisciRiga(Giorno(1, 4), "di 3", "5", "0", "bianchi & C.", "BNCTRE", "30000000000", 77);
}

// Opens the search from the ledger window with Enter in the name field (no focus change, so no
// identification runs) and runs `azione` on it.
void CercaDalRegistro(frmAnticipi *f, std::function<void(frmRicerca *)> azione)
{
    bool eseguita = false;
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *w) {
        eseguita = true;
        azione(qobject_cast<frmRicerca *>(w));
    });
    QTest::keyClick(f->txtDenominazione, Qt::Key_Return);
    QVERIFY(eseguita);
    QVERIFY(!frmRicerca::Esistente());
}

QStringList Cliente(frmAnticipi *f)
{
    return {f->txtCodiceana->text(), f->txtDenominazione->text(), f->txtCF->text(), f->txtPiva->text()};
}

} // namespace

class TstRicerca : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void unaRigaPerCliente();
    void ordineItalianoComeNelFile();
    void ogniClienteConLaSuaRigaPiuNuova();
    void elencoSeguitoDaOgniScrittura();
    void sceltaRestituisceIlCliente_data();
    void sceltaRestituisceIlCliente();
    void invioRilasciatoNelRegistroNonRiapre();
    void filtro_data();
    void filtro();
    void archivioVuoto();
    void chiusuraSenzaScelta_data();
    void chiusuraSenzaScelta();
    void dallaFinestraAnagrafiche();
    void unaSolaFinestra();
    void riapertaDopoUnCambio();
    void controlliPerNome();
};

void TstRicerca::init()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
}

void TstRicerca::cleanup()
{
    ChiudiFinestre();
    QVERIFY(NessunaAttesa());
}

void TstRicerca::unaRigaPerCliente()
{
    Clienti();
    frmAnticipi *f = ApriRegistro();
    QStringList righe;
    QWidget *focus = nullptr;
    bool aperto = true;
    CercaDalRegistro(f, [&](frmRicerca *r) {
        righe = Righe(r->ReportAttivita);
        focus = r->focusWidget();
        aperto = r->ApertoDaAnagrafiche;
        QCOMPARE(focus, r->txtCerca);
        QTest::mouseClick(r->CmdEsci, Qt::LeftButton);
    });
    // Sorted by name, case ignored; equal names in client-code order.
    QCOMPARE(righe, QStringList({"BNCTRE|30000000000|bianchi & C.|77", "RSSUNO|10000000001|Rossi|1",
                                 "RSSDUE|20000000000|Rossi|2"}));
    QVERIFY(!aperto);
}

void TstRicerca::ordineItalianoComeNelFile()
{
    const QStringList nomi{"Zeta", "Àlfa Servizi", "beta", "Amico", "alfa bis", "Èdile", "Elba"};
    for (int i = 0; i < nomi.size(); ++i)
        InserisciRiga(Giorno(1, i + 1), "", "1", "0", nomi.at(i), "", "", i + 1);
    const QStringList atteso{"alfa bis", "Àlfa Servizi", "Amico", "beta", "Èdile", "Elba", "Zeta"};

    frmAnticipi *f = ApriRegistro();
    QStringList lista;
    CercaDalRegistro(f, [&](frmRicerca *r) {
        for (int i = 0; i < r->ReportAttivita->NumeroRighe(); ++i)
            lista << r->ReportAttivita->ValoreItem(i, 3).toString();
        QTest::mouseClick(r->CmdEsci, Qt::LeftButton);
    });
    QCOMPARE(lista, atteso);

    // The balances file puts its lines in the same order.
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    Csv::ScriviSaldi(b, Archivio::ConnArchivio(), QDate(QDate::currentDate().year(), 12, 31));
    QStringList file;
    for (const QByteArray &riga : b.data().split('\n').mid(1, nomi.size()))
        file << QString::fromLatin1(riga.split(';').first());  // Windows-1252 and Latin-1 agree on these
    QCOMPARE(file, atteso);
}

void TstRicerca::ogniClienteConLaSuaRigaPiuNuova()
{
    // Codes far apart and added out of order, the clients' rows interleaved, names changed from row
    // to row, fields left empty: each client once, with its newest row, as grouping the whole table
    // gives it.
    const qint64 codici[] = {40, 3, 900000, 17, 3, 40, 5, 900000, 17, 3, 1, 40};
    for (int i = 0; i < 12; ++i)
        InserisciRiga(Giorno(1, i + 1), "", "1", "0", QStringLiteral("Cliente %1, riga %2").arg(codici[i]).arg(i),
                      i % 3 ? QStringLiteral("CF%1").arg(i) : QString(), i % 4 ? QStringLiteral("%1").arg(i) : QString(),
                      codici[i]);
    QStringList attese;
    for (const QVariantList &r : RigheSql(QStringLiteral(
             "SELECT A.CODICEFISCALE, A.PARTITAIVA, A.RAGIONESOCIALE, A.CODICEANA FROM ANTICIPI AS A INNER JOIN "
             "(SELECT CODICEANA, MAX(ID) AS ULTIMO FROM ANTICIPI GROUP BY CODICEANA) AS U ON A.ID = U.ULTIMO")))
        attese << QStringList{r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString()}.join(QLatin1Char('|'));
    QCOMPARE(attese.size(), 6);

    AnagraficaFinta opener;
    frmRicerca *r = frmRicerca::Istanza(&opener);
    QStringList righe = Righe(r->ReportAttivita);
    // A field the row left empty stays empty, as read.
    for (int i = 0; i < r->ReportAttivita->NumeroRighe(); ++i)
        if (r->ReportAttivita->ValoreItem(i, 4).toLongLong() == 3)
            QVERIFY(r->ReportAttivita->ValoreItem(i, 1).toString().isEmpty());
    r->close();
    // The names differ, so their order is the Italian one; "Cliente 1," comes before "Cliente 17,".
    QCOMPARE(righe.first().section(QLatin1Char('|'), 3), QStringLiteral("1"));
    righe.sort();
    attese.sort();
    QCOMPARE(righe, attese);
}

void TstRicerca::elencoSeguitoDaOgniScrittura()
{
    // The list comes from the table of each client's newest movement that the archive's triggers
    // keep. After every kind of write, the program's or another program's, it and the walk of the
    // index must give what grouping the whole table gives.
    Motore &motore = Archivio::ConnArchivio().MotoreAperto();
    auto ordinate = [](const QList<QVariantList> &righe) {
        QStringList t;
        for (const QVariantList &r : righe)
            t << QStringList{r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString()}.join(QLatin1Char('|'));
        t.sort();
        return t;
    };
    auto verifica = [&](const char *dopo) {
        const QStringList attese = ordinate(RigheSql(QStringLiteral(
            "SELECT A.CODICEANA, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ANTICIPI AS A INNER JOIN "
            "(SELECT CODICEANA, MAX(ID) AS ULTIMO FROM ANTICIPI GROUP BY CODICEANA) AS U ON A.ID = U.ULTIMO")));
        QVERIFY2(motore.HaUltimi(), dopo);
        QVERIFY2(ordinate(RigheSql(motore.IstruzioneClienti())) == attese, dopo);
        QVERIFY2(ordinate(RigheSql(motore.IstruzioneCammino())) == attese, dopo);
    };
    auto riga = [](qint64 codice, const char *nome) {
        return InserisciRiga(Giorno(1, 1), "", "1", "0", QString::fromLatin1(nome), QString(), QString(), codice);
    };
    const qint64 a1 = riga(7, "A uno"), b1 = riga(9, "B uno"), a2 = riga(7, "A due");
    riga(9, "B due");
    verifica("inserimenti");
    // A change of case alone is a change too (the server's collation takes the two as equal).
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE='A DUE', PARTITAIVA='1' WHERE ID=?"), {a2}));
    verifica("cambiato il nome della riga più nuova");
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE='A vecchio' WHERE ID=?"), {a1}));
    verifica("cambiato il nome di una riga più vecchia");
    QVERIFY(EseguiSql(QStringLiteral("DELETE FROM ANTICIPI WHERE ID=?"), {a2}));
    verifica("cancellata la riga più nuova");
    QVERIFY(EseguiSql(QStringLiteral("DELETE FROM ANTICIPI WHERE ID=?"), {b1}));
    verifica("cancellata una riga più vecchia");
    QVERIFY(EseguiSql(QStringLiteral("INSERT INTO ANTICIPI (ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                     "CODICEANA) VALUES (?, ?, '', 0, 1, 'A vecchia', 7)"),
                      {a1 - 1000000, QStringLiteral("2026-01-01")}));
    verifica("inserita una riga con un ID più basso");
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET CODICEANA=9 WHERE ID=?"), {a1}));
    verifica("riga passata a un altro cliente");
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET ID=? WHERE ID=?"), {a1 + 1000000, a1}));
    verifica("cambiato l'ID");
    QVERIFY(EseguiSql(QStringLiteral("DELETE FROM ANTICIPI WHERE CODICEANA=7")));
    verifica("cancellato un cliente");
    if (!ProvaSuServer()) {
        // Another program writing over an ID with SQLite's OR REPLACE: the row it replaces goes
        // without the delete trigger. Over the newest row of a client with others, of one with no
        // other, and moving a row onto the newest ID of a third.
        const qint64 d1 = riga(20, "D uno"), d2 = riga(20, "D due"), e1 = riga(21, "E uno"), f1 = riga(22, "F uno");
        const QString sostituisci = QStringLiteral(
            "INSERT OR REPLACE INTO ANTICIPI (ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEANA) "
            "VALUES (?, '2026-01-01', '', 0, 1, ?, ?)");
        QVERIFY(EseguiSql(sostituisci, {d2, QStringLiteral("G al posto di D due"), 23}));
        verifica("sostituita la riga più nuova di un cliente");
        QVERIFY(EseguiSql(sostituisci, {e1, QStringLiteral("G al posto di E uno"), 23}));
        verifica("sostituita l'unica riga di un cliente");
        QVERIFY(EseguiSql(QStringLiteral("UPDATE OR REPLACE ANTICIPI SET ID=? WHERE ID=?"), {f1, d1}));
        verifica("spostata una riga sull'ID della più nuova di un altro cliente");
    }

    // An archive without the table (written by an earlier version) gets it, filled, when opened.
    for (const QString &sql : motore.Ultimi().togli)
        QVERIFY(EseguiSql(sql));
    riga(12, "C uno");
    Archivio::Rilascia();
    ApriArchivio();
    Motore &riaperto = Archivio::ConnArchivio().MotoreAperto();
    QVERIFY(riaperto.HaUltimi());
    // Found as made, so that the next opening does not make it again.
    QCOMPARE(ValoreSql(riaperto.Ultimi().presenti).toInt(), riaperto.Ultimi().crea.size());
    QCOMPARE(ordinate(RigheSql(riaperto.IstruzioneClienti())).size(),
             ValoreSql(QStringLiteral("SELECT COUNT(DISTINCT CODICEANA) FROM ANTICIPI")).toInt());
    QCOMPARE(ordinate(RigheSql(riaperto.IstruzioneClienti())), ordinate(RigheSql(riaperto.IstruzioneCammino())));
}

void TstRicerca::sceltaRestituisceIlCliente_data()
{
    QTest::addColumn<QString>("gesto");
    QTest::addColumn<int>("riga");
    QTest::addColumn<QStringList>("cliente");
    QTest::addColumn<QStringList>("movimenti");
    const QStringList uno = {"1", "Rossi", "RSSUNO", "10000000001"};
    const QStringList due = {"2", "Rossi", "RSSDUE", "20000000000"};
    QTest::newRow("Ok, primo Rossi") << "ok" << 1 << uno << QStringList{"vecchia", "nuova"};
    QTest::newRow("Ok, secondo Rossi") << "ok" << 2 << due << QStringList{"di 2"};
    QTest::newRow("doppio clic") << "doppio" << 2 << due << QStringList{"di 2"};
    QTest::newRow("Invio sulla riga") << "invio" << 1 << uno << QStringList{"vecchia", "nuova"};
}

void TstRicerca::sceltaRestituisceIlCliente()
{
    QFETCH(QString, gesto);
    QFETCH(int, riga);
    QFETCH(QStringList, cliente);
    QFETCH(QStringList, movimenti);
    Clienti();
    frmAnticipi *f = ApriRegistro();
    CercaDalRegistro(f, [&](frmRicerca *r) {
        ReportControl *l = r->ReportAttivita;
        if (gesto == QLatin1String("doppio")) {
            DoppioClic(l->Vista()->viewport(), CentroRiga(l, riga));
        } else {
            ClicSuRiga(l, riga);
            QCOMPARE(l->RigaFocalizzata(), riga);
            if (gesto == QLatin1String("ok"))
                QTest::mouseClick(r->cmdOk, Qt::LeftButton);
            else
                QTest::keyClick(l->Vista(), Qt::Key_Return);
        }
    });
    QCOMPARE(Cliente(f), cliente);
    QStringList descrizioni;
    for (int i = 0; i < f->ReportAttivita->NumeroRighe(); ++i)
        descrizioni << f->ReportAttivita->ValoreItem(i, 2).toString();
    QCOMPARE(descrizioni, movimenti);
    QVERIFY(f->lblSaldo->text() != QLatin1String("0,00"));
}

void TstRicerca::invioRilasciatoNelRegistroNonRiapre()
{
    Clienti();
    frmAnticipi *f = ApriRegistro();
    CercaDalRegistro(f, [&](frmRicerca *r) {
        ClicSuRiga(r->ReportAttivita, 2);
        // Enter goes down on the row and closes the window...
        QTest::keyPress(r->ReportAttivita->Vista(), Qt::Key_Return);
    });
    QCOMPARE(f->txtCodiceana->text(), QStringLiteral("2"));
    // ...and comes up in the ledger's field, which must not open the search again.
    bool riaperta = false;
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *) { riaperta = true; });
    QTest::keyRelease(f->txtDenominazione, Qt::Key_Return);
    QVERIFY(!riaperta);
    QVERIFY(!NessunaAttesa());  // forgets the action that never ran
    // A whole Enter there still opens it.
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *) { riaperta = true; });
    QTest::keyClick(f->txtDenominazione, Qt::Key_Return);
    QVERIFY(riaperta);
}

void TstRicerca::filtro_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QStringList>("codici");
    QTest::newRow("vuoto: tutti") << "" << QStringList{"77", "1", "2"};
    QTest::newRow("nome, maiuscole ignorate") << "ROSS" << QStringList{"1", "2"};
    QTest::newRow("codice fiscale") << "bnct" << QStringList{"77"};
    QTest::newRow("partita IVA") << "0000000001" << QStringList{"1"};
    QTest::newRow("nessuna riga") << "zzz" << QStringList{};
    QTest::newRow("simbolo nel nome") << "& c" << QStringList{"77"};
    // The hidden code takes no part: no shown text holds "77".
    QTest::newRow("codice nascosto") << "77" << QStringList{};
}

void TstRicerca::filtro()
{
    QFETCH(QString, testo);
    QFETCH(QStringList, codici);
    Clienti();
    AnagraficaFinta opener;
    frmRicerca *r = frmRicerca::Istanza(&opener);
    r->show();
    auto codiciMostrati = [r] {
        QStringList c;
        for (int i = 0; i < r->ReportAttivita->NumeroRighe(); ++i)
            c << r->ReportAttivita->ValoreItem(i, 4).toString();
        return c;
    };
    // The find button...
    QTest::keyClicks(r->txtCerca, testo);
    QTest::mouseClick(r->cmdTrova, Qt::LeftButton);
    QCOMPARE(codiciMostrati(), codici);
    // ...and Enter in the search box give the same rows, and Enter chooses nothing.
    r->txtCerca->clear();
    QTest::mouseClick(r->cmdTrova, Qt::LeftButton);
    QCOMPARE(r->ReportAttivita->NumeroRighe(), 3);
    QTest::keyClicks(r->txtCerca, testo);
    QTest::keyClick(r->txtCerca, Qt::Key_Return);
    QCOMPARE(codiciMostrati(), codici);
    QVERIFY(r->isVisible());
    QVERIFY(opener.ricevuti.isEmpty());
    r->close();
}

void TstRicerca::archivioVuoto()
{
    frmAnticipi *f = ApriRegistro();
    f->txtCF->setText(QStringLiteral("DIGITATO"));
    int righe = -1;
    CercaDalRegistro(f, [&](frmRicerca *r) {
        righe = r->ReportAttivita->NumeroRighe();
        QTest::mouseClick(r->cmdOk, Qt::LeftButton);
    });
    QCOMPARE(righe, 0);
    // Untouched, and no refresh ran (it would have set the code to "0").
    QCOMPARE(Cliente(f), QStringList({"", "", "DIGITATO", ""}));
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
}

void TstRicerca::chiusuraSenzaScelta_data()
{
    QTest::addColumn<QString>("gesto");
    QTest::newRow("Ok senza riga focalizzata") << "ok";
    QTest::newRow("Esci") << "esci";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("chiusura della finestra") << "chiudi";
}

void TstRicerca::chiusuraSenzaScelta()
{
    QFETCH(QString, gesto);
    Clienti();
    frmAnticipi *f = ApriRegistro();
    f->txtDenominazione->setText(QStringLiteral("Ros"));
    bool nessunaRiga = false;
    CercaDalRegistro(f, [&](frmRicerca *r) {
        QCOMPARE(r->txtCerca->text(), QStringLiteral("Ros"));
        nessunaRiga = r->ReportAttivita->RigaFocalizzata() < 0;
        if (gesto == QLatin1String("ok")) {
            QTest::mouseClick(r->cmdOk, Qt::LeftButton);
        } else if (gesto == QLatin1String("esci")) {
            ClicSuRiga(r->ReportAttivita, 0);  // a row chosen, then left
            QTest::mouseClick(r->CmdEsci, Qt::LeftButton);
        } else if (gesto == QLatin1String("esc")) {
            QTest::keyClick(r->txtCerca, Qt::Key_Escape);
        } else {
            r->close();
        }
        QVERIFY(!r->isVisible());
    });
    QVERIFY(nessunaRiga);
    QCOMPARE(Cliente(f), QStringList({"", "Ros", "", ""}));
    QCOMPARE(f->ReportAttivita->NumeroRighe(), 0);
}

void TstRicerca::dallaFinestraAnagrafiche()
{
    Clienti();
    frmAnticipi *f = ApriRegistro();
    AnagraficaFinta anagrafica;
    // The master-data window's calling order: text, find, DaFormAnagrafiche, modal display.
    frmRicerca *r = frmRicerca::Istanza(&anagrafica);
    QVERIFY(!r->ApertoDaAnagrafiche);
    r->txtCerca->setText(QStringLiteral("bianchi"));
    r->cmdTrova_Click();
    r->DaFormAnagrafiche();
    QVERIFY(r->ApertoDaAnagrafiche);
    QuandoAperta(QStringLiteral("frmRicerca"), [](QWidget *w) {
        auto *d = qobject_cast<frmRicerca *>(w);
        ClicSuRiga(d->ReportAttivita, 0);
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
    });
    r->exec();
    QVERIFY(!frmRicerca::Esistente());
    QCOMPARE(anagrafica.ricevuti.size(), 1);
    const DatiCliente c = anagrafica.ricevuti.first();
    QCOMPARE(QStringList({c.codiceFiscale, c.partitaIva, c.denominazione, c.codiceAna}),
             QStringList({"BNCTRE", "30000000000", "bianchi & C.", "77"}));
    // The ledger window is not touched.
    QCOMPARE(Cliente(f), QStringList({"", "", "", ""}));
    // Every load starts as not opened from the master data.
    QVERIFY(!frmRicerca::Istanza()->ApertoDaAnagrafiche);
}

void TstRicerca::unaSolaFinestra()
{
    frmRicerca *r = frmRicerca::Istanza();
    QCOMPARE(frmRicerca::Istanza(), r);
    QCOMPARE(frmRicerca::Esistente(), r);
    QVERIFY(r->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!r->parentWidget());
    r->show();
    r->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmRicerca::Esistente());
}

void TstRicerca::riapertaDopoUnCambio()
{
    // Each opening reads the archive again: a client renamed meanwhile, the number of clients the
    // same, moves to its new place; a client whose newest row is not the last one read keeps its own.
    Clienti();
    const auto righe = [] {
        frmRicerca *r = frmRicerca::Istanza();
        const QStringList t = Righe(r->ReportAttivita);
        r->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return t;
    };
    const QStringList prima = righe();
    QCOMPARE(righe(), prima);
    InserisciRiga(Giorno(2, 1), "", "1", "0", "Abate", "BTADUE", "20000000002", 2);
    QCOMPARE(righe(), (QStringList{"BTADUE|20000000002|Abate|2", "BNCTRE|30000000000|bianchi & C.|77",
                                   "RSSUNO|10000000001|Rossi|1"}));
    InserisciRiga(Giorno(2, 2), "", "1", "0", "Rossi", "RSSDUE", "20000000000", 2);
    QCOMPARE(righe(), prima);
}

void TstRicerca::controlliPerNome()
{
    frmRicerca *r = frmRicerca::Istanza();
    QCOMPARE(r->windowTitle(), QStringLiteral("Trova"));
    QCOMPARE(r->findChild<ReportControl *>("ReportAttivita"), r->ReportAttivita);
    QCOMPARE(r->findChild<QGroupBox *>("GroupBox1"), r->GroupBox1);
    QCOMPARE(r->findChild<QPushButton *>("cmdOk"), r->cmdOk);
    QCOMPARE(r->findChild<QPushButton *>("cmdTrova"), r->cmdTrova);
    QCOMPARE(r->findChild<QLineEdit *>("txtCerca"), r->txtCerca);
    QCOMPARE(r->findChild<QPushButton *>("CmdEsci"), r->CmdEsci);
    QCOMPARE(r->cmdOk->text(), QStringLiteral("Ok"));
    QCOMPARE(r->CmdEsci->text(), QStringLiteral("Esci"));
    QVERIFY(r->cmdTrova->text().isEmpty());
    QCOMPARE(r->cmdTrova->toolTip(), QStringLiteral("Trova cliente"));
    QVERIFY(r->GroupBox1->title().isEmpty());
    QCOMPARE(r->txtCerca->maxLength(), 32767);  // no limit of its own

    ReportControl *l = r->ReportAttivita;
    QCOMPARE(l->NumeroColonne(), 5);
    const QStringList captions = {"", "Codice fiscale", "Partita IVA", "Denominazione", "CODICE"};
    const int larghezze[] = {0, 100, 100, 250, 0};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(l->Colonna(i).indiceItem, i);
        QCOMPARE(l->Colonna(i).caption, captions[i]);
        QCOMPARE(l->Colonna(i).larghezza, larghezze[i]);
        QCOMPARE(l->Colonna(i).ridimensionabile, i >= 1 && i <= 3);
        QCOMPARE(l->Colonna(i).visibile, i != 4);
    }
    r->close();
}

SPESARIO_TEST_MAIN(TstRicerca)
#include "tst_ricerca.moc"
