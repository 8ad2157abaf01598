#include "export/csv.h"
#include "store/archivio.h"
#include "tests/support/ambiente.h"
#include "values/errore.h"

#include <QBuffer>
#include <QStringEncoder>

// The two writers on a known archive, compared byte for byte with the files Excel is given.
class TstCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void campo_data();
    void campo();
    void windows1252_data();
    void windows1252();
    void windows1252ComeIcu();
    void saldi();
    void saldiArchivioVuoto();
    void saldiGrafieDiUnCliente();
    void movimenti();
    void movimentiConOra();
    void movimentiPeriodoRovesciato();
    void avanzamento();
    void avanzamentoMovimenti();
    void scritturaFallita();
    void valoriScrittiDaAltri_data();
    void valoriScrittiDaAltri();
    void saldoOltreIlTipo();

private:
    static void esegui(const QString &sql)
    {
        QVERIFY(EseguiSql(sql));
    }
    static QByteArray saldi(const QDate &d, Csv::Avanzamento a = {})
    {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        Csv::ScriviSaldi(b, Archivio::ConnArchivio(), d, a);
        return b.data();
    }
    static QByteArray movimenti(const QDate &dal, const QDate &al)
    {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        Csv::ScriviMovimenti(b, Archivio::ConnArchivio(), dal, al);
        return b.data();
    }
};

void TstCsv::init()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
}

void TstCsv::campo_data()
{
    QTest::addColumn<QString>("valore");
    QTest::addColumn<QString>("scritto");
    QTest::newRow("semplice") << "Rossi Mario" << "Rossi Mario";
    QTest::newRow("vuoto") << "" << "";
    QTest::newRow("virgola e apostrofo") << "Bar dell'Angolo, snc" << "Bar dell'Angolo, snc";
    QTest::newRow("punto e virgola") << "Alfa; Beta" << "\"Alfa; Beta\"";
    QTest::newRow("virgolette") << "Gamma \"G\"" << "\"Gamma \"\"G\"\"\"";
    QTest::newRow("a capo") << "riga 1\r\nriga 2" << "\"riga 1\r\nriga 2\"";
    QTest::newRow("solo LF") << "a\nb" << "\"a\nb\"";
    QTest::newRow("solo CR") << "a\rb" << "\"a\rb\"";
}

void TstCsv::campo()
{
    QFETCH(QString, valore);
    QFETCH(QString, scritto);
    QCOMPARE(Csv::Campo(valore), scritto);
}

void TstCsv::windows1252_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QByteArray>("byte");
    QTest::newRow("ascii") << "abc;1" << QByteArray("abc;1");
    QTest::newRow("accenti") << QString::fromUtf8("Società Più") << QByteArray("Societ\xe0 Pi\xf9");
    QTest::newRow("euro") << QString::fromUtf8("€ 5") << QByteArray("\x80 5");
    QTest::newRow("virgolette tipografiche") << QString::fromUtf8("“x” – y") << QByteArray("\x93x\x94 \x96 y");
    QTest::newRow("omega") << QString::fromUtf8("aΩb") << QByteArray("a?b");
    QTest::newRow("emoji un solo ?") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    QTest::newRow("dopo un errore") << QString::fromUtf8("Ωà") << QByteArray("?\xe0");
    QTest::newRow("SUB resta SUB") << QString(QChar(0x1a)) + QString::fromUtf8("Ω") << QByteArray("\x1a?");
}

void TstCsv::windows1252()
{
    QFETCH(QString, testo);
    QFETCH(QByteArray, byte);
    QCOMPARE(Csv::Windows1252(testo), byte);
    // The converter is shared: an earlier failure must not spoil the next text.
    QCOMPARE(Csv::Windows1252(QStringLiteral("ok")), QByteArray("ok"));
}

void TstCsv::windows1252ComeIcu()
{
    // Every character of the first 65,536 as ICU's converter writes it, where Qt has ICU (Linux);
    // ICU's byte for a character it cannot hold is 0x1A.
    QStringEncoder icu("windows-1252");
    if (!icu.isValid())
        QSKIP("Qt here has no ICU converter to compare with (Windows)");
    for (char32_t u = 0; u < 0x10000; ++u) {
        const QChar c{char16_t(u)};
        if (c.isSurrogate())
            continue;
        QByteArray atteso = icu.encode(QStringView(&c, 1));
        if (atteso == "\x1a" && u != 0x1a)
            atteso = "?";
        QVERIFY2(Csv::Windows1252(QString(c)) == atteso, qPrintable(QString::number(u, 16)));
    }
    // Beyond them, a pair of surrogates is one character: one "?", or nothing for an invisible one.
    const QString oltre = QString::fromUcs4(U"a\U0001F600b\U000E0001c");
    QCOMPARE(Csv::Windows1252(oltre), QByteArray(icu.encode(oltre)).replace('\x1a', '?'));
}

void TstCsv::saldi()
{
    // Rossi: 1500,50 in, 250 out on the reference day, 1000 out the day after.
    InserisciRiga("2026-03-01", "acconto", "1500,50", "0", "Rossi Mario", "RSSMRA80A01H501U", "12345678901", 1);
    InserisciRiga("2026-03-05", "bollo", "0", "250", "Rossi Mario", "RSSMRA80A01H501U", "12345678901", 1);
    InserisciRiga("2026-03-06", "dopo", "0", "1000", "Rossi Mario", "RSSMRA80A01H501U", "12345678901", 1);
    InserisciRiga("2026-01-10", "", "300", "0", "Bianchi", "BNCLGU70B02F205X", "", 2);
    InserisciRiga("2026-02-10", "", "0", "12,25", "Verdi", "", "98765432109", 3);
    InserisciRiga("2026-02-11", "", "100", "0", "Neri", "NRE", "", 4);  // balances out: left out
    InserisciRiga("2026-02-12", "", "0", "100", "Neri", "NRE", "", 4);
    InserisciRiga("2026-02-13", "", "50", "0", "", "XXXCF", "", 5);
    InserisciRiga("2026-02-14", "", "1", "0", QString::fromUtf8("Società Più"), "", "", 6);
    InserisciRiga("2026-02-15", "", "2", "0", "Alfa; Beta", "", "", 7);
    InserisciRiga("2026-02-16", "", "3", "0", "Gamma \"G\"", "", "", 8);
    const QByteArray atteso = "Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\n"
                              ";XXXCF;;50\r\n"
                              "\"Alfa; Beta\";;;2\r\n"
                              "Bianchi;BNCLGU70B02F205X;;300\r\n"
                              "\"Gamma \"\"G\"\"\";;;3\r\n"
                              "Rossi Mario;RSSMRA80A01H501U;12345678901;1250,5\r\n"
                              "Societ\xe0 Pi\xf9;;;1\r\n"
                              "Verdi;;98765432109;-12,25\r\n";
    QCOMPARE(saldi(QDate(2026, 3, 5)), atteso);
    // Before every movement: the header alone.
    QCOMPARE(saldi(QDate(2025, 12, 31)), QByteArray("Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\n"));
}

void TstCsv::saldiGrafieDiUnCliente()
{
    // Rows of one client whose names differ in the case of an accented letter are one line, placed
    // in the Italian order: "Àlfa" among the A's, not after "Zeta". Another client of the same name
    // keeps its own line, and one whose spellings balance out has none.
    InserisciRiga("2026-01-01", "", "10", "0", "SOCIETÀ ANTICA", "SCTNTC", "111", 1);
    InserisciRiga("2026-01-02", "", "5", "0", "Società Antica", "sctntc", "111", 1);
    InserisciRiga("2026-01-03", "", "1", "0", "Società Antica", "ALTRO", "999", 9);
    InserisciRiga("2026-01-04", "", "2", "0", "Zeta", "", "", 2);
    InserisciRiga("2026-01-05", "", "3", "0", "Àlfa Servizi", "", "", 3);
    InserisciRiga("2026-01-06", "", "4", "0", "amico", "", "", 4);
    InserisciRiga("2026-01-07", "", "6", "0", "alfa bis", "", "", 5);
    InserisciRiga("2026-01-08", "", "7", "0", "PERCHÉ", "", "", 6);
    InserisciRiga("2026-01-09", "", "0", "7", "perché", "", "", 6);
    InserisciRiga("2026-01-10", "", "8", "0", "Èdile", "", "", 7);
    InserisciRiga("2026-01-11", "", "9", "0", "Edile", "", "", 8);  // without the accent: another client
    qint64 totale = -1, righe = 0;
    const QList<QByteArray> linee =
        saldi(QDate(2026, 1, 31), {[&](qint64 n) { totale = n; }, [&] { ++righe; }}).split('\n');
    QCOMPARE(linee.size(), 10);
    QCOMPARE(linee.mid(1, 3), QList<QByteArray>({"alfa bis;;;6\r", "\xc0lfa Servizi;;;3\r", "amico;;;4\r"}));
    QCOMPARE(linee.mid(4, 2), QList<QByteArray>({"Edile;;;9\r", "\xc8" "dile;;;8\r"}));
    // The two lines of the same name in either order; the merged one in either spelling.
    QList<QByteArray> societa = linee.mid(6, 2);
    if (societa.at(0).endsWith(";1\r"))
        std::swap(societa[0], societa[1]);
    QVERIFY2(societa.at(0) == "SOCIET\xc0 ANTICA;SCTNTC;111;15\r" ||
                 societa.at(0) == "Societ\xe0 Antica;sctntc;111;15\r",
             societa.at(0).constData());
    QCOMPARE(societa.at(1), QByteArray("Societ\xe0 Antica;ALTRO;999;1\r"));
    QCOMPARE(linee.at(8), QByteArray("Zeta;;;2\r"));
    // The progress bar counts every row the engine returned (fewer where the engine itself folds
    // the case of accented letters), and reaches its end.
    QVERIFY(totale >= 8 && totale <= 11);
    QCOMPARE(righe, totale);
}

void TstCsv::saldiArchivioVuoto()
{
    QCOMPARE(saldi(QDate(2026, 3, 5)), QByteArray("Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\n"));
}

void TstCsv::movimenti()
{
    InserisciRiga("2026-02-28", "prima", "5", "0", "Rossi", "", "", 1);
    InserisciRiga("2026-03-01", "primo giorno", "100", "0", "Rossi", "RSS", "123", 1);
    esegui("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, "
           "CODICEANA) VALUES ('2026-03-02', NULL, 0, 125000, NULL, 'CF', '', 2)");
    InserisciRiga("2026-03-03", "con la X", "0", "1", "X", "", "", 2);
    InserisciRiga("2026-03-04", QString::fromUtf8("€ 12 al Caffè"), "0", "12,25", QString::fromUtf8("Perù"), "", "", 3);
    InserisciRiga("2026-03-04", "bolli; marche", "0", "1", "Rossi", "", "", 1);
    InserisciRiga("2026-03-05", "riga 1\nriga 2", "0", "2", "Rossi", "", "", 1);
    // Every letter of U+00A0 to U+00FF the same byte; a Greek letter the encoder's; amounts with
    // decimals, negative, and the largest that the type holds.
    InserisciRiga("2026-03-05", QString::fromUtf8("\u00a0àèìòù ÀÈ ç ß ¿ ÿ"), "-1234,0005", "0,05",
                  QString::fromUtf8("Società Ωmega"), "", "", 4);
    esegui("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, "
           "CODICEANA) VALUES ('2026-03-05', 'estremi', 9223372036854775807, -9223372036854775807, 'Z', '', '', 5)");
    InserisciRiga("2026-03-06", "dopo", "7", "0", "Rossi", "", "", 1);
    const QByteArray atteso =
        "Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n"
        "01/03/2026;primo giorno;100;0;Rossi;RSS;123\r\n"
        "02/03/2026;;0;12,5;;CF;\r\n"
        "03/03/2026;con la X;0;1;X;;\r\n"
        "04/03/2026;\x80 12 al Caff\xe8;0;12,25;Per\xf9;;\r\n"
        "04/03/2026;\"bolli; marche\";0;1;Rossi;;\r\n"
        "05/03/2026;\"riga 1\nriga 2\";0;2;Rossi;;\r\n"
        "05/03/2026;\xa0\xe0\xe8\xec\xf2\xf9 \xc0\xc8 \xe7 \xdf \xbf \xff;-1234,0005;0,05;Societ\xe0 ?mega;;\r\n"
        "05/03/2026;estremi;922337203685477,5807;-922337203685477,5807;Z;;\r\n";
    QCOMPARE(movimenti(QDate(2026, 3, 1), QDate(2026, 3, 5)), atteso);
}

void TstCsv::movimentiConOra()
{
    SOLO_SQLITE("only SQLite's text column can hold a time of day; the server's date column cannot");
    esegui("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, "
           "CODICEANA) VALUES ('2026-03-03 14:30:00', 'con ora', 0, 10000, 'X', '', '', 2)");
    // No day this program wrote: the export stops and names it, rather than guess the day.
    try {
        movimenti(QDate(2026, 3, 1), QDate(2026, 3, 5));
        QFAIL("a time of day in DATAOP must stop the export");
    } catch (const ErroreApp &e) {
        QVERIFY2(e.descrizione().contains(QStringLiteral("campo DATAOP")), qPrintable(e.descrizione()));
    }
}

void TstCsv::movimentiPeriodoRovesciato()
{
    InserisciRiga("2026-03-03", "x", "5", "0", "Rossi", "", "", 1);
    const QByteArray intestazione =
        "Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA\r\n";
    QCOMPARE(movimenti(QDate(2026, 3, 5), QDate(2026, 3, 1)), intestazione);
    QCOMPARE(movimenti(QDate(2026, 4, 1), QDate(2026, 4, 30)), intestazione);
}

void TstCsv::avanzamento()
{
    // Every row read counts, written or not; the total comes before the first row.
    InserisciRiga("2026-01-01", "", "5", "0", "A", "", "", 1);
    InserisciRiga("2026-01-01", "", "5", "5", "B", "", "", 2);
    InserisciRiga("2026-01-01", "", "0", "5", "C", "", "", 3);
    qint64 totale = -1, righe = 0;
    Csv::Avanzamento a;
    a.totale = [&](qint64 n) {
        QCOMPARE(righe, 0);
        totale = n;
    };
    a.riga = [&] { ++righe; };
    const QByteArray file = saldi(QDate(2026, 1, 1), a);
    QCOMPARE(totale, 3);
    QCOMPARE(righe, 3);
    QCOMPARE(file.count("\r\n"), 3);
}

void TstCsv::avanzamentoMovimenti()
{
    // Without counting the rows first, the bar still moves with the walk whichever order the engine
    // gives them in (here the IDs run against the days), and its steps add up to the total, which
    // comes first; a period without rows takes them all at its end.
    Csv::Avanzamento a;
    qint64 totale = -1, passi = 0, passiAlPrimoBlocco = -1;
    QBuffer b;
    a.totale = [&](qint64 n) {
        QCOMPARE(passi, 0);
        totale = n;
    };
    a.riga = [&] {
        ++passi;
        if (b.size() > 200 && passiAlPrimoBlocco < 0)
            passiAlPrimoBlocco = passi - 1;
    };
    b.open(QIODevice::WriteOnly);
    Csv::ScriviMovimenti(b, Archivio::ConnArchivio(), QDate(2026, 1, 1), QDate(2026, 12, 31), a);
    QVERIFY(totale > 0);
    QCOMPARE(passi, totale);

    // 4,000 lines of 26 bytes: the first 64 KB block goes out after 2,521 rows, 63% of the walk.
    const QDate primo(2016, 1, 1);
    Archivio::ConnArchivio().Transazione([&] {
        for (int i = 0; i < 4000; ++i)
            InserisciRiga(DataArchivio(primo.addDays(3999 - i)), "x", "1", "0", "Rossi", "", "", 1);
    });
    b.close();
    b.setData(QByteArray());
    b.open(QIODevice::WriteOnly);
    passi = 0;
    QCOMPARE(Csv::ScriviMovimenti(b, Archivio::ConnArchivio(), primo, primo.addDays(3999), a), 4000);
    QCOMPARE(passi, totale);
    QVERIFY2(passiAlPrimoBlocco >= totale * 45 / 100 && passiAlPrimoBlocco <= totale * 63 / 100,
             qPrintable(QString::number(passiAlPrimoBlocco)));
}

void TstCsv::scritturaFallita()
{
    InserisciRiga("2026-01-01", "", "5", "0", "A", "", "", 1);
    QBuffer b;  // never opened for writing: every write fails
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
    try {
        Csv::ScriviMovimenti(b, Archivio::ConnArchivio(), QDate(2026, 1, 1), QDate(2026, 1, 1));
        QFAIL("a failed write must not pass as written");
    } catch (const ErroreApp &e) {
        QCOMPARE(e.numero(), CodiciErrore::FileNonScritto);
    }
}

// A value another program wrote that the exports cannot read as its column's kind stops them as a
// whole, with the row's ID and field named: never a line left out, placed elsewhere or misread.
void TstCsv::valoriScrittiDaAltri_data()
{
    QTest::addColumn<QString>("dataop");
    QTest::addColumn<QString>("entrata");
    QTest::addColumn<QString>("uscita");
    QTest::addColumn<QString>("campo");   // named in the failure of the balances export
    QTest::addColumn<QString>("campoMovimenti");  // of the movements export; empty when it writes
    QTest::newRow("data con l'ora, ultimo giorno") << "'2026-03-31 10:00:00'" << "0" << "10000" << "DATAOP" << "DATAOP";
    QTest::newRow("data giorno/mese, fuori periodo") << "'05/03/2026'" << "0" << "10000" << "DATAOP" << "DATAOP";
    QTest::newRow("entrata testo") << "'2026-03-10'" << "'12,50'" << "0" << "ENTRATA" << "ENTRATA";
    QTest::newRow("uscita decimale") << "'2026-03-10'" << "0" << "2.5" << "USCITA" << "USCITA";
    QTest::newRow("uscita nulla") << "'2026-03-10'" << "50000" << "NULL" << "USCITA" << "";
    QTest::newRow("importo testo dopo il giorno") << "'2026-04-10'" << "'x'" << "0" << "" << "";
    // Each kind named at the first attempt, not one per attempt.
    QTest::newRow("data e importo") << "'2026-03-10 10:00:00'" << "'x'" << "0" << "DATAOP ENTRATA"
                                    << "DATAOP ENTRATA";
}

void TstCsv::valoriScrittiDaAltri()
{
    QFETCH(QString, dataop);
    QFETCH(QString, entrata);
    QFETCH(QString, uscita);
    QFETCH(QString, campo);
    QFETCH(QString, campoMovimenti);
    SOLO_SQLITE("only SQLite keeps a value of another kind than its column's");
    InserisciRiga("2026-03-01", "", "0", "30", "Rossi", "RSS", "", 1);
    // The table is rebuilt without its NOT NULL constraints, as another program might have done.
    if (uscita == QLatin1String("NULL")) {
        esegui("CREATE TABLE COPIA AS SELECT * FROM ANTICIPI");
        esegui("DROP TABLE ANTICIPI");
        esegui("CREATE TABLE ANTICIPI (ID INTEGER PRIMARY KEY AUTOINCREMENT, DATAOP TEXT, DESCRIZIONE TEXT, ENTRATA "
               "INTEGER, USCITA INTEGER, RAGIONESOCIALE TEXT COLLATE NOCASE, CODICEFISCALE TEXT COLLATE NOCASE, "
               "PARTITAIVA TEXT COLLATE NOCASE, CODICEANA INTEGER)");
        esegui("INSERT INTO ANTICIPI SELECT * FROM COPIA");
        esegui("DROP TABLE COPIA");
    }
    esegui(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                          "PARTITAIVA, CODICEANA) VALUES (%1, 'altrui', %2, %3, 'Rossi', 'RSS', '', 1)")
               .arg(dataop, entrata, uscita));
    const qint64 id = ValoreSql(QStringLiteral("SELECT MAX(ID) FROM ANTICIPI")).toLongLong();
    auto verifica = [&](const std::function<QByteArray()> &esporta, const QString &nominato) {
        try {
            const QByteArray file = esporta();
            QVERIFY2(nominato.isEmpty(), file.constData());
        } catch (const ErroreApp &e) {
            QVERIFY2(!nominato.isEmpty(), qPrintable(e.descrizione()));
            for (const QString &c : nominato.split(QLatin1Char(' ')))
                QVERIFY2(e.descrizione().contains(QStringLiteral("ID %1, campo %2").arg(id).arg(c)),
                         qPrintable(e.descrizione()));
            QVERIFY2(e.descrizione().contains(QStringLiteral("il file non è stato scritto")), qPrintable(e.descrizione()));
        }
    };
    verifica([] { return saldi(QDate(2026, 3, 31)); }, campo);
    verifica([] { return movimenti(QDate(2026, 3, 1), QDate(2026, 3, 31)); }, campoMovimenti);

    // An archive from before the indexes of such rows, the value already in it: opening it makes
    // them from what is there, and the checks that read them still find the row.
    esegui("DROP INDEX IF EXISTS IX_ANTICIPI_DATE_NON_VALIDE");
    esegui("DROP INDEX IF EXISTS IX_ANTICIPI_IMPORTI_NON_VALIDI");
    Ambiente::corrente().riapriArchivio();
    QCOMPARE(ValoreSql("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'IX_ANTICIPI_%_NON_VALID_'").toInt(), 2);
    verifica([] { return saldi(QDate(2026, 3, 31)); }, campo);
    verifica([] { return movimenti(QDate(2026, 3, 1), QDate(2026, 3, 31)); }, campoMovimenti);
    QCOMPARE(IntegritaArchivio(), QStringLiteral("ok"));
}

// A balance the engine cannot sum (amounts another program wrote, past what the currency holds) is
// reported in Italian with the client's name and code, never as the engine's own text.
void TstCsv::saldoOltreIlTipo()
{
    SOLO_SQLITE("the server sums bigint into numeric, which does not overflow");
    InserisciRiga("2026-03-01", "", "5", "0", "Bianchi", "BNC", "", 1);
    for (const char *importo : {"9000000000000000000", "9000000000000000000", "-9000000000000000000"}) {
        esegui(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                              "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES ('2026-03-02', 'altrui', %1, 0, 'Verdi "
                              "Srl', 'VRD', '', 2)")
                   .arg(QLatin1String(importo)));
    }
    for (const QString &caso : {QStringLiteral("somma"), QStringLiteral("differenza")}) {
        if (caso == QLatin1String("differenza")) {
            // One row alone: ENTRATA - USCITA past the type, which the engine turns into a fraction.
            esegui("DELETE FROM ANTICIPI WHERE CODICEANA=2");
            esegui("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                   "PARTITAIVA, CODICEANA) VALUES ('2026-03-02', 'altrui', 9000000000000000000, -9000000000000000000, "
                   "'Verdi Srl', 'VRD', '', 2)");
        }
        try {
            saldi(QDate(2026, 3, 31));
            QFAIL("a balance past the type must not be written");
        } catch (const ErroreApp &e) {
            QVERIFY2(e.descrizione().contains(QStringLiteral("Verdi Srl (codice 2)")), qPrintable(e.descrizione()));
            QVERIFY2(!e.descrizione().contains(QStringLiteral("overflow")), qPrintable(e.descrizione()));
        }
    }
    // The smaller page cache of the grouping's sort does not outlive it, even when it fails.
    QCOMPARE(ValoreSql("PRAGMA cache_size").toInt(), -32768);
}

SPESARIO_TEST_MAIN(TstCsv)
#include "tst_csv.moc"
