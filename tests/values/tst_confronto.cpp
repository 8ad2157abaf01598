// The rule by which client texts compare, and an archive written by the sqlite3 shell with names in
// mixed case, read by the program and still read by the shell afterwards.
#include "clients/identificazione.h"
#include "export/csv.h"
#include "ledger/frmAnticipi.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "values/confronto.h"
#include "widgets/reportcontrol.h"

#include <QBuffer>
#include <QDir>
#include <QLineEdit>
#include <QProcess>

namespace {

// Runs the sqlite3 shell on the file with nothing loaded; returns what it printed.
QString Shell(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file, sql});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("errore: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Equal but for the case of ASCII letters: how the archive's columns compare.
bool UgualiSalvoAscii(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x != y && !(x < 0x80 && y < 0x80 && QChar::toLower(x) == QChar::toLower(y)))
            return false;
    }
    return true;
}

} // namespace

class TstConfronto : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void uguali_data();
    void uguali();
    void grafie_data();
    void grafie();
    void ordine();
    void archivioDelloShell();
};

void TstConfronto::init() { Ambiente::corrente().azzera(); }

void TstConfronto::cleanup()
{
    ChiudiFinestre();
    QVERIFY(NessunaAttesa());
}

void TstConfronto::uguali_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("uguali");
    QTest::newRow("maiuscole accentate") << "SOCIETÀ ANTICA" << "Società Antica" << true;
    QTest::newRow("tutto minuscolo") << "società antica" << "SOCIETÀ ANTICA" << true;
    QTest::newRow("l'accento conta") << "Societa Antica" << "Società Antica" << false;
    QTest::newRow("grave e acuto") << "PERCHÈ" << "perché" << false;
    QTest::newRow("apostrofo") << "L'ÀRTE" << "l'àrte" << true;
    QTest::newRow("sigma finale") << "ΟΔΟΣ" << "οδος" << true;
    QTest::newRow("fuori dal piano base") << "\U00010400" << "\U00010428" << true;  // Deseret
    QTest::newRow("s lunga non e una s") << "ſ" << "s" << false;
    QTest::newRow("lunghezze diverse") << "Àlfa" << "Àlfa " << false;
}

void TstConfronto::uguali()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, uguali);
    QCOMPARE(Confronto::Uguali(a, b), uguali);
    // Every spelling the lookup asks for is the same text, and the other text is among them
    // exactly when the two are the same (once ASCII case, which the archive folds, is set aside).
    const QStringList grafie = Confronto::Grafie(a, 1000);
    QVERIFY(!grafie.isEmpty());
    bool trovata = false;
    for (const QString &g : grafie) {
        QVERIFY2(Confronto::Uguali(g, a), qPrintable(g));
        trovata = trovata || UgualiSalvoAscii(g, b);
    }
    QCOMPARE(trovata, uguali);
}

void TstConfronto::grafie_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<int>("massimo");
    QTest::addColumn<QStringList>("attese");
    QTest::newRow("solo ASCII") << "Rossi S.r.l." << 256 << QStringList{"Rossi S.r.l."};
    QTest::newRow("una lettera accentata") << "Più" << 256 << QStringList{"Più", "PiÙ"};
    QTest::newRow("due") << "ÈÒ" << 256 << QStringList{"ÈÒ", "Èò", "èÒ", "èò"};
    QTest::newRow("tre forme del sigma") << "Σ" << 256 << QStringList{"Σ", "σ", "ς"};
    QTest::newRow("oltre il massimo") << "ÀÈÌÒÙ" << 31 << QStringList{};
    QTest::newRow("al massimo") << "ÀÈÌÒÙ" << 32 << QStringList{};  // checked by count below
    QTest::newRow("vuoto") << "" << 256 << QStringList{""};
}

void TstConfronto::grafie()
{
    QFETCH(QString, testo);
    QFETCH(int, massimo);
    QFETCH(QStringList, attese);
    const QStringList grafie = Confronto::Grafie(testo, massimo);
    if (QByteArray(QTest::currentDataTag()) == "al massimo") {
        QCOMPARE(grafie.size(), 32);
        QCOMPARE(grafie.first(), testo);
        QCOMPARE(QSet<QString>(grafie.begin(), grafie.end()).size(), 32);
        return;
    }
    QCOMPARE(QSet<QString>(grafie.begin(), grafie.end()), QSet<QString>(attese.begin(), attese.end()));
    if (!grafie.isEmpty())
        QCOMPARE(grafie.first(), testo);
}

void TstConfronto::ordine()
{
    // Italian order, case not mattering: an accented initial stands beside its plain letter.
    QStringList nomi{"Zeta", "Àlfa Servizi", "beta", "Amico", "alfa bis", "Èdile", "Elba", "edicola"};
    std::sort(nomi.begin(), nomi.end(), [](const QString &a, const QString &b) { return Confronto::Ordine(a, b) < 0; });
    QCOMPARE(nomi, QStringList({"alfa bis", "Àlfa Servizi", "Amico", "beta", "edicola", "Èdile", "Elba", "Zeta"}));
    QCOMPARE(Confronto::Ordine("SOCIETÀ", "società"), 0);
    QVERIFY(Confronto::Ordine("societa", "società") != 0);
}

void TstConfronto::archivioDelloShell()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("sqlite3 non installato");
    // An archive as a person makes it with the shell: the table only, no index, names in mixed case.
    const QString cartella = Ambiente::corrente().cartella() + QStringLiteral("/shell");
    QDir(cartella).removeRecursively();
    QVERIFY(QDir().mkpath(cartella));
    const QString file = QDir(cartella).filePath(NomeFileArchivio);
    const int anno = QDate::currentDate().year();
    const QString giorno = QStringLiteral("'%1-02-01'").arg(anno);
    QCOMPARE(Shell(file,
                   QStringLiteral(
                       "CREATE TABLE ANTICIPI (ID INTEGER PRIMARY KEY AUTOINCREMENT, DATAOP TEXT NOT NULL, "
                       "DESCRIZIONE TEXT, ENTRATA INTEGER NOT NULL DEFAULT 0, USCITA INTEGER NOT NULL DEFAULT 0, "
                       "RAGIONESOCIALE TEXT COLLATE NOCASE, CODICEFISCALE TEXT COLLATE NOCASE, "
                       "PARTITAIVA TEXT COLLATE NOCASE, CODICEANA INTEGER NOT NULL);"
                       "INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                       "PARTITAIVA, CODICEANA) VALUES "
                       "(%1, 'a', 100000, 0, 'SOCIETÀ ANTICA', 'sctntc', '111', 1),"
                       "(%1, 'b', 50000, 0, 'Società Antica', 'SCTNTC', '111', 1),"
                       "(%1, 'c', 0, 20000, 'zeta', 'ZT', '333', 3),"
                       "(%1, 'd', 70000, 0, 'àlfa servizi', 'LF', '222', 2);")
                       .arg(giorno)),
             QString());
    Impostazioni::Scrivi(Impostazioni::Connessione, cartella);

    frmAnticipi *f = ApriRegistro();
    SpostaFocus(f->txtDenominazione);
    Digita(f->txtDenominazione, QStringLiteral("ÀLFA SERVIZI"));
    QTest::keyClick(f->txtDenominazione, Qt::Key_Tab);
    QCOMPARE(f->txtCodiceana->text(), QStringLiteral("2"));
    QCOMPARE(f->ReportAttivita->NumeroRighe(), 1);

    QBuffer b;
    b.open(QIODevice::WriteOnly);
    Csv::ScriviSaldi(b, Archivio::ConnArchivio(), QDate(anno, 12, 31));
    const QList<QByteArray> righe = b.data().split('\n');
    QCOMPARE(righe.size(), 5);  // header, three clients, the empty text after the last line end
    QCOMPARE(righe.at(1), QByteArray("\xe0lfa servizi;LF;222;7\r"));
    QVERIFY2(righe.at(2).endsWith(";111;15\r") && Confronto::Uguali(QString::fromLatin1(righe.at(2).split(';').first()),
                                                                     QStringLiteral("società antica")),
             righe.at(2).constData());
    QCOMPARE(righe.at(3), QByteArray("zeta;ZT;333;-2\r"));

    // The shell still reads and checks the file the program has opened, with nothing loaded.
    ChiudiFinestre();
    Archivio::Rilascia();
    QCOMPARE(Shell(file, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    QCOMPARE(Shell(file, QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI WHERE RAGIONESOCIALE='ZETA'")),
             QStringLiteral("c"));
    const QString schema = Shell(file, QStringLiteral("SELECT group_concat(sql, ' ') FROM sqlite_master"));
    QVERIFY2(!schema.startsWith(QStringLiteral("errore")), qPrintable(schema));
    QCOMPARE(schema.count(QStringLiteral("COLLATE")), schema.count(QStringLiteral("COLLATE NOCASE")));
}

SPESARIO_TEST_MAIN(TstConfronto)
#include "tst_confronto.moc"
