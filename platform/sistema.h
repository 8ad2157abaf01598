#pragma once
// The process and its surroundings: the immediate exit, standard error, special folders and where
// the settings are kept.

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <cstdio>

namespace Piattaforma {

// Ends the process at once with `codice`: no destructor, no exit handler, no unload step runs.
[[noreturn]] void EsciSubito(int codice);

// A program started from a console writes its standard output and error there. Windows gives a
// windowed program none: it takes its caller's console, unless the caller redirected them; the
// console shows UTF-8 while the program runs.
void ConsoleDelChiamante();

// Waits until the socket (libpq's) can be read, or written; false when `ms` milliseconds passed
// first (ms < 0: no limit).
bool AttendiSocket(int socket, bool scrittura, int ms);

// Whether standard error is a terminal (a console on Windows), where progress may be redrawn.
bool StderrTerminale();

// The special folder of a Windows CSIDL number (35 all users' application data, 16 the user's
// desktop), as the system names it; elsewhere the writable shared data folder and the desktop.
// Empty when there is none.
QString CartellaSpeciale(int csidl);

// The settings' format: a file on Linux, the registry (current user) on Windows.
QSettings::Format FormatoImpostazioni();

// Where this system keeps what `spesario --help` points to, in the user's words: the settings, the
// server password file libpq reads, and the user guide.
struct LuoghiAiuto {
    const char *impostazioni, *password, *guida;
};
LuoghiAiuto Luoghi();

// Standard error sent for a while into a temporary file, so that what a C library prints there can
// be read back. Inactive (everything goes to the real standard error) when no file can be made.
class CatturaStderr {
public:
    CatturaStderr();
    ~CatturaStderr();
    CatturaStderr(const CatturaStderr &) = delete;
    CatturaStderr &operator=(const CatturaStderr &) = delete;

    bool Attiva() const { return m_stderr >= 0; }
    // From here on standard error goes to the file.
    void Inizia();
    // Back to the real standard error: what was written since Inizia (up to `massimo` bytes). A
    // file that no longer empties ends the capture.
    QByteArray Termina(qsizetype massimo);

private:
    std::FILE *m_file = nullptr;
    int m_stderr = -1;
};

} // namespace Piattaforma
