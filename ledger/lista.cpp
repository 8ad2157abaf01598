// The movement list and its balances, the period check and the clearing of the window.
#include "ledger/frmAnticipi.h"

#include "store/archivio.h"
#include "store/costanti.h"
#include "store/errore.h"
#include "store/messaggi.h"
#include "store/reportcontrol.h"
#include "store/valuta.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

const QString Zero = QStringLiteral("0,00");

// DATAOP in its stored form 'yyyy-MM-dd'; read by hand because QDate::fromString with a format is
// the slowest part of a long fill.
QDate DataOperazione(const QVariant &v)
{
    const QString t = v.toString();
    if (t.size() >= 10 && t.at(4) == QLatin1Char('-') && t.at(7) == QLatin1Char('-')) {
        bool ka = false, km = false, kg = false;
        const int a = QStringView(t).mid(0, 4).toInt(&ka);
        const int m = QStringView(t).mid(5, 2).toInt(&km);
        const int g = QStringView(t).mid(8, 2).toInt(&kg);
        if (ka && km && kg)
            return QDate(a, m, g);
    }
    return QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
}

Valuta ImportoCampo(const QVariant &v, const char *nome)
{
    if (v.isNull())
        return Valuta();
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Importo non valido nel campo ") + QLatin1String(nome));
    return Valuta::daDecimillesimi(n);
}

// The number a caption holds in its plain form, as currency.
Valuta ImportoDaCaption(const QString &testo)
{
    const auto v = Valuta::daTesto(testo);
    if (!v)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Tipo non corrispondente: \"") + testo + QStringLiteral("\" non è un importo."));
    return *v;
}

} // namespace

void frmAnticipi::RinfrescaLista()
{
    // Each step that fails is reported on its own and the next one still runs. The hourglass goes
    // back to the default pointer at the first failure, as it does at the end.
    bool clessidra = false;
    auto passo = [&](const std::function<void()> &f) {
        try {
            f();
        } catch (const ErroreApp &e) {
            if (clessidra) {
                QApplication::restoreOverrideCursor();
                clessidra = false;
            }
            SegnalaErrore(QString(), e, this);
        } catch (const std::exception &e) {
            if (clessidra) {
                QApplication::restoreOverrideCursor();
                clessidra = false;
            }
            SegnalaErrore(QString(), ErroreApp(-1, QString::fromLocal8Bit(e.what())), this);
        }
    };

    Valuta totEntrate, totUscite;
    QString codice;

    // 1
    passo([&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        clessidra = true;
    });
    // 2
    passo([&] {
        totEntrate = Valuta();
        totUscite = Valuta();
    });
    // 3: the list draws nothing while it is filled (hiding it would take the focus away from it).
    passo([&] {
        ReportAttivita->setUpdatesEnabled(false);
        ReportAttivita->CancellaRecord();
        ReportAttivita->Popola();
    });
    // 4
    passo([&] {
        if (txtCodiceana->text().isEmpty())
            txtCodiceana->setText(QStringLiteral("0"));
        codice = txtCodiceana->text();
    });
    // 5: balance brought forward, both fields of every earlier row.
    passo([&] {
        Recordset rs = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
            QStringLiteral(" AND DATAOP<#") + DataSql(DTPFIltro[0]->date()) + QStringLiteral("#  ORDER BY DATAOP"));
        const int iEntrata = rs.IndiceCampo(QStringLiteral("ENTRATA"));
        const int iUscita = rs.IndiceCampo(QStringLiteral("USCITA"));
        while (!rs.Fine()) {
            totEntrate += ImportoCampo(rs.Campo(iEntrata), "ENTRATA");
            totUscite += ImportoCampo(rs.Campo(iUscita), "USCITA");
            rs.MoveNext();
        }
        rs.Chiudi();
    });
    // 6
    passo([&] { lblDato[1]->setText((totUscite - totEntrate).testoSemplice()); });
    // 7
    passo([&] {
        totEntrate = Valuta();
        totUscite = Valuta();
    });
    // 8: the period's movements.
    passo([&] {
        Recordset rs = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
            QStringLiteral(" AND DATAOP>=#") + DataSql(DTPFIltro[0]->date()) + QStringLiteral("# AND DATAOP<=#") +
            DataSql(DTPFIltro[1]->date()) + QStringLiteral("# ORDER BY DATAOP"));
        const int iData = rs.IndiceCampo(QStringLiteral("DATAOP"));
        const int iDescrizione = rs.IndiceCampo(QStringLiteral("DESCRIZIONE"));
        const int iEntrata = rs.IndiceCampo(QStringLiteral("ENTRATA"));
        const int iUscita = rs.IndiceCampo(QStringLiteral("USCITA"));
        const int iID = rs.IndiceCampo(QStringLiteral("ID"));
        const QString vuoto;
        while (!rs.Fine()) {
            const QDate data = DataOperazione(rs.Campo(iData));
            const QVariant descrizione = rs.Campo(iDescrizione);
            const Valuta entrata = ImportoCampo(rs.Campo(iEntrata), "ENTRATA");
            QVector<QVariant> items;
            items.reserve(7);
            items << vuoto << data << (descrizione.isNull() ? vuoto : descrizione.toString());
            // Only a positive ENTRATA makes an incoming movement; anything else is listed and
            // totalled as outgoing.
            if (entrata.positivo()) {
                items << entrata.testoDueDecimali() << Zero;
                totEntrate += entrata;
            } else {
                const Valuta uscita = ImportoCampo(rs.Campo(iUscita), "USCITA");
                items << Zero << uscita.testoDueDecimali();
                totUscite += uscita;
            }
            // "yyyymmdd" as a number's digits: a format string parsed per row costs more than the row.
            items << rs.Campo(iID).toString()
                  << (data.isValid() ? QString::number(data.year() * 10000 + data.month() * 100 + data.day())
                                     : QString());
            ReportAttivita->AggiungiRecord(std::move(items));
            rs.MoveNext();
        }
        rs.Chiudi();
    });
    // 9
    passo([&] {
        lblEntrate->setText(totEntrate.testoSemplice());
        lblUscite->setText(totUscite.testoSemplice());
    });
    // 10: the balance brought forward is read back while its caption still holds the plain form.
    passo([&] { lblSaldo->setText((ImportoDaCaption(lblDato[1]->text()) + (totUscite - totEntrate)).testoSemplice()); });
    // 11
    passo([&] { lblDato[1]->setText(FormattaImporto(lblDato[1]->text())); });
    passo([&] { lblEntrate->setText(FormattaImporto(lblEntrate->text())); });
    passo([&] { lblUscite->setText(FormattaImporto(lblUscite->text())); });
    passo([&] { lblSaldo->setText(FormattaImporto(lblSaldo->text())); });
    // 12
    passo([&] { ReportAttivita->Popola(); });
    // 13: one repaint; user input waits until the refresh is over.
    passo([&] {
        ReportAttivita->setUpdatesEnabled(true);
        ReportAttivita->Ridisegna();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    if (clessidra)
        QApplication::restoreOverrideCursor();
}

void frmAnticipi::DTPFIltro_Change(int)
{
    // No failure handler of its own: the refresh reports its own failures.
    const int dal = DTPFIltro[0]->date().toString(QStringLiteral("yyyy/MM/dd")).remove(QLatin1Char('/')).toInt();
    const int al = DTPFIltro[1]->date().toString(QStringLiteral("yyyy/MM/dd")).remove(QLatin1Char('/')).toInt();
    if (dal > al) {
        Messaggi::informa(this, QStringLiteral("La prima data non può essere inferiore alla seconda"),
                          QStringLiteral("Controllo:"));
        // Back to the load year, without a refresh.
        const QSignalBlocker b0(DTPFIltro[0]), b1(DTPFIltro[1]);
        DTPFIltro[0]->setDate(PeriodoDal);
        DTPFIltro[1]->setDate(PeriodoAl);
        return;
    }
    RinfrescaLista();
}

void frmAnticipi::DtpData_Validate()
{
    EseguiPasso(QString(), [this] {
        if (lblID->text() != QLatin1String("0"))
            AbilitaComandi(1);
    }, this);
}

void frmAnticipi::PulisciCampi(bool mantieniCliente)
{
    const QString nessuna;
    EseguiPasso(nessuna, [&] {
        if (!mantieniCliente) {
            txtDenominazione->setText(QString());
            txtCF->setText(QString());
            txtPiva->setText(QString());
            txtCodiceana->setText(QStringLiteral("0"));
        }
    }, this);
    EseguiPasso(nessuna, [this] {
        const QSignalBlocker b(DtpData);
        DtpData->setDate(QDate::currentDate());
    }, this);
    EseguiPasso(nessuna, [this] { lblDato[1]->setText(Zero); }, this);
    EseguiPasso(nessuna, [this] {
        // Set by the program: no period check and no refresh of their own.
        const QSignalBlocker b0(DTPFIltro[0]), b1(DTPFIltro[1]);
        DTPFIltro[0]->setDate(PeriodoDal);
        DTPFIltro[1]->setDate(PeriodoAl);
    }, this);
    EseguiPasso(nessuna, [this] {
        // The two are exclusive: selecting Uscita deselects Entrata.
        optTipo[1]->setChecked(true);
    }, this);
    EseguiPasso(nessuna, [this] {
        txtEntrate->setText(Zero);
        txtUscite->setText(Zero);
        txtDescrizione->clear();
    }, this);
    EseguiPasso(nessuna, [this] {
        ReportAttivita->CancellaRecord();
        ReportAttivita->Popola();
    }, this);
    EseguiPasso(nessuna, [this] {
        lblEntrate->setText(Zero);
        lblUscite->setText(Zero);
        lblSaldo->setText(Zero);
    }, this);
    EseguiPasso(nessuna, [this] { ImpostaID(QStringLiteral("0")); }, this);
    if (mantieniCliente)
        RinfrescaLista();
}
