// The Access source on real Jet 4 files: every row of the cases file read field by field and
// compared with what libmdb itself reads, the cases that must carry over exactly, and the files that
// must be refused.

#include "convert/sorgente_access.h"
#include "tests/support/ambiente.h"

#include <QFile>
#include <QTemporaryDir>

#include <glib.h>
#include <mdbtools.h>

namespace {

QString dati(const QString &nome) { return QStringLiteral(DATI_CONVERSIONE "/") + nome; }

QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString scrivi(const QTemporaryDir &dir, const QString &nome, const QByteArray &byte)
{
    const QString p = dir.filePath(nome);
    QFile f(p);
    if (f.open(QIODevice::WriteOnly))
        f.write(byte);
    return p;
}

// The casi file with one UTF-16 name replaced by another of the same length.
QByteArray rinomina(const QString &vecchio, const QString &nuovo)
{
    QByteArray d = leggi(dati(QStringLiteral("casi.mdb")));
    const QByteArray v(reinterpret_cast<const char *>(vecchio.utf16()), vecchio.size() * 2);
    const QByteArray n(reinterpret_cast<const char *>(nuovo.utf16()), nuovo.size() * 2);
    d.replace(v, n);
    return d;
}

// What libmdb reads through its own bound values: texts, dates with a four-digit year, money text.
QList<QStringList> letturaLibmdb(const QString &percorso)
{
    QList<QStringList> righe;
    MdbHandle *mdb = mdb_open(QFile::encodeName(percorso).constData(), MDB_NOFLAGS);
    if (!mdb)
        return righe;
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_bind_size(mdb, 1 << 20);
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef *t = mdb_read_table_by_name(mdb, const_cast<gchar *>("ANTICIPI"), MDB_TABLE);
    mdb_read_columns(t);
    mdb_rewind_table(t);
    std::vector<std::vector<char>> valori(t->num_cols, std::vector<char>(1 << 20));
    std::vector<int> lunghezze(t->num_cols);
    for (unsigned i = 0; i < t->num_cols; ++i)
        mdb_bind_column(t, int(i) + 1, valori[i].data(), &lunghezze[i]);
    while (mdb_fetch_row(t)) {
        QStringList r;
        for (unsigned i = 0; i < t->num_cols; ++i)
            r << QString::fromUtf8(valori[i].data());
        righe << r;
    }
    mdb_free_tabledef(t);
    mdb_close(mdb);
    return righe;
}

// libmdb's money text ("-15.5000") as ten-thousandths, digit by digit.
qint64 decimillesimi(const QString &t)
{
    const bool negativo = t.startsWith(QLatin1Char('-'));
    const QStringList parti = t.mid(negativo ? 1 : 0).split(QLatin1Char('.'));
    qint64 v = parti.value(0).toLongLong() * 10000 + parti.value(1).leftJustified(4, QLatin1Char('0')).toLongLong();
    return negativo ? -v : v;
}

// The casi file with one field of one row made null: the row's null mask, its last bytes, gets the
// column's bit cleared (a set bit means the field has a value).
QByteArray annullaCampo(qint64 id, const QString &nomeColonna)
{
    QByteArray d = leggi(dati(QStringLiteral("casi.mdb")));
    MdbHandle *mdb = mdb_open(QFile::encodeName(dati(QStringLiteral("casi.mdb"))).constData(), MDB_NOFLAGS);
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef *t = mdb_read_table_by_name(mdb, const_cast<gchar *>("ANTICIPI"), MDB_TABLE);
    mdb_read_columns(t);
    mdb_rewind_table(t);
    char valore[256];
    mdb_bind_column(t, 1, valore, nullptr);
    int numeroColonna = -1;
    for (unsigned i = 0; i < t->num_cols; ++i) {
        auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i));
        if (QString::fromUtf8(c->name) == nomeColonna)
            numeroColonna = c->col_num;
    }
    while (mdb_fetch_row(t)) {
        if (QByteArray(valore).toLongLong() != id)
            continue;
        int inizio = 0;
        size_t lunghezza = 0;
        mdb_find_row(mdb, int(t->cur_row) - 1, &inizio, &lunghezza);
        const qint64 fine = qint64(t->cur_phys_pg) * 4096 + (inizio & 0x1fff) + qint64(lunghezza);
        const int byteMaschera = int((t->num_cols + 7) / 8);
        const qint64 pos = fine - byteMaschera + numeroColonna / 8;
        d[pos] = char(d[pos] & ~(1 << (numeroColonna % 8)));
        break;
    }
    mdb_free_tabledef(t);
    mdb_close(mdb);
    return d;
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

QString erroreDi(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ErroreApp &e) {
        return e.descrizione();
    }
    return QString();
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

    // The cases that must carry over exactly, by ID.
    void casiDaPortareEsatti()
    {
        SorgenteAccess s(dati(QStringLiteral("casi.mdb")));
        QMap<qint64, RigaAnticipi> per;
        for (const RigaAnticipi &r : tutte(s))
            per.insert(r.id, r);
        QVERIFY(!per.contains(16));                                         // the gap stays a gap
        QCOMPARE(per[11].dataOp, QDate(1925, 7, 14));                       // its century kept
        QCOMPARE(per[11].uscita, 12345);                                    // 1,2345
        QCOMPARE(per[5].dataOp, QDate(2025, 3, 6));                         // 10:15 dropped
        QVERIFY(per[5].oraTolta);
        QVERIFY(!per[4].oraTolta);
        QCOMPARE(per[13].entrata, -155000);                                 // negative
        QCOMPARE(per[12].entrata, 50000);                                   // both amounts
        QCOMPARE(per[12].uscita, 70000);
        QCOMPARE(per[14].uscita, Q_INT64_C(9223372036854775));              // 922.337.203.685,4775
        QCOMPARE(testo(per[4].descrizione), QStringLiteral("<null>"));     // null stays null
        QCOMPARE(testo(per[14].descrizione), QString());                    // empty stays empty
        QVERIFY(per[14].descrizione.has_value());
        QCOMPARE(testo(per[7].descrizione), QStringLiteral("Riga1\r\nRiga2"));
        QCOMPARE(testo(per[6].descrizione), QStringLiteral("Visura; camerale"));
        QCOMPARE(testo(per[8].descrizione), QStringLiteral("Caffè €"));
        QCOMPARE(testo(per[6].ragioneSociale), QStringLiteral("L'Arte S.a.s."));
        QCOMPARE(testo(per[11].ragioneSociale), QStringLiteral("SOCIETÀ ANTICA"));
        QCOMPARE(testo(per[12].ragioneSociale), QStringLiteral("Società Antica"));
        QCOMPARE(testo(per[14].ragioneSociale).size(), 50);
        QCOMPARE(testo(per[15].ragioneSociale), QStringLiteral("<null>"));
        QCOMPARE(testo(per[15].codiceFiscale), QStringLiteral("<null>"));
        QCOMPARE(testo(per[15].partitaIva), QStringLiteral("<null>"));
        QCOMPARE(per[15].entrata, 0);
        QVERIFY(per[15].importoNullo);
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
    }

    // Another program's file, a damaged one, one that is not Access: a plain message, and the
    // file's bytes unchanged.
    void fileRifiutati()
    {
        QFETCH(QString, caso);
        QFETCH(QString, testo);
        QTemporaryDir dir;
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        QString p;
        if (caso == QLatin1String("estraneo"))
            p = scrivi(dir, QStringLiteral("a.mdb"), leggi(dati(QStringLiteral("estraneo.mdb"))));
        else if (caso == QLatin1String("colonna"))
            p = scrivi(dir, QStringLiteral("a.mdb"), rinomina(QStringLiteral("CODICEANA"), QStringLiteral("CODICEANX")));
        else if (caso == QLatin1String("testo"))
            p = scrivi(dir, QStringLiteral("a.mdb"), QByteArray("ID;DATAOP\n1;2025-01-01\n").repeated(400));
        else if (caso == QLatin1String("vuoto"))
            p = scrivi(dir, QStringLiteral("a.mdb"), QByteArray());
        else if (caso == QLatin1String("troncato"))
            p = scrivi(dir, QStringLiteral("a.mdb"), casi.left(110000));
        else if (caso == QLatin1String("inizio"))
            p = scrivi(dir, QStringLiteral("a.mdb"), casi.left(8192));
        else if (caso == QLatin1String("mancante"))
            p = dir.filePath(QStringLiteral("nessuno.mdb"));
        else
            p = dir.path();
        const QByteArray prima = leggi(p);
        const QString e = erroreDi([&] {
            SorgenteAccess s(p);
            tutte(s);
        });
        QVERIFY2(e.contains(testo), qPrintable(e));
        QCOMPARE(leggi(p), prima);
    }

    // A row that cannot be carried as it is (no client code, no date) is never dropped or guessed:
    // the reading stops, naming its ID.
    void rigaIncompletaFerma_data()
    {
        QTest::addColumn<QString>("colonna");
        QTest::addColumn<QString>("testo");
        QTest::newRow("codice cliente") << "CODICEANA" << "manca il codice del cliente";
        QTest::newRow("data") << "DATAOP" << "manca la data";
    }

    void rigaIncompletaFerma()
    {
        QFETCH(QString, colonna);
        QFETCH(QString, testo);
        QTemporaryDir dir;
        const QString p = scrivi(dir, QStringLiteral("a.mdb"), annullaCampo(9, colonna));
        const QString e = erroreDi([&] {
            SorgenteAccess s(p);
            tutte(s);
        });
        QVERIFY2(e.contains(QStringLiteral("riga con ID 9 ")) && e.contains(testo), qPrintable(e));
    }

    void riconosceAccess()
    {
        QVERIFY(EFileAccess(dati(QStringLiteral("casi.mdb"))));
        QVERIFY(EFileAccess(dati(QStringLiteral("estraneo.mdb"))));
        QTemporaryDir dir;
        QVERIFY(!EFileAccess(scrivi(dir, QStringLiteral("x"), QByteArray("SQLite format 3").append(200, '\0'))));
        QVERIFY(!EFileAccess(dir.filePath(QStringLiteral("manca"))));
    }
};

SPESARIO_TEST_MAIN(TstAccess)
#include "tst_access.moc"
