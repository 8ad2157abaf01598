// The two children of the start-up row, each a process of its own timed from exec to its window on
// screen. Built twice: bench_avvio as the program starts (its libraries and nothing more, as
// spesario links them: the benchmark's own libpq and Qt SQL would add their loading to it), and
// bench_finestra_vuota with AVVIO_VUOTO, a Qt Widgets program showing one empty window: the floor.

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <QIcon>
#include <QElapsedTimer>
#include <cstdio>
#include <ctime>
static double ms(){timespec t; clock_gettime(CLOCK_MONOTONIC,&t); return t.tv_sec*1e3+t.tv_nsec/1e6;}
#define T(x) std::fprintf(stderr,"%s %.1f\n",x,ms())

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
    T("main");
    QApplication app(argc, argv);
    T("app");
    if (qEnvironmentVariableIsSet("PROVA_IMG")) { QIcon i; i.addFile(QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-h-16.png")); T("img"); }
#ifdef AVVIO_VUOTO
    QWidget w;
    w.show();
    attendiEsposta(&w);
    T("esposta");
#else
    // What main() does before the start window, then the user's first click.
    ImpostaApplicazione();
    CaricaTraduzioniQt();
    T("trad");
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SPESARIO_ID)));
    Impostazioni::ImpostaFile(qEnvironmentVariable("SPESARIO_BENCH_INI"));
    frmStart::Istanza()->show();
    T("start");
    frmStart::Istanza()->PushButton2_Click();
    T("click");
    attendiEsposta(frmAnticipi::Istanza());
    T("esposta");
    Archivio::Rilascia();
    T("rilascia");
#endif
    return 0;
}
