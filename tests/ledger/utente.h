#pragma once
// Driving the ledger window as a user does: open it on a fresh archive, type, leave fields, click
// rows and toolbar buttons, choose menu entries.

#include "ledger/frmAnticipi.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"
#include "widgets/reportcontrol.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>

namespace Utente {

// A fresh environment and archive, and the ledger window shown and active (focus changes need it).
inline frmAnticipi *apri()
{
    Ambiente::corrente().azzera();
    Ambiente::corrente().apriArchivioNuovo();
    return ApriRegistro();
}

inline void chiudi() { ChiudiFinestre(); }

// The archive again after the window has closed it.
inline void riapriArchivio() { Ambiente::corrente().riapriArchivio(); }

// A toolbar button clicked with the mouse; a menu entry chosen from its drop-down.
inline void comando(frmAnticipi *w, const QString &caption)
{
    QAction *a = w->ControlloBarra(caption);
    if (!a) {
        qWarning("no command %s", qPrintable(caption));
        return;
    }
    if (QWidget *b = w->CommandBars->widgetForAction(a))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        a->trigger();
}

inline bool attivo(frmAnticipi *w, const QString &caption) { return w->ControlloBarra(caption)->isEnabled(); }

// Focus into the field, everything typed replaced by `testo`, focus left for `poi`.
inline void scrivi(QLineEdit *campo, const QString &testo, QWidget *poi = nullptr)
{
    campo->setFocus();
    QCoreApplication::processEvents();  // the select-all that follows the focus
    campo->selectAll();
    if (!campo->text().isEmpty())
        QTest::keyClick(campo, Qt::Key_Backspace);
    QTest::keyClicks(campo, testo);
    if (poi)
        poi->setFocus();
}

inline void scriviDescrizione(frmAnticipi *w, const QString &testo)
{
    w->txtDescrizione->setFocus();
    w->txtDescrizione->selectAll();
    QTest::keyClick(w->txtDescrizione, Qt::Key_Delete);
    QTest::keyClicks(w->txtDescrizione, testo);
}

// A client identified by its tax code, as typed and left.
inline void identifica(frmAnticipi *w, const QString &cf)
{
    scrivi(w->txtCF, cf, w->DtpData);
}

// A new client's name and tax code typed into a cleared block.
inline void nuovoCliente(frmAnticipi *w, const QString &nome, const QString &cf)
{
    scrivi(w->txtDenominazione, nome, w->txtCF);
    scrivi(w->txtCF, cf, w->DtpData);
}

inline void cliccaRiga(frmAnticipi *w, int riga, Qt::MouseButton pulsante = Qt::LeftButton)
{
    VistaReport *v = w->ReportAttivita->Vista();
    const QRect r = v->visualRect(v->model()->index(riga, 1));
    QTest::mouseClick(v->viewport(), pulsante, {}, r.center());
}

// The row of the list whose hidden ID item is `id`, -1 when not listed.
inline int rigaDi(frmAnticipi *w, qint64 id)
{
    for (int r = 0; r < w->ReportAttivita->NumeroRighe(); ++r)
        if (w->ReportAttivita->ValoreItem(r, 5).toString() == QString::number(id))
            return r;
    return -1;
}

// A date of the current year, so that the load period lists it.
inline QString questAnno(int mese, int giorno)
{
    return QDate(QDate::currentDate().year(), mese, giorno).toString(QStringLiteral("yyyy-MM-dd"));
}

inline int conta(const QString &condizione = QString())
{
    return ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI") +
                     (condizione.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condizione))
        .toInt();
}

} // namespace Utente
