// The ledger window's commands: Salva, Annulla, Elimina, Esci and Stampa with its preview, chosen
// from the toolbar as a user does.

#include "tests/ledger/utente.h"

#include "clients/frmAnagrafiche.h"
#include "widgets/messaggi.h"

#include <QComboBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTimer>

using namespace Utente;

namespace {
const QString CfRossi = QStringLiteral("RSSMRA80A01H501U");
const QString PivaRossi = QStringLiteral("01234567890");
} // namespace

class TstComandi : public QObject {
    Q_OBJECT
    frmAnticipi *w = nullptr;
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }

    // Rossi with two movements this year; the first one loaded for editing.
    qint64 rossiCaricato()
    {
        const qint64 id = InserisciRiga(questAnno(3, 1), QStringLiteral("bollo"), QStringLiteral("0"),
                                        QStringLiteral("16"), QStringLiteral("Rossi Mario"), CfRossi, PivaRossi, 1);
        InserisciRiga(questAnno(3, 2), QStringLiteral("visura"), QStringLiteral("0"), QStringLiteral("30"),
                      QStringLiteral("Rossi Mario"), CfRossi, PivaRossi, 1);
        identifica(w, CfRossi);
        cliccaRiga(w, rigaDi(w, id));
        return id;
    }
    void verificaFinestraVuota()
    {
        QVERIFY(w->txtDenominazione->text().isEmpty());
        QVERIFY(w->txtCF->text().isEmpty());
        QVERIFY(w->txtPiva->text().isEmpty());
        QCOMPARE(w->txtCodiceana->text(), QStringLiteral("0"));
        QCOMPARE(w->lblID->text(), QStringLiteral("0"));
        QVERIFY(w->txtDescrizione->toPlainText().isEmpty());
        QCOMPARE(w->txtUscite->text(), QStringLiteral("0,00"));
        QCOMPARE(w->ReportAttivita->NumeroRighe(), 0);
        QVERIFY(!attivo(w, QStringLiteral("Salva")));
        QVERIFY(!attivo(w, QStringLiteral("Elimina")));
    }
    static bool chiusa()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return frmAnticipi::Esistente() == nullptr;
    }

private Q_SLOTS:
    void init() { w = apri(); }
    void cleanup()
    {
        chiudi();
        w = nullptr;
        Messaggi::impostaServizio(&Ambiente::corrente().messaggi);
    }

    void annullaSenzaCliente();
    void annullaNoSvuota();
    void annullaSiConControlloFallito();
    void annullaSiSalvaESvuota();
    void annullaSiConScritturaFallita();
    void esciSenzaCliente();
    void esciNo();
    void esciSiConControlloFallito();
    void esciSiSalvaEChiude();
    void eliminaNo();
    void eliminaSi();
    void stampa_data();
    void stampa();
    void didascaliaDiversaNonFaNulla();
    void anteprimaOffreStampantiEPdf();
    void campiModificatiPrimaDelComando_data();
    void campiModificatiPrimaDelComando();
    void importoNonLasciatoPrimaDelComando();
    void chiusuraDellaFinestraComeEsci_data();
    void chiusuraDellaFinestraComeEsci();
};

void TstComandi::annullaSenzaCliente()
{
    scriviDescrizione(w, QStringLiteral("appunto"));
    scrivi(w->txtUscite, QStringLiteral("5"), w->txtDescrizione);
    comando(w, QStringLiteral("Annulla"));
    QVERIFY(messaggi().messaggi.isEmpty());
    verificaFinestraVuota();
}

void TstComandi::annullaNoSvuota()
{
    rossiCaricato();
    scriviDescrizione(w, QStringLiteral("cambiata"));
    messaggi().risposte = {Risposta::No};
    comando(w, QStringLiteral("Annulla"));
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio &m = messaggi().messaggi.first();
    QCOMPARE(m.testo, QStringLiteral("Salvo le modifiche?"));
    QCOMPARE(m.titolo, QString());
    QCOMPARE(m.icona, Icona::Domanda);
    QCOMPARE(m.pulsanti, Pulsanti::SiNo);
    verificaFinestraVuota();
    QCOMPARE(conta(), 2);
}

void TstComandi::annullaSiConControlloFallito()
{
    nuovoCliente(w, QStringLiteral("Nuova Srl"), QStringLiteral("NVSRLA80A01H501U"));
    scrivi(w->txtUscite, QStringLiteral("5"), w->txtDescrizione);
    messaggi().risposte = {Risposta::Si};
    comando(w, QStringLiteral("Annulla"));
    QCOMPARE(messaggi().testi(), (QStringList{QStringLiteral("Salvo le modifiche?"), QStringLiteral("Campo obbligatorio: Descrizione.")}));
    QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Nuova Srl"));
    QCOMPARE(w->txtCF->text(), QStringLiteral("NVSRLA80A01H501U"));
    QCOMPARE(w->txtUscite->text(), QStringLiteral("5,00"));
    QVERIFY(attivo(w, QStringLiteral("Salva")));
    QCOMPARE(conta(), 0);
}

void TstComandi::annullaSiSalvaESvuota()
{
    const qint64 id = rossiCaricato();
    scriviDescrizione(w, QStringLiteral("bollo corretto"));
    messaggi().risposte = {Risposta::Si};
    comando(w, QStringLiteral("Annulla"));
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Salvo le modifiche?")});
    QCOMPARE(ValoreSql(QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI WHERE ID=%1").arg(id)).toString(),
             QStringLiteral("bollo corretto"));
    verificaFinestraVuota();
}

void TstComandi::annullaSiConScritturaFallita()
{
    rossiCaricato();
    scriviDescrizione(w, QStringLiteral("bollo corretto"));
    messaggi().risposte = {Risposta::Si, Risposta::Si};
    SoloLettura(true);
    comando(w, QStringLiteral("Annulla"));
    SoloLettura(false);
    QCOMPARE(messaggi().messaggi.size(), 2);
    QCOMPARE(messaggi().messaggi.at(1).titolo, QStringLiteral("Errore Salva"));
    // Nothing cleared: what was typed is still there to be saved again.
    QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Rossi Mario"));
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("bollo corretto"));
    QVERIFY(w->lblID->text() != QLatin1String("0"));
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='bollo'")), 1);
}

void TstComandi::esciSenzaCliente()
{
    scriviDescrizione(w, QStringLiteral("appunto"));
    comando(w, QStringLiteral("Esci"));
    QVERIFY(messaggi().messaggi.isEmpty());
    QVERIFY(chiusa());
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
}

void TstComandi::esciNo()
{
    rossiCaricato();
    scriviDescrizione(w, QStringLiteral("cambiata"));
    messaggi().risposte = {Risposta::No};
    comando(w, QStringLiteral("Esci"));
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio &m = messaggi().messaggi.first();
    QCOMPARE(m.testo, QStringLiteral("Salvare prima di uscire?"));
    QCOMPARE(m.titolo, QStringLiteral("Controllo"));
    QCOMPARE(m.icona, Icona::Domanda);
    QCOMPARE(m.pulsanti, Pulsanti::SiNo);
    QCOMPARE(m.predefinito, Risposta::Si);
    QVERIFY(chiusa());
    riapriArchivio();
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='cambiata'")), 0);
}

void TstComandi::esciSiConControlloFallito()
{
    rossiCaricato();
    scriviDescrizione(w, QString());
    messaggi().risposte = {Risposta::Si};
    comando(w, QStringLiteral("Esci"));
    QCOMPARE(messaggi().testi(),
             (QStringList{QStringLiteral("Salvare prima di uscire?"), QStringLiteral("Campo obbligatorio: Descrizione.")}));
    QVERIFY(!chiusa());
    QVERIFY(w->isVisible());
    QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Rossi Mario"));
    QVERIFY(w->lblID->text() != QLatin1String("0"));
    QCOMPARE(w->txtUscite->text(), QStringLiteral("16,00"));
}

void TstComandi::esciSiSalvaEChiude()
{
    const qint64 id = rossiCaricato();
    scrivi(w->txtUscite, QStringLiteral("17"), w->txtDescrizione);
    messaggi().risposte = {Risposta::Si};
    comando(w, QStringLiteral("Esci"));
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Salvare prima di uscire?")});
    QVERIFY(chiusa());
    riapriArchivio();
    QCOMPARE(ValoreSql(QStringLiteral("SELECT USCITA FROM ANTICIPI WHERE ID=%1").arg(id)).toLongLong(), 170000);
}

void TstComandi::eliminaNo()
{
    const qint64 id = rossiCaricato();
    messaggi().risposte = {Risposta::No};
    comando(w, QStringLiteral("Elimina"));
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio &m = messaggi().messaggi.first();
    QCOMPARE(m.testo, QStringLiteral("Confermi eliminazione?"));
    QCOMPARE(m.titolo, QStringLiteral("Gestione spese anticipate"));
    QCOMPARE(m.icona, Icona::Domanda);
    QCOMPARE(m.pulsanti, Pulsanti::SiNo);
    QCOMPARE(m.predefinito, Risposta::No);
    QCOMPARE(conta(), 2);
    QCOMPARE(w->lblID->text(), QString::number(id));
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 2);
}

void TstComandi::eliminaSi()
{
    InserisciRiga(questAnno(3, 5), QStringLiteral("di un altro"), QStringLiteral("0"), QStringLiteral("9"),
                  QStringLiteral("Bianchi"), QStringLiteral("BNCXXX"), QString(), 2);
    const qint64 id = rossiCaricato();
    // A narrower period, which the deletion puts back to the whole year.
    w->DTPFIltro[0]->setDate(QDate(QDate::currentDate().year(), 2, 1));
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 2);
    messaggi().risposte = {Risposta::Si};
    comando(w, QStringLiteral("Elimina"));
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Confermi eliminazione?")});
    QCOMPARE(conta(), 2);
    QCOMPARE(conta(QStringLiteral("ID=%1").arg(id)), 0);
    QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Rossi Mario"));
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("1"));
    QCOMPARE(w->DTPFIltro[0]->date(), w->PeriodoDal);
    QCOMPARE(w->DTPFIltro[1]->date(), w->PeriodoAl);
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);
    QCOMPARE(rigaDi(w, id), -1);
    QCOMPARE(w->lblID->text(), QStringLiteral("0"));
    QVERIFY(!attivo(w, QStringLiteral("Salva")));
    QVERIFY(!attivo(w, QStringLiteral("Elimina")));
}

void TstComandi::stampa_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("cf");
    QTest::addColumn<QString>("piva");
    QTest::addColumn<QString>("intestazione");
    QTest::addColumn<QString>("piePagina");
    const QString conSaldi = QStringLiteral("Saldo precedente: 100,00         Totale entrate: 30,50   Totale uscite: "
                                            "1.234,50   Saldo: 1.304,00");
    QTest::newRow("cliente completo")
        << "Rossi Mario" << CfRossi << PivaRossi
        << QStringLiteral("Cliente:  Rossi Mario C.F.: %1 P.IVA.: %2").arg(CfRossi, PivaRossi) << conSaldi;
    QTest::newRow("solo il nome") << "Rossi Mario" << "" << "" << "Cliente:  Rossi Mario" << conSaldi;
    // Refused: the page would hold nothing but zeros.
    QTest::newRow("nessun cliente") << "" << "" << "" << "" << "";
}

void TstComandi::stampa()
{
    QFETCH(QString, nome);
    QFETCH(QString, cf);
    QFETCH(QString, piva);
    QFETCH(QString, intestazione);
    QFETCH(QString, piePagina);
    if (!nome.isEmpty()) {
        const int anno = QDate::currentDate().year();
        InserisciRiga(QStringLiteral("%1-12-20").arg(anno - 1), QStringLiteral("anno prima"), QStringLiteral("0"),
                      QStringLiteral("100"), nome, cf, piva, 1);
        InserisciRiga(questAnno(3, 1), QStringLiteral("Acconto ricevuto"), QStringLiteral("30,5"),
                      QStringLiteral("0"), nome, cf, piva, 1);
        InserisciRiga(questAnno(3, 2), QStringLiteral("Imposta di registro"), QStringLiteral("0"),
                      QStringLiteral("1234,5"), nome, cf, piva, 1);
        scrivi(w->txtDenominazione, nome, w->DtpData);
        QCOMPARE(w->ReportAttivita->NumeroRighe(), 2);
    }
    const QString pdf = Ambiente::corrente().cartella() + QStringLiteral("/stampa.pdf");
    QFile::remove(pdf);
    messaggi().pdfAnteprima = pdf;
    comando(w, QStringLiteral("Stampa"));
    if (nome.isEmpty()) {
        QCOMPARE(messaggi().testi(),
                 QStringList{QStringLiteral("Nessun cliente da stampare: scegliere prima un cliente.")});
        QVERIFY(messaggi().titoliAnteprima.isEmpty());
        return;
    }
    // A narrower period than the year: the page says which one its balances cover.
    const int anno = QDate::currentDate().year();
    w->DTPFIltro[0]->setDate(QDate(anno, 2, 1));
    messaggi().titoliAnteprima.clear();
    messaggi().pagineAnteprima = 0;
    comando(w, QStringLiteral("Stampa"));
    const QString periodo = QStringLiteral("Periodo: dal 01/02/%1 al 31/12/%1").arg(anno);
    QCOMPARE(w->TestoIntestazioneStampa(), intestazione + QLatin1Char('\n') + periodo);
    QCOMPARE(w->TestoPiePaginaStampa(), piePagina);
    QCOMPARE(w->ReportAttivita->IntestazioneStampa(), intestazione + QLatin1Char('\n') + periodo);
    QCOMPARE(w->ReportAttivita->PiePaginaStampa(), piePagina);
    QCOMPARE(messaggi().titoliAnteprima, QStringList{QStringLiteral("Anteprima di stampa")});
    QCOMPARE(messaggi().pagineAnteprima, 1);
    const QString testo = TestoPdf(pdf);
    QVERIFY2(testo.contains(intestazione.simplified()), qPrintable(testo));
    QVERIFY2(testo.contains(periodo), qPrintable(testo));
    // pdftotext may set the footer's pieces apart from each other: each one must be on the page.
    for (const QString &pezzo : piePagina.split(QRegularExpression(QStringLiteral("\\s{3,}"))))
        QVERIFY2(testo.contains(pezzo), qPrintable(pezzo + QStringLiteral(" / ") + testo));
    if (!nome.isEmpty()) {
        QVERIFY(testo.contains(QStringLiteral("Imposta di registro")));
        QVERIFY(testo.contains(QStringLiteral("1.234,50")));
    }
}

void TstComandi::didascaliaDiversaNonFaNulla()
{
    scriviDescrizione(w, QStringLiteral("appunto"));
    for (const QString &c : {QStringLiteral("stampa"), QStringLiteral("ANNULLA"), QStringLiteral("esci"),
                             QStringLiteral("Salva "), QString()}) {
        QAction voce(c);
        voce.setProperty("Caption", c);
        w->CommandBars_Execute(&voce);
    }
    QVERIFY(messaggi().messaggi.isEmpty());
    QVERIFY(messaggi().titoliAnteprima.isEmpty());
    QVERIFY(!chiusa());
    QCOMPARE(w->txtDescrizione->toPlainText(), QStringLiteral("appunto"));
}

// The real preview: its print button opens the system's print dialog, which lists the printers
// and printing to a PDF file.
void TstComandi::anteprimaOffreStampantiEPdf()
{
#ifdef Q_OS_WIN
    QSKIP("Windows opens its own print dialog, with its printers and its PDF printer, beyond the reach of a test");
#endif
    rossiCaricato();  // with no client the page is refused
    Messaggi::impostaServizio(nullptr);
    QString titolo;
    QStringList voci;
    bool dialogoStampa = false;
    QTimer::singleShot(0, this, [&] {
        auto *anteprima = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!anteprima)
            return;
        titolo = anteprima->windowTitle();
        QAction *stampa = nullptr;
        for (QAction *a : anteprima->findChildren<QAction *>())
            if (a->text() == QLatin1String("Print"))
                stampa = a;
        if (stampa) {
            QTimer::singleShot(0, this, [&] {
                if (auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget())) {
                    dialogoStampa = true;
                    if (auto *stampanti = d->findChild<QComboBox *>(QStringLiteral("printers")))
                        for (int i = 0; i < stampanti->count(); ++i)
                            voci << stampanti->itemText(i);
                    d->reject();
                }
            });
            stampa->trigger();
        }
        anteprima->reject();
    });
    comando(w, QStringLiteral("Stampa"));
    QCOMPARE(titolo, QStringLiteral("Anteprima di stampa"));
    QVERIFY(dialogoStampa);
    for (const QString &s : QPrinterInfo::availablePrinterNames())
        QVERIFY2(voci.contains(s), qPrintable(s));
    QVERIFY2(voci.contains(QStringLiteral("Print to File (PDF)")), qPrintable(voci.join(QLatin1Char('|'))));
}

// A toolbar command never takes the focus: a client field replaced, or an amount typed, and not left
// yet, must still be identified and formatted before the command reads them.
void TstComandi::campiModificatiPrimaDelComando_data()
{
    QTest::addColumn<QString>("caption");
    QTest::newRow("Salva") << "Salva";
    QTest::newRow("Esci, salvando") << "Esci";
    QTest::newRow("Stampa") << "Stampa";
    QTest::newRow("Modifica anagrafica") << "Modifica anagrafica";
}

void TstComandi::campiModificatiPrimaDelComando()
{
    QFETCH(QString, caption);
    const QString cfBianchi = QStringLiteral("BNCLGU75B02F205X");
    InserisciRiga(questAnno(2, 1), QStringLiteral("visura"), QStringLiteral("0"), QStringLiteral("8"),
                  QStringLiteral("Bianchi Luigi"), cfBianchi, QString(), 2);
    rossiCaricato();
    w->ImpostaID(QStringLiteral("0"));
    scriviDescrizione(w, QStringLiteral("spesa nuova"));
    scrivi(w->txtUscite, QStringLiteral("1234,5"));
    scrivi(w->txtCF, cfBianchi);
    QCOMPARE(QApplication::focusWidget(), w->txtCF);
    messaggi().risposte = {Risposta::Si};
    w->ControlloBarra(caption)->trigger();

    if (caption == QLatin1String("Stampa")) {
        QVERIFY2(w->TestoIntestazioneStampa().startsWith(QStringLiteral("Cliente:  Bianchi Luigi C.F.: ") + cfBianchi),
                 qPrintable(w->TestoIntestazioneStampa()));
        return;
    }
    if (caption == QLatin1String("Modifica anagrafica")) {
        frmAnagrafiche *a = frmAnagrafiche::Esistente();
        QVERIFY(a);
        QCOMPARE(a->txtCodiceana->text(), QStringLiteral("2"));
        QCOMPARE(a->txtDenominazione->text(), QStringLiteral("Bianchi Luigi"));
        return;
    }
    if (caption == QLatin1String("Esci")) {
        QVERIFY(chiusa());
        riapriArchivio();
    }
    // Saved for the client whose tax code it carries, with the amount as typed.
    QCOMPARE(conta(QStringLiteral("DESCRIZIONE='spesa nuova' AND CODICEANA=2 AND CODICEFISCALE='%1' AND "
                                  "RAGIONESOCIALE='Bianchi Luigi' AND USCITA=12345000")
                       .arg(cfBianchi)),
             1);
    QCOMPARE(conta(QStringLiteral("CODICEANA=1")), 2);
}

void TstComandi::importoNonLasciatoPrimaDelComando()
{
    rossiCaricato();
    scrivi(w->txtUscite, QStringLiteral("1234,5"));
    QCOMPARE(QApplication::focusWidget(), w->txtUscite);
    w->ControlloBarra(QStringLiteral("Stampa"))->trigger();
    QCOMPARE(w->txtUscite->text(), QStringLiteral("1.234,50"));
}

// The window's close button (its close event) asks what Esci asks: a typed movement is never lost unasked.
void TstComandi::chiusuraDellaFinestraComeEsci_data()
{
    QTest::addColumn<int>("risposta");
    QTest::addColumn<QString>("descrizione");
    QTest::addColumn<int>("salvati");  // -1: the window stays open
    QTest::newRow("No: chiude senza salvare") << int(Risposta::No) << "scritta" << 0;
    QTest::newRow("Sì: salva e chiude") << int(Risposta::Si) << "scritta" << 1;
    QTest::newRow("Sì, descrizione mancante: resta aperta") << int(Risposta::Si) << "" << -1;
}

void TstComandi::chiusuraDellaFinestraComeEsci()
{
    QFETCH(int, risposta);
    QFETCH(QString, descrizione);
    QFETCH(int, salvati);
    InserisciRiga(questAnno(3, 1), "bollo", "0", "16", "Rossi Mario", CfRossi, PivaRossi, 1);
    identifica(w, CfRossi);
    scrivi(w->txtUscite, QStringLiteral("25"), w->txtDescrizione);
    scriviDescrizione(w, descrizione);
    messaggi().risposte = {Risposta(risposta)};
    w->close();
    QCOMPARE(messaggi().testi().value(0), QStringLiteral("Salvare prima di uscire?"));
    QCOMPARE(chiusa(), salvati >= 0);
    if (salvati >= 0) {
        riapriArchivio();
        QCOMPARE(conta(QStringLiteral("USCITA=250000")), salvati);
    }
}

SPESARIO_TEST_MAIN(TstComandi)
#include "tst_comandi.moc"
