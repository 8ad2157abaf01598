// The ledger window's controls: made, named and laid out, and wired to their handlers.
#include "ledger/frmAnticipi.h"

#include "clients/identificazione.h"
#include "values/costanti.h"
#include "widgets/icone.h"
#include "widgets/incolla.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

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

// A click into a date picker leaves a cursor and no selected part, and the picker then refuses
// every digit typed. The click that brings the focus selects the day, so that "15032026" goes in
// whole; a later click selects the part clicked.
class SelezioneAlClic : public QObject {
public:
    explicit SelezioneAlClic(QDateEdit *data) : QObject(data), m_data(data) {}
    bool eventFilter(QObject *, QEvent *ev) override
    {
        if (ev->type() == QEvent::FocusIn && static_cast<QFocusEvent *>(ev)->reason() == Qt::MouseFocusReason)
            m_focusDalClic = true;
        else if (ev->type() == QEvent::MouseButtonRelease &&
                 static_cast<QMouseEvent *>(ev)->button() == Qt::LeftButton) {
            const bool primo = m_focusDalClic;
            m_focusDalClic = false;
            // After the line edit has placed its cursor for the click.
            QTimer::singleShot(0, m_data, [d = m_data, primo] {
                if (!d->hasFocus())
                    return;
                d->setSelectedSection(primo ? QDateTimeEdit::DaySection : d->currentSection());
            });
        }
        return false;
    }

private:
    QDateEdit *m_data;
    bool m_focusDalClic = false;
};

QDateEdit *selettoreData(const QString &nome, QWidget *parent)
{
    auto *d = new QDateEdit(parent);
    d->setObjectName(nome);
    d->setDisplayFormat(FormatoData);
    d->setCalendarPopup(true);
    // Change events come when the user has finished with the date, not at every digit typed.
    d->setKeyboardTracking(false);
    d->setMinimumWidth(120);
    auto *selezione = new SelezioneAlClic(d);
    d->installEventFilter(selezione);
    if (auto *riga = d->findChild<QLineEdit *>())
        riga->installEventFilter(selezione);
    return d;
}
} // namespace

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
    for (QLineEdit *campo : {txtDenominazione, txtCF, txtPiva})
        RegolaIncolla(campo, IncollaSenzaSpazi);
    txtCodiceana = new QLineEdit(grpAnagrafica);
    txtCodiceana->setObjectName(QStringLiteral("txtCodiceana"));
    txtCodiceana->setVisible(false);
    cmdTrova = new QPushButton(IconaTrova(), QStringLiteral("Trova cliente"), grpAnagrafica);
    cmdTrova->setObjectName(QStringLiteral("cmdTrova"));
    cmdTrova->setAutoDefault(false);
    cmdTrova->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    cmdTrova->setToolTip(QStringLiteral("Trova cliente (%1)").arg(cmdTrova->shortcut().toString(QKeySequence::NativeText)));
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
                       static_cast<QWidget *>(DtpData), static_cast<QWidget *>(DTPFIltro[0]),
                       static_cast<QWidget *>(DTPFIltro[1])})
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

    // Notices that need no answer (several clients with the name typed).
    statusBar()->setObjectName(QStringLiteral("barraStato"));

    resize(900, 680);
    setMinimumSize(760, 560);
}
