#include "widgets/messaggi.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

namespace {
ServizioMessaggi *&installato()
{
    static ServizioMessaggi *s = nullptr;
    return s;
}

QMessageBox::StandardButton pulsante(Risposta r)
{
    switch (r) {
    case Risposta::Si:
        return QMessageBox::Yes;
    case Risposta::No:
        return QMessageBox::No;
    case Risposta::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// A box that offers only Yes and No: the user must choose one of them, deliberately. Esc and the
// window's close button would otherwise answer No, and a No can end the program (the error
// reporter), close the window without saving, or clear what was typed. A clerk still typing when the
// box appears must not answer it either: no letter is a mnemonic, the buttons take no keyboard focus
// (Tab and Space cannot reach No), and Enter answers only the default, always the safe answer.
class BoxMessaggio : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool sceltaObbligata = false;

    void impostaSceltaObbligata(QMessageBox::StandardButton predefinito)
    {
        sceltaObbligata = true;
        button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
        button(QMessageBox::No)->setText(QStringLiteral("No"));
        for (QAbstractButton *b : buttons()) {
            b->setFocusPolicy(Qt::NoFocus);
            if (auto *p = qobject_cast<QPushButton *>(b))
                p->setAutoDefault(false);
            b->installEventFilter(this);
        }
        setDefaultButton(predefinito);
    }

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        // A button given the focus by the box itself hands every key to the box.
        if (sceltaObbligata && ev->type() == QEvent::KeyPress) {
            keyPressEvent(static_cast<QKeyEvent *>(ev));
            return true;
        }
        return QMessageBox::eventFilter(obj, ev);
    }
    void keyPressEvent(QKeyEvent *ev) override
    {
        if (!sceltaObbligata || ev->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(ev);
            return;
        }
        ev->accept();
        const bool invio = (ev->key() == Qt::Key_Return || ev->key() == Qt::Key_Enter) &&
                           (ev->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (invio && !ev->isAutoRepeat() && defaultButton())
            defaultButton()->click();
    }
    void closeEvent(QCloseEvent *ev) override
    {
        if (sceltaObbligata && !clickedButton()) {
            ev->ignore();
            return;
        }
        QMessageBox::closeEvent(ev);
    }
};

// A short text makes a box narrower than its title, and the title bar cuts the title
// ("Gestio… icipate"): the box gets the width of its title, with room for the title bar's icon and
// buttons.
void LargoPerIlTitolo(QMessageBox &box)
{
    auto *griglia = qobject_cast<QGridLayout *>(box.layout());
    if (!griglia)
        return;
    QFont f = box.font();
    f.setBold(true);  // title bars often draw their text in bold
    const int larghezza = QFontMetrics(f).horizontalAdvance(box.windowTitle()) + 140;
    griglia->addItem(new QSpacerItem(larghezza, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), griglia->rowCount(), 0,
                     1, griglia->columnCount());
}

// "File CSV | *.csv" becomes Qt's "File CSV (*.csv)".
QString filtroQt(const QString &filtro)
{
    const int barra = filtro.indexOf(QLatin1Char('|'));
    if (barra < 0)
        return filtro;
    return filtro.left(barra).trimmed() + QStringLiteral(" (") + filtro.mid(barra + 1).trimmed() +
           QLatin1Char(')');
}
} // namespace

Risposta ServizioMessaggiQt::mostra(QWidget *parent, const Messaggio &m)
{
    BoxMessaggio box(parent);
    box.setText(m.testo);
    box.setWindowTitle(m.titolo.isEmpty() ? QStringLiteral("Gestione spese anticipate") : m.titolo);
    switch (m.icona) {
    case Icona::Informazione:
        box.setIcon(QMessageBox::Information);
        break;
    case Icona::Domanda:
        box.setIcon(QMessageBox::Question);
        break;
    case Icona::Critico:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (m.pulsanti == Pulsanti::SiNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.impostaSceltaObbligata(pulsante(m.predefinito == Risposta::No ? Risposta::No : Risposta::Si));
        box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                           ~Qt::WindowCloseButtonHint);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    LargoPerIlTitolo(box);
    const int r = box.exec();
    if (m.pulsanti == Pulsanti::Ok)
        return Risposta::Ok;
    return r == QMessageBox::Yes ? Risposta::Si : Risposta::No;
}

QString ServizioMessaggiQt::fileDaSalvare(QWidget *parent, const RichiestaFile &r)
{
    QFileDialog dlg(parent);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDirectory(r.cartella);
    dlg.setNameFilter(filtroQt(r.filtro));
    dlg.selectFile(r.nomeIniziale);
    // The program asks its own replace question.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

void ServizioMessaggiQt::anteprimaStampa(QWidget *parent, const QString &titolo,
                                         const std::function<void(QPrinter *)> &disegna)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setWindowTitle(titolo);
    dlg.resize(900, 700);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [&](QPrinter *p) { disegna(p); });
    dlg.exec();
}

namespace Messaggi {

void impostaServizio(ServizioMessaggi *s) { installato() = s; }

ServizioMessaggi &servizio()
{
    static ServizioMessaggiQt reale;
    return installato() ? *installato() : reale;
}

Risposta mostra(QWidget *parent, const Messaggio &m) { return servizio().mostra(parent, m); }

void informa(QWidget *parent, const QString &testo, const QString &titolo)
{
    Messaggio m;
    m.testo = testo;
    m.titolo = titolo;
    mostra(parent, m);
}

bool chiedi(QWidget *parent, const QString &testo, const QString &titolo, Risposta predefinito, Icona icona)
{
    Messaggio m;
    m.testo = testo;
    m.titolo = titolo;
    m.icona = icona;
    m.pulsanti = Pulsanti::SiNo;
    m.predefinito = predefinito;
    return mostra(parent, m) == Risposta::Si;
}

} // namespace Messaggi
