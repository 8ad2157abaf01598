#pragma once
// The about window: title, version, the vendor's contact details and links to its site and mailbox.
// Modeless, owned by the ledger window, at most one at a time.

#include <QDialog>
#include <QPointer>

class QFrame;
class QLabel;
class QPushButton;
class EtichettaCliccabile;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The one about window, created owned by `proprietario` on first use; destroyed when closed.
    static frmAbout *Istanza(QWidget *proprietario);
    static frmAbout *Esistente();  // nullptr when not loaded
    ~frmAbout() override;

    // ---- controls, named as the program knows them
    QLabel *Image1 = nullptr;
    QLabel *lblTitle[2] = {};
    QLabel *lblVersion[2] = {};
    QLabel *lblVerN = nullptr;
    EtichettaCliccabile *lblDescription[7] = {};
    QFrame *Line1[2] = {};
    QPushButton *PushButton1 = nullptr, *cmdOK = nullptr;

    void lblDescription_Click(int indice);
    void PushButton1_Click();
    void cmdOK_Click();

private:
    explicit frmAbout(QWidget *proprietario);
    void costruisci();
    void Form_Load();
    static QPointer<frmAbout> s_istanza;
};
