// A child process for the crash and concurrency tests: it saves movements through the ledger
// window's real save path, one after another, and prints a line for each save once it is committed.
//
//   figlio_salvataggi INI SEME CONTEGGIO OGNI_NUOVO
//
// INI names the settings file (its "Connessione" names the archive); SEME makes the
// descriptions unique; every OGNI_NUOVO-th movement belongs to a new client (0: never).

#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "store/backup.h"
#include "store/impostazioni.h"
#include "values/costanti.h"
#include "values/errore.h"
#include "widgets/messaggi.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QThread>
#include <cstdio>

namespace {
// No box may wait for an answer in a child: every question is answered Yes, every failure logged.
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
    if (argc < 5)
        return 2;
    ImpostaLocaleItaliano();
    Impostazioni::ImpostaFile(QString::fromLocal8Bit(argv[1]));
    const QString seme = QString::fromLocal8Bit(argv[2]);
    const int conteggio = QString::fromLocal8Bit(argv[3]).toInt();
    const int ogniNuovo = QString::fromLocal8Bit(argv[4]).toInt();
    MessaggiFiglio messaggi;
    Messaggi::impostaServizio(&messaggi);
    // The saves are what is tested here, not the daily backup.
    CopiaGiornaliera::ImpostaAttiva(false);

    frmAnticipi *w = frmAnticipi::Istanza();
    QString cf = QStringLiteral("BASE") + seme;
    QString nome = QStringLiteral("Cliente base ") + seme;
    w->txtCodiceana->setText(QStringLiteral("0"));
    for (int i = 0; i < conteggio; ++i) {
        if (ogniNuovo > 0 && i % ogniNuovo == 0) {
            w->PulisciCampi(false);
            cf = QStringLiteral("N%1X%2").arg(seme).arg(i).left(16);
            nome = QStringLiteral("Nuovo cliente %1/%2").arg(seme).arg(i);
        }
        w->txtDenominazione->setText(nome);
        w->txtCF->setText(cf);
        const bool entrata = i % 3 == 0;
        w->optTipo[entrata ? 0 : 1]->setChecked(true);
        const QString importo = QStringLiteral("%1,%2").arg(1 + i % 997).arg(i % 100, 2, 10, QLatin1Char('0'));
        (entrata ? w->txtEntrate : w->txtUscite)->setText(importo);
        const QString descrizione = QStringLiteral("mov %1 %2").arg(seme).arg(i);
        w->txtDescrizione->setPlainText(descrizione);
        // A save that found the archive busy is tried again a moment later, as the message tells the
        // user to; what was typed is still in the fields.
        for (int tentativo = 0; tentativo < 10; ++tentativo) {
            w->Comando_Salva();
            if (w->UltimoSalvataggioRiuscito())
                break;
            QThread::msleep(200);
        }
        if (w->UltimoSalvataggioRiuscito()) {
            std::printf("SALVATO\t%s\t%s\t%s\t%s\t%s\t%s\n", qPrintable(descrizione), entrata ? "E" : "U",
                        qPrintable(importo), qPrintable(cf), qPrintable(nome), qPrintable(w->txtCodiceana->text()));
            std::fflush(stdout);
        } else {
            std::printf("FALLITO\t%s\n", qPrintable(descrizione));
            std::fflush(stdout);
        }
    }
    Archivio::Rilascia();
    return 0;
}
