#pragma once
// What the earlier program left on this desk for its user: its own setting of the archive folder.
//
// Room platform/: the calls that differ between Linux and Windows. Uses Qt Core alone.

#include <QString>

// The archive folder the earlier program's own setting names for the current user, as it stored it;
// empty when there is none. Only read, never written. On Windows it is the value "Connessione" of
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Spesario\Costanti; elsewhere the earlier
// program never ran, and it is empty.
namespace Piattaforma {
QString ConnessioneProgrammaPrecedente();
} // namespace Piattaforma
