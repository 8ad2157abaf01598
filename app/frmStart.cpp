#include "app/frmStart.h"

#include "ledger/frmAnticipi.h"
#include "values/costanti.h"
#include "widgets/banner.h"
#include "widgets/collegamenti.h"
#include "widgets/etichetta.h"
#include "widgets/segnalazione.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<frmStart> frmStart::s_istanza;

namespace {
QFont arial(int punti, bool grassetto = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(punti);
    f.setBold(grassetto);
    return f;
}
} // namespace

frmStart *frmStart::Istanza()
{
    if (!s_istanza)
        s_istanza = new frmStart();
    return s_istanza;
}

frmStart *frmStart::Esistente() { return s_istanza; }

frmStart::frmStart()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(QStringLiteral("Gestione spese anticipate"));
    costruisci();
    Form_Load();
}

frmStart::~frmStart()
{
    if (s_istanza == this)
        s_istanza = nullptr;
}

void frmStart::costruisci()
{
    auto *fuori = new QVBoxLayout(this);
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    fuori->addWidget(GroupBox1);

    Image2 = new QLabel(GroupBox1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(BannerCorvalle(devicePixelRatioF()));
    Image2->setFixedSize(LarghezzaBanner, AltezzaBanner);
    Image2->setFrameShape(QFrame::NoFrame);

    Label1 = new QLabel(QStringLiteral("Gestione spese anticipate"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arial(14, true));
    Label1->setAlignment(Qt::AlignCenter);

    Label3 = new QLabel(QStringLiteral("Linea Corvalle - %1").arg(QString::fromLatin1(Collegamenti::RagioneSociale)),
                        GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(arial(9));
    Label3->setAlignment(Qt::AlignCenter);

    lblVersion = new QLabel(QStringLiteral("Versione:"), GroupBox1);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(arial(9));
    lblVerN = new QLabel(QStringLiteral("Versione"), GroupBox1);
    lblVerN->setObjectName(QStringLiteral("lblVerN"));
    lblVerN->setFont(arial(9));

    Label2 = new QLabel(QStringLiteral("Visita il nostro sito"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    lblDescription[0] = new EtichettaCliccabile(Collegamenti::TestoSito(), GroupBox1);
    lblDescription[0]->setObjectName(QStringLiteral("lblDescription_0"));
    lblDescription[0]->ImpostaCollegamento();

    PushButton4 = new QPushButton(QStringLiteral("Help in linea"), GroupBox1);
    PushButton4->setObjectName(QStringLiteral("PushButton4"));
    PushButton1 = new QPushButton(QStringLiteral("Informazioni"), GroupBox1);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton2 = new QPushButton(QStringLiteral("Continua"), GroupBox1);
    PushButton2->setObjectName(QStringLiteral("PushButton2"));

    auto *v = new QVBoxLayout(GroupBox1);
    v->addWidget(Image2, 0, Qt::AlignHCenter);
    v->addSpacing(6);
    v->addWidget(Label1);
    v->addWidget(Label3);
    v->addSpacing(8);
    auto *righe = new QGridLayout;
    righe->addWidget(lblVersion, 0, 0, Qt::AlignRight);
    righe->addWidget(lblVerN, 0, 1, Qt::AlignLeft);
    righe->addWidget(Label2, 1, 0, Qt::AlignRight);
    righe->addWidget(lblDescription[0], 1, 1, Qt::AlignLeft);
    righe->setColumnStretch(0, 1);
    righe->setColumnStretch(1, 1);
    righe->setHorizontalSpacing(8);
    v->addLayout(righe);
    v->addSpacing(10);
    auto *pulsanti = new QHBoxLayout;
    pulsanti->addWidget(PushButton4);
    pulsanti->addWidget(PushButton1);
    pulsanti->addWidget(PushButton2);
    v->addLayout(pulsanti);

    connect(lblDescription[0], &EtichettaCliccabile::Click, this, [this] { lblDescription_Click(0); });
    connect(PushButton1, &QPushButton::clicked, this, &frmStart::PushButton1_Click);
    connect(PushButton4, &QPushButton::clicked, this, &frmStart::PushButton4_Click);
    connect(PushButton2, &QPushButton::clicked, this, &frmStart::PushButton2_Click);

    // Enter presses the focused button, as in a dialog; a fresh start window goes on to the ledger.
    for (QPushButton *b : {PushButton4, PushButton1, PushButton2})
        b->setAutoDefault(true);
    PushButton2->setFocus();
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

void frmStart::Form_Load() { lblVerN->setText(TestoVersione()); }

void frmStart::lblDescription_Click(int) { Collegamenti::Apri(Collegamenti::PaginaIniziale()); }

void frmStart::PushButton1_Click() { Collegamenti::Apri(Collegamenti::PaginaProdotto()); }

// The guide on this computer first, as the ledger's Help does; the online manual only without it.
void frmStart::PushButton4_Click() { Collegamenti::Apri(Collegamenti::Guida()); }

void frmStart::PushButton2_Click()
{
    // A failure while showing the ledger is reported, and the start window goes all the same.
    EseguiPasso(windowTitle(), [] { frmAnticipi::Istanza()->show(); }, this);
    close();
}
