#include "tests/support/sistema.h"

#include "values/costanti.h"

#include <QDir>
#include <QFile>
#include <windows.h>

bool Root() { return false; }

bool PermessiIgnorati() { return true; }

bool FileApertiRimovibili() { return false; }

bool CartelleUtenteDellaProva() { return false; }

bool DiscoPieno::Possibile() { return false; }

DiscoPieno::DiscoPieno(qint64) {}

DiscoPieno::~DiscoPieno() {}

void ImpostaCartelleProva(const QString &dati, const QString &scrivania)
{
    qputenv("SPESARIO_PROVA_DATI", dati.toUtf8());
    qputenv("SPESARIO_PROVA_SCRIVANIA", scrivania.toUtf8());
    CartelleProvaDaAmbiente();
}

void CartelleProvaDaAmbiente()
{
    ImpostaCartellaSpeciale(CSIDL_COMMON_APPDATA, qEnvironmentVariable("SPESARIO_PROVA_DATI"));
    ImpostaCartellaSpeciale(CSIDL_DESKTOPDIRECTORY, qEnvironmentVariable("SPESARIO_PROVA_SCRIVANIA"));
}

FileTenuto::FileTenuto(const QString &percorso)
{
    const HANDLE h = CreateFileW(QDir::toNativeSeparators(percorso).toStdWString().c_str(),
                                 GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        m_maniglia = h;
}

FileTenuto::~FileTenuto()
{
    if (m_maniglia)
        CloseHandle(static_cast<HANDLE>(m_maniglia));
}

void UccidiFiglio(QProcess &p)
{
    if (p.state() != QProcess::NotRunning)
        p.kill();
}

void UccidiSeStesso()
{
    // The code QProcess::kill gives: the parent's QProcess reports a crash, as for SIGKILL.
    TerminateProcess(GetCurrentProcess(), 0xf291);
    ExitProcess(0xf291);
}

void MessaggiInLingua(const QString &, const char *) {}

namespace {
// Wine's own export, which Windows itself does not have.
FARPROC DaWine() { return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"); }
} // namespace

bool SottoWine() { return DaWine() != nullptr; }

QString PercorsoPerProgrammaLinux(const QString &percorso)
{
    // On Windows itself the path stays as it is.
    using Funzione = char *(__cdecl *)(const wchar_t *);
    const auto daWine = reinterpret_cast<Funzione>(reinterpret_cast<void *>(DaWine()));
    char *p = daWine ? daWine(QDir::toNativeSeparators(percorso).toStdWString().c_str()) : nullptr;
    if (!p)
        return percorso;
    const QString r = QFile::decodeName(p);
    HeapFree(GetProcessHeap(), 0, p);
    return r;
}
