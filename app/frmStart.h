#pragma once
// The start window: title, version, links to the vendor's pages, and "Continua".

#include <QDialog>
#include <QPointer>

class frmStart : public QWidget {
    Q_OBJECT
public:
    static frmStart *Istanza();
    ~frmStart() override;
    void PushButton2_Click();

private:
    frmStart();
    static QPointer<frmStart> s_istanza;
};
