#pragma once
// The client master-data window: rewrites one client's name, tax code and VAT number in every
// movement row of that client, then brings the ledger window up to date when it shows the same
// client or none. Whoever opens it fills the four fields first; it keeps no other state.

#include "clients/destinatariocliente.h"

#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmAnagrafiche : public QWidget, public DestinatarioCliente {
    Q_OBJECT
public:
    // The one master-data window, created on first use as a window owned by `proprietario`;
    // `registro` is the ledger window it keeps up to date.
    static frmAnagrafiche *Istanza(QWidget *proprietario, DestinatarioCliente *registro);
    static frmAnagrafiche *Esistente();  // nullptr when not loaded
    ~frmAnagrafiche() override;

    QGroupBox *GroupBox1 = nullptr;
    QLabel *ShortcutCaption1 = nullptr;
    QLabel *ShortcutCaption2[2] = {};
    QLineEdit *txtDenominazione = nullptr, *txtCF = nullptr, *txtPiva = nullptr;
    QPushButton *cmdTrova = nullptr;
    QLineEdit *txtCodiceana = nullptr;  // hidden: the client code as text, "0" or empty for none
    QPushButton *cmdOk = nullptr, *CmdEsci = nullptr;

    void cmdOk_Click();
    void cmdTrova_Click();
    void CmdEsci_Click();

    // For the search window: the four fields as they stand, and the chosen client written into them.
    DatiCliente ClienteCorrente() const override;
    void RiceviCliente(const DatiCliente &cliente) override;

private:
    frmAnagrafiche(QWidget *proprietario, DestinatarioCliente *registro);
    void costruisci();
    void ControlloCodiceAna();
    // The refusal when a changed tax code or VAT number belongs to a client other than `codice`.
    QString CodiceDiAltri(const QStringList &colonne, qint64 codice) const;

    // Name, tax code and VAT number as the program last wrote them: the client's data as read.
    QStringList m_letti{QString(), QString(), QString()};

    DestinatarioCliente *m_registro = nullptr;
    static QPointer<frmAnagrafiche> s_istanza;
};
