// The movement list and its balances, the period check and the clearing of the window.
#include "ledger/frmAnticipi.h"

void frmAnticipi::RinfrescaLista() {}
void frmAnticipi::PulisciCampi(bool) {}
void frmAnticipi::DTPFIltro_Change(int) {}
void frmAnticipi::DtpData_Validate() {}
