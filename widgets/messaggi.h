#pragma once
// The one message service: every box and dialog that asks the user something goes through it, so
// that tests can script the answers and check each message.

#include <QString>
#include <functional>
#include <memory>

class QWidget;
class QPrinter;

enum class Icona { Informazione, Domanda, Critico };
enum class Pulsanti { Ok, SiNo };
enum class Risposta { Ok, Si, No };

struct Messaggio {
    QString testo;
    QString titolo;  // empty: the application's title shows
    Icona icona = Icona::Informazione;
    Pulsanti pulsanti = Pulsanti::Ok;
    Risposta predefinito = Risposta::Ok;
};

// Asks for the name of a file to write; an empty result means the user cancelled.
struct RichiestaFile {
    QString nomeIniziale;  // "Anticipazioni.csv"
    QString filtro;        // "File CSV | *.csv"
    QString cartella;      // the folder the dialog opens on
};

class ServizioMessaggi {
public:
    virtual ~ServizioMessaggi() = default;
    virtual Risposta mostra(QWidget *parent, const Messaggio &m) = 0;
    virtual QString fileDaSalvare(QWidget *parent, const RichiestaFile &r) = 0;
    // Shows a print preview whose pages are drawn by `disegna`.
    virtual void anteprimaStampa(QWidget *parent, const QString &titolo,
                                 const std::function<void(QPrinter *)> &disegna) = 0;
};

// The real service: QMessageBox, QFileDialog, QPrintPreviewDialog.
class ServizioMessaggiQt : public ServizioMessaggi {
public:
    Risposta mostra(QWidget *parent, const Messaggio &m) override;
    QString fileDaSalvare(QWidget *parent, const RichiestaFile &r) override;
    void anteprimaStampa(QWidget *parent, const QString &titolo,
                         const std::function<void(QPrinter *)> &disegna) override;
};

namespace Messaggi {
// Installs a service (tests install a scripted one); nullptr puts the real one back.
void impostaServizio(ServizioMessaggi *servizio);
ServizioMessaggi &servizio();

Risposta mostra(QWidget *parent, const Messaggio &m);
// Information box with an OK button.
void informa(QWidget *parent, const QString &testo, const QString &titolo);
// Yes/No question with the question icon; true on Yes.
bool chiedi(QWidget *parent, const QString &testo, const QString &titolo, Risposta predefinito = Risposta::Si,
            Icona icona = Icona::Domanda);
} // namespace Messaggi
