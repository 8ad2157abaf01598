// The PostgreSQL engine's cursor, statements and transactions: each statement sent with its values
// as parameters, rows read one at a time from the wire. The connection and its errors are in
// connessione_postgres.cpp.

#include "platform/sistema.h"
#include "store/engines/postgres_interno.h"

#include <charconv>
#include <optional>

namespace {

// The key of the advisory lock taken while a new client code is chosen (held to the end of the
// saving transaction).
constexpr const char *BloccoCodici = "SELECT pg_advisory_xact_lock(7290002)";

// Type OIDs of the server's built-in types that are read as integers.
bool tipoIntero(Oid t) { return t == 20 || t == 21 || t == 23 || t == 26; }

// A whole number in the server's text form, read in place: a row of an export reads several.
bool intero(QByteArrayView t, qint64 *n)
{
    const char *fine = t.data() + t.size();
    const auto [p, errore] = std::from_chars(t.data(), fine, *n);
    return errore == std::errc() && p == fine && !t.isEmpty();
}

// The statement with each ? outside quoted text turned into $1, $2, ...
QByteArray conSegnaposto(const QString &sql)
{
    QString r;
    r.reserve(sql.size() + 8);
    bool inTesto = false;
    int n = 0;
    for (const QChar c : sql) {
        if (c == QLatin1Char('\''))
            inTesto = !inTesto;
        if (!inTesto && c == QLatin1Char('?'))
            r += QLatin1Char('$') + QString::number(++n);
        else
            r += c;
    }
    return r.toUtf8();
}

// One statement only: anything but blanks and ';' after its first ';' is refused, never run.
bool unaSola(const QString &sql)
{
    bool inTesto = false;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\''))
            inTesto = !inTesto;
        if (!inTesto && c == QLatin1Char(';'))
            return sql.mid(i).remove(QLatin1Char(';')).trimmed().isEmpty();
    }
    return true;
}

struct Parametri {
    std::vector<QByteArray> testi;
    std::vector<const char *> valori;
};

Parametri parametri(const Valori &v)
{
    Parametri p;
    p.testi.reserve(v.size());
    for (const QVariant &x : v) {
        if (x.isNull())
            p.testi.emplace_back();
        else if (x.typeId() == QMetaType::QString) {
            const QString t = x.toString();
            if (t.contains(QChar(0)))
                throw ErroreApp(CodiciErrore::TestoNonValido,
                                QStringLiteral("Il testo contiene un carattere non ammesso (NUL)."));
            p.testi.push_back(t.toUtf8());
        } else
            p.testi.push_back(x.toString().toUtf8());
    }
    for (int i = 0; i < v.size(); ++i)
        p.valori.push_back(v.at(i).isNull() ? nullptr : p.testi[i].constData());
    return p;
}

} // namespace

bool CursorePostgres::Intero(int i, qint64 *n) const { return !Nullo(i) && intero(Utf8(i), n); }

QVariant CursorePostgres::Valore(int i) const
{
    if (Nullo(i))
        return QVariant();
    const Oid tipo = Pq().PQftype(m_riga, i);
    qint64 n = 0;
    if (tipoIntero(tipo)) {
        intero(Utf8(i), &n);
        return QVariant(qlonglong(n));
    }
    if (tipo == 1700)  // numeric: a sum of amounts, an integer unless the server says otherwise
        return intero(Utf8(i), &n) ? QVariant(qlonglong(n)) : QVariant(QString::fromUtf8(Utf8(i)));
    if (tipo == 700 || tipo == 701)
        return QVariant(Utf8(i).toByteArray().toDouble());
    return QVariant(QString::fromUtf8(Utf8(i)));
}

CursorePostgres::~CursorePostgres()
{
    svuota();
    Pq().PQclear(m_riga);
    for (PGresult *r : m_messi)
        Pq().PQclear(r);
}

void CursorePostgres::inizia()
{
    PGresult *r = prossimo();
    if (!r)
        throw erroreRisultato(m_conn, nullptr);
    const ExecStatusType s = Pq().PQresultStatus(r);
    if (s != PGRES_SINGLE_TUPLE && s != PGRES_TUPLES_OK) {
        const ErroreApp e = erroreRisultato(m_conn, r);
        Pq().PQclear(r);
        svuota();
        throw e;
    }
    for (int i = 0, n = Pq().PQnfields(r); i < n; ++i)
        m_nomi << QString::fromUtf8(Pq().PQfname(r, i));
    m_messi.push_front(r);
}

PGresult *CursorePostgres::prossimo()
{
    if (!m_messi.empty()) {
        PGresult *r = m_messi.front();
        m_messi.pop_front();
        return r;
    }
    if (!m_inLinea || m_vivo.expired())
        return nullptr;
    m_motore->attendiRisposta();
    PGresult *r = Pq().PQgetResult(m_conn);
    if (!r) {
        m_inLinea = false;
        m_motore->cursoreChiuso(this);
    }
    return r;
}

void CursorePostgres::svuota()
{
    if (m_vivo.expired())
        return;
    while (m_inLinea) {
        PGresult *r = Pq().PQgetResult(m_conn);
        if (!r) {
            m_inLinea = false;
            break;
        }
        m_messi.push_back(r);
    }
    m_motore->cursoreChiuso(this);
}

bool CursorePostgres::Avanza()
{
    Pq().PQclear(m_riga);
    m_riga = nullptr;
    while (PGresult *r = prossimo()) {
        const ExecStatusType s = Pq().PQresultStatus(r);
        if (s == PGRES_SINGLE_TUPLE) {
            m_riga = r;
            return true;
        }
        if (s != PGRES_TUPLES_OK) {
            const ErroreApp e = erroreRisultato(m_conn, r);
            Pq().PQclear(r);
            svuota();
            throw e;
        }
        Pq().PQclear(r);  // the closing result, without rows
    }
    return false;
}

void MotorePostgres::attendiRisposta()
{
    if (!haAttesa())
        return;
    while (Pq().PQisBusy(m_conn)) {
        Piattaforma::AttendiSocket(Pq().PQsocket(m_conn), false, 20);
        if (!Pq().PQconsumeInput(m_conn))
            return;  // the connection's failure comes with the answer
        attendi();
    }
}

std::unique_ptr<Cursore> MotorePostgres::Query(const QString &sql, const Valori &valori)
{
    const bool fuori = !m_inTransazione;
    try {
        return interroga(sql, valori);
    } catch (const ErroreApp &) {
        // A read outside a transaction changes nothing: when the connection went before its first
        // row, it is sent once more on a new one.
        const QString inizio = sql.trimmed().left(6).toUpper();
        if (!fuori || Pq().PQstatus(m_conn) != CONNECTION_BAD ||
            (inizio != QLatin1String("SELECT") && !inizio.startsWith(QLatin1String("WITH"))))
            throw;
        return interroga(sql, valori);
    }
}

std::unique_ptr<Cursore> MotorePostgres::interroga(const QString &sql, const Valori &valori)
{
    invia(sql, valori);
    if (!Pq().PQsetSingleRowMode(m_conn))
        throw erroreRisultato(m_conn, nullptr);
    auto c = std::make_unique<CursorePostgres>(this, m_conn, m_vivo);
    m_attivo = c.get();
    c->inizia();
    return c;
}

qint64 MotorePostgres::Esegui(const QString &sql, const Valori &valori)
{
    PGresult *r = esegui(sql, valori);
    const qint64 n = QByteArray(Pq().PQcmdTuples(r)).toLongLong();
    Pq().PQclear(r);
    return n;
}

qint64 MotorePostgres::Inserisci(const QString &sql, const Valori &valori)
{
    PGresult *r = esegui(sql + QStringLiteral(" RETURNING ID"), valori);
    const qint64 id = Pq().PQntuples(r) == 1 ? QByteArray(Pq().PQgetvalue(r, 0, 0)).toLongLong() : 0;
    Pq().PQclear(r);
    return id;
}

void MotorePostgres::Inizia()
{
    try {
        Esegui(QStringLiteral("BEGIN"));
    } catch (const ErroreApp &) {
        // BEGIN writes nothing: when the connection went with its answer, it is sent once more on a
        // new one (the first save after the server restarted goes through).
        if (Pq().PQstatus(m_conn) != CONNECTION_BAD)
            throw;
        Esegui(QStringLiteral("BEGIN"));
    }
    m_inTransazione = true;
}

void MotorePostgres::Conferma()
{
    libera();
    m_inTransazione = false;
    // Gone before COMMIT was sent: the server undid the transaction, nothing of it was written.
    if (persa())
        throw erroreRisultato(m_conn, nullptr);
    PGresult *r = Pq().PQexec(m_conn, "COMMIT");
    if (Pq().PQresultStatus(r) == PGRES_COMMAND_OK) {
        Pq().PQclear(r);
        return;
    }
    // Sent, and the connection went before its answer came: the server may have committed or not.
    // Never a failure, which a retry would write a second time; the caller finds out.
    if (Pq().PQstatus(m_conn) == CONNECTION_BAD) {
        const QString motore = QString::fromUtf8(r ? Pq().PQresultErrorMessage(r) : Pq().PQerrorMessage(m_conn)).simplified();
        Pq().PQclear(r);
        throw ErroreApp(CodiciErrore::EsitoIncerto,
                        QStringLiteral("Il collegamento con il server dell'archivio si è interrotto mentre le "
                                       "modifiche venivano confermate: non è noto se siano state salvate. (") +
                            motore + QLatin1Char(')'));
    }
    const ErroreApp e = erroreRisultato(m_conn, r);
    Pq().PQclear(r);
    throw e;
}

void MotorePostgres::Annulla()
{
    m_inTransazione = false;
    if (m_conn && Pq().PQstatus(m_conn) == CONNECTION_OK && Pq().PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        libera();
        Pq().PQclear(Pq().PQexec(m_conn, "ROLLBACK"));
    }
}

void MotorePostgres::BloccaCodici() { Esegui(QString::fromLatin1(BloccoCodici)); }

void MotorePostgres::libera()
{
    if (m_attivo) {
        CursorePostgres *c = m_attivo;
        m_attivo = nullptr;
        c->svuota();
    }
}

void MotorePostgres::invia(const QString &sql, const Valori &valori)
{
    if (!unaSola(sql))
        throw ErroreApp(CodiciErrore::DataNonValida, QStringLiteral("Istruzione SQL non valida: ") + sql.left(60));
    libera();
    pronta();
    const Parametri p = parametri(valori);
    if (!Pq().PQsendQueryParams(m_conn, conSegnaposto(sql).constData(), int(p.valori.size()), nullptr,
                           p.valori.data(), nullptr, nullptr, 0))
        throw erroreRisultato(m_conn, nullptr);
}

PGresult *MotorePostgres::esegui(const QString &sql, const Valori &valori)
{
    libera();
    pronta();
    if (!unaSola(sql))
        throw ErroreApp(CodiciErrore::DataNonValida, QStringLiteral("Istruzione SQL non valida: ") + sql.left(60));
    const Parametri p = parametri(valori);
    PGresult *r = Pq().PQexecParams(m_conn, conSegnaposto(sql).constData(), int(p.valori.size()), nullptr,
                               p.valori.data(), nullptr, nullptr, 0);
    const ExecStatusType s = Pq().PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
        const ErroreApp e = erroreRisultato(m_conn, r);
        Pq().PQclear(r);
        throw e;
    }
    return r;
}

namespace {

// COPY's text form: columns split by tab, rows by newline, \N for NULL; a backslash, tab, newline or
// carriage return inside a text goes as its backslash escape. Rows collect in a buffer sent in blocks.
class FlussoPostgres : public FlussoRighe {
public:
    FlussoPostgres(PGconn *c, std::weak_ptr<int> vivo) : m_conn(c), m_vivo(std::move(vivo))
    {
        m_blocco.reserve(Blocco + 4096);
    }
    ~FlussoPostgres() override
    {
        if (m_aperto && !m_vivo.expired()) {
            // Abandoned: the server throws the rows away and the transaction is left to be rolled back.
            Pq().PQputCopyEnd(m_conn, "copia interrotta");
            while (PGresult *r = Pq().PQgetResult(m_conn))
                Pq().PQclear(r);
        }
    }

    void Intero(qint64 n) override
    {
        separa();
        char t[24];
        const auto fine = std::to_chars(t, t + sizeof t, n).ptr;
        m_blocco.append(t, fine - t);
    }

    void Testo(QByteArrayView utf8) override
    {
        separa();
        for (const char c : utf8)
            if (uchar(c) >= 0x80) {
                // Bytes that are not UTF-8 go in as the replacement character, as a statement's
                // parameter takes them; the server would refuse the whole copy for them.
                aggiungi(QString::fromUtf8(utf8).toUtf8());
                return;
            }
        aggiungi(utf8);
    }

    void Nullo() override
    {
        separa();
        m_blocco.append("\\N", 2);
    }

    void Fine() override
    {
        m_blocco.append('\n');
        m_primo = true;
        if (m_blocco.size() >= Blocco)
            invia();
    }

    void Chiudi() override
    {
        invia();
        m_aperto = false;
        if (Pq().PQputCopyEnd(m_conn, nullptr) != 1)
            throw erroreRisultato(m_conn, nullptr);
        PGresult *r = Pq().PQgetResult(m_conn);
        std::optional<ErroreApp> e;
        if (Pq().PQresultStatus(r) != PGRES_COMMAND_OK)
            e = erroreRisultato(m_conn, r);
        Pq().PQclear(r);
        while (PGresult *altro = Pq().PQgetResult(m_conn))
            Pq().PQclear(altro);
        if (e)
            throw *e;
    }

private:
    static constexpr qsizetype Blocco = 256 * 1024;

    void separa()
    {
        if (!m_primo)
            m_blocco.append('\t');
        m_primo = false;
    }

    void aggiungi(QByteArrayView t)
    {
        const char *inizio = t.data();
        const char *const fine = inizio + t.size();
        for (const char *p = inizio; p < fine; ++p) {
            const char c = *p;
            if (c != '\\' && c != '\t' && c != '\n' && c != '\r' && c != '\0')
                continue;
            if (c == '\0')
                throw ErroreApp(CodiciErrore::TestoNonValido,
                                QStringLiteral("Il testo contiene un carattere non ammesso (NUL)."));
            m_blocco.append(inizio, p - inizio);
            m_blocco.append('\\');
            m_blocco.append(c == '\\' ? '\\' : c == '\t' ? 't' : c == '\n' ? 'n' : 'r');
            inizio = p + 1;
        }
        m_blocco.append(inizio, fine - inizio);
    }

    void invia()
    {
        if (!m_blocco.isEmpty() && Pq().PQputCopyData(m_conn, m_blocco.constData(), int(m_blocco.size())) != 1)
            throw erroreRisultato(m_conn, nullptr);
        m_blocco.resize(0);  // keeps its capacity
    }

    PGconn *m_conn;
    std::weak_ptr<int> m_vivo;
    QByteArray m_blocco;
    bool m_primo = true;
    bool m_aperto = true;
};

} // namespace

std::unique_ptr<FlussoRighe> MotorePostgres::Flusso(const QString &tabella, const QStringList &colonne)
{
    libera();
    pronta();
    const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(tabella, colonne.join(QStringLiteral(", "))).toUtf8();
    PGresult *r = Pq().PQexec(m_conn, sql.constData());
    if (Pq().PQresultStatus(r) != PGRES_COPY_IN) {
        const ErroreApp e = erroreRisultato(m_conn, r);
        Pq().PQclear(r);
        throw e;
    }
    Pq().PQclear(r);
    return std::make_unique<FlussoPostgres>(m_conn, m_vivo);
}
