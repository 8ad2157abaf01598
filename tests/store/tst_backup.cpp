// The daily backup: made once a day when the ledger window loads, the newest thirty kept, a failure
// logged once while the user works on, and a copy that opens as the same archive.
#include "ledger/frmAnticipi.h"
#include "store/backup.h"
#include "store/engines/motore.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "tests/support/sistema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString cartellaCopie() { return QDir(Ambiente::corrente().cartellaArchivio()).filePath(QStringLiteral("backup")); }

QStringList copie() { return QDir(cartellaCopie()).entryList({QStringLiteral("archivio-*")}, QDir::Files, QDir::Name); }

// An archive of `n` movements of a few clients, closed again so that the window opens it itself.
void archivioConMovimenti(int n)
{
    Ambiente::corrente().apriArchivioNuovo();
    Archivio::ConnArchivio().Transazione([n] {
        for (int i = 0; i < n; ++i)
            InserisciRiga(QStringLiteral("2026-%1-%2").arg(i % 12 + 1, 2, 10, QLatin1Char('0')).arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                          i % 7 ? QStringLiteral("Spesa n. %1 dell'ufficio «più» € %2").arg(i).arg(QString(i % 50, QLatin1Char('x')))
                                : QString(),
                          i % 3 ? QStringLiteral("0") : QStringLiteral("12,3456"), QStringLiteral("%1,5").arg(i),
                          QStringLiteral("Cliente %1").arg(i % 40), QStringLiteral("CF%1").arg(i % 40), QString(),
                          i % 40 + 1);
    });
    Archivio::Rilascia();
}

void aspettaCopia() { QTRY_VERIFY_WITH_TIMEOUT(!CopiaGiornaliera::InCorso(), 60000); }

// Until the running copy has made `turni` turns, counted turn by turn: at QTRY's pace a whole copy
// fitted between two looks on a loaded machine. A finished copy's measures (an earlier test's) have
// their total time, a running one's not yet.
void aspettaTurni(int turni)
{
    QElapsedTimer attesa;
    attesa.start();
    const auto fatti = [turni] {
        const CopiaGiornaliera::Misure m = CopiaGiornaliera::UltimeMisure();
        return CopiaGiornaliera::InCorso() && m.totaleMs == 0 && m.turni >= turni;
    };
    while (!fatti() && attesa.elapsed() < 30000)
        QCoreApplication::processEvents();
}

// Every row of an archive, every column as text: what a copy must hold the same.
QStringList righe(Motore &m)
{
    QStringList r;
    auto c = m.Query(QStringLiteral("SELECT * FROM ANTICIPI ORDER BY ID"));
    while (c->Avanza()) {
        QStringList campi;
        for (int i = 0; i < c->Nomi().size(); ++i)
            campi << (c->Nullo(i) ? QStringLiteral("<null>") : c->Valore(i).toString());
        r << campi.join(QLatin1Char('|'));
    }
    return r;
}

} // namespace

class TstBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void unaCopiaAlGiorno();
    void copiaUgualeAllArchivio();
    void trentaTenute();
    void copiaNelFuturo();
    void copiaNonRiuscita_data();
    void copiaNonRiuscita();
    void chiusuraDuranteLaCopia();
};

void TstBackup::init()
{
    Ambiente::corrente().azzera();
    CopiaGiornaliera::ImpostaAttiva(true);
    CopiaGiornaliera::ImpostaRitardo(0);
    CopiaGiornaliera::ImpostaPasso(64, 10);
    CopiaGiornaliera::ImpostaOggi([] { return QDate(2026, 12, 8); });
}

void TstBackup::cleanup()
{
    ChiudiFinestre();
    aspettaCopia();
    CopiaGiornaliera::ImpostaAttiva(false);
    CopiaGiornaliera::ImpostaOggi({});
}

void TstBackup::unaCopiaAlGiorno()
{
    archivioConMovimenti(200);
    ApriRegistro();
    aspettaCopia();
    QCOMPARE(copie(), QStringList{QStringLiteral("archivio-2026-12-08.mdb")});
    const QString copia = QDir(cartellaCopie()).filePath(copie().first());
    const QDateTime fatta = QFileInfo(copia).lastModified();

    // Opened again the same day: no second copy, the first untouched.
    ChiudiFinestre();
    ApriRegistro();
    QVERIFY(!CopiaGiornaliera::InCorso());
    QCOMPARE(copie().size(), 1);
    QCOMPARE(QFileInfo(copia).lastModified(), fatta);

    // The next day: a new copy beside it.
    ChiudiFinestre();
    CopiaGiornaliera::ImpostaOggi([] { return QDate(2026, 12, 9); });
    ApriRegistro();
    aspettaCopia();
    QCOMPARE(copie(), (QStringList{QStringLiteral("archivio-2026-12-08.mdb"), QStringLiteral("archivio-2026-12-09.mdb")}));
    QCOMPARE(Ambiente::corrente().righeLog(), QString());
}

void TstBackup::copiaUgualeAllArchivio()
{
    archivioConMovimenti(3000);
    // One page per turn: the copy takes many turns, and a movement is saved half-way through it.
    CopiaGiornaliera::ImpostaPasso(1, 0);
    frmAnticipi *f = ApriRegistro();
    aspettaTurni(5);
    QVERIFY(CopiaGiornaliera::InCorso());
    InserisciRiga(QStringLiteral("2026-12-08"), QStringLiteral("Salvato durante la copia"), QStringLiteral("0"),
                  QStringLiteral("99,99"), QStringLiteral("Cliente nuovo"), QStringLiteral("NUOVO"), QString(), 41);
    aspettaCopia();
    QVERIFY(CopiaGiornaliera::UltimeMisure().turni > 20);
    f->close();

    const QString file = QDir(cartellaCopie()).filePath(QStringLiteral("archivio-2026-12-08.mdb"));
    QCOMPARE(copie(), QStringList{QFileInfo(file).fileName()});
    auto archivio = ApriMotoreSqlite(QDir(Ambiente::corrente().cartellaArchivio()).filePath(NomeFileArchivio), false);
    auto copia = ApriMotoreSqlite(file, false);  // refused if it were not a whole archive
    auto integrita = copia->Query(QStringLiteral("PRAGMA integrity_check"));
    QVERIFY(integrita->Avanza());
    QCOMPARE(integrita->Valore(0).toString(), QStringLiteral("ok"));
    const QStringList attese = righe(*archivio);
    QCOMPARE(attese.size(), 3001);
    QVERIFY(attese.last().contains(QStringLiteral("Salvato durante la copia")));
    QCOMPARE(righe(*copia), attese);
}

void TstBackup::trentaTenute()
{
    archivioConMovimenti(10);
    QDir().mkpath(cartellaCopie());
    const QDir dir(cartellaCopie());
    auto crea = [&](const QString &nome) {
        QFile f(dir.filePath(nome));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("copia");
    };
    // 34 older copies, one a day up to yesterday; then files that are not copies of the program.
    for (int i = 1; i <= 34; ++i)
        crea(CopiaGiornaliera::NomeFile(QDate(2026, 12, 8).addDays(-i)));
    const QStringList estranei = {QStringLiteral("appunti.txt"), QStringLiteral("archivio-vecchio.mdb"),
                                  QStringLiteral("archivio-2020-02-30.mdb"), QStringLiteral("archivio-2001-01-01.mdb.bak")};
    for (const QString &n : estranei)
        crea(n);
    // A temporary file left by a copy cut short long ago goes; a fresh one (another desk's) stays.
    crea(QStringLiteral("archivio-2026-11-01.mdb.parziale-4242"));
    {
        QFile vecchio(dir.filePath(QStringLiteral("archivio-2026-11-01.mdb.parziale-4242")));
        QVERIFY(vecchio.open(QIODevice::ReadWrite));
        QVERIFY(vecchio.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime));
    }
    crea(QStringLiteral("archivio-2026-12-08.mdb.parziale-4343"));

    ApriRegistro();
    aspettaCopia();
    QStringList attese;
    for (int i = 0; i < CopiaGiornaliera::CopieTenute; ++i)
        attese << CopiaGiornaliera::NomeFile(QDate(2026, 12, 8).addDays(-i));
    attese << estranei << QStringLiteral("archivio-2026-12-08.mdb.parziale-4343");
    attese.sort();
    QStringList trovate = dir.entryList(QDir::Files);
    trovate.sort();
    QCOMPARE(trovate, attese);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("archivio-2026-12-08.mdb"))).size() > 5);
}

// A backup dated in the future (the clock was wrong once) neither stops the daily backups nor stays
// forever: it counts as the oldest, and it is logged with the day's backup, not at every start.
void TstBackup::copiaNelFuturo()
{
    archivioConMovimenti(10);
    QDir().mkpath(cartellaCopie());
    QFile futura(QDir(cartellaCopie()).filePath(QStringLiteral("archivio-2027-01-15.mdb")));
    QVERIFY(futura.open(QIODevice::WriteOnly) && futura.write("copia") == 5);
    futura.close();
    ApriRegistro();
    aspettaCopia();
    QCOMPARE(copie(), (QStringList{QStringLiteral("archivio-2026-12-08.mdb"), QStringLiteral("archivio-2027-01-15.mdb")}));
    const QString log = Ambiente::corrente().righeLog();
    QVERIFY2(log.count(QStringLiteral("\r\n")) == 1 && log.contains(QStringLiteral("archivio-2027-01-15.mdb")), qPrintable(log));
    ChiudiFinestre();
    ApriRegistro();
    QVERIFY(!CopiaGiornaliera::InCorso());
    QCOMPARE(Ambiente::corrente().righeLog(), log);

    // Thirty days on, the thirty real backups are kept and the one from the future has gone.
    for (int i = 1; i <= 30; ++i) {
        ChiudiFinestre();
        CopiaGiornaliera::ImpostaOggi([i] { return QDate(2026, 12, 8).addDays(i); });
        ApriRegistro();
        aspettaCopia();
    }
    QCOMPARE(copie().size(), CopiaGiornaliera::CopieTenute);
    QCOMPARE(copie().last(), CopiaGiornaliera::NomeFile(QDate(2027, 1, 7)));
}

void TstBackup::copiaNonRiuscita_data()
{
    QTest::addColumn<bool>("discoPieno");
    QTest::newRow("cartella backup impossibile da creare") << false;
    QTest::newRow("disco pieno a metà copia") << true;
}

void TstBackup::copiaNonRiuscita()
{
    QFETCH(bool, discoPieno);
    if (discoPieno && !DiscoPieno::Possibile())
        QSKIP(SENZA_DISCO_PIENO);
    archivioConMovimenti(3000);
    std::unique_ptr<DiscoPieno> limite;
    if (discoPieno) {
        QDir().mkpath(cartellaCopie());
        limite = std::make_unique<DiscoPieno>(QFileInfo(QDir(Ambiente::corrente().cartellaArchivio())
                                                            .filePath(NomeFileArchivio)).size() / 2);
    } else {
        QFile blocco(cartellaCopie());  // a file where the folder should be: fails even for root
        QVERIFY(blocco.open(QIODevice::WriteOnly));
    }
    frmAnticipi *f = ApriRegistro();
    aspettaCopia();
    limite.reset();

    // Logged once, never asked: the user saw nothing.
    const QStringList log = Ambiente::corrente().righeLog().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.first().contains(QStringLiteral("Copia di sicurezza dell'archivio non riuscita")), qPrintable(log.first()));
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
    // No half copy under any name.
    if (discoPieno)
        QCOMPARE(QDir(cartellaCopie()).entryList(QDir::Files), QStringList());

    // The work goes on: a movement saved from the window.
    f->txtDenominazione->setText(QStringLiteral("Cliente 1"));
    f->txtCF->setText(QStringLiteral("CF1"));
    f->txtCodiceana->setText(QStringLiteral("2"));
    f->txtUscite->setText(QStringLiteral("10,00"));
    f->txtDescrizione->setPlainText(QStringLiteral("Dopo la copia non riuscita"));
    f->Comando_Salva();
    QVERIFY(f->UltimoSalvataggioRiuscito());
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 3001);
    QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());

    // Once the fault has gone, the next start makes the day's copy.
    ChiudiFinestre();
    if (!discoPieno)
        QFile::remove(cartellaCopie());
    ApriRegistro();
    aspettaCopia();
    QCOMPARE(copie(), QStringList{QStringLiteral("archivio-2026-12-08.mdb")});
}

void TstBackup::chiusuraDuranteLaCopia()
{
    archivioConMovimenti(3000);
    CopiaGiornaliera::ImpostaPasso(1, 0);
    ApriRegistro();
    aspettaTurni(3);
    QVERIFY(CopiaGiornaliera::InCorso());
    QVERIFY(CopiaGiornaliera::UltimeMisure().turni < CopiaGiornaliera::UltimeMisure().pagine);
    // The window closes, and the archive with it, half-way through the copy: nothing is left
    // behind and nothing is logged.
    ChiudiFinestre();
    aspettaCopia();
    QCOMPARE(QDir(cartellaCopie()).entryList(QDir::Files), QStringList());
    QCOMPARE(Ambiente::corrente().righeLog(), QString());
    QCOMPARE(Archivio::Stato(), StatoConnessione::Assente);
}

SPESARIO_TEST_MAIN(TstBackup)
#include "tst_backup.moc"
