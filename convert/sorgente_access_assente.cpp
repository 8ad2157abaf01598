// The Access source of a build without libmdb (the Windows build until its libmdb can be built):
// the conversion says so plainly and never touches the file.

#include "convert/sorgente_access.h"

SorgenteAccess::SorgenteAccess(const QString &percorso) { throw AccessNonLeggibile(percorso); }

bool LeggeAccess() { return false; }

struct SorgenteAccess::Dati {};

SorgenteAccess::~SorgenteAccess() = default;

qint64 SorgenteAccess::RigheAttese() const { return 0; }

bool SorgenteAccess::Leggi(RigaAnticipi &) { return false; }
