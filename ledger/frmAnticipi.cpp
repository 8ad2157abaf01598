// The ledger window: its one instance, load and unload, columns, the command bar, and the events of
// its fields.
#include "ledger/frmAnticipi.h"

#include "clients/identificazione.h"
#include "store/archivio.h"
#include "store/backup.h"
#include "widgets/icone.h"
#include "widgets/messaggi.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

QPointer<frmAnticipi> frmAnticipi::s_istanza;

namespace {
constexpr int TipoPulsante = 1;
constexpr int TipoMenu = 4;
} // namespace

frmAnticipi *frmAnticipi::Istanza()
{
    if (!s_istanza)
        s_istanza = new frmAnticipi();
    return s_istanza;
}

frmAnticipi *frmAnticipi::Esistente() { return s_istanza; }

frmAnticipi::frmAnticipi()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAnticipi"));
    setWindowTitle(QStringLiteral("Gestione spese anticipate"));
    costruisci();
    ImpostaRegoleImporti();
    Form_Load();
}

frmAnticipi::~frmAnticipi()
{
    if (s_istanza == this)
        s_istanza = nullptr;
}

void frmAnticipi::Form_Load()
{
    const QString nessuna;
    QStringList avvisi;
    EseguiPasso(nessuna, [this, &avvisi] {
        const std::optional<RiepilogoCopia> convertito = ConvertiArchivioPrecedente();
        ApriArchivio(&avvisi);
        if (convertito) {
            const QString cambiamenti = TestoCambiamenti(*convertito);
            Messaggi::informa(this,
                              QStringLiteral("Conversione terminata: %1 movimenti di %2 clienti.")
                                      .arg(convertito->movimenti)
                                      .arg(convertito->clienti) +
                                  (cambiamenti.isEmpty() ? QString() : QLatin1Char('\n') + cambiamenti),
                              QStringLiteral("Controllo:"));
        }
    }, this);
    // A settings file moved aside, a new empty archive and where it is: told once, at this start.
    for (const QString &avviso : std::as_const(avvisi))
        Messaggi::informa(this, avviso, QStringLiteral("Controllo:"));
    // Today's backup, if not made yet: it runs in the background of the window and ends with it.
    CopiaGiornaliera::Avvia(this);
    EseguiPasso(nessuna, [this] {
        const QSignalBlocker b(DtpData);
        DtpData->setDate(QDate::currentDate());
    }, this);
    EseguiPasso(nessuna, [this] {
        const int anno = QDate::currentDate().year();
        PeriodoDal = QDate(anno, 1, 1);
        PeriodoAl = QDate(anno, 12, 31);
    }, this);
    EseguiPasso(nessuna, [this] {
        // The load step never refreshes the list.
        const QSignalBlocker b0(DTPFIltro[0]), b1(DTPFIltro[1]);
        DTPFIltro[0]->setDate(PeriodoDal);
        DTPFIltro[1]->setDate(PeriodoAl);
    }, this);
    EseguiPasso(nessuna, [this] { ImpostaColonne(); }, this);
    EseguiPasso(nessuna, [this] { ImpostaBarra(); }, this);
    EseguiPasso(nessuna, [this] { ReportAttivita->ImpostaTestoVuoto(QStringLiteral("Nessun dato trovato")); }, this);
    EseguiPasso(nessuna, [this] { optTipo[1]->setChecked(true); }, this);
    EseguiPasso(nessuna, [this] { AbilitaComandi(2); }, this);
    m_campiRegistrati = CampiMovimento();
    txtDenominazione->setFocus();
}

void frmAnticipi::Form_Unload()
{
    EseguiPasso(QString(), [] { Archivio::Rilascia(); }, this);
}

void frmAnticipi::closeEvent(QCloseEvent *ev)
{
    // The window's close button does what Esci does; after Esci itself nothing is asked again.
    if (!m_uscitaConfermata) {
        bool chiudere = true;
        EseguiPasso(QString(), [&] { chiudere = CompletaCampiInSospeso() && ConfermaUscita(); }, this);
        if (!chiudere) {
            ev->ignore();
            return;
        }
    }
    m_uscitaConfermata = false;
    Form_Unload();
    ev->accept();
}

void frmAnticipi::ImpostaColonne()
{
    EseguiPasso(QString(), [this] {
        ReportAttivita->CancellaColonne();
        ReportAttivita->CancellaRecord();
        ReportAttivita->Ridisegna();
    }, this);
    struct {
        int posizione;
        const char *caption;
        int larghezza;
        bool ridimensionabile;
    } const colonne[] = {
        {0, "", 0, false}, {1, "Data", 70, true}, {2, "Descrizione", 250, true},
        {3, "Entrata", 100, true}, {4, "Uscita", 100, true}, {5, "ID", 0, false},
    };
    for (const auto &c : colonne) {
        EseguiPasso(QString(), [&] {
            const int col = ReportAttivita->AggiungiColonna(c.posizione, QString::fromUtf8(c.caption), c.larghezza,
                                                            c.ridimensionabile);
            if (c.posizione == 3 || c.posizione == 4)
                ReportAttivita->ImpostaAllineamento(col, Qt::AlignRight | Qt::AlignVCenter);
        }, this);
    }
    EseguiPasso(QString(), [this] { ReportAttivita->ImpostaColonnaVisibile(ReportAttivita->NumeroColonne() - 1, false); },
                this);
}

QAction *frmAnticipi::AggiungiControllo(QWidget *barra, int tipo, int id, const QString &caption)
{
    QAction *a = nullptr;
    EseguiPasso(QString(), [&] {
        a = new QAction(caption, barra);
        a->setObjectName(QStringLiteral("ctl_%1_%2").arg(id).arg(caption.isEmpty() ? QStringLiteral("menu") : caption));
        a->setProperty("Id", id);
        // The dispatcher tells the commands apart by this caption; a drop-down's is empty.
        a->setProperty("Caption", caption);
        if (id != 100)
            a->setIcon(IconaComando(id));
        if (tipo == TipoMenu) {
            auto *menu = new QMenu(this);
            a->setMenu(menu);
        } else {
            connect(a, &QAction::triggered, this, [this, a] { CommandBars_Execute(a); });
        }
        barra->addAction(a);
    }, this);
    return a;
}

void frmAnticipi::ImpostaBarra()
{
    EseguiPasso(QString(), [this] {
        CommandBars = new QToolBar(QStringLiteral("BarraVelmar"), this);
        CommandBars->setObjectName(QStringLiteral("BarraVelmar"));
        CommandBars->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        CommandBars->setIconSize(QSize(16, 16));
        CommandBars->setMovable(false);
        CommandBars->setFloatable(false);
        CommandBars->setContextMenuPolicy(Qt::PreventContextMenu);
        addToolBar(Qt::TopToolBarArea, CommandBars);
    }, this);
    if (!CommandBars)
        return;
    const struct {
        int id;
        const char *caption;
        const char *mnemonico;
        QKeySequence tasto;
    } pulsanti[] = {
        {1, "Salva", "&Salva", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {2, "Annulla", "&Annulla", QKeySequence(Qt::Key_Escape)},
        {3, "Elimina", "E&limina", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {4, "Esci", "Es&ci", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {6, "Stampa", "Stam&pa", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {9, "Modifica anagrafica", "&Modifica anagrafica", QKeySequence(Qt::CTRL | Qt::Key_M)},
    };
    for (const auto &p : pulsanti) {
        QAction *a = AggiungiControllo(CommandBars, TipoPulsante, p.id, QString::fromUtf8(p.caption));
        ImpostaTasti(a, QString::fromUtf8(p.mnemonico), p.tasto);
        if (p.id == 1)
            ctlSalva = a;
        else if (p.id == 3)
            ctlElimina = a;
    }

    const struct {
        int id;
        const char *titolo;
        const char *mnemonico;
        const char *voci[2];
        QKeySequence tasti[2];
    } menu[] = {
        {8, "Esporta", "&Esporta", {"Esporta in CSV", "Esporta anticipazioni"},
         {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)}},
        {7, "Help", "&Help", {"Informazioni su...", "Manuale in linea"},
         {QKeySequence(Qt::CTRL | Qt::Key_I), QKeySequence(Qt::Key_F1)}},
    };
    for (const auto &m : menu) {
        QAction *a = AggiungiControllo(CommandBars, TipoMenu, m.id, QString());
        if (!a)
            continue;
        a->setText(QString::fromUtf8(m.titolo));
        ImpostaTasti(a, QString::fromUtf8(m.mnemonico), QKeySequence());
        if (auto *pulsante = qobject_cast<QToolButton *>(CommandBars->widgetForAction(a)))
            pulsante->setPopupMode(QToolButton::InstantPopup);
        for (int i = 0; i < 2; ++i) {
            QAction *voce = AggiungiControllo(a->menu(), TipoPulsante, 100, QString::fromUtf8(m.voci[i]));
            ImpostaTasti(voce, QString(), m.tasti[i]);
            // A closed menu's entries see no keys: the window carries their shortcuts too.
            if (voce)
                addAction(voce);
        }
    }
    EseguiPasso(QString(), [this] {
        ctlSalva->setEnabled(false);
        ctlElimina->setEnabled(false);
    }, this);

    // The bar at the keyboard: Tab reaches its buttons after the period, the arrows move along them
    // (Space presses one), and F10 goes to the first that is on, as to a menu bar.
    QWidget *precedente = DTPFIltro[1];
    for (QToolButton *b : PulsantiBarra()) {
        b->setFocusPolicy(Qt::TabFocus);
        if (precedente)
            setTabOrder(precedente, b);
        precedente = b;
    }
    auto *f10 = new QAction(this);
    f10->setObjectName(QStringLiteral("ctl_F10"));
    f10->setShortcut(QKeySequence(Qt::Key_F10));
    addAction(f10);
    connect(f10, &QAction::triggered, this, [this] {
        for (QToolButton *b : PulsantiBarra())
            if (b->isEnabled()) {
                b->setFocus(Qt::ShortcutFocusReason);
                return;
            }
    });
}

QList<QToolButton *> frmAnticipi::PulsantiBarra() const
{
    QList<QToolButton *> r;
    if (CommandBars)
        for (QAction *a : CommandBars->actions())
            if (auto *b = qobject_cast<QToolButton *>(CommandBars->widgetForAction(a)))
                r << b;
    return r;
}

void frmAnticipi::ImpostaTasti(QAction *a, const QString &mnemonico, const QKeySequence &tasto)
{
    if (!a)
        return;
    // The button shows the icon text: with its "&" the button underlines the letter and answers
    // Alt and that letter (a drop-down opens its menu).
    if (!mnemonico.isEmpty())
        a->setIconText(mnemonico);
    QString suggerimento = a->text();
    if (!tasto.isEmpty()) {
        a->setShortcut(tasto);
        suggerimento += QStringLiteral(" (") + tasto.toString(QKeySequence::NativeText) + QLatin1Char(')');
    } else if (!mnemonico.isEmpty()) {
        suggerimento += QStringLiteral(" (") + QKeySequence::mnemonic(mnemonico).toString(QKeySequence::NativeText) +
                        QLatin1Char(')');
    }
    a->setToolTip(suggerimento);
}

QList<QAction *> frmAnticipi::ControlliBarra() const
{
    QList<QAction *> r;
    if (!CommandBars)
        return r;
    for (QAction *a : CommandBars->actions()) {
        r << a;
        if (a->menu())
            r << a->menu()->actions();
    }
    return r;
}

QAction *frmAnticipi::ControlloBarra(const QString &caption) const
{
    for (QAction *a : ControlliBarra())
        if (a->property("Caption").toString() == caption)
            return a;
    return nullptr;
}

void frmAnticipi::AbilitaComandi(int modo)
{
    EseguiPasso(QString(), [this, modo] {
        if (modo == 1) {
            ctlSalva->setEnabled(true);
            // Only a movement read from the archive can be deleted.
            ctlElimina->setEnabled(lblID->text() != QLatin1String("0"));
        } else if (modo == 2) {
            ctlSalva->setEnabled(false);
            ctlElimina->setEnabled(false);
        }
    }, this);
}

DatiCliente frmAnticipi::ClienteCorrente() const
{
    return DatiCliente{txtCF->text(), txtPiva->text(), txtDenominazione->text(), txtCodiceana->text()};
}

void frmAnticipi::RiceviCliente(const DatiCliente &c)
{
    // A client chosen elsewhere comes with its code: nothing is left to identify.
    m_clienteDaIdentificare = false;
    statusBar()->clearMessage();
    ScriviCampoCliente(txtCF, c.codiceFiscale);
    ScriviCampoCliente(txtPiva, c.partitaIva);
    ScriviCampoCliente(txtDenominazione, c.denominazione);
    txtCodiceana->setText(c.codiceAna);
    RicordaCliente();
    RinfrescaLista();
}

QStringList frmAnticipi::BloccoCliente() const
{
    return {txtCodiceana->text(), txtDenominazione->text(), txtCF->text(), txtPiva->text()};
}

bool frmAnticipi::eventFilter(QObject *obj, QEvent *ev)
{
    const QEvent::Type tipo = ev->type();
    if (tipo == QEvent::FocusOut) {
        // LostFocus is a move of the focus inside the window: switching to another window (the modal
        // search among them) or opening a menu leaves the field's focus where it was.
        const Qt::FocusReason motivo = static_cast<QFocusEvent *>(ev)->reason();
        if (motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason)
            return QMainWindow::eventFilter(obj, ev);
        if (obj == txtCF)
            EseguiPasso(QString(), [this] { txtCF_LostFocus(); }, this);
        else if (obj == txtPiva)
            txtPiva_LostFocus();
        else if (obj == txtDenominazione)
            txtDenominazione_LostFocus();
        else if (obj == txtEntrate || obj == txtUscite)
            EseguiPasso(QString(), [this, obj] { txtImporto_LostFocus(static_cast<QLineEdit *>(obj)); }, this);
        else if (obj == DtpData)
            DtpData_Validate();
    } else if (tipo == QEvent::FocusIn) {
        if (obj == txtEntrate || obj == txtUscite) {
            auto *campo = static_cast<QLineEdit *>(obj);
            // After the click that gave the focus has placed the cursor.
            QTimer::singleShot(0, campo, [this, campo] { txtImporto_GotFocus(campo); });
        }
    } else if (tipo == QEvent::KeyRelease) {
        auto *k = static_cast<QKeyEvent *>(ev);
        if ((obj == txtCF || obj == txtPiva || obj == txtDenominazione) && !k->isAutoRepeat()) {
            const bool invio = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
            // An Enter released here but pressed elsewhere (on a row of the search window that it
            // closed) must not open the search again.
            const bool premutoQui = m_invioPremutoIn == obj;
            if (invio)
                m_invioPremutoIn = nullptr;
            if (!invio || premutoQui) {
                const int codice = invio ? 13 : k->key();
                EseguiPasso(QString(), [this, codice, k] { txtCampo_KeyUp(codice, int(k->modifiers() >> 25)); }, this);
            }
        }
    } else if (tipo == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(ev);
        // Alt with a letter is a command's mnemonic, never typing: a disabled command's letter
        // (Alt+S while there is nothing to save) must not end up in the field either.
        const Qt::KeyboardModifiers mod = k->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
        if (mod == Qt::AltModifier && !k->text().isEmpty())
            return true;
        if ((obj == txtCF || obj == txtPiva || obj == txtDenominazione) &&
            (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter))
            m_invioPremutoIn = obj;
        if (obj == txtEntrate || obj == txtUscite) {
            auto *campo = static_cast<QLineEdit *>(obj);
            const QString t = k->text();
            // Only keys that type a character (or Backspace) reach the KeyPress rule; arrows, Tab and
            // shortcuts keep their usual meaning.
            const bool backspace = k->key() == Qt::Key_Backspace;
            if (backspace || (!t.isEmpty() && t.at(0).isPrint() && !(k->modifiers() & Qt::ControlModifier))) {
                const int car = txtImporto_KeyPress(campo, backspace ? 8 : t.at(0).unicode());
                if (car == 0)
                    return true;
                if (car == 8)
                    return false;
                if (car != t.at(0).unicode()) {
                    campo->insert(QString(QChar(car)));
                    return true;
                }
                return false;
            }
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                txtImporto_KeyPress(campo, 13);
                return true;
            }
        } else if (obj == txtDescrizione) {
            // Tab and Backtab only move the focus on (the field passes them on), Esc types nothing,
            // and copying or selecting changes no text: none of them is an edit.
            const bool nonScrive = k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab ||
                                   k->key() == Qt::Key_Escape || k->matches(QKeySequence::Copy) ||
                                   k->matches(QKeySequence::SelectAll);
            if (!k->text().isEmpty() && !nonScrive)
                txtDescrizione_KeyPress();
        }
    }
    return QMainWindow::eventFilter(obj, ev);
}
