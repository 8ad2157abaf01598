#pragma once
// An archive of this program as the source and as the target of a copy.

#include "convert/copia.h"

#include <QString>
#include <memory>

// Reads the rows of an archive file of this program, in ID order, without ever writing to it.
class SorgenteSqlite : public SorgenteCopia {
public:
    // Throws an ErroreApp when the file is not an archive of this program or cannot be read.
    explicit SorgenteSqlite(const QString &percorso);
    ~SorgenteSqlite() override;

    qint64 RigheAttese() const override;
    bool Leggi(RigaAnticipi &riga) override;

private:
    struct Dati;
    std::unique_ptr<Dati> d;
};

// Writes a new archive file at a path where there is none yet. The rows go in one transaction
// without a journal (the file is only a draft until the copy is checked); Completa() builds the
// indexes and makes the file durable. Scarta() removes the file.
class DestinazioneSqlite : public DestinazioneCopia {
public:
    explicit DestinazioneSqlite(const QString &percorso);
    ~DestinazioneSqlite() override;

    void Inizia() override;
    void Scrivi(const RigaAnticipi &riga) override;
    void Completa() override;
    void Rileggi(const std::function<void(qint64, qint64, qint64, qint64)> &f) override;
    void Scarta() override;

private:
    struct Dati;
    std::unique_ptr<Dati> d;
};

// Whether the file begins as an SQLite database does.
bool EFileSqlite(const QString &percorso);
