#include "platform/sistema.h"

#include <QStandardPaths>
#include <algorithm>
#include <sys/select.h>
#include <unistd.h>

namespace Piattaforma {

void EsciSubito(int codice) { ::_exit(codice); }

void ConsoleDelChiamante() {}

bool AttendiSocket(int socket, bool scrittura, int ms)
{
    fd_set insieme;
    FD_ZERO(&insieme);
    FD_SET(socket, &insieme);
    timeval t{ms / 1000, (ms % 1000) * 1000};
    return select(socket + 1, scrittura ? nullptr : &insieme, scrittura ? &insieme : nullptr, nullptr,
                  ms < 0 ? nullptr : &t) > 0;
}

bool StderrTerminale() { return ::isatty(STDERR_FILENO); }

QString CartellaSpeciale(int csidl)
{
    switch (csidl) {
    case 35:
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    case 16:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    default:
        return {};
    }
}

QSettings::Format FormatoImpostazioni() { return QSettings::IniFormat; }

LuoghiAiuto Luoghi()
{
    return {"sezione [Costanti] di ~/.config/Spesario/Spesario.ini", "~/.pgpass", "/usr/share/doc/spesario/guida.html"};
}

CatturaStderr::CatturaStderr()
{
    m_file = std::tmpfile();
    m_stderr = m_file ? ::dup(STDERR_FILENO) : -1;
}

CatturaStderr::~CatturaStderr()
{
    if (m_stderr >= 0)
        ::close(m_stderr);
    if (m_file)
        std::fclose(m_file);
}

void CatturaStderr::Inizia()
{
    if (m_stderr < 0)
        return;
    std::fflush(stderr);
    ::dup2(::fileno(m_file), STDERR_FILENO);
}

QByteArray CatturaStderr::Termina(qsizetype massimo)
{
    if (m_stderr < 0)
        return {};
    std::fflush(stderr);
    ::dup2(m_stderr, STDERR_FILENO);
    const int fd = ::fileno(m_file);
    const off_t n = ::lseek(fd, 0, SEEK_CUR);
    if (n <= 0)
        return {};
    QByteArray testo(qsizetype(std::min<off_t>(n, massimo)), '\0');
    const ssize_t letti = ::pread(fd, testo.data(), size_t(testo.size()), 0);
    testo.truncate(letti > 0 ? qsizetype(letti) : 0);
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(m_stderr);
        m_stderr = -1;
    }
    return testo;
}

} // namespace Piattaforma
