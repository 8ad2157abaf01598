#pragma once
// The client lookup of the ledger and master-data windows: from a typed tax code, VAT number or
// name to the client's code. The tax code wins over the VAT number and the VAT number over the name;
// the newest matching row completes the other two fields.

class QLineEdit;
class QWidget;

struct CampiCliente {
    QLineEdit *denominazione;
    QLineEdit *codiceFiscale;
    QLineEdit *partitaIva;
    QLineEdit *codiceAna;
};

// Each failing step is reported with the label "ControlloCodiceAna" and the next one still runs.
// True when a client was found and its data copied into the fields.
bool IdentificaCliente(const CampiCliente &campi, QWidget *parent);
