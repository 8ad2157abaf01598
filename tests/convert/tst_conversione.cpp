// The conversion as a whole: the cases file carried into a new archive field by field, the check
// that catches a target that lost or changed a row, the destinations that must be refused, the
// command line without a display, the swap in the archive folder, and the question of the load step.

#include "convert/archivio_motore.h"
#include "convert/scambio.h"
#include "convert/sorgente_access.h"
#include "ledger/frmAnticipi.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/convert/comune.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "tests/support/sistema.h"

#include <QDir>
#include <QLabel>
#include <QLockFile>
#include <QLineEdit>
#include <QProcess>
#include <memory>

namespace {

// Every file of a folder with its bytes, to tell that a folder stayed as it was.
QMap<QString, QByteArray> contenuto(const QString &cartella)
{
    QMap<QString, QByteArray> r;
    for (const QString &n : QDir(cartella).entryList(QDir::Files | QDir::Hidden))
        r.insert(n, leggi(QDir(cartella).filePath(n)));
    return r;
}

// A target that passes rows on to a real one, changing one on the way: the check must notice.
class DestinazioneGuasta : public DestinazioneArchivio {
public:
    using DestinazioneArchivio::DestinazioneArchivio;
    std::function<bool(RigaAnticipi &)> guasto;  // false: the row is dropped
    bool scartata = false;
    void Scrivi(const RigaAnticipi &riga) override
    {
        RigaAnticipi r = riga;
        if (guasto(r))
            DestinazioneArchivio::Scrivi(r);
    }
    void Scarta() override
    {
        scartata = true;
        DestinazioneArchivio::Scarta();
    }
};

// Rows given by the test itself.
class SorgenteRighe : public SorgenteCopia {
public:
    QVector<RigaAnticipi> righe;
    qint64 RigheAttese() const override { return righe.size(); }
    bool Leggi(RigaAnticipi &riga) override
    {
        if (m_letta >= righe.size())
            return false;
        riga = righe.at(m_letta++);
        return true;
    }

private:
    int m_letta = 0;
};

// The folder of a fresh ledger with casi.mdb as its archivio.mdb, named in the settings.
QString cartellaConAccess(const QByteArray &byte)
{
    Ambiente::corrente().apriArchivioNuovo();
    Archivio::Rilascia();
    const QString c = Ambiente::corrente().cartellaArchivio();
    scrivi(QDir(c).filePath(NomeFileArchivio), byte);
    return c;
}

// The program's command line: exit code, standard output and standard error.
struct Esito {
    int codice = -1;
    QString uscita, errori;
};
Esito RigaDiComando(const QStringList &argomenti, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ESEGUIBILE_SPESARIO), QStringList{QStringLiteral("--copia-archivio")} + argomenti);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TstConversione : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Ambiente::corrente().azzera(); }
    void cleanup() { ChiudiFinestre(); }

    // Every field of every row as the Access source reads it (itself checked against libmdb), the
    // counter above the highest ID, and the summary's figures.
    void copiaCampoPerCampo()
    {
        SOLO_SQLITE("about the archive folder; the server's copy is tried by copiaNellArchivio");
        QTemporaryDir dir;
        const QString dest = dir.filePath(QStringLiteral("nuova/cartella"));
        const RiepilogoCopia r = CopiaInCartella(dati(QStringLiteral("casi.mdb")), dest);
        QCOMPARE(r.movimenti, 16);
        QCOMPARE(r.clienti, 8);
        QCOMPARE(r.idMassimo, 17);
        QCOMPARE(r.conOra, 1);
        QCOMPARE(r.importiNulli, 1);
        QCOMPARE(TestoSomma(r.uscite), QStringLiteral("922.337.206.018,212"));
        QCOMPARE(TestoSomma(r.entrate), QStringLiteral("382,25"));
        QCOMPARE(QDir(dest).entryList(QDir::Files), QStringList{NomeFileArchivio});
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(QDir(dest).filePath(NomeFileArchivio), false)), 16);

        // The ledger opens it, and a new movement never reuses an imported ID.
        Archivio::ConnArchivio().Apri(QDir(dest).filePath(NomeFileArchivio), false);
        QCOMPARE(InserisciRiga(QStringLiteral("2026-01-01"), QStringLiteral("nuovo"), QStringLiteral("1"),
                               QStringLiteral("0"), QStringLiteral("N"), QStringLiteral("N"), QStringLiteral("N"), 99),
                 18);
    }

    void verificaScopreGuasti_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<QString>("testo");
        QTest::newRow("riga persa") << 0 << "manca la riga con ID 7";
        QTest::newRow("importo cambiato") << 1 << "cliente con codice 2";
        QTest::newRow("cliente cambiato") << 2 << "cliente con codice 5";
        QTest::newRow("ID cambiato") << 3 << "la riga con ID 16 non è nell'archivio di origine";
    }

    // A target that loses or changes a row is caught before anything is put in place, and removed.
    void verificaScopreGuasti()
    {
        QFETCH(int, caso);
        QFETCH(QString, testo);
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        SorgenteAccess s(dati(QStringLiteral("casi.mdb")));
        const auto motore = Ambiente::corrente().altraConnessione();
        DestinazioneGuasta d(*motore);
        d.guasto = [caso](RigaAnticipi &r) {
            if (caso == 0 && r.id == 7)
                return false;
            if (caso == 1 && r.id == 7)
                r.entrata += 1;
            if (caso == 2 && r.id == 9)
                r.codiceAna = 77;
            if (caso == 3 && r.id == 17)
                r.id = 16;
            return true;
        };
        const QString e = erroreDi([&] { CopiaArchivio(s, d); });
        QVERIFY2(e.contains(QStringLiteral("Verifica")) && e.contains(testo), qPrintable(e));
        QVERIFY(d.scartata);
        QVERIFY(motore->Vuoto());
    }

    // Texts that the engine's stream of rows must escape (a server's COPY takes tab, newline,
    // carriage return and backslash as its own marks, "\\N" as NULL and "\\." as the end) arrive
    // byte for byte, an empty text stays apart from a missing one, and bytes that are not UTF-8 are
    // carried as a statement's parameter carries them. A NUL, which no text column can hold, stops
    // the copy and leaves the table empty.
    void testiDifficili()
    {
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        const QByteArray difficili[] = {
            "a\tb\nc\rd", QByteArray("\t\n\r\\"), "\\N", "\\.", "\\", "fine\\", "\\\\doppia",
            "virgolette \"doppie\" e 'semplici'", "Società Nicolò & C. S.r.l. – àèéìòù ÀÈ €", "riga\r\nriga\n",
            "\tspazi \t", "", "Ελληνικά \\N\t", QByteArray("non UTF-8 \xe0 qui"),
        };
        SorgenteRighe s;
        qint64 id = 10;
        for (const QByteArray &t : difficili) {
            RigaAnticipi r;
            r.id = id++;
            r.dataOp = QDate(2024, 2, 29);
            r.descrizione = t;
            r.ragioneSociale = t;
            r.codiceFiscale = id % 2 ? std::optional<QByteArray>(t) : std::nullopt;
            r.partitaIva = id % 2 ? std::nullopt : std::optional<QByteArray>(t);
            r.entrata = -id * 12345;
            r.codiceAna = id % 3 + 1;  // 0 means no client, and a copy renumbers it
            s.righe << r;
        }
        const auto motore = Ambiente::corrente().altraConnessione();
        {
            DestinazioneArchivio d(*motore);
            CopiaArchivio(s, d);
        }
        SorgenteArchivio letta(*motore);
        int n = 0;
        for (RigaAnticipi c; letta.Leggi(c); ++n) {
            QVERIFY(n < s.righe.size());
            const RigaAnticipi &a = s.righe.at(n);
            const auto comeParametro = [](const std::optional<QByteArray> &t) {
                return t ? std::optional<QByteArray>(QString::fromUtf8(*t).toUtf8()) : std::nullopt;
            };
            QCOMPARE(c.id, a.id);
            QCOMPARE(c.dataOp, a.dataOp);
            QCOMPARE(c.entrata, a.entrata);
            QCOMPARE(c.codiceAna, a.codiceAna);
            QCOMPARE(c.descrizione, comeParametro(a.descrizione));
            QCOMPARE(c.ragioneSociale, comeParametro(a.ragioneSociale));
            QCOMPARE(c.codiceFiscale, comeParametro(a.codiceFiscale));
            QCOMPARE(c.partitaIva, comeParametro(a.partitaIva));
        }
        QCOMPARE(n, s.righe.size());

        if (!ProvaSuServer())
            return;  // SQLite stores a NUL inside a text like any other byte
        motore->Esegui(QStringLiteral("DELETE FROM ANTICIPI"));
        s = SorgenteRighe();
        s.righe << RigaAnticipi{} << RigaAnticipi{};
        s.righe[0].id = 1;
        s.righe[1].id = 2;
        s.righe[0].dataOp = s.righe[1].dataOp = QDate(2024, 1, 1);
        s.righe[1].descrizione = QByteArray("prima\0dopo", 10);
        DestinazioneArchivio d(*motore);
        const QString e = erroreDi([&] { CopiaArchivio(s, d); });
        QVERIFY2(e.contains(QStringLiteral("NUL")), qPrintable(e));
        QVERIFY(motore->Vuoto());
    }

    void destinazioniRifiutate_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("testo");
        QTest::newRow("archivio con righe") << "righe" << "contiene già un archivio con dei movimenti";
        QTest::newRow("file Access") << "access" << "non è un archivio di questo programma";
        QTest::newRow("destinazione è un file") << "file" << "è un file, non una cartella";
        QTest::newRow("origine estranea") << "estranea" << "non contiene la tabella ANTICIPI";
        QTest::newRow("origine di testo") << "testo" << "non è un archivio Access né un archivio di questo programma";
        QTest::newRow("disco pieno") << "pieno" << "scrittura sul disco";
        QTest::newRow("ID doppio") << "doppio" << "L'archivio di origine contiene due righe con lo stesso ID 4.";
        QTest::newRow("NUL in un archivio") << "nul" << "Impossibile copiare la riga con ID 2 dell'archivio";
        QTest::newRow("programma precedente aperto") << "ldb" << "chiudere il programma precedente su ogni postazione";
    }

    // Each refusal says why in Italian; the source and the destination stay as they were, and a
    // folder the copy created is gone again.
    void destinazioniRifiutate()
    {
        SOLO_SQLITE("about files and folders");
        QFETCH(QString, caso);
        if (caso == QLatin1String("pieno") && !DiscoPieno::Possibile())
            QSKIP(SENZA_DISCO_PIENO);
        QFETCH(QString, testo);
        QTemporaryDir dir;
        QString origine = dati(QStringLiteral("casi.mdb"));
        QString dest = dir.filePath(QStringLiteral("dest"));
        QDir().mkpath(dest);
        if (caso == QLatin1String("righe")) {
            Archivio::ConnArchivio().Apri(QDir(dest).filePath(NomeFileArchivio), true);
            InserisciRiga(QStringLiteral("2026-01-01"), QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("0"),
                          QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("A"), 1);
            Archivio::Rilascia();
        } else if (caso == QLatin1String("access")) {
            QFile::copy(origine, QDir(dest).filePath(NomeFileArchivio));
        } else if (caso == QLatin1String("file")) {
            dest = origine;
        } else if (caso == QLatin1String("estranea")) {
            origine = dati(QStringLiteral("estraneo.mdb"));
            dest = dir.filePath(QStringLiteral("nuova"));
        } else if (caso == QLatin1String("testo")) {
            origine = dir.filePath(QStringLiteral("t.mdb"));
            scrivi(origine, QByteArray(5000, 'x'));
        } else if (caso == QLatin1String("doppio")) {
            origine = dir.filePath(QStringLiteral("doppio.mdb"));
            scrivi(origine, casiConIntero(5, "ID", 4));
        } else if (caso == QLatin1String("nul")) {
            // Another program's text with a NUL, which a server refuses.
            origine = dir.filePath(QStringLiteral("nul.mdb"));
            const auto m = ApriMotoreSqlite(origine, true);
            m->Esegui(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, CODICEANA) VALUES ('2025-01-01', 'a', 1)"));
            m->Esegui(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, CODICEANA) VALUES ('2025-01-01', ?, 1)"),
                      {QString(QStringLiteral("a\0b"))});
        } else if (caso == QLatin1String("ldb")) {
            // The earlier program's lock file, as a Windows share may spell it.
            origine = dir.filePath(QStringLiteral("dati.mdb"));
            QFile::copy(dati(QStringLiteral("casi.mdb")), origine);
            scrivi(dir.filePath(QStringLiteral("DATI.LDB")), QByteArray(64, ' '));
        }
        const QMap<QString, QByteArray> prima = contenuto(dest);
        const QByteArray sorgente = leggi(origine);
        QString e;
        {
            // A file-size limit stands for a full disk: SQLite's writes past it fail.
            std::unique_ptr<DiscoPieno> pieno;
            if (caso == QLatin1String("pieno")) {
                pieno = std::make_unique<DiscoPieno>(8192);
                QVERIFY(pieno->ok());
            }
            e = erroreDi([&] { CopiaInCartella(origine, dest); });
        }
        QVERIFY2(e.contains(testo), qPrintable(e));
        // A failure of the target says the source is as it was.
        QVERIFY2(caso != QLatin1String("pieno") || e.endsWith(QStringLiteral("L'archivio di origine ") +
                                                             QDir::toNativeSeparators(origine) + QStringLiteral(" è intatto.")),
                 qPrintable(e));
        QCOMPARE(leggi(origine), sorgente);
        if (caso == QLatin1String("estranea"))
            QVERIFY(!QFileInfo::exists(dest));
        else
            QCOMPARE(contenuto(dest), prima);
    }

    // The command line needs no display: with a platform that cannot start, the copy still runs.
    void rigaDiComandoSenzaDisplay()
    {
        SOLO_SQLITE("about files and folders");
        QTemporaryDir dir;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ESEGUIBILE_SPESARIO),
                {QStringLiteral("--copia-archivio"), dati(QStringLiteral("casi.mdb")), dir.filePath(QStringLiteral("d"))});
        QVERIFY(p.waitForFinished(60000));
        const QString uscita = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(uscita.contains(QStringLiteral("Movimenti: 16\nClienti: 8\n")), qPrintable(uscita));
        QVERIFY(uscita.contains(QStringLiteral("Movimenti con un'ora del giorno (tenuto solo il giorno): 1")));
        QVERIFY(EFileSqlite(dir.filePath(QStringLiteral("d/archivio.mdb"))));

        p.start(QStringLiteral(ESEGUIBILE_SPESARIO), {QStringLiteral("--copia-archivio"),
                                                      dati(QStringLiteral("estraneo.mdb")), dir.filePath(QStringLiteral("e"))});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("Copia non riuscita")));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("e"))));
    }

    // The command line copies into the archive that "Connessione" names (a folder's empty archive, or
    // the server's database, whose table it makes), row for row; a second copy into it is refused and
    // changes nothing; and the archive copied back out into a folder gives the same summary.
    void copiaNellArchivio()
    {
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        const QString connessione = Ambiente::corrente().connessione();
        if (ProvaSuServer())  // the table the program makes, as on a new database
            Ambiente::corrente().altraConnessione()->Esegui(QStringLiteral("DROP TABLE anticipi"));
        const Esito prima = RigaDiComando({dati(QStringLiteral("casi.mdb")), connessione});
        QVERIFY2(prima.codice == 0, qPrintable(prima.errori));
        QVERIFY2(prima.uscita.contains(QStringLiteral("Movimenti: 16\nClienti: 8\n")), qPrintable(prima.uscita));
        QCOMPARE(UgualeACasi(*Ambiente::corrente().altraConnessione()), 16);

        const Esito ancora = RigaDiComando({dati(QStringLiteral("casi.mdb")), connessione});
        QCOMPARE(ancora.codice, 1);
        QVERIFY2(ancora.errori.contains(QStringLiteral("movimenti")), qPrintable(ancora.errori));
        QCOMPARE(UgualeACasi(*Ambiente::corrente().altraConnessione()), 16);

        QTemporaryDir dir;
        const Esito fuori = RigaDiComando({connessione, dir.filePath(QStringLiteral("copia"))});
        QVERIFY2(fuori.codice == 0, qPrintable(fuori.errori));
        QVERIFY(fuori.uscita.contains(prima.uscita.section(QLatin1Char('\n'), 1, 5)));
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(dir.filePath(QStringLiteral("copia/archivio.mdb")), false)), 16);
        // A new movement in the copied archive never reuses an imported ID.
        Ambiente::corrente().riapriArchivio();
        QCOMPARE(InserisciRiga(QStringLiteral("2026-01-01"), QStringLiteral("nuovo"), QStringLiteral("1"),
                               QStringLiteral("0"), QStringLiteral("N"), QStringLiteral("N"), QStringLiteral("N"), 99),
                 18);
    }

    // libpq is loaded only for a server archive: where it cannot be loaded, the copy to a server says
    // so and ends.
    void senzaLibpq()
    {
        SOLO_SQLITE("about the program's own libraries");
#ifdef Q_OS_WIN
        QSKIP("the library path of a Windows program is its own folder");
#else
        QTemporaryDir finta;
        QFile vuota(finta.filePath(QStringLiteral("libpq.so.5")));  // found first, and not a library
        QVERIFY(vuota.open(QIODevice::WriteOnly));
        vuota.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), finta.path());
        const Esito e = RigaDiComando(
            {dati(QStringLiteral("casi.mdb")), QStringLiteral("postgresql://spesario@%2Fnessuna%2Fcartella/archivio")}, env);
        QCOMPARE(e.codice, 1);
        QVERIFY2(e.errori.contains(QStringLiteral("la libreria di PostgreSQL (libpq) non si trova su questo computer")),
                 qPrintable(e.errori));
#endif
    }

    void domandaAlCaricamento_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("testo");  // of the message after the question
        const QString fatto = QStringLiteral("Conversione terminata: 16 movimenti di %1 clienti.\n"
                                             "Movimenti con un'ora del giorno (tenuto solo il giorno): 1\n"
                                             "Movimenti con un importo nullo (portato a 0): 1");
        QTest::newRow("No") << "no" << "è ancora nel formato del programma precedente";
        QTest::newRow("Sì") << "si" << fatto.arg(8);
        // A row with ID 0 and a client code 0: each gets a new number above the highest, said so.
        QTest::newRow("Sì, ID e codice 0")
            << "nessuno"
            << fatto.arg(9) + QStringLiteral("\nMovimenti con un ID non valido (0, negativo o oltre 2147483647) "
                                             "rinumerati: 1 (ID 0 ora è 18)\nClienti con un codice non valido (0, "
                                             "negativo o da 2147483647 in su) rinumerati: 1 (codice 0 ora è 11)");
        QTest::newRow("Sì, file danneggiato") << "danneggiato" << "danneggiato o incompleto";
        QTest::newRow("Sì, programma precedente aperto")
            << "ldb" << "indica che il programma precedente ha ancora aperto l'archivio";
        QTest::newRow("Sì, disco pieno") << "pieno" << "è intatto.";
    }

    // The load step asks; Yes converts and opens the ledger with the same balances, and its summary
    // says what the conversion changed; No, or a failure, leaves the folder exactly as it was and says why.
    void domandaAlCaricamento()
    {
        SOLO_SQLITE("about files and folders");
        QFETCH(QString, caso);
        if (caso == QLatin1String("pieno") && !DiscoPieno::Possibile())
            QSKIP(SENZA_DISCO_PIENO);
        QFETCH(QString, testo);
        const QByteArray casi = caso == QLatin1String("danneggiato") ? leggi(dati(QStringLiteral("casi.mdb"))).left(110000)
                                : caso == QLatin1String("nessuno")
                                    ? casiConIntero(3, "ID", 0, casiConIntero(17, "CODICEANA", 0))
                                    : leggi(dati(QStringLiteral("casi.mdb")));
        const QString cartella = cartellaConAccess(casi);
        // A file that already has the original's new name is left alone: the next free name is taken.
        QFile::copy(dati(QStringLiteral("estraneo.mdb")), QDir(cartella).filePath(QStringLiteral("archivio-access.mdb")));
        if (caso == QLatin1String("ldb"))
            scrivi(QDir(cartella).filePath(QStringLiteral("archivio.ldb")), QByteArray(64, ' '));
        const QMap<QString, QByteArray> prima = contenuto(cartella);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {caso == QLatin1String("no") ? Risposta::No : Risposta::Si};
        frmAnticipi *w = nullptr;
        {
            // A file-size limit stands for a full disk: the draft's writes past it fail.
            std::unique_ptr<DiscoPieno> pieno;
            if (caso == QLatin1String("pieno")) {
                pieno = std::make_unique<DiscoPieno>(8192);
                QVERIFY(pieno->ok());
            }
            w = ApriRegistro();
        }
        QVERIFY(m.messaggi.size() >= 2);
        const Messaggio &domanda = m.messaggi[0];
        QCOMPARE(domanda.testo, QStringLiteral("Il file ") + QDir::toNativeSeparators(cartella + QStringLiteral("/archivio.mdb")) +
                                    QStringLiteral(" è un archivio del programma precedente. Convertirlo nel nuovo formato? "
                                                   "L'originale resta intatto come archivio-access-2.mdb."));
        QCOMPARE(domanda.titolo, QStringLiteral("Controllo:"));
        QCOMPARE(domanda.icona, Icona::Domanda);
        QCOMPARE(domanda.pulsanti, Pulsanti::SiNo);
        QVERIFY2(m.messaggi[1].testo.contains(testo), qPrintable(m.messaggi[1].testo));
        if (caso != QLatin1String("si") && caso != QLatin1String("nessuno")) {
            QCOMPARE(contenuto(cartella), prima);
            QVERIFY(!Archivio::ConnArchivio().Aperto());
            return;
        }
        QCOMPARE(m.messaggi[1].testo, testo);
        QCOMPARE(m.messaggi[1].titolo, QStringLiteral("Controllo:"));
        QCOMPARE(m.messaggi[1].icona, Icona::Informazione);
        QCOMPARE(leggi(QDir(cartella).filePath(QStringLiteral("archivio-access-2.mdb"))), prima.value(NomeFileArchivio));
        QCOMPARE(leggi(QDir(cartella).filePath(QStringLiteral("archivio-access.mdb"))), prima.value(QStringLiteral("archivio-access.mdb")));
        QCOMPARE(QDir(cartella).entryList(QDir::Files).size(), 3);
        QVERIFY(Archivio::ConnArchivio().Aperto());
        // The client of rows 11-13 (1925, both amounts, negative), all before this year's period:
        // outgoing 1,2345 + 7, incoming 5 - 15,50.
        w->txtCF->setText(QStringLiteral("sctntc25l14h501x"));
        w->txtCF_LostFocus();
        QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Società Antica"));
        QCOMPARE(w->lblDato[1]->text(), QStringLiteral("18,73"));
        QCOMPARE(w->lblSaldo->text(), QStringLiteral("18,73"));
        if (caso == QLatin1String("nessuno"))
            QCOMPARE(RigheSql(QStringLiteral("SELECT ID, CODICEANA FROM ANTICIPI WHERE ID IN (3, 17, 18) ORDER BY ID")),
                     (QList<QVariantList>{{17, 11}, {18, 1}}));
    }

    // Two copies into one folder: the second is refused while the first works, a desk starting on
    // the folder tidies nothing away, and the first puts in place the file it checked. A draft left
    // by a killed copy goes.
    void dueCopieNellaStessaCartella()
    {
        SOLO_SQLITE("about files and folders");
        QTemporaryDir dir;
        const QString dest = dir.filePath(QStringLiteral("d"));
        QDir().mkpath(dest);
        scrivi(QDir(dest).filePath(QStringLiteral("archivio-copia-4194305.tmp")), "bozza");
        scrivi(QDir(dest).filePath(QStringLiteral("archivio-copia-4194305.tmp-journal")), "bozza");
        QString seconda;
        QStringList durante;
        ImpostaOsservatoreConversione([&](const char *passo) {
            if (qstrcmp(passo, "verificata") != 0 || !seconda.isNull())
                return;
            seconda = erroreDi([&] { CopiaInCartella(dati(QStringLiteral("estraneo.mdb")), dest); });
            RiordinaCartella(dest);
            durante = QDir(dest).entryList(QDir::Files);
        });
        const RiepilogoCopia r = CopiaInCartella(dati(QStringLiteral("casi.mdb")), dest);
        ImpostaOsservatoreConversione({});
        QCOMPARE(seconda, QStringLiteral("Un altro programma sta già convertendo o copiando un archivio nella cartella ") +
                              QDir::toNativeSeparators(dest) + QStringLiteral(". Riprovare al termine."));
        QCOMPARE(durante, QStringList{QStringLiteral("archivio-copia-%1.tmp").arg(QCoreApplication::applicationPid())});
        QCOMPARE(r.movimenti, 16);
        QCOMPARE(UgualeACasi(*ApriMotoreSqlite(QDir(dest).filePath(NomeFileArchivio), false)), 16);
        QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList{NomeFileArchivio});
    }

    // Another desk is converting the folder's Access file when this one starts: refused, and the
    // next action tries the open again, which works once the other desk's archive is in place.
    void conversioneDiUnAltroProgramma()
    {
        SOLO_SQLITE("about files and folders");
        const QString cartella = cartellaConAccess(leggi(dati(QStringLiteral("casi.mdb"))));
        auto altro = std::make_unique<QLockFile>(QDir(cartella).filePath(NomeFileBloccoCartella));
        QVERIFY(altro->tryLock(0));
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {Risposta::Si};
        frmAnticipi *w = ApriRegistro();
        QVERIFY2(m.testi().join(QLatin1Char('|')).contains(QStringLiteral("Un altro programma sta già convertendo")),
                 qPrintable(m.testi().join(QLatin1Char('|'))));
        auto identifica = [&] {
            m.azzera();
            w->txtCF->setText(QStringLiteral("sctntc25l14h501x"));
            w->txtCF_LostFocus();
            return m.testi().join(QLatin1Char('|'));
        };
        const QString durante = identifica();
        QVERIFY2(durante.contains(QStringLiteral("ancora nel formato del programma precedente")) &&
                     !durante.contains(QStringLiteral("non è aperto")),
                 qPrintable(durante));
        altro.reset();
        ConvertiArchivioCartella(cartella, QStringLiteral("archivio-access.mdb"));
        QCOMPARE(identifica(), QString());
        QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Società Antica"));
        QCOMPARE(w->lblSaldo->text(), QStringLiteral("18,73"));
    }

    // The folder's lock file with no owner written in it, as a kill between making it and filling it
    // in leaves it: the next start takes it over and converts. One that a living process holds (here,
    // where the system lets a held lock file be emptied) still refuses.
    void bloccoSenzaProprietario()
    {
        SOLO_SQLITE("about files and folders");
        const QString cartella = cartellaConAccess(leggi(dati(QStringLiteral("casi.mdb"))));
        const QString blocco = QDir(cartella).filePath(NomeFileBloccoCartella);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        QLockFile vivo(blocco);
        QVERIFY(vivo.tryLock(0));
        if (QFile f(blocco); f.open(QIODevice::ReadWrite) && f.resize(0)) {
            f.close();
            m.risposte = {Risposta::Si};
            ApriRegistro();
            QVERIFY2(m.testi().join(QLatin1Char('|')).contains(QStringLiteral("Un altro programma sta già convertendo")),
                     qPrintable(m.testi().join(QLatin1Char('|'))));
            ChiudiFinestre();
            m.azzera();
        }
        vivo.unlock();
        scrivi(blocco, QByteArray());
        m.risposte = {Risposta::Si, Risposta::Ok};
        ApriRegistro();
        const QString testi = m.testi().join(QLatin1Char('|'));
        QVERIFY2(testi.contains(QStringLiteral("Conversione terminata: 16 movimenti")), qPrintable(testi));
        QVERIFY(Archivio::ConnArchivio().Aperto());
        QCOMPARE(QDir(cartella).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("archivio-access.mdb"), NomeFileArchivio}));
    }

    // IDs and client codes the archive cannot use, written by another program: every movement is
    // kept, each value gets a new number above the highest, and the summary lists them; a second
    // row with one ID is refused naming it.
    void idECodiciNonValidi()
    {
        QTemporaryDir dir;
        const QString origine = dir.filePath(QStringLiteral("altro.mdb"));
        {
            const auto m = ApriMotoreSqlite(origine, true);
            const qint64 righe[][2] = {{0, 5}, {-5, 0}, {3000000000, -1}, {7, 2147483647}, {8, 0}, {9, 3}};
            for (const auto &r : righe)
                m->Esegui(QStringLiteral("INSERT INTO ANTICIPI (ID, DATAOP, ENTRATA, USCITA, CODICEANA) "
                                         "VALUES (?, '2025-01-01', ?, 0, ?)"),
                          {r[0], r[0] == 3000000000 ? 1 : 100, r[1]});
        }
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        // A second row with one ID is named, also where a server's COPY refuses it only at its end.
        scrivi(dir.filePath(QStringLiteral("doppio.mdb")), casiConIntero(5, "ID", 4));
        const Esito doppio = RigaDiComando({dir.filePath(QStringLiteral("doppio.mdb")), Ambiente::corrente().connessione()});
        QVERIFY2(doppio.errori.contains(QStringLiteral("L'archivio di origine contiene due righe con lo stesso ID 4.")),
                 qPrintable(doppio.errori));
        const Esito e = RigaDiComando({origine, Ambiente::corrente().connessione()});
        QVERIFY2(e.codice == 0, qPrintable(e.errori));
        QVERIFY2(e.uscita.contains(QStringLiteral(
                     "Movimenti con un ID non valido (0, negativo o oltre 2147483647) rinumerati: 3 "
                     "(ID -5 ora è 10, ID 0 ora è 11, ID 3000000000 ora è 12)\n"
                     "Clienti con un codice non valido (0, negativo o da 2147483647 in su) rinumerati: 3 "
                     "(codice 0 ora è 6, codice 2147483647 ora è 7, codice -1 ora è 8)\n")),
                 qPrintable(e.uscita));
        QVERIFY(e.uscita.contains(QStringLiteral("ID più alto: 12\n")));
        Ambiente::corrente().riapriArchivio();
        QCOMPARE(RigheSql(QStringLiteral("SELECT ID, CODICEANA, ENTRATA FROM ANTICIPI ORDER BY ID")),
                 (QList<QVariantList>{{7, 7, 100}, {8, 6, 100}, {9, 3, 100}, {10, 6, 100}, {11, 5, 100}, {12, 8, 1}}));
    }
};

SPESARIO_TEST_MAIN(TstConversione)
#include "tst_conversione.moc"
