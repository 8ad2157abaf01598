#pragma once
// Reading every row of an archive on a server, for the choice of client library: through the
// program's own engine (libpq, one row at a time) and through Qt's QPSQL driver (forward only),
// each reading every column as the program does.

#include <QString>

// The rows read through the program's engine; the time is the caller's to take.
qint64 LeggiTuttoConMotore(const QString &uri);
// The same through QPSQL; -1 when Qt's PostgreSQL driver (package libqt6sql6-psql) is not installed.
qint64 LeggiTuttoConQpsql(const QString &uri);
