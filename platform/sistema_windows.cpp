#include "platform/sistema.h"

#include <QDir>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <winsock2.h>
#include <shlobj.h>
#include <windows.h>

namespace Piattaforma {

// As _exit does on Linux: nothing of the process runs any more, no DLL is told.
void EsciSubito(int codice)
{
    TerminateProcess(GetCurrentProcess(), UINT(codice));
    ExitProcess(UINT(codice));
}

void ConsoleDelChiamante()
{
    const auto senza = [](DWORD quale) {
        const HANDLE h = GetStdHandle(quale);
        return h == nullptr || h == INVALID_HANDLE_VALUE;
    };
    if (senza(STD_OUTPUT_HANDLE) || senza(STD_ERROR_HANDLE)) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS))
            return;
        if (senza(STD_OUTPUT_HANDLE) || _fileno(stdout) < 0)
            std::freopen("CONOUT$", "w", stdout);
        if (senza(STD_ERROR_HANDLE) || _fileno(stderr) < 0)
            std::freopen("CONOUT$", "w", stderr);
    }
    // The answers are written in UTF-8: a console shows them so while the program runs, and gets its
    // own code page back at the end (a pipe or a file takes the bytes as they are).
    static const UINT prima = GetConsoleOutputCP();
    if (prima != 0 && prima != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { SetConsoleOutputCP(prima); });
}

bool AttendiSocket(int socket, bool scrittura, int ms)
{
    // libpq hands out its SOCKET as an int; Windows' select ignores its first argument.
    fd_set insieme;
    FD_ZERO(&insieme);
    FD_SET(SOCKET(socket), &insieme);
    timeval t{ms / 1000, (ms % 1000) * 1000};
    return select(0, scrittura ? nullptr : &insieme, scrittura ? &insieme : nullptr, nullptr,
                  ms < 0 ? nullptr : &t) > 0;
}

bool StderrTerminale() { return _isatty(_fileno(stderr)) != 0; }

QString CartellaSpeciale(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer)))
        return {};
    return QDir::fromNativeSeparators(QString::fromWCharArray(buffer));
}

QSettings::Format FormatoImpostazioni() { return QSettings::NativeFormat; }

LuoghiAiuto Luoghi()
{
    return {"sezione Costanti di HKEY_CURRENT_USER\\Software\\Spesario\\Spesario nel registro",
            "%APPDATA%\\postgresql\\pgpass.conf", "guida.html nella cartella del programma"};
}

CatturaStderr::CatturaStderr()
{
    m_file = std::tmpfile();
    m_stderr = m_file ? _dup(_fileno(stderr)) : -1;
}

CatturaStderr::~CatturaStderr()
{
    if (m_stderr >= 0)
        _close(m_stderr);
    if (m_file)
        std::fclose(m_file);
}

void CatturaStderr::Inizia()
{
    if (m_stderr < 0)
        return;
    std::fflush(stderr);
    _dup2(_fileno(m_file), _fileno(stderr));
}

QByteArray CatturaStderr::Termina(qsizetype massimo)
{
    if (m_stderr < 0)
        return {};
    std::fflush(stderr);
    _dup2(m_stderr, _fileno(stderr));
    const int fd = _fileno(m_file);
    const long long n = _lseeki64(fd, 0, SEEK_CUR);
    if (n <= 0)
        return {};
    QByteArray testo(qsizetype(std::min<long long>(n, massimo)), '\0');
    int letti = -1;
    if (_lseeki64(fd, 0, SEEK_SET) == 0)
        letti = _read(fd, testo.data(), unsigned(testo.size()));
    testo.truncate(letti > 0 ? qsizetype(letti) : 0);
    if (_chsize_s(fd, 0) != 0 || _lseeki64(fd, 0, SEEK_SET) != 0) {
        _close(m_stderr);
        m_stderr = -1;
    }
    return testo;
}

} // namespace Piattaforma
