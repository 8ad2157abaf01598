// Client identification on the ledger window: typing into the client fields and leaving them,
// Enter opening the search, the name field enabling Salva.
#include "clients/frmRicerca.h"
#include "ledger/frmAnticipi.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "widgets/reportcontrol.h"

#include <QAction>
#include <QLineEdit>

namespace {

int Anno() { return QDate::currentDate().year(); }
QString Giorno(int mese, int giorno) { return QDate(Anno(), mese, giorno).toString(QStringLiteral("yyyy-MM-dd")); }

// Types into a client field and leaves it with Tab, as the user does.
void DigitaEEsci(QLineEdit *campo, const QString &testo)
{
    SpostaFocus(campo);
    Digita(campo, testo);
    QTest::keyClick(campo, Qt::Key_Tab);
}

QStringList Cliente(frmAnticipi *f)
{
    return {f->txtCodiceana->text(), f->txtDenominazione->text(), f->txtCF->text(), f->txtPiva->text()};
}

QStringList Descrizioni(frmAnticipi *f)
{
    QStringList r;
    for (int i = 0; i < f->ReportAttivita->NumeroRighe(); ++i)
        r << f->ReportAttivita->ValoreItem(i, 2).toString();
    return r;
}

} // namespace

class TstIdentificazione : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void ricerca_data();
    void ricerca();
    void partitaIvaSostituisceCodiceFiscaleIgnoto();
    void codiceFiscaleIgnoto();
    void campoVuotoLasciatoAllApertura();
    void codiceFiscaleRiletto();
    void campiNulliComeTestoVuoto();
    void invioApreLaRicercaColNome_data();
    void invioApreLaRicercaColNome();
    void denominazioneAbilitaSalva();
    void limitiEFocusIniziale();
    void datiScrittiSulClienteRimessi_data();
    void datiScrittiSulClienteRimessi();
};

void TstIdentificazione::init()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
}

void TstIdentificazione::cleanup()
{
    ChiudiFinestre();
    QVERIFY(NessunaAttesa());
}

void TstIdentificazione::ricerca_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QStringList>("atteso");  // code, name, tax code, VAT number
    QTest::addColumn<QStringList>("movimenti");

    // Client 3 changed its name and VAT number over time; client 5 shares its first name.
    const QStringList nuovo = {"3", "Rossi S.r.l.", "RSSMRA80A01H501U", "22222222222"};
    QTest::newRow("codice fiscale, riga piu recente")
        << "txtCF" << "RSSMRA80A01H501U" << nuovo << QStringList{"a", "b", "c"};
    QTest::newRow("codice fiscale minuscolo") << "txtCF" << "rssmra80a01h501u"
                                              << QStringList{"3", "Rossi S.r.l.", "rssmra80a01h501u", "22222222222"}
                                              << QStringList{"a", "b", "c"};
    QTest::newRow("partita IVA") << "txtPiva" << "11111111111"
                                 << QStringList{"3", "Rossi srl", "RSSMRA80A01H501U", "11111111111"}
                                 << QStringList{"a", "b", "c"};
    QTest::newRow("apostrofo") << "txtDenominazione" << "L'Orologio snc"
                               << QStringList{"4", "L'Orologio snc", "LRLSNC", "33333333333"} << QStringList{"d"};
    // "Rossi srl" is the old name of client 3 and the name of client 5, whose row is newer.
    QTest::newRow("stesso nome, il piu recente")
        << "txtDenominazione" << "Rossi srl" << QStringList{"5", "Rossi srl", "ALTRO5", "55555555555"}
        << QStringList{"e"};
    // Case does not matter for any letter, accented ones included; accents do.
    for (const char *grafia : {"SOCIETÀ ANTICA", "Società Antica", "società antica", "sOcIeTà AnTiCa"})
        QTest::newRow(grafia) << "txtDenominazione" << grafia
                              << QStringList{"6", QString::fromUtf8(grafia), "SCTNTC", "66666666666"}
                              << QStringList{"f"};
    QTest::newRow("senza accento e un altro nome")
        << "txtDenominazione" << "Societa Antica" << QStringList{"0", "Societa Antica", "", ""} << QStringList{};
    QTest::newRow("codice fiscale, lettera accentata")
        << "txtCF" << "sctntcà" << QStringList{"7", "Ètoile", "sctntcà", "7777777777À"} << QStringList{"g"};
    QTest::newRow("partita IVA, lettera accentata")
        << "txtPiva" << "7777777777à" << QStringList{"7", "Ètoile", "SCTNTCÀ", "7777777777à"} << QStringList{"g"};
    QTest::newRow("nome accentato minuscolo") << "txtDenominazione" << "ètoile"
                                              << QStringList{"7", "ètoile", "SCTNTCÀ", "7777777777À"}
                                              << QStringList{"g"};
    // More spellings than one statement lists: the names are compared in the program.
    QTest::newRow("nome con molte lettere non ASCII")
        << "txtDenominazione" << "αρχαια εταιρεια" << QStringList{"8", "αρχαια εταιρεια", "RXT", "88888888888"}
        << QStringList{"h"};
    QTest::newRow("molte lettere non ASCII, nome nuovo")
        << "txtDenominazione" << "αρχαια εταιρειε" << QStringList{"0", "αρχαια εταιρειε", "", ""} << QStringList{};
}

void TstIdentificazione::ricerca()
{
    QFETCH(QString, campo);
    QFETCH(QString, testo);
    QFETCH(QStringList, atteso);
    QFETCH(QStringList, movimenti);
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Rossi srl", "RSSMRA80A01H501U", "11111111111", 3);
    InserisciRiga(Giorno(2, 5), "b", "0", "10", "Rossi S.r.l.", "RSSMRA80A01H501U", "22222222222", 3);
    InserisciRiga(Giorno(3, 5), "d", "0", "10", "L'Orologio snc", "LRLSNC", "33333333333", 4);
    InserisciRiga(Giorno(4, 5), "e", "0", "10", "Rossi srl", "ALTRO5", "55555555555", 5);
    InserisciRiga(Giorno(5, 5), "c", "0", "10", "Rossi S.r.l.", "RSSMRA80A01H501U", "22222222222", 3);
    InserisciRiga(Giorno(6, 5), "f", "0", "10", "SOCIETÀ ANTICA", "SCTNTC", "66666666666", 6);
    InserisciRiga(Giorno(6, 6), "g", "0", "10", "Ètoile", "SCTNTCÀ", "7777777777À", 7);
    InserisciRiga(Giorno(6, 7), "h", "0", "10", "ΑΡΧΑΙΑ ΕΤΑΙΡΕΙΑ", "RXT", "88888888888", 8);

    frmAnticipi *f = ApriRegistro();
    DigitaEEsci(f->findChild<QLineEdit *>(campo), testo);
    QCOMPARE(Cliente(f), atteso);
    QCOMPARE(Descrizioni(f), movimenti);
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
}

void TstIdentificazione::partitaIvaSostituisceCodiceFiscaleIgnoto()
{
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Verdi", "VRDGPP", "12345678901", 8);
    frmAnticipi *f = ApriRegistro();
    SpostaFocus(f->txtCF);
    QTest::keyClicks(f->txtCF, QStringLiteral("NONCE"));
    QTest::keyClick(f->txtCF, Qt::Key_Tab);  // to txtPiva: nothing found yet
    QCOMPARE(Cliente(f), QStringList({"0", "", "NONCE", ""}));
    QTest::keyClicks(f->txtPiva, QStringLiteral("12345678901"));
    QTest::keyClick(f->txtPiva, Qt::Key_Tab);
    QCOMPARE(Cliente(f), QStringList({"8", "Verdi", "VRDGPP", "12345678901"}));
    QCOMPARE(Descrizioni(f), QStringList{"a"});
}

void TstIdentificazione::codiceFiscaleIgnoto()
{
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Verdi", "VRDGPP", "12345678901", 8);
    frmAnticipi *f = ApriRegistro();
    DigitaEEsci(f->txtCF, QStringLiteral("SCONOSCIUTO"));
    QCOMPARE(Cliente(f), QStringList({"0", "", "SCONOSCIUTO", ""}));
    QCOMPARE(f->ReportAttivita->NumeroRighe(), 0);
    QCOMPARE(f->lblSaldo->text(), QStringLiteral("0,00"));
}

void TstIdentificazione::campoVuotoLasciatoAllApertura()
{
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "", "", "", 1);
    frmAnticipi *f = ApriRegistro();
    QCOMPARE(QApplication::focusWidget(), f->txtDenominazione);
    QVERIFY(f->txtCodiceana->text().isEmpty());
    QTest::keyClick(f->txtDenominazione, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f->txtCF);
    QCOMPARE(f->txtCodiceana->text(), QStringLiteral("0"));
    QCOMPARE(f->ReportAttivita->NumeroRighe(), 0);
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
}

void TstIdentificazione::codiceFiscaleRiletto()
{
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Bianchi spa", "BNCGNN", "99999999999", 2);
    frmAnticipi *f = ApriRegistro();
    DigitaEEsci(f->txtCF, QStringLiteral("BNCGNN"));
    QCOMPARE(f->txtCodiceana->text(), QStringLiteral("2"));
    // Editing the name and leaving it puts back the stored name: the tax code still rules.
    SpostaFocus(f->txtDenominazione);
    f->txtDenominazione->selectAll();
    QTest::keyClicks(f->txtDenominazione, QStringLiteral("Bianchi S.p.A."));
    QTest::keyClick(f->txtDenominazione, Qt::Key_Tab);
    QCOMPARE(Cliente(f), QStringList({"2", "Bianchi spa", "BNCGNN", "99999999999"}));
}

void TstIdentificazione::campiNulliComeTestoVuoto()
{
    const qint64 id = InserisciRiga(Giorno(1, 5), "a", "0", "10", "x", "NULLI", "x", 6);
    QVERIFY(EseguiSql(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE=NULL, PARTITAIVA=NULL WHERE ID=?"), {id}));
    frmAnticipi *f = ApriRegistro();
    SpostaFocus(f->txtDenominazione);
    QTest::keyClicks(f->txtDenominazione, QStringLiteral("vecchio"));
    QTest::keyClick(f->txtDenominazione, Qt::Key_Tab);  // no client named so
    QTest::keyClicks(f->txtCF, QStringLiteral("NULLI"));
    QTest::keyClick(f->txtCF, Qt::Key_Tab);
    QCOMPARE(Cliente(f), QStringList({"6", "", "NULLI", ""}));
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
}

void TstIdentificazione::invioApreLaRicercaColNome_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("cf");
    QTest::addColumn<QString>("piva");
    QTest::addColumn<QString>("cercato");
    QTest::newRow("nome") << "Gialli" << "GLLY" << "12" << "Gialli";
    QTest::newRow("codice fiscale") << "" << "GLLY" << "12" << "GLLY";
    QTest::newRow("partita IVA") << "" << "" << "12" << "12";
    QTest::newRow("nessuno") << "" << "" << "" << "";
}

void TstIdentificazione::invioApreLaRicercaColNome()
{
    QFETCH(QString, nome);
    QFETCH(QString, cf);
    QFETCH(QString, piva);
    QFETCH(QString, cercato);
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Gialli", "GLLYYY", "33333333333", 1);
    InserisciRiga(Giorno(1, 5), "b", "0", "10", "Neri", "NRIZZZ", "12121212121", 2);
    frmAnticipi *f = ApriRegistro();
    f->txtDenominazione->setText(nome);
    f->txtCF->setText(cf);
    f->txtPiva->setText(piva);
    SpostaFocus(f->txtPiva);

    QString testoCerca;
    int righe = -1;
    bool filtrata = false;
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *w) {
        auto *r = qobject_cast<frmRicerca *>(w);
        QVERIFY(r);
        QVERIFY(r->isModal());
        testoCerca = r->txtCerca->text();
        filtrata = r->ReportAttivita->Filtro() == testoCerca;
        righe = r->ReportAttivita->NumeroRighe();
        QTest::mouseClick(r->CmdEsci, Qt::LeftButton);
    });
    QTest::keyClick(f->txtPiva, Qt::Key_Return);
    QVERIFY(NessunaAttesa());
    QCOMPARE(testoCerca, cercato);
    QVERIFY(filtrata);
    // "Gialli" and "GLLY" show client 1 only, "12" client 2 only; with no text every client shows.
    QCOMPARE(righe, cercato.isEmpty() ? 2 : 1);
    QVERIFY(!frmRicerca::Esistente());
    QCOMPARE(f->txtDenominazione->text(), nome);
}

void TstIdentificazione::denominazioneAbilitaSalva()
{
    frmAnticipi *f = ApriRegistro();
    QVERIFY(!f->ctlSalva->isEnabled());
    SpostaFocus(f->txtDenominazione);
    QTest::keyClicks(f->txtDenominazione, QStringLiteral("N"));
    QVERIFY(f->ctlSalva->isEnabled());
    QVERIFY(!f->ctlElimina->isEnabled());
    f->AbilitaComandi(1);
    QTest::keyClick(f->txtDenominazione, Qt::Key_Backspace);
    QVERIFY(!f->ctlSalva->isEnabled());
    QVERIFY(!f->ctlElimina->isEnabled());
}

void TstIdentificazione::limitiEFocusIniziale()
{
    frmAnticipi *f = ApriRegistro();
    QCOMPARE(f->focusWidget(), f->txtDenominazione);
    QCOMPARE(f->txtDenominazione->maxLength(), 50);
    QCOMPARE(f->txtCF->maxLength(), 16);
    QCOMPARE(f->txtPiva->maxLength(), 11);
    QCOMPARE(f->txtDenominazione->nextInFocusChain(), f->txtCF);
    QCOMPARE(f->txtCF->nextInFocusChain(), f->txtPiva);
    QVERIFY(!f->txtCodiceana->isVisible());
}

// With a client shown, what is typed over its data and leads to no other client is put back, and said:
// it never becomes the client's data (the master-data window changes those), not even by a Salva
// chosen while it is still in the field (which stops there).
void TstIdentificazione::datiScrittiSulClienteRimessi_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("nomeCampo");
    QTest::newRow("codice fiscale di nessuno") << "txtCF" << "RSSMRA80A01H501X" << "Codice Fiscale";
    QTest::newRow("codice fiscale cancellato") << "txtCF" << "" << "Codice Fiscale";
    QTest::newRow("partita IVA di nessuno") << "txtPiva" << "99999999999" << "Partita IVA";
    QTest::newRow("partita IVA di un altro") << "txtPiva" << "22222222222" << "Partita IVA";
    QTest::newRow("denominazione di nessuno") << "txtDenominazione" << "Rossi Mario S.r.l." << "Denominazione";
}

void TstIdentificazione::datiScrittiSulClienteRimessi()
{
    QFETCH(QString, campo);
    QFETCH(QString, testo);
    QFETCH(QString, nomeCampo);
    InserisciRiga(Giorno(1, 5), "a", "0", "10", "Rossi Mario", "RSSMRA80A01H501U", "11111111111", 1);
    InserisciRiga(Giorno(1, 6), "b", "0", "20", "Bianchi", "BNCGNN", "22222222222", 2);
    frmAnticipi *f = ApriRegistro();
    DigitaEEsci(f->txtCF, QStringLiteral("RSSMRA80A01H501U"));
    const QStringList rossi = {"1", "Rossi Mario", "RSSMRA80A01H501U", "11111111111"};
    auto *c = f->findChild<QLineEdit *>(campo);
    SpostaFocus(c);
    QTest::keyClick(c, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(c, Qt::Key_Delete);
    DigitaEEsci(c, testo);
    QCOMPARE(Cliente(f), rossi);
    QCOMPARE(Descrizioni(f), QStringList{"a"});
    const QStringList testi = Ambiente::corrente().messaggi.testi();
    QCOMPARE(testi.size(), 1);
    QVERIFY2(testi.first().contains(nomeCampo) && testi.first().contains("Modifica anagrafica"),
             qPrintable(testi.first()));

    SpostaFocus(f->txtUscite);
    QTest::keyClicks(f->txtUscite, QStringLiteral("5"));
    f->txtDescrizione->setPlainText(QStringLiteral("nuovo"));
    SpostaFocus(c);
    QTest::keyClick(c, Qt::Key_A, Qt::ControlModifier);
    Digita(c, testo.isEmpty() ? QStringLiteral("X") : testo);
    f->ControlloBarra(QStringLiteral("Salva"))->trigger();
    QCOMPARE(Ambiente::corrente().messaggi.testi().size(), 2);
    f->ControlloBarra(QStringLiteral("Salva"))->trigger();
    QCOMPARE(RigheSql("SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
                      "WHERE DESCRIZIONE='nuovo'"),
             QList<QVariantList>({{1, "Rossi Mario", "RSSMRA80A01H501U", "11111111111"}}));
}

SPESARIO_TEST_MAIN(TstIdentificazione)
#include "tst_identificazione.moc"
