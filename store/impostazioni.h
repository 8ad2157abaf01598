#pragma once
// The per-user settings store: application "Spesario", section "Costanti". Every write is synced to
// disk at once, so that a program ended through the error reporter keeps it.

#include <QString>

namespace Impostazioni {
inline const QString Connessione = QStringLiteral("Connessione");
inline const QString DataI = QStringLiteral("DataI");
inline const QString DataF = QStringLiteral("DataF");

// An absent key reads as empty text.
QString Leggi(const QString &chiave);
// Throws ErroreApp when the settings cannot be written.
void Scrivi(const QString &chiave, const QString &valore);

// The settings file; tests point it elsewhere. Empty: the platform's per-user place.
void ImpostaFile(const QString &percorso);
QString File();
} // namespace Impostazioni
