#include "tests/support/sistema.h"

#include <QFile>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

bool Root() { return ::geteuid() == 0; }

bool PermessiIgnorati() { return Root(); }

bool FileApertiRimovibili() { return true; }

bool CartelleUtenteDellaProva() { return true; }

bool DiscoPieno::Possibile() { return true; }

DiscoPieno::DiscoPieno(qint64 byte)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    m_prima[0] = r.rlim_cur;
    m_prima[1] = r.rlim_max;
    r.rlim_cur = rlim_t(byte);
    m_ok = setrlimit(RLIMIT_FSIZE, &r) == 0;
}

DiscoPieno::~DiscoPieno()
{
    const rlimit r{rlim_t(m_prima[0]), rlim_t(m_prima[1])};
    setrlimit(RLIMIT_FSIZE, &r);
}

void ImpostaCartelleProva(const QString &, const QString &) {}

void CartelleProvaDaAmbiente() {}

FileTenuto::FileTenuto(const QString &) {}

FileTenuto::~FileTenuto() {}

void UccidiFiglio(QProcess &p)
{
    // processId() is 0 once the child has ended, and kill(0) would hit this whole process group.
    if (p.processId() > 0)
        ::kill(pid_t(p.processId()), SIGKILL);
}

void UccidiSeStesso()
{
    std::raise(SIGKILL);
    std::abort();
}

void MessaggiInLingua(const QString &cartellaLocali, const char *locale)
{
    qputenv("LOCPATH", QFile::encodeName(cartellaLocali));
    std::setlocale(LC_MESSAGES, locale);
}

bool SottoWine() { return false; }

QString PercorsoPerProgrammaLinux(const QString &percorso) { return percorso; }
