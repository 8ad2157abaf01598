#include "store/impostazioni.h"

#include "store/errore.h"

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
        s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Spesario"),
                                        QStringLiteral("Spesario"));
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
    if (s->status() != QSettings::NoError || !s->isWritable())
        throw ErroreApp(CodiciErrore::ImpostazioniNonScritte,
                        QStringLiteral("Impossibile salvare le impostazioni nel file ") + s->fileName());
}

void ImpostaFile(const QString &percorso) { fileImpostato() = percorso; }

QString File() { return apri()->fileName(); }

} // namespace Impostazioni
