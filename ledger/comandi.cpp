// The command bar's one dispatcher and the commands it runs.
#include "ledger/frmAnticipi.h"

#include "store/archivio.h"
#include "values/costanti.h"
#include "widgets/messaggi.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

void frmAnticipi::CommandBars_Execute(QAction *controllo)
{
    if (!controllo)
        return;
    // By the exact caption: the four menu entries share one id.
    const QString caption = controllo->property("Caption").toString();
    EseguiPasso(QString(), [&] {
        // The commands that read the client block or the amounts see them as leaving the field
        // would have left them: a tax code replaced and not left yet must not save, print or open
        // the master data of the client it replaced.
        static const QStringList leggonoICampi = {QStringLiteral("Salva"), QStringLiteral("Annulla"),
                                                  QStringLiteral("Esci"), QStringLiteral("Stampa"),
                                                  QStringLiteral("Modifica anagrafica")};
        if (leggonoICampi.contains(caption) && !CompletaCampiInSospeso())
            return;
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

void frmAnticipi::Comando_Salva()
{
    if (!ControlloCampi())
        return;
    Salva();
}

void frmAnticipi::Comando_Annulla()
{
    if (!txtDenominazione->text().isEmpty() && CiSonoModifiche()) {
        if (Messaggi::chiedi(this, QStringLiteral("Salvo le modifiche?"), QString(), Risposta::Si)) {
            if (!ControlloCampi())
                return;
            Salva();
            // A failed write keeps what was typed: clearing now would lose it.
            if (!UltimoSalvataggioRiuscito())
                return;
        }
    }
    PulisciCampi(false);
    AbilitaComandi(2);
}

void frmAnticipi::Comando_Elimina()
{
    // A movement never saved has nothing in the archive to delete (the shortcut reaches here too).
    if (lblID->text() == QLatin1String("0"))
        return;
    if (!Messaggi::chiedi(this, QStringLiteral("Confermi eliminazione?"), windowTitle(), Risposta::No))
        return;
    bool eliminato = false;
    if (!EseguiPasso(QString(), [&] { eliminato = Archivio::ConnArchivio().EliminaMovimento(lblID->text()); }, this))
        return;
    if (const QString avviso = Archivio::ConnArchivio().PrendiAvviso(); !avviso.isEmpty())
        Messaggi::informa(this, avviso, windowTitle());
    if (!eliminato)
        return;
    PulisciCampi(true);
    AbilitaComandi(2);
}

bool frmAnticipi::ConfermaUscita()
{
    if (txtDenominazione->text().isEmpty() || !CiSonoModifiche())
        return true;
    if (!Messaggi::chiedi(this, QStringLiteral("Salvare prima di uscire?"), QStringLiteral("Controllo"), Risposta::Si))
        return true;
    if (!ControlloCampi())
        return false;
    Salva();
    // The window stays open when the movement could not be written.
    return UltimoSalvataggioRiuscito();
}

void frmAnticipi::Comando_Esci()
{
    if (!ConfermaUscita())
        return;
    m_uscitaConfermata = true;
    close();
}

QString frmAnticipi::TestoIntestazioneStampa() const
{
    QString t = QStringLiteral("Cliente: ") + QLatin1Char(' ') + txtDenominazione->text();
    if (!txtCF->text().isEmpty())
        t += QStringLiteral(" C.F.: ") + txtCF->text();
    if (!txtPiva->text().isEmpty())
        t += QStringLiteral(" P.IVA.: ") + txtPiva->text();
    // The balances printed are those of the period shown.
    t += QStringLiteral("\nPeriodo: dal ") + DTPFIltro[0]->date().toString(FormatoData) + QStringLiteral(" al ") +
         DTPFIltro[1]->date().toString(FormatoData);
    return t;
}

QString frmAnticipi::TestoPiePaginaStampa() const
{
    return QStringLiteral("Saldo precedente: ") + lblDato[1]->text() + QStringLiteral("         Totale entrate: ") +
           lblEntrate->text() + QStringLiteral("   Totale uscite: ") + lblUscite->text() +
           QStringLiteral("   Saldo: ") + lblSaldo->text();
}

void frmAnticipi::Comando_Stampa()
{
    // With no client of the archive in the window the page would be a list of zeros.
    const QString codice = txtCodiceana->text();
    if (codice.isEmpty() || codice == QLatin1String("0")) {
        Messaggi::informa(this, QStringLiteral("Nessun cliente da stampare: scegliere prima un cliente."),
                          QStringLiteral("Controllo:"));
        return;
    }
    ReportAttivita->ImpostaIntestazioneStampa(TestoIntestazioneStampa());
    ReportAttivita->ImpostaPiePaginaStampa(TestoPiePaginaStampa());
    ReportAttivita->ImpostaTitoloAnteprima(QStringLiteral("Anteprima di stampa"));
    ReportAttivita->AnteprimaStampa();
}
