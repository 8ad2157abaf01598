#pragma once
// Putting a converted archive in place. The new archive is written beside the old file under a
// temporary name, checked and made durable; then the original gets its new name through a second
// link to the same file, and only then is the new archive renamed over archivio.mdb. So archivio.mdb
// is at every instant either the original or the complete new archive, and a process killed half-way
// leaves only a temporary file or a second name of the original, which RiordinaCartella removes.

#include "convert/copia.h"

#include <QString>
#include <functional>

// The draft of a conversion, beside archivio.mdb. A copy into a folder writes one of its own,
// archivio-copia-PID.tmp.
inline const QString NomeFileBozza = QStringLiteral("archivio-conversione.tmp");
// The lock a conversion or a copy holds on its folder for all its work: one at a time in a folder.
inline const QString NomeFileBloccoCartella = QStringLiteral(".archivio-conversione.lock");

// The first free name among archivio-access.mdb, archivio-access-2.mdb, ...
QString NomeOriginaleAccess(const QString &cartella);

// Puts the folder back in order after a conversion or a copy that did not finish: removes their
// drafts and any archivio-access*.mdb that is only a second name of archivio.mdb itself. While
// another process converts or copies into the folder it does nothing.
void RiordinaCartella(const QString &cartella);

// Converts the folder's archivio.mdb, an Access file: on success archivio.mdb is the new archive and
// the original, its bytes untouched, is named `nomeOriginale`. Any failure leaves the folder as it
// was and throws an ErroreApp; so does another conversion or copy at work in the folder, and the
// earlier program's lock file (archivio.ldb) beside the Access file.
RiepilogoCopia ConvertiArchivioCartella(const QString &cartella, const QString &nomeOriginale,
                                        const AvanzamentoCopia &avanzamento = {});

// Copies the archive `origine` (Access, a file or a server of this program) into `cartella`/archivio.mdb, creating the
// folder when missing. A folder that already holds an archivio.mdb other than an empty archive is
// refused, and so is a folder where another copy or a conversion is at work. Any failure leaves
// nothing behind (a folder it created is removed) and throws.
RiepilogoCopia CopiaInCartella(const QString &origine, const QString &cartella,
                               const AvanzamentoCopia &avanzamento = {});

// Copies the archive `origine` (Access, a file or a server of this program) into the database at
// `uri`, whose table is made when missing and must hold no movement. Any failure leaves the table
// empty and throws.
RiepilogoCopia CopiaSuServer(const QString &origine, const QString &uri, const AvanzamentoCopia &avanzamento = {});

// The command line's copy: `--copia-archivio ORIGINE DESTINAZIONE`. Progress goes to standard error
// when that is a terminal, the summary to standard output. Returns the process's exit code: 0 only
// when the copy was checked and put in place.
int CopiaDaRigaDiComando(const QStringList &argomenti);

// Whether the file begins as an SQLite database does.
bool EFileSqlite(const QString &percorso);

// Tests watch the steps of a conversion through this (the step's name, for each step reached).
void ImpostaOsservatoreConversione(std::function<void(const char *passo)> osservatore);
