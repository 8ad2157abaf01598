#include "clients/frmRicerca.h"

#include "clients/destinatariocliente.h"
#include "store/archivio.h"
#include "store/engines/motore.h"
#include "widgets/icone.h"
#include "widgets/incolla.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"
#include "widgets/tabellatesti.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

QPointer<frmRicerca> frmRicerca::s_istanza;

namespace {
// Item positions of a row.
constexpr int ItemCodiceFiscale = 1;
constexpr int ItemPartitaIva = 2;
constexpr int ItemDenominazione = 3;
constexpr int ItemCodice = 4;

// The size of the list read at the last opening.
struct {
    int record = 0;
    qsizetype caratteri = 0;
} s_letti;
} // namespace

QString frmRicerca::IstruzioneClienti()
{
    // A walk along the index from client to client, written for each engine.
    return Archivio::ConnArchivio().MotoreAperto().IstruzioneClienti();
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
        // Read by position, each text from the engine's bytes straight into the list's one buffer of
        // texts (a null stays a null text), the code too: the window hands it on as text.
        auto codice = [&rs, iCodice] {
            bool ok = false;
            const qint64 n = rs.InteroCampo(iCodice, &ok);
            return ok ? n : rs.Campo(iCodice).toLongLong();
        };
        const auto testo = [&rs](TabellaTesti &t, int campo) {
            if (rs.NulloCampo(campo))
                t.AggiungiNullo();
            else
                t.AggiungiUtf8(rs.Utf8Campo(campo));
        };
        TabellaTesti clienti(ItemCodice + 1);
        QVector<qint64> codici;
        // As much room as the last opening needed: the list seldom changes, and growing a buffer of
        // a megabyte step by step costs more than filling it.
        clienti.Riserva(s_letti.record + s_letti.record / 16, s_letti.caratteri + s_letti.caratteri / 16);
        codici.reserve(s_letti.record + s_letti.record / 16);
        while (!rs.Fine()) {
            const qint64 c = codice();
            clienti.AggiungiNullo();
            testo(clienti, iCF);
            testo(clienti, iPiva);
            testo(clienti, iDenominazione);
            clienti.AggiungiNumero(c);
            codici.append(c);
            rs.MoveNext();
        }
        rs.Chiudi();
        // The walk gives the codes from the highest down: then reversing them is the sort.
        if (std::is_sorted(codici.crbegin(), codici.crend())) {
            clienti.Rovescia();
        } else {
            QVector<int> ordine(codici.size());
            std::iota(ordine.begin(), ordine.end(), 0);
            std::stable_sort(ordine.begin(), ordine.end(), [&codici](int a, int b) { return codici[a] < codici[b]; });
            clienti.Riordina(ordine);
        }
        s_letti = {clienti.NumeroRecord(), clienti.NumeroCaratteri()};
        ReportAttivita->ImpostaRecordTesti(std::move(clienti));
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
