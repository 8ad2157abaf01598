// The PostgreSQL engine's cursor, statements and transactions: each statement sent with its values
// as parameters, rows read one at a time from the wire. The connection and its errors are in
// connessione_postgres.cpp.

#include "store/engines/postgres_interno.h"

#include <charconv>

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
    const Oid tipo = PQftype(m_riga, i);
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
    PQclear(m_riga);
    for (PGresult *r : m_messi)
        PQclear(r);
}

void CursorePostgres::inizia()
{
    PGresult *r = prossimo();
    if (!r)
        throw erroreRisultato(m_conn, nullptr);
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_SINGLE_TUPLE && s != PGRES_TUPLES_OK) {
        const ErroreApp e = erroreRisultato(m_conn, r);
        PQclear(r);
        svuota();
        throw e;
    }
    for (int i = 0, n = PQnfields(r); i < n; ++i)
        m_nomi << QString::fromUtf8(PQfname(r, i));
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
    PGresult *r = PQgetResult(m_conn);
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
        PGresult *r = PQgetResult(m_conn);
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
    PQclear(m_riga);
    m_riga = nullptr;
    while (PGresult *r = prossimo()) {
        const ExecStatusType s = PQresultStatus(r);
        if (s == PGRES_SINGLE_TUPLE) {
            m_riga = r;
            return true;
        }
        if (s != PGRES_TUPLES_OK) {
            const ErroreApp e = erroreRisultato(m_conn, r);
            PQclear(r);
            svuota();
            throw e;
        }
        PQclear(r);  // the closing result, without rows
    }
    return false;
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
        if (!fuori || PQstatus(m_conn) != CONNECTION_BAD ||
            (inizio != QLatin1String("SELECT") && !inizio.startsWith(QLatin1String("WITH"))))
            throw;
        return interroga(sql, valori);
    }
}

std::unique_ptr<Cursore> MotorePostgres::interroga(const QString &sql, const Valori &valori)
{
    invia(sql, valori);
    if (!PQsetSingleRowMode(m_conn))
        throw erroreRisultato(m_conn, nullptr);
    auto c = std::make_unique<CursorePostgres>(this, m_conn, m_vivo);
    m_attivo = c.get();
    c->inizia();
    return c;
}

qint64 MotorePostgres::Esegui(const QString &sql, const Valori &valori)
{
    PGresult *r = esegui(sql, valori);
    const qint64 n = QByteArray(PQcmdTuples(r)).toLongLong();
    PQclear(r);
    return n;
}

qint64 MotorePostgres::Inserisci(const QString &sql, const Valori &valori)
{
    PGresult *r = esegui(sql + QStringLiteral(" RETURNING ID"), valori);
    const qint64 id = PQntuples(r) == 1 ? QByteArray(PQgetvalue(r, 0, 0)).toLongLong() : 0;
    PQclear(r);
    return id;
}

void MotorePostgres::Inizia()
{
    try {
        Esegui(QStringLiteral("BEGIN"));
    } catch (const ErroreApp &) {
        // BEGIN writes nothing: when the connection went with its answer, it is sent once more on a
        // new one (the first save after the server restarted goes through).
        if (PQstatus(m_conn) != CONNECTION_BAD)
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
    PGresult *r = PQexec(m_conn, "COMMIT");
    if (PQresultStatus(r) == PGRES_COMMAND_OK) {
        PQclear(r);
        return;
    }
    // Sent, and the connection went before its answer came: the server may have committed or not.
    // Never a failure, which a retry would write a second time; the caller finds out.
    if (PQstatus(m_conn) == CONNECTION_BAD) {
        const QString motore = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn)).simplified();
        PQclear(r);
        throw ErroreApp(CodiciErrore::EsitoIncerto,
                        QStringLiteral("Il collegamento con il server dell'archivio si è interrotto mentre le "
                                       "modifiche venivano confermate: non è noto se siano state salvate. (") +
                            motore + QLatin1Char(')'));
    }
    const ErroreApp e = erroreRisultato(m_conn, r);
    PQclear(r);
    throw e;
}

void MotorePostgres::Annulla()
{
    m_inTransazione = false;
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) != PQTRANS_IDLE) {
        libera();
        PQclear(PQexec(m_conn, "ROLLBACK"));
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
    if (!PQsendQueryParams(m_conn, conSegnaposto(sql).constData(), int(p.valori.size()), nullptr,
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
    PGresult *r = PQexecParams(m_conn, conSegnaposto(sql).constData(), int(p.valori.size()), nullptr,
                               p.valori.data(), nullptr, nullptr, 0);
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
        const ErroreApp e = erroreRisultato(m_conn, r);
        PQclear(r);
        throw e;
    }
    return r;
}
