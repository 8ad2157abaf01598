#pragma once
// The engine's floor: the same statements run straight through the engine's own C library (SQLite's
// API, or libpq for a PostgreSQL archive), reading every column the program reads and, for the
// exports, writing the same CSV text.

#include <QString>
#include <memory>

class Pavimento {
public:
    virtual ~Pavimento() = default;
    // Runs a statement (Jet text, rewritten as the program does) and steps through every row, reading
    // each column; returns the rows. With `primaRiga` true it stops after the first row.
    virtual qint64 Righe(const QString &sqlJet, bool primaRiga = false) = 0;
    // Runs a statement without rows inside a writing transaction.
    virtual void Scrivi(const QString &sql) = 0;
    // The movements or balances CSV of a statement, written to `file`: returns the lines.
    virtual qint64 Csv(const QString &sqlJet, const QString &file, bool saldi) = 0;
};

std::unique_ptr<Pavimento> PavimentoSqlite(const QString &file);
std::unique_ptr<Pavimento> PavimentoPostgres(const QString &uri);
