#include "export/frmSelDate.h"

#include "export/csv.h"
#include "platform/file.h"
#include "store/archivio.h"
#include "store/impostazioni.h"
#include "values/costanti.h"
#include "widgets/messaggi.h"
#include "widgets/segnalazione.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>

#include <limits>

QPointer<frmSelDate> frmSelDate::s_istanza;

namespace {
// How often a running export lets the user interface breathe: often enough for the bar to move and
// the ledger window to answer, rarely enough that a million rows do not spend their time repainting.
constexpr qint64 IntervalloEventiMs = 30;
} // namespace

frmSelDate *frmSelDate::Istanza(QWidget *proprietario)
{
    if (!s_istanza)
        s_istanza = new frmSelDate(proprietario);
    return s_istanza;
}

frmSelDate *frmSelDate::Esistente() { return s_istanza; }

frmSelDate::frmSelDate(QWidget *proprietario) : QWidget(proprietario, Qt::Dialog)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmSelDate"));
    setWindowTitle(QStringLiteral("Seleziona il periodo"));
    costruisci();
    // While an export runs the owner must not take this window (and the archive) away with it.
    if (proprietario)
        proprietario->installEventFilter(this);
    Form_Load();
}

frmSelDate::~frmSelDate()
{
    if (m_esportando)
        QApplication::restoreOverrideCursor();
    if (s_istanza == this)
        s_istanza = nullptr;
}

int frmSelDate::Twips(int twips) const { return qRound(twips * logicalDpiX() / 1440.0); }

void frmSelDate::costruisci()
{
    auto posa = [this](QWidget *w, int x, int y, int larghezza, int altezza) {
        w->setGeometry(Twips(x), Twips(y), Twips(larghezza), Twips(altezza));
    };
    gbSel = new QGroupBox(this);
    gbSel->setObjectName(QStringLiteral("gbSel"));
    posa(gbSel, 120, 0, 4215, 735);
    const char *const didascalie[2] = {"Da:", "A:"};
    const int xLabel[2] = {120, 2040}, xData[2] = {480, 2520};
    for (int i = 0; i < 2; ++i) {
        Label1[i] = new QLabel(QString::fromUtf8(didascalie[i]), gbSel);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        posa(Label1[i], xLabel[i], 240, 375, 255);
        DtpData[i] = new QDateEdit(gbSel);
        DtpData[i]->setObjectName(QStringLiteral("DtpData_%1").arg(i));
        DtpData[i]->setDisplayFormat(FormatoData);
        DtpData[i]->setCalendarPopup(true);
        posa(DtpData[i], xData[i], 240, 1335, 300);
        Label1[i]->setBuddy(DtpData[i]);
    }
    // The pickers need room for a four-digit year and the calendar button; they grow to the right,
    // into the space the layout leaves free.
    for (QDateEdit *d : DtpData)
        d->resize(qMax(d->width(), d->sizeHint().width()), qMax(d->height(), d->sizeHint().height()));

    PBar = new QProgressBar(this);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setTextVisible(false);
    PBar->setRange(0, 100);
    PBar->setValue(0);
    posa(PBar, 120, 840, 4215, 255);

    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    posa(cmdOk, 120, 1200, 855, 375);
    cmdAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    cmdAnnulla->setObjectName(QStringLiteral("cmdAnnulla"));
    posa(cmdAnnulla, 3480, 1200, 855, 375);

    txtCaso = new QLineEdit(this);
    txtCaso->setObjectName(QStringLiteral("txtCaso"));
    txtCaso->setVisible(false);

    const int destra = qMax(DtpData[1]->geometry().right() + Twips(120), gbSel->width());
    gbSel->resize(destra, gbSel->height());
    PBar->resize(gbSel->width(), PBar->height());
    cmdAnnulla->move(gbSel->x() + gbSel->width() - cmdAnnulla->width(), cmdAnnulla->y());
    setFixedSize(qMax(Twips(4455), gbSel->x() * 2 + gbSel->width()), Twips(1680));

    // Enter on a button presses that button; anywhere else (a date picker) it presses OK.
    for (QPushButton *b : {cmdOk, cmdAnnulla})
        b->setAutoDefault(true);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdAnnulla, &QPushButton::clicked, this, [this] { cmdAnnulla_Click(); });
    connect(txtCaso, &QLineEdit::textChanged, this, [this] { txtCaso_Change(); });
}

void frmSelDate::Form_Load()
{
    const QString nessuna;
    QString inizio, fine;
    EseguiPasso(nessuna, [&] {
        inizio = Impostazioni::Leggi(Impostazioni::DataI);
        fine = Impostazioni::Leggi(Impostazioni::DataF);
    }, this);
    EseguiPasso(nessuna, [&] {
        if (!DataDaTesto(inizio).isValid())
            inizio = QStringLiteral("01/01/") + QString::number(QDate::currentDate().year()).rightJustified(4, QLatin1Char('0'));
    }, this);
    EseguiPasso(nessuna, [&] {
        if (!DataDaTesto(fine).isValid())
            fine = TestoData(QDate::currentDate());
    }, this);
    EseguiPasso(nessuna, [&] {
        DtpData[0]->setDate(DataDaTesto(inizio));
        DtpData[1]->setDate(DataDaTesto(fine));
    }, this);
}

void frmSelDate::txtCaso_Change()
{
    const QString caso = txtCaso->text();
    if (caso == QLatin1String("0")) {
        Label1[0]->resize(Twips(375), Label1[0]->height());
        Label1[0]->setText(QStringLiteral("Da:"));
        Label1[1]->setText(QStringLiteral("A:"));
        Label1[0]->setVisible(true);
        Label1[1]->setVisible(true);
        DtpData[0]->setVisible(true);
        DtpData[1]->setVisible(true);
    } else if (caso == QLatin1String("1")) {
        // "Saldo al:" reaches over the hidden first picker and label, up to the second picker.
        Label1[0]->resize(Twips(2075), Label1[0]->height());
        Label1[0]->setText(QStringLiteral("Saldo al:"));
        Label1[1]->setText(QStringLiteral("A:"));
        Label1[1]->setVisible(false);
        DtpData[0]->setVisible(false);
        DtpData[1]->setVisible(true);
    }
}

void frmSelDate::cmdOk_Click()
{
    const QString caso = txtCaso->text();
    if (caso == QLatin1String("0"))
        EsportaMovimenti();
    else if (caso == QLatin1String("1"))
        EsportaSaldi();
}

void frmSelDate::cmdAnnulla_Click() { close(); }

void frmSelDate::EsportaSaldi()
{
    const QDate alGiorno = DtpData[1]->date();
    Esporta(QStringLiteral("Anticipazioni.csv"), [alGiorno](QIODevice &file, const Csv::Avanzamento &a) {
        return Csv::ScriviSaldi(file, Archivio::ConnArchivio(), alGiorno, a);
    });
}

void frmSelDate::EsportaMovimenti()
{
    const QDate dal = DtpData[0]->date(), al = DtpData[1]->date();
    Esporta(QStringLiteral("Export.csv"), [dal, al](QIODevice &file, const Csv::Avanzamento &a) {
        return Csv::ScriviMovimenti(file, Archivio::ConnArchivio(), dal, al, a);
    });
}

void frmSelDate::Esporta(const QString &nomeFile, const Scrittore &scrivi)
{
    // The dialog always starts from the default name on the desktop, whatever was chosen before.
    RichiestaFile richiesta;
    richiesta.nomeIniziale = nomeFile;
    richiesta.filtro = QStringLiteral("File CSV | *.csv");
    richiesta.cartella = CartellaDesktop();
    QString percorso;
    try {
        percorso = Messaggi::servizio().fileDaSalvare(this, richiesta);
    } catch (...) {
        return;  // a failed dialog is not reported
    }
    if (percorso.isEmpty())
        return;
    if (EsisteFile(percorso) &&
        !Messaggi::chiedi(this, QStringLiteral("Sostituire il file ") + percorso + QStringLiteral(" ?"),
                          QStringLiteral("Controllo:"), Risposta::No, Icona::Informazione))
        return;

    m_esportando = true;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString nessuna;
    EseguiPasso(nessuna, [this] { PBar->setValue(PBar->minimum()); }, this);
    EseguiPasso(nessuna, [this] { Impostazioni::Scrivi(Impostazioni::DataI, TestoData(DtpData[0]->date())); }, this);
    EseguiPasso(nessuna, [this] { Impostazioni::Scrivi(Impostazioni::DataF, TestoData(DtpData[1]->date())); }, this);

    // The new content goes to a file beside the old one, which is replaced only once the whole export
    // is written: a failed export leaves the old file as it was. In a folder where no new file can
    // be made but the old one may be written (a shared folder with such rights), the old file is
    // written in place instead. QSaveFile's own switch for this only covers a folder that denies
    // access, not one locked against changes (which stops root too), and would not tell us that it
    // wrote in place: so the fallback is made here, for both.
    bool riuscita = false;
    qint64 movimenti = 0;
    ErroreApp errore(0, QString());
    const QString nativo = QDir::toNativeSeparators(percorso);
    QSaveFile file(percorso);
    QFile diretto(percorso);
    QFileDevice *uscita = &file;
    try {
        if (!file.open(QIODevice::WriteOnly)) {
            const QString motivo = file.errorString();
            if (!QFileInfo(percorso).isFile() || !diretto.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw ErroreApp(CodiciErrore::FileNonScritto,
                                QStringLiteral("Impossibile aprire il file ") + nativo + QStringLiteral(": ") + motivo);
            uscita = &diretto;
        }
        Csv::Avanzamento avanzamento;
        avanzamento.totale = [this](qint64 righe) {
            const qint64 massimo = qMin<qint64>(righe + 10, std::numeric_limits<int>::max());
            PBar->setMaximum(int(massimo));
        };
        avanzamento.riga = [this] { Avanza(); };
        m_orologio.start();
        m_righe = 0;
        m_uscita = uscita;
        // The balances' grouping sorts every movement before its first row, seconds in a large
        // archive: without this the window would not even be drawn meanwhile.
        const Archivio::Attesa attesa(Archivio::ConnArchivio(), [this] { Attendi(); });
        movimenti = scrivi(*uscita, avanzamento);
        m_uscita = nullptr;
        const bool scritto = uscita == &file ? file.commit() : (diretto.flush() && diretto.error() == QFileDevice::NoError);
        if (!scritto)
            throw ErroreApp(CodiciErrore::FileNonScritto, QStringLiteral("Impossibile scrivere il file ") + nativo +
                                                              QStringLiteral(": ") + uscita->errorString());
        if (uscita == &diretto) {
            diretto.close();
            if (diretto.error() != QFileDevice::NoError)
                throw ErroreApp(CodiciErrore::FileNonScritto, QStringLiteral("Impossibile scrivere il file ") +
                                                                  nativo + QStringLiteral(": ") + diretto.errorString());
        }
        riuscita = true;
    } catch (const ErroreApp &e) {
        errore = e;
    } catch (const std::exception &e) {
        errore = ErroreApp(-1, QString::fromLocal8Bit(e.what()));
    }
    m_uscita = nullptr;

    if (!riuscita) {
        // Reported once; the user keeps the window and its dates to try again elsewhere.
        if (uscita == &file) {
            file.cancelWriting();
        } else {
            diretto.close();
            errore = ErroreApp(errore.numero(), errore.descrizione() + QStringLiteral(" Il file ") + nativo +
                                                    QStringLiteral(" è stato scritto solo in parte: non usarlo."));
        }
        PBar->setValue(PBar->minimum());
        setEnabled(true);
        QApplication::restoreOverrideCursor();
        m_esportando = false;
        SegnalaErrore(nessuna, errore, this);
        return;
    }

    EseguiPasso(nessuna, [this] {
        PBar->setValue(PBar->maximum());
        QCoreApplication::processEvents();
    }, this);
    // A file with its header alone must not pass for an export of something.
    Messaggi::informa(this,
                      movimenti > 0 ? QStringLiteral("Esportazione terminata")
                                    : QStringLiteral("Esportazione terminata: nessun movimento da esportare, il file "
                                                     "contiene solo l'intestazione."),
                      QStringLiteral("Controllo:"));
    EseguiPasso(nessuna, [this] {
        PBar->setValue(PBar->minimum());
        QCoreApplication::processEvents();
    }, this);
    setEnabled(true);
    QApplication::restoreOverrideCursor();
    m_esportando = false;
    close();
}

void frmSelDate::Avanza()
{
    // The bar moves when the window gets to draw it: set for every row, it took a quarter of the time
    // of an export from a server. A step is a row of the balances, a thousandth of the movements'
    // walk: few enough that reading the clock at each costs nothing.
    ++m_righe;
    if (m_orologio.elapsed() >= IntervalloEventiMs) {
        PBar->setValue(int(qMin<qint64>(m_righe, PBar->maximum())));
        // What the export wrote so far starts for the disk now, beside the walk, rather than all of it
        // in the sync before the new file takes the old one's place: that sync (0.3 s for the 100 MB
        // of a million movements) then waits for about half as long.
        if (m_uscita)
            Piattaforma::AvviaScrittura(*m_uscita);
        QCoreApplication::processEvents();
        m_orologio.restart();
    }
}

void frmSelDate::Attendi()
{
    if (m_orologio.elapsed() < IntervalloEventiMs)
        return;
    // Input waits for the rows: the archive can serve nothing meanwhile, and the window is
    // disabled anyway. What runs from the event loop and reads the archive waits for its turn.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    m_orologio.restart();
}

bool frmSelDate::eventFilter(QObject *obj, QEvent *ev)
{
    if (m_esportando && obj == parentWidget() && ev->type() == QEvent::Close) {
        ev->ignore();
        return true;
    }
    return QWidget::eventFilter(obj, ev);
}

void frmSelDate::keyPressEvent(QKeyEvent *ev)
{
    if ((ev->key() == Qt::Key_Return || ev->key() == Qt::Key_Enter) && ev->modifiers() == Qt::NoModifier) {
        if (cmdOk->isEnabled() && isEnabled())
            cmdOk->click();
        return;
    }
    QWidget::keyPressEvent(ev);
}

void frmSelDate::closeEvent(QCloseEvent *ev)
{
    if (m_esportando) {
        ev->ignore();
        return;
    }
    ev->accept();
}
