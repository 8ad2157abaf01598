#include "platform/file.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Piattaforma {

namespace {
void sincronizza(const QString &percorso, int flag)
{
    const int fd = ::open(QFile::encodeName(percorso).constData(), O_RDONLY | flag);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

bool SincronizzaFile(QFile &file) { return file.flush() && ::fsync(file.handle()) == 0; }

void AvviaScrittura(QFileDevice &file)
{
#ifdef Q_OS_LINUX
    // A request alone: a failure here shows again, and is reported, at the sync.
    if (file.handle() >= 0)
        ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
}

void SincronizzaPercorso(const QString &percorso) { sincronizza(percorso, 0); }

void SincronizzaCartella(const QString &cartella) { sincronizza(cartella, O_DIRECTORY); }

bool Sostituisci(const QString &origine, const QString &destinazione)
{
    return ::rename(QFile::encodeName(origine).constData(), QFile::encodeName(destinazione).constData()) == 0;
}

bool Rinomina(const QString &origine, const QString &destinazione) { return QFile::rename(origine, destinazione); }

EsitoSecondoNome SecondoNome(const QString &esistente, const QString &nuovo)
{
    if (::link(QFile::encodeName(esistente).constData(), QFile::encodeName(nuovo).constData()) == 0)
        return EsitoSecondoNome::Fatto;
    return errno == EEXIST ? EsitoSecondoNome::Esiste : EsitoSecondoNome::NonPossibile;
}

StatoFile Identita(const QString &percorso, IdentitaFile *identita)
{
    struct stat st {};
    if (::stat(QFile::encodeName(percorso).constData(), &st) != 0)
        return StatoFile::Mancante;
    if (identita)
        *identita = {quint64(st.st_dev), quint64(st.st_ino)};
    return StatoFile::Presente;
}

// No mandatory locks here: an open file never keeps another program from reading it.
bool FileInUso(const QString &) { return false; }

bool FileTrattenuto(const QString &percorso)
{
    const int fd = ::open(QFile::encodeName(percorso).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A lock of our own on a descriptor of our own: it conflicts with any other, this process's too,
    // and ends with the close.
    const bool trattenuto = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return trattenuto;
}

QByteArray PercorsoSqlite(const QString &percorso) { return QFile::encodeName(percorso); }

QByteArray PercorsoFopen(const QString &percorso) { return QFile::encodeName(percorso); }

} // namespace Piattaforma
