#pragma once
// What the tests do to the system that differs between Linux and Windows: permission bits, a full
// disk, killing a process. One implementation per system, as in platform/.

#include <QProcess>
#include <QtGlobal>

// Whether this process runs as root (Linux only: false on Windows).
bool Root();

// Whether this process reads and writes files whatever their permission bits: root on Linux, and
// always on Windows, where they do not hold (Wine runs as the Linux user that started it).
bool PermessiIgnorati();

// A file-size limit that plays the full disk while it lives: writes past `byte` fail (EFBIG)
// instead of ending the process. Windows has no such limit: Possibile() is false there, and the test
// skips with SENZA_DISCO_PIENO.
class DiscoPieno {
public:
    static bool Possibile();
    explicit DiscoPieno(qint64 byte);
    ~DiscoPieno();
    DiscoPieno(const DiscoPieno &) = delete;
    DiscoPieno &operator=(const DiscoPieno &) = delete;
    bool ok() const { return m_ok; }

private:
    quint64 m_prima[2] = {};
    bool m_ok = false;
};
#define SENZA_DISCO_PIENO "Windows non limita la dimensione dei file: il disco pieno si prova su Linux."

// The tests' special folders, the shared data folder and the desktop: on Linux the XDG variables that
// Ambiente sets do it for this process and its children; Windows takes them from the system, so
// this process is told, and its children through the environment (CartelleProvaDaAmbiente, first
// thing in their main()).
void ImpostaCartelleProva(const QString &dati, const QString &scrivania);
// Whether Qt's per-user folders (QStandardPaths) lie in the test's folder too: on Linux the XDG
// variables put them there; Windows gives the user's own (under Wine, the build's own prefix).
bool CartelleUtenteDellaProva();
void CartelleProvaDaAmbiente();

// Whether a file this process holds open can be deleted or replaced by another name (Linux); Windows
// refuses both while SQLite holds the archive.
bool FileApertiRimovibili();
#define SENZA_FILE_APERTI_RIMOVIBILI "Windows non lascia cancellare né sostituire un file aperto: si prova su Linux."

// A file held open with no sharing while this lives, as another program may hold one on Windows
// (Access, a backup program). Linux has no such hold: ok() is false there, and the test skips.
class FileTenuto {
public:
    explicit FileTenuto(const QString &percorso);
    ~FileTenuto();
    FileTenuto(const FileTenuto &) = delete;
    FileTenuto &operator=(const FileTenuto &) = delete;
    bool ok() const { return m_maniglia != nullptr; }

private:
    void *m_maniglia = nullptr;
};

// Kills a child at once, without warning (SIGKILL; on Windows TerminateProcess, as QProcess::kill).
// Nothing when it has ended already.
void UccidiFiglio(QProcess &p);
// Ends this process the same way, at once.
[[noreturn]] void UccidiSeStesso();

// The language of this process's messages (libpq's among them), from a locale of the given folder
// (LOCPATH). Windows has no message locale of this kind: nothing there.
void MessaggiInLingua(const QString &cartellaLocali, const char *locale);

// Whether this Windows program runs under Wine (false on Linux and on Windows itself).
bool SottoWine();

// The path by which a Linux program started from here (pdftotext) knows a file: the same on Linux;
// under Wine the Unix path of the Windows one.
QString PercorsoPerProgrammaLinux(const QString &percorso);
