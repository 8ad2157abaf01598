// The command bar's one dispatcher and the commands it runs.
#include "ledger/frmAnticipi.h"

#include "store/errore.h"

#include <QAction>

void frmAnticipi::CommandBars_Execute(QAction *controllo)
{
    if (!controllo)
        return;
    // By the exact caption: the four menu entries share one id.
    const QString caption = controllo->property("Caption").toString();
    EseguiPasso(QString(), [&] {
        if (caption == QLatin1String("Salva"))
            Comando_Salva();
        else if (caption == QLatin1String("Annulla"))
            Comando_Annulla();
        else if (caption == QLatin1String("Elimina"))
            Comando_Elimina();
        else if (caption == QLatin1String("Esci"))
            Comando_Esci();
        else if (caption == QLatin1String("Stampa"))
            Comando_Stampa();
        else if (caption == QLatin1String("Modifica anagrafica"))
            Comando_ModificaAnagrafica();
        else if (caption == QLatin1String("Esporta in CSV"))
            ApriSelezioneDate(QStringLiteral("0"));
        else if (caption == QLatin1String("Esporta anticipazioni"))
            ApriSelezioneDate(QStringLiteral("1"));
        else if (caption == QLatin1String("Informazioni su..."))
            Comando_Informazioni();
        else if (caption == QLatin1String("Manuale in linea"))
            Comando_Manuale();
    }, this);
}

void frmAnticipi::Comando_Salva() {}
void frmAnticipi::Comando_Annulla() {}
void frmAnticipi::Comando_Elimina() {}
void frmAnticipi::Comando_Esci() {}
void frmAnticipi::Comando_Stampa() {}
QString frmAnticipi::TestoIntestazioneStampa() const { return QString(); }
QString frmAnticipi::TestoPiePaginaStampa() const { return QString(); }
