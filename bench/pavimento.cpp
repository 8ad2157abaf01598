#include "bench/pavimento.h"

#include "store/archivio.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

namespace {
// The plain amount form: 1250,5 / -300.
void importo(std::string &out, sqlite3_int64 v)
{
    if (v < 0) {
        out += '-';
        v = -v;
    }
    out += std::to_string(v / 10000);
    int f = int(v % 10000);
    if (f) {
        char b[8];
        std::snprintf(b, sizeof b, ",%04d", f);
        std::string s(b);
        while (s.back() == '0')
            s.pop_back();
        out += s;
    }
}

void data(std::string &out, const char *t)
{
    // 'yyyy-MM-dd' to dd/MM/yyyy
    out.append(t + 8, 2);
    out += '/';
    out.append(t + 5, 2);
    out += '/';
    out.append(t, 4);
}

// A text as the program's file holds it: between double quotes, its own doubled, when it holds ";",
// '"' or a line break; in Windows-1252, where the letters of U+00A0 to U+00FF are the one byte of
// their number (the generated archive holds no other sign beyond ASCII; any would be "?").
void testo(std::string &out, const char *t)
{
    if (!t)
        return;
    const bool virgolette = std::strpbrk(t, ";\"\r\n") != nullptr;
    if (virgolette)
        out += '"';
    for (const auto *p = reinterpret_cast<const unsigned char *>(t); *p; ++p) {
        if (*p < 0x80) {
            if (*p == '"')
                out += '"';
            out += char(*p);
        } else if ((*p == 0xC2 && p[1] >= 0xA0 && p[1] <= 0xBF) || (*p == 0xC3 && p[1] >= 0x80 && p[1] <= 0xBF)) {
            out += char(*p == 0xC2 ? p[1] : p[1] + 0x40);
            ++p;
        } else {
            out += '?';
            while ((p[1] & 0xC0) == 0x80)
                ++p;
        }
    }
    if (virgolette)
        out += '"';
}

const char *Intestazione(bool saldi)
{
    return saldi ? "Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\n"
                 : "Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n";
}

// One CSV line from the columns of a row, read through `col` (text) and `num` (integer); false for a
// balances line whose total is zero.
template <typename Testo, typename Numero>
bool RigaCsv(std::string &riga, bool saldi, Testo col, Numero num)
{
    riga.clear();
    if (saldi) {
        const long long totale = num(4);
        if (totale == 0)
            return false;
        testo(riga, col(1));
        riga += ';';
        testo(riga, col(2));
        riga += ';';
        testo(riga, col(3));
        riga += ';';
        importo(riga, totale);
    } else {
        data(riga, col(1));
        riga += ';';
        testo(riga, col(2));
        riga += ';';
        importo(riga, num(3));
        riga += ';';
        importo(riga, num(4));
        for (int c = 5; c <= 7; ++c) {
            riga += ';';
            testo(riga, col(c));
        }
    }
    riga += "\r\n";
    return true;
}

class PavSqlite : public Pavimento {
public:
    explicit PavSqlite(const QString &file);
    ~PavSqlite() override;
    qint64 Righe(const QString &sqlJet, bool primaRiga) override;
    void Scrivi(const QString &sql) override;
    qint64 Csv(const QString &sqlJet, const QString &file, bool saldi) override;

private:
    sqlite3 *m_db = nullptr;
};

PavSqlite::PavSqlite(const QString &file)
{
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("apertura");
    sqlite3_exec(m_db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

PavSqlite::~PavSqlite() { sqlite3_close(m_db); }

qint64 PavSqlite::Righe(const QString &sqlJet, bool primaRiga)
{
    const QByteArray sql = RiscriviDateJet(sqlJet).toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), sql.size(), &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_db));
    qint64 n = 0;
    volatile size_t somma = 0;
    const int colonne = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < colonne; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_INTEGER)
                somma = somma + size_t(sqlite3_column_int64(st, c));
            else
                somma = somma + size_t(sqlite3_column_bytes(st, c));
        }
        ++n;
        if (primaRiga)
            break;
    }
    sqlite3_finalize(st);
    return n;
}

void PavSqlite::Scrivi(const QString &sql)
{
    const QByteArray s = QByteArray("BEGIN IMMEDIATE; ") + sql.toUtf8() + "; COMMIT;";
    char *err = nullptr;
    if (sqlite3_exec(m_db, s.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string e = err ? err : "?";
        sqlite3_free(err);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw std::runtime_error(e);
    }
}

qint64 PavSqlite::Csv(const QString &sqlJet, const QString &file, bool saldi)
{
    const QByteArray sql = RiscriviDateJet(sqlJet).toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), sql.size(), &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_db));
    FILE *f = std::fopen(QFile::encodeName(file).constData(), "wb");
    std::string riga = Intestazione(saldi);
    std::fwrite(riga.data(), 1, riga.size(), f);
    qint64 n = 0;
    auto col = [st](int c) { return reinterpret_cast<const char *>(sqlite3_column_text(st, c)); };
    auto num = [st](int c) { return (long long)sqlite3_column_int64(st, c); };
    while (sqlite3_step(st) == SQLITE_ROW) {
        if (!RigaCsv(riga, saldi, col, num))
            continue;
        std::fwrite(riga.data(), 1, riga.size(), f);
        ++n;
    }
    std::fclose(f);
    sqlite3_finalize(st);
    return n;
}

// The same through libpq, rows streamed one at a time as the program reads them.
class PavPostgres : public Pavimento {
public:
    explicit PavPostgres(const QString &uri)
    {
        m_c = PQconnectdb(uri.toUtf8().constData());
        if (PQstatus(m_c) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(m_c));
        // The program's session settings, so that the server plans the same statements alike.
        PQclear(PQexec(m_c, "SET DateStyle = 'ISO, YMD'"));
        PQclear(PQexec(m_c, "SET max_parallel_workers_per_gather = 0"));
    }
    ~PavPostgres() override { PQfinish(m_c); }

    qint64 Righe(const QString &sqlJet, bool primaRiga) override
    {
        qint64 n = 0;
        volatile size_t somma = 0;
        Scorri(sqlJet, [&](PGresult *r) {
            for (int c = 0, k = PQnfields(r); c < k; ++c)
                somma = somma + size_t(PQgetlength(r, 0, c));
            ++n;
            return !primaRiga;
        });
        return n;
    }
    void Scrivi(const QString &sql) override
    {
        const QByteArray s = QByteArray("BEGIN; ") + RiscriviDateJet(sql).toUtf8() + "; COMMIT;";
        PGresult *r = PQexec(m_c, s.constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok)
            throw std::runtime_error(PQerrorMessage(m_c));
    }
    qint64 Csv(const QString &sqlJet, const QString &file, bool saldi) override
    {
        FILE *f = std::fopen(QFile::encodeName(file).constData(), "wb");
        std::string riga = Intestazione(saldi);
        std::fwrite(riga.data(), 1, riga.size(), f);
        qint64 n = 0;
        Scorri(sqlJet, [&](PGresult *r) {
            auto col = [r](int c) { return PQgetisnull(r, 0, c) ? nullptr : PQgetvalue(r, 0, c); };
            auto num = [r](int c) { return std::strtoll(PQgetvalue(r, 0, c), nullptr, 10); };
            if (RigaCsv(riga, saldi, col, num)) {
                std::fwrite(riga.data(), 1, riga.size(), f);
                ++n;
            }
            return true;
        });
        std::fclose(f);
        return n;
    }

private:
    // Calls `f` with each row (a single-row result) until it returns false.
    template <typename F>
    void Scorri(const QString &sqlJet, F f)
    {
        const QByteArray sql = RiscriviDateJet(sqlJet).toUtf8();
        if (!PQsendQuery(m_c, sql.constData()) || !PQsetSingleRowMode(m_c))
            throw std::runtime_error(PQerrorMessage(m_c));
        bool avanti = true;
        while (PGresult *r = PQgetResult(m_c)) {
            if (avanti && PQresultStatus(r) == PGRES_SINGLE_TUPLE)
                avanti = f(r);
            PQclear(r);
        }
    }
    PGconn *m_c = nullptr;
};

} // namespace

std::unique_ptr<Pavimento> PavimentoSqlite(const QString &file) { return std::make_unique<PavSqlite>(file); }
std::unique_ptr<Pavimento> PavimentoPostgres(const QString &uri) { return std::make_unique<PavPostgres>(uri); }
