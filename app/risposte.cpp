#include "app/risposte.h"

#include "app/frmStart.h"
#include "widgets/messaggi.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace {

class ServizioRisposte : public ServizioMessaggi {
public:
    explicit ServizioRisposte(const QStringList &risposte) : m_risposte(risposte) {}

    Risposta mostra(QWidget *, const Messaggio &m) override
    {
        // The titles end with their own colon ("Controllo:").
        const QString riga = m.titolo.isEmpty() ? m.testo : m.titolo + QLatin1Char(' ') + m.testo;
        std::fprintf(stderr, "%s\n", qUtf8Printable(riga));
        std::fflush(stderr);
        if (m.pulsanti == Pulsanti::Ok)
            return Risposta::Ok;
        if (m_risposte.isEmpty())
            return m.predefinito == Risposta::No ? Risposta::No : Risposta::Si;
        const QString r = m_risposte.takeFirst().trimmed().toLower();
        return r == QLatin1String("no") ? Risposta::No : Risposta::Si;
    }
    QString fileDaSalvare(QWidget *, const RichiestaFile &) override { return QString(); }
    void anteprimaStampa(QWidget *, const QString &, const std::function<void(QPrinter *)> &) override {}

private:
    QStringList m_risposte;
};

} // namespace

bool AvviaConRispostePreparate()
{
    if (!qEnvironmentVariableIsSet("SPESARIO_RISPOSTE"))
        return false;
    static ServizioRisposte servizio(
        qEnvironmentVariable("SPESARIO_RISPOSTE").split(QLatin1Char(','), Qt::SkipEmptyParts));
    Messaggi::impostaServizio(&servizio);
    return true;
}

void EseguiConRispostePreparate()
{
    QTimer::singleShot(0, [] {
        // The ledger loads (and asks) inside Continua; closing it releases the archive.
        frmStart::Istanza()->PushButton2_Click();
        QTimer::singleShot(0, [] {
            QApplication::closeAllWindows();
            QCoreApplication::quit();
        });
    });
}
