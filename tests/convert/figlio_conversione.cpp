// A child process for the kill test of the conversion: it opens the ledger window, whose load step
// finds the Access archivio.mdb and converts it (every question answered Yes), and kills itself with
// SIGKILL when the conversion reaches the step named on the command line ("-": none).
//
//   figlio_conversione INI PASSO

#include "convert/scambio.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "store/impostazioni.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"
#include "widgets/messaggi.h"

#include <QApplication>
#include <cstdio>

namespace {
class MessaggiFiglio : public ServizioMessaggi {
public:
    Risposta mostra(QWidget *, const Messaggio &m) override
    {
        std::fprintf(stderr, "MESSAGGIO %s | %s\n", qPrintable(m.titolo), qPrintable(m.testo));
        return m.pulsanti == Pulsanti::Ok ? Risposta::Ok : Risposta::Si;
    }
    QString fileDaSalvare(QWidget *, const RichiestaFile &) override { return QString(); }
    void anteprimaStampa(QWidget *, const QString &, const std::function<void(QPrinter *)> &) override {}
};
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CartelleProvaDaAmbiente();
    if (argc < 3)
        return 2;
    ImpostaLocaleItaliano();
    Impostazioni::ImpostaFile(QString::fromLocal8Bit(argv[1]));
    const QByteArray fermata = argv[2];
    MessaggiFiglio messaggi;
    Messaggi::impostaServizio(&messaggi);
    ImpostaOsservatoreConversione([&](const char *passo) {
        if (fermata == passo)
            UccidiSeStesso();
    });
    frmAnticipi::Istanza();
    std::printf(Archivio::ConnArchivio().Aperto() ? "APERTO\n" : "CHIUSO\n");
    Archivio::Rilascia();
    return 0;
}
