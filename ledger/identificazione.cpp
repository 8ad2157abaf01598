// Client identification: from a typed tax code, VAT number or name to the client's code.
#include "ledger/frmAnticipi.h"

#include "clients/frmRicerca.h"
#include "clients/identificazione.h"
#include "store/archivio.h"
#include "widgets/segnalazione.h"

#include <QAction>
#include <QLineEdit>
#include <QStatusBar>

void frmAnticipi::ControlloCodiceAna()
{
    m_clienteDaIdentificare = false;
    int omonimi = 0;
    if (IdentificaCliente({txtDenominazione, txtCF, txtPiva, txtCodiceana}, this, &omonimi))
        m_bloccoLetto = BloccoCliente();
    // The newest of several clients with one name was taken: the user may have meant another.
    if (omonimi > 1)
        statusBar()->showMessage(
            QStringLiteral("%1 clienti con questo nome: Trova cliente per sceglierne un altro").arg(omonimi));
    else
        statusBar()->clearMessage();
    EseguiPasso(QStringLiteral("ControlloCodiceAna"), [this] { RinfrescaLista(); }, this);
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

void frmAnticipi::CompletaCampiInSospeso()
{
    for (int i = 0; i < 2; ++i) {
        QLineEdit *campo = i == 0 ? txtEntrate : txtUscite;
        if (m_importoDaFormattare[i])
            EseguiPasso(QString(), [this, campo] { txtImporto_LostFocus(campo); }, this);
    }
    if (m_clienteDaIdentificare)
        ControlloCodiceAna();
}
