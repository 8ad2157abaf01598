#include "ledger/frmAnticipi.h"

#include "clients/identificazione.h"
#include "ledger/icone.h"
#include "store/archivio.h"
#include "store/backup.h"
#include "store/costanti.h"
#include "store/errore.h"
#include "store/messaggi.h"
#include "store/reportcontrol.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<frmAnticipi> frmAnticipi::s_istanza;

namespace {
constexpr int TipoPulsante = 1;
constexpr int TipoMenu = 4;

QLabel *didascalia(const QString &testo, QWidget *campo, QWidget *parent)
{
    auto *l = new QLabel(testo, parent);
    l->setBuddy(campo);
    return l;
}

QLabel *importo(const QString &nome, QWidget *parent)
{
    auto *l = new QLabel(QStringLiteral("0,00"), parent);
    l->setObjectName(nome);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(110);
    l->setFrameShape(QFrame::StyledPanel);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QDateEdit *selettoreData(const QString &nome, QWidget *parent)
{
    auto *d = new QDateEdit(parent);
    d->setObjectName(nome);
    d->setDisplayFormat(FormatoData);
    d->setCalendarPopup(true);
    // Change events come when the user has finished with the date, not at every digit typed.
    d->setKeyboardTracking(false);
    d->setMinimumWidth(120);
    return d;
}
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

void frmAnticipi::costruisci()
{
    auto *centro = new QWidget(this);
    setCentralWidget(centro);
    auto *colonna = new QVBoxLayout(centro);

    // "Anagrafica:"
    grpAnagrafica = new QGroupBox(QStringLiteral("Anagrafica:"), centro);
    grpAnagrafica->setObjectName(QStringLiteral("grpAnagrafica"));
    txtDenominazione = new QLineEdit(grpAnagrafica);
    txtDenominazione->setObjectName(QStringLiteral("txtDenominazione"));
    LimitaCampoCliente(txtDenominazione, 50);
    txtCF = new QLineEdit(grpAnagrafica);
    txtCF->setObjectName(QStringLiteral("txtCF"));
    LimitaCampoCliente(txtCF, 16);
    txtPiva = new QLineEdit(grpAnagrafica);
    txtPiva->setObjectName(QStringLiteral("txtPiva"));
    LimitaCampoCliente(txtPiva, 11);
    txtCodiceana = new QLineEdit(grpAnagrafica);
    txtCodiceana->setObjectName(QStringLiteral("txtCodiceana"));
    txtCodiceana->setVisible(false);
    cmdTrova = new QPushButton(IconaTrova(), QStringLiteral("Trova cliente"), grpAnagrafica);
    cmdTrova->setObjectName(QStringLiteral("cmdTrova"));
    cmdTrova->setAutoDefault(false);
    {
        auto *g = new QGridLayout(grpAnagrafica);
        g->addWidget(didascalia(QStringLiteral("Denominazione:"), txtDenominazione, grpAnagrafica), 0, 0);
        g->addWidget(txtDenominazione, 0, 1, 1, 3);
        g->addWidget(cmdTrova, 0, 4);
        g->addWidget(didascalia(QStringLiteral("Codice Fiscale:"), txtCF, grpAnagrafica), 1, 0);
        g->addWidget(txtCF, 1, 1);
        g->addWidget(didascalia(QStringLiteral("Partita IVA:"), txtPiva, grpAnagrafica), 1, 2);
        g->addWidget(txtPiva, 1, 3);
        g->setColumnStretch(1, 2);
        g->setColumnStretch(3, 1);
    }
    colonna->addWidget(grpAnagrafica);

    // "Entrate / Uscite"
    grpMovimento = new QGroupBox(QStringLiteral("Entrate / Uscite"), centro);
    grpMovimento->setObjectName(QStringLiteral("grpMovimento"));
    optTipo[0] = new QRadioButton(QStringLiteral("Entrata"), grpMovimento);
    optTipo[0]->setObjectName(QStringLiteral("optTipo_0"));
    optTipo[1] = new QRadioButton(QStringLiteral("Uscita"), grpMovimento);
    optTipo[1]->setObjectName(QStringLiteral("optTipo_1"));
    DtpData = selettoreData(QStringLiteral("DtpData"), grpMovimento);
    txtEntrate = new QLineEdit(QStringLiteral("0,00"), grpMovimento);
    txtEntrate->setObjectName(QStringLiteral("txtEntrate"));
    txtEntrate->setAlignment(Qt::AlignRight);
    txtUscite = new QLineEdit(QStringLiteral("0,00"), grpMovimento);
    txtUscite->setObjectName(QStringLiteral("txtUscite"));
    txtUscite->setAlignment(Qt::AlignRight);
    txtDescrizione = new QPlainTextEdit(grpMovimento);
    txtDescrizione->setObjectName(QStringLiteral("txtDescrizione"));
    txtDescrizione->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescrizione->setTabChangesFocus(true);
    txtDescrizione->setFixedHeight(txtDescrizione->fontMetrics().lineSpacing() * 3 + 14);
    {
        auto *g = new QGridLayout(grpMovimento);
        g->addWidget(optTipo[0], 0, 0);
        g->addWidget(optTipo[1], 0, 1);
        g->addWidget(didascalia(QStringLiteral("Data:"), DtpData, grpMovimento), 0, 2);
        g->addWidget(DtpData, 0, 3);
        g->addWidget(didascalia(QStringLiteral("Entrate:"), txtEntrate, grpMovimento), 0, 4);
        g->addWidget(txtEntrate, 0, 5);
        g->addWidget(didascalia(QStringLiteral("Uscite:"), txtUscite, grpMovimento), 0, 6);
        g->addWidget(txtUscite, 0, 7);
        g->addWidget(didascalia(QStringLiteral("Descrizione:"), txtDescrizione, grpMovimento), 1, 0,
                     Qt::AlignTop);
        g->addWidget(txtDescrizione, 1, 1, 1, 7);
        g->setColumnStretch(5, 1);
        g->setColumnStretch(7, 1);
    }
    colonna->addWidget(grpMovimento);

    // "Periodo:"
    grpPeriodo = new QGroupBox(QStringLiteral("Periodo:"), centro);
    grpPeriodo->setObjectName(QStringLiteral("grpPeriodo"));
    DTPFIltro[0] = selettoreData(QStringLiteral("DTPFIltro_0"), grpPeriodo);
    DTPFIltro[1] = selettoreData(QStringLiteral("DTPFIltro_1"), grpPeriodo);
    lblDato[1] = importo(QStringLiteral("lblDato_1"), grpPeriodo);
    {
        auto *h = new QHBoxLayout(grpPeriodo);
        h->addWidget(didascalia(QStringLiteral("Dal:"), DTPFIltro[0], grpPeriodo));
        h->addWidget(DTPFIltro[0]);
        h->addSpacing(12);
        h->addWidget(didascalia(QStringLiteral("al:"), DTPFIltro[1], grpPeriodo));
        h->addWidget(DTPFIltro[1]);
        h->addStretch(1);
        h->addWidget(new QLabel(QStringLiteral("Saldo precedente:"), grpPeriodo));
        h->addWidget(lblDato[1]);
    }
    colonna->addWidget(grpPeriodo);

    ReportAttivita = new ReportControl(centro);
    ReportAttivita->setObjectName(QStringLiteral("ReportAttivita"));
    colonna->addWidget(ReportAttivita, 1);

    // "Saldo a oggi:"
    grpSaldo = new QGroupBox(QStringLiteral("Saldo a oggi:"), centro);
    grpSaldo->setObjectName(QStringLiteral("grpSaldo"));
    lblEntrate = importo(QStringLiteral("lblEntrate"), grpSaldo);
    lblUscite = importo(QStringLiteral("lblUscite"), grpSaldo);
    lblSaldo = importo(QStringLiteral("lblSaldo"), grpSaldo);
    {
        auto *h = new QHBoxLayout(grpSaldo);
        h->addWidget(new QLabel(QStringLiteral("Tot. Entrate:"), grpSaldo));
        h->addWidget(lblEntrate);
        h->addStretch(1);
        h->addWidget(new QLabel(QStringLiteral("Tot. Uscite:"), grpSaldo));
        h->addWidget(lblUscite);
        h->addStretch(1);
        h->addWidget(new QLabel(QStringLiteral("Saldo:"), grpSaldo));
        h->addWidget(lblSaldo);
    }
    colonna->addWidget(grpSaldo);

    lblID = new QLabel(QStringLiteral("0"), centro);
    lblID->setObjectName(QStringLiteral("lblID"));
    lblID->setVisible(false);

    // The client block first, so that the window opens with the focus in the name field.
    setTabOrder(txtDenominazione, txtCF);
    setTabOrder(txtCF, txtPiva);
    setTabOrder(txtPiva, DtpData);
    setTabOrder(DtpData, optTipo[0]);
    setTabOrder(optTipo[0], optTipo[1]);
    setTabOrder(optTipo[1], txtEntrate);
    setTabOrder(txtEntrate, txtUscite);
    setTabOrder(txtUscite, txtDescrizione);
    setTabOrder(txtDescrizione, ReportAttivita->Vista());
    setTabOrder(ReportAttivita->Vista(), cmdTrova);
    setTabOrder(cmdTrova, DTPFIltro[0]);
    setTabOrder(DTPFIltro[0], DTPFIltro[1]);

    // Event wiring: the handlers live in the files of their concern.
    for (QWidget *w : {static_cast<QWidget *>(txtDenominazione), static_cast<QWidget *>(txtCF),
                       static_cast<QWidget *>(txtPiva), static_cast<QWidget *>(txtEntrate),
                       static_cast<QWidget *>(txtUscite), static_cast<QWidget *>(txtDescrizione),
                       static_cast<QWidget *>(DtpData)})
        w->installEventFilter(this);
    connect(cmdTrova, &QPushButton::clicked, this, [this] { EseguiPasso(QString(), [this] { cmdTrova_Click(); }, this); });
    connect(txtDenominazione, &QLineEdit::textChanged, this, [this] { txtDenominazione_Change(); });
    // Only what the user types or pastes: texts the program writes into the fields are not edits.
    for (QLineEdit *campo : {txtDenominazione, txtCF, txtPiva})
        connect(campo, &QLineEdit::textEdited, this, [this] { m_clienteDaIdentificare = true; });
    connect(txtEntrate, &QLineEdit::textEdited, this, [this] { m_importoDaFormattare[0] = true; });
    connect(txtUscite, &QLineEdit::textEdited, this, [this] { m_importoDaFormattare[1] = true; });
    for (int i = 0; i < 2; ++i) {
        connect(optTipo[i], &QRadioButton::toggled, this, [this, i](bool acceso) {
            // One Click per change of selection, from whichever element became selected.
            if (acceso)
                optTipo_Click(i);
        });
        connect(DTPFIltro[i], &QDateEdit::dateChanged, this, [this, i] { DTPFIltro_Change(i); });
    }
    connect(ReportAttivita, &ReportControl::MouseUp, this, &frmAnticipi::ReportAttivita_MouseUp);

    resize(900, 680);
    setMinimumSize(760, 560);
}

void frmAnticipi::Form_Load()
{
    const QString nessuna;
    QStringList avvisi;
    EseguiPasso(nessuna, [this, &avvisi] {
        const std::optional<RiepilogoCopia> convertito = ConvertiArchivioPrecedente();
        ApriArchivio(&avvisi);
        if (convertito)
            Messaggi::informa(this,
                              QStringLiteral("Conversione terminata: %1 movimenti di %2 clienti.")
                                  .arg(convertito->movimenti)
                                  .arg(convertito->clienti),
                              QStringLiteral("Controllo:"));
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
    ctlSalva = AggiungiControllo(CommandBars, TipoPulsante, 1, QStringLiteral("Salva"));
    AggiungiControllo(CommandBars, TipoPulsante, 2, QStringLiteral("Annulla"));
    ctlElimina = AggiungiControllo(CommandBars, TipoPulsante, 3, QStringLiteral("Elimina"));
    AggiungiControllo(CommandBars, TipoPulsante, 4, QStringLiteral("Esci"));
    AggiungiControllo(CommandBars, TipoPulsante, 6, QStringLiteral("Stampa"));
    AggiungiControllo(CommandBars, TipoPulsante, 9, QStringLiteral("Modifica anagrafica"));

    const struct {
        int id;
        const char *titolo;
        const char *voci[2];
    } menu[] = {
        {8, "Esporta", {"Esporta in CSV", "Esporta anticipazioni"}},
        {7, "Help", {"Informazioni su...", "Manuale in linea"}},
    };
    for (const auto &m : menu) {
        QAction *a = AggiungiControllo(CommandBars, TipoMenu, m.id, QString());
        if (!a)
            continue;
        a->setText(QString::fromUtf8(m.titolo));
        if (auto *pulsante = qobject_cast<QToolButton *>(CommandBars->widgetForAction(a)))
            pulsante->setPopupMode(QToolButton::InstantPopup);
        for (const char *voce : m.voci)
            AggiungiControllo(a->menu(), TipoPulsante, 100, QString::fromUtf8(voce));
    }
    EseguiPasso(QString(), [this] {
        ctlSalva->setEnabled(false);
        ctlElimina->setEnabled(false);
    }, this);
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
            ctlElimina->setEnabled(true);
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
