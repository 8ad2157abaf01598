// Client identification: from a typed tax code, VAT number or name to the client's code.
#include "ledger/frmAnticipi.h"

#include "clients/frmRicerca.h"
#include "clients/identificazione.h"
#include "store/archivio.h"
#include "widgets/messaggi.h"
#include "widgets/segnalazione.h"

#include <QAction>
#include <QLineEdit>
#include <QStatusBar>

bool frmAnticipi::ControlloCodiceAna()
{
    m_clienteDaIdentificare = false;
    // The client shown, as read, and what the user typed over it.
    const QStringList scritto = BloccoCliente();
    const bool mostrato = scritto.at(0) != QLatin1String("0") && !scritto.at(0).isEmpty() &&
                          m_bloccoLetto.value(0) == scritto.at(0);
    const QStringList letto = mostrato ? m_bloccoLetto : scritto;
    qint64 idRiga = 0;
    int omonimi = 0;
    if (IdentificaCliente({txtDenominazione, txtCF, txtPiva, txtCodiceana}, this, &omonimi, &idRiga))
        RicordaCliente(idRiga);
    else if (mostrato && txtCodiceana->text() == letto.at(0)) {
        // Typed values that lead to no client never become the shown client's data: they are put
        // back. Its data are corrected in the master-data window; a new client is typed in a block
        // cleared with Annulla.
        ScriviCampoCliente(txtDenominazione, letto.at(1));
        ScriviCampoCliente(txtCF, letto.at(2));
        ScriviCampoCliente(txtPiva, letto.at(3));
    }
    // The newest of several clients with one name was taken: the user may have meant another.
    if (omonimi > 1)
        statusBar()->showMessage(
            QStringLiteral("%1 clienti con questo nome: Trova cliente per sceglierne un altro").arg(omonimi));
    else
        statusBar()->clearMessage();
    // What the user typed and the block no longer shows, while the same client stays: said, since
    // the user would otherwise believe it kept.
    QStringList rimessi;
    const QStringList ora = BloccoCliente();
    const char *const nomi[] = {nullptr, "Denominazione", "Codice Fiscale", "Partita IVA"};
    if (mostrato && ora.at(0) == letto.at(0))
        for (int i = 1; i < 4; ++i)
            if (scritto.at(i) != letto.at(i) && ora.at(i) != scritto.at(i))
                rimessi << QLatin1String(nomi[i]);
    if (!rimessi.isEmpty())
        Messaggi::informa(this,
                          QStringLiteral("Il cliente resta ") + ora.at(1) + QStringLiteral(": quanto scritto in ") +
                              rimessi.join(QStringLiteral(", ")) +
                              QStringLiteral(" è stato rimesso com'era: i dati di un cliente si "
                                             "correggono con \"Modifica anagrafica\". Per un altro cliente, o "
                                             "uno nuovo, premere prima \"Annulla\"."),
                          QStringLiteral("Controllo:"));
    EseguiPasso(QStringLiteral("ControlloCodiceAna"), [this] { RinfrescaLista(); }, this);
    return rimessi.isEmpty();
}

void frmAnticipi::cmdTrova_Click()
{
    CompletaCampiInSospeso();
    // The first non-empty of name, tax code and VAT number, whichever field Enter came from.
    QString testo;
    if (!txtDenominazione->text().isEmpty())
        testo = txtDenominazione->text();
    else if (!txtCF->text().isEmpty())
        testo = txtCF->text();
    else if (!txtPiva->text().isEmpty())
        testo = txtPiva->text();

    frmRicerca *ricerca = frmRicerca::Istanza(this);
    if (!testo.isEmpty())
        ricerca->txtCerca->setText(testo);
    ricerca->cmdTrova_Click();
    // Modal, with no owner: this window waits until the search is closed (and destroyed).
    ricerca->exec();
}

void frmAnticipi::txtCF_LostFocus() { ControlloCodiceAna(); }
void frmAnticipi::txtPiva_LostFocus() { ControlloCodiceAna(); }
void frmAnticipi::txtDenominazione_LostFocus() { ControlloCodiceAna(); }

void frmAnticipi::txtCampo_KeyUp(int codiceTasto, int)
{
    if (codiceTasto == 13)
        cmdTrova_Click();
}

void frmAnticipi::txtDenominazione_Change()
{
    if (!ctlSalva || !ctlElimina)
        return;  // the command bar is not built yet
    EseguiPasso(QString(), [this] {
        if (!txtDenominazione->text().isEmpty()) {
            ctlSalva->setEnabled(true);
        } else {
            ctlSalva->setEnabled(false);
            ctlElimina->setEnabled(false);
        }
    }, this);
}

bool frmAnticipi::CompletaCampiInSospeso()
{
    for (int i = 0; i < 2; ++i) {
        QLineEdit *campo = i == 0 ? txtEntrate : txtUscite;
        if (m_importoDaFormattare[i])
            EseguiPasso(QString(), [this, campo] { txtImporto_LostFocus(campo); }, this);
    }
    return !m_clienteDaIdentificare || ControlloCodiceAna();
}
