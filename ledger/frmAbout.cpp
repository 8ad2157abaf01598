#include "ledger/frmAbout.h"

#include "store/impostazioni.h"
#include "values/costanti.h"
#include "widgets/banner.h"
#include "widgets/collegamenti.h"
#include "widgets/etichetta.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<frmAbout> frmAbout::s_istanza;

namespace {
QFrame *linea(const QString &nome, QWidget *parent)
{
    auto *l = new QFrame(parent);
    l->setObjectName(nome);
    l->setFrameShape(QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

// The settings' number first (an office may set its dealer's), then the one the build was given.
QString TelefonoAssistenza()
{
    QString t;
    try {
        t = Impostazioni::Leggi(Impostazioni::Telefono).trimmed();
    } catch (...) {
        // Unreadable settings: the build's number, or none.
    }
    return t.isEmpty() ? QStringLiteral(SPESARIO_TELEFONO) : t;
}
} // namespace

frmAbout *frmAbout::Istanza(QWidget *proprietario)
{
    if (!s_istanza)
        s_istanza = new frmAbout(proprietario);
    return s_istanza;
}

frmAbout *frmAbout::Esistente() { return s_istanza; }

frmAbout::frmAbout(QWidget *proprietario) : QDialog(proprietario)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Info"));
    setModal(false);
    costruisci();
    Form_Load();
}

frmAbout::~frmAbout()
{
    if (s_istanza == this)
        s_istanza = nullptr;
}

void frmAbout::costruisci()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(BannerCorvalle(devicePixelRatioF()));
    Image1->setFixedSize(LarghezzaBanner, AltezzaBanner);

    const QFont arial(QStringLiteral("Arial"));
    lblTitle[0] = new QLabel(QStringLiteral("Gestione spese anticipate Corvalle"), this);
    lblTitle[1] = new QLabel(QStringLiteral("Un programma della linea Corvalle per gli studi professionali"), this);
    for (int i = 0; i < 2; ++i)
        lblTitle[i]->setObjectName(QStringLiteral("lblTitle_%1").arg(i));
    QFont titolo = arial;
    titolo.setPointSize(12);
    titolo.setBold(true);
    lblTitle[0]->setFont(titolo);

    lblVersion[0] = new QLabel(QStringLiteral("Realizzato da:"), this);
    lblVersion[1] = new QLabel(QStringLiteral("Versione:"), this);
    for (int i = 0; i < 2; ++i)
        lblVersion[i]->setObjectName(QStringLiteral("lblVersion_%1").arg(i));
    lblVersion[1]->setFont(arial);
    lblVerN = new QLabel(QStringLiteral("Versione"), this);
    lblVerN->setObjectName(QStringLiteral("lblVerN"));
    lblVerN->setFont(arial);

    const QString testi[7] = {
        QString::fromLatin1(Collegamenti::RagioneSociale),
        QString::fromLatin1(Collegamenti::Indirizzo),
        QString::fromLatin1(Collegamenti::Localita),
        TelefonoAssistenza(),
        QStringLiteral("Sito web:"),
        Collegamenti::TestoSito(),
        QStringLiteral("Posta elettronica: ") + QString::fromLatin1(Collegamenti::PostaAssistenza),
    };
    for (int i = 0; i < 7; ++i) {
        lblDescription[i] = new EtichettaCliccabile(testi[i], this);
        lblDescription[i]->setObjectName(QStringLiteral("lblDescription_%1").arg(i));
        connect(lblDescription[i], &EtichettaCliccabile::Click, this, [this, i] { lblDescription_Click(i); });
    }
    // No number is better than one that looks real and is not.
    lblDescription[3]->setVisible(!testi[3].isEmpty());
    lblDescription[5]->ImpostaCollegamento();
    lblDescription[6]->ImpostaCollegamento();

    Line1[0] = linea(QStringLiteral("Line1_0"), this);
    Line1[1] = linea(QStringLiteral("Line1_1"), this);

    PushButton1 = new QPushButton(QStringLiteral("Informazioni"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto *v = new QVBoxLayout(this);
    v->addWidget(Image1, 0, Qt::AlignHCenter);
    v->addWidget(lblTitle[0]);
    v->addWidget(lblTitle[1]);
    auto *versione = new QHBoxLayout;
    versione->addWidget(lblVersion[1]);
    versione->addWidget(lblVerN);
    versione->addStretch(1);
    v->addLayout(versione);
    v->addWidget(Line1[0]);
    v->addWidget(lblVersion[0]);
    auto *contatti = new QGridLayout;
    contatti->setContentsMargins(12, 0, 0, 0);
    for (int i = 0; i < 4; ++i)
        contatti->addWidget(lblDescription[i], i, 0, 1, 2);
    contatti->addWidget(lblDescription[4], 4, 0);
    contatti->addWidget(lblDescription[5], 4, 1);
    contatti->addWidget(lblDescription[6], 5, 0, 1, 2);
    contatti->setColumnStretch(1, 1);
    v->addLayout(contatti);
    v->addWidget(Line1[1]);
    auto *pulsanti = new QHBoxLayout;
    pulsanti->addWidget(PushButton1);
    pulsanti->addStretch(1);
    pulsanti->addWidget(cmdOK);
    v->addLayout(pulsanti);

    connect(PushButton1, &QPushButton::clicked, this, &frmAbout::PushButton1_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    setFixedSize(sizeHint());
}

void frmAbout::Form_Load() { lblVerN->setText(TestoVersione()); }

void frmAbout::lblDescription_Click(int indice)
{
    // Only the web address and the e-mail line are links; the captions and contact lines are text.
    if (indice == 5)
        Collegamenti::Apri(Collegamenti::PaginaIniziale());
    else if (indice == 6)
        Collegamenti::Apri(Collegamenti::Assistenza());
}

void frmAbout::PushButton1_Click() { Collegamenti::Apri(Collegamenti::PaginaProdotto()); }

void frmAbout::cmdOK_Click() { close(); }
