// The Help menu: the about window and the user guide (the local one, or the online manual).
#include "ledger/frmAnticipi.h"

#include "ledger/frmAbout.h"
#include "widgets/collegamenti.h"

void frmAnticipi::Comando_Informazioni()
{
    // Modeless and owned by the ledger: it stays above it and the ledger stays usable. Choosing the
    // command again brings the same window forward.
    frmAbout *f = frmAbout::Istanza(this);
    f->show();
    f->raise();
    f->activateWindow();
}

void frmAnticipi::Comando_Manuale() { Collegamenti::Apri(Collegamenti::Guida()); }
