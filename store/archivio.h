#pragma once
// The archive: one SQLite file, archivio.mdb, with the one table ANTICIPI, reached through the one
// process-wide connection ConnArchivio. Statements are written in their Jet text: #mm/dd/yyyy# date
// literals are rewritten into the stored date form before they run, text enters only through
// SqlTesto and numbers only through SqlIntero. The archive never shows a dialog: it throws ErroreApp.

#include "store/errore.h"
#include "store/valuta.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QtSql/QSqlDatabase>
#include <QtSql/QSqlQuery>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QSqlError;

// The archive file name inside the archive folder.
inline const QString NomeFileArchivio = QStringLiteral("archivio.mdb");

struct sqlite3;
struct sqlite3_stmt;

// A result set, walked with Fine() and MoveNext() and read by field name (case does not matter).
// It reads straight from SQLite's statement on the shared connection: a value is converted only
// when it is read, so a long walk costs little more than the engine's own.
class Recordset {
public:
    Recordset(std::shared_ptr<sqlite3_stmt> istruzione, sqlite3 *db);
    bool Fine() const { return m_fine; }
    void MoveNext();
    void Chiudi();

    QVariant Campo(const QString &nome) const;
    QVariant Campo(int posizione) const;
    bool Nullo(const QString &nome) const { return Campo(nome).isNull(); }
    QString Testo(const QString &nome) const;    // null reads as empty text
    QDate Data(const QString &nome) const;       // the stored date form, 'yyyy-MM-dd'
    QDateTime DataOra(const QString &nome) const;
    Valuta Importo(const QString &nome) const;   // null reads as 0
    qint64 Intero(const QString &nome) const;    // throws on null or non-integer
    int NumeroCampi() const { return m_nomi.size(); }
    QString NomeCampo(int posizione) const { return m_nomi.value(posizione); }
    // The position of a field, resolved once so that a long walk reads by position.
    int IndiceCampo(const QString &nome) const { return indice(nome); }

    // Reads by position without a QVariant, for long walks.
    bool NulloCampo(int posizione) const;
    QString TestoCampo(int posizione) const;     // null reads as empty text
    // The UTF-8 bytes of a text field, valid until the next MoveNext; empty for null.
    QByteArrayView Utf8Campo(int posizione) const;
    // The integer of a field; `ok` false when it is null or not an integer.
    qint64 InteroCampo(int posizione, bool *ok) const;

private:
    int indice(const QString &nome) const;
    void corrente() const;  // throws when there is no current row
    std::shared_ptr<sqlite3_stmt> m_st;
    sqlite3 *m_db = nullptr;
    QStringList m_nomi;
    bool m_fine = true;
};

// One movement as the save step writes it.
struct Movimento {
    QDate dataOp;
    QString descrizione;
    Valuta entrata;
    Valuta uscita;
    QString ragioneSociale;
    QString codiceFiscale;
    QString partitaIva;
    qint64 codiceAna = 0;
};

enum class StatoConnessione { Assente, Chiusa, Aperta };

class Archivio {
public:
    // The shared connection: created, closed, on first reference.
    static Archivio &ConnArchivio();
    static StatoConnessione Stato();
    // Closes and releases the shared connection; the next reference creates a new, closed one.
    static void Rilascia();

    ~Archivio();
    Archivio(const Archivio &) = delete;
    Archivio &operator=(const Archivio &) = delete;

    // Opens the file; with crea true a missing file is created with the empty table.
    void Apri(const QString &percorsoFile, bool crea);
    void Chiudi();
    bool Aperto() const;
    QString Percorso() const { return m_percorso; }

    // A read-only result set on a Jet statement.
    Recordset Query(const QString &sqlJet);
    // A statement without rows; returns the rows it changed.
    int Esegui(const QString &sqlJet);
    // Runs f inside BEGIN IMMEDIATE ... COMMIT; any failure rolls back and is rethrown.
    void Transazione(const std::function<void()> &f);

    // The row of "SELECT * FROM ANTICIPI WHERE ID=" + id rewritten, or a new row when there is none.
    // Returns the row's ID.
    qint64 ScriviMovimento(const QString &idTesto, const Movimento &m);
    // Deletes the row of "SELECT * FROM ANTICIPI WHERE ID=" + id; false when there is none.
    bool EliminaMovimento(const QString &idTesto);

    QSqlDatabase Database() const;
    // The engine's handle of the open connection.
    sqlite3 *Handle() const;

private:
    Archivio();
    QSqlQuery preparata(const QString &sql);
    qint64 rigaPerID(const QString &id);
    void verificaAperto() const;
    QString m_nome;
    QString m_percorso;
    // Device and inode of the file opened, to tell when another file has taken its place.
    std::optional<std::pair<quint64, quint64>> m_identita;
};

// The open step of the ledger window: reads "Connessione" (storing the default folder on first run),
// then opens ConnArchivio on the folder's archivio.mdb. Returns the folder. Throws on failure; a
// first-run folder that the settings could not keep is reported after the archive is open.
QString ApriArchivio();
// The first-run folder: the shared data folder followed by Corvalle/Spesario.
QString CartellaArchivioPredefinita();

// 'text' with each quote doubled; a text holding a NUL character is an ErroreApp.
QString SqlTesto(const QString &testo);
// The decimal text of an integer; anything else (blanks, letters, signs alone) is an ErroreApp.
QString SqlIntero(const QString &testo);
// Rewrites every #mm/dd/yyyy# outside quoted text into 'yyyy-MM-dd'; a '#' outside quotes that is not
// such a literal is an ErroreApp.
QString RiscriviDateJet(const QString &sql);
// The stored form of a date.
QString DataArchivio(const QDate &data);

// A database failure as an ErroreApp, with the engine's code and a plain Italian description.
ErroreApp ErroreDb(const QSqlError &e);
// The same for an engine code and message.
ErroreApp ErroreSqlite(int codice, const QString &messaggio);
