#pragma once
// The export period window: the dates of one of the two CSV exports, the progress of a running one.
// Mode "0" (txtCaso) is the movements export over a period, mode "1" the balances at one date.

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <functional>

class QDate;
class QDateEdit;
class QFileDevice;
class QGroupBox;
class QIODevice;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace Csv {
struct Avanzamento;
}

class frmSelDate : public QWidget {
    Q_OBJECT
public:
    // The one period window, created (and loaded) on first use as a window owned by `proprietario`.
    static frmSelDate *Istanza(QWidget *proprietario);
    static frmSelDate *Esistente();  // nullptr when not loaded
    ~frmSelDate() override;

    QGroupBox *gbSel = nullptr;
    QLabel *Label1[2] = {};
    QDateEdit *DtpData[2] = {};
    QProgressBar *PBar = nullptr;
    QPushButton *cmdOk = nullptr, *cmdAnnulla = nullptr;
    QLineEdit *txtCaso = nullptr;  // hidden: the mode, "0" or "1"

    void cmdOk_Click();
    void cmdAnnulla_Click();
    void txtCaso_Change();
    void EsportaSaldi();
    void EsportaMovimenti();

    // A length in twips as pixels on this window's screen.
    int Twips(int twips) const;
    // True while an export runs.
    bool InEsportazione() const { return m_esportando; }

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;
    void closeEvent(QCloseEvent *ev) override;
    void keyPressEvent(QKeyEvent *ev) override;

private:
    explicit frmSelDate(QWidget *proprietario);
    void costruisci();
    void Form_Load();
    // Writes the file; returns the movements it read (none: the file holds its header alone).
    using Scrittore = std::function<qint64(QIODevice &, const Csv::Avanzamento &)>;
    void Esporta(const QString &nomeFile, const Scrittore &scrivi);
    void Avanza();
    // While the archive keeps the export waiting for a row: the window is drawn, nothing else.
    void Attendi();

    bool m_esportando = false;
    QElapsedTimer m_orologio;  // since the window last processed events during an export
    qint64 m_righe = 0;        // steps of the export done so far
    QFileDevice *m_uscita = nullptr;  // the file a running export writes
    static QPointer<frmSelDate> s_istanza;
};
