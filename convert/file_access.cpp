// The test of an Access file, apart from the source that reads one: it needs no libmdb, so it is
// there also in a build without the Access conversion.

#include "convert/sorgente_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool EFileAccess(const QString &percorso)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray testa = f.read(20);
    return testa.size() == 20 && (testa.mid(4, 15) == "Standard Jet DB" || testa.mid(4, 15) == "Standard ACE DB");
}

ErroreApp AccessNonLeggibile(const QString &percorso)
{
    return ErroreApp(ErroreConversione,
                     QStringLiteral("Impossibile convertire l'archivio ") +
                         QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath()) +
                         QStringLiteral(": questa versione del programma non legge gli archivi Access del programma "
                                        "precedente. Convertirlo con la versione per Linux (spesario --copia-archivio). "
                                        "Il file non è stato modificato."));
}
