// The text literal: whatever the text, SQLite reads the literal back as exactly that text, as one
// value, and the date rewriting leaves it alone. A text with a NUL is refused, never cut.

#include "store/archivio.h"

#include <QCoreApplication>
#include <QtSql/QSqlQuery>
#include <QtSql/QSqlRecord>
#include <cstdint>
#include <cstdlib>

namespace {
QSqlDatabase *db = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
    d.setDatabaseName(QStringLiteral(":memory:"));
    if (!d.open())
        std::abort();
    db = &d;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    const QString testo = QString::fromUtf8(reinterpret_cast<const char *>(dati), qsizetype(n));
    QString letterale;
    try {
        letterale = SqlTesto(testo);
    } catch (const ErroreApp &e) {
        if (!testo.contains(QChar(0)) || e.numero() != CodiciErrore::TestoNonValido)
            std::abort();
        return 0;
    }
    if (testo.contains(QChar(0)))
        std::abort();

    const QString sql = QStringLiteral("SELECT ") + letterale;
    if (RiscriviDateJet(sql) != sql)
        std::abort();
    QSqlQuery q(*db);
    if (!q.exec(sql) || !q.next() || q.record().count() != 1 || q.value(0).toString() != testo || q.next())
        std::abort();
    return 0;
}
