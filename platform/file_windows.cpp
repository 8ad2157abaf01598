#include "platform/file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <io.h>
#include <windows.h>

namespace Piattaforma {

namespace {
// The path as Windows' wide-character calls take it: backslashes, every letter kept.
std::wstring largo(const QString &percorso) { return QDir::toNativeSeparators(percorso).toStdWString(); }

// Opened without asking to read or write, sharing everything: such a handle coexists with any other
// program's, whatever sharing mode that one chose. Folders need the backup flag.
HANDLE apriPerAttributi(const QString &percorso)
{
    return CreateFileW(largo(percorso).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool esiste(const QString &percorso)
{
    return GetFileAttributesW(largo(percorso).c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

void AvviaScrittura(QFileDevice &) {}

bool SincronizzaFile(QFile &file)
{
    if (!file.flush())
        return false;
    const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
}

void SincronizzaPercorso(const QString &percorso)
{
    // FlushFileBuffers needs a handle that may write.
    const HANDLE h = CreateFileW(largo(percorso).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(h);
    CloseHandle(h);
}

void SincronizzaCartella(const QString &) {}

bool Sostituisci(const QString &origine, const QString &destinazione)
{
    return MoveFileExW(largo(origine).c_str(), largo(destinazione).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Rinomina(const QString &origine, const QString &destinazione)
{
    return MoveFileExW(largo(origine).c_str(), largo(destinazione).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

EsitoSecondoNome SecondoNome(const QString &esistente, const QString &nuovo)
{
    if (CreateHardLinkW(largo(nuovo).c_str(), largo(esistente).c_str(), nullptr))
        return EsitoSecondoNome::Fatto;
    const DWORD e = GetLastError();
    return e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? EsitoSecondoNome::Esiste
                                                               : EsitoSecondoNome::NonPossibile;
}

StatoFile Identita(const QString &percorso, IdentitaFile *identita)
{
    const HANDLE h = apriPerAttributi(percorso);
    if (h == INVALID_HANDLE_VALUE)
        return esiste(percorso) ? StatoFile::InUso : StatoFile::Mancante;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool letta = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!letta)
        return StatoFile::InUso;
    if (identita)
        *identita = {quint64(info.dwVolumeSerialNumber),
                     quint64(info.nFileIndexHigh) << 32 | quint64(info.nFileIndexLow)};
    return StatoFile::Presente;
}

bool FileInUso(const QString &percorso)
{
    const HANDLE h = CreateFileW(largo(percorso).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    const DWORD e = GetLastError();
    return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION;
}

bool FileTrattenuto(const QString &percorso)
{
    // QLockFile shares its handle for reading alone: asking to delete fails while it is open.
    const HANDLE h = CreateFileW(largo(percorso).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

QByteArray PercorsoSqlite(const QString &percorso) { return QDir::toNativeSeparators(percorso).toUtf8(); }

QByteArray PercorsoFopen(const QString &percorso)
{
    // fopen reads its bytes in the ANSI code page: a path it holds whole is taken as it is.
    const auto inCodice = [](const QString &p) -> QByteArray {
        const QByteArray b = p.toLocal8Bit();
        return QString::fromLocal8Bit(b) == p ? b : QByteArray();
    };
    const QString nativo = QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath());
    QByteArray b = inCodice(nativo);
    if (!b.isEmpty())
        return b;
    // Otherwise the short (8.3) name, where the volume keeps them, is plain ASCII.
    const std::wstring lungo = nativo.toStdWString();
    const DWORD n = GetShortPathNameW(lungo.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring corto(n, L'\0');
    const DWORD scritti = GetShortPathNameW(lungo.c_str(), corto.data(), n);
    if (scritti == 0 || scritti >= n)
        return {};
    corto.resize(scritti);
    return inCodice(QString::fromStdWString(corto));
}

} // namespace Piattaforma
