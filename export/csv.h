#pragma once
// The two semicolon-separated exports, written line by line to any QIODevice: the balance of every
// client at a date, and every movement of a period. One pass over the query, each line written as
// soon as it is built, so that the size of the archive never shows in memory.
//
// Values are written as they are stored: amounts in their plain form (1250,5 / 300 / -12,25), dates
// as dd/MM/yyyy (with the time only when it is not midnight), a null as an empty field. A value that
// holds ";", '"' or a line break would shift the columns that follow it, so it alone goes between
// double quotes with its inner quotes doubled, as Excel reads it. Lines end in CR LF and the text is
// Windows-1252, the code page Excel opens on an Italian Windows; a character it cannot hold is "?".
//
// Room export/: these writers and the period window that runs them (frmSelDate.h). It may use
// widgets/, store/ and values/.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;
class Archivio;
class QDateTime;

namespace Csv {

inline const QString IntestazioneSaldi = QStringLiteral("Ragione Sociale;Codice Fiscale;Partita IVA;Totale");
inline const QString IntestazioneMovimenti = QStringLiteral(
    "Data Operazione;Descrizione;Entrata;Uscita;Ragione Sociale;Codice Fiscale;Partita IVA");

// The statements, in their Jet text.
QString QuerySaldi(const QDate &alGiorno);
QString QueryMovimenti(const QDate &dal, const QDate &al);
// The ends the movements' progress is measured between: the table's first and last ID, the period's
// first and last day.
QString QueryEstremi(const QDate &dal, const QDate &al);

// One field: the value as it is, or between double quotes when it holds ";", '"', CR or LF.
QString Campo(const QString &valore);
// A date as the file shows it: dd/MM/yyyy, then " HH:mm:ss" unless the time is midnight.
QString TestoDataOra(const QDateTime &dataOra);
// The fields joined by ";" and ended by CR LF, in Windows-1252.
QByteArray Riga(const QStringList &campi);
// Windows-1252 bytes of the text, each character the code page cannot hold written as "?".
QByteArray Windows1252(const QString &testo);

// How a running export tells its window where it is, in steps: the balances take one for every row
// the engine's grouping returned, written or not; the movements a thousandth of their walk, measured
// without counting the rows first. The steps taken add up to the total once the export ends.
struct Avanzamento {
    std::function<void(qint64 passi)> totale;  // once, before the first step
    std::function<void()> riga;                // one step done
};

// Write the header and the lines. A failed write or query throws ErroreApp; what was written so far
// stays in the device, so the caller decides what becomes of it. Return the rows read.
qint64 ScriviSaldi(QIODevice &uscita, Archivio &archivio, const QDate &alGiorno,
                   const Avanzamento &avanzamento = {});
qint64 ScriviMovimenti(QIODevice &uscita, Archivio &archivio, const QDate &dal, const QDate &al,
                       const Avanzamento &avanzamento = {});

} // namespace Csv
