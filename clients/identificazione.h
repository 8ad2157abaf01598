#pragma once
// The client lookup of the ledger and master-data windows: from a typed tax code, VAT number or
// name to the client's code. The tax code wins over the VAT number and the VAT number over the name;
// the newest matching row completes the other two fields.

#include <QStringList>
#include <optional>

class QLineEdit;
class QWidget;

struct CampiCliente {
    QLineEdit *denominazione;
    QLineEdit *codiceFiscale;
    QLineEdit *partitaIva;
    QLineEdit *codiceAna;
};

// Each failing step is reported with the label "ControlloCodiceAna" and the next one still runs.
// True when a client was found and its data copied into the fields; `idRiga` then holds the ID of
// the client's row they came from. `clientiConNome`, when given, gets how many clients (distinct
// codes) have the name when the name was what identified the client (the newest one is taken), 0
// otherwise.
bool IdentificaCliente(const CampiCliente &campi, QWidget *parent, int *clientiConNome = nullptr,
                       qint64 *idRiga = nullptr);

// A client field shows a stored value whole, also one longer than can be typed (another program
// wrote it), so that nothing the user did not edit is ever cut. Typing stays within `limite`, or
// within the length of such a value until the program writes the field again. Every write of the
// program into the field goes through ScriviCampoCliente.
void LimitaCampoCliente(QLineEdit *campo, int limite);
void ScriviCampoCliente(QLineEdit *campo, const QString &testo);

// The client other than `codice` whose newest row holding the text in the column (tax code or VAT
// number, compared by the client rule) is the newest: its name and code. Nothing when no other
// client has it.
struct AltroCliente {
    QString ragioneSociale;
    qint64 codice = 0;
};
std::optional<AltroCliente> AltroClienteCon(const QString &colonna, const QString &testo, qint64 codice);

// The lookup of a client by one of its three fields: "SELECT * FROM ANTICIPI WHERE " + column +
// "='" + text + "' ORDER BY ID DESC", the column taken equal to any of the text's spellings that
// differ from it in the case of its accented letters (the archive folds ASCII by itself). Empty
// when there are more than MassimoGrafie spellings: the lookup then compares the column's distinct
// values in the program first. On an engine whose columns compare as the rule does, the text alone.
// Asks the open archive's engine.
constexpr int MassimoGrafie = 4096;
// `condizione`, when given, must hold too.
QString IstruzioneCliente(const QString &colonna, const QString &testo, const QString &condizione = QString());
// The same with the values listed: the column equal to any of them.
QString IstruzioneCliente(const QString &colonna, const QStringList &valori, const QString &condizione = QString());
