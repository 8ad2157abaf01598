#pragma once
// The daily backup of the archive file. When the ledger window loads and the folder "backup" beside
// archivio.mdb holds no backup of today, the open archive is copied there as archivio-YYYY-MM-DD.mdb
// with SQLite's online backup, a few milliseconds of work at a time from the event loop so that the
// window stays responsive; the newest 30 backups are kept (one dated after today counts as the
// oldest, and is written to LOGERR). The copy is written under a temporary name and takes its own
// only when whole. A failure is written once to LOGERR and never interrupts the user's work. An
// archive on a server is not copied here.

#include <QDate>
#include <QString>
#include <functional>

class QObject;

namespace CopiaGiornaliera {
constexpr int CopieTenute = 30;

// Starts today's backup of the open archive when it is due. The work belongs to `proprietario` and
// ends with it: a copy left unfinished is abandoned, and the next start makes it again.
void Avvia(QObject *proprietario);
// Whether a backup is being made.
bool InCorso();

// The backups' folder for an archive file, and the name of one day's backup.
QString Cartella(const QString &fileArchivio);
QString NomeFile(const QDate &giorno);

// What the last backup cost: the whole copy and its longest turn of the event loop.
struct Misure {
    qint64 totaleMs = 0;
    double turnoMassimoMs = 0;
    int turni = 0;
    int pagine = 0;
};
Misure UltimeMisure();

// For the tests and the benchmark: on or off (on in the program), today's date, the wait after the
// window's load before the copy starts, and the pages copied per step with the time one turn of the
// event loop may take.
void ImpostaAttiva(bool attiva);
void ImpostaOggi(std::function<QDate()> oggi);  // empty: the computer's date
void ImpostaRitardo(int ms);
void ImpostaPasso(int pagine, int msPerTurno);
} // namespace CopiaGiornaliera
