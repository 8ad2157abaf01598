#pragma once
// What the conversion tests share: the Access files copied into dati/, reading a file, catching an error.

#include "values/errore.h"

#include <QFile>
#include <functional>

inline QString dati(const QString &nome) { return QStringLiteral(DATI_CONVERSIONE "/") + nome; }

inline QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void scrivi(const QString &percorso, const QByteArray &byte)
{
    QFile f(percorso);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(byte);
}

// The description of the ErroreApp that f throws; empty when it throws none.
inline QString erroreDi(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ErroreApp &e) {
        return e.descrizione();
    }
    return QString();
}
