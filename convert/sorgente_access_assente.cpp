// The Access source of a build without libmdb (the Windows build until its libmdb can be built):
// the conversion says so plainly and never touches the file.

#include "convert/sorgente_access.h"

#include <QDir>
#include <QFileInfo>

SorgenteAccess::SorgenteAccess(const QString &percorso)
{
    throw ErroreApp(ErroreConversione,
                    QStringLiteral("Impossibile convertire l'archivio ") +
                        QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath()) +
                        QStringLiteral(": questa versione del programma non legge gli archivi Access del programma "
                                       "precedente. Convertirlo con la versione per Linux (spesario --copia-archivio). "
                                       "Il file non è stato modificato."));
}

struct SorgenteAccess::Dati {};

SorgenteAccess::~SorgenteAccess() = default;

qint64 SorgenteAccess::RigheAttese() const { return 0; }

bool SorgenteAccess::Leggi(RigaAnticipi &) { return false; }
