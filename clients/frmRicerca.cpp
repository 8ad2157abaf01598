#include "clients/frmRicerca.h"

#include "clients/destinatariocliente.h"
#include "store/archivio.h"
#include "widgets/icone.h"
#include "widgets/incolla.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

QPointer<frmRicerca> frmRicerca::s_istanza;

namespace {
// Item positions of a row.
constexpr int ItemCodiceFiscale = 1;
constexpr int ItemPartitaIva = 2;
constexpr int ItemDenominazione = 3;
constexpr int ItemCodice = 4;
} // namespace

QString frmRicerca::IstruzioneClienti()
{
    // Grouping the whole table reads every movement; instead the index on (CODICEANA, ID) is walked
    // backwards from each client straight to the next lower code, whose highest ID comes first
    // there: one seek in the index and one by ID per client, whatever its movements. The walk ends
    // where no lower code is left. No ORDER BY: the window sorts the rows itself.
    return QStringLiteral(
        "WITH RECURSIVE ULTIMI(ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA) AS ("
        "SELECT ID, CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
        "WHERE ID = (SELECT ID FROM ANTICIPI ORDER BY CODICEANA DESC, ID DESC LIMIT 1) UNION ALL "
        "SELECT A.ID, A.CODICEANA, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ULTIMI INNER JOIN ANTICIPI AS A "
        "ON A.ID = (SELECT ID FROM ANTICIPI WHERE CODICEANA < ULTIMI.CODICEANA ORDER BY CODICEANA DESC, ID DESC LIMIT 1)) "
        "SELECT CODICEANA, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ULTIMI");
}

frmRicerca *frmRicerca::Istanza()
{
    if (!s_istanza)
        s_istanza = new frmRicerca();
    return s_istanza;
}

frmRicerca *frmRicerca::Istanza(DestinatarioCliente *mittente)
{
    frmRicerca *f = Istanza();
    f->ImpostaMittente(mittente);
    return f;
}

frmRicerca *frmRicerca::Esistente() { return s_istanza; }

frmRicerca::frmRicerca() : QDialog(nullptr)
{
    // Unloading destroys the window, so that each opening loads it again from the archive.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmRicerca"));
    setWindowTitle(QStringLiteral("Trova"));
    costruisci();
    Form_Load();
}

frmRicerca::~frmRicerca()
{
    if (s_istanza == this)
        s_istanza = nullptr;
}

void frmRicerca::ImpostaMittente(DestinatarioCliente *mittente)
{
    m_mittente = mittente;
    m_mittenteVivo = dynamic_cast<QObject *>(mittente);
    m_mittenteQObject = m_mittenteVivo != nullptr;
}

void frmRicerca::costruisci()
{
    auto *colonna = new QVBoxLayout(this);

    ReportAttivita = new ReportControl(this);
    ReportAttivita->setObjectName(QStringLiteral("ReportAttivita"));
    colonna->addWidget(ReportAttivita, 1);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    cmdOk = new QPushButton(QStringLiteral("Ok"), GroupBox1);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdTrova = new QPushButton(IconaFiltro(), QString(), GroupBox1);
    cmdTrova->setObjectName(QStringLiteral("cmdTrova"));
    cmdTrova->setToolTip(QStringLiteral("Trova cliente"));
    cmdTrova->setIconSize(QSize(16, 16));
    txtCerca = new QLineEdit(GroupBox1);
    txtCerca->setObjectName(QStringLiteral("txtCerca"));
    RegolaIncolla(txtCerca, IncollaSenzaSpazi);
    CmdEsci = new QPushButton(QStringLiteral("Esci"), GroupBox1);
    CmdEsci->setObjectName(QStringLiteral("CmdEsci"));
    // Enter belongs to the search box and to the list, never to a default button.
    for (QPushButton *b : {cmdOk, cmdTrova, CmdEsci}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    {
        auto *h = new QHBoxLayout(GroupBox1);
        h->addWidget(cmdOk);
        h->addWidget(cmdTrova);
        h->addWidget(txtCerca, 1);
        h->addWidget(CmdEsci);
    }
    colonna->addWidget(GroupBox1);

    setTabOrder(txtCerca, cmdTrova);
    setTabOrder(cmdTrova, ReportAttivita->Vista());
    setTabOrder(ReportAttivita->Vista(), cmdOk);
    setTabOrder(cmdOk, CmdEsci);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdTrova, &QPushButton::clicked, this, [this] { cmdTrova_Click(); });
    connect(CmdEsci, &QPushButton::clicked, this, [this] { CmdEsci_Click(); });
    connect(ReportAttivita, &ReportControl::EventoRiga, this, &frmRicerca::ReportAttivita_RowDblClick);
    txtCerca->installEventFilter(this);

    resize(640, 420);
}

void frmRicerca::Form_Load()
{
    const QString nessuna;
    EseguiPasso(nessuna, [this] { ApertoDaAnagrafiche = false; }, this);
    ImpostaColonne();
    CaricaClienti();
}

void frmRicerca::showEvent(QShowEvent *ev)
{
    QDialog::showEvent(ev);
    txtCerca->setFocus(Qt::OtherFocusReason);
}

void frmRicerca::DaFormAnagrafiche() { ApertoDaAnagrafiche = true; }

void frmRicerca::ImpostaColonne()
{
    const QString nessuna;
    EseguiPasso(nessuna, [this] {
        ReportAttivita->CancellaColonne();
        ReportAttivita->CancellaRecord();
        ReportAttivita->Popola();
    }, this);
    struct {
        const char *caption;
        int larghezza;
        bool ridimensionabile;
    } const colonne[] = {
        {"", 0, false}, {"Codice fiscale", 100, true}, {"Partita IVA", 100, true},
        {"Denominazione", 250, true}, {"CODICE", 0, false},
    };
    int indice = 0;
    for (const auto &c : colonne) {
        EseguiPasso(nessuna, [&] {
            ReportAttivita->AggiungiColonna(indice, QString::fromUtf8(c.caption), c.larghezza, c.ridimensionabile);
        }, this);
        ++indice;
    }
    EseguiPasso(nessuna, [this] { ReportAttivita->ImpostaColonnaVisibile(ReportAttivita->NumeroColonne() - 1, false); },
                this);
}

void frmRicerca::CaricaClienti()
{
    const QString nessuna;
    // One query for what the per-client lookup gives: each client code once, with the row of its
    // highest ID. The statement leaves its rows unsorted; the list takes them by code, so that names
    // that sort the same stay in the order of their codes.
    EseguiPasso(nessuna, [this] {
        Recordset rs = Archivio::ConnArchivio().Query(IstruzioneClienti());
        const int iCodice = rs.IndiceCampo(QStringLiteral("CODICEANA"));
        const int iDenominazione = rs.IndiceCampo(QStringLiteral("RAGIONESOCIALE"));
        const int iCF = rs.IndiceCampo(QStringLiteral("CODICEFISCALE"));
        const int iPiva = rs.IndiceCampo(QStringLiteral("PARTITAIVA"));
        auto testo = [&rs](int i) {
            const QVariant v = rs.Campo(i);
            return v.isNull() ? QString() : v.toString();
        };
        QVector<QVector<QVariant>> clienti;
        while (!rs.Fine()) {
            QVector<QVariant> items;
            items.reserve(5);
            items << QString() << testo(iCF) << testo(iPiva) << testo(iDenominazione)
                  << QVariant(rs.Campo(iCodice).toLongLong());
            clienti.append(std::move(items));
            rs.MoveNext();
        }
        rs.Chiudi();
        std::sort(clienti.begin(), clienti.end(), [](const QVector<QVariant> &a, const QVector<QVariant> &b) {
            return a.at(ItemCodice).toLongLong() < b.at(ItemCodice).toLongLong();
        });
        ReportAttivita->RiservaRecord(clienti.size());
        for (QVector<QVariant> &c : clienti)
            ReportAttivita->AggiungiRecord(std::move(c));
    }, this);
    EseguiPasso(nessuna, [this] { ReportAttivita->AggiungiOrdinamento(ItemDenominazione); }, this);
    EseguiPasso(nessuna, [this] { ReportAttivita->Popola(); }, this);
}

void frmRicerca::cmdTrova_Click()
{
    const QString nessuna;
    EseguiPasso(nessuna, [this] { ReportAttivita->ImpostaFiltro(txtCerca->text()); }, this);
    EseguiPasso(nessuna, [this] { ReportAttivita->Popola(); }, this);
}

void frmRicerca::txtCerca_KeyUp(int codiceTasto, int)
{
    if (codiceTasto == 13)
        cmdTrova_Click();
}

void frmRicerca::cmdOk_Click()
{
    EseguiPasso(QString(), [this] {
        const int riga = ReportAttivita->RigaFocalizzata();
        if (riga < 0)
            return;  // nothing chosen: the window just closes
        DatiCliente c;
        c.codiceFiscale = ReportAttivita->ValoreItem(riga, ItemCodiceFiscale).toString();
        c.partitaIva = ReportAttivita->ValoreItem(riga, ItemPartitaIva).toString();
        c.denominazione = ReportAttivita->ValoreItem(riga, ItemDenominazione).toString();
        c.codiceAna = ReportAttivita->ValoreItem(riga, ItemCodice).toString();
        // The ledger window refreshes its list in RiceviCliente; the master-data window does not.
        // An opener that has gone meanwhile gets nothing.
        if (m_mittente && (!m_mittenteQObject || m_mittenteVivo))
            m_mittente->RiceviCliente(c);
    }, this);
    Scarica();
}

void frmRicerca::CmdEsci_Click() { Scarica(); }

void frmRicerca::ReportAttivita_RowDblClick(int, int) { cmdOk_Click(); }

void frmRicerca::Scarica()
{
    // Ends the modal display; the window is destroyed with it (WA_DeleteOnClose).
    accept();
}

bool frmRicerca::eventFilter(QObject *obj, QEvent *ev)
{
    if (obj == txtCerca && ev->type() == QEvent::KeyRelease) {
        auto *k = static_cast<QKeyEvent *>(ev);
        if (!k->isAutoRepeat()) {
            const int codice = (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) ? 13 : k->key();
            EseguiPasso(QString(), [this, codice, k] { txtCerca_KeyUp(codice, int(k->modifiers() >> 25)); }, this);
        }
    }
    return QDialog::eventFilter(obj, ev);
}
