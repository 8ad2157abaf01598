#include "clients/frmAnagrafiche.h"
#include "clients/frmRicerca.h"
#include "ledger/frmAnticipi.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "widgets/reportcontrol.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString NessunaModifica = QStringLiteral("Nessuna modifica da registrare: l'archivio non è cambiato.");

// Stands for the ledger window: its four client fields and the writes it receives.
class RegistroFinto : public QWidget, public DestinatarioCliente {
public:
    DatiCliente dati;
    int ricevuti = 0;
    DatiCliente ClienteCorrente() const override { return dati; }
    void RiceviCliente(const DatiCliente &c) override
    {
        dati = c;
        ++ricevuti;
    }
};
} // namespace

// The master-data window: one UPDATE over all of a client's rows, and the ledger window following
// only when it shows that client or none.
class TstFrmAnagrafiche : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void controlli();
    void nomeCambiatoNelRegistro();
    void riapertura();
    void trova_data();
    void trova();
    void codiceDalCodiceFiscale_data();
    void codiceDalCodiceFiscale();
    void nessunCliente();
    void registroSuAltroCliente();
    void campiVuoti();
    void esci();
    void aggiornamentoFallito();
    void ricercaFallita();
    void codiceDiUnAltroCliente_data();
    void codiceDiUnAltroCliente();
    void nomeLungoMaiTagliato();

private:
    frmAnagrafiche *apri(const QString &codice, const QString &nome, const QString &cf, const QString &piva)
    {
        frmAnagrafiche *f = frmAnagrafiche::Istanza(m_registro, m_registro);
        f->txtCodiceana->setText(codice);
        f->txtDenominazione->setText(nome);
        f->txtCF->setText(cf);
        f->txtPiva->setText(piva);
        f->show();
        return f;
    }
    static void riscrivi(QLineEdit *campo, const QString &testo)
    {
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Delete);
        QTest::keyClicks(campo, testo);
    }
    // A January day of this year, inside the ledger window's default period.
    static QString giorno(int g) { return QDate(QDate::currentDate().year(), 1, g).toString("yyyy-MM-dd"); }
    static void scaricati() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    // Every row, for "nothing was written".
    static QString archivio()
    {
        QStringList r;
        for (const QVariantList &riga : RigheSql("SELECT ID, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, CODICEANA "
                                                 "FROM ANTICIPI ORDER BY ID")) {
            QStringList campi;
            for (const QVariant &v : riga)
                campi << v.toString();
            r << campi.join(QLatin1Char('|'));
        }
        return r.join(QLatin1Char(';'));
    }
    // The values of a column under one code, each once (exactly as written: case counts).
    static QString distinti(const QString &colonna, int codice)
    {
        QStringList r;
        for (const QVariantList &riga :
             RigheSql(QStringLiteral("SELECT %1 FROM ANTICIPI WHERE CODICEANA=? ORDER BY ID").arg(colonna), {codice}))
            if (!r.contains(riga.value(0).toString()))
                r << riga.value(0).toString();
        return r.join(QLatin1Char(','));
    }
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }
    RegistroFinto *m_registro = nullptr;
};

void TstFrmAnagrafiche::init()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga(giorno(10), "a", "10", "0", "Rossi M.", "RSSMRA80A01H501U", "11111111111", 1);
    InserisciRiga(giorno(11), "b", "0", "5", "Bianchi", "BNCLGU70B02F205X", "22222222222", 2);
    InserisciRiga(giorno(12), "c", "0", "3", "Rossi Mario", "RSSMRA80A01H501U", "12345678901", 1);
    m_registro = new RegistroFinto;
}

void TstFrmAnagrafiche::cleanup()
{
    delete m_registro;  // takes the master-data window with it
    m_registro = nullptr;
    ChiudiFinestre();
    QVERIFY(NessunaAttesa());
    QVERIFY(!frmAnagrafiche::Esistente());
}

void TstFrmAnagrafiche::controlli()
{
    frmAnagrafiche *f = apri("1", "", "", "");
    QCOMPARE(f->windowTitle(), QStringLiteral("Modifica anagrafica"));
    QCOMPARE(f->findChild<QGroupBox *>("GroupBox1")->title(), QStringLiteral("Anagrafica:"));
    QCOMPARE(f->findChild<QLabel *>("ShortcutCaption1")->text(), QStringLiteral("Denominazione:"));
    QCOMPARE(f->findChild<QLabel *>("ShortcutCaption2_0")->text(), QStringLiteral("Codice Fiscale:"));
    QCOMPARE(f->findChild<QLabel *>("ShortcutCaption2_1")->text(), QStringLiteral("Partita IVA:"));
    const struct {
        const char *nome;
        int limite;
    } campi[] = {{"txtDenominazione", 50}, {"txtCF", 16}, {"txtPiva", 11}};
    for (const auto &c : campi) {
        auto *e = f->findChild<QLineEdit *>(c.nome);
        QVERIFY(e);
        riscrivi(e, QString(60, QLatin1Char('A')));
        QCOMPARE(e->text().size(), c.limite);
    }
    auto *trova = f->findChild<QPushButton *>("cmdTrova");
    QVERIFY(trova->text().isEmpty());
    QCOMPARE(trova->toolTip(), QStringLiteral("Trova cliente"));
    QVERIFY(!trova->icon().isNull());
    QCOMPARE(trova->iconSize(), QSize(16, 16));
    QVERIFY(f->findChild<QLineEdit *>("txtCodiceana")->isHidden());
    QCOMPARE(f->findChild<QPushButton *>("cmdOk")->text(), QStringLiteral("Ok"));
    QCOMPARE(f->findChild<QPushButton *>("CmdEsci")->text(), QStringLiteral("Esci"));
}

void TstFrmAnagrafiche::nomeCambiatoNelRegistro()
{
    frmAnticipi *registro = ApriRegistro();
    registro->RiceviCliente({"RSSMRA80A01H501U", "12345678901", "Rossi Mario", "1"});
    QCOMPARE(registro->ReportAttivita->NumeroRighe(), 2);
    registro->ControlloBarra(QStringLiteral("Modifica anagrafica"))->trigger();
    frmAnagrafiche *f = frmAnagrafiche::Esistente();
    QVERIFY(f && f->isVisible());
    InserisciRiga(giorno(13), "d", "1", "0", "Rossi Mario", "RSSMRA80A01H501U", "12345678901", 1);
    QCOMPARE(f->parentWidget(), registro);
    QCOMPARE(f->ClienteCorrente().codiceAna, QStringLiteral("1"));
    QCOMPARE(f->txtDenominazione->text(), QStringLiteral("Rossi Mario"));
    riscrivi(f->txtDenominazione, QStringLiteral("Rossi Mario S.r.l."));
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);

    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Aggiornamento terminato")});
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Controllo:"));
    QCOMPARE(distinti("RAGIONESOCIALE", 1), QStringLiteral("Rossi Mario S.r.l."));
    // Only the name changed: the other columns stay as each row has them.
    QCOMPARE(distinti("PARTITAIVA", 1), QStringLiteral("11111111111,12345678901"));
    QCOMPARE(distinti("RAGIONESOCIALE", 2), QStringLiteral("Bianchi"));
    QCOMPARE(registro->txtDenominazione->text(), QStringLiteral("Rossi Mario S.r.l."));
    QCOMPARE(registro->txtCodiceana->text(), QStringLiteral("1"));
    QCOMPARE(registro->ReportAttivita->NumeroRighe(), 3);  // the list was refreshed
    scaricati();
    QVERIFY(!frmAnagrafiche::Esistente());
}

void TstFrmAnagrafiche::riapertura()
{
    frmAnticipi *registro = ApriRegistro();
    registro->RiceviCliente({"RSSMRA80A01H501U", "12345678901", "Rossi Mario", "1"});
    registro->ControlloBarra(QStringLiteral("Modifica anagrafica"))->trigger();
    frmAnagrafiche *f = frmAnagrafiche::Esistente();
    f->txtDenominazione->setText(QStringLiteral("scritto a mano"));
    registro->RiceviCliente({"BNCLGU70B02F205X", "22222222222", "Bianchi", "2"});
    registro->ControlloBarra(QStringLiteral("Modifica anagrafica"))->trigger();
    QCOMPARE(frmAnagrafiche::Esistente(), f);
    const DatiCliente d = f->ClienteCorrente();
    QCOMPARE(d.codiceAna, QStringLiteral("2"));
    QCOMPARE(d.denominazione, QStringLiteral("Bianchi"));
    QCOMPARE(d.codiceFiscale, QStringLiteral("BNCLGU70B02F205X"));
    QCOMPARE(d.partitaIva, QStringLiteral("22222222222"));
}

void TstFrmAnagrafiche::trova_data()
{
    QTest::addColumn<QStringList>("campi");  // name, tax code, VAT number
    QTest::addColumn<QString>("cerca");
    QTest::newRow("il nome prima") << QStringList{"bianchi", "RSS", "123"} << "bianchi";
    QTest::newRow("poi il codice fiscale") << QStringList{"", "BNCLGU70B02F205X", "123"} << "BNCLGU70B02F205X";
    QTest::newRow("poi la partita IVA") << QStringList{"", "", "22222222222"} << "22222222222";
}

void TstFrmAnagrafiche::trova()
{
    QFETCH(QStringList, campi);
    QFETCH(QString, cerca);
    const QString prima = archivio();
    frmAnagrafiche *f = apri("0", campi[0], campi[1], campi[2]);
    bool aperta = false;
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *w) {
        aperta = true;
        auto *r = qobject_cast<frmRicerca *>(w);
        QCOMPARE(r->txtCerca->text(), cerca);
        QVERIFY(r->ApertoDaAnagrafiche);
        QVERIFY(r->isModal());
        QCOMPARE(r->ReportAttivita->NumeroRighe(), 1);  // the search already ran on the text
        ReportControl *l = r->ReportAttivita;
        QTest::mouseClick(l->Vista()->viewport(), Qt::LeftButton, {},
                          l->Vista()->visualRect(l->Vista()->model()->index(0, 1)).center());
        QTest::mouseClick(r->cmdOk, Qt::LeftButton);
    });
    QTest::mouseClick(f->cmdTrova, Qt::LeftButton);
    QVERIFY(aperta);
    QVERIFY(!frmRicerca::Esistente());
    const DatiCliente d = f->ClienteCorrente();
    QCOMPARE(QStringList({d.codiceAna, d.denominazione, d.codiceFiscale, d.partitaIva}),
             QStringList({"2", "Bianchi", "BNCLGU70B02F205X", "22222222222"}));
    QVERIFY(f->isVisible());
    QCOMPARE(m_registro->ricevuti, 0);  // only Ok writes, and only then does the ledger follow
    QCOMPARE(archivio(), prima);
}

void TstFrmAnagrafiche::codiceDalCodiceFiscale_data()
{
    QTest::addColumn<QString>("codiceRegistro");
    QTest::addColumn<bool>("segue");
    QTest::newRow("registro senza cliente") << "0" << true;
    QTest::newRow("registro vuoto non conta") << "" << false;
}

void TstFrmAnagrafiche::codiceDalCodiceFiscale()
{
    QFETCH(QString, codiceRegistro);
    QFETCH(bool, segue);
    m_registro->dati.codiceAna = codiceRegistro;
    frmAnagrafiche *f = apri("", "scritto a mano", "", "99999999999");
    const QString prima = archivio();
    riscrivi(f->txtCF, QStringLiteral("RSSMRA80A01H501U"));
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    // The tax code wins, and the client's newest row gives the other fields: nothing is left that
    // the user changed, and nothing is written.
    QCOMPARE(messaggi().testi(), QStringList{NessunaModifica});
    QCOMPARE(archivio(), prima);
    QCOMPARE(m_registro->ricevuti, segue ? 1 : 0);
    if (segue) {
        QCOMPARE(m_registro->dati.codiceAna, QStringLiteral("1"));
        QCOMPARE(m_registro->dati.denominazione, QStringLiteral("Rossi Mario"));
    }
}

void TstFrmAnagrafiche::nessunCliente()
{
    const QString prima = archivio();
    frmAnagrafiche *f = apri("0", "Nessuno", "XXXXXX00X00X000X", "00000000000");
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Anagrafica inesistente in archivio")});
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Controllo:"));
    QCOMPARE(archivio(), prima);
    QCOMPARE(f->txtCodiceana->text(), QStringLiteral("0"));
    QCOMPARE(f->txtDenominazione->text(), QStringLiteral("Nessuno"));
    QVERIFY(f->isVisible() && f->isEnabled());
    QCOMPARE(m_registro->ricevuti, 0);
}

void TstFrmAnagrafiche::registroSuAltroCliente()
{
    m_registro->dati = {"BNCLGU70B02F205X", "22222222222", "Bianchi", "2"};
    frmAnagrafiche *f = apri("1", "Rossi Mario", "RSSMRA80A01H501U", "12345678901");
    riscrivi(f->txtDenominazione, QStringLiteral("Rossi Nuovo"));
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(distinti("RAGIONESOCIALE", 1), QStringLiteral("Rossi Nuovo"));
    QCOMPARE(m_registro->ricevuti, 0);
    QCOMPARE(m_registro->dati.denominazione, QStringLiteral("Bianchi"));
}

void TstFrmAnagrafiche::campiVuoti()
{
    m_registro->dati.codiceAna = "1";
    frmAnagrafiche *f = apri("1", "Rossi Mario", "RSSMRA80A01H501U", "12345678901");
    riscrivi(f->txtCF, QString());
    riscrivi(f->txtPiva, QString());
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(ValoreSql("SELECT COUNT(*) FROM ANTICIPI WHERE CODICEANA=1 AND CODICEFISCALE='' AND PARTITAIVA=''").toInt(), 2);
    QCOMPARE(ValoreSql("SELECT COUNT(*) FROM ANTICIPI WHERE CODICEFISCALE IS NULL OR PARTITAIVA IS NULL").toInt(), 0);
    QCOMPARE(m_registro->dati.codiceFiscale, QString());
    QCOMPARE(m_registro->ricevuti, 1);
}

void TstFrmAnagrafiche::esci()
{
    m_registro->dati.codiceAna = "1";
    const QString prima = archivio();
    frmAnagrafiche *f = apri("1", "Rossi Mario", "RSSMRA80A01H501U", "12345678901");
    riscrivi(f->txtDenominazione, QStringLiteral("mai scritto"));
    QTest::mouseClick(f->CmdEsci, Qt::LeftButton);
    scaricati();
    QVERIFY(!frmAnagrafiche::Esistente());
    QCOMPARE(archivio(), prima);
    QCOMPARE(m_registro->ricevuti, 0);
    QVERIFY(messaggi().messaggi.isEmpty());
}

void TstFrmAnagrafiche::aggiornamentoFallito()
{
    m_registro->dati.codiceAna = "1";
    QVERIFY(BloccaAggiornamenti(QStringLiteral("bloccato")));
    const QString prima = archivio();
    frmAnagrafiche *f = apri("1", "Rossi Mario", "RSSMRA80A01H501U", "12345678901");
    riscrivi(f->txtDenominazione, QStringLiteral("Rossi Nuovo"));
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().messaggi.size(), 1);
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Errore "));
    QVERIFY(messaggi().testi().first().contains(QStringLiteral("bloccato")));
    QCOMPARE(archivio(), prima);
    QVERIFY(f->isVisible() && f->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(m_registro->ricevuti, 0);
}

void TstFrmAnagrafiche::ricercaFallita()
{
    Archivio::ConnArchivio().Chiudi();
    frmAnagrafiche *f = apri("0", "Rossi Mario", "RSSMRA80A01H501U", "");
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    // Each failed lookup is reported under the procedure's name, then the lookup goes on.
    QStringList testi = messaggi().testi();
    QCOMPARE(testi.size(), 3);
    QCOMPARE(messaggi().messaggi.at(0).titolo, QStringLiteral("Errore ControlloCodiceAna"));
    QCOMPARE(messaggi().messaggi.at(1).titolo, QStringLiteral("Errore ControlloCodiceAna"));
    QCOMPARE(testi.last(), QStringLiteral("Anagrafica inesistente in archivio"));
    QVERIFY(f->isVisible());
}

// A tax code or VAT number that another client holds is refused, naming that client; nothing is written.
void TstFrmAnagrafiche::codiceDiUnAltroCliente_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("messaggio");
    QTest::newRow("codice fiscale") << "txtCF" << "bnclgu70b02f205x"
                                    << "Il codice fiscale bnclgu70b02f205x è già del cliente Bianchi (codice 2)";
    QTest::newRow("partita IVA") << "txtPiva" << "22222222222"
                                 << "La partita IVA 22222222222 è già del cliente Bianchi (codice 2)";
}

void TstFrmAnagrafiche::codiceDiUnAltroCliente()
{
    QFETCH(QString, campo);
    QFETCH(QString, testo);
    QFETCH(QString, messaggio);
    const QString prima = archivio();
    frmAnagrafiche *f = apri("1", "Rossi Mario", "RSSMRA80A01H501U", "12345678901");
    riscrivi(f->findChild<QLineEdit *>(campo), testo);
    QTest::mouseClick(f->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi().size(), 1);
    QVERIFY2(messaggi().testi().first().startsWith(messaggio), qPrintable(messaggi().testi().first()));
    QCOMPARE(archivio(), prima);
}

// A name longer than the fields' 50 characters, written by another program, is shown whole and never
// cut: not by an Ok that changed nothing, nor by one that changed another field.
void TstFrmAnagrafiche::nomeLungoMaiTagliato()
{
    const QString lungo = QStringLiteral("Studio Associato Rossi, Bianchi, Verdi e Colleghi Commercialisti");
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE=? WHERE CODICEANA=1"), {lungo}));
    frmAnticipi *registro = ApriRegistro();
    riscrivi(registro->txtCF, QStringLiteral("RSSMRA80A01H501U"));
    QTest::keyClick(registro->txtCF, Qt::Key_Tab);
    QVERIFY(registro->TestoIntestazioneStampa().contains(lungo));
    const QString prima = archivio();
    registro->ControlloBarra(QStringLiteral("Modifica anagrafica"))->trigger();
    QTest::mouseClick(frmAnagrafiche::Esistente()->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi(), QStringList{NessunaModifica});
    QCOMPARE(archivio(), prima);
    scaricati();
    registro->ControlloBarra(QStringLiteral("Modifica anagrafica"))->trigger();
    riscrivi(frmAnagrafiche::Esistente()->txtPiva, QStringLiteral("99999999999"));
    QTest::mouseClick(frmAnagrafiche::Esistente()->cmdOk, Qt::LeftButton);
    QCOMPARE(distinti("RAGIONESOCIALE", 1), lungo);
    QCOMPARE(distinti("PARTITAIVA", 1), QStringLiteral("99999999999"));
}

SPESARIO_TEST_MAIN(TstFrmAnagrafiche)
#include "tst_frmAnagrafiche.moc"
