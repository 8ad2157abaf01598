#pragma once
// The conversion of an Access archive: the program's command line as a child process (its time and
// its peak memory), beside the floor: libmdb reading every row through its bound columns and SQLite
// inserting the same rows in one transaction, then building the same indexes.
// The copy into a server, beside psql's \copy of the same rows and the same indexes.

#include <QString>

// The floor, into a new file `destinazione`; returns the rows copied, -1 when the file does not open.
qint64 PavimentoConversione(const QString &access, const QString &destinazione);

struct MisuraConversione {
    double ms = 0;
    qint64 righe = 0;
    long piccoMb = 0;  // the largest resident size of the children so far
    bool ok = false;
};

// `spesario --copia-archivio access destinazione`, timed from start to exit.
MisuraConversione MisuraCopia(const QString &spesario, const QString &access, const QString &destinazione);

// psql's \copy of the server table's rows into `file`, in COPY's text form; false on failure.
bool EsportaRigheServer(const QString &uri, const QString &file);
// Empties the server's table; false on failure.
bool SvuotaServer(const QString &uri);
// The floor of the copy into a server: psql, in one transaction, drops the indexes and the table of
// each client's newest movement, loads `file` with \copy, builds the same indexes, makes and fills
// that table again and analyses the table, as the copy engine does. Milliseconds, or
// -1 on failure.
double PavimentoCopiaServer(const QString &uri, const QString &file);
