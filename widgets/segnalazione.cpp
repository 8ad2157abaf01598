#include "widgets/segnalazione.h"

#include "widgets/messaggi.h"

void SegnalaErrore(const QString &etichetta, const ErroreApp &errore, QWidget *parent)
{
    RegistraErrore(errore);
    Messaggio m;
    m.testo = QStringLiteral("Errore N.") + QString::number(errore.numero()) + QStringLiteral(" Descrizione: ") +
              errore.descrizione() + QStringLiteral(" Continuare?");
    m.titolo = QStringLiteral("Errore ") + etichetta;
    m.icona = Icona::Critico;
    m.pulsanti = Pulsanti::SiNo;
    m.predefinito = Risposta::Si;
    if (Messaggi::mostra(parent, m) == Risposta::No)
        TerminaProgramma(1);
}

bool EseguiPasso(const QString &etichetta, const std::function<void()> &passo, QWidget *parent)
{
    try {
        passo();
        return true;
    } catch (const ErroreApp &e) {
        SegnalaErrore(etichetta, e, parent);
    } catch (const std::exception &e) {
        SegnalaErrore(etichetta, ErroreApp(-1, QString::fromLocal8Bit(e.what())), parent);
    }
    return false;
}
