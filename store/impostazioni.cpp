#include "store/impostazioni.h"

#include "platform/sistema.h"
#include "values/errore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace {
QString &fileImpostato()
{
    static QString f;
    return f;
}

std::unique_ptr<QSettings> apri()
{
    std::unique_ptr<QSettings> s;
    if (fileImpostato().isEmpty())
        // A file on Linux, the registry under the current user on Windows.
        s = std::make_unique<QSettings>(Piattaforma::FormatoImpostazioni(), QSettings::UserScope,
                                        QStringLiteral("Spesario"), QStringLiteral("Spesario"));
    else
        s = std::make_unique<QSettings>(fileImpostato(), QSettings::IniFormat);
    s->beginGroup(QStringLiteral("Costanti"));
    return s;
}
} // namespace

namespace Impostazioni {

QString Leggi(const QString &chiave) { return apri()->value(chiave).toString(); }

void Scrivi(const QString &chiave, const QString &valore)
{
    auto s = apri();
    s->setValue(chiave, valore);
    s->sync();
    // QSettings keeps the first error it met, a file it could not read among them: whether the
    // value was saved is told by reading it back from the file.
    const bool salvato = s->status() != QSettings::AccessError && s->isWritable() && apri()->value(chiave) == valore;
    if (!salvato)
        throw ErroreApp(CodiciErrore::ImpostazioniNonScritte,
                        QStringLiteral("Impossibile salvare le impostazioni nel file ") + s->fileName());
}

bool FileIlleggibile()
{
    auto s = apri();
    if (!QFileInfo::exists(s->fileName()))
        return false;
    return s->status() != QSettings::NoError || s->value(Connessione).toString().isEmpty();
}

QString MettiDaParte()
{
    const QString file = apri()->fileName();
    const QString base = file + QStringLiteral(".illeggibile");
    QString nuovo = base;
    for (int n = 2; QFileInfo::exists(nuovo); ++n)
        nuovo = base + QLatin1Char('-') + QString::number(n);
    // A rename never replaces a file that is there: the name is free, and stays ours.
    if (!QFile::rename(file, nuovo))
        throw ErroreApp(CodiciErrore::ImpostazioniNonScritte,
                        QStringLiteral("Il file delle impostazioni ") + QDir::toNativeSeparators(file) +
                            QStringLiteral(" non si può leggere e non è stato possibile metterlo da parte."));
    return nuovo;
}

void ImpostaFile(const QString &percorso) { fileImpostato() = percorso; }

QString File() { return apri()->fileName(); }

} // namespace Impostazioni
