// A child for the crash test of a new archive: it runs the ledger window's open step on a first run
// and ends itself without warning (SIGKILL) when the archive's creation reaches the given step.
//
//   figlio_creazione INI PASSO
//
// INI names the settings file, which holds no archive folder yet.

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/support/sistema.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CartelleProvaDaAmbiente();
    if (argc < 3)
        return 2;
    Impostazioni::ImpostaFile(QString::fromLocal8Bit(argv[1]));
    const int fermata = QString::fromLocal8Bit(argv[2]).toInt();
    ImpostaPassoCreazione([fermata](int passo) {
        if (passo == fermata)
            UccidiSeStesso();
    });
    try {
        ApriArchivio();
    } catch (const ErroreApp &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    Archivio::Rilascia();
    return 0;
}
