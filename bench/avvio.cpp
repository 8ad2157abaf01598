// The two children of the start-up row, each a process of its own timed from exec to its window on
// screen. Built twice: bench_avvio as the program starts (its libraries and nothing more, as
// spesario links them: the benchmark's own libpq and Qt SQL would add their loading to it), and
// bench_finestra_vuota with AVVIO_VUOTO, a Qt Widgets program showing one empty window: the floor;
// with --scritta its window shows one line of text, and so loads the system's font configuration,
// which every window with text pays and the empty one only at its exit.
// With --finestra-iniziale bench_avvio stops at the start window on screen, before its Continua.

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#ifndef AVVIO_VUOTO
#include "app/frmStart.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "store/impostazioni.h"
#include "values/costanti.h"

#include <QIcon>
#endif

namespace {
void attendiEsposta(QWidget *w)
{
    while (!w->windowHandle() || !w->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
#ifdef AVVIO_VUOTO
    QWidget w;
    if (QCoreApplication::arguments().contains(QStringLiteral("--scritta")))
        (new QVBoxLayout(&w))->addWidget(new QLabel(QStringLiteral("Gestione spese anticipate")));
    w.show();
    attendiEsposta(&w);
#else
    // What main() does before the start window, then the user's first click.
    ImpostaApplicazione();
    CaricaTraduzioniQt();
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SPESARIO_ID)));
    Impostazioni::ImpostaFile(qEnvironmentVariable("SPESARIO_BENCH_INI"));
    frmStart::Istanza()->show();
    if (QCoreApplication::arguments().contains(QStringLiteral("--finestra-iniziale"))) {
        attendiEsposta(frmStart::Istanza());
        return 0;
    }
    frmStart::Istanza()->PushButton2_Click();
    attendiEsposta(frmAnticipi::Istanza());
    Archivio::Rilascia();
#endif
    return 0;
}
