#pragma once
// The client search window: every client of the archive, one row per client code with the name, tax
// code and VAT number of its newest movement, narrowed by a search text. The chosen client goes back
// to the window that opened the search, through DestinatarioCliente.
//
// Room clients/: this window, the master-data window (frmAnagrafiche.h) and the lookup of a client
// (identificazione.h). It may use widgets/, store/ and values/.

#include <QDialog>
#include <QPointer>

class DestinatarioCliente;
class QGroupBox;
class QLineEdit;
class QPushButton;
class ReportControl;

class frmRicerca : public QDialog {
    Q_OBJECT
public:
    // The one search window: created (and loaded) on first use, destroyed when unloaded.
    static frmRicerca *Istanza();
    // The same, and the chosen client will go to `mittente`.
    static frmRicerca *Istanza(DestinatarioCliente *mittente);
    static frmRicerca *Esistente();  // nullptr when not loaded
    // The statement of the list: each client code once, with its newest row (the benchmark runs it too).
    static QString IstruzioneClienti();
    ~frmRicerca() override;

    // The window that receives the chosen client.
    void ImpostaMittente(DestinatarioCliente *mittente);

    // ---- controls, named as the program knows them
    ReportControl *ReportAttivita = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdTrova = nullptr;
    QLineEdit *txtCerca = nullptr;
    QPushButton *CmdEsci = nullptr;

    // True only when the master-data window opened the search.
    bool ApertoDaAnagrafiche = false;
    void DaFormAnagrafiche();

    void cmdTrova_Click();
    void cmdOk_Click();
    void CmdEsci_Click();
    void txtCerca_KeyUp(int codiceTasto, int shift);
    void ReportAttivita_RowDblClick(int riga, int item);

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;
    void showEvent(QShowEvent *ev) override;

private:
    frmRicerca();
    void costruisci();
    void Form_Load();
    void ImpostaColonne();
    void CaricaClienti();
    void Scarica();

    DestinatarioCliente *m_mittente = nullptr;
    QPointer<QObject> m_mittenteVivo;  // the opener as a QObject, when it is one
    bool m_mittenteQObject = false;
    static QPointer<frmRicerca> s_istanza;
};
