#include "tests/support/sistema.h"

#include <windows.h>

bool PermessiIgnorati() { return true; }

bool DiscoPieno::Possibile() { return false; }

DiscoPieno::DiscoPieno(qint64) {}

DiscoPieno::~DiscoPieno() {}

void UccidiFiglio(QProcess &p)
{
    if (p.state() != QProcess::NotRunning)
        p.kill();
}

void UccidiSeStesso()
{
    TerminateProcess(GetCurrentProcess(), 9);
    ExitProcess(9);
}
