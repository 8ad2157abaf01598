// The commands that open the master-data window and the export period window. Both are modeless
// windows owned by this one; choosing the command again reuses the open window.
#include "ledger/frmAnticipi.h"

#include "clients/frmAnagrafiche.h"
#include "clients/identificazione.h"
#include "export/frmSelDate.h"

#include <QLineEdit>

void frmAnticipi::Comando_ModificaAnagrafica()
{
    frmAnagrafiche *f = frmAnagrafiche::Istanza(this, this);
    f->txtCodiceana->setText(txtCodiceana->text());
    ScriviCampoCliente(f->txtDenominazione, txtDenominazione->text());
    ScriviCampoCliente(f->txtCF, txtCF->text());
    ScriviCampoCliente(f->txtPiva, txtPiva->text());
    f->show();
    f->raise();
    f->activateWindow();
}

void frmAnticipi::ApriSelezioneDate(const QString &caso)
{
    frmSelDate *f = frmSelDate::Istanza(this);
    f->txtCaso->setText(caso);
    f->show();
    f->raise();
    f->activateWindow();
}
