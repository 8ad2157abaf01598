#pragma once
// Shared helpers: the Italian locale, date texts, the file test, the special folders, the version.

#include <QDate>
#include <QString>

// The short date format of the whole program (four-digit year, whatever the machine's locale).
inline const QString FormatoData = QStringLiteral("dd/MM/yyyy");

// Makes QLocale(Italian, Italy) the default, whatever the machine's locale.
void ImpostaLocaleItaliano();
// The program's name, maker and version as Qt keeps them (they choose the settings' and data folders)
// and the Italian locale: what every program of this project sets before anything else.
void ImpostaApplicazione();
// Loads Qt's own Italian texts (the Sì/No of the boxes, the file and print dialogs); false when
// they are not installed (package qt6-translations-l10n), and Qt's English ones stay.
bool CaricaTraduzioniQt();

// The date as "mm/dd/yyyy" text, for a #...# literal in a statement.
QString DataSql(const QDate &data);

// The date in the short date form ("05/03/2026") and back; an invalid text gives an invalid date.
QString TestoData(const QDate &data);
QDate DataDaTesto(const QString &testo);

// True when the path names a file that can be opened for reading; folders and missing paths are false.
bool EsisteFile(const QString &percorso);

// Special folders, without a trailing separator; empty when none can be found.
// On Windows 35 is the all-users application data folder and 16 the desktop; elsewhere the writable
// shared data folder and the desktop folder.
constexpr int CSIDL_COMMON_APPDATA = 35;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
QString CartellaSpeciale(int csidl);
// For the tests: the folder CartellaSpeciale gives for `csidl` instead of the system's (on Windows no
// environment variable moves them); an empty path gives the system's again.
void ImpostaCartellaSpeciale(int csidl, const QString &percorso);
QString CartellaDatiComuni();
QString CartellaDesktop();

// The version text: major.minor.revision as plain numbers ("1.01.0003" gives "1.1.3").
QString TestoVersione(const QString &versione = QStringLiteral(SPESARIO_VERSIONE));
