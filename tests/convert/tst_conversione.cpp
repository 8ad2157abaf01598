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

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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

// The folder of a fresh ledger with casi.mdb as its archivio.mdb, named in the settings.
QString cartellaConAccess(const QByteArray &byte)
{
    Ambiente::corrente().apriArchivioNuovo();
    Archivio::Rilascia();
    const QString c = Ambiente::corrente().cartellaArchivio();
    scrivi(QDir(c).filePath(NomeFileArchivio), byte);
    return c;
}

// Every row of the archive behind `motore` against what the Access source reads from casi.mdb,
// field by field: returns the rows compared, or -1 at the first difference.
int UgualeACasi(Motore &motore)
{
    SorgenteAccess access(dati(QStringLiteral("casi.mdb")));
    QMap<qint64, RigaAnticipi> attese;
    for (RigaAnticipi a; access.Leggi(a);)
        attese.insert(a.id, a);
    SorgenteArchivio copia(motore);
    int n = 0;
    for (RigaAnticipi c; copia.Leggi(c); ++n) {
        const RigaAnticipi &a = attese[c.id];
        if (c.dataOp != a.dataOp || c.entrata != a.entrata || c.uscita != a.uscita || c.codiceAna != a.codiceAna ||
            c.descrizione != a.descrizione || c.ragioneSociale != a.ragioneSociale ||
            c.codiceFiscale != a.codiceFiscale || c.partitaIva != a.partitaIva || c.oraTolta || c.importoNullo)
            return -1;
    }
    return n;
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
    }

    // Each refusal says why in Italian; the source and the destination stay as they were, and a
    // folder the copy created is gone again.
    void destinazioniRifiutate()
    {
        SOLO_SQLITE("about files and folders");
        QFETCH(QString, caso);
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
        }
        const QMap<QString, QByteArray> prima = contenuto(dest);
        const QByteArray sorgente = leggi(origine);
        QString e;
        {
            // A file-size limit stands for a full disk: SQLite's writes past it fail.
            rlimit vecchio{};
            getrlimit(RLIMIT_FSIZE, &vecchio);
            if (caso == QLatin1String("pieno")) {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit r = vecchio;
                r.rlim_cur = 8192;
                QCOMPARE(setrlimit(RLIMIT_FSIZE, &r), 0);
            }
            e = erroreDi([&] { CopiaInCartella(origine, dest); });
            setrlimit(RLIMIT_FSIZE, &vecchio);
        }
        QVERIFY2(e.contains(testo), qPrintable(e));
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

    void domandaAlCaricamento_data()
    {
        QTest::addColumn<bool>("si");
        QTest::addColumn<bool>("danneggiato");
        QTest::newRow("No") << false << false;
        QTest::newRow("Sì") << true << false;
        QTest::newRow("Sì, file danneggiato") << true << true;
    }

    // The load step asks; Yes converts and opens the ledger with the same balances; No, or a
    // failure, leaves the folder exactly as it was and says why.
    void domandaAlCaricamento()
    {
        SOLO_SQLITE("about files and folders");
        QFETCH(bool, si);
        QFETCH(bool, danneggiato);
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        const QString cartella = cartellaConAccess(danneggiato ? casi.left(110000) : casi);
        // A file that already has the original's new name is left alone: the next free name is taken.
        QFile::copy(dati(QStringLiteral("estraneo.mdb")), QDir(cartella).filePath(QStringLiteral("archivio-access.mdb")));
        const QMap<QString, QByteArray> prima = contenuto(cartella);
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {si ? Risposta::Si : Risposta::No};
        frmAnticipi *w = ApriRegistro();
        QVERIFY(m.messaggi.size() >= 2);
        const Messaggio &domanda = m.messaggi[0];
        QCOMPARE(domanda.testo, QStringLiteral("Il file ") + QDir::toNativeSeparators(cartella + QStringLiteral("/archivio.mdb")) +
                                    QStringLiteral(" è un archivio del programma precedente. Convertirlo nel nuovo formato? "
                                                   "L'originale resta intatto come archivio-access-2.mdb."));
        QCOMPARE(domanda.titolo, QStringLiteral("Controllo"));
        QCOMPARE(domanda.icona, Icona::Domanda);
        QCOMPARE(domanda.pulsanti, Pulsanti::SiNo);
        if (!si || danneggiato) {
            QVERIFY2(m.messaggi[1].testo.contains(si ? QStringLiteral("danneggiato o incompleto")
                                                     : QStringLiteral("Impossibile leggere l'archivio")),
                     qPrintable(m.messaggi[1].testo));
            QCOMPARE(contenuto(cartella), prima);
            QVERIFY(!Archivio::ConnArchivio().Aperto());
            return;
        }
        QCOMPARE(m.messaggi[1].testo, QStringLiteral("Conversione terminata: 16 movimenti di 8 clienti."));
        QCOMPARE(m.messaggi[1].titolo, QStringLiteral("Controllo:"));
        QCOMPARE(m.messaggi[1].icona, Icona::Informazione);
        QCOMPARE(leggi(QDir(cartella).filePath(QStringLiteral("archivio-access-2.mdb"))), casi);
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
    }
};

SPESARIO_TEST_MAIN(TstConversione)
#include "tst_conversione.moc"
