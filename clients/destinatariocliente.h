#pragma once
// What the search and master-data windows need of the window that opened them: its client fields.

#include <QString>

struct DatiCliente {
    QString codiceFiscale;  // txtCF
    QString partitaIva;     // txtPiva
    QString denominazione;  // txtDenominazione
    QString codiceAna;      // txtCodiceana, decimal text; "0" or empty for no client
};

class DestinatarioCliente {
public:
    virtual ~DestinatarioCliente() = default;
    // The four fields as they stand.
    virtual DatiCliente ClienteCorrente() const = 0;
    // Writes txtCF, txtPiva, txtDenominazione and txtCodiceana, in this order; the ledger window then
    // refreshes its list.
    virtual void RiceviCliente(const DatiCliente &cliente) = 0;
};
