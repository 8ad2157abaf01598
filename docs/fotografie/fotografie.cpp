// Takes the screenshots of the user guide from the program's real windows, on a sample archive that
// it writes itself, in a temporary home: the user's archive and settings are never touched.
// Usage: fotografie DOCS (the pictures go into DOCS/immagini). Run under a display (xvfb-run).
// fotografie --breve takes one picture, the ledger with a client, into a temporary folder and checks
// it: `make test` runs it so that the screenshots cannot break unseen.
// fotografie --archivio-di-prova writes the sample archive into the archive of the desk's own settings
// and ends: for a throwaway desk, the Wine prefix of the Windows screenshots (make screenshot-windows),
// whose pictures are taken from the installed program itself.

#include "app/frmStart.h"
#include "clients/frmAnagrafiche.h"
#include "clients/frmRicerca.h"
#include "export/frmSelDate.h"
#include "ledger/frmAbout.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "values/costanti.h"
#include "values/errore.h"
#include "widgets/reportcontrol.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

QString g_cartella;
int g_errori = 0;

void attendi(int ms)
{
    QEventLoop ciclo;
    QTimer::singleShot(ms, &ciclo, &QEventLoop::quit);
    ciclo.exec();
}

void fotografa(QWidget *finestra, const QString &nome)
{
    finestra->raise();
    finestra->activateWindow();
    attendi(400);
    const QPixmap foto = finestra->grab();
    const QString file = g_cartella + QLatin1Char('/') + nome + QStringLiteral(".png");
    if (foto.isNull() || !foto.save(file)) {
        std::fprintf(stderr, "fotografie: non salvata %s\n", qPrintable(file));
        ++g_errori;
        return;
    }
    std::printf("%s (%d x %d)\n", qPrintable(file), foto.width(), foto.height());
}

// Runs `azione` on the next top-level window that `scelta` accepts, from the event loop that shows
// it (a modal window's own), then closes that window.
class AllApertura : public QObject {
public:
    AllApertura(std::function<bool(QWidget *)> scelta, std::function<void(QWidget *)> azione)
        : QObject(qApp), m_scelta(std::move(scelta)), m_azione(std::move(azione))
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (ev->type() != QEvent::Show || !obj->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(obj);
        if (!w->isWindow() || !m_scelta(w))
            return false;
        qApp->removeEventFilter(this);
        QPointer<QWidget> finestra(w);
        QTimer::singleShot(0, qApp, [this, finestra] {
            if (finestra)
                m_azione(finestra);
            if (finestra)
                finestra->close();
            deleteLater();
        });
        return false;
    }

private:
    std::function<bool(QWidget *)> m_scelta;
    std::function<void(QWidget *)> m_azione;
};

void allApertura(const QString &nome, std::function<void(QWidget *)> azione)
{
    new AllApertura([nome](QWidget *w) { return w->objectName() == nome; }, std::move(azione));
}

// The sample archive: a few clients of an office, with movements of this year and the last.
void scriviArchivioDiProva()
{
    ApriArchivio();
    const int anno = QDate::currentDate().year();
    struct Cliente {
        const char *nome, *cf, *piva;
    } const clienti[] = {
        {"Rossi Mario", "RSSMRA70A01H501U", ""},
        {"Bianchi & Figli S.n.c.", "01234560789", "01234560789"},
        {"Caffè dell'Orso S.r.l.", "09876540321", "09876540321"},
        {"Esposito Anna", "SPSNNA82C45F839K", ""},
        {"Società Agricola Il Poggio", "04455660123", "04455660123"},
        {"Ferrari Luca", "FRRLCU65M12F205Z", "07788990112"},
    };
    struct Voce {
        int cliente, mese, giorno;
        int annoPrima;  // 1: last year
        const char *descrizione;
        const char *entrata, *uscita;
    } const voci[] = {
        {0, 10, 14, 1, "Diritti camerali", "0", "120,00"},
        {0, 11, 30, 1, "Acconto ricevuto", "100,00", "0"},
        {0, 1, 12, 0, "Imposta di registro contratto di locazione", "0", "168,00"},
        {0, 1, 12, 0, "Marche da bollo", "0", "32,00"},
        {0, 2, 3, 0, "Visura catastale", "0", "13,50"},
        {0, 2, 20, 0, "Bonifico ricevuto", "200,00", "0"},
        {0, 3, 15, 0, "Raccomandata A/R all'Agenzia delle Entrate", "0", "6,80"},
        {0, 4, 16, 0, "F24 IMU acconto", "0", "412,00"},
        {0, 5, 6, 0, "Diritti di segreteria", "0", "25,00"},
        {0, 6, 9, 0, "Rimborso spese ricevuto", "450,00", "0"},
        {0, 9, 22, 0, "Deposito bilancio", "0", "62,70"},
        {1, 2, 28, 0, "Diritto annuale CCIAA", "0", "120,00"},
        {1, 3, 10, 0, "Bonifico ricevuto", "120,00", "0"},
        {2, 1, 30, 0, "Imposta di bollo fatture elettroniche", "0", "18,00"},
        {2, 6, 15, 0, "Vidimazione libri", "0", "309,87"},
        {3, 4, 2, 0, "Spese postali", "0", "9,50"},
        {4, 5, 20, 0, "Registrazione atto", "0", "200,00"},
        {5, 7, 1, 0, "Visura camerale", "0", "5,00"},
    };
    for (const Voce &v : voci) {
        const Cliente &c = clienti[v.cliente];
        Movimento m;
        m.dataOp = QDate(anno - v.annoPrima, v.mese, v.giorno);
        m.descrizione = QString::fromUtf8(v.descrizione);
        m.entrata = *Valuta::daTesto(QString::fromUtf8(v.entrata));
        m.uscita = *Valuta::daTesto(QString::fromUtf8(v.uscita));
        m.ragioneSociale = QString::fromUtf8(c.nome);
        m.codiceFiscale = QString::fromUtf8(c.cf);
        m.partitaIva = QString::fromUtf8(c.piva);
        m.codiceAna = v.cliente + 1;
        Archivio::ConnArchivio().ScriviMovimento(QStringLiteral("0"), m);
    }
    Archivio::Rilascia();
}

QToolButton *pulsanteDelMenu(QToolBar *barra, const QString &titolo)
{
    for (QToolButton *b : barra->findChildren<QToolButton *>())
        if (b->text() == titolo)
            return b;
    return nullptr;
}

// From the start window to the ledger window, as the user goes; nullptr when it did not open.
frmAnticipi *apriRegistro(bool fotografaAvvio)
{
    frmStart *avvio = frmStart::Istanza();
    avvio->show();
    if (fotografaAvvio)
        fotografa(avvio, QStringLiteral("avvio"));
    avvio->PushButton2->click();  // "Continua"
    attendi(200);
    frmAnticipi *f = frmAnticipi::Esistente();
    if (!f) {
        std::fprintf(stderr, "fotografie: la finestra Anticipi non si è aperta\n");
        ++g_errori;
    }
    return f;
}

void identificaCliente(frmAnticipi *f)
{
    f->txtCF->setText(QStringLiteral("RSSMRA70A01H501U"));
    f->txtCF_LostFocus();
    attendi(100);
}

// The quick run: the ledger with a client, and the picture read back.
void scattaUna()
{
    frmAnticipi *f = apriRegistro(false);
    if (!f)
        return;
    identificaCliente(f);
    fotografa(f, QStringLiteral("registro"));
    // A window drawn shows more than one colour; a failed grab is blank.
    const QImage foto(g_cartella + QStringLiteral("/registro.png"));
    QSet<QRgb> colori;
    for (int y = 0; y < foto.height(); y += 7)
        for (int x = 0; x < foto.width(); x += 7)
            colori.insert(foto.pixel(x, y));
    if (foto.width() < f->width() || foto.height() < f->height() || colori.size() < 3) {
        std::fprintf(stderr, "fotografie: l'immagine del registro non è leggibile o è vuota\n");
        ++g_errori;
    }
}

void scatta()
{
    frmAnticipi *f = apriRegistro(true);
    if (!f)
        return;
    fotografa(f, QStringLiteral("registro-vuoto"));

    // The search window, narrowed to one name.
    allApertura(QStringLiteral("frmRicerca"), [](QWidget *w) {
        auto *r = static_cast<frmRicerca *>(w);
        fotografa(r, QStringLiteral("ricerca"));
        r->txtCerca->setText(QStringLiteral("ross"));
        r->cmdTrova->click();
        fotografa(r, QStringLiteral("ricerca-filtro"));
    });
    f->cmdTrova->click();

    // A client identified by the tax code, then one movement loaded from the list.
    identificaCliente(f);
    fotografa(f, QStringLiteral("registro"));
    QTreeView *vista = f->ReportAttivita->Vista();
    vista->setCurrentIndex(vista->model()->index(2, 1));
    f->ReportAttivita_MouseUp(1, 0, 0, 0);
    fotografa(f, QStringLiteral("movimento"));

    // The print preview (a modal dialog of Qt's own).
    new AllApertura([](QWidget *w) { return qobject_cast<QPrintPreviewDialog *>(w) != nullptr; },
                    [](QWidget *w) {
                        w->resize(900, 700);
                        attendi(600);
                        fotografa(w, QStringLiteral("anteprima"));
                    });
    f->Comando_Stampa();

    f->Comando_ModificaAnagrafica();
    fotografa(frmAnagrafiche::Esistente(), QStringLiteral("anagrafica"));
    frmAnagrafiche::Esistente()->close();

    f->ApriSelezioneDate(QStringLiteral("0"));
    fotografa(frmSelDate::Esistente(), QStringLiteral("esporta-movimenti"));
    f->ApriSelezioneDate(QStringLiteral("1"));
    fotografa(frmSelDate::Esistente(), QStringLiteral("esporta-saldi"));
    frmSelDate::Esistente()->close();

    // The Esporta menu open on the ledger window.
    if (QToolButton *esporta = pulsanteDelMenu(f->CommandBars, QStringLiteral("Esporta"))) {
        QTimer::singleShot(500, qApp, [f] {
            const QPixmap schermo = f->screen()->grabWindow(0);
            // The top of the window with the menu open over it.
            const QRect r(f->mapToGlobal(QPoint(0, 0)), QSize(f->width(), 140));
            const QString file = g_cartella + QStringLiteral("/menu-esporta.png");
            if (!schermo.copy(r).save(file))
                ++g_errori;
            else
                std::printf("%s\n", qPrintable(file));
            if (QWidget *menu = QApplication::activePopupWidget())
                menu->close();
        });
        esporta->showMenu();
    }

    f->Comando_Informazioni();
    fotografa(frmAbout::Esistente(), QStringLiteral("informazioni"));
    frmAbout::Esistente()->close();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "uso: fotografie CARTELLA_DOCS | fotografie --breve | fotografie --archivio-di-prova\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--archivio-di-prova") == 0) {
        QApplication app(argc, argv);
        ImpostaApplicazione();
        try {
            scriviArchivioDiProva();
        } catch (const ErroreApp &e) {
            std::fprintf(stderr, "fotografie: archivio di prova: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    const bool breve = std::strcmp(argv[1], "--breve") == 0;
    // A home of its own: settings, archive and log in a temporary folder.
    QTemporaryDir casa;
    if (!casa.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(casa.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(casa.filePath(QStringLiteral("dati"))));

    QApplication app(argc, argv);
    ImpostaApplicazione();
    CaricaTraduzioniQt();
    ImpostaCartellaLog(casa.path());
    // Ending the "program" from the error reporter must not leave the run half done.
    ImpostaFunzioneUscita([](int) { ++g_errori; });

    g_cartella = breve ? casa.filePath(QStringLiteral("immagini"))
                       : QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("immagini"));
    if (!QDir().mkpath(g_cartella))
        return 1;
    try {
        scriviArchivioDiProva();
    } catch (const ErroreApp &e) {
        std::fprintf(stderr, "fotografie: archivio di prova: %s\n", e.what());
        return 1;
    }
    QTimer::singleShot(0, qApp, [breve] {
        if (breve)
            scattaUna();
        else
            scatta();
        // Emptied first, as Annulla leaves it: closing a window that shows a client asks to save.
        if (frmAnticipi *f = frmAnticipi::Esistente())
            f->PulisciCampi(false);
        QApplication::closeAllWindows();
        QApplication::exit(0);
    });
    app.exec();
    QFile log(casa.filePath(QStringLiteral("LOGERR")));
    if (log.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fotografie: errori segnalati:\n%s", log.readAll().constData());
        ++g_errori;
    }
    return g_errori == 0 ? 0 : 1;
}
