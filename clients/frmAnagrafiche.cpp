#include "clients/frmAnagrafiche.h"

#include "clients/frmRicerca.h"
#include "clients/identificazione.h"
#include "store/archivio.h"
#include "widgets/icone.h"
#include "widgets/messaggi.h"
#include "widgets/segnalazione.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QPointer<frmAnagrafiche> frmAnagrafiche::s_istanza;

namespace {
const QString Nessuno = QStringLiteral("0");
const QString Titolo = QStringLiteral("Controllo:");
} // namespace

frmAnagrafiche *frmAnagrafiche::Istanza(QWidget *proprietario, DestinatarioCliente *registro)
{
    if (!s_istanza)
        s_istanza = new frmAnagrafiche(proprietario, registro);
    return s_istanza;
}

frmAnagrafiche *frmAnagrafiche::Esistente() { return s_istanza; }

frmAnagrafiche::frmAnagrafiche(QWidget *proprietario, DestinatarioCliente *registro)
    : QWidget(proprietario, Qt::Dialog), m_registro(registro)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAnagrafiche"));
    setWindowTitle(QStringLiteral("Modifica anagrafica"));
    costruisci();
}

frmAnagrafiche::~frmAnagrafiche()
{
    if (s_istanza == this)
        s_istanza = nullptr;
}

void frmAnagrafiche::costruisci()
{
    auto campo = [](const QString &nome, int lunghezza, QWidget *parent) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(nome);
        LimitaCampoCliente(e, lunghezza);
        e->setFrame(false);  // the flat edit boxes of the window
        return e;
    };
    auto didascalia = [](const QString &nome, const QString &testo, QWidget *campo, QWidget *parent) {
        auto *l = new QLabel(testo, parent);
        l->setObjectName(nome);
        l->setBuddy(campo);
        return l;
    };

    GroupBox1 = new QGroupBox(QStringLiteral("Anagrafica:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    txtDenominazione = campo(QStringLiteral("txtDenominazione"), 50, GroupBox1);
    txtCF = campo(QStringLiteral("txtCF"), 16, GroupBox1);
    txtPiva = campo(QStringLiteral("txtPiva"), 11, GroupBox1);
    ShortcutCaption1 =
        didascalia(QStringLiteral("ShortcutCaption1"), QStringLiteral("Denominazione:"), txtDenominazione, GroupBox1);
    ShortcutCaption2[0] =
        didascalia(QStringLiteral("ShortcutCaption2_0"), QStringLiteral("Codice Fiscale:"), txtCF, GroupBox1);
    ShortcutCaption2[1] =
        didascalia(QStringLiteral("ShortcutCaption2_1"), QStringLiteral("Partita IVA:"), txtPiva, GroupBox1);
    cmdTrova = new QPushButton(GroupBox1);
    cmdTrova->setObjectName(QStringLiteral("cmdTrova"));
    cmdTrova->setIcon(IconaTrova());
    cmdTrova->setIconSize(QSize(16, 16));
    cmdTrova->setToolTip(QStringLiteral("Trova cliente"));
    cmdTrova->setAutoDefault(false);
    txtCodiceana = new QLineEdit(GroupBox1);
    txtCodiceana->setObjectName(QStringLiteral("txtCodiceana"));
    txtCodiceana->setVisible(false);
    {
        auto *g = new QGridLayout(GroupBox1);
        g->addWidget(ShortcutCaption1, 0, 0);
        g->addWidget(txtDenominazione, 0, 1, 1, 4);
        g->addWidget(ShortcutCaption2[0], 1, 0);
        g->addWidget(txtCF, 1, 1);
        g->addWidget(ShortcutCaption2[1], 1, 2);
        g->addWidget(txtPiva, 1, 3);
        g->addWidget(cmdTrova, 1, 4);
        g->setColumnStretch(1, 3);
        g->setColumnStretch(3, 2);
    }

    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    CmdEsci = new QPushButton(QStringLiteral("Esci"), this);
    CmdEsci->setObjectName(QStringLiteral("CmdEsci"));
    auto *colonna = new QVBoxLayout(this);
    colonna->addWidget(GroupBox1);
    auto *pulsanti = new QHBoxLayout();
    pulsanti->addWidget(cmdOk);
    pulsanti->addStretch(1);
    pulsanti->addWidget(CmdEsci);
    colonna->addLayout(pulsanti);

    setTabOrder(txtDenominazione, txtCF);
    setTabOrder(txtCF, txtPiva);
    setTabOrder(txtPiva, cmdTrova);
    setTabOrder(cmdTrova, cmdOk);
    setTabOrder(cmdOk, CmdEsci);

    // What the program wrote into each field, the client's data as read: only what the user changed
    // from it is written.
    QLineEdit *const campi[] = {txtDenominazione, txtCF, txtPiva};
    for (int i = 0; i < 3; ++i)
        connect(campi[i], &QLineEdit::textChanged, this, [this, i, c = campi[i]] {
            if (!c->isModified())
                m_letti[i] = c->text();
        });

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdTrova, &QPushButton::clicked, this, [this] { cmdTrova_Click(); });
    connect(CmdEsci, &QPushButton::clicked, this, [this] { CmdEsci_Click(); });

    resize(520, sizeHint().height());
}

DatiCliente frmAnagrafiche::ClienteCorrente() const
{
    return DatiCliente{txtCF->text(), txtPiva->text(), txtDenominazione->text(), txtCodiceana->text()};
}

void frmAnagrafiche::RiceviCliente(const DatiCliente &c)
{
    ScriviCampoCliente(txtCF, c.codiceFiscale);
    ScriviCampoCliente(txtPiva, c.partitaIva);
    ScriviCampoCliente(txtDenominazione, c.denominazione);
    txtCodiceana->setText(c.codiceAna);
}

void frmAnagrafiche::ControlloCodiceAna()
{
    // The ledger's lookup, without its refresh. The client found is what the fields now show, read,
    // the text searched included.
    if (IdentificaCliente({txtDenominazione, txtCF, txtPiva, txtCodiceana}, this))
        m_letti = {txtDenominazione->text(), txtCF->text(), txtPiva->text()};
}

void frmAnagrafiche::cmdOk_Click()
{
    if (txtCodiceana->text().isEmpty())
        txtCodiceana->setText(Nessuno);
    if (txtCodiceana->text() == Nessuno)
        ControlloCodiceAna();
    if (txtCodiceana->text() == Nessuno) {
        Messaggi::informa(this, QStringLiteral("Anagrafica inesistente in archivio"), Titolo);
        return;
    }

    // Only the fields the user changed are written: a field left alone keeps every row as it is
    // (a name longer than the field, written by another program, is never cut), and a correction
    // of another field made meanwhile elsewhere is not undone.
    QList<QPair<QString, QString>> assegnazioni;
    QStringList cambiati;
    const struct {
        const char *colonna;
        QLineEdit *campo;
        QString letto;
    } campi[] = {{"RAGIONESOCIALE", txtDenominazione, m_letti[0]},
                 {"CODICEFISCALE", txtCF, m_letti[1]},
                 {"PARTITAIVA", txtPiva, m_letti[2]}};
    for (const auto &c : campi) {
        if (c.campo->text() == c.letto)
            continue;
        cambiati << QLatin1String(c.colonna);
        assegnazioni.append({QLatin1String(c.colonna), c.campo->text()});
    }

    QString rifiuto;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (!cambiati.isEmpty()) {
            const qint64 codice = SqlIntero(txtCodiceana->text()).toLongLong();
            Archivio &archivio = Archivio::ConnArchivio();
            archivio.Transazione([&] {
                // The lock that new client codes take: no desk gives the same tax code to a new
                // client while this one is checked and written.
                archivio.BloccaCodici();
                rifiuto = CodiceDiAltri(cambiati, codice);
                if (rifiuto.isEmpty())
                    archivio.RiscriviAnagrafica(codice, assegnazioni, txtDenominazione->text());
            });
        }
    } catch (const ErroreApp &e) {
        // Nothing was written: the user keeps the window, enabled, to try again or leave.
        setEnabled(true);
        QApplication::restoreOverrideCursor();
        SegnalaErrore(QString(), e, this);
        return;
    }
    setEnabled(true);
    QApplication::restoreOverrideCursor();
    if (!rifiuto.isEmpty()) {
        Messaggi::informa(this, rifiuto, Titolo);
        return;
    }
    // A correction whose confirmation the server lost, found written once reconnected.
    if (const QString avviso = Archivio::ConnArchivio().PrendiAvviso(); !avviso.isEmpty())
        Messaggi::informa(this, avviso, Titolo);
    Messaggi::informa(this,
                      cambiati.isEmpty() ? QStringLiteral("Nessuna modifica da registrare: l'archivio non è cambiato.")
                                         : QStringLiteral("Aggiornamento terminato"),
                      Titolo);

    // The ledger follows only when it shows this client or none; a ledger moved to another client
    // meanwhile keeps it.
    if (m_registro) {
        const QString codiceRegistro = m_registro->ClienteCorrente().codiceAna;
        if (codiceRegistro == txtCodiceana->text() || codiceRegistro == Nessuno)
            m_registro->RiceviCliente(ClienteCorrente());
    }
    close();
}

QString frmAnagrafiche::CodiceDiAltri(const QStringList &colonne, qint64 codice) const
{
    // A tax code or VAT number identifies one client: given to a second, a lookup by it would find
    // whichever of the two has the newest row.
    const struct {
        const char *colonna;
        QLineEdit *campo;
        const char *nome;
    } identificativi[] = {{"CODICEFISCALE", txtCF, "Il codice fiscale "}, {"PARTITAIVA", txtPiva, "La partita IVA "}};
    for (const auto &i : identificativi) {
        if (!colonne.contains(QLatin1String(i.colonna)) || i.campo->text().isEmpty())
            continue;
        const QString colonna = QLatin1String(i.colonna);
        if (const std::optional<AltroCliente> altro = AltroClienteCon(colonna, i.campo->text(), codice))
            return QLatin1String(i.nome) + i.campo->text() + QStringLiteral(" è già del cliente ") +
                   altro->ragioneSociale + QStringLiteral(" (codice ") + QString::number(altro->codice) +
                   QStringLiteral("): l'anagrafica non è stata aggiornata.");
    }
    return QString();
}

void frmAnagrafiche::cmdTrova_Click()
{
    frmRicerca *ricerca = frmRicerca::Istanza(this);
    if (!txtDenominazione->text().isEmpty())
        ricerca->txtCerca->setText(txtDenominazione->text());
    else if (!txtCF->text().isEmpty())
        ricerca->txtCerca->setText(txtCF->text());
    else if (!txtPiva->text().isEmpty())
        ricerca->txtCerca->setText(txtPiva->text());
    ricerca->cmdTrova_Click();
    ricerca->DaFormAnagrafiche();
    // Modal and with no owner: this window and the ledger window wait for the search, and the chosen
    // client comes back through RiceviCliente.
    ricerca->exec();
}

void frmAnagrafiche::CmdEsci_Click() { close(); }
