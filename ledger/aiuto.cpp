// The Help menu: the about window and the online manual.
#include "ledger/frmAnticipi.h"

void frmAnticipi::Comando_Informazioni() {}
void frmAnticipi::Comando_Manuale() {}
