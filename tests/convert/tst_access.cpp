// The Access source on real Jet 4 files: every row of the cases file read field by field and
// compared with what libmdb itself reads, the files and rows that must be refused, and damaged
// rows that must be refused by name, never crash.

#include "convert/sorgente_access.h"
#include "platform/sistema.h"
#include "tests/convert/comune.h"
#include "tests/support/ambiente.h"

#include <QTemporaryDir>
#include <cstdio>

#include <glib.h>
#include <mdbtools.h>

namespace {

// The casi file with one UTF-16 name replaced by another of the same length.
QByteArray rinomina(const QString &vecchio, const QString &nuovo)
{
    QByteArray d = leggi(dati(QStringLiteral("casi.mdb")));
    const QByteArray v(reinterpret_cast<const char *>(vecchio.utf16()), vecchio.size() * 2);
    const QByteArray n(reinterpret_cast<const char *>(nuovo.utf16()), nuovo.size() * 2);
    d.replace(v, n);
    return d;
}

// What libmdb reads through its own bound values (texts, dates with a four-digit year, money text),
// each row followed by the file offset where its bytes end.
QList<QStringList> letturaLibmdb(const QString &percorso)
{
    QList<QStringList> righe;
    MdbHandle *mdb = mdb_open(QFile::encodeName(percorso).constData(), MDB_NOFLAGS);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef *t = mdb_read_table_by_name(mdb, const_cast<gchar *>("ANTICIPI"), MDB_TABLE);
    mdb_read_columns(t);
    mdb_rewind_table(t);
    std::vector<std::vector<char>> valori(t->num_cols, std::vector<char>(MDB_BIND_SIZE));
    for (unsigned i = 0; i < t->num_cols; ++i)
        mdb_bind_column(t, int(i) + 1, valori[i].data(), nullptr);
    while (mdb_fetch_row(t)) {
        QStringList r;
        for (unsigned i = 0; i < t->num_cols; ++i)
            r << QString::fromUtf8(valori[i].data());
        int inizio = 0;
        size_t lunghezza = 0;
        mdb_find_row(mdb, int(t->cur_row) - 1, &inizio, &lunghezza);
        righe << (r << QString::number(qint64(t->cur_phys_pg) * 4096 + (inizio & 0x1fff) + qint64(lunghezza)));
    }
    mdb_free_tabledef(t);
    mdb_close(mdb);
    return righe;
}

// The casi file with one field of one row made null: the null mask ends the row, and a clear bit
// means null. The table has no deleted columns, so a column's bit is its position.
QByteArray annullaCampo(const QString &id, int colonna)
{
    QByteArray d = leggi(dati(QStringLiteral("casi.mdb")));
    for (const QStringList &r : letturaLibmdb(dati(QStringLiteral("casi.mdb"))))
        if (r[0] == id) {
            const qint64 pos = r[9].toLongLong() - 2 + colonna / 8;  // 9 columns: 2 bytes of mask
            d[pos] = char(d[pos] & ~(1 << (colonna % 8)));
        }
    return d;
}

// libmdb's money text ("-15.5000") as ten-thousandths, digit by digit.
qint64 decimillesimi(const QString &t)
{
    const bool negativo = t.startsWith(QLatin1Char('-'));
    const QStringList parti = t.mid(negativo ? 1 : 0).split(QLatin1Char('.'));
    qint64 v = parti.value(0).toLongLong() * 10000 + parti.value(1).leftJustified(4, QLatin1Char('0')).toLongLong();
    return negativo ? -v : v;
}

// The casi file with the bytes at `posizione` changed by `cambia`.
QByteArray casiCon(qint64 posizione, const std::function<char(char)> &cambia)
{
    QByteArray d = leggi(dati(QStringLiteral("casi.mdb")));
    d[posizione] = cambia(d[posizione]);
    return d;
}

// What f writes to the process's standard error (file descriptor 2).
QByteArray erroreStandard(const std::function<void()> &f)
{
    Piattaforma::CatturaStderr cattura;
    if (!cattura.Attiva())
        return "?";
    cattura.Inizia();
    f();
    return cattura.Termina(1 << 20);
}

QList<RigaAnticipi> tutte(SorgenteAccess &s)
{
    QList<RigaAnticipi> r;
    RigaAnticipi riga;
    while (s.Leggi(riga))
        r << riga;
    return r;
}

} // namespace

class TstAccess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }

    // Every row and field against libmdb's own reading of the same file.
    void comeLoLeggeLibmdb()
    {
        SorgenteAccess s(dati(QStringLiteral("casi.mdb")));
        QCOMPARE(s.RigheAttese(), 16);
        const QList<RigaAnticipi> righe = tutte(s);
        const QList<QStringList> attese = letturaLibmdb(dati(QStringLiteral("casi.mdb")));
        QCOMPARE(righe.size(), 16);
        QCOMPARE(attese.size(), 16);
        for (int i = 0; i < righe.size(); ++i) {
            const RigaAnticipi &r = righe[i];
            const QStringList &m = attese[i];
            QCOMPARE(QString::number(r.id), m[0]);
            QCOMPARE(r.dataOp.toString(QStringLiteral("yyyy-MM-dd")), m[1].left(10));
            QCOMPARE(r.oraTolta, !m[1].endsWith(QLatin1String("00:00:00")));
            // libmdb gives an empty text for a null one; the source tells them apart.
            QCOMPARE(r.descrizione.value_or(QByteArray()), m[2].toUtf8());
            QCOMPARE(r.ragioneSociale.value_or(QByteArray()), m[5].toUtf8());
            QCOMPARE(r.codiceFiscale.value_or(QByteArray()), m[6].toUtf8());
            QCOMPARE(r.partitaIva.value_or(QByteArray()), m[7].toUtf8());
            QCOMPARE(r.entrata, m[3].isEmpty() ? 0 : decimillesimi(m[3]));
            QCOMPARE(r.uscita, m[4].isEmpty() ? 0 : decimillesimi(m[4]));
            QCOMPARE(r.importoNullo, m[3].isEmpty() || m[4].isEmpty());
            QCOMPARE(QString::number(r.codiceAna), m[8]);
            // What libmdb's text cannot show: a null text (row 4's description, row 15's client),
            // told apart from an empty one (row 14's description).
            QCOMPARE(r.descrizione.has_value(), r.id != 4);
            QCOMPARE(r.ragioneSociale.has_value() || r.codiceFiscale.has_value() || r.partitaIva.has_value(), r.id != 15);
        }
    }

    void fileRifiutati_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("testo");
        QTest::newRow("altro programma") << "estraneo" << "non contiene la tabella ANTICIPI";
        QTest::newRow("colonna mancante") << "colonna" << "manca la colonna CODICEANA";
        QTest::newRow("non Access") << "testo" << "non è un archivio Access";
        QTest::newRow("vuoto") << "vuoto" << "non è un archivio Access";
        QTest::newRow("troncato a metà") << "troncato" << "danneggiato o incompleto";
        QTest::newRow("troncato all'inizio") << "inizio" << "danneggiato o incompleto";
        QTest::newRow("mancante") << "mancante" << "non esiste";
        QTest::newRow("cartella") << "cartella" << "è una cartella";
        // A row that cannot be carried as it is is never dropped or guessed: the reading stops, naming it.
        QTest::newRow("senza codice cliente") << "codice" << "manca il codice del cliente (CODICEANA)";
        QTest::newRow("senza data") << "data" << "manca la data (DATAOP)";
    }

    // Another program's file, a damaged one, one that is not Access, a row that cannot be carried:
    // a plain message, and the file's bytes unchanged.
    void fileRifiutati()
    {
        QFETCH(QString, caso);
        QFETCH(QString, testo);
        QTemporaryDir dir;
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        const QMap<QString, QByteArray> contenuti = {
            {QStringLiteral("estraneo"), leggi(dati(QStringLiteral("estraneo.mdb")))},
            {QStringLiteral("colonna"), rinomina(QStringLiteral("CODICEANA"), QStringLiteral("CODICEANX"))},
            {QStringLiteral("testo"), QByteArray("ID;DATAOP\n1;2025-01-01\n").repeated(400)},
            {QStringLiteral("vuoto"), QByteArray()},
            {QStringLiteral("troncato"), casi.left(110000)},
            {QStringLiteral("inizio"), casi.left(8192)},
            {QStringLiteral("codice"), annullaCampo(QStringLiteral("9"), 8)},
            {QStringLiteral("data"), annullaCampo(QStringLiteral("9"), 1)},
        };
        const QString p = caso == QLatin1String("cartella") ? dir.path() : dir.filePath(QStringLiteral("a.mdb"));
        if (contenuti.contains(caso))
            scrivi(p, contenuti[caso]);
        const QByteArray prima = leggi(p);
        const QString e = erroreDi([&] {
            SorgenteAccess s(p);
            tutte(s);
        });
        QVERIFY2(e.contains(testo), qPrintable(e));
        QVERIFY(caso != QLatin1String("codice") || e.contains(QStringLiteral("la riga con ID 9 ")));
        QCOMPARE(leggi(p), prima);
    }

    void righeDanneggiate_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("testo");
        QTest::addColumn<QString>("log");
        // A row whose own column count (402) ran past the 256 fields read; one whose ID lies outside
        // it; one whose texts point past its end: each crashed the conversion.
        QTest::newRow("402 colonne") << casiCon(113275, [](char c) { return char(c ^ 0x10); })
                                     << "Impossibile convertire la riga n. 9 (ID illeggibile, letta dopo la riga con ID 8)"
                                     << "";
        QTest::newRow("ID fuori dalla riga") << casiCon(113731, [](char) { return char(0x3c); })
                                             << "Impossibile convertire la riga n. 6 (ID illeggibile, letta dopo la riga con ID 5)"
                                             << "";
        QTest::newRow("testi oltre la riga") << casiCon(110630, [](char) { return char(0x80); })
                                             << "Impossibile convertire la riga n. 13 (ID illeggibile, letta dopo la riga con ID 12)"
                                             << "";
        // A NUL inside a name (UTF-16 "Rossi" with its "o" made 0): stored, it failed later, naming no row.
        QByteArray nul = leggi(dati(QStringLiteral("casi.mdb")));
        nul[nul.lastIndexOf(QByteArray("R\0o\0s\0s\0i\0", 10)) + 2] = 0;
        QTest::newRow("NUL in un testo") << nul
                                         << "Impossibile convertire la riga con ID 1 dell'archivio %1: un testo contiene un "
                                            "carattere NUL (codice 0) (colonna RAGIONESOCIALE)."
                                         << "";
        // libmdb says this in English on standard error.
        QTest::newRow("file troncato") << leggi(dati(QStringLiteral("casi.mdb"))).left(110000)
                                       << "danneggiato o incompleto" << "messaggio di libmdb: offset 110592 is beyond EOF";
    }

    // A damaged row is refused naming it, never a crash; libmdb's own complaints about the file go
    // to the log, never to standard error.
    void righeDanneggiate()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, testo);
        QFETCH(QString, log);
        QTemporaryDir dir;
        const QString p = dir.filePath(QStringLiteral("a.mdb"));
        scrivi(p, file);
        QString e;
        const QByteArray errori = erroreStandard([&] {
            e = erroreDi([&] {
                SorgenteAccess s(p);
                tutte(s);
            });
        });
        QVERIFY2(e.contains(testo.replace(QStringLiteral("%1"), QDir::toNativeSeparators(p))), qPrintable(e));
        QCOMPARE(errori, QByteArray());
        QVERIFY2(Ambiente::corrente().righeLog().contains(log), qPrintable(Ambiente::corrente().righeLog()));
    }
};

SPESARIO_TEST_MAIN(TstAccess)
#include "tst_access.moc"
