#pragma once
// Files as the system keeps them: data and names put on the disk, a rename over a file, a second
// name, the identity that tells one file from another, and the bytes of a path for C libraries.
// Paths are Qt's ('/' or the system's separators, any Unicode letter, network paths).

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;
class QFileDevice;

namespace Piattaforma {

// Writes out what Qt buffers and waits until the file's data are on the disk.
bool SincronizzaFile(QFile &file);
// Starts putting on the disk what was written to the file so far, without waiting for it: the sync
// at its end then waits only for the rest. Nothing on Windows, which has no such call.
void AvviaScrittura(QFileDevice &file);
// The same for a closed file named by its path; nothing when it cannot be opened.
void SincronizzaPercorso(const QString &percorso);
// Puts a folder's entries (a rename, a new file) on the disk. On Windows the renames below are
// written through already and a folder cannot be flushed: nothing happens there.
void SincronizzaCartella(const QString &cartella);

// Renames `origine` to `destinazione`, replacing a file there in one step; false on failure.
bool Sostituisci(const QString &origine, const QString &destinazione);
// Renames `origine` to `destinazione` only when nothing is there; false otherwise.
bool Rinomina(const QString &origine, const QString &destinazione);

enum class EsitoSecondoNome { Fatto, Esiste, NonPossibile };
// Gives the file `esistente` the second name `nuovo` (a hard link): Esiste when `nuovo` is taken,
// NonPossibile when the file system cannot (the caller copies instead).
EsitoSecondoNome SecondoNome(const QString &esistente, const QString &nuovo);

// Which file a path names: the device or volume and the file's number on it.
struct IdentitaFile {
    quint64 volume = 0;
    quint64 numero = 0;
    bool operator==(const IdentitaFile &o) const { return volume == o.volume && numero == o.numero; }
    bool operator!=(const IdentitaFile &o) const { return !(*this == o); }
};
// InUso: the file is there, but another program holds it so that it cannot be told which one it
// is (Windows' sharing modes). A file in use is never "missing".
enum class StatoFile { Presente, Mancante, InUso };
StatoFile Identita(const QString &percorso, IdentitaFile *identita);
// Whether another program holds the file open so that it cannot be opened for reading now.
bool FileInUso(const QString &percorso);
// Whether a living process holds the file as QLockFile holds its lock file: a lock on it on Unix, a
// handle that refuses deletion on Windows. Both end with the process, however it ends.
bool FileTrattenuto(const QString &percorso);

// The path as SQLite's open wants it, in UTF-8 whatever the system.
QByteArray PercorsoSqlite(const QString &percorso);
// The path as the C library's fopen takes it; empty when no such bytes name the file (on Windows a
// letter outside the system's code page with no short name): the caller then opens a copy.
QByteArray PercorsoFopen(const QString &percorso);

} // namespace Piattaforma
