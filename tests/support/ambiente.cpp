#include "tests/support/ambiente.h"

#include "store/backup.h"
#include "store/impostazioni.h"
#include "tests/support/sistema.h"
#include "values/costanti.h"
#include "values/errore.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>

namespace {
Ambiente *g_corrente = nullptr;

// CTest's SKIP_RETURN_CODE for the PostgreSQL run of a test (tests/CMakeLists.txt).
constexpr int CodiceSaltata = 77;

// The cluster's URI without a database name, from tests/pg/cluster.sh.
QString baseServer() { return QString::fromUtf8(qgetenv("SPESARIO_TEST_PG")); }

// Runs statements on one database of the test cluster as its superuser, outside the program's
// engine; a failure ends the test run, since no test could mean anything after it.
void amministra(const QString &database, const QStringList &istruzioni)
{
    PGconn *c = PQconnectdb((baseServer() + database).toUtf8().constData());
    if (PQstatus(c) != CONNECTION_OK)
        qFatal("test cluster unreachable (%s): %s", qPrintable(baseServer() + database), PQerrorMessage(c));
    for (const QString &sql : istruzioni) {
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        const ExecStatusType s = PQresultStatus(r);
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK)
            qFatal("%s: %s", qPrintable(sql), PQresultErrorMessage(r));
        PQclear(r);
    }
    PQfinish(c);
}
} // namespace

bool ProvaSuServer() { return qgetenv("SPESARIO_MOTORE") == "postgresql"; }

Risposta MessaggiFinti::mostra(QWidget *, const Messaggio &m)
{
    messaggi.append(m);
    if (allaDomanda)
        allaDomanda(m);
    if (m.pulsanti == Pulsanti::Ok)
        return Risposta::Ok;
    return risposte.isEmpty() ? rispostaPredefinita : risposte.takeFirst();
}

QString MessaggiFinti::fileDaSalvare(QWidget *, const RichiestaFile &r)
{
    richiesteFile.append(r);
    return file.isEmpty() ? QString() : file.takeFirst();
}

void MessaggiFinti::anteprimaStampa(QWidget *, const QString &titolo, const std::function<void(QPrinter *)> &disegna)
{
    titoliAnteprima.append(titolo);
    if (pdfAnteprima.isEmpty())
        return;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfAnteprima);
    disegna(&printer);
    ++pagineAnteprima;
}

void MessaggiFinti::azzera()
{
    messaggi.clear();
    risposte.clear();
    rispostaPredefinita = Risposta::Si;
    allaDomanda = nullptr;
    file.clear();
    richiesteFile.clear();
    titoliAnteprima.clear();
    pdfAnteprima.clear();
    pagineAnteprima = 0;
}

QStringList MessaggiFinti::testi() const
{
    QStringList r;
    for (const Messaggio &m : messaggi)
        r << m.testo;
    return r;
}

Ambiente::Ambiente()
{
    g_corrente = this;
    ImpostaLocaleItaliano();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("dati"))));
    qputenv("XDG_DESKTOP_DIR", QFile::encodeName(m_dir.filePath(QStringLiteral("Scrivania"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    QDir().mkpath(m_dir.filePath(QStringLiteral("Scrivania")));
    // Qt takes the desktop from user-dirs.dirs, not from the environment: without this file the
    // tests would see the user's real desktop.
    QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
    QFile cartelleUtente(m_dir.filePath(QStringLiteral("config/user-dirs.dirs")));
    if (cartelleUtente.open(QIODevice::WriteOnly))
        cartelleUtente.write("XDG_DESKTOP_DIR=\"" + QFile::encodeName(m_dir.filePath(QStringLiteral("Scrivania"))) + "\"\n");
    cartelleUtente.close();
    ImpostaCartelleProva(m_dir.filePath(QStringLiteral("dati")), m_dir.filePath(QStringLiteral("Scrivania")));
    Impostazioni::ImpostaFile(m_dir.filePath(QStringLiteral("Spesario.ini")));
    ImpostaCartellaLog(m_dir.path());
    Messaggi::impostaServizio(&messaggi);
    ImpostaFunzioneUscita([this](int) { ++uscite; });
    // The tests of the daily backup switch it on; elsewhere it would add files and log lines.
    CopiaGiornaliera::ImpostaAttiva(false);

    if (!ProvaSuServer())
        return;
    if (baseServer().isEmpty()) {
        std::fprintf(stderr, "PostgreSQL run skipped: SPESARIO_TEST_PG names no test cluster. Run the tests "
                             "through tests/pg/cluster.sh (make test does), e.g. from build/: "
                             "../tests/pg/cluster.sh ctest\n");
        std::exit(CodiceSaltata);
    }
    // One database per test process: tests running side by side never share an archive.
    m_database = QStringLiteral("prova_%1_%2")
                     .arg(QCoreApplication::applicationName().toLower().remove(QRegularExpression(QStringLiteral("[^a-z0-9_]"))))
                     .arg(QCoreApplication::applicationPid());
    amministra(QStringLiteral("postgres"), {QStringLiteral("DROP DATABASE IF EXISTS ") + m_database,
                                            QStringLiteral("CREATE DATABASE ") + m_database});
    amministra(m_database, {QStringLiteral("CREATE EXTENSION amcheck")});
}

Ambiente::~Ambiente()
{
    Archivio::Rilascia();
    Messaggi::impostaServizio(nullptr);
    g_corrente = nullptr;
    if (!m_database.isEmpty())
        amministra(QStringLiteral("postgres"), {QStringLiteral("DROP DATABASE ") + m_database + QStringLiteral(" WITH (FORCE)")});
}

Ambiente &Ambiente::corrente() { return *g_corrente; }

void Ambiente::azzera()
{
    Archivio::Rilascia();
    QFile::remove(m_dir.filePath(QStringLiteral("Spesario.ini")));
    QFile::remove(PercorsoLog());
    messaggi.azzera();
    uscite = 0;
}

QString Ambiente::cartellaArchivio() const { return m_cartellaArchivio; }

void Ambiente::apriArchivioNuovo()
{
    if (m_database.isEmpty()) {
        m_cartellaArchivio = m_dir.filePath(QStringLiteral("archivio%1").arg(++m_contatore));
        QDir().mkpath(m_cartellaArchivio);
        m_connessione = m_cartellaArchivio;
    } else {
        // The table dropped, so that the program makes it anew as on its first connection; a
        // connection left by an earlier case (a child killed mid-save, say) must not hold it.
        Archivio::ConnArchivio().Chiudi();
        amministra(m_database,
                   {QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                                   "current_database() AND pid <> pg_backend_pid()"),
                    QStringLiteral("DROP TABLE IF EXISTS anticipi CASCADE")});
        m_connessione = baseServer() + m_database;
    }
    Impostazioni::Scrivi(Impostazioni::Connessione, m_connessione);
    if (m_database.isEmpty())
        Archivio::ConnArchivio().Apri(QDir(m_cartellaArchivio).filePath(NomeFileArchivio), true);
    else
        riapriArchivio();
}

void Ambiente::riapriArchivio()
{
    if (m_database.isEmpty())
        Archivio::ConnArchivio().Apri(QDir(m_cartellaArchivio).filePath(NomeFileArchivio), false);
    else
        Archivio::ConnArchivio().Apri(ApriMotorePostgres(m_connessione));
}

std::unique_ptr<Motore> Ambiente::altraConnessione() const
{
    if (m_database.isEmpty())
        return ApriMotoreSqlite(QDir(m_cartellaArchivio).filePath(NomeFileArchivio), false);
    return ApriMotorePostgres(m_connessione);
}

QString Ambiente::righeLog() const
{
    QFile f(PercorsoLog());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

qint64 InserisciRiga(const QString &data, const QString &descrizione, const QString &entrata, const QString &uscita,
                     const QString &ragioneSociale, const QString &codiceFiscale, const QString &partitaIva,
                     qint64 codiceAna)
{
    Movimento m;
    m.dataOp = QDate::fromString(data, QStringLiteral("yyyy-MM-dd"));
    m.descrizione = descrizione;
    m.entrata = Valuta::daTesto(entrata).value();
    m.uscita = Valuta::daTesto(uscita).value();
    m.ragioneSociale = ragioneSociale;
    m.codiceFiscale = codiceFiscale;
    m.partitaIva = partitaIva;
    m.codiceAna = codiceAna;
    return Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), m);
}

QVariant ValoreSql(const QString &sql, const QVariantList &valori)
{
    const QList<QVariantList> r = RigheSql(sql, valori);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

QList<QVariantList> RigheSql(const QString &sql, const QVariantList &valori)
{
    QList<QVariantList> righe;
    try {
        for (Recordset rs = Archivio::ConnArchivio().QueryValori(sql, valori); !rs.Fine(); rs.MoveNext()) {
            QVariantList riga;
            for (int i = 0; i < rs.NumeroCampi(); ++i)
                riga << rs.Campo(i);
            righe << riga;
        }
    } catch (const ErroreApp &e) {
        qWarning("%s", e.what());
        return {};
    }
    return righe;
}

bool EseguiSql(const QString &sql, const QVariantList &valori)
{
    try {
        Archivio::ConnArchivio().EseguiValori(sql, valori);
        return true;
    } catch (const ErroreApp &e) {
        qWarning("%s", e.what());
        return false;
    }
}

QString IntegritaArchivio()
{
    if (!ProvaSuServer())
        return ValoreSql(QStringLiteral("PRAGMA integrity_check")).toString();
    // amcheck reads every page of the table and of its indexes, and every row against each index.
    if (ValoreSql(QStringLiteral("SELECT COUNT(*) FROM verify_heapam('anticipi')")).toInt() != 0)
        return QStringLiteral("table damaged");
    const QVariant indici = ValoreSql(QStringLiteral("SELECT COUNT(bt_index_check(indexrelid, true)) FROM pg_index "
                                                     "WHERE indrelid = 'anticipi'::regclass"));
    return indici.isNull() ? QStringLiteral("index damaged") : QStringLiteral("ok");
}

int TabelleArchivio()
{
    return ValoreSql(ProvaSuServer() ? QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE schemaname = current_schema()")
                                     : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                                                      "name<>'sqlite_sequence'"))
        .toInt();
}

bool BloccaAggiornamenti(const QString &testo)
{
    QString t = testo;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (!ProvaSuServer())
        return EseguiSql(QStringLiteral("CREATE TRIGGER blocca BEFORE UPDATE ON ANTICIPI BEGIN SELECT RAISE(ABORT, '%1'); END")
                             .arg(t));
    t.replace(QLatin1Char('\''), QStringLiteral("''"));  // quoted once more, inside the function's body
    return EseguiSql(QStringLiteral("CREATE OR REPLACE FUNCTION blocca() RETURNS trigger LANGUAGE plpgsql AS "
                                    "'BEGIN RAISE EXCEPTION ''%1''; END'")
                         .arg(t)) &&
           EseguiSql(QStringLiteral("CREATE TRIGGER blocca BEFORE UPDATE ON ANTICIPI FOR EACH ROW EXECUTE FUNCTION blocca()"));
}

void SoloLettura(bool si)
{
    if (ProvaSuServer())
        EseguiSql(QStringLiteral("SET default_transaction_read_only = ") + (si ? QStringLiteral("on") : QStringLiteral("off")));
    else
        ValoreSql(QStringLiteral("PRAGMA query_only=") + (si ? QStringLiteral("1") : QStringLiteral("0")));
}

QString TestoPdf(const QString &percorso)
{
    // From file to file: under Wine the Linux pdftotext (named by wine.sh) gets no pipes, and knows
    // the files by their Unix paths.
    const QString testo = percorso + QStringLiteral(".txt");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(qEnvironmentVariable("SPESARIO_PDFTOTEXT", QStringLiteral("pdftotext")),
            {PercorsoPerProgrammaLinux(percorso), PercorsoPerProgrammaLinux(testo)});
    p.waitForFinished(30000);
    // Wine has no handle to wait on for a Linux program: its script renames the whole file into place.
    QElapsedTimer attesa;
    attesa.start();
    while (!QFileInfo::exists(testo) && attesa.elapsed() < 30000)
        QThread::msleep(20);
    QFile f(testo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // NFKC: pdftotext gives the font's ligatures as single characters ("ﬁ" for "fi").
    QString t = QString::fromUtf8(f.readAll()).normalized(QString::NormalizationForm_KC);
    return t.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}
