// Editing one movement: loading it from the list, the input rules, validation and saving.
#include "ledger/frmAnticipi.h"

#include <QLabel>

void frmAnticipi::ReportAttivita_MouseUp(int, int, int, int) {}
void frmAnticipi::ImpostaID(const QString &id)
{
    if (lblID->text() == id)
        return;
    lblID->setText(id);
    lblID_Change();
}
void frmAnticipi::lblID_Change() {}
void frmAnticipi::optTipo_Click(int) {}
void frmAnticipi::txtImporto_GotFocus(QLineEdit *) {}
int frmAnticipi::txtImporto_KeyPress(QLineEdit *, int carattere) { return carattere; }
void frmAnticipi::txtImporto_LostFocus(QLineEdit *) {}
void frmAnticipi::txtDescrizione_KeyPress() {}
bool frmAnticipi::ControlloCampi() { return false; }
void frmAnticipi::Salva() {}
