// Client identification: from a typed tax code, VAT number or name to the client's code.
#include "ledger/frmAnticipi.h"

#include "clients/frmRicerca.h"
#include "store/archivio.h"
#include "store/errore.h"

#include <QAction>
#include <QLineEdit>

namespace {

// The identifying fields of a client's newest matching row; null fields read as empty text.
struct RigaCliente {
    bool trovata = false;
    QVariant codiceAna;
    QString ragioneSociale, codiceFiscale, partitaIva;
};

RigaCliente CercaCliente(const QString &colonna, const QString &testo)
{
    RigaCliente r;
    Recordset rs = Archivio::ConnArchivio().Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE ") + colonna +
                                                  QLatin1Char('=') + SqlTesto(testo) +
                                                  QStringLiteral(" ORDER BY ID DESC"));
    if (!rs.Fine()) {
        r.trovata = true;
        r.codiceAna = rs.Campo(QStringLiteral("CODICEANA"));
        r.ragioneSociale = rs.Testo(QStringLiteral("RAGIONESOCIALE"));
        r.codiceFiscale = rs.Testo(QStringLiteral("CODICEFISCALE"));
        r.partitaIva = rs.Testo(QStringLiteral("PARTITAIVA"));
    }
    rs.Chiudi();
    return r;
}

QString TestoCodice(const QVariant &v)
{
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (v.isNull() || !ok)
        throw ErroreApp(94, QStringLiteral("Uso non valido di Null nel campo CODICEANA"));
    return QString::number(n);
}

} // namespace

void frmAnticipi::ControlloCodiceAna()
{
    const QString etichetta = QStringLiteral("ControlloCodiceAna");
    auto passo = [&](const std::function<void()> &f) { EseguiPasso(etichetta, f, this); };

    passo([this] {
        if (txtCodiceana->text().isEmpty())
            txtCodiceana->setText(QStringLiteral("0"));
    });

    // Tax code, whatever the current code: its newest row wins.
    if (!txtCF->text().isEmpty()) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("codicefiscale"), txtCF->text()); });
        if (r.trovata) {
            // Each copy on its own: a field whose copy fails keeps its text.
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { txtDenominazione->setText(r.ragioneSociale); });
            passo([&] { txtPiva->setText(r.partitaIva); });
        }
    }

    if (!txtPiva->text().isEmpty() && txtCodiceana->text() == QLatin1String("0")) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("PARTITAIVA"), txtPiva->text()); });
        if (r.trovata) {
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { txtDenominazione->setText(r.ragioneSociale); });
            passo([&] { txtCF->setText(r.codiceFiscale); });
        }
    }

    if (!txtDenominazione->text().isEmpty() && txtCodiceana->text() == QLatin1String("0")) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("RAGIONESOCIALE"), txtDenominazione->text()); });
        if (r.trovata) {
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { txtPiva->setText(r.partitaIva); });
            passo([&] { txtCF->setText(r.codiceFiscale); });
        }
    }

    passo([this] { RinfrescaLista(); });
}

void frmAnticipi::cmdTrova_Click()
{
    // The first non-empty of name, tax code and VAT number, whichever field Enter came from.
    QString testo;
    if (!txtDenominazione->text().isEmpty())
        testo = txtDenominazione->text();
    else if (!txtCF->text().isEmpty())
        testo = txtCF->text();
    else if (!txtPiva->text().isEmpty())
        testo = txtPiva->text();

    frmRicerca *ricerca = frmRicerca::Istanza(this);
    if (!testo.isEmpty())
        ricerca->txtCerca->setText(testo);
    ricerca->cmdTrova_Click();
    // Modal, with no owner: this window waits until the search is closed (and destroyed).
    ricerca->exec();
}

void frmAnticipi::txtCF_LostFocus() { ControlloCodiceAna(); }
void frmAnticipi::txtPiva_LostFocus() { ControlloCodiceAna(); }
void frmAnticipi::txtDenominazione_LostFocus() { ControlloCodiceAna(); }

void frmAnticipi::txtCampo_KeyUp(int codiceTasto, int)
{
    if (codiceTasto == 13)
        cmdTrova_Click();
}

void frmAnticipi::txtDenominazione_Change()
{
    if (!ctlSalva || !ctlElimina)
        return;  // the command bar is not built yet
    EseguiPasso(QString(), [this] {
        if (!txtDenominazione->text().isEmpty()) {
            ctlSalva->setEnabled(true);
        } else {
            ctlSalva->setEnabled(false);
            ctlElimina->setEnabled(false);
        }
    }, this);
}
