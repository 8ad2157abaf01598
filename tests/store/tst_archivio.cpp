#include "store/archivio.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"

#include <QDir>
#include <QFile>
#include "store/engines/motore.h"


namespace {

QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void scrivi(const QString &percorso, const QByteArray &byte)
{
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(byte), byte.size());
}

// The default folder's parent, under the test's shared data folder.
QString radicePredefinita() { return CartellaDatiComuni() + QStringLiteral("/Corvalle"); }

void rimuoviPredefinita()
{
    const QString r = radicePredefinita();
    if (QFileInfo(r).isDir())
        QDir(r).removeRecursively();
    else
        QFile::remove(r);
}

int righe(const QString &sql)
{
    Recordset rs = Archivio::ConnArchivio().Query(sql);
    int n = 0;
    for (; !rs.Fine(); rs.MoveNext())
        ++n;
    rs.Chiudi();
    return n;
}

// The error thrown by f, or number 0 when none.
ErroreApp errore(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ErroreApp &e) {
        return e;
    }
    return ErroreApp(0, QString());
}

Movimento movimento(const QString &ragioneSociale, const QString &codiceFiscale, const QString &descrizione)
{
    Movimento m;
    m.dataOp = QDate(2026, 3, 5);
    m.descrizione = descrizione;
    m.uscita = *Valuta::daTesto(QStringLiteral("12,5"));
    m.ragioneSociale = ragioneSociale;
    m.codiceFiscale = codiceFiscale;
    m.partitaIva = QStringLiteral("01234567890");
    m.codiceAna = 1;
    return m;
}

} // namespace

class TstArchivio : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void primoAvvio();
    void primoAvvioAperturaFallita();
    void primoAvvioImpostazioniNonScrivibili();
    void cartellaMemorizzataUsata();
    void cartellaMemorizzataMancante();
    void archivioPredefinitoSparito_data();
    void archivioPredefinitoSparito();
    void impostazioniIlleggibili_data();
    void impostazioniIlleggibili();
    void cartellaCheEUnFile();
    void separatoreFinale_data();
    void separatoreFinale();
    void fileNonArchivio_data();
    void fileNonArchivio();
    void fileSolaLettura();
    void archivioOccupato();

    void riscritturaDate_data();
    void riscritturaDate();
    void dataMalformataRifiutata();
    void righeSulConfine_data();
    void righeSulConfine();
    void testoConApostrofo();
    void testoConNul();
    void codiceZero();
    void sqlIntero_data();
    void sqlIntero();
    void campiPerNome();
    void statiConnessione();
    void attesaDiUnaIstruzioneLunga();
    void transazioneAnnullata();
    void indiceMancanteAggiunto();
};

void TstArchivio::init()
{
    Ambiente::corrente().azzera();
    rimuoviPredefinita();
}

void TstArchivio::cleanup()
{
    Archivio::Rilascia();
    rimuoviPredefinita();
}

void TstArchivio::primoAvvio()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    const QString predefinita = CartellaArchivioPredefinita();
    QVERIFY(QDir::fromNativeSeparators(predefinita).endsWith(QStringLiteral("/Corvalle/Spesario")));
    QStringList avvisi;
    QCOMPARE(ApriArchivio(&avvisi), predefinita);
    // The user is told where the new archive is, once.
    QCOMPARE(avvisi, QStringList{QStringLiteral("È stato creato un nuovo archivio vuoto nella cartella:\n") +
                                 QDir::toNativeSeparators(predefinita)});
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
    QVERIFY(QFileInfo(predefinita + QStringLiteral("/archivio.mdb")).isFile());
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 0);
    QCOMPARE(TabelleArchivio(), 2);
    // A movement can be stored at once.
    QVERIFY(Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), movimento("Rossi", "RSS", "x")) > 0);
    Archivio::Rilascia();
    avvisi.clear();
    QCOMPARE(ApriArchivio(&avvisi), predefinita);
    QCOMPARE(avvisi, QStringList());
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI")), 1);
}

void TstArchivio::primoAvvioAperturaFallita()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    // A regular file where the default folder's parent should be: the folder cannot be made.
    scrivi(radicePredefinita(), "blocco");
    const ErroreApp e = errore([] { ApriArchivio(); });
    QVERIFY(e.numero() != 0);
    QVERIFY2(e.descrizione().contains(QStringLiteral("Impossibile creare la cartella")), qPrintable(e.descrizione()));
    // Stored only once an archive is there: the next start is a first run again.
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), QString());
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
    QCOMPARE(leggi(radicePredefinita()), QByteArray("blocco"));
}

void TstArchivio::primoAvvioImpostazioniNonScrivibili()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    // The settings' folder is blocked by a file: the archive still opens, then the failure is told.
    const QString blocco = Ambiente::corrente().cartella() + QStringLiteral("/blocco-ini");
    scrivi(blocco, "x");
    Impostazioni::ImpostaFile(blocco + QStringLiteral("/Spesario.ini"));
    const ErroreApp e = errore([] { ApriArchivio(); });
    Impostazioni::ImpostaFile(Ambiente::corrente().cartella() + QStringLiteral("/Spesario.ini"));
    QFile::remove(blocco);
    QCOMPARE(e.numero(), CodiciErrore::ImpostazioniNonScritte);
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
}

void TstArchivio::cartellaMemorizzataUsata()
{
    Ambiente::corrente().apriArchivioNuovo();
    const QString cartella = Ambiente::corrente().connessione();
    InserisciRiga("2026-01-10", "prima", "0", "5", "Rossi", "RSS", "111", 7);
    Archivio::Rilascia();

    QCOMPARE(ApriArchivio(), cartella);
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), cartella);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI")).toString(), QStringLiteral("prima"));
    QVERIFY(!QFileInfo::exists(radicePredefinita()));
}

void TstArchivio::cartellaMemorizzataMancante()
{
    SOLO_SQLITE("about an archive folder");
    const QString cartella = Ambiente::corrente().cartella() + QStringLiteral("/condivisione/spesario");
    Impostazioni::Scrivi(Impostazioni::Connessione, cartella);
    const ErroreApp e = errore([] { ApriArchivio(); });
    QCOMPARE(e.numero(), CodiciErrore::ArchivioNonTrovato);
    QVERIFY2(e.descrizione().contains(QStringLiteral("non trovata")), qPrintable(e.descrizione()));
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), cartella);
    QVERIFY(!QFileInfo::exists(Ambiente::corrente().cartella() + QStringLiteral("/condivisione")));
    QVERIFY(!QFileInfo::exists(radicePredefinita()));
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
    // Every later query tries the open again and fails in its turn, saying why.
    QCOMPARE(errore([] { righe(QStringLiteral("SELECT * FROM ANTICIPI")); }).numero(), CodiciErrore::ArchivioNonTrovato);
    // Once the folder is there with its archive, the next query opens it.
    QDir().mkpath(cartella);
    ApriMotoreSqlite(cartella + QStringLiteral("/archivio.mdb"), true).reset();
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI")), 0);
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
}

// After the first run the default folder is a stored folder like any other: its archive gone,
// moved or its folder removed is reported, and never replaced by a new, empty one.
void TstArchivio::archivioPredefinitoSparito_data()
{
    QTest::addColumn<QString>("come");
    QTest::newRow("file rimosso") << "rimosso";
    QTest::newRow("file spostato") << "spostato";
    QTest::newRow("cartella rimossa") << "cartella";
}

void TstArchivio::archivioPredefinitoSparito()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    QFETCH(QString, come);
    const QString predefinita = CartellaArchivioPredefinita();
    const QString file = predefinita + QStringLiteral("/archivio.mdb");
    ApriArchivio();
    Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), movimento("Rossi", "RSS", "x"));
    Archivio::Rilascia();
    if (come == QLatin1String("rimosso"))
        QVERIFY(QFile::remove(file));
    else if (come == QLatin1String("spostato"))
        QVERIFY(QFile::rename(file, predefinita + QStringLiteral("/vecchio.mdb")));
    else
        QVERIFY(QDir(predefinita).removeRecursively());
    QStringList avvisi;
    const ErroreApp e = errore([&] { ApriArchivio(&avvisi); });
    QCOMPARE(e.numero(), CodiciErrore::ArchivioNonTrovato);
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(QFileInfo::exists(predefinita), come != QLatin1String("cartella"));
    QCOMPARE(avvisi, QStringList());
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
}

// A settings file that is there but cannot be read is kept aside and the user told; then the start
// goes on as a first run: the default archive is opened, or made and its place told.
void TstArchivio::impostazioniIlleggibili_data()
{
    QTest::addColumn<QByteArray>("contenuto");
    QTest::addColumn<bool>("archivioPresente");
    QTest::newRow("vuote, archivio presente") << QByteArray() << true;
    QTest::newRow("vuote, nessun archivio") << QByteArray() << false;
    QTest::newRow("spazzatura, archivio presente") << QByteArray("\xff\xfe[[garbage\n\x01=") << true;
}

void TstArchivio::impostazioniIlleggibili()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    QFETCH(QByteArray, contenuto);
    QFETCH(bool, archivioPresente);
    const QString predefinita = CartellaArchivioPredefinita();
    if (archivioPresente) {
        ApriArchivio();
        Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), movimento("Rossi", "RSS", "x"));
        Archivio::Rilascia();
    }
    const QString ini = Impostazioni::File();
    scrivi(ini, contenuto);
    QStringList avvisi;
    QCOMPARE(ApriArchivio(&avvisi), predefinita);
    QCOMPARE(avvisi.size(), archivioPresente ? 1 : 2);
    QVERIFY2(avvisi.first().contains(QStringLiteral("è stato messo da parte come ") + QDir::toNativeSeparators(ini) + QStringLiteral(".illeggibile")),
             qPrintable(avvisi.first()));
    if (!archivioPresente)
        QVERIFY(avvisi.last().startsWith(QStringLiteral("È stato creato un nuovo archivio vuoto")));
    QCOMPARE(leggi(ini + QStringLiteral(".illeggibile")), contenuto);
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI")), archivioPresente ? 1 : 0);
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
    QFile::remove(ini + QStringLiteral(".illeggibile"));
}

void TstArchivio::cartellaCheEUnFile()
{
    SOLO_SQLITE("about an archive folder");
    const QString file = Ambiente::corrente().cartella() + QStringLiteral("/non-una-cartella");
    scrivi(file, "dati");
    Impostazioni::Scrivi(Impostazioni::Connessione, file);
    const ErroreApp e = errore([] { ApriArchivio(); });
    QVERIFY2(e.descrizione().contains(QStringLiteral("è un file")), qPrintable(e.descrizione()));
    QCOMPARE(leggi(file), QByteArray("dati"));
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
}

void TstArchivio::separatoreFinale_data()
{
    QTest::addColumn<QString>("coda");
    QTest::newRow("barra") << "/";
    QTest::newRow("barra rovescia") << "\\";
    QTest::newRow("due barre") << "//";
}

void TstArchivio::separatoreFinale()
{
    QFETCH(QString, coda);
    SOLO_SQLITE("about an archive folder");
    Ambiente::corrente().apriArchivioNuovo();
    const QString cartella = Ambiente::corrente().cartellaArchivio();
    InserisciRiga("2026-01-10", "riga", "0", "5", "Rossi", "RSS", "111", 7);
    Archivio::Rilascia();
    Impostazioni::Scrivi(Impostazioni::Connessione, cartella + coda);
    QCOMPARE(ApriArchivio(), cartella);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 1);
    // The key is written only when it was empty.
    QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), cartella + coda);
}

void TstArchivio::fileNonArchivio_data()
{
    QTest::addColumn<QByteArray>("contenuto");
    QTest::addColumn<bool>("predefinita");
    SOLO_SQLITE("about the SQLite file's contents");

    // A real archive with enough rows for many pages, to cut short.
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
    Archivio::ConnArchivio().Transazione([] {
        for (int i = 0; i < 400; ++i)
            InserisciRiga("2026-01-10", QString(200, QLatin1Char('x')), "0", "5", "Rossi", "RSS", "111", i);
    });
    Archivio::Rilascia();
    const QByteArray vero = leggi(Ambiente::corrente().cartellaArchivio() + QStringLiteral("/archivio.mdb"));
    QVERIFY(vero.size() > 40000);

    QByteArray jet(2048, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    QTest::newRow("vuoto") << QByteArray() << false;
    QTest::newRow("vuoto nella cartella predefinita") << QByteArray() << true;
    QTest::newRow("testo") << QByteArray("Ragione sociale;Totale\r\nRossi;12,50\r\n") << false;
    QTest::newRow("access") << jet << false;
    QTest::newRow("access nella cartella predefinita") << jet << true;
    QTest::newRow("solo intestazione") << vero.left(16) << false;
    QTest::newRow("prima pagina a metà") << vero.left(1000) << false;
    QTest::newRow("troncato a metà") << vero.left(vero.size() / 2) << false;
    QTest::newRow("troncato alla penultima pagina") << vero.left(vero.size() - 4096) << false;
    QTest::newRow("un byte in meno") << vero.left(vero.size() - 1) << false;
}

void TstArchivio::fileNonArchivio()
{
    QFETCH(QByteArray, contenuto);
    QFETCH(bool, predefinita);
    const QString cartella = predefinita ? CartellaArchivioPredefinita()
                                         : Ambiente::corrente().cartella() + QStringLiteral("/illeggibile");
    QDir().mkpath(cartella);
    const QString file = cartella + QStringLiteral("/archivio.mdb");
    scrivi(file, contenuto);
    Impostazioni::Scrivi(Impostazioni::Connessione, cartella);

    const ErroreApp e = errore([] { ApriArchivio(); });
    QCOMPARE(e.numero(), CodiciErrore::ArchivioIllegibile);
    // The earlier program's file is named as such: it is still to be converted.
    const bool access = contenuto.mid(4, 15) == "Standard Jet DB";
    QVERIFY2(access ? e.descrizione().contains(QStringLiteral("nel formato del programma precedente"))
                    : e.descrizione().startsWith(QStringLiteral("Impossibile leggere l'archivio")),
             qPrintable(e.descrizione()));
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
    Archivio::Rilascia();
    QCOMPARE(leggi(file), contenuto);
    QCOMPARE(QDir(cartella).entryList(QDir::Files), QStringList{QStringLiteral("archivio.mdb")});
    QDir(cartella).removeRecursively();
}

void TstArchivio::fileSolaLettura()
{
    SOLO_SQLITE("about the SQLite file's permissions");
    if (PermessiIgnorati())
        QSKIP("root ignores permission bits, and Windows has none such");
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-01-10", "riga", "0", "5", "Rossi", "RSS", "111", 7);
    Archivio::Rilascia();
    const QString file = Ambiente::corrente().cartellaArchivio() + QStringLiteral("/archivio.mdb");
    const QByteArray prima = leggi(file);
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    ApriArchivio();
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI")), 1);
    const ErroreApp e =
        errore([] { Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), movimento("Bianchi", "BNC", "y")); });
    QVERIFY2(e.descrizione().contains(QStringLiteral("sola lettura")), qPrintable(e.descrizione()));
    Archivio::Rilascia();
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(leggi(file), prima);
}

void TstArchivio::archivioOccupato()
{
    // Another program is saving a new client: a save of a new client here waits, then says so.
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-01-10", "riga", "0", "5", "Rossi", "RSS", "111", 7);
    Archivio &a = Archivio::ConnArchivio();
    auto salva = [&] {
        a.Transazione([&] {
            a.BloccaCodici();
            a.ScriviMovimento(QStringLiteral("0"), movimento("Bianchi", "BNC", "y"));
        });
    };
    {
        std::unique_ptr<Motore> altra = Ambiente::corrente().altraConnessione();
        altra->Inizia();
        altra->BloccaCodici();
        const ErroreApp e = errore(salva);
        QVERIFY2(e.descrizione().startsWith(QStringLiteral("L'archivio è in uso da un altro programma.")),
                 qPrintable(e.descrizione()));
        QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 1);
        altra->Annulla();
    }
    // Once the other program is done, the same save goes through.
    salva();
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 2);
}

void TstArchivio::riscritturaDate_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("atteso");  // empty: refused

    QTest::newRow("minore") << "DATAOP<#03/05/2026#  ORDER BY DATAOP" << "DATAOP<'2026-03-05'  ORDER BY DATAOP";
    QTest::newRow("intervallo") << "DATAOP>=#01/01/2026# AND DATAOP<=#12/31/2026#"
                                << "DATAOP>='2026-01-01' AND DATAOP<='2026-12-31'";
    QTest::newRow("29 febbraio bisestile") << "#02/29/2028#" << "'2028-02-29'";
    QTest::newRow("nessuna data") << "SELECT * FROM ANTICIPI" << "SELECT * FROM ANTICIPI";
    QTest::newRow("cancelletto fra apici") << "X='Fattura #12' AND D=#01/02/2026#" << "X='Fattura #12' AND D='2026-01-02'";
    QTest::newRow("data fra apici") << "X='#01/02/2026#'" << "X='#01/02/2026#'";
    QTest::newRow("apici doppi") << "X='L''Arte #1' OR D<#01/02/2026#" << "X='L''Arte #1' OR D<'2026-01-02'";
    QTest::newRow("apici doppi e data dentro") << "X='a''#01/02/2026#''b'" << "X='a''#01/02/2026#''b'";
    QTest::newRow("testo vuoto") << "X='' AND D=#01/02/2026#" << "X='' AND D='2026-01-02'";

    QTest::newRow("mese di una cifra") << "D=#1/02/2026#" << "";
    QTest::newRow("mese 13") << "D=#13/01/2026#" << "";
    QTest::newRow("30 febbraio") << "D=#02/30/2026#" << "";
    QTest::newRow("29 febbraio non bisestile") << "D=#02/29/2026#" << "";
    QTest::newRow("anno zero") << "D=#01/01/0000#" << "";
    QTest::newRow("non chiusa") << "D=#01/02/2026" << "";
    QTest::newRow("cancelletto solo") << "D=#" << "";
    QTest::newRow("due cancelletti") << "D=##" << "";
    QTest::newRow("spazio") << "D=# 1/02/2026#" << "";
    QTest::newRow("segno") << "D=#+1/02/2026#" << "";
    QTest::newRow("anno negativo") << "D=#01/02/-026#" << "";
    QTest::newRow("trattini") << "D=#01-02-2026#" << "";
    QTest::newRow("anno corto") << "D=#01/02/26#" << "";
    QTest::newRow("ordine italiano") << "D=#25/12/2026#" << "";
    QTest::newRow("attraverso un apice") << "D=#01/0'2/2026#'" << "";
    QTest::newRow("data poi cancelletto") << "D=#01/02/2026#01/03/2026#" << "";
    QTest::newRow("cifre arabe") << QString::fromUtf8("D=#\u0660\u0661/02/2026#") << "";
}

void TstArchivio::riscritturaDate()
{
    QFETCH(QString, jet);
    QFETCH(QString, atteso);
    if (atteso.isEmpty())
        QCOMPARE(errore([&] { RiscriviDateJet(jet); }).numero(), CodiciErrore::DataNonValida);
    else
        QCOMPARE(RiscriviDateJet(jet), atteso);
}

void TstArchivio::dataMalformataRifiutata()
{
    // Refused before it reaches the engine, by both ways of running a statement.
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-01-10", "resta", "0", "5", "Rossi", "RSS", "111", 1);
    Archivio &a = Archivio::ConnArchivio();
    QCOMPARE(errore([&] { a.Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE DATAOP<#13/01/2026#")); }).numero(),
             CodiciErrore::DataNonValida);
    QCOMPARE(errore([&] { a.Esegui(QStringLiteral("DELETE FROM ANTICIPI WHERE DATAOP<#1/1/2027# OR 1=1")); }).numero(),
             CodiciErrore::DataNonValida);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 1);
}

void TstArchivio::righeSulConfine_data()
{
    QTest::addColumn<QString>("condizione");
    QTest::addColumn<QStringList>("descrizioni");
    QTest::newRow("prima del periodo") << "DATAOP<#01/31/2026#" << QStringList{"30 gen"};
    QTest::newRow("periodo") << "DATAOP>=#01/31/2026# AND DATAOP<=#02/01/2026#" << QStringList{"31 gen", "1 feb"};
    QTest::newRow("fino al giorno") << "DATAOP<=#01/31/2026#" << QStringList{"30 gen", "31 gen"};
    QTest::newRow("giorno unico") << "DATAOP>=#02/01/2026# AND DATAOP<=#02/01/2026#" << QStringList{"1 feb"};
}

void TstArchivio::righeSulConfine()
{
    QFETCH(QString, condizione);
    QFETCH(QStringList, descrizioni);
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-02-01", "1 feb", "0", "1", "Rossi", "RSS", "111", 1);
    InserisciRiga("2026-01-30", "30 gen", "0", "1", "Rossi", "RSS", "111", 1);
    InserisciRiga("2026-01-31", "31 gen", "0", "1", "Rossi", "RSS", "111", 1);
    InserisciRiga("2026-01-31", "altro cliente", "0", "1", "Verdi", "VRD", "222", 2);
    Recordset rs = Archivio::ConnArchivio().Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") +
                                                   SqlIntero(QStringLiteral("1")) + QStringLiteral(" AND ") + condizione +
                                                   QStringLiteral(" ORDER BY DATAOP"));
    QStringList trovate;
    for (; !rs.Fine(); rs.MoveNext())
        trovate << rs.Testo(QStringLiteral("DESCRIZIONE"));
    QCOMPARE(trovate, descrizioni);
}

void TstArchivio::testoConApostrofo()
{
    Ambiente::corrente().apriArchivioNuovo();
    Archivio &a = Archivio::ConnArchivio();
    const QString nome = QStringLiteral("L'Arte #01/02/2026# ''srl''");
    const qint64 id = a.ScriviMovimento(QStringLiteral("0"), movimento(nome, QStringLiteral("RSSMRA80A01H501U"),
                                                                        QStringLiteral("'; DROP TABLE ANTICIPI; --")));
    QVERIFY(id > 0);

    Recordset rs = a.Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE RAGIONESOCIALE=") + SqlTesto(nome) +
                           QStringLiteral(" ORDER BY ID DESC"));
    QVERIFY(!rs.Fine());
    QCOMPARE(rs.Testo(QStringLiteral("RAGIONESOCIALE")), nome);
    QCOMPARE(rs.Testo(QStringLiteral("DESCRIZIONE")), QStringLiteral("'; DROP TABLE ANTICIPI; --"));
    rs.Chiudi();

    // A tax code typed in lower case finds its client, as the original engine did.
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI WHERE codicefiscale=") + SqlTesto(QStringLiteral("rssmra80a01h501u")) +
                   QStringLiteral(" ORDER BY ID DESC")),
             1);

    // The master-data rewrite carries quotes the same way.
    const QString nuovo = QStringLiteral("Dell'Orto & C. 'x'");
    QCOMPARE(a.Esegui(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE=") + SqlTesto(nuovo) +
                      QStringLiteral(", CODICEFISCALE=") + SqlTesto(QStringLiteral("#")) +
                      QStringLiteral(", PARTITAIVA=") + SqlTesto(QString()) + QStringLiteral(" WHERE CODICEANA=") +
                      SqlIntero(QStringLiteral("1"))),
             1);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT RAGIONESOCIALE FROM ANTICIPI")).toString(), nuovo);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT CODICEFISCALE FROM ANTICIPI")).toString(), QStringLiteral("#"));
    QCOMPARE(TabelleArchivio(), 2);
    QCOMPARE(SqlTesto(QStringLiteral("L'Arte")), QStringLiteral("'L''Arte'"));
}

void TstArchivio::testoConNul()
{
    const QString t = QStringLiteral("Rossi") + QChar(0) + QStringLiteral("' OR 1=1 --");
    QCOMPARE(errore([&] { SqlTesto(t); }).numero(), CodiciErrore::TestoNonValido);
}

void TstArchivio::codiceZero()
{
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2025-12-31", "prima", "0", "1", "Rossi", "RSS", "111", 1);
    InserisciRiga("2026-06-01", "dentro", "0", "1", "Rossi", "RSS", "111", 1);
    const QString codice = SqlIntero(QStringLiteral("0"));
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + codice +
                   QStringLiteral(" AND DATAOP<#01/01/2026#  ORDER BY DATAOP")),
             0);
    QCOMPARE(righe(QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + codice +
                   QStringLiteral(" AND DATAOP>=#01/01/2026# AND DATAOP<=#12/31/2026# ORDER BY DATAOP")),
             0);
}

void TstArchivio::sqlIntero_data()
{
    QTest::addColumn<QString>("testo");
    QTest::addColumn<QString>("atteso");  // empty: refused
    QTest::newRow("zero") << "0" << "0";
    QTest::newRow("numero") << "42" << "42";
    QTest::newRow("negativo") << "-7" << "-7";
    QTest::newRow("zeri iniziali") << "007" << "7";
    QTest::newRow("iniezione") << "1 OR 1=1" << "";
    QTest::newRow("spazio iniziale") << " 1" << "";
    QTest::newRow("spazio finale") << "1 " << "";
    QTest::newRow("vuoto") << "" << "";
    QTest::newRow("lettere") << "abc" << "";
    QTest::newRow("decimale") << "1.5" << "";
    QTest::newRow("virgola") << "1,5" << "";
    QTest::newRow("esadecimale") << "0x10" << "";
    QTest::newRow("esponente") << "1e3" << "";
    QTest::newRow("solo segno") << "-" << "";
    QTest::newRow("punto e virgola") << "1;DELETE FROM ANTICIPI" << "";
    QTest::newRow("troppo grande") << "99999999999999999999" << "";
}

void TstArchivio::sqlIntero()
{
    QFETCH(QString, testo);
    QFETCH(QString, atteso);
    if (atteso.isEmpty()) {
        const ErroreApp e = errore([&] { SqlIntero(testo); });
        QCOMPARE(e.numero(), CodiciErrore::NumeroNonValido);
        QVERIFY(e.descrizione().contains(testo));
    } else {
        QCOMPARE(SqlIntero(testo), atteso);
    }
}

void TstArchivio::campiPerNome()
{
    Ambiente::corrente().apriArchivioNuovo();
    Movimento m = movimento(QStringLiteral("Rossi"), QStringLiteral("RSSMRA"), QString());
    Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), m);
    Archivio::ConnArchivio().Esegui(QStringLiteral("UPDATE ANTICIPI SET DESCRIZIONE=NULL"));
    Recordset rs = Archivio::ConnArchivio().Query(QStringLiteral("SELECT * FROM ANTICIPI"));
    QVERIFY(!rs.Fine());
    QCOMPARE(rs.Testo(QStringLiteral("codicefiscale")), QStringLiteral("RSSMRA"));
    QCOMPARE(rs.Testo(QStringLiteral("partitaiva")), QStringLiteral("01234567890"));
    QCOMPARE(rs.Importo(QStringLiteral("Uscita")), *Valuta::daTesto(QStringLiteral("12,5")));
    QCOMPARE(rs.Importo(QStringLiteral("entrata")), Valuta());
    QCOMPARE(rs.Data(QStringLiteral("dataop")), QDate(2026, 3, 5));
    QVERIFY(rs.Nullo(QStringLiteral("Descrizione")));
    QCOMPARE(rs.Testo(QStringLiteral("Descrizione")), QString(""));
    QCOMPARE(rs.Intero(QStringLiteral("codiceana")), qint64(1));
    QCOMPARE(rs.NumeroCampi(), 9);
    QCOMPARE(errore([&] { rs.Campo(QStringLiteral("NONESISTE")); }).numero(), 3265);
    rs.MoveNext();
    QVERIFY(rs.Fine());
    QCOMPARE(errore([&] { rs.Campo(QStringLiteral("ID")); }).numero(), 3021);

    // The highest-code query reads its one field by position.
    Recordset max = Archivio::ConnArchivio().Query(
        QStringLiteral("SELECT Max(ANTICIPI.CODICEANA) AS MaxDiCODICEANA FROM ANTICIPI"));
    QCOMPARE(max.Campo(0).toLongLong(), qint64(1));
}

void TstArchivio::statiConnessione()
{
    Archivio::Rilascia();
    QCOMPARE(Archivio::Stato(), StatoConnessione::Assente);
    Archivio &a = Archivio::ConnArchivio();
    QCOMPARE(Archivio::Stato(), StatoConnessione::Chiusa);
    QCOMPARE(errore([&] { a.Query(QStringLiteral("SELECT * FROM ANTICIPI")); }).numero(), CodiciErrore::ArchivioNonAperto);
    Ambiente::corrente().apriArchivioNuovo();
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
    QCOMPARE(&Archivio::ConnArchivio(), &a);
    Archivio::ConnArchivio().Chiudi();
    QCOMPARE(Archivio::Stato(), StatoConnessione::Chiusa);
    Archivio::Rilascia();
    QCOMPARE(Archivio::Stato(), StatoConnessione::Assente);
    // A reference after the release makes a new, unopened connection.
    QVERIFY(!Archivio::ConnArchivio().Aperto());
    QCOMPARE(Archivio::Stato(), StatoConnessione::Chiusa);
}

void TstArchivio::attesaDiUnaIstruzioneLunga()
{
    // A statement that keeps the program waiting for its first row (a few hundred ms on either
    // engine): the waiting function is called meanwhile, and the archive refuses any other use then.
    Ambiente::corrente().apriArchivioNuovo();
    Archivio &a = Archivio::ConnArchivio();
    const QString lunga = QStringLiteral(
        "WITH RECURSIVE N(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM N WHERE X < 1000000) SELECT MAX(X) FROM N");
    int chiamate = 0;
    ErroreApp rifiuto(0, QString());
    const auto massimo = [&] {
        Recordset rs = a.Query(lunga);
        const qint64 n = rs.Campo(0).toLongLong();
        rs.Chiudi();
        return n;
    };
    {
        const Archivio::Attesa attesa(a, [&] {
            if (chiamate++ == 0)
                rifiuto = errore([&] { a.Query(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")); });
        });
        QCOMPARE(massimo(), qint64(1000000));
        QVERIFY(chiamate > 0);
        QVERIFY(!a.InAttesa());
        QCOMPARE(rifiuto.numero(), CodiciErrore::ArchivioInUso);
        QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 0);
    }
    const int finoAlTermine = chiamate;
    QCOMPARE(massimo(), qint64(1000000));
    QCOMPARE(chiamate, finoAlTermine);
}

void TstArchivio::transazioneAnnullata()
{
    Ambiente::corrente().apriArchivioNuovo();
    Archivio &a = Archivio::ConnArchivio();
    InserisciRiga("2026-01-10", "resta", "0", "5", "Rossi", "RSS", "111", 1);
    const ErroreApp e = errore([&] {
        a.Transazione([&] {
            a.ScriviMovimento(QStringLiteral("0"), movimento("Verdi", "VRD", "sparisce"));
            a.Esegui(QStringLiteral("DELETE FROM ANTICIPI WHERE CODICEANA=1"));
            throw ErroreApp(99, QStringLiteral("interrotto"));
        });
    });
    QCOMPARE(e.numero(), 99);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 1);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI")).toString(), QStringLiteral("resta"));
    // The connection is usable afterwards, and a transaction that ends well is kept.
    a.Transazione([&] { a.ScriviMovimento(QStringLiteral("0"), movimento("Verdi", "VRD", "tenuta")); });
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 2);
}

// An archive made before an index was added gets it when the program opens it.
void TstArchivio::indiceMancanteAggiunto()
{
    Ambiente::corrente().apriArchivioNuovo();
    InserisciRiga("2026-01-10", "prima", "0", "5", "Rossi", "RSS", "111", 7);
    const QString conta = ProvaSuServer()
        ? QStringLiteral("SELECT COUNT(*) FROM pg_indexes WHERE indexname = 'ix_anticipi_codiceana_importi'")
        : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'IX_ANTICIPI_CODICEANA_IMPORTI'");
    QCOMPARE(ValoreSql(conta).toInt(), 1);
    QVERIFY(EseguiSql(QStringLiteral("DROP INDEX IX_ANTICIPI_CODICEANA_IMPORTI")));
    QCOMPARE(ValoreSql(conta).toInt(), 0);
    Archivio::Rilascia();
    ApriArchivio();
    QCOMPARE(ValoreSql(conta).toInt(), 1);
    QCOMPARE(ValoreSql(QStringLiteral("SELECT DESCRIZIONE FROM ANTICIPI")).toString(), QStringLiteral("prima"));
}

SPESARIO_TEST_MAIN(TstArchivio)
#include "tst_archivio.moc"
