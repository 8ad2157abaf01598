// The Access source on real Jet 4 files: every row of the cases file read field by field and
// compared with what libmdb itself reads, the cases that must carry over exactly, and the files that
// must be refused.

#include "convert/sorgente_access.h"
#include "tests/convert/comune.h"
#include "tests/support/ambiente.h"

#include <QTemporaryDir>

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

QString testo(const std::optional<QByteArray> &t) { return t ? QString::fromUtf8(*t) : QStringLiteral("<null>"); }

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
        }
    }

    // What libmdb's text cannot show: the gap, null against empty, the amount that was null.
    void nulliEVuoti()
    {
        SorgenteAccess s(dati(QStringLiteral("casi.mdb")));
        QMap<qint64, RigaAnticipi> per;
        for (const RigaAnticipi &r : tutte(s))
            per.insert(r.id, r);
        QVERIFY(!per.contains(16));
        QCOMPARE(testo(per[4].descrizione), QStringLiteral("<null>"));
        QCOMPARE(testo(per[14].descrizione), QString());
        QVERIFY(per[14].descrizione.has_value());
        for (const auto &t : {per[15].ragioneSociale, per[15].codiceFiscale, per[15].partitaIva})
            QCOMPARE(testo(t), QStringLiteral("<null>"));
        QVERIFY(per[15].importoNullo && per[15].entrata == 0 && per[15].uscita == 0);
        QVERIFY(per[5].oraTolta && per[5].dataOp == QDate(2025, 3, 6));
        QCOMPARE(per[11].dataOp, QDate(1925, 7, 14));
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
};

SPESARIO_TEST_MAIN(TstAccess)
#include "tst_access.moc"
