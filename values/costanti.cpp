#include "values/costanti.h"

#include "platform/sistema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>
#include <QStringList>

void ImpostaLocaleItaliano() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

void ImpostaApplicazione()
{
    QCoreApplication::setApplicationName(QStringLiteral("Spesario"));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvalle"));
    QCoreApplication::setApplicationVersion(TestoVersione());
    ImpostaLocaleItaliano();
}

bool CaricaTraduzioniQt()
{
    auto *t = new QTranslator(QCoreApplication::instance());
    if (t->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(t);
        return true;
    }
    delete t;
    return false;
}

QString DataSql(const QDate &data) { return data.toString(QStringLiteral("MM/dd/yyyy")); }

QString TestoData(const QDate &data) { return data.toString(FormatoData); }

QDate DataDaTesto(const QString &testo)
{
    return QDate::fromString(testo.trimmed(), FormatoData);
}

bool EsisteFile(const QString &percorso)
{
    if (percorso.isEmpty() || QFileInfo(percorso).isDir())
        return false;
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    f.close();
    return true;
}

namespace {
QHash<int, QString> &cartelleImpostate()
{
    static QHash<int, QString> c;
    return c;
}
} // namespace

void ImpostaCartellaSpeciale(int csidl, const QString &percorso)
{
    if (percorso.isEmpty())
        cartelleImpostate().remove(csidl);
    else
        cartelleImpostate().insert(csidl, percorso);
}

QString CartellaSpeciale(int csidl)
{
    // Nothing here throws: no step runner around it, so that values/ asks nothing of the windows.
    const auto impostata = cartelleImpostate().constFind(csidl);
    QString percorso = impostata != cartelleImpostate().cend() ? *impostata : Piattaforma::CartellaSpeciale(csidl);
    while (percorso.size() > 1 && (percorso.endsWith(QLatin1Char('/')) || percorso.endsWith(QLatin1Char('\\'))))
        percorso.chop(1);
    return percorso;
}

QString CartellaDatiComuni() { return CartellaSpeciale(CSIDL_COMMON_APPDATA); }

QString CartellaDesktop() { return CartellaSpeciale(CSIDL_DESKTOPDIRECTORY); }

QString TestoVersione(const QString &versione)
{
    QStringList parti;
    const QStringList pezzi = versione.split(QLatin1Char('.'));
    for (const QString &p : pezzi)
        parti << QString::number(p.toInt());
    while (parti.size() < 3)
        parti << QStringLiteral("0");
    return parti.mid(0, 3).join(QLatin1Char('.'));
}
