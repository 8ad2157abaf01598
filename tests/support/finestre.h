#pragma once
// Driving windows in tests: acting on a window (a modal one too) as soon as it is shown, opening the
// ledger window ready for keyboard focus, and closing every window between tests.

#include <QString>
#include <functional>

class QDateEdit;
class QPoint;
class QWidget;
class frmAnticipi;

// Runs `azione` once, on the next top-level window named `nomeFinestra` that is shown, from the event
// loop that shows it: for a modal window that is the loop of its exec(), so the test does not block.
// If the window is still open after the action (a failed check, say), it is closed.
void QuandoAperta(const QString &nomeFinestra, std::function<void(QWidget *)> azione);
// Forgets the actions whose window never showed; true when there were none.
bool NessunaAttesa();

// The ledger window, created, shown and active (focus changes reach its fields only then).
frmAnticipi *ApriRegistro();
// Closes the search and ledger windows and lets them be destroyed.
void ChiudiFinestre();

// Types a date ("10/05/2026") into a picker as the user does: tab in, the digits, Enter.
void DigitaData(QDateEdit *picker, const QString &testo);
// A double click as the mouse makes it: press, release, double click, release (QTest::mouseDClick
// alone sends only the double-click event, which item views ignore without the press before it).
void DoppioClic(QWidget *widget, const QPoint &punto);
// Types the text into the widget, one key per character carrying its text, as a keyboard or an input
// method does (an emoji is one key).
void Digita(QWidget *widget, const QString &testo);
// Gives the focus to `campo`; the widget that had it gets its FocusOut at once.
void SpostaFocus(QWidget *campo);
