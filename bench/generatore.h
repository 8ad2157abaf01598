#pragma once
// A reproducible archive for the benchmark: a fixed seed, a million movements over ten thousand
// clients and ten years, one heavy client with twenty thousand movements in the current year, names
// with accents and apostrophes, and clients whose older rows carry older names.

#include <QString>

struct ParametriArchivio {
    int movimenti = 1000000;
    int clienti = 10000;
    int movimentiPesante = 20000;  // the heavy client, code 1, all in the current year
    int anni = 10;
    int righeRiscrittura = 1000;   // the client whose master data the benchmark rewrites
    unsigned seme = 20261208;
};

struct ArchivioGenerato {
    QString file;
    QString codiceFiscalePesante;
    QString nomePesante;  // with accented letters, so that finding it by name in other case needs them
    qint64 codiceRiscrittura = 0;  // a client with exactly righeRiscrittura rows
};

// Writes the archive with the program's schema through the SQLite C API.
ArchivioGenerato GeneraArchivio(const QString &file, const ParametriArchivio &p);
