#include "app/frmStart.h"
#include "app/risposte.h"
#include "convert/scambio.h"
#include "platform/sistema.h"
#include "values/costanti.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <QIcon>

namespace {
// What `spesario --help` prints: the ways to start the program and the two forms of an archive; the
// places it names are the system's (Piattaforma::Luoghi), in this order.
const char Uso[] =
    "Uso: spesario [--copia-archivio ORIGINE DESTINAZIONE | --help | --version]\n"
    "\n"
    "Gestione spese anticipate: per ogni cliente dello studio, le spese anticipate per suo conto\n"
    "e le somme ricevute, con i saldi, la stampa e le esportazioni per Excel.\n"
    "\n"
    "  spesario\n"
    "      apre il programma sull'archivio indicato nelle impostazioni (chiave Connessione,\n"
    "      %s).\n"
    "  spesario --copia-archivio ORIGINE DESTINAZIONE\n"
    "      copia un archivio senza aprire finestre e controlla la copia movimento per movimento;\n"
    "      esce con 0 solo se la copia è riuscita e controllata. ORIGINE è anche un archivio Access\n"
    "      del programma precedente o il file archivio.mdb; DESTINAZIONE non deve contenere movimenti.\n"
    "  spesario --help       mostra questo aiuto ed esce\n"
    "  spesario --version    mostra la versione ed esce\n"
    "\n"
    "Un archivio si indica in due modi:\n"
    "  una cartella          quella che contiene archivio.mdb (creata se manca, come DESTINAZIONE)\n"
    "  postgresql://[utente@]server[:porta]/database[?sslmode=require]\n"
    "                        un archivio su un server PostgreSQL condiviso da più postazioni;\n"
    "                        la password va in %s, mai nell'indirizzo\n"
    "\n"
    "La guida per l'utente: %s\n";
} // namespace

int main(int argc, char **argv)
{
    // On Windows a windowed program has no console of its own: the command line's answers go to
    // the one it was started from.
    if (argc >= 2)
        Piattaforma::ConsoleDelChiamante();
    // Answered before any Qt application exists: no display is needed, and none is opened.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        const Piattaforma::LuoghiAiuto l = Piattaforma::Luoghi();
        std::printf(Uso, l.impostazioni, l.password, l.guida);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("spesario %s\n", SPESARIO_VERSIONE);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // The copy of an archive runs without a display: no QApplication, no platform plugin.
    if (argc >= 2 && std::strcmp(argv[1], "--copia-archivio") == 0) {
        QCoreApplication app(argc, argv);
        ImpostaApplicazione();
        return CopiaDaRigaDiComando(QCoreApplication::arguments().mid(2));
    }
    QApplication app(argc, argv);
    ImpostaApplicazione();
    CaricaTraduzioniQt();
    // The menu entry and the icon the package installs: the desktop matches the window to them.
    QGuiApplication::setDesktopFileName(QStringLiteral(SPESARIO_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SPESARIO_ID)));
    const bool preparate = AvviaConRispostePreparate();
    frmStart::Istanza()->show();
    if (preparate)
        EseguiConRispostePreparate();
    return app.exec();
}
