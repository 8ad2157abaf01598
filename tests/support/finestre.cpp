#include "tests/support/finestre.h"

#include "clients/frmRicerca.h"
#include "ledger/frmAnticipi.h"

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

class Attesa : public QObject {
public:
    Attesa(QString nome, std::function<void(QWidget *)> azione)
        : QObject(qApp), m_nome(std::move(nome)), m_azione(std::move(azione))
    {
        qApp->installEventFilter(this);
    }
    ~Attesa() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (ev->type() != QEvent::Show || m_scattata || !obj->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(obj);
        if (!w->isWindow() || w->objectName() != m_nome)
            return false;
        m_scattata = true;
        qApp->removeEventFilter(this);
        QPointer<QWidget> finestra(w);
        auto azione = m_azione;
        QTimer::singleShot(0, qApp, [finestra, azione] {
            if (finestra)
                azione(finestra);
            if (finestra && finestra->isVisible())
                finestra->close();
        });
        deleteLater();
        return false;
    }
    bool scattata() const { return m_scattata; }

private:
    QString m_nome;
    std::function<void(QWidget *)> m_azione;
    bool m_scattata = false;
};

QList<QPointer<Attesa>> &attese()
{
    static QList<QPointer<Attesa>> a;
    return a;
}

} // namespace

void QuandoAperta(const QString &nomeFinestra, std::function<void(QWidget *)> azione)
{
    attese().append(new Attesa(nomeFinestra, std::move(azione)));
}

bool NessunaAttesa()
{
    bool nessuna = true;
    for (const QPointer<Attesa> &a : std::as_const(attese())) {
        if (a && !a->scattata()) {
            nessuna = false;
            delete a.data();
        }
    }
    attese().clear();
    return nessuna;
}

frmAnticipi *ApriRegistro()
{
    frmAnticipi *f = frmAnticipi::Istanza();
    f->show();
    f->activateWindow();
    if (!QTest::qWaitForWindowActive(f))
        qWarning("the ledger window did not become active");
    return f;
}

void ChiudiFinestre()
{
    if (frmRicerca *r = frmRicerca::Esistente())
        r->close();
    if (frmAnticipi *f = frmAnticipi::Esistente()) {
        // Between tests nothing is asked: the window is emptied first, as Annulla leaves it.
        f->PulisciCampi(false);
        f->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void DigitaData(QDateEdit *picker, const QString &testo)
{
    // Tabbing in selects the day; each full section moves on to the next, so only digits are typed.
    picker->setFocus(Qt::TabFocusReason);
    QString cifre = testo;
    cifre.remove(QLatin1Char('/'));
    QTest::keyClicks(picker, cifre);
    QTest::keyClick(picker, Qt::Key_Return);
}

void SpostaFocus(QWidget *campo)
{
    campo->setFocus(Qt::OtherFocusReason);
}

void Digita(QWidget *widget, const QString &testo)
{
    // QTest::keyClicks knows only Latin-1, and would split an emoji into two halves.
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const qsizetype n = testo.at(i).isHighSurrogate() && i + 1 < testo.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, testo.mid(i, n), Qt::NoModifier);
        i += n - 1;
    }
}

void DoppioClic(QWidget *widget, const QPoint &punto)
{
    QPointer<QWidget> w(widget);
    QTest::mousePress(widget, Qt::LeftButton, {}, punto);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, punto);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, punto);
    // The double click may have closed the window; the button goes up all the same.
    if (w)
        QTest::mouseRelease(widget, Qt::LeftButton, {}, punto);
}
