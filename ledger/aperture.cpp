// The commands that open the master-data window and the export period window.
#include "ledger/frmAnticipi.h"

void frmAnticipi::Comando_ModificaAnagrafica() {}
void frmAnticipi::ApriSelezioneDate(const QString &) {}
