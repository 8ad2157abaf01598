// The movement list and its balances, the period check and the clearing of the window.
#include "ledger/frmAnticipi.h"

#include "clients/identificazione.h"
#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/valorinonvalidi.h"
#include "values/costanti.h"
#include "values/valuta.h"
#include "widgets/messaggi.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

namespace {

const QString Zero = QStringLiteral("0,00");

// The number a caption holds in its plain form, as currency.
Valuta ImportoDaCaption(const QString &testo)
{
    const auto v = Valuta::daTesto(testo);
    if (!v)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Tipo non corrispondente: \"") + testo + QStringLiteral("\" non è un importo."));
    return *v;
}

// The caption of a total that cannot be computed: a value of the archive that the program cannot
// read, or a sum past what the currency type holds. Never a number that leaves something out.
const QString NonDisponibile = QStringLiteral("n.d.");

// The program's own sentence of a failure, without the engine's words that follow it in brackets.
QString FraseDelProgramma(const QString &descrizione)
{
    const qsizetype i = descrizione.indexOf(QStringLiteral(" ("));
    return i > 0 && descrizione.endsWith(QLatin1Char(')')) ? descrizione.left(i) : descrizione;
}

// What the empty list says: no movement, or movements that could not be read.
const QString NessunDato = QStringLiteral("Nessun dato trovato");
const QString ListaNonLetta =
    QStringLiteral("Impossibile leggere i movimenti dall'archivio: la lista non è aggiornata.");

// Adds to a running total; false, and the total left as it was, when the sum does not fit.
bool Accumula(Valuta &totale, Valuta importo)
{
    try {
        totale += importo;
        return true;
    } catch (const ErroreApp &) {
        return false;
    }
}

} // namespace

QVector<QVariant> frmAnticipi::RigaLista(const QDate &data, const QVariant &descrizione, const Valuta &entrata,
                                         const Valuta &uscita, const QString &id)
{
    const QString vuoto;
    QVector<QVariant> items;
    items.reserve(7);
    // "yyyymmdd" as a number's digits: a format string parsed per row costs more than the row.
    items << vuoto << data << (descrizione.isNull() ? vuoto : descrizione.toString()) << entrata.testoDueDecimali()
          << uscita.testoDueDecimali() << id << QString::number(data.year() * 10000 + data.month() * 100 + data.day());
    return items;
}

void frmAnticipi::RinfrescaLista()
{
    // Each step that fails is reported on its own and the next one still runs. The hourglass goes
    // back to the default pointer at the first failure, as it does at the end. Right after a save
    // the movement is already in the archive: the user is told so, and told once.
    bool clessidra = false;
    bool fallito = false;
    auto passo = [&](const std::function<void()> &f) {
        try {
            f();
        } catch (const std::exception &e) {
            if (clessidra) {
                QApplication::restoreOverrideCursor();
                clessidra = false;
            }
            const auto *app = dynamic_cast<const ErroreApp *>(&e);
            const ErroreApp errore = app ? *app : ErroreApp(-1, QString::fromLocal8Bit(e.what()));
            if (m_dopoSalvataggio) {
                // Nothing to go on with or stop: the movement is in the archive. The engine's own
                // words go to the log; the user reads what happened, in Italian.
                if (fallito)
                    return;
                fallito = true;
                RegistraErrore(errore);
                Messaggi::informa(this,
                                  QStringLiteral("Il movimento è stato salvato, ma non è stato possibile leggere di "
                                                 "nuovo i movimenti del cliente: ") +
                                      FraseDelProgramma(errore.descrizione()) +
                                      QStringLiteral(" La lista e i totali mostrati non sono aggiornati."),
                                  QStringLiteral("Controllo:"));
                return;
            }
            fallito = true;
            SegnalaErrore(QString(), errore, this);
        }
    };

    // A fill still running belongs to what was shown before: its next step does nothing.
    FermaRiempimento();
    const bool ogniRiga = std::exchange(m_riempimento.letturaCompleta, false);
    Valuta totEntrate, totUscite;
    QString codice;
    // Values of this client's rows that cannot be read, and which totals they leave uncomputed. A
    // row whose day cannot be read cannot be placed before, in or after the period: then no total
    // is known.
    QList<ValoreNonValido> nonValidi;
    bool precedenteNoto = true, periodoNoto = true, superato = false;
    auto importo = [&](const Recordset &rs, int iID, int i, const char *nome) -> std::optional<Valuta> {
        const std::optional<Valuta> v = ImportoArchivio(rs, i);
        if (!v) {
            bool ok = false;
            nonValidi.append({rs.InteroCampo(iID, &ok), QLatin1String(nome), TestoValore(rs, i)});
        }
        return v;
    };
    auto giorno = [&](const Recordset &rs, int iID, int iData) {
        const QDate d = GiornoArchivio(rs, iData);
        if (!d.isValid()) {
            bool ok = false;
            nonValidi.append({rs.InteroCampo(iID, &ok), QStringLiteral("DATAOP"), TestoValore(rs, iData)});
            precedenteNoto = periodoNoto = false;
        }
        return d;
    };

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
    // 5: balance brought forward, both fields of every earlier row: from the index when the
    // client's values are all of their kind, otherwise by walking the rows.
    bool precedenteLetto = false;
    std::optional<std::array<Valuta, 4>> daIndice;
    passo([&] {
        if (!ogniRiga)
            daIndice = TotaliDaIndice(codice);
        if (daIndice) {
            totEntrate = (*daIndice)[0];
            totUscite = (*daIndice)[1];
            precedenteLetto = true;
            return;
        }
        Recordset rs = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
            QStringLiteral(" AND DATAOP<#") + DataSql(DTPFIltro[0]->date()) + QStringLiteral("#  ORDER BY DATAOP"));
        const int iID = rs.IndiceCampo(QStringLiteral("ID"));
        const int iData = rs.IndiceCampo(QStringLiteral("DATAOP"));
        const int iEntrata = rs.IndiceCampo(QStringLiteral("ENTRATA"));
        const int iUscita = rs.IndiceCampo(QStringLiteral("USCITA"));
        for (; !rs.Fine(); rs.MoveNext()) {
            if (!giorno(rs, iID, iData).isValid())
                continue;
            const std::optional<Valuta> entrata = importo(rs, iID, iEntrata, "ENTRATA");
            const std::optional<Valuta> uscita = importo(rs, iID, iUscita, "USCITA");
            if (!entrata || !uscita) {
                precedenteNoto = false;
                continue;
            }
            if (precedenteNoto && !(Accumula(totEntrate, *entrata) && Accumula(totUscite, *uscita))) {
                precedenteNoto = false;
                superato = true;
            }
        }
        rs.Chiudi();
        precedenteLetto = true;
    });
    // 6
    passo([&] {
        // A walk that failed leaves its totals unknown, never those of the client shown before.
        QString testo = NonDisponibile;
        if (precedenteLetto && precedenteNoto) {
            try {
                testo = (totUscite - totEntrate).testoSemplice();
            } catch (const ErroreApp &) {
                superato = true;
            }
        }
        lblDato[1]->setText(testo);
    });
    // 7
    passo([&] {
        totEntrate = Valuta();
        totUscite = Valuta();
    });
    // 8: the period's movements.
    bool periodoLetto = false;
    passo([&] {
        if (m_dopoSalvataggio && fallito)
            return;  // said once already; another wait for the same lock adds nothing
        if (daIndice) {
            // The first rows now, the rest from the event loop once the window is drawn.
            totEntrate = (*daIndice)[2];
            totUscite = (*daIndice)[3];
            CaricaPrimaPagina();
            periodoLetto = true;
            return;
        }
        // Rows of one day by ID, as the steps of a fill read them: by day alone, the server returns them
        // in whatever order its plan meets them, and a corrected row would move to the end of its day.
        Recordset rs = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
            QStringLiteral(" AND DATAOP>=#") + DataSql(DTPFIltro[0]->date()) + QStringLiteral("# AND DATAOP<=#") +
            DataSql(DTPFIltro[1]->date()) + QStringLiteral("# ORDER BY DATAOP, ID"));
        const int iData = rs.IndiceCampo(QStringLiteral("DATAOP"));
        const int iDescrizione = rs.IndiceCampo(QStringLiteral("DESCRIZIONE"));
        const int iEntrata = rs.IndiceCampo(QStringLiteral("ENTRATA"));
        const int iUscita = rs.IndiceCampo(QStringLiteral("USCITA"));
        const int iID = rs.IndiceCampo(QStringLiteral("ID"));
        for (; !rs.Fine(); rs.MoveNext()) {
            const QDate data = giorno(rs, iID, iData);
            if (!data.isValid())
                continue;
            // Both amounts as stored, each in its own total, whatever their signs: a row written by the
            // earlier program or another desk's program may hold a negative amount or both, and the
            // balances export counts them all.
            const std::optional<Valuta> entrata = importo(rs, iID, iEntrata, "ENTRATA");
            const std::optional<Valuta> uscita = importo(rs, iID, iUscita, "USCITA");
            if (!entrata || !uscita) {
                periodoNoto = false;
                continue;
            }
            if (periodoNoto && !(Accumula(totEntrate, *entrata) && Accumula(totUscite, *uscita)))
                periodoNoto = false, superato = true;
            ReportAttivita->AggiungiRecord(
                RigaLista(data, rs.Campo(iDescrizione), *entrata, *uscita, rs.Campo(iID).toString()));
        }
        rs.Chiudi();
        periodoLetto = true;
    });
    // The rows after the period, and any without a day, belong to no total shown; only their days
    // are looked at, since one that cannot be read could belong anywhere. A server's column of days
    // holds nothing else.
    passo([&] {
        if (!precedenteLetto || !periodoLetto || daIndice)
            return;  // nothing shown to guard, the failure already reported, or the client checked
        if (!Archivio::ConnArchivio().MotoreAperto().TipiPerValore())
            return;
        Recordset rs = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT ID, DATAOP FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
            QStringLiteral(" AND (DATAOP>#") + DataSql(DTPFIltro[1]->date()) + QStringLiteral("# OR DATAOP IS NULL)"));
        for (; !rs.Fine(); rs.MoveNext())
            giorno(rs, 0, 1);
        rs.Chiudi();
    });
    // A day found unreadable after the period also leaves the balance brought forward unknown.
    if (!precedenteNoto)
        lblDato[1]->setText(NonDisponibile);
    // 9
    passo([&] {
        const bool noto = periodoLetto && periodoNoto;
        lblEntrate->setText(noto ? totEntrate.testoSemplice() : NonDisponibile);
        lblUscite->setText(noto ? totUscite.testoSemplice() : NonDisponibile);
    });
    // 10: the balance brought forward is read back while its caption still holds the plain form.
    passo([&] {
        QString testo = NonDisponibile;
        if (precedenteLetto && precedenteNoto && periodoLetto && periodoNoto) {
            try {
                testo = (ImportoDaCaption(lblDato[1]->text()) + (totUscite - totEntrate)).testoSemplice();
            } catch (const ErroreApp &e) {
                if (e.numero() != CodiciErrore::Overflow)
                    throw;
                superato = true;
            }
        }
        lblSaldo->setText(testo);
    });
    // 11
    passo([&] { lblDato[1]->setText(FormattaImporto(lblDato[1]->text())); });
    passo([&] { lblEntrate->setText(FormattaImporto(lblEntrate->text())); });
    passo([&] { lblUscite->setText(FormattaImporto(lblUscite->text())); });
    passo([&] { lblSaldo->setText(FormattaImporto(lblSaldo->text())); });
    // 12
    passo([&] {
        ReportAttivita->ImpostaTestoVuoto(precedenteLetto && periodoLetto ? NessunDato : ListaNonLetta);
        ReportAttivita->Popola();
    });
    // 13: one repaint; user input waits until the refresh is over.
    passo([&] {
        ReportAttivita->setUpdatesEnabled(true);
        ReportAttivita->Ridisegna();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    // What could not be read or summed, with the list in view behind the message.
    if (!nonValidi.isEmpty()) {
        std::sort(nonValidi.begin(), nonValidi.end(),
                  [](const ValoreNonValido &a, const ValoreNonValido &b) { return a.id < b.id; });
        passo([&] {
            throw ErroreValoriNonValidi(nonValidi, QStringLiteral("Questi movimenti non sono nella lista e i "
                                                                  "totali che li comprendono non sono calcolati."));
        });
    }
    if (superato) {
        passo([&] {
            throw ErroreApp(CodiciErrore::Overflow,
                            QStringLiteral("I totali del cliente ") + txtDenominazione->text() +
                                QStringLiteral(" (codice ") + codice +
                                QStringLiteral(") superano il massimo che il programma può calcolare: i movimenti "
                                               "scritti da un altro programma contengono importi troppo grandi. "
                                               "I totali non sono mostrati."));
        });
    }
    if (clessidra)
        QApplication::restoreOverrideCursor();
    if (m_riempimento.attivo)
        ProgrammaPasso();
    else if (daIndice && periodoLetto)
        ConcludiRiempimento();
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
            ScriviCampoCliente(txtDenominazione, QString());
            ScriviCampoCliente(txtCF, QString());
            ScriviCampoCliente(txtPiva, QString());
            txtCodiceana->setText(QStringLiteral("0"));
            m_clienteDaIdentificare = false;
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
        m_importoDaFormattare[0] = m_importoDaFormattare[1] = false;
        txtDescrizione->clear();
    }, this);
    EseguiPasso(nessuna, [this] {
        FermaRiempimento();
        ReportAttivita->CancellaRecord();
        ReportAttivita->ImpostaTestoVuoto(NessunDato);
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
    m_campiRegistrati = CampiMovimento();
}
