#pragma once
// The start window: title, version, links to the vendor's pages, and "Continua", which hands over to
// the ledger window.
//
// Room app/: the program's start: main(), the command line, this window. It may use every room
// below it; nothing uses it.

#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class EtichettaCliccabile;

class frmStart : public QWidget {
    Q_OBJECT
public:
    static frmStart *Istanza();
    static frmStart *Esistente();  // nullptr when not loaded
    ~frmStart() override;

    // ---- controls, named as the program knows them
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label1 = nullptr, *Label3 = nullptr;
    QLabel *lblVersion = nullptr, *lblVerN = nullptr;
    QLabel *Label2 = nullptr;
    EtichettaCliccabile *lblDescription[1] = {};  // one element of a label array
    QPushButton *PushButton4 = nullptr, *PushButton1 = nullptr, *PushButton2 = nullptr;

    void lblDescription_Click(int indice);
    void PushButton1_Click();
    void PushButton4_Click();
    void PushButton2_Click();

private:
    frmStart();
    void costruisci();
    void Form_Load();
    static QPointer<frmStart> s_istanza;
};
