#pragma once
// The conversion of an Access archive: the program's command line as a child process (its time and
// its peak memory), beside the floor: libmdb reading every row through its bound columns and SQLite
// inserting the same rows in one transaction, then building the same indexes.

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
