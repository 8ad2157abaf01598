#include "tests/support/ambiente.h"

#include "store/backup.h"
#include "store/costanti.h"
#include "store/errore.h"
#include "store/impostazioni.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace {
Ambiente *g_corrente = nullptr;
}

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
    Impostazioni::ImpostaFile(m_dir.filePath(QStringLiteral("Spesario.ini")));
    ImpostaCartellaLog(m_dir.path());
    Messaggi::impostaServizio(&messaggi);
    ImpostaFunzioneUscita([this](int) { ++uscite; });
    // The tests of the daily backup switch it on; elsewhere it would add files and log lines.
    CopiaGiornaliera::ImpostaAttiva(false);
}

Ambiente::~Ambiente()
{
    Archivio::Rilascia();
    Messaggi::impostaServizio(nullptr);
    g_corrente = nullptr;
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
    m_cartellaArchivio = m_dir.filePath(QStringLiteral("archivio%1").arg(++m_contatore));
    QDir().mkpath(m_cartellaArchivio);
    Impostazioni::Scrivi(Impostazioni::Connessione, m_cartellaArchivio);
    Archivio::ConnArchivio().Apri(QDir(m_cartellaArchivio).filePath(NomeFileArchivio), true);
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

QString TestoPdf(const QString &percorso)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {percorso, QStringLiteral("-")});
    p.waitForFinished(30000);
    // NFKC: pdftotext gives the font's ligatures as single characters ("ﬁ" for "fi").
    QString t = QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    return t.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}
