#pragma once
// The SQLite engine's connection. Only the engine file and what copies SQLite files as files (the
// backups) need this class; everything else speaks to Motore.

#include "store/motore.h"

#include <QHash>
#include <optional>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

class MotoreSqlite : public Motore {
public:
    explicit MotoreSqlite(const QString &percorso);
    ~MotoreSqlite() override;
    void apri(bool crea, bool senzaIndici);

    QString Percorso() const override { return m_percorso; }
    bool ArchivioFile() const override { return true; }
    bool TipiPerValore() const override { return true; }
    void Verifica() const override;
    std::unique_ptr<Cursore> Query(const QString &sql, const Valori &valori = {}) override;
    qint64 Esegui(const QString &sql, const Valori &valori = {}) override;
    qint64 Inserisci(const QString &sql, const Valori &valori = {}) override;
    void Inizia() override;
    void Conferma() override;
    void Annulla() override;
    void BloccaCodici() override;
    void CreaTabella() override;
    void CreaIndici() override;
    void AllineaContatore() override {}  // AUTOINCREMENT already follows the highest ID written

    sqlite3 *Handle() const { return m_db; }

private:
    ErroreApp errore() const;
    // Prepares one statement and binds the values, when given.
    sqlite3_stmt *prepara(const QString &sql, const Valori *valori);
    void lega(sqlite3_stmt *st, const Valori &valori);
    qint64 eseguiPreparata(const QString &sql, const Valori &valori);

    QString m_percorso;
    sqlite3 *m_db = nullptr;
    QHash<QString, sqlite3_stmt *> m_preparate;
    // Device and inode of the file opened, to tell when another file has taken its place.
    std::optional<std::pair<quint64, quint64>> m_identita;
};
