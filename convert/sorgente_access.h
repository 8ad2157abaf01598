#pragma once
// The source that reads the earlier program's archive: an Access (Jet) file with the table ANTICIPI,
// read through mdbtools' libmdb. Every value is taken from the row's own bytes: Currency as its
// 64-bit count of ten-thousandths, the date as Jet's day number (the time of day dropped), texts
// decoded from Jet's UTF-16 into UTF-8 whatever their length, a null told apart from an empty text.

#include "convert/copia.h"

#include <QString>
#include <memory>

class SorgenteAccess : public SorgenteCopia {
public:
    // Opens the file and finds ANTICIPI with its nine columns; throws an ErroreApp with a plain
    // message for a file that cannot be read, is not Access, is damaged or is another program's.
    explicit SorgenteAccess(const QString &percorso);
    ~SorgenteAccess() override;

    qint64 RigheAttese() const override;
    bool Leggi(RigaAnticipi &riga) override;

private:
    struct Dati;
    std::unique_ptr<Dati> d;
};

// Whether the file begins as an Access database does ("Standard Jet DB" or "Standard ACE DB").
bool EFileAccess(const QString &percorso);

// Whether this build reads Access files (it needs libmdb, which the Windows build lacks so far).
bool LeggeAccess();
// What a build that cannot read them says of the file at `percorso`.
ErroreApp AccessNonLeggibile(const QString &percorso);
