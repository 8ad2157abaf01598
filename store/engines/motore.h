#pragma once
// One archive engine: the connection to one archive and all that differs between engines (how the
// table is made, its types and indexes, the lock that makes a new client code unique, reading rows,
// the engine's errors in Italian). Archivio speaks to the archive through it, and the copy engine
// through its own instances; windows and exports never see it.
//
// Room store/engines/: this interface and its two engines, SQLite (motore_sqlite.*, file_sqlite.cpp)
// and PostgreSQL (postgres_interno.h, motore_postgres.cpp, connessione_postgres.cpp). It may use
// values/ only; store/ and convert/ use it.

#include "values/errore.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

// The rows of one statement, read one at a time straight from the engine: a value is converted only
// when it is read.
class Cursore {
public:
    virtual ~Cursore() = default;
    // Moves to the next row; false after the last one. Throws ErroreApp.
    virtual bool Avanza() = 0;
    virtual QStringList Nomi() const = 0;
    virtual bool Nullo(int i) const = 0;
    // The value as UTF-8 text, valid until the next Avanza; empty for null.
    virtual QByteArrayView Utf8(int i) const = 0;
    // The value as an integer; false when it is null or not an integer.
    virtual bool Intero(int i, qint64 *n) const = 0;
    // The value as the engine typed it: integer, text, real, bytes or null.
    virtual QVariant Valore(int i) const = 0;
};

// Rows sent into a table in one stream (a server's COPY): far quicker than one statement per row.
// Each row is its values in the columns' order, then Fine(). Any failure throws ErroreApp; a stream
// destroyed before Chiudi() is abandoned and its rows never reach the table.
class FlussoRighe {
public:
    virtual ~FlussoRighe() = default;
    virtual void Intero(qint64 n) = 0;
    // UTF-8 text; a text holding NUL is refused.
    virtual void Testo(QByteArrayView utf8) = 0;
    virtual void Nullo() = 0;
    virtual void Fine() = 0;
    // Sends what is left and waits for the table to take every row (inside the open transaction).
    virtual void Chiudi() = 0;
};

// Values for the ? of a statement: QString (text, a null QString is NULL), qint64 or int, or an
// invalid QVariant for NULL.
using Valori = QVariantList;

// Values that another program may have written where an engine types each value rather than its
// column (SQLite): a DATAOP that is not a day in the stored form 'yyyy-MM-dd' (date() with a shift
// puts 30 February on 2 March), an amount that is not a whole number or whose other amount is null.
// The checks for them and the partial indexes that hold just those rows use the same text, so that
// SQLite reads the check from its index: nothing at all when there are none.
inline constexpr const char DataNonNellaForma[] =
    "(DATAOP IS NULL OR NOT (DATAOP GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]' AND "
    "date(DATAOP, '+0 days') = DATAOP))";
inline constexpr const char ImportoNonIntero[] =
    "(typeof(ENTRATA) NOT IN ('integer', 'null') OR typeof(USCITA) NOT IN ('integer', 'null') OR "
    "(ENTRATA IS NULL) <> (USCITA IS NULL))";

// The indexes of ANTICIPI, the same on every engine: a client's rows by day (the ledger) and by ID
// (its newest row: the search window's list, the save), a client's days with their amounts (the
// ledger's totals, summed from the index alone), each client field (identification) and the day
// (the exports); where values are typed one by one, the rows holding a value of another kind; where
// an index can carry columns, each client's newest row read from the index alone; where names compare
// in the engine's collation, each name's client codes (whether another client has the name, in two
// seeks instead of a comparison for every row of it).
struct IndiceArchivio {
    const char *nome;
    const char *colonne;
    const char *dove = nullptr;     // a partial index: only the rows this condition holds for
    bool tipiPerValore = false;     // only where Motore::TipiPerValore()
    // Columns the index carries beside its keys, read from it without the table's rows; only where
    // Motore::ColonneIncluse().
    const char *incluse = nullptr;
    // Only where Motore::ConfrontoItaliano(). On SQLite this index would also be taken for a name's
    // newest row, which the index on the name alone gives in ID order without a sort.
    bool confrontoItaliano = false;
};
inline constexpr IndiceArchivio IndiciArchivio[] = {
    {"IX_ANTICIPI_CODICEANA_DATAOP", "CODICEANA, DATAOP"}, {"IX_ANTICIPI_CODICEANA_ID", "CODICEANA, ID"},
    {"IX_ANTICIPI_CODICEANA_IMPORTI", "CODICEANA, DATAOP, ID, ENTRATA, USCITA"},
    {"IX_ANTICIPI_CODICEFISCALE", "CODICEFISCALE"},       {"IX_ANTICIPI_PARTITAIVA", "PARTITAIVA"},
    {"IX_ANTICIPI_RAGIONESOCIALE", "RAGIONESOCIALE"},     {"IX_ANTICIPI_DATAOP", "DATAOP"},
    {"IX_ANTICIPI_DATE_NON_VALIDE", "DATAOP", DataNonNellaForma, true},
    {"IX_ANTICIPI_IMPORTI_NON_VALIDI", "DATAOP", ImportoNonIntero, true},
    {"IX_ANTICIPI_CLIENTI", "CODICEANA, ID", nullptr, false, "RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA"},
    {"IX_ANTICIPI_RAGIONESOCIALE_CODICEANA", "RAGIONESOCIALE, CODICEANA", nullptr, false, nullptr, true},
};

// Fills the table of each client's newest movement (Motore::CreaUltimi) from the movements.
inline constexpr const char RiempiUltimi[] =
    "INSERT INTO ULTIMI_ANTICIPI (CODICEANA, ID, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA) "
    "SELECT A.CODICEANA, A.ID, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ANTICIPI AS A INNER JOIN "
    "(SELECT CODICEANA, MAX(ID) AS ID FROM ANTICIPI GROUP BY CODICEANA) AS U ON A.ID = U.ID";

// "CREATE INDEX IF NOT EXISTS ..." for one of them.
QString IstruzioneIndice(const IndiceArchivio &i);

class Motore {
public:
    virtual ~Motore() = default;

    // The file or address of the archive, for messages.
    virtual QString Percorso() const = 0;
    // Whether the archive is a file of its own (the SQLite archive), which can be copied as a file.
    virtual bool ArchivioFile() const = 0;
    // Throws when the archive can no longer be reached as it was opened.
    virtual void Verifica() const = 0;

    // The rows of one statement; anything after its end is refused, never run.
    virtual std::unique_ptr<Cursore> Query(const QString &sql, const Valori &valori = {}) = 0;
    // The statement made to give its first row only (a client's newest row).
    virtual QString PrimaRiga(const QString &sql) const { return sql + QStringLiteral(" LIMIT 1"); }
    // A stream of rows into the table's columns, inside the open transaction; nullptr when the
    // engine has none, and rows go in one statement each.
    virtual std::unique_ptr<FlussoRighe> Flusso(const QString &tabella, const QStringList &colonne)
    {
        Q_UNUSED(tabella);
        Q_UNUSED(colonne);
        return nullptr;
    }
    // A statement without rows; returns the rows it changed.
    virtual qint64 Esegui(const QString &sql, const Valori &valori = {}) = 0;
    // An INSERT; returns the ID the archive gave the new row.
    virtual qint64 Inserisci(const QString &sql, const Valori &valori) = 0;

    // A writing transaction, which holds the write lock from its start.
    virtual void Inizia() = 0;
    // A connection lost after COMMIT was sent, before its answer came, throws
    // CodiciErrore::EsitoIncerto: the server may have committed or not (a local engine never does).
    virtual void Conferma() = 0;
    virtual void Annulla() = 0;
    // Inside a transaction: no other connection can take a new client code until it ends.
    virtual void BloccaCodici() = 0;

    // The empty table, without indexes (a new archive or a copy that fills it first).
    virtual void CreaTabella() = 0;
    // The indexes that the program's lookups need (IndiciArchivio); quick when they are already there.
    virtual void CreaIndici();
    // Removes those indexes from a table that a copy is about to fill: built once after the rows,
    // they cost far less than kept up row by row.
    void TogliIndici();
    // After rows were written with their own IDs (a copy): a new row gets an ID above all of them.
    virtual void AllineaContatore() = 0;
    // Whether a column may hold values of another kind than its own, written there by another
    // program (SQLite types each value, not its column): only then are such values looked for.
    virtual bool TipiPerValore() const { return false; }
    // Whether an index can carry columns beside its keys (PostgreSQL's INCLUDE).
    virtual bool ColonneIncluse() const { return false; }
    // Whether this engine's archive has the index: the partial ones of values of another kind only
    // where values are typed one by one, those carrying columns only where an index can,
    // the one of names and codes only where names compare in the engine's collation.
    bool HaIndice(const IndiceArchivio &i) const
    {
        return (!i.tipiPerValore || TipiPerValore()) && (!i.incluse || ColonneIncluse()) &&
               (!i.confrontoItaliano || ConfrontoItaliano());
    }
    // The search window's list: each client code once, with the name, tax code and VAT number of
    // its newest row (CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA), in no given order.
    // Read through ULTIMI_ANTICIPI where the archive has it, otherwise by walking the index.
    QString IstruzioneClienti() const
    {
        return m_ultimi ? QStringLiteral("SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ULTIMI_ANTICIPI")
                        : IstruzioneCammino();
    }
    // The same list walked in the index on (CODICEANA, ID) from each client to the next lower code:
    // one seek per client, whatever its movements.
    virtual QString IstruzioneCammino() const;

    // Each client's newest movement, its code and ID with the name, tax code and VAT number it
    // has, in a table of its own (ULTIMI_ANTICIPI) that the archive's triggers keep on every insert,
    // delete and change of those columns, whoever writes: the search window reads just its rows.
    // CreaUltimi makes the table and its triggers and fills them from the movements, inside the
    // caller's transaction, replacing any part of them already there; TogliUltimi removes them
    // (before a copy fills the table: kept up row by row, they would cost more than made after).
    void CreaUltimi();
    void TogliUltimi();
    bool HaUltimi() const { return m_ultimi; }
    struct IstruzioniUltimi {
        QStringList crea;   // the table, then its triggers
        QStringList togli;  // the triggers, then the table
        QString presenti;   // one number: how many of crea's objects are there as this version makes them
    };
    virtual const IstruzioniUltimi &Ultimi() const = 0;
    // Whether the client columns already compare as the program's rule for client names does (the
    // case of every letter ignored, accents kept): then a name is looked up as it is, rather than in
    // each of its spellings.
    virtual bool ConfrontoItaliano() const { return false; }
    // Whether the archive holds no movement.
    bool Vuoto();
    // Around a statement that sorts far more rows than the page cache holds (the balances' grouping
    // of the whole table): SQLite sorts in runs the size of its page cache, and runs of 2 MB sort
    // faster than runs of 32. Nothing on a server.
    virtual void OrdinamentoGrande(bool inizio) { Q_UNUSED(inizio); }

    // While a statement keeps its caller waiting for a row (the balances' grouping sorts the whole
    // table before its first), `attesa` is called every few milliseconds, so that the window that
    // waits can keep drawing itself. Meanwhile InAttesa() is true and the archive must not be used:
    // the engine is in the middle of that statement. An empty function ends the calls.
    virtual void ImpostaAttesa(std::function<void()> attesa) { m_attesa = std::move(attesa); }
    bool InAttesa() const { return m_inAttesa; }

protected:
    // When an archive is opened: the table of each client's newest movement and its triggers are
    // looked for and, if any part is missing, made in a transaction of their own. An archive that
    // cannot be written now (read only, locked by another program) is listed by the walk instead.
    void completaUltimi();
    // Calls the waiting function, if there is one and it is not already running. Nothing it throws
    // gets past (an engine's C callback may be on the stack).
    void attendi();
    bool haAttesa() const { return bool(m_attesa); }

private:
    std::function<void()> m_attesa;
    bool m_inAttesa = false;
    bool m_ultimi = false;
};

// The SQLite engine on an archive file. With crea true a missing file is made, with its table and
// indexes unless senzaIndici; otherwise a missing file is an error. A file that is not a whole
// SQLite archive with the table ANTICIPI is never opened for writing.
std::unique_ptr<Motore> ApriMotoreSqlite(const QString &percorsoFile, bool crea, bool senzaIndici = false);

// Whether the connection text names a database server ("postgresql://...") rather than a folder.
bool ConnessioneServer(const QString &connessione);
// The PostgreSQL engine on the database the URI names; on the first connection to a database
// without the table it makes the table. Passwords come from libpq's own places, never the URI.
std::unique_ptr<Motore> ApriMotorePostgres(const QString &uri);

// Another connection to the archive that the settings' "Connessione" names (a folder holding
// archivio.mdb, or a server's URI), beside the shared one: the copy engine and the tests use it.
std::unique_ptr<Motore> ApriMotore(const QString &connessione);

// Makes a new, empty archive file at the path, whole or not at all: it is written under a temporary
// name beside it and renamed into place only when complete; a temporary file left by a creation that
// was cut short is removed first.
void CreaArchivioSqlite(const QString &percorsoFile);
// Removes what a creation of the archive at the path left when it was cut short (its temporary file
// and that file's journal); the archive itself is never touched.
void ScartaCreazioneInterrotta(const QString &percorsoFile);
// Called with each step of a creation (1 to PassiCreazione) as it is reached; the crash tests end
// the process there. Nothing by default.
constexpr int PassiCreazione = 9;
void ImpostaPassoCreazione(std::function<void(int passo)> f);

// The Italian message for an engine failure, carrying the engine's code and text.
ErroreApp ErroreSqlite(int codice, const QString &messaggio);
// "Impossibile leggere l'archivio ...": a file that is not an archive of this program.
[[noreturn]] void ArchivioIllegibile(const QString &percorso);
