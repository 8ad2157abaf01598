#pragma once
// The copy engine: the rows of ANTICIPI streamed one at a time from a source archive into a new,
// empty target archive, then the target checked against what the source gave (row count, every ID,
// the sums of ENTRATA and USCITA per client, the highest ID) before anything is put in place.
// Sources and targets sit behind two small interfaces and never learn about each other; the source
// is only ever read.
//
// Room convert/: the copy engine, its Access source (sorgente_access.h), its archive source and
// target on any engine (archivio_motore.h), the swap in the archive folder (scambio.h). It may use
// store/ and values/.

#include "values/errore.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// The number of every failure of a conversion.
constexpr int ErroreConversione = 3051;

// One movement on its way from the source to the target. Texts are UTF-8; an absent text is null.
struct RigaAnticipi {
    qint64 id = 0;
    QDate dataOp;              // the day; a time of day the source held is gone
    bool oraTolta = false;     // the source held a time of day, dropped on the way
    std::optional<QByteArray> descrizione, ragioneSociale, codiceFiscale, partitaIva;
    qint64 entrata = 0;        // ten-thousandths
    qint64 uscita = 0;
    bool importoNullo = false; // the source held a null amount, carried as 0
    qint64 codiceAna = 0;
};

class SorgenteCopia {
public:
    virtual ~SorgenteCopia() = default;
    // The rows the source says it holds, for the progress; -1 when it cannot tell.
    virtual qint64 RigheAttese() const = 0;
    // Reads the next row into `riga`; false after the last. A row that cannot be carried as it is
    // throws an ErroreApp naming its ID.
    virtual bool Leggi(RigaAnticipi &riga) = 0;
};

class DestinazioneCopia {
public:
    virtual ~DestinazioneCopia() = default;
    // Creates the empty table and starts taking rows.
    virtual void Inizia() = 0;
    virtual void Scrivi(const RigaAnticipi &riga) = 0;
    // Before Completa(): gives the row written with ID `vecchio` the ID `nuovo`, and every row
    // written with client code `vecchio` the code `nuovo`.
    virtual void CambiaId(qint64 vecchio, qint64 nuovo) = 0;
    virtual void CambiaCodice(qint64 vecchio, qint64 nuovo) = 0;
    // Makes the rows durable, builds the indexes and sets the counter above the highest ID.
    virtual void Completa() = 0;
    // Walks what the target holds, in ascending ID order, for the check.
    virtual void Rileggi(const std::function<void(qint64 id, qint64 codiceAna, qint64 entrata, qint64 uscita)> &f) = 0;
    // After a failure: removes whatever was written.
    virtual void Scarta() = 0;
};

// The IDs and client codes the archive can use: IDs are 32-bit on the server, and the code after the
// highest must still be a new client's code. 0 and negatives mean "none" to the ledger.
constexpr qint64 IdMassimo = 2147483647;
constexpr qint64 CodiceMassimo = 2147483646;

// A value the source held that the archive cannot use, and the one given in its place.
struct Rinumerazione {
    qint64 vecchio = 0;
    qint64 nuovo = 0;
};

// Sums of amounts in ten-thousandths, wide enough that a million of the largest amounts still add up.
using Somma = __int128;

struct RiepilogoCopia {
    qint64 movimenti = 0;
    qint64 clienti = 0;
    qint64 idMassimo = 0;
    Somma entrate = 0;
    Somma uscite = 0;
    qint64 conOra = 0;        // rows whose time of day was dropped
    qint64 importiNulli = 0;  // rows with a null amount, carried as 0
    // IDs outside 1..IdMassimo and client codes outside 1..CodiceMassimo, each given a new one above
    // the highest (a client keeps all its rows under its new code).
    std::vector<Rinumerazione> idRinumerati;
    std::vector<Rinumerazione> codiciRinumerati;
};

// Called now and then with the rows copied so far and those expected (-1: unknown).
using AvanzamentoCopia = std::function<void(qint64 fatte, qint64 attese)>;

// Copies every row and checks the target. Any failure (of the source, of the target or of the
// check) calls Scarta() on the target and throws an ErroreApp.
RiepilogoCopia CopiaArchivio(SorgenteCopia &sorgente, DestinazioneCopia &destinazione,
                             const AvanzamentoCopia &avanzamento = {});

// An exact sum as Italian text: "." grouping, "," and at least two decimals ("1.234,50", "1,2345").
QString TestoSomma(Somma s);
// The summary, one item a line, for the command line.
QString TestoRiepilogo(const RiepilogoCopia &r);
// What the copy changed on the way (times of day, null amounts, new IDs and codes), one item a line;
// empty when it changed nothing. For the window's summary.
QString TestoCambiamenti(const RiepilogoCopia &r);
