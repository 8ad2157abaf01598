// The test of an Access file, apart from the source that reads one: it needs no libmdb, so it is
// there also in a build without the Access conversion.

#include "convert/sorgente_access.h"

#include <QFile>

bool EFileAccess(const QString &percorso)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray testa = f.read(20);
    return testa.size() == 20 && (testa.mid(4, 15) == "Standard Jet DB" || testa.mid(4, 15) == "Standard ACE DB");
}
