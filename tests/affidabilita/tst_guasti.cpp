// Faults from outside the program while the user works: an archive that cannot be written, an archive
// that has gone or been replaced, a full disk, another program holding the archive, settings that
// cannot be written. Each time the user gets one plain Italian message through the error reporter,
// keeps what was typed and a usable window, and the archive holds exactly what it held.
#include "export/frmSelDate.h"
#include "platform/file.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"

#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include <memory>

using namespace Utente;

namespace {

// A file or folder made unwritable for as long as the guard lives. Root ignores permission bits, so
// as root the immutable attribute does it; otherwise the write bits are taken away.
#define SENZA_BLOCCO "chattr is needed to make a file unwritable for root (under Wine too, which runs as root here)"
class NonScrivibile {
public:
    static bool Possibile()
    {
        return !PermessiIgnorati() || !QStandardPaths::findExecutable(QStringLiteral("chattr")).isEmpty();
    }
    explicit NonScrivibile(QString percorso) : m_percorso(std::move(percorso))
    {
        if (PermessiIgnorati()) {
            m_chattr = true;
            m_ok = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_percorso}) == 0;
        } else {
            m_permessi = QFile::permissions(m_percorso);
            m_ok = QFile::setPermissions(m_percorso, m_permessi & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                                                    QFileDevice::WriteGroup | QFileDevice::WriteOther));
        }
    }
    ~NonScrivibile()
    {
        if (m_chattr)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_percorso});
        else if (m_ok)
            QFile::setPermissions(m_percorso, m_permessi);
    }
    bool ok() const { return m_ok; }

private:
    QString m_percorso;
    bool m_chattr = false, m_ok = false;
    QFileDevice::Permissions m_permessi;
};

// Settings written under a regular file: no settings file can be made there, for root too.
class ImpostazioniBloccate {
public:
    ImpostazioniBloccate()
    {
        const QString blocco = Ambiente::corrente().cartella() + QStringLiteral("/non-una-cartella");
        QFile f(blocco);
        if (f.open(QIODevice::WriteOnly))
            f.write("x");
        Impostazioni::ImpostaFile(blocco + QStringLiteral("/Spesario.ini"));
    }
    ~ImpostazioniBloccate() { Impostazioni::ImpostaFile(Ambiente::corrente().cartella() + QStringLiteral("/Spesario.ini")); }
};

const QString Nome = QStringLiteral("Verdi Srl"), Cf = QStringLiteral("VRDGPP80A01H501U"),
              Piva = QStringLiteral("01234567890"), Descrizione = QStringLiteral("Trasferta a Torino"),
              Importo = QStringLiteral("25,00");

QString FileArchivio() { return Ambiente::corrente().cartellaArchivio() + QLatin1Char('/') + NomeFileArchivio; }

} // namespace

class TstGuasti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void archivioNonScrivibile_data();
    void archivioNonScrivibile();
    void archivioSparito_data();
    void archivioSparito();
    void discoPienoNelSalvataggio();
    void discoPienoNellEsportazione();
    void archivioInUso();
    void archivioInUsoAltraPostazione();
    void impostazioniAlPrimoAvvio();
    void impostazioniNellEsportazione();
    void archivioPresoDopoIlSalvataggio();
    void esportazioneInCartellaBloccata();
    void archivioInUsoAllAvvio();

private:
    // Another program holding the archive in an exclusive transaction until release() is called.
    bool prendiArchivio(QProcess &altro);
    static void rilasciaArchivio(QProcess &altro);
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }
    void digita(const QString &descrizione = Descrizione);
    void salvaFallito(const QString &frammento, const QString &descrizione = Descrizione);
    QStringList righe();

    frmAnticipi *w = nullptr;
    QStringList m_prima;
};

void TstGuasti::init()
{
    w = apri();
    InserisciRiga(questAnno(1, 10), "riga esistente", "0", "5", "Rossi", "RSS", "111", 1);
    m_prima = righe();
}

void TstGuasti::cleanup()
{
    if (frmSelDate *s = frmSelDate::Esistente())
        delete s;
    chiudi();
    QVERIFY(NessunaAttesa());
    w = nullptr;
}

// Every row as text, to compare the archive before and after.
QStringList TstGuasti::righe()
{
    QStringList r;
    try {
        for (Recordset rs = Archivio::ConnArchivio().Query(
                 QStringLiteral("SELECT ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                                "PARTITAIVA, CODICEANA FROM ANTICIPI ORDER BY ID"));
             !rs.Fine(); rs.MoveNext()) {
            QStringList c;
            for (int i = 0; i < 9; ++i)
                c << rs.TestoCampo(i);
            r << c.join(QLatin1Char('|'));
        }
    } catch (const ErroreApp &e) {
        return {QStringLiteral("illeggibile: ") + e.descrizione()};
    }
    return r;
}

// A new client's movement typed into the ledger window.
void TstGuasti::digita(const QString &descrizione)
{
    nuovoCliente(w, Nome, Cf);
    scrivi(w->txtPiva, Piva, w->DtpData);
    if (descrizione.size() > 200)
        w->txtDescrizione->setPlainText(descrizione);  // typing a long text key by key adds nothing
    else
        scriviDescrizione(w, descrizione);
    QTest::mouseClick(w->optTipo[1], Qt::LeftButton);
    scrivi(w->txtUscite, QStringLiteral("25"), w->DtpData);
}

// Salva fails with one reported error holding `frammento`; what was typed is all still there and the
// window can be used again.
void TstGuasti::salvaFallito(const QString &frammento, const QString &descrizione)
{
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio m = messaggi().messaggi.first();
    QCOMPARE(m.titolo, QStringLiteral("Errore Salva"));
    QCOMPARE(m.icona, Icona::Critico);
    QVERIFY2(m.testo.contains(frammento), qPrintable(m.testo));
    QCOMPARE(Ambiente::corrente().uscite, 0);
    QVERIFY(!w->UltimoSalvataggioRiuscito());
    QCOMPARE(w->txtDenominazione->text(), Nome);
    QCOMPARE(w->txtCF->text(), Cf);
    QCOMPARE(w->txtPiva->text(), Piva);
    QCOMPARE(w->txtDescrizione->toPlainText(), descrizione);
    QVERIFY(w->optTipo[1]->isChecked());
    QCOMPARE(w->txtUscite->text(), Importo);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("0"));  // no code taken for a row not written
    QVERIFY(w->isEnabled());
    QVERIFY(attivo(w, QStringLiteral("Salva")));
    QVERIFY(!QApplication::overrideCursor());
}

// ---------------------------------------------------------------------------------------------

void TstGuasti::archivioNonScrivibile_data()
{
    QTest::addColumn<bool>("cartella");
    QTest::newRow("file in sola lettura") << false;
    QTest::newRow("cartella in sola lettura") << true;
}

void TstGuasti::archivioNonScrivibile()
{
    QFETCH(bool, cartella);
    SOLO_SQLITE("about the SQLite file's permissions");
    if (!NonScrivibile::Possibile())
        QSKIP(SENZA_BLOCCO);
    // Made unwritable before the program opens it, as a user meets it at start.
    Archivio::ConnArchivio().Chiudi();
    auto blocco = std::make_unique<NonScrivibile>(cartella ? Ambiente::corrente().cartellaArchivio() : FileArchivio());
    QVERIFY(blocco->ok());
    riapriArchivio();
    const QByteArray prima = [] {
        QFile f(FileArchivio());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    digita();
    salvaFallito(cartella ? QStringLiteral("Impossibile aprire il file dell'archivio o scrivere nella sua cartella")
                          : QStringLiteral("L'archivio è in sola lettura"));
    QCOMPARE(righe(), m_prima);
    // Reading still works: the client's list is shown.
    identifica(w, QStringLiteral("RSS"));
    QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);
    QFile f(FileArchivio());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), prima);
    f.close();

    // Once the folder can be written again, the same input saves.
    if (cartella) {
        blocco.reset();
        w->PulisciCampi(false);
        digita();
        messaggi().azzera();
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(messaggi().testi(), QStringList());
        QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Verdi Srl' AND CODICEANA=2")), 1);
    }
}

void TstGuasti::archivioSparito_data()
{
    QTest::addColumn<bool>("sostituito");
    QTest::newRow("cartella rimossa") << false;
    QTest::newRow("file sostituito da un altro") << true;
}

void TstGuasti::archivioSparito()
{
    QFETCH(bool, sostituito);
    SOLO_SQLITE("about the SQLite file removed or replaced");
    if (!FileApertiRimovibili())
        QSKIP(SENZA_FILE_APERTI_RIMOVIBILI);
    const QString cartella = Ambiente::corrente().cartellaArchivio();
    digita();
    // Behind the program's back, with the connection open.
    const QByteArray estraneo("PK\x03\x04 non un archivio", 24);
    if (sostituito) {
        QFile f(cartella + QStringLiteral("/nuovo.tmp"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(estraneo);
        f.close();
        QVERIFY(Piattaforma::Sostituisci(f.fileName(), FileArchivio()));
    } else {
        QVERIFY(QDir(cartella).removeRecursively());
    }

    salvaFallito(QStringLiteral("L'archivio non è più disponibile"));
    // Nothing written anywhere: the folder not made again, the other file as it was.
    if (sostituito) {
        QFile f(FileArchivio());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), estraneo);
        QCOMPARE(QDir(cartella).entryList(QDir::Files), QStringList{NomeFileArchivio});
    } else {
        QVERIFY(!QFileInfo::exists(cartella));
    }
    // A refresh does not show the old file's rows as if they were still there.
    messaggi().azzera();
    w->RinfrescaLista();
    QVERIFY(!messaggi().messaggi.isEmpty());
    for (const QString &t : messaggi().testi())
        QVERIFY2(t.contains(QStringLiteral("L'archivio non è più disponibile")), qPrintable(t));
    QCOMPARE(w->txtDescrizione->toPlainText(), Descrizione);
}

void TstGuasti::discoPienoNelSalvataggio()
{
    SOLO_SQLITE("a file-size limit acts only on the files this process writes, not on the server's");
    if (!DiscoPieno::Possibile())
        QSKIP(SENZA_DISCO_PIENO);
    // A description long enough that the archive must grow past the limit to take it.
    QString lunga;
    while (lunga.size() < 200000)
        lunga += QStringLiteral("Spese di trasferta e pedaggi autostradali. ");
    digita(lunga);
    {
        DiscoPieno pieno(QFileInfo(FileArchivio()).size() + 8192);
        QVERIFY(pieno.ok());
        salvaFallito(QStringLiteral("Errore N."), lunga);
    }
    QVERIFY2(messaggi().testi().first().contains(QStringLiteral("disco"), Qt::CaseInsensitive), qPrintable(messaggi().testi().first()));
    QCOMPARE(righe(), m_prima);
    QCOMPARE(IntegritaArchivio(), QStringLiteral("ok"));

    // With room again, the same input saves, once and whole.
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI WHERE DESCRIZIONE=? AND CODICEANA=2"), {lunga})
                 .toInt(),
             1);
    QCOMPARE(conta(), 2);
}

void TstGuasti::discoPienoNellEsportazione()
{
    if (!DiscoPieno::Possibile())
        QSKIP(SENZA_DISCO_PIENO);
    Archivio::ConnArchivio().Transazione([] {
        for (int i = 1; i <= 2000; ++i)
            InserisciRiga(questAnno(1, 11), QString::number(i).rightJustified(100, QLatin1Char('0')), "0", "1",
                          "Rossi", "RSS", "111", 1);
    });
    const QStringList prima = righe();
    const QString percorso = Ambiente::corrente().cartella() + QStringLiteral("/pieno.csv");
    QFile::remove(percorso);
    comando(w, QStringLiteral("Esporta in CSV"));
    frmSelDate *s = frmSelDate::Esistente();
    QVERIFY(s);
    s->DtpData[0]->setDate(QDate(QDate::currentDate().year(), 1, 1));
    messaggi().azzera();
    messaggi().file << percorso;
    {
        DiscoPieno pieno(64 * 1024);
        QVERIFY(pieno.ok());
        QTest::mouseClick(s->cmdOk, Qt::LeftButton);
    }
    QCOMPARE(messaggi().messaggi.size(), 1);
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Errore "));
    QVERIFY2(messaggi().testi().first().contains(QStringLiteral("Impossibile scrivere il file")),
             qPrintable(messaggi().testi().first()));
    QVERIFY(!QFileInfo::exists(percorso));  // no truncated export left for the user to open
    QVERIFY(s->isVisible() && s->isEnabled());
    QCOMPARE(righe(), prima);
    // With room again, the same window exports.
    messaggi().azzera();
    messaggi().file << percorso;
    QTest::mouseClick(s->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Esportazione terminata")});
    QVERIFY(QFileInfo(percorso).size() > 64 * 1024);
}

bool TstGuasti::prendiArchivio(QProcess &altro)
{
    altro.start(QStandardPaths::findExecutable(QStringLiteral("sqlite3")), {FileArchivio()});
    if (!altro.waitForStarted())
        return false;
    altro.write("BEGIN EXCLUSIVE;\nSELECT 'preso';\n");
    QByteArray uscita;
    while (!uscita.contains("preso") && altro.waitForReadyRead(10000))
        uscita += altro.readAllStandardOutput();
    return uscita.contains("preso");
}

void TstGuasti::rilasciaArchivio(QProcess &altro)
{
    altro.write("ROLLBACK;\n.quit\n");
    altro.closeWriteChannel();
    altro.waitForFinished(10000);
}

void TstGuasti::archivioInUso()
{
    SOLO_SQLITE("the sqlite3 shell holds the SQLite file");
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("the sqlite3 shell is needed to hold the archive from another process");
    // Typed first: while the other program holds the archive every lookup waits for it too.
    digita();
    QProcess altro;
    QVERIFY2(prendiArchivio(altro), altro.readAllStandardError().constData());

    // The save waits for the busy timeout, then gives up.
    salvaFallito(QStringLiteral("L'archivio è in uso da un altro programma"));

    rilasciaArchivio(altro);
    QCOMPARE(altro.exitStatus(), QProcess::NormalExit);
    QCOMPARE(righe(), m_prima);
    // Once the other program lets go, the same input saves.
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Verdi Srl' AND CODICEANA=2")), 1);
}

void TstGuasti::archivioInUsoAltraPostazione()
{
    // Another desk is saving a new client: the new client's save here waits, then gives up.
    digita();
    {
        std::unique_ptr<Motore> altra = Ambiente::corrente().altraConnessione();
        altra->Inizia();
        altra->BloccaCodici();
        salvaFallito(QStringLiteral("L'archivio è in uso da un altro programma"));
        QCOMPARE(righe(), m_prima);
        altra->Annulla();
    }
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Verdi Srl' AND CODICEANA=2")), 1);
}

void TstGuasti::impostazioniAlPrimoAvvio()
{
    SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
    chiudi();
    Ambiente::corrente().azzera();
    ImpostazioniBloccate bloccate;
    const QString predefinita = CartellaArchivioPredefinita();
    QDir(predefinita).removeRecursively();
    w = ApriRegistro();
    // Reported once; the archive opens all the same on the first-run folder, and the user is told
    // where the new archive is.
    QCOMPARE(messaggi().messaggi.size(), 2);
    QCOMPARE(messaggi().messaggi.first().titolo, QStringLiteral("Errore "));
    QVERIFY2(messaggi().testi().first().contains(QStringLiteral("Impossibile salvare le impostazioni")),
             qPrintable(messaggi().testi().first()));
    QCOMPARE(messaggi().testi().last(), QStringLiteral("È stato creato un nuovo archivio vuoto nella cartella:\n") +
                                            QDir::toNativeSeparators(predefinita));
    QCOMPARE(messaggi().messaggi.last().icona, Icona::Informazione);
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
    QCOMPARE(QFileInfo(Archivio::ConnArchivio().Percorso()).absolutePath(), QFileInfo(predefinita).absoluteFilePath());
    digita();
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(conta(), 1);
    chiudi();
    Archivio::Rilascia();
    QDir(predefinita).removeRecursively();
}

void TstGuasti::impostazioniNellEsportazione()
{
    ImpostazioniBloccate bloccate;
    const QString percorso = Ambiente::corrente().cartella() + QStringLiteral("/saldi.csv");
    QFile::remove(percorso);
    comando(w, QStringLiteral("Esporta anticipazioni"));
    frmSelDate *s = frmSelDate::Esistente();
    QVERIFY(s);
    messaggi().azzera();
    messaggi().file << percorso;
    QTest::mouseClick(s->cmdOk, Qt::LeftButton);
    // The dates cannot be kept, and the user is told; the export itself is written whole.
    QStringList testi = messaggi().testi();
    QVERIFY(testi.size() >= 2);
    QCOMPARE(testi.takeLast(), QStringLiteral("Esportazione terminata"));
    for (const QString &t : testi)
        QVERIFY2(t.contains(QStringLiteral("Impossibile salvare le impostazioni")), qPrintable(t));
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\nRossi;RSS;111;-5\r\n"));
}

// Another program takes the archive between the save's commit and the refresh that follows: the
// user is told that the movement was saved, once, and does not type it again.
void TstGuasti::archivioPresoDopoIlSalvataggio()
{
    SOLO_SQLITE("the sqlite3 shell holds the SQLite file");
    SOLO_SQLITE("the sqlite3 shell holds the SQLite file");
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("the sqlite3 shell is needed to hold the archive from another process");
    digita();
    QProcess altro;
    bool preso = false;
    // The description is cleared once the row is committed, before the list is read again.
    const auto conn = connect(w->txtDescrizione, &QPlainTextEdit::textChanged, this, [&] {
        if (!preso && w->txtDescrizione->toPlainText().isEmpty())
            preso = prendiArchivio(altro);
    });
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    disconnect(conn);
    rilasciaArchivio(altro);
    QVERIFY(preso);
    QCOMPARE(messaggi().messaggi.size(), 1);
    const Messaggio m = messaggi().messaggi.first();
    QVERIFY2(m.testo.contains(QStringLiteral("Il movimento è stato salvato")), qPrintable(m.testo));
    QVERIFY2(m.testo.contains(QStringLiteral("in uso da un altro programma")), qPrintable(m.testo));
    QVERIFY(m.titolo != QLatin1String("Errore Salva"));
    // In Italian (the engine's words go to the log); the empty list says it could not be read.
    QVERIFY2(!m.testo.contains(QStringLiteral("database is locked")), qPrintable(m.testo));
    QVERIFY(Ambiente::corrente().righeLog().contains(QStringLiteral("database is locked")));
    QVERIFY(w->ReportAttivita->Vista()->testoVuoto.startsWith(QStringLiteral("Impossibile leggere i movimenti")));
    QVERIFY(w->UltimoSalvataggioRiuscito());
    QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Verdi Srl' AND USCITA=250000")), 1);
    // No total from before is passed off as this client's.
    QCOMPARE(w->lblSaldo->text(), QStringLiteral("n.d."));
}

// A folder where no new file may be made, holding a writable file: the export writes it in place.
void TstGuasti::esportazioneInCartellaBloccata()
{
    const QString cartella = Ambiente::corrente().cartella() + QStringLiteral("/bloccata");
    QDir().mkpath(cartella);
    const QString percorso = cartella + QStringLiteral("/saldi.csv");
    {
        QFile vecchio(percorso);
        QVERIFY(vecchio.open(QIODevice::WriteOnly));
        vecchio.write(QByteArray(5000, 'v'));
    }
    if (!NonScrivibile::Possibile())
        QSKIP(SENZA_BLOCCO);
    NonScrivibile bloccata(cartella);
    QVERIFY(bloccata.ok());
    {
        QFile prova(cartella + QStringLiteral("/nuovo"));
        QVERIFY(!prova.open(QIODevice::WriteOnly));  // no file can be made beside it
    }
    comando(w, QStringLiteral("Esporta anticipazioni"));
    frmSelDate *s = frmSelDate::Esistente();
    QVERIFY(s);
    messaggi().azzera();
    messaggi().file << percorso;
    messaggi().risposte = {Risposta::Si};  // replace the file
    QTest::mouseClick(s->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi().last(), QStringLiteral("Esportazione terminata"));
    QFile f(percorso);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("Ragione Sociale;Codice Fiscale;Partita IVA;Totale\r\nRossi;RSS;111;-5\r\n"));
    QCOMPARE(QDir(cartella).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("saldi.csv")});
}

// Another program holds the archive while the ledger window loads: the user is told to retry, and
// the first action once the archive is free opens it.
void TstGuasti::archivioInUsoAllAvvio()
{
    SOLO_SQLITE("the sqlite3 shell holds the SQLite file");
    SOLO_SQLITE("the sqlite3 shell holds the SQLite file");
    if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
        QSKIP("the sqlite3 shell is needed to hold the archive from another process");
    chiudi();
    QProcess altro;
    QVERIFY2(prendiArchivio(altro), altro.readAllStandardError().constData());
    messaggi().azzera();
    w = ApriRegistro();
    QCOMPARE(messaggi().messaggi.size(), 1);
    QVERIFY2(messaggi().testi().first().contains(QStringLiteral("in uso da un altro programma")),
             qPrintable(messaggi().testi().first()));
    QVERIFY(Archivio::Stato() != StatoConnessione::Aperta);
    rilasciaArchivio(altro);

    messaggi().azzera();
    digita();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
    QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Verdi Srl'")), 1);
    QCOMPARE(righe().size(), m_prima.size() + 1);
}

SPESARIO_TEST_MAIN(TstGuasti)
#include "tst_guasti.moc"
