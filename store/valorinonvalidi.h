#pragma once
// Values that another program may have written into ANTICIPI and that this program cannot read as
// what their column holds: a DATAOP that is not a day in the stored form 'yyyy-MM-dd' (a time of
// day after it, day and month the other way round, a number), an amount that is not a whole number
// of ten-thousandths (a text such as '12,50', a fraction). They are never reinterpreted: the
// ledger and the exports name them by ID and field, and leave out, or stop at, what they cannot
// compute.

#include "values/errore.h"
#include "values/valuta.h"

#include <QDate>
#include <QList>
#include <QString>

class Archivio;
class Recordset;

struct ValoreNonValido {
    qint64 id = 0;
    QString campo;   // "DATAOP", "ENTRATA", "USCITA"
    QString valore;  // as stored, for the message
};

// The day a DATAOP holds, or an invalid date when it is not a day in the stored form.
QDate GiornoArchivio(const Recordset &rs, int posizione);
// The day of a text in the stored form 'yyyy-MM-dd' (exactly), or an invalid date.
QDate GiornoDaTesto(QByteArrayView testo);
// The amount a field holds (null reads as 0), or nothing when it is not a whole number.
std::optional<Valuta> ImportoArchivio(const Recordset &rs, int posizione);
// The stored value as text, for a message.
QString TestoValore(const Recordset &rs, int posizione);

// Rows of the whole archive whose DATAOP is not a day in the stored form, at most `limite`.
QList<ValoreNonValido> DateNonValide(Archivio &archivio, int limite);
// The statements of the two checks, for the benchmark's floor.
QString IstruzioneDateNonValide(int limite);
QString IstruzioneImportiNonValidi(const QDate &alGiorno, int limite);
// Rows dated up to `alGiorno` whose ENTRATA or USCITA is not a whole number, at most `limite` rows.
QList<ValoreNonValido> ImportiNonValidi(Archivio &archivio, const QDate &alGiorno, int limite);

// The report of such values: each named by ID and field, then `conseguenza` (what was done).
ErroreApp ErroreValoriNonValidi(const QList<ValoreNonValido> &valori, const QString &conseguenza);
