// The text literal: whatever the text, SQLite reads the literal back as exactly that text, as one
// value, and the date rewriting leaves it alone. A text with a NUL is refused, never cut.

#include "store/archivio.h"
#include "store/engines/motore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {
std::unique_ptr<Motore> db;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir cartella;
    try {
        db = ApriMotoreSqlite(cartella.filePath(QStringLiteral("fuzz.mdb")), true);
    } catch (...) {
        std::abort();
    }
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
    try {
        auto q = db->Query(sql);
        if (!q->Avanza() || q->Nomi().size() != 1 || q->Valore(0).toString() != testo || q->Avanza())
            std::abort();
    } catch (...) {
        std::abort();
    }
    return 0;
}
