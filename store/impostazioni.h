#pragma once
// The per-user settings store: application "Spesario", section "Costanti". Every write is synced to
// disk at once, so that a program ended through the error reporter keeps it.

#include <QString>

namespace Impostazioni {
inline const QString Connessione = QStringLiteral("Connessione");
inline const QString DataI = QStringLiteral("DataI");
inline const QString DataF = QStringLiteral("DataF");
// The telephone line of the about window, when an office sets one.
inline const QString Telefono = QStringLiteral("Telefono");

// An absent key reads as empty text.
QString Leggi(const QString &chiave);
// Throws ErroreApp when the settings cannot be written.
void Scrivi(const QString &chiave, const QString &valore);

// A settings file that is there but cannot be read: empty, not in the settings' form, or without the
// archive folder that the first start always writes. Such a file never counts as a first run.
bool FileIlleggibile();
// Moves such a file aside under a name of its own, never over another file; returns that name.
// Throws ErroreApp when it cannot be moved.
QString MettiDaParte();

// The settings file; tests point it elsewhere. Empty: the platform's per-user place.
void ImpostaFile(const QString &percorso);
QString File();
} // namespace Impostazioni
