#include "bench/pavimento.h"

#include "store/archivio.h"

#include <QFile>
#include <cstdio>
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

void data(std::string &out, const unsigned char *t)
{
    // 'yyyy-MM-dd' to dd/MM/yyyy
    out.append(reinterpret_cast<const char *>(t) + 8, 2);
    out += '/';
    out.append(reinterpret_cast<const char *>(t) + 5, 2);
    out += '/';
    out.append(reinterpret_cast<const char *>(t), 4);
}

void testo(std::string &out, const unsigned char *t)
{
    if (t)
        out += reinterpret_cast<const char *>(t);
}
} // namespace

Pavimento::Pavimento(const QString &file)
{
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("apertura");
    sqlite3_exec(m_db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

Pavimento::~Pavimento() { sqlite3_close(m_db); }

qint64 Pavimento::Righe(const QString &sqlJet, bool primaRiga)
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

void Pavimento::Scrivi(const QString &sql)
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

qint64 Pavimento::Csv(const QString &sqlJet, const QString &file, bool saldi)
{
    const QByteArray sql = RiscriviDateJet(sqlJet).toUtf8();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), sql.size(), &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_db));
    FILE *f = std::fopen(QFile::encodeName(file).constData(), "wb");
    std::string riga;
    riga = saldi ? "Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\n"
                 : "Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n";
    std::fwrite(riga.data(), 1, riga.size(), f);
    qint64 n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        riga.clear();
        if (saldi) {
            const sqlite3_int64 totale = sqlite3_column_int64(st, 4);
            if (totale == 0)
                continue;
            testo(riga, sqlite3_column_text(st, 1));
            riga += ';';
            testo(riga, sqlite3_column_text(st, 2));
            riga += ';';
            testo(riga, sqlite3_column_text(st, 3));
            riga += ';';
            importo(riga, totale);
        } else {
            data(riga, sqlite3_column_text(st, 1));
            riga += ';';
            testo(riga, sqlite3_column_text(st, 2));
            riga += ';';
            importo(riga, sqlite3_column_int64(st, 3));
            riga += ';';
            importo(riga, sqlite3_column_int64(st, 4));
            for (int c = 5; c <= 7; ++c) {
                riga += ';';
                testo(riga, sqlite3_column_text(st, c));
            }
        }
        riga += "\r\n";
        std::fwrite(riga.data(), 1, riga.size(), f);
        ++n;
    }
    std::fclose(f);
    sqlite3_finalize(st);
    return n;
}
