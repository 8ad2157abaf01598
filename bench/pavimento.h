#pragma once
// The engine's floor: the same statements run straight through the SQLite C API, reading every
// column the program reads and, for the exports, writing the same CSV text.

#include <QString>
#include <sqlite3.h>

class Pavimento {
public:
    explicit Pavimento(const QString &file);
    ~Pavimento();
    // Runs a statement (Jet text, rewritten as the program does) and steps through every row, reading
    // each column; returns the rows. With `primaRiga` true it stops after the first row.
    qint64 Righe(const QString &sqlJet, bool primaRiga = false);
    // Runs a statement without rows inside BEGIN IMMEDIATE ... COMMIT.
    void Scrivi(const QString &sql);
    // The movements or balances CSV of a statement, written to `file`: returns the lines.
    qint64 Csv(const QString &sqlJet, const QString &file, bool saldi);

private:
    sqlite3 *m_db = nullptr;
};
