#pragma once
// The PostgreSQL engine's two classes, shared by its two files: connessione_postgres.cpp (opening the
// connection, the session, making the table, the server's errors in Italian) and motore_postgres.cpp
// (the cursor, the statements and transactions). Nothing outside store/engines/ includes this.

#include "store/engines/libpq.h"
#include "store/engines/motore.h"

#include <deque>
#include <memory>

// The Italian message for a failed statement: the server's SQLSTATE chooses it, the server's own
// text follows in brackets.
ErroreApp erroreRisultato(PGconn *c, const PGresult *r);

class MotorePostgres;

class CursorePostgres : public Cursore {
public:
    CursorePostgres(MotorePostgres *m, PGconn *c, std::weak_ptr<int> vivo)
        : m_motore(m), m_conn(c), m_vivo(std::move(vivo))
    {
    }
    ~CursorePostgres() override;
    // Reads the first result: the names of the columns, or the failure.
    void inizia();
    // Reads every row still on the wire, so that the connection is free for another statement.
    void svuota();

    bool Avanza() override;
    QStringList Nomi() const override { return m_nomi; }
    bool Nullo(int i) const override { return Pq().PQgetisnull(m_riga, 0, i); }
    QByteArrayView Utf8(int i) const override
    {
        return m_riga && !Pq().PQgetisnull(m_riga, 0, i) ? QByteArrayView(Pq().PQgetvalue(m_riga, 0, i), Pq().PQgetlength(m_riga, 0, i))
                                                    : QByteArrayView();
    }
    bool Intero(int i, qint64 *n) const override;
    QVariant Valore(int i) const override;

private:
    PGresult *prossimo();  // the next single-row result, from the buffer or the wire
    MotorePostgres *m_motore;
    PGconn *m_conn;
    std::weak_ptr<int> m_vivo;  // expired once the connection is closed: nothing more is read from it
    PGresult *m_riga = nullptr;
    std::deque<PGresult *> m_messi;
    bool m_inLinea = true;  // rows still to be read from the connection
    QStringList m_nomi;
};

class MotorePostgres : public Motore {
public:
    explicit MotorePostgres(const QString &uri) : m_uri(uri) {}
    ~MotorePostgres() override;

    void apri();

    QString Percorso() const override { return m_uri; }
    bool ArchivioFile() const override { return false; }
    // The three client columns carry the collation "italiano", made for this.
    bool ConfrontoItaliano() const override { return true; }
    bool ColonneIncluse() const override { return true; }
    // The walk of each client's newest row as on SQLite, each step one read of the index that
    // carries the three client columns (LATERAL): no second look-up by ID, nor of the row.
    QString IstruzioneCammino() const override
    {
        return QStringLiteral(
            "WITH RECURSIVE ULTIMI(ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA) AS (("
            "SELECT ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
            "ORDER BY CODICEANA DESC, ID DESC LIMIT 1) UNION ALL "
            "SELECT A.ID, A.CODICEANA, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ULTIMI CROSS JOIN LATERAL ("
            "SELECT ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
            "WHERE CODICEANA < ULTIMI.CODICEANA ORDER BY CODICEANA DESC, ID DESC LIMIT 1) AS A) "
            "SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ULTIMI");
    }
    // Told of the limit, the planner would walk the whole table backwards by ID looking for the
    // client's newest row, guessing it near the end (a client with no recent movement costs every
    // row of the table). A materialised part of the statement is planned for all its rows: the
    // client's rows through their index, sorted; and since its rows are made only as they are read,
    // the limit still stops it at the first one. The cost follows the client's rows, not the table's.
    QString PrimaRiga(const QString &sql) const override
    {
        return QStringLiteral("WITH PRIMA AS MATERIALIZED (") + sql + QStringLiteral(") SELECT * FROM PRIMA LIMIT 1");
    }
    void Verifica() const override {}

    std::unique_ptr<Cursore> Query(const QString &sql, const Valori &valori = {}) override;
    qint64 Esegui(const QString &sql, const Valori &valori = {}) override;
    qint64 Inserisci(const QString &sql, const Valori &valori) override;
    void Inizia() override;
    // A connection lost after COMMIT was sent throws CodiciErrore::EsitoIncerto: the server may
    // have committed or not.
    void Conferma() override;
    void Annulla() override;
    void BloccaCodici() override;
    void CreaTabella() override;
    void CreaIndici() override;
    const IstruzioniUltimi &Ultimi() const override;
    void AllineaContatore() override;
    std::unique_ptr<FlussoRighe> Flusso(const QString &tabella, const QStringList &colonne) override;

    void cursoreChiuso(CursorePostgres *c)
    {
        if (m_attivo == c)
            m_attivo = nullptr;
    }
    // With a waiting function set, waits for the server's next answer in steps of a few
    // milliseconds, calling it between them; the answer itself is then read as always.
    void attendiRisposta();

private:
    // A cursor still reading from the wire keeps the connection: its remaining rows are read first.
    void libera();
    // Whether the connection is gone: lost by a statement, or closed by the server while it was idle
    // (a restart, an administrator ending it), which only reading what the server sent shows.
    bool persa();
    // Before a statement: a connection found gone outside a transaction is made again, so that the
    // program goes on by itself when the server is back, and the statement, not yet sent, runs on
    // the new one. Inside a transaction it is a failure: the transaction went with the connection,
    // and what follows must not run without it.
    void pronta();
    void impostaSessione();
    // An archive made before an index was added gets it at its first open since; a user without the
    // right to create it still works on the archive, only slower.
    void completaIndici();
    std::unique_ptr<Cursore> interroga(const QString &sql, const Valori &valori);
    void invia(const QString &sql, const Valori &valori);
    PGresult *esegui(const QString &sql, const Valori &valori);

    QString m_uri;
    PGconn *m_conn = nullptr;
    CursorePostgres *m_attivo = nullptr;
    bool m_inTransazione = false;
    std::shared_ptr<int> m_vivo = std::make_shared<int>(0);
};
