// Editing one movement in the ledger window: the amount rules, loading a row, the command states,
// the checks before saving and the save itself, driven through the window's controls.

#include "tests/ledger/utente.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace Utente;

namespace {
const QString CfRossi = QStringLiteral("RSSMRA80A01H501U");
const QString CfBianchi = QStringLiteral("BNCLGU75B02F205X");
} // namespace

class TstModifica : public QObject {
    Q_OBJECT
    frmAnticipi *w = nullptr;
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }

    void impostaComandi(bool salva, bool elimina)
    {
        w->ctlSalva->setEnabled(salva);
        w->ctlElimina->setEnabled(elimina);
    }
    void verificaComandi(bool salva, bool elimina)
    {
        QCOMPARE(attivo(w, QStringLiteral("Salva")), salva);
        QCOMPARE(attivo(w, QStringLiteral("Elimina")), elimina);
    }

private Q_SLOTS:
    void init() { w = apri(); }
    void cleanup()
    {
        chiudi();
        w = nullptr;
    }

    void filtroTasti_data();
    void filtroTasti();
    void incollaETrascina();
    void formattazioneUscita_data();
    void formattazioneUscita();
    void selezioneAlFuoco();
    void sceltaTipo();

    void caricamento_data();
    void caricamento();
    void clicDestroNonCarica();
    void rigaScomparsaNonCarica();
    void nessunaRigaFocalizzata();

    void statoComandi_data();
    void statoComandi();

    void controlloCampi_data();
    void controlloCampi();
    void importiVuotiDiventanoZero();

    void nuovoClienteNuovoCodice_data();
    void nuovoClienteNuovoCodice();
    void colonneScritte();
    void movimentoPassaAdAltroCliente();
    void codiceVuotoIdentificaPrima();
    void scritturaFallitaMantieneTutto_data();
    void scritturaFallitaMantieneTutto();
    void massimoCodiceIllegibileFermaIlSalvataggio();
    void importiNonToccatiRestanoComeInArchivio_data();
    void importiNonToccatiRestanoComeInArchivio();
    void codiceDelClienteEliminato_data();
    void codiceDelClienteEliminato();
};

// ---------------------------------------------------------------------------------------------
// Amount fields

void TstModifica::filtroTasti_data()
{
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("tasti");
    QTest::addColumn<int>("backspace");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("punto diventa virgola") << 1 << "12.5" << 0 << "12,5";
    QTest::newRow("lettere, meno e spazi scartati") << 1 << "a1-2 b3" << 0 << "123";
    QTest::newRow("backspace cancella") << 1 << "1234" << 2 << "12";
    QTest::newRow("solo scartati") << 1 << "x-" << 0 << "";
    QTest::newRow("entrate come uscite") << 0 << "-7.25e" << 0 << "7,25";
}

void TstModifica::filtroTasti()
{
    QFETCH(int, tipo);
    QFETCH(QString, tasti);
    QFETCH(int, backspace);
    QFETCH(QString, atteso);
    QTest::mouseClick(w->optTipo[tipo], Qt::LeftButton);
    QLineEdit *campo = tipo == 0 ? w->txtEntrate : w->txtUscite;
    impostaComandi(false, false);
    scrivi(campo, QString());
    // Every key counts as an edit, also a discarded one.
    impostaComandi(false, false);
    QTest::keyClicks(campo, tasti);
    for (int i = 0; i < backspace; ++i)
        QTest::keyClick(campo, Qt::Key_Backspace);
    QCOMPARE(campo->text(), atteso);
    verificaComandi(true, false);  // nothing loaded to delete
}

void TstModifica::incollaETrascina()
{
    // Pasted text with a character the field refuses is refused whole: never another number.
    auto incolla = [this](const QString &testo) {
        QGuiApplication::clipboard()->setText(testo);
        QTest::keyClick(w->txtUscite, Qt::Key_V, Qt::ControlModifier);
        return w->txtUscite->text();
    };
    scrivi(w->txtUscite, QStringLiteral("7"));
    QCOMPARE(incolla(QStringLiteral("-12,50")), QStringLiteral("7"));
    QCOMPARE(incolla(QStringLiteral("1.234,5 EUR")), QStringLiteral("7"));
    QCOMPARE(incolla(QStringLiteral("12 50")), QStringLiteral("7"));
    w->txtUscite->selectAll();
    // A cell copied from a spreadsheet: the line break after it is not part of the number.
    QCOMPARE(incolla(QStringLiteral("1.234,5\r\n")), QStringLiteral("1.234,5"));
    w->txtDescrizione->setFocus();
    QCOMPARE(w->txtUscite->text(), QStringLiteral("1.234,50"));

    // Dropped text obeys the same rule.
    scrivi(w->txtUscite, QStringLiteral("5"));
    QMimeData dati;
    dati.setText(QStringLiteral("-99x"));
    QDragEnterEvent entrata(QPoint(5, 5), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->txtUscite, &entrata);
    QDropEvent rilascio(QPointF(5, 5), Qt::CopyAction, &dati, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w->txtUscite, &rilascio);
    QCOMPARE(w->txtUscite->text(), QStringLiteral("5"));
}

void TstModifica::formattazioneUscita_data()
{
    QTest::addColumn<QString>("tasti");
    QTest::addColumn<QString>("atteso");
    QTest::newRow("decimali e migliaia") << "1234,5" << "1.234,50";
    QTest::newRow("vuoto") << "" << "0,00";
    QTest::newRow("non numero lasciato") << "1,2,3" << "1,2,3";
    QTest::newRow("punto digitato e arrotondamento") << "1.234" << "1,23";
    QTest::newRow("solo decimali") << ",5" << "0,50";
    QTest::newRow("milioni") << "1000000" << "1.000.000,00";
}

void TstModifica::formattazioneUscita()
{
    QFETCH(QString, tasti);
    QFETCH(QString, atteso);
    scrivi(w->txtUscite, tasti, w->txtDescrizione);
    QCOMPARE(w->txtUscite->text(), atteso);
}

void TstModifica::selezioneAlFuoco()
{
    scrivi(w->txtUscite, QStringLiteral("15"), w->txtDescrizione);
    QCOMPARE(w->txtUscite->text(), QStringLiteral("15,00"));
    w->txtUscite->setFocus();
    QCoreApplication::processEvents();
    QCOMPARE(w->txtUscite->selectedText(), QStringLiteral("15,00"));
    QTest::keyClicks(w->txtUscite, QStringLiteral("7"));
    QCOMPARE(w->txtUscite->text(), QStringLiteral("7"));
}

void TstModifica::sceltaTipo()
{
    const QColor finestra = QApplication::palette().color(QPalette::Base);
    const QColor menu = QApplication::palette().color(QPalette::Button);
    QVERIFY(finestra != menu);
    // As loaded: Uscita.
    QVERIFY(w->optTipo[1]->isChecked());
    QVERIFY(!w->txtEntrate->isEnabled());
    QVERIFY(w->txtUscite->isEnabled());
    scrivi(w->txtUscite, QStringLiteral("5"), w->txtDescrizione);
    impostaComandi(false, false);

    QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
    QVERIFY(w->txtEntrate->isEnabled());
    QVERIFY(!w->txtUscite->isEnabled());
    QCOMPARE(w->txtEntrate->palette().color(QPalette::Base), finestra);
    QCOMPARE(w->txtUscite->palette().color(QPalette::Disabled, QPalette::Base), menu);
    QCOMPARE(w->txtUscite->text(), QStringLiteral("5,00"));  // the amount stays
    verificaComandi(true, false);  // Elimina only for a movement loaded

    QTest::mouseClick(w->optTipo[1], Qt::LeftButton);
    QVERIFY(!w->txtEntrate->isEnabled());
    QVERIFY(w->txtUscite->isEnabled());
    QCOMPARE(w->txtUscite->palette().color(QPalette::Base), finestra);
    QCOMPARE(w->txtEntrate->palette().color(QPalette::Disabled, QPalette::Base), menu);
}

// ---------------------------------------------------------------------------------------------
// Loading a movement from the list

void TstModifica::caricamento_data()
{
    QTest::addColumn<QString>("entrata");
    QTest::addColumn<QString>("uscita");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("testoEntrate");
    QTest::addColumn<QString>("testoUscite");
    QTest::newRow("uscita") << "0" << "1234,5" << 1 << "0,00" << "1.234,50";
    QTest::newRow("entrata") << "12,5" << "0" << 0 << "12,50" << "0,00";
    QTest::newRow("entrambi zero") << "0" << "0" << 1 << "0,00" << "0,00";
    // Rows written elsewhere show both amounts as stored, sign included.
    QTest::newRow("entrata negativa e uscita") << "-3" << "7" << 1 << "-3,00" << "7,00";
    QTest::newRow("entrambi") << "40" << "9" << 0 << "40,00" << "9,00";
    // An amount written elsewhere shows as stored, sign included.
    QTest::newRow("uscita negativa") << "0" << "-5" << 1 << "0,00" << "-5,00";
}

void TstModifica::caricamento()
{
    QFETCH(QString, entrata);
    QFETCH(QString, uscita);
    QFETCH(int, tipo);
    QFETCH(QString, testoEntrate);
    QFETCH(QString, testoUscite);
    InserisciRiga(questAnno(2, 1), QStringLiteral("altra"), QStringLiteral("1"), QStringLiteral("0"),
                  QStringLiteral("Rossi Mario"), CfRossi, QString(), 3);
    const qint64 id = InserisciRiga(questAnno(3, 15), QStringLiteral("Spesa\ndi bollo"), entrata, uscita,
                                    QStringLiteral("Rossi Mario"), CfRossi, QStringLiteral("01234567890"), 3);
    identifica(w, CfRossi);
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 2);
    // The opposite type first, so that the switch shows.
    QTest::mouseClick(w->optTipo[1 - tipo], Qt::LeftButton);
    impostaComandi(false, false);

    cliccaRiga(w, rigaDi(w, id));
    QCOMPARE(w->lblID->text(), QString::number(id));
    QCOMPARE(w->DtpData->date(), QDate::fromString(questAnno(3, 15), QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("Spesa\ndi bollo"));
    QVERIFY(w->optTipo[tipo]->isChecked());
    QVERIFY(!w->optTipo[1 - tipo]->isChecked());
    QCOMPARE(w->txtEntrate->text(), testoEntrate);
    QCOMPARE(w->txtUscite->text(), testoUscite);
    verificaComandi(true, true);
    QVERIFY(messaggi().messaggi.isEmpty());
}

void TstModifica::clicDestroNonCarica()
{
    const qint64 a = InserisciRiga(questAnno(3, 1), QStringLiteral("prima"), QStringLiteral("0"),
                                   QStringLiteral("10"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 3);
    const qint64 b = InserisciRiga(questAnno(3, 2), QStringLiteral("seconda"), QStringLiteral("0"),
                                   QStringLiteral("20"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 3);
    identifica(w, CfRossi);
    impostaComandi(true, false);
    cliccaRiga(w, rigaDi(w, a), Qt::RightButton);
    QCOMPARE(w->lblID->text(), QStringLiteral("0"));
    QVERIFY(w->txtDescrizione->toPlainText().isEmpty());
    verificaComandi(true, false);

    cliccaRiga(w, rigaDi(w, a));
    QCOMPARE(w->lblID->text(), QString::number(a));
    impostaComandi(false, true);
    cliccaRiga(w, rigaDi(w, b), Qt::RightButton);
    cliccaRiga(w, rigaDi(w, b), Qt::MiddleButton);
    QCOMPARE(w->lblID->text(), QString::number(a));
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("prima"));
    verificaComandi(false, true);
}

void TstModifica::rigaScomparsaNonCarica()
{
    const qint64 id = InserisciRiga(questAnno(3, 1), QStringLiteral("prima"), QStringLiteral("0"),
                                    QStringLiteral("10"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 3);
    identifica(w, CfRossi);
    // Deleted by someone else after the list was filled.
    ValoreSql(QStringLiteral("DELETE FROM ANTICIPI WHERE ID=%1").arg(id));
    impostaComandi(true, true);
    cliccaRiga(w, rigaDi(w, id));
    QCOMPARE(w->lblID->text(), QStringLiteral("0"));
    QVERIFY(w->txtDescrizione->toPlainText().isEmpty());
    verificaComandi(true, false);
    QVERIFY(messaggi().messaggi.isEmpty());
}

void TstModifica::nessunaRigaFocalizzata()
{
    const qint64 id = InserisciRiga(questAnno(3, 1), QStringLiteral("prima"), QStringLiteral("0"),
                                    QStringLiteral("10"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 3);
    identifica(w, CfRossi);
    cliccaRiga(w, rigaDi(w, id));
    QCOMPARE(w->lblID->text(), QString::number(id));
    // A new period refills the list: no row is focused any more.
    w->DTPFIltro[0]->setDate(QDate(QDate::currentDate().year(), 2, 1));
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);
    QCOMPARE(w->ReportAttivita->RigaFocalizzata(), -1);
    verificaComandi(true, true);
    VistaReport *v = w->ReportAttivita->Vista();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, QPoint(10, v->viewport()->height() - 5));
    QCOMPARE(w->ReportAttivita->RigaFocalizzata(), -1);
    verificaComandi(true, false);
    QCOMPARE(w->lblID->text(), QString::number(id));
}

// ---------------------------------------------------------------------------------------------
// Command states

enum CasoComandi {
    Caricata,            // the window just loaded
    NomeScritto,         // a character typed into the name
    NomeSvuotato,        // the name emptied
    IdAZero,             // lblID back to "0"
    IdAltro,             // lblID set to a row's ID
    TastoDescrizione,
    TabDescrizione,      // Tab out of the empty description; Esc in it
    TastoEntrate,
    TastoUscite,
    ClicTipo,
    DataConMovimento,    // the movement date left while a movement is loaded
    DataSenzaMovimento,  // the same with no movement loaded
};

void TstModifica::statoComandi_data()
{
    QTest::addColumn<int>("caso");
    QTest::addColumn<bool>("salvaPrima");
    QTest::addColumn<bool>("eliminaPrima");
    QTest::addColumn<bool>("salva");
    QTest::addColumn<bool>("elimina");  // only ever for a movement read from the archive (lblID not "0")
    QTest::newRow("finestra caricata") << int(Caricata) << false << false << false << false;
    QTest::newRow("nome scritto, Elimina spento") << int(NomeScritto) << false << false << true << false;
    QTest::newRow("nome scritto, Elimina acceso") << int(NomeScritto) << false << true << true << true;
    QTest::newRow("nome svuotato") << int(NomeSvuotato) << true << true << false << false;
    QTest::newRow("lblID a 0") << int(IdAZero) << true << true << false << false;
    QTest::newRow("lblID a un ID") << int(IdAltro) << false << false << true << true;
    QTest::newRow("tasto in descrizione") << int(TastoDescrizione) << false << false << true << false;
    QTest::newRow("tab dalla descrizione") << int(TabDescrizione) << false << false << false << false;
    QTest::newRow("tasto in entrate") << int(TastoEntrate) << false << false << true << false;
    QTest::newRow("tasto in uscite") << int(TastoUscite) << false << false << true << false;
    QTest::newRow("clic sul tipo") << int(ClicTipo) << false << false << true << false;
    QTest::newRow("data con movimento caricato") << int(DataConMovimento) << false << false << true << true;
    QTest::newRow("data senza movimento") << int(DataSenzaMovimento) << false << false << false << false;
}

void TstModifica::statoComandi()
{
    QFETCH(int, caso);
    QFETCH(bool, salvaPrima);
    QFETCH(bool, eliminaPrima);
    QFETCH(bool, salva);
    QFETCH(bool, elimina);
    if (caso == Caricata) {
        verificaComandi(salva, elimina);
        return;
    }
    if (caso == NomeSvuotato)
        w->txtDenominazione->setText(QStringLiteral("Rossi"));
    if (caso == IdAZero || caso == DataConMovimento)
        w->ImpostaID(QStringLiteral("12"));
    impostaComandi(salvaPrima, eliminaPrima);
    switch (caso) {
    case NomeScritto:
        w->txtDenominazione->setFocus();
        QTest::keyClicks(w->txtDenominazione, QStringLiteral("R"));
        break;
    case NomeSvuotato:
        w->txtDenominazione->setFocus();
        w->txtDenominazione->selectAll();
        QTest::keyClick(w->txtDenominazione, Qt::Key_Backspace);
        break;
    case IdAZero:
        w->ImpostaID(QStringLiteral("0"));
        break;
    case IdAltro:
        w->ImpostaID(QStringLiteral("12"));
        break;
    case TastoDescrizione:
        w->txtDescrizione->setFocus();
        QTest::keyClicks(w->txtDescrizione, QStringLiteral("x"));
        break;
    case TabDescrizione:
        w->txtDescrizione->setFocus();
        QTest::keyClick(w->txtDescrizione, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != w->txtDescrizione);
        w->txtDescrizione->setFocus();
        QTest::keyClick(w->txtDescrizione, Qt::Key_Escape);
        break;
    case TastoEntrate:
        w->optTipo[0]->setChecked(true);
        impostaComandi(salvaPrima, eliminaPrima);
        w->txtEntrate->setFocus();
        QTest::keyClicks(w->txtEntrate, QStringLiteral("3"));
        break;
    case TastoUscite:
        w->txtUscite->setFocus();
        QTest::keyClicks(w->txtUscite, QStringLiteral("3"));
        break;
    case ClicTipo:
        QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
        break;
    case DataConMovimento:
    case DataSenzaMovimento:
        impostaComandi(salvaPrima, eliminaPrima);
        w->DtpData->setFocus();
        w->txtDescrizione->setFocus();
        break;
    }
    verificaComandi(salva, elimina);
}

// ---------------------------------------------------------------------------------------------
// Checks before saving

void TstModifica::controlloCampi_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("descrizione");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("entrate");
    QTest::addColumn<QString>("uscite");
    QTest::addColumn<QString>("messaggio");
    QTest::addColumn<QString>("titolo");
    QTest::addColumn<QString>("fuoco");
    const QString nome = QStringLiteral("Campo obbligatorio: Denominazione.");
    const QString descrizione = QStringLiteral("Campo obbligatorio: Descrizione.");
    const QString numerico = QStringLiteral("Inserire un valore numerico");
    QTest::newRow("nome e descrizione vuoti: solo il nome")
        << "" << "" << 1 << "1,2,3" << "5" << nome << "Controllo" << "txtDenominazione";
    QTest::newRow("descrizione vuota") << "Rossi" << "" << 1 << "0" << "5" << descrizione << "Controllo"
                                       << "txtDescrizione";
    QTest::newRow("entrate non numeriche, campo spento: il fuoco resta")
        << "Rossi" << "Bollo" << 1 << "1,2,3" << "5" << numerico << "Controllo:" << "DtpData";
    QTest::newRow("entrate non numeriche, campo acceso")
        << "Rossi" << "Bollo" << 0 << "1,2,3" << "5" << numerico << "Controllo:" << "txtEntrate";
    QTest::newRow("uscite non numeriche") << "Rossi" << "Bollo" << 1 << "5" << ",," << numerico << "Controllo:"
                                          << "txtUscite";
    QTest::newRow("tutto valido") << "Rossi" << "Bollo" << 1 << "0" << "5" << "" << "" << "";
    // No sum of a million movements of the largest amount overflows; beyond it, or too long to read
    // at all, the amount is refused as too large rather than as no number.
    const QString grande = QStringLiteral("Importo troppo grande");
    QTest::newRow("il massimo") << "Rossi" << "Bollo" << 1 << "0" << "99999999,99" << "" << "" << "";
    QTest::newRow("oltre il massimo") << "Rossi" << "Bollo" << 1 << "0" << "100000000" << grande << "Controllo:"
                                      << "txtUscite";
    QTest::newRow("arrotondato oltre il massimo") << "Rossi" << "Bollo" << 0 << "99999999,995" << "0" << grande
                                           << "Controllo:" << "txtEntrate";
    QTest::newRow("troppe cifre") << "Rossi" << "Bollo" << 1 << "0" << "922337203685477,5808" << grande
                                  << "Controllo:" << "txtUscite";
}

void TstModifica::controlloCampi()
{
    QFETCH(QString, nome);
    QFETCH(QString, descrizione);
    QFETCH(int, tipo);
    QFETCH(QString, entrate);
    QFETCH(QString, uscite);
    QFETCH(QString, messaggio);
    QFETCH(QString, titolo);
    QFETCH(QString, fuoco);
    if (!nome.isEmpty())
        nuovoCliente(w, nome, QStringLiteral("RSSXXX80A01H501U"));
    if (!descrizione.isEmpty())
        scriviDescrizione(w, descrizione);
    QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
    scrivi(w->txtEntrate, entrate, w->txtDescrizione);
    QTest::mouseClick(w->optTipo[1], Qt::LeftButton);
    scrivi(w->txtUscite, uscite, w->txtDescrizione);
    QTest::mouseClick(w->optTipo[tipo], Qt::LeftButton);
    w->DtpData->setFocus();
    messaggi().azzera();

    comando(w, QStringLiteral("Salva"));
    if (messaggio.isEmpty()) {
        QVERIFY(messaggi().messaggi.isEmpty());
        QCOMPARE(conta(), 1);
        return;
    }
    QCOMPARE(messaggi().testi(), QStringList{messaggio});
    const Messaggio &m = messaggi().messaggi.first();
    QCOMPARE(m.titolo, titolo);
    QCOMPARE(m.icona, Icona::Informazione);
    QCOMPARE(m.pulsanti, Pulsanti::Ok);
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), fuoco);
    QCOMPARE(conta(), 0);
}

void TstModifica::importiVuotiDiventanoZero()
{
    // An emptied amount, the focus still in it: it is "0,00" again even when the name check fails.
    scrivi(w->txtUscite, QString());
    QCOMPARE(w->txtUscite->text(), QString());
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Campo obbligatorio: Denominazione.")});
    QCOMPARE(w->txtUscite->text(), QStringLiteral("0,00"));
}

// ---------------------------------------------------------------------------------------------
// Saving

void TstModifica::nuovoClienteNuovoCodice_data()
{
    QTest::addColumn<QList<int>>("codiciEsistenti");
    QTest::addColumn<int>("atteso");
    QTest::newRow("archivio vuoto") << QList<int>{} << 1;
    QTest::newRow("massimo piu uno") << QList<int>{3, 7, 2} << 8;
}

void TstModifica::nuovoClienteNuovoCodice()
{
    QFETCH(QList<int>, codiciEsistenti);
    QFETCH(int, atteso);
    for (int c : codiciEsistenti)
        InserisciRiga(questAnno(1, 10), QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("1"),
                      QStringLiteral("Cliente %1").arg(c), QStringLiteral("CF%1").arg(c), QString(), c);
    nuovoCliente(w, QStringLiteral("Nuova Srl"), QStringLiteral("NVSRLA80A01H501U"));
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("0"));
    scriviDescrizione(w, QStringLiteral("Primo movimento"));
    scrivi(w->txtUscite, QStringLiteral("12.5"), w->txtDescrizione);
    comando(w, QStringLiteral("Salva"));
    QVERIFY(messaggi().messaggi.isEmpty());
    QVERIFY(w->UltimoSalvataggioRiuscito());
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='Primo movimento' AND CODICEANA=%1").arg(atteso)), 1);
    QCOMPARE(w->txtCodiceana->text(), QString::number(atteso));

    // The client stays, the movement fields are empty, both commands off.
    QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Nuova Srl"));
    QCOMPARE(w->txtCF->text(), QStringLiteral("NVSRLA80A01H501U"));
    QCOMPARE(w->lblID->text(), QStringLiteral("0"));
    QVERIFY(w->txtDescrizione->toPlainText().isEmpty());
    QCOMPARE(w->txtEntrate->text(), QStringLiteral("0,00"));
    QCOMPARE(w->txtUscite->text(), QStringLiteral("0,00"));
    QVERIFY(w->optTipo[1]->isChecked());
    QCOMPARE(w->DtpData->date(), QDate::currentDate());
    verificaComandi(false, false);
    // And the list shows the new movement.
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);

    // The client's second movement keeps its code.
    scriviDescrizione(w, QStringLiteral("Secondo"));
    scrivi(w->txtUscite, QStringLiteral("3"), w->txtDescrizione);
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(conta(QStringLiteral("CODICEANA=%1").arg(atteso)), 2);
}

void TstModifica::colonneScritte()
{
    nuovoCliente(w, QStringLiteral("D'Angelo & C."), QStringLiteral("DNGXXX80A01H501U"));
    scrivi(w->txtPiva, QStringLiteral("01234567890"), w->DtpData);
    w->DtpData->setDate(QDate(2025, 11, 30));
    // An outgoing amount typed first, then the type switched: only the incoming one is written.
    scrivi(w->txtUscite, QStringLiteral("99"), w->txtDescrizione);
    QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
    scrivi(w->txtEntrate, QStringLiteral("1234,5"), w->txtDescrizione);
    scriviDescrizione(w, QStringLiteral("Riga uno"));
    QTest::keyClick(w->txtDescrizione, Qt::Key_Return);
    QTest::keyClicks(w->txtDescrizione, QStringLiteral("riga 'due'"));
    comando(w, QStringLiteral("Salva"));
    QVERIFY(messaggi().messaggi.isEmpty());

    const QList<QVariantList> righe = RigheSql(QStringLiteral(
        "SELECT DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, CODICEANA FROM ANTICIPI"));
    QCOMPARE(righe.size(), 1);
    const QVariantList &r = righe.first();
    QCOMPARE(r.at(0).toString(), QStringLiteral("2025-11-30"));
    QCOMPARE(r.at(1).toString(), QStringLiteral("Riga uno\nriga 'due'"));
    QCOMPARE(r.at(2).toLongLong(), 12345000);
    QCOMPARE(r.at(3).toLongLong(), 0);
    QCOMPARE(r.at(4).toString(), QStringLiteral("D'Angelo & C."));
    QCOMPARE(r.at(5).toString(), QStringLiteral("DNGXXX80A01H501U"));
    QCOMPARE(r.at(6).toString(), QStringLiteral("01234567890"));
    QCOMPARE(r.at(7).toLongLong(), 1);
}

void TstModifica::movimentoPassaAdAltroCliente()
{
    const qint64 id = InserisciRiga(questAnno(4, 1), QStringLiteral("spesa"), QStringLiteral("0"),
                                    QStringLiteral("40"), QStringLiteral("Rossi Mario"), CfRossi,
                                    QStringLiteral("11111111111"), 1);
    InserisciRiga(questAnno(4, 2), QStringLiteral("altra"), QStringLiteral("0"), QStringLiteral("10"),
                  QStringLiteral("Bianchi Luigi"), CfBianchi, QStringLiteral("22222222222"), 2);
    identifica(w, CfRossi);
    cliccaRiga(w, rigaDi(w, id));
    QCOMPARE(w->lblID->text(), QString::number(id));
    identifica(w, CfBianchi);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
    QCOMPARE(w->lblID->text(), QString::number(id));
    comando(w, QStringLiteral("Salva"));
    QVERIFY(messaggi().messaggi.isEmpty());
    QCOMPARE(conta(), 2);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT CODICEANA || '|' || RAGIONESOCIALE || '|' || CODICEFISCALE || '|' || "
                                      "PARTITAIVA || '|' || USCITA FROM ANTICIPI WHERE ID=%1")
                           .arg(id))
                 .toString(),
             QStringLiteral("2|Bianchi Luigi|%1|22222222222|400000").arg(CfBianchi));
}

void TstModifica::codiceVuotoIdentificaPrima()
{
    InserisciRiga(questAnno(1, 5), QStringLiteral("vecchia"), QStringLiteral("0"), QStringLiteral("1"),
                  QStringLiteral("Rossi Mario"), CfRossi, QString(), 5);
    // Nothing has left a client field yet: the window has just opened, the focus in the name.
    QCOMPARE(w->txtCodiceana->text(), QString());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->txtDenominazione));
    QTest::keyClicks(w->txtDenominazione, QStringLiteral("Rossi Mario"));
    w->txtCF->setText(CfRossi);
    w->txtUscite->setText(QStringLiteral("8"));
    w->txtDescrizione->setPlainText(QStringLiteral("nuova"));
    comando(w, QStringLiteral("Salva"));
    QVERIFY(messaggi().messaggi.isEmpty());
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='nuova' AND CODICEANA=5")), 1);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("5"));
}

void TstModifica::scritturaFallitaMantieneTutto_data()
{
    QTest::addColumn<bool>("caricato");
    QTest::newRow("movimento nuovo di un cliente nuovo") << false;
    QTest::newRow("movimento caricato") << true;
}

void TstModifica::scritturaFallitaMantieneTutto()
{
    QFETCH(bool, caricato);
    const qint64 id = InserisciRiga(questAnno(4, 1), QStringLiteral("spesa"), QStringLiteral("0"),
                                    QStringLiteral("40"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 4);
    if (caricato) {
        identifica(w, CfRossi);
        cliccaRiga(w, rigaDi(w, id));
    } else {
        nuovoCliente(w, QStringLiteral("Nuova Srl"), QStringLiteral("NVSRLA80A01H501U"));
    }
    const QString codice = w->txtCodiceana->text();
    const QString lblID = w->lblID->text();
    scriviDescrizione(w, QStringLiteral("modificata"));
    QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
    scrivi(w->txtEntrate, QStringLiteral("77,7"), w->txtDescrizione);
    const QString nome = w->txtDenominazione->text();
    const QString cf = w->txtCF->text();
    const int righe = w->ReportAttivita->NumeroRighe();

    // The connection may read but not write.
    SoloLettura(true);
    comando(w, QStringLiteral("Salva"));
    SoloLettura(false);

    QCOMPARE(messaggi().messaggi.size(), 1);
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Errore Salva"));
    QCOMPARE(messaggi().messaggi.first().icona, Icona::Critico);
    QVERIFY(!w->UltimoSalvataggioRiuscito());
    QCOMPARE(w->txtDenominazione->text(), nome);
    QCOMPARE(w->txtCF->text(), cf);
    QCOMPARE(w->txtCodiceana->text(), codice);
    QCOMPARE(w->lblID->text(), lblID);
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("modificata"));
    QVERIFY(w->optTipo[0]->isChecked());
    QCOMPARE(w->txtEntrate->text(), QStringLiteral("77,70"));
    QCOMPARE(w->ReportAttivita->NumeroRighe(), righe);
    QVERIFY(attivo(w, QStringLiteral("Salva")));
    QCOMPARE(conta(), 1);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI")).toString(), QStringLiteral("spesa"));

    // The user tries again, and this time it is written.
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QVERIFY(messaggi().messaggi.isEmpty());
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='modificata' AND ENTRATA=777000")), 1);
    QCOMPARE(conta(), caricato ? 1 : 2);
}

void TstModifica::massimoCodiceIllegibileFermaIlSalvataggio()
{
    // A code that is not a number: the highest code cannot be read, so no new code is given.
    SOLO_SQLITE("only SQLite's loosely typed column can hold a code that is not a number");
    ValoreSql(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, ENTRATA, USCITA, CODICEANA) VALUES ('2020-01-01', 0, 0, "
                             "'x')"));
    InserisciRiga(questAnno(1, 5), QStringLiteral("vecchia"), QStringLiteral("0"), QStringLiteral("1"),
                  QStringLiteral("Primo"), QStringLiteral("PRIMO"), QString(), 1);
    nuovoCliente(w, QStringLiteral("Nuova Srl"), QStringLiteral("NVSRLA80A01H501U"));
    scriviDescrizione(w, QStringLiteral("nuova"));
    scrivi(w->txtUscite, QStringLiteral("5"), w->txtDescrizione);
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().messaggi.size(), 1);
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Errore Salva"));
    QCOMPARE(conta(), 2);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("0"));
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("nuova"));
}

// A movement written elsewhere, loaded and saved with only its description changed: both amounts are
// written back as stored, every decimal.
void TstModifica::importiNonToccatiRestanoComeInArchivio_data()
{
    QTest::addColumn<QString>("entrata");
    QTest::addColumn<QString>("uscita");
    QTest::newRow("entrata negativa") << "-3,7700" << "0";
    QTest::newRow("entrambi, quattro decimali") << "1,2345" << "10,0001";
    QTest::newRow("uscita negativa con entrata") << "5" << "-0,5";
}

void TstModifica::importiNonToccatiRestanoComeInArchivio()
{
    QFETCH(QString, entrata);
    QFETCH(QString, uscita);
    const qint64 id = InserisciRiga(questAnno(3, 1), "convertito", entrata, uscita, "Rossi Mario", CfRossi, "", 3);
    const QString sql = QStringLiteral("SELECT ENTRATA, USCITA FROM ANTICIPI WHERE ID=%1").arg(id);
    const QList<QVariantList> prima = RigheSql(sql);
    identifica(w, CfRossi);
    cliccaRiga(w, rigaDi(w, id));
    scriviDescrizione(w, QStringLiteral("descrizione corretta"));
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='descrizione corretta'")), 1);
    QCOMPARE(RigheSql(sql), prima);
}

// Client Zeta, the highest code, loses its only movement on this desk. When another desk then saves
// a new client, which takes the same code, Zeta's next movement is refused and said, and saved again
// goes under a code of its own; with no such client it keeps its code.
void TstModifica::codiceDelClienteEliminato_data()
{
    QTest::addColumn<bool>("altraScrivania");
    QTest::newRow("codice preso da un cliente nuovo altrove") << true;
    QTest::newRow("codice rimasto libero") << false;
}

void TstModifica::codiceDelClienteEliminato()
{
    QFETCH(bool, altraScrivania);
    InserisciRiga(questAnno(1, 2), "altro", "0", "1", "Alfa", "ALFA", "", 5);
    const qint64 id = InserisciRiga(questAnno(1, 3), "unico", "0", "10", "Zeta", "ZETA", "", 8);
    identifica(w, QStringLiteral("ZETA"));
    cliccaRiga(w, rigaDi(w, id));
    comando(w, QStringLiteral("Elimina"));
    if (altraScrivania)
        Ambiente::corrente().altraConnessione()->Esegui(
            QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                           "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, 'altrove', 0, 50000, 'Nuovo Srl', "
                           "'NUOVO', '', 8)"),
            {questAnno(1, 4)});
    messaggi().azzera();
    scrivi(w->txtUscite, QStringLiteral("25"), w->txtDescrizione);
    scriviDescrizione(w, QStringLiteral("per Zeta"));
    comando(w, QStringLiteral("Salva"));
    const QString salvato =
        QStringLiteral("SELECT CODICEANA, RAGIONESOCIALE FROM ANTICIPI WHERE DESCRIZIONE='per Zeta'");
    if (!altraScrivania) {
        QVERIFY(messaggi().messaggi.isEmpty());
        QCOMPARE(RigheSql(salvato), QList<QVariantList>({{8, QStringLiteral("Zeta")}}));
        return;
    }
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='per Zeta'")), 0);
    QCOMPARE(messaggi().testi().size(), 1);
    QVERIFY2(messaggi().testi().first().contains(QStringLiteral("Nuovo Srl")), qPrintable(messaggi().testi().first()));
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("per Zeta"));
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(RigheSql(salvato), QList<QVariantList>({{9, QStringLiteral("Zeta")}}));
}

SPESARIO_TEST_MAIN(TstModifica)
#include "tst_modifica.moc"
