#include "bench/lettura_pg.h"

#include "store/engines/motore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <libpq-fe.h>

namespace {
const QString TutteLeRighe = QStringLiteral("SELECT * FROM ANTICIPI");
}

qint64 LeggiTuttoConMotore(const QString &uri)
{
    const std::unique_ptr<Motore> m = ApriMotorePostgres(uri);
    auto c = m->Query(TutteLeRighe);
    qint64 righe = 0;
    volatile qint64 somma = 0;
    while (c->Avanza()) {
        for (int i = 0; i < 9; ++i) {
            qint64 n = 0;
            if (i == 0 || i == 3 || i == 4 || i == 8)
                c->Intero(i, &n);
            else
                n = c->Utf8(i).size();
            somma = somma + n;
        }
        ++righe;
    }
    return righe;
}

qint64 LeggiTuttoConQpsql(const QString &uri)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return -1;
    qint64 righe = 0;
    {
        // QPSQL takes the parts of the address one by one.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("lettura"));
        PQconninfoOption *opzioni = PQconninfoParse(uri.toUtf8().constData(), nullptr);
        for (PQconninfoOption *o = opzioni; o && o->keyword; ++o) {
            if (!o->val)
                continue;
            const QString k = QString::fromLatin1(o->keyword), v = QString::fromUtf8(o->val);
            if (k == QLatin1String("host"))
                db.setHostName(v);
            else if (k == QLatin1String("dbname"))
                db.setDatabaseName(v);
            else if (k == QLatin1String("user"))
                db.setUserName(v);
            else if (k == QLatin1String("port"))
                db.setPort(v.toInt());
        }
        PQconninfoFree(opzioni);
        if (!db.open())
            return -1;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(TutteLeRighe);
        volatile qint64 somma = 0;
        while (q.next()) {
            for (int i = 0; i < 9; ++i) {
                const QVariant v = q.value(i);
                somma = somma + ((i == 0 || i == 3 || i == 4 || i == 8) ? v.toLongLong() : v.toString().size());
            }
            ++righe;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lettura"));
    return righe;
}
