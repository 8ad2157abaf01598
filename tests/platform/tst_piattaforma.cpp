#include "platform/file.h"
#include "platform/sistema.h"
#include "store/engines/motore.h"
#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {
// A folder and names with letters outside ASCII, one of them outside Windows' Western code page.
const QString CartellaUnicode = QStringLiteral("Nicolò Δοκιμή");

void scrivi(const QString &percorso, const QByteArray &byte)
{
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(byte), byte.size());
}

QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TstPiattaforma : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void sostituisciERinomina();
    void secondoNomeEIdentita();
    void sincronizza();
    void percorsiPerLeLibrerieC();
    void catturaStderr();
    void fileTenutoDaUnAltroProgramma();
    void bloccoTrattenuto();

private:
    QString m_cartella;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TstPiattaforma::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_cartella = m_dir->filePath(CartellaUnicode);
    QVERIFY(QDir().mkpath(m_cartella));
}

void TstPiattaforma::sostituisciERinomina()
{
    const QDir d(m_cartella);
    const QString a = d.filePath(QStringLiteral("città.mdb")), b = d.filePath(QStringLiteral("Δ.mdb"));
    scrivi(a, "nuovo");
    scrivi(b, "vecchio");
    // A rename that must not replace leaves both files as they were.
    QVERIFY(!Piattaforma::Rinomina(a, b));
    QCOMPARE(leggi(a), QByteArray("nuovo"));
    QCOMPARE(leggi(b), QByteArray("vecchio"));
    // Replacing takes the place of the file there, whole.
    QVERIFY(Piattaforma::Sostituisci(a, b));
    QVERIFY(!QFile::exists(a));
    QCOMPARE(leggi(b), QByteArray("nuovo"));
    QVERIFY(Piattaforma::Rinomina(b, a));
    QCOMPARE(leggi(a), QByteArray("nuovo"));
    QVERIFY(!QFile::exists(b));
    // A missing source is a failure on both.
    QVERIFY(!Piattaforma::Sostituisci(b, a));
    QVERIFY(!Piattaforma::Rinomina(b, d.filePath(QStringLiteral("altro"))));
}

void TstPiattaforma::secondoNomeEIdentita()
{
    const QDir d(m_cartella);
    const QString a = d.filePath(QStringLiteral("archivio.mdb")), b = d.filePath(QStringLiteral("archivio-àccess.mdb")),
                  c = d.filePath(QStringLiteral("altro.mdb"));
    scrivi(a, "dati");
    scrivi(c, "dati");
    Piattaforma::IdentitaFile ida, idb, idc;
    QCOMPARE(Piattaforma::Identita(a, &ida), Piattaforma::StatoFile::Presente);
    QCOMPARE(Piattaforma::Identita(c, &idc), Piattaforma::StatoFile::Presente);
    QVERIFY(ida != idc);  // same bytes, another file
    QCOMPARE(Piattaforma::Identita(b, &idb), Piattaforma::StatoFile::Mancante);
    QCOMPARE(Piattaforma::Identita(d.filePath(QStringLiteral("manca/archivio.mdb")), nullptr),
             Piattaforma::StatoFile::Mancante);

    QCOMPARE(Piattaforma::SecondoNome(a, b), Piattaforma::EsitoSecondoNome::Fatto);
    QCOMPARE(Piattaforma::Identita(b, &idb), Piattaforma::StatoFile::Presente);
    QVERIFY(idb == ida);
    // A name that is taken is never overwritten.
    QCOMPARE(Piattaforma::SecondoNome(a, c), Piattaforma::EsitoSecondoNome::Esiste);
    QCOMPARE(leggi(c), QByteArray("dati"));
    Piattaforma::IdentitaFile ancora;
    QCOMPARE(Piattaforma::Identita(c, &ancora), Piattaforma::StatoFile::Presente);
    QVERIFY(ancora == idc);

    // A file open here is there and is the same file; replaced, it is another.
    QFile aperto(a);
    QVERIFY(aperto.open(QIODevice::ReadWrite));
    QCOMPARE(Piattaforma::Identita(a, &ancora), Piattaforma::StatoFile::Presente);
    QVERIFY(ancora == ida);
    QVERIFY(!Piattaforma::FileInUso(a));
    aperto.close();
    QVERIFY(Piattaforma::Sostituisci(c, a));
    QCOMPARE(Piattaforma::Identita(a, &ancora), Piattaforma::StatoFile::Presente);
    QVERIFY(ancora == idc);
}

void TstPiattaforma::sincronizza()
{
    const QString p = QDir(m_cartella).filePath(QStringLiteral("però.txt"));
    QFile f(p);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write("riga\r\n") == 6);
    // What Qt still buffers is written out first.
    QVERIFY(Piattaforma::SincronizzaFile(f));
    QCOMPARE(leggi(p), QByteArray("riga\r\n"));
    f.close();
    Piattaforma::SincronizzaPercorso(p);
    Piattaforma::SincronizzaCartella(m_cartella);
    // A name that is not there is no failure of the caller's.
    Piattaforma::SincronizzaPercorso(p + QStringLiteral(".manca"));
    QCOMPARE(leggi(p), QByteArray("riga\r\n"));
}

void TstPiattaforma::percorsiPerLeLibrerieC()
{
    // SQLite makes the file with the very name asked, every letter kept.
    const QString archivio = QDir(m_cartella).filePath(QStringLiteral("archivio Δ è.mdb"));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(Piattaforma::PercorsoSqlite(archivio).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
             SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "CREATE TABLE T (A)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close_v2(db);
    QVERIFY(QFile::exists(archivio));
    QCOMPARE(QDir(m_cartella).entryList(QDir::Files), QStringList{QStringLiteral("archivio Δ è.mdb")});

    // fopen reads the same bytes through whatever name it is given.
    const QString access = QDir(m_cartella).filePath(QStringLiteral("vecchio Δ.mdb"));
    scrivi(access, "Standard Jet DB");
    const QByteArray percorso = Piattaforma::PercorsoFopen(access);
    if (percorso.isEmpty())
        QSKIP("Il volume non ha nomi brevi: il file si apre dalla copia.");
    std::FILE *f = std::fopen(percorso.constData(), "rb");
    QVERIFY(f);
    char letti[16] = {};
    const size_t n = std::fread(letti, 1, sizeof letti, f);
    std::fclose(f);
    QCOMPARE(QByteArray(letti, int(n)), QByteArray("Standard Jet DB"));
}

void TstPiattaforma::catturaStderr()
{
    Piattaforma::CatturaStderr cattura;
    QVERIFY(cattura.Attiva());
    cattura.Inizia();
    std::fprintf(stderr, "offset 123 is beyond EOF\n");
    QCOMPARE(cattura.Termina(1 << 16), QByteArray("offset 123 is beyond EOF\n"));
    // Each round returns only its own text, and no more than asked.
    cattura.Inizia();
    QCOMPARE(cattura.Termina(1 << 16), QByteArray());
    cattura.Inizia();
    std::fprintf(stderr, "0123456789");
    QCOMPARE(cattura.Termina(4), QByteArray("0123"));
    cattura.Inizia();
    std::fprintf(stderr, "dopo");
    QCOMPARE(cattura.Termina(1 << 16), QByteArray("dopo"));
}

void TstPiattaforma::fileTenutoDaUnAltroProgramma()
{
    const QString archivio = QDir(m_cartella).filePath(QStringLiteral("archivio.mdb"));
    ApriMotoreSqlite(archivio, true);  // made with its table, then closed
    Piattaforma::IdentitaFile prima, durante;
    QCOMPARE(Piattaforma::Identita(archivio, &prima), Piattaforma::StatoFile::Presente);
    const FileTenuto tenuto(archivio);
    if (!tenuto.ok())
        QSKIP("Linux non ha file tenuti aperti senza condivisione.");
    // There, and busy: never missing, never damaged.
    QVERIFY(Piattaforma::FileInUso(archivio));
    QVERIFY(Piattaforma::Identita(archivio, &durante) != Piattaforma::StatoFile::Mancante);
    try {
        ApriMotoreSqlite(archivio, false);
        QFAIL("the archive opened while another program held it");
    } catch (const ErroreApp &e) {
        QCOMPARE(e.numero(), CodiciErrore::ArchivioInUso);
        QVERIFY2(e.descrizione().contains(QStringLiteral("in uso da un altro programma")), qPrintable(e.descrizione()));
    }
}

// A lock file is held while its QLockFile lives, and no longer once it is gone, even where it was
// left empty, as by a process killed before it wrote its PID.
void TstPiattaforma::bloccoTrattenuto()
{
    const QString blocco = QDir(m_cartella).filePath(QStringLiteral(".blocco.lock"));
    {
        QLockFile l(blocco);
        QVERIFY(l.tryLock(0));
        QVERIFY(Piattaforma::FileTrattenuto(blocco));
    }
    scrivi(blocco, QByteArray());
    QVERIFY(!Piattaforma::FileTrattenuto(blocco));
    QVERIFY(!Piattaforma::FileTrattenuto(blocco + QStringLiteral(".manca")));
}

SPESARIO_TEST_MAIN(TstPiattaforma)
#include "tst_piattaforma.moc"
