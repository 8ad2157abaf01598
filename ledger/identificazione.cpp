// Client identification: from a typed tax code, VAT number or name to the client's code.
#include "ledger/frmAnticipi.h"

void frmAnticipi::ControlloCodiceAna() {}
void frmAnticipi::cmdTrova_Click() {}
void frmAnticipi::txtCF_LostFocus() {}
void frmAnticipi::txtPiva_LostFocus() {}
void frmAnticipi::txtDenominazione_LostFocus() {}
void frmAnticipi::txtCampo_KeyUp(int, int) {}
void frmAnticipi::txtDenominazione_Change() {}
