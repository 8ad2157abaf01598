#pragma once
// The archive: one SQLite file, archivio.mdb, with the one table ANTICIPI, reached through the one
// process-wide connection ConnArchivio. Statements are written in their Jet text: #mm/dd/yyyy# date
// literals are rewritten into the stored date form before they run, text enters only through
// SqlTesto and numbers only through SqlIntero. The archive never shows a dialog: it throws ErroreApp.
//
// Room store/: the archive, its settings (impostazioni.h), backups (backup.h) and the check of stored
// values (valorinonvalidi.h), over the engines of store/engines/. It may use those and values/, never
// a window or a box.

#include "values/errore.h"
#include "values/valuta.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The archive file name inside the archive folder.
inline const QString NomeFileArchivio = QStringLiteral("archivio.mdb");

class Cursore;
class Motore;

// A result set, walked with Fine() and MoveNext() and read by field name (case does not matter).
// It reads straight from the engine's rows: a value is converted only when it is read, so a long
// walk costs little more than the engine's own.
class Recordset {
public:
    explicit Recordset(std::shared_ptr<Cursore> cursore);
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
    std::shared_ptr<Cursore> m_c;
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
    // The open step did not run (a conversion at start failed or was refused): the next use of the
    // shared connection runs it, as after a failed open.
    static void ApriAlProssimoUso();

    ~Archivio();
    Archivio(const Archivio &) = delete;
    Archivio &operator=(const Archivio &) = delete;

    // Opens the file; with crea true a missing file is created with the empty table.
    void Apri(const QString &percorsoFile, bool crea);
    // Takes an engine already open on its archive.
    void Apri(std::unique_ptr<Motore> motore);
    void Chiudi();
    bool Aperto() const;
    QString Percorso() const { return m_percorso; }

    // A read-only result set on a Jet statement.
    Recordset Query(const QString &sqlJet);
    // The same when only its first row is read (a client's newest row): the engine is told, so that
    // a server does not send every row of a client with thousands of movements.
    Recordset PrimaRiga(const QString &sqlJet);
    // A statement without rows; returns the rows it changed.
    int Esegui(const QString &sqlJet);
    // The same with bound values for its ? marks (text, integers, null).
    Recordset QueryValori(const QString &sqlJet, const QVariantList &valori);
    int EseguiValori(const QString &sqlJet, const QVariantList &valori);
    // Runs f inside BEGIN IMMEDIATE ... COMMIT; any failure rolls back and is rethrown. Called
    // inside another, f runs in that one.
    //
    // A server's connection may go after COMMIT was sent and before its answer came: the outcome is
    // then unknown, never a failure (a retry would write the same twice). The writes made inside f
    // through the three functions below are looked for in the archive, on a new connection: found,
    // the transaction counts as done and PrendiAvviso() says so; not found, it is a failure. While
    // the server cannot tell, it throws CodiciErrore::EsitoIncerto and writes nothing: the next
    // transaction looks first. A local COMMIT (SQLite) always has its answer.
    void Transazione(const std::function<void()> &f);

    // The row of "SELECT * FROM ANTICIPI WHERE ID=" + id rewritten, or a new row when there is none.
    // Returns the row's ID. A new row that repeats the one whose save was cut off and was then found
    // written is that row: it is rewritten under the client code it had, which goes to *codice.
    qint64 ScriviMovimento(const QString &idTesto, const Movimento &m, qint64 *codice = nullptr);
    // Deletes the row of "SELECT * FROM ANTICIPI WHERE ID=" + id; false when there is none.
    bool EliminaMovimento(const QString &idTesto);
    // Writes the given client columns (RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, each with its new
    // value) into every row of the client's code; returns the rows. nome names the client to the user.
    int RiscriviAnagrafica(qint64 codice, const QList<QPair<QString, QString>> &colonne, const QString &nome);
    // The UPDATE that RiscriviAnagrafica runs (Jet text); empty when there are no columns.
    static QString IstruzioneAnagrafica(qint64 codice, const QList<QPair<QString, QString>> &colonne);
    // What the user must be told of the last writes, though they went well: a save whose answer the
    // server lost, found written once reconnected. Empty when nothing; each notice is given once.
    QString PrendiAvviso();

    // Inside a Transazione: no other program can take a new client code until it ends.
    void BloccaCodici();

    // The engine of the open archive; throws when it is not open or no longer reachable, or while
    // it is in the middle of a statement that keeps the program waiting (InAttesa).
    Motore &MotoreAperto() const;

    // For the length of a long operation (an export): `attesa` is called while a statement keeps
    // it waiting for a row, so that its window goes on drawing itself (Motore::ImpostaAttesa).
    // Meanwhile InAttesa() is true: what runs from the event loop and reads the archive (the
    // ledger's list filled in steps, the daily copy) waits for its next turn.
    class Attesa {
    public:
        Attesa(Archivio &archivio, std::function<void()> attesa);
        ~Attesa();
        Attesa(const Attesa &) = delete;
        Attesa &operator=(const Attesa &) = delete;
        // How long what waits for its turn waits before it looks again.
        static constexpr int RiprovaMs = 50;

    private:
        Archivio &m_archivio;
    };
    bool InAttesa() const;

private:
    // One write of a transaction, as it can be looked for in the archive afterwards.
    struct Scrittura {
        enum class Tipo { Nuova, Riscritta, Eliminata, Anagrafica } tipo;
        qint64 id;       // the row's ID; the client's code for Anagrafica
        Movimento dati;  // what was written (the client fields alone for Anagrafica)
        QStringList colonne;  // for Anagrafica, the client fields written
    };
    Archivio();
    qint64 rigaPerID(const QString &id);
    // Whether every write is in the archive; throws when the archive cannot be read.
    bool scritte(const std::vector<Scrittura> &scritture);
    bool scritta(const Scrittura &s);
    // The unknown outcome of the COMMIT that the transaction's writes ended with.
    void esitoIncerto(const ErroreApp &e, std::vector<Scrittura> scritture);
    // Before a transaction: the writes whose outcome the server could not tell are looked for.
    void risolviSospese();

    std::unique_ptr<Motore> m_motore;
    QString m_percorso;
    bool m_inTransazione = false;
    std::vector<Scrittura> m_scritture;  // of the open transaction
    std::vector<Scrittura> m_sospese;    // of the transaction whose outcome is not known yet
    std::optional<Scrittura> m_ritrovata;  // a new row of it found written, for this transaction only
    QString m_avviso;
    // The open step to run again at the next use, after it failed; empty once the archive is open.
    std::function<void()> m_riapri;
    friend QString ApriArchivio(QStringList *);
};

// The open step of the ledger window: reads "Connessione", then opens ConnArchivio on the folder's
// archivio.mdb. Returns the folder. Throws on failure; a first-run folder that the settings could
// not keep is reported after the archive is open.
//
// A new, empty archive is made only on a first run, when "Connessione" is empty: in the first-run
// folder (CartellaPrimoAvvio) when it holds none; the key is stored once it is there. A stored
// folder whose archive is missing, the default one included, is reported. A settings file that is there but
// cannot be read is moved aside first. What the user must know and is no failure (a settings file
// moved aside, a new archive and where) is added to `avvisi`. When the open fails, the next use of
// the connection tries it again: an archive busy at start opens once it is free.
QString ApriArchivio(QStringList *avvisi = nullptr);
// The default folder: the shared data folder followed by Corvalle/Spesario, as the earlier program
// had it.
QString CartellaArchivioPredefinita();
// The folder a first run uses: where the earlier program kept its archive, so that a desk moving from
// it goes on with the same one. The first of the folder its own setting names and the default folder
// that holds an archivio.mdb (still in the earlier format, or already converted by another desk);
// when neither does, the default folder, where a new archive is made.
QString CartellaPrimoAvvio();
// The earlier program's own setting (Piattaforma::ConnessioneProgrammaPrecedente) as the lookup
// reads it; tests give one of their own, std::nullopt puts the real one back.
void ImpostaConnessionePrecedente(std::optional<QString> connessione);

// 'text' with each quote doubled; a text holding a NUL character is an ErroreApp.
QString SqlTesto(const QString &testo);
// The decimal text of an integer; anything else (blanks, letters, signs alone) is an ErroreApp.
QString SqlIntero(const QString &testo);
// Rewrites every #mm/dd/yyyy# outside quoted text into 'yyyy-MM-dd'; a '#' outside quotes that is not
// such a literal is an ErroreApp.
QString RiscriviDateJet(const QString &sql);
// The stored form of a date.
QString DataArchivio(const QDate &data);

