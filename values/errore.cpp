#include "values/errore.h"

#include "platform/sistema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

ErroreApp::ErroreApp(int numero, QString descrizione)
    : m_numero(numero), m_descrizione(std::move(descrizione)), m_utf8(m_descrizione.toUtf8())
{
}

// The build that makes the package names its folder; other builds (the fuzz targets) have none.
#ifndef SPESARIO_CARTELLA_INSTALLATA
#define SPESARIO_CARTELLA_INSTALLATA ""
#endif

namespace {

FunzioneUscita &funzioneUscita()
{
    static FunzioneUscita f = [](int codice) {
        // End at once: no window's unload step runs. Settings are synced when written.
        Piattaforma::EsciSubito(codice);
    };
    return f;
}

QString &cartellaLog()
{
    static QString c;
    return c;
}

bool appendiRiga(const QString &percorso, const QByteArray &riga)
{
    QFile f(percorso);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool ok = f.write(riga) == riga.size();
    f.close();
    return ok && f.error() == QFileDevice::NoError;
}

void scriviLog(const ErroreApp &errore)
{
    // One line per report: a line break inside an engine's message would split it.
    QString descrizione = errore.descrizione();
    descrizione.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString riga = QString::number(errore.numero()) + QLatin1Char(' ') + descrizione +
                         QLatin1Char(' ') +
                         QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) +
                         QStringLiteral("\r\n");
    const QByteArray byte = riga.toUtf8();
    if (appendiRiga(PercorsoLog(), byte))
        return;
    // The program's folder may be read-only (an installed program): keep the log in the data folder.
    const QString dati = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!dati.isEmpty() && QDir().mkpath(dati))
        appendiRiga(dati + QStringLiteral("/LOGERR"), byte);
}

} // namespace

void ImpostaFunzioneUscita(FunzioneUscita f) { funzioneUscita() = std::move(f); }

void TerminaProgramma(int codice) { funzioneUscita()(codice); }

void ImpostaCartellaLog(const QString &cartella) { cartellaLog() = cartella; }

QString CartellaLogPredefinita(const QString &cartellaProgramma)
{
    // The installed program's folder is the system's, shared with every other program: even where it
    // can be written (the program run as root) a log there would be a file that no package owns.
    const QString installata = QFileInfo(QStringLiteral(SPESARIO_CARTELLA_INSTALLATA)).canonicalFilePath();
    if (!installata.isEmpty() && QFileInfo(cartellaProgramma).canonicalFilePath() == installata)
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return cartellaProgramma;
}

QString PercorsoLog()
{
    QString cartella = cartellaLog();
    if (cartella.isEmpty()) {
        cartella = CartellaLogPredefinita(QCoreApplication::applicationDirPath());
        QDir().mkpath(cartella);
    }
    return cartella + QStringLiteral("/LOGERR");
}

void RegistraErrore(const ErroreApp &errore) { scriviLog(errore); }
