#include "platform/precedente.h"

#include <QSettings>

QString Piattaforma::ConnessioneProgrammaPrecedente()
{
#ifdef Q_OS_WIN
    // QSettings creates the key it is opened on when missing: it is opened on Software, which is
    // always there, and the earlier program's keys are reached by a read that opens them read-only.
    const QSettings software(QStringLiteral("HKEY_CURRENT_USER\\Software"), QSettings::NativeFormat);
    return software.value(QStringLiteral("VB and VBA Program Settings/Spesario/Costanti/Connessione"))
        .toString();
#else
    return QString();
#endif
}
