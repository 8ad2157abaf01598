#pragma once
// The ledger window: a client's movements for a period with its balances, the editing of one
// movement, and the command bar that reaches every other function.
//
// Split by concern: costruzione.cpp (the controls, their layout and wiring), frmAnticipi.cpp (load
// and unload, columns, command bar, the fields' events), lista.cpp (RinfrescaLista, period check,
// PulisciCampi), identificazione.cpp (ControlloCodiceAna and the client block), modifica.cpp
// (loading, input rules, ControlloCampi, Salva), riempimento.cpp (the totals from the index and the
// list filled in steps), comandi.cpp (the dispatcher and its commands),
// aperture.cpp (the windows it opens), aiuto.cpp (the Help menu and the about window, frmAbout),
// conversione.cpp (converting the earlier program's archive at load).
//
// Room ledger/: this window and the about window it opens. It may use clients/, export/, convert/,
// widgets/, store/ and values/; only app/ uses it.

#include "clients/destinatariocliente.h"
#include "convert/copia.h"
#include "values/valuta.h"

#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QVariant>
#include <QVector>
#include <array>
#include <optional>

class Archivio;
struct Movimento;
class QAction;
class QDateEdit;
class QGroupBox;
class QLabel;
class QKeySequence;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolBar;
class QToolButton;
class ReportControl;

class frmAnticipi : public QMainWindow, public DestinatarioCliente {
    Q_OBJECT
public:
    // The one ledger window: created (and loaded) on first use, destroyed when closed.
    static frmAnticipi *Istanza();
    static frmAnticipi *Esistente();  // nullptr when not loaded
    ~frmAnticipi() override;

    // ---- controls, named as the program knows them
    QToolBar *CommandBars = nullptr;  // the toolbar "BarraVelmar"
    QGroupBox *grpAnagrafica = nullptr, *grpMovimento = nullptr, *grpPeriodo = nullptr, *grpSaldo = nullptr;
    QPushButton *cmdTrova = nullptr;
    QLineEdit *txtDenominazione = nullptr, *txtCF = nullptr, *txtPiva = nullptr;
    QLineEdit *txtCodiceana = nullptr;  // hidden
    QRadioButton *optTipo[2] = {};
    QDateEdit *DtpData = nullptr;
    QLineEdit *txtEntrate = nullptr, *txtUscite = nullptr;
    QPlainTextEdit *txtDescrizione = nullptr;
    QDateEdit *DTPFIltro[2] = {};
    QLabel *lblDato[2] = {};  // only element 1
    QLabel *lblEntrate = nullptr, *lblUscite = nullptr, *lblSaldo = nullptr;
    ReportControl *ReportAttivita = nullptr;
    QLabel *lblID = nullptr;  // hidden
    QAction *ctlSalva = nullptr, *ctlElimina = nullptr;

    QDate PeriodoDal, PeriodoAl;

    // ---- start-up and the command bar (frmAnticipi.cpp)
    void ImpostaColonne();
    void ImpostaBarra();
    // The bar's buttons, in their order.
    QList<QToolButton *> PulsantiBarra() const;
    void AbilitaComandi(int modo);
    // All the controls of the command bar, buttons and menu entries, in the order added.
    QList<QAction *> ControlliBarra() const;
    QAction *ControlloBarra(const QString &caption) const;

    // ---- list and balances (lista.cpp)
    void RinfrescaLista();
    void PulisciCampi(bool mantieniCliente);
    void DTPFIltro_Change(int indice);  // the period check
    void DtpData_Validate();

    // ---- the list filled in steps (riempimento.cpp): the first screenful of rows and every total
    // at once, the rest from the event loop.
    bool RiempimentoInCorso() const { return m_riempimento.attivo; }
    // The rest of the list at once, for what reads every row (the print).
    void CompletaRiempimento();
    // The first page: more rows than a maximised window shows.
    static constexpr int PrimaPagina = 100;
    // The statements of a fill, for the benchmark's floor too: the checks for a client's values of
    // another kind (only where the engine types each value), the totals brought forward and of the
    // period, and a page of rows after the one on `dopoGiorno` with `dopoId` (none when invalid).
    static QStringList IstruzioniValoriCliente(const QString &codice);
    // One row of the list as its columns hold it: both amounts as stored, the ID, the day as yyyymmdd.
    static QVector<QVariant> RigaLista(const QDate &data, const QVariant &descrizione, const Valuta &entrata,
                                       const Valuta &uscita, const QString &id);
    static QString IstruzioneTotali(const QString &codice, const QDate &dal, const QDate &al);
    static QString IstruzionePagina(const QString &codice, const QDate &dal, const QDate &al, const QDate &dopoGiorno,
                                    qint64 dopoId, int limite);

    // ---- client identification (identificazione.cpp)
    // False when it put back what the user typed over the client shown (and said so).
    bool ControlloCodiceAna();
    void cmdTrova_Click();
    void txtCF_LostFocus();
    void txtPiva_LostFocus();
    void txtDenominazione_LostFocus();
    void txtCampo_KeyUp(int codiceTasto, int shift);  // the three client fields
    void txtDenominazione_Change();
    // What leaving an edited field would have run, for the commands that read the fields while the
    // focus is still in one of them (a toolbar button never takes the focus): the identification
    // when a client field was edited since it last ran, the formatting of an edited amount. False
    // when the identification put back what was typed: the command then stops, for the user to see.
    bool CompletaCampiInSospeso();

    // ---- movement editing (modifica.cpp)
    void ImpostaRegoleImporti();  // the input rules of the two amount fields, set once at construction
    void ReportAttivita_MouseUp(int pulsante, int shift, int x, int y);
    void ImpostaID(const QString &id);  // sets lblID and runs lblID_Change when it changes
    void lblID_Change();
    void optTipo_Click(int indice);
    void txtImporto_GotFocus(QLineEdit *campo);
    // Returns the character to insert, or 0 to discard it.
    int txtImporto_KeyPress(QLineEdit *campo, int carattere);
    void txtImporto_LostFocus(QLineEdit *campo);
    void txtDescrizione_KeyPress();
    bool ControlloCampi();
    void Salva();
    // True when the fields differ from what they held after the last load, save or clearing: only
    // then do Annulla and Esci offer to save.
    bool CiSonoModifiche() const;
    // True when the last Salva wrote the movement.
    bool UltimoSalvataggioRiuscito() const { return m_salvato; }

    // ---- commands (comandi.cpp)
    void CommandBars_Execute(QAction *controllo);
    void ApriSelezioneDate(const QString &caso);
    void Comando_Salva();
    void Comando_Annulla();
    void Comando_Elimina();
    void Comando_Esci();
    // The question of Esci, and the save when the answer is Yes: true when the window may close.
    bool ConfermaUscita();
    void Comando_Stampa();
    void Comando_ModificaAnagrafica();
    void Comando_Informazioni();
    void Comando_Manuale();
    QString TestoIntestazioneStampa() const;
    QString TestoPiePaginaStampa() const;

    // ---- the client fields, for the search and master-data windows
    DatiCliente ClienteCorrente() const override;
    void RiceviCliente(const DatiCliente &cliente) override;

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;
    void closeEvent(QCloseEvent *ev) override;

private:
    frmAnticipi();
    void costruisci();
    void Form_Load();
    void Form_Unload();
    // The load step's offer to convert an archivio.mdb of the earlier program (conversione.cpp):
    // the figures of the conversion when it ran, nothing when there was none to run or the user said No.
    std::optional<RiepilogoCopia> ConvertiArchivioPrecedente();
    QAction *AggiungiControllo(QWidget *barra, int tipo, int id, const QString &caption);
    // A command's Alt letter (the "&" in `mnemonico`), its shortcut, and both in its tooltip.
    void ImpostaTasti(QAction *a, const QString &mnemonico, const QKeySequence &tasto);

    // The client block (code, name, tax code, VAT number) as last read from the archive. A save whose
    // block still holds it writes the client's current master data: another desk may have corrected
    // them since, and the old ones must not come back.
    QStringList BloccoCliente() const;
    QStringList m_bloccoLetto;
    // The newest row of the client known when the block was read (0: not known). Keeps the block
    // and that row's ID; without an ID, looks the client's newest row up.
    void RicordaCliente(qint64 idRiga = 0);
    qint64 m_idLetto = 0;
    // Inside the saving transaction: whether `codice` still belongs to the client the window read;
    // when not, `altroCliente` is the name of the client that holds it now.
    bool CodiceDelCliente(Archivio &archivio, qint64 codice, QString *altroCliente);

    // The amounts of the movement last loaded, as stored, so that a save writes what the user did
    // not change exactly as it was.
    struct ImportiLetti {
        QString id;
        Valuta entrata, uscita;
    } m_importiLetti;
    void ImportiComeLetti(Movimento &m) const;
    QStringList CampiMovimento() const;
    QStringList m_campiRegistrati;

    // The list filled in steps: each refresh or clearing starts a new generation, and a step of an
    // older one does nothing, so that two fills never mix.
    struct Riempimento {
        quint64 generazione = 0;
        bool attivo = false;
        QString codice;
        QDate dal, al;
        QDate ultimoGiorno;  // the last row loaded, where the next step starts
        qint64 ultimoId = 0;
        Valuta entrate, uscite;            // the period's totals, from the index
        Valuta entrateLette, usciteLette;  // those of the rows loaded so far
        bool discorde = false;             // a row loaded that the totals cannot have counted
        bool letturaCompleta = false;      // the next refresh walks every row itself
    } m_riempimento;
    void FermaRiempimento();
    // The totals brought forward (entrate, uscite) and of the period (entrate, uscite) read from the
    // index alone; nothing when the client has values the sums cannot take (or the sums overflow):
    // then every row is walked, and those values named.
    std::optional<std::array<Valuta, 4>> TotaliDaIndice(const QString &codice);
    // Loads up to `limite` rows after the last one loaded; false when the period has no more.
    bool CaricaPagina(int limite);
    void CaricaPrimaPagina();
    void ProgrammaPasso();
    void ContinuaRiempimento(quint64 generazione);
    // Ends a fill: when the rows loaded do not add up to the totals shown (another desk wrote in
    // between), the list and totals are read again, every row walked.
    void ConcludiRiempimento();

    bool m_salvato = false;
    bool m_uscitaConfermata = false;  // Esci has asked: closing asks nothing more
    bool m_clienteDaIdentificare = false;  // a client field edited since the identification last ran
    bool m_dopoSalvataggio = false;        // the refresh that follows a committed save is running
    bool m_importoDaFormattare[2] = {};    // txtEntrate, txtUscite edited and not left since
    QObject *m_invioPremutoIn = nullptr;  // the client field where Enter went down
    static QPointer<frmAnticipi> s_istanza;
};
