#include "app/frmStart.h"

#include "ledger/frmAnticipi.h"
#include "store/errore.h"

QPointer<frmStart> frmStart::s_istanza;

frmStart *frmStart::Istanza()
{
    if (!s_istanza)
        s_istanza = new frmStart();
    return s_istanza;
}

frmStart::frmStart()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(QStringLiteral("Gestione spese anticipate"));
}

frmStart::~frmStart() = default;

void frmStart::PushButton2_Click()
{
    EseguiPasso(windowTitle(), [] { frmAnticipi::Istanza()->show(); }, this);
    close();
}
