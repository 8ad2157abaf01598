#pragma once
// The vendor's details and the links to its site, defined here and nowhere else: the start window,
// the about window and the ledger's Help menu all read them from this file.

#include <QString>
#include <QUrl>
#include <functional>

namespace Collegamenti {
// The one host of the vendor's site; every web address below is built on it.
inline constexpr char Host[] = "www.corvalle.it";
// The support mailbox.
inline constexpr char PostaAssistenza[] = "assistenza@corvalle.it";

// Contact block of the about window.
inline constexpr char RagioneSociale[] = "Corvalle Software S.r.l.";
inline constexpr char Indirizzo[] = "Via dei Mulini, 14";
inline constexpr char Localita[] = "25121 Brescia (BS)";
inline constexpr char TelefonoFax[] = "Tel. 030 000 0000 - Fax 030 000 0001";

// The host as the windows show it.
QString TestoSito();

QUrl PaginaIniziale();  // the site's root
QUrl PaginaProdotto();  // the product page
QUrl Manuale();         // the online manual
QUrl Assistenza();      // a new e-mail to the support mailbox

// The user guide on this machine, as a file: the one the package installs (share/doc/spesario beside
// the program's bin folder) or, for a program run from its build tree, the page the build rendered
// (docs/ of the build folder); empty when there is neither.
QString GuidaLocale(const QString &cartellaProgramma);
// What the Help menu opens: the local guide, or the online manual when this machine has none.
QUrl Guida();

// Opens the address with the desktop's default handler (browser, mail program). When no program can
// open it, the user is told so through the message service, with the address to open by hand.
void Apri(const QUrl &indirizzo);

// Replaces what Apri does (tests record the address instead of opening it); nullptr restores the
// desktop's handler.
using FunzioneApertura = std::function<void(const QUrl &)>;
void ImpostaApertura(FunzioneApertura f);
} // namespace Collegamenti
