#pragma once
// The SQLite engine's connection. Only the engine's files and what copies SQLite files as files (the
// backups) need this class; everything else speaks to Motore.

#include "platform/file.h"
#include "store/engines/motore.h"

#include <QHash>
#include <optional>
#include <utility>

struct sqlite3;
struct sqlite3_backup;
struct sqlite3_stmt;
class MotoreSqlite;

// Waits until the file's data are on the disk (fsync): a rename after it never lands before them.
void FileSuDisco(const QString &percorso);

// A copy of the open archive into a new file with SQLite's online backup, made a few pages at a
// time: the program goes on working between the steps, and what it saves meanwhile through the same
// connection goes into the copy as well. The copy is whole only once Passo has returned true; the
// new file is written without journal or syncs (a copy cut short is thrown away whole), so the
// caller puts it on the disk with FileSuDisco before giving it its name.
class CopiaSqlite {
public:
    ~CopiaSqlite();  // an unfinished copy is abandoned and its file removed
    CopiaSqlite(const CopiaSqlite &) = delete;
    CopiaSqlite &operator=(const CopiaSqlite &) = delete;

    // Copies up to `pagine` pages; true once the copy is complete and its file closed. A step
    // that finds the archive locked by another program copies nothing and returns false. Throws
    // ErroreApp on failure, also when the archive was closed meanwhile; the file is then removed.
    bool Passo(int pagine);
    // The archive was closed before the copy ended: the copy is abandoned.
    bool Interrotta() const { return !m_finita && !m_backup; }
    int PagineTotali() const;
    int PagineRimaste() const;

private:
    friend class MotoreSqlite;
    CopiaSqlite(MotoreSqlite *sorgente, QString destinazione);
    void abbandona();

    MotoreSqlite *m_sorgente;
    QString m_destinazione;
    sqlite3 *m_db = nullptr;
    sqlite3_backup *m_backup = nullptr;
    bool m_finita = false;
};

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
    const IstruzioniUltimi &Ultimi() const override;
    void AllineaContatore() override {}  // AUTOINCREMENT already follows the highest ID written
    void OrdinamentoGrande(bool inizio) override;
    void ImpostaAttesa(std::function<void()> attesa) override;

    sqlite3 *Handle() const { return m_db; }

    // Starts a copy of the archive into a new file at `destinazione` (a file there is replaced).
    // Closing the archive abandons a copy still in progress. Throws ErroreApp.
    std::unique_ptr<CopiaSqlite> IniziaCopia(const QString &destinazione);

private:
    friend class CopiaSqlite;
    CopiaSqlite *m_copia = nullptr;
    ErroreApp errore() const;
    // Prepares one statement and binds the values, when given.
    sqlite3_stmt *prepara(const QString &sql, const Valori *valori);
    void lega(sqlite3_stmt *st, const Valori &valori);
    qint64 eseguiPreparata(const QString &sql, const Valori &valori);

    QString m_percorso;
    sqlite3 *m_db = nullptr;
    QHash<QString, sqlite3_stmt *> m_preparate;
    // Device and inode of the file opened, to tell when another file has taken its place.
    std::optional<Piattaforma::IdentitaFile> m_identita;
};
