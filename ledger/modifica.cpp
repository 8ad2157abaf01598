// Editing one movement: loading it from the list, the input rules, validation and saving.
#include "ledger/frmAnticipi.h"

#include "clients/identificazione.h"
#include "store/archivio.h"
#include "values/confronto.h"
#include "values/valuta.h"
#include "widgets/incolla.h"
#include "widgets/messaggi.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QValidator>

#include <limits>
#include <optional>

namespace {

// Set on an amount field while its text is a negative amount the program wrote there.
const char *const MenoAmmesso = "menoAmmesso";

// Whatever reaches an amount field (typed keys, paste, drag and drop) holds only digits, "," and
// ".". Text with any other character is refused as a whole and the field keeps what it had: a
// pasted "-12,50" must not become 12,50, nor "12abc" 12. Blanks around it (a cell copied from a
// spreadsheet ends in a line break) are dropped. A minus sign already in front of the field's own
// text (an amount loaded from the archive) stays where it is.
class ValidatoreImporto : public QValidator {
public:
    explicit ValidatoreImporto(QLineEdit *campo) : QValidator(campo), m_campo(campo) {}
    State validate(QString &testo, int &pos) const override
    {
        const QString pulito = testo.trimmed();
        const int inizio = int(testo.indexOf(pulito.isEmpty() ? QString() : pulito));
        const bool meno = m_campo->property(MenoAmmesso).toBool();
        for (int i = 0; i < pulito.size(); ++i) {
            const QChar c = pulito.at(i);
            const bool cifra = c >= QLatin1Char('0') && c <= QLatin1Char('9');
            if (!cifra && c != QLatin1Char(',') && c != QLatin1Char('.') && !(i == 0 && meno && c == QLatin1Char('-')))
                return Invalid;
        }
        if (!pulito.startsWith(QLatin1Char('-')))
            m_campo->setProperty(MenoAmmesso, false);  // once gone, the sign cannot come back
        if (pulito.size() != testo.size()) {
            pos = qBound(0, pos - qMax(0, inizio), int(pulito.size()));
            testo = pulito;
        }
        return Acceptable;
    }

private:
    QLineEdit *m_campo;
};

// Pasted text must not read as another amount than the same keys typed, where a point is the
// decimal comma ("2.500" typed is 2,50). With a comma the points can only be grouping ("1.234,50"); a
// point before one or two digits is the typed reading ("12.5" is 12,50); a point before three
// digits ("2.500": 2.500,00 or 2,50?) or several points are refused. Empty: refused.
QString ImportoIncollato(const QString &incollato)
{
    QString t = incollato.trimmed();
    if (t.contains(QLatin1Char(',')) || !t.contains(QLatin1Char('.')))
        return t;
    const qsizetype punto = t.indexOf(QLatin1Char('.'));
    const qsizetype dopo = t.size() - punto - 1;
    if (t.count(QLatin1Char('.')) > 1 || dopo > 2)
        return QString();
    return t.replace(QLatin1Char('.'), QLatin1Char(','));
}

// The program's own texts (a loaded amount, the formatting on leaving) are shown as they are: a
// stored amount must not change sign on screen just because it came from elsewhere.
void ScriviImporto(QLineEdit *campo, const QString &testo)
{
    const QValidator *v = campo->validator();
    campo->setValidator(nullptr);
    campo->setProperty(MenoAmmesso, testo.startsWith(QLatin1Char('-')));
    campo->setText(testo);
    campo->setValidator(v);
}

void ColoreSfondo(QLineEdit *campo, QPalette::ColorRole ruolo)
{
    QPalette p = campo->palette();
    const QColor colore = QApplication::palette().color(QPalette::Active, ruolo);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(g, QPalette::Base, colore);
    campo->setPalette(p);
}

} // namespace

void frmAnticipi::ImpostaRegoleImporti()
{
    for (QLineEdit *campo : {txtEntrate, txtUscite}) {
        campo->setValidator(new ValidatoreImporto(campo));
        RegolaIncolla(campo, ImportoIncollato);
    }
}

void frmAnticipi::ReportAttivita_MouseUp(int pulsante, int, int, int)
{
    if (pulsante != 1)
        return;
    const QString etichetta = QStringLiteral("ReportAttivita_MouseUp");
    EseguiPasso(etichetta, [this] { ctlElimina->setEnabled(false); }, this);
    const int riga = ReportAttivita->RigaFocalizzata();
    if (ReportAttivita->NumeroRighe() == 0 || riga < 0)
        return;

    std::optional<Recordset> rs;
    EseguiPasso(etichetta, [&] {
        const QString id = ReportAttivita->ValoreItem(riga, 5).toString();
        rs.emplace(Archivio::ConnArchivio().Query(QStringLiteral("select * from ANTICIPI WHERE ID=") + SqlIntero(id)));
    }, this);
    if (!rs)
        return;
    if (!rs->Fine()) {
        EseguiPasso(etichetta, [this] {
            ctlElimina->setEnabled(true);
            ctlSalva->setEnabled(true);
        }, this);
        EseguiPasso(etichetta, [&] { ImpostaID(QString::number(rs->Intero(QStringLiteral("ID")))); }, this);
        EseguiPasso(etichetta, [&] {
            const QDate d = rs->Data(QStringLiteral("DATAOP"));
            if (!d.isValid())
                throw ErroreApp(CodiciErrore::DataNonValida,
                                QStringLiteral("Data non valida nel campo DATAOP: ") + rs->Testo(QStringLiteral("DATAOP")));
            DtpData->setDate(d);
        }, this);
        EseguiPasso(etichetta, [&] { txtDescrizione->setPlainText(rs->Testo(QStringLiteral("DESCRIZIONE"))); }, this);
        EseguiPasso(etichetta, [&] {
            // Both amounts as stored: a row written elsewhere may hold a negative amount or both.
            const Valuta entrata = rs->Importo(QStringLiteral("ENTRATA"));
            const Valuta uscita = rs->Importo(QStringLiteral("USCITA"));
            m_importoDaFormattare[0] = m_importoDaFormattare[1] = false;
            optTipo[entrata.positivo() || (!entrata.zero() && uscita.zero()) ? 0 : 1]->setChecked(true);
            ScriviImporto(txtEntrate, entrata.testoDueDecimali());
            ScriviImporto(txtUscite, uscita.testoDueDecimali());
            m_importiLetti = {lblID->text(), entrata, uscita};
        }, this);
        m_campiRegistrati = CampiMovimento();
    }
    rs->Chiudi();
}

QStringList frmAnticipi::CampiMovimento() const
{
    return {txtDenominazione->text(), txtCF->text(), txtPiva->text(), DtpData->date().toString(Qt::ISODate),
            optTipo[0]->isChecked() ? QStringLiteral("E") : QStringLiteral("U"), txtEntrate->text(),
            txtUscite->text(), txtDescrizione->toPlainText()};
}

bool frmAnticipi::CiSonoModifiche() const { return CampiMovimento() != m_campiRegistrati; }

void frmAnticipi::ImpostaID(const QString &id)
{
    if (lblID->text() == id)
        return;
    lblID->setText(id);
    lblID_Change();
}

void frmAnticipi::lblID_Change()
{
    AbilitaComandi(2);
    if (lblID->text() != QLatin1String("0"))
        AbilitaComandi(1);
}

void frmAnticipi::optTipo_Click(int)
{
    EseguiPasso(QString(), [this] {
        const bool entrata = optTipo[0]->isChecked();
        QLineEdit *attivo = entrata ? txtEntrate : txtUscite;
        QLineEdit *spento = entrata ? txtUscite : txtEntrate;
        attivo->setEnabled(true);
        ColoreSfondo(attivo, QPalette::Base);
        spento->setEnabled(false);
        ColoreSfondo(spento, QPalette::Button);
    }, this);
    AbilitaComandi(1);
}

void frmAnticipi::txtImporto_GotFocus(QLineEdit *campo)
{
    campo->setSelection(0, campo->text().size());
}

int frmAnticipi::txtImporto_KeyPress(QLineEdit *, int carattere)
{
    if (carattere == '.')
        carattere = ',';
    const bool passa = carattere == 8 || carattere == ',' || (carattere >= '0' && carattere <= '9');
    AbilitaComandi(1);
    return passa ? carattere : 0;
}

void frmAnticipi::txtImporto_LostFocus(QLineEdit *campo)
{
    m_importoDaFormattare[campo == txtEntrate ? 0 : 1] = false;
    const QString testo = campo->text();
    // Text that is not a number stays as typed; ControlloCampi refuses it at the save.
    ScriviImporto(campo, testo.isEmpty() ? QStringLiteral("0,00") : FormattaImporto(testo));
}

void frmAnticipi::txtDescrizione_KeyPress() { AbilitaComandi(1); }

bool frmAnticipi::ControlloCampi()
{
    bool esito = true;
    // The message names the field by its caption, and the focus goes there.
    auto obbligatorio = [this, &esito](QWidget *campo, const QString &didascalia) {
        Messaggi::informa(this, QStringLiteral("Campo obbligatorio: %1.").arg(didascalia), QStringLiteral("Controllo"));
        esito = false;
        if (campo->isEnabled())
            campo->setFocus();
    };
    if (txtDenominazione->text().isEmpty())
        obbligatorio(txtDenominazione, QStringLiteral("Denominazione"));
    if (esito && txtDescrizione->toPlainText().isEmpty())
        obbligatorio(txtDescrizione, QStringLiteral("Descrizione"));
    for (QLineEdit *campo : {txtEntrate, txtUscite})
        if (campo->text().isEmpty())
            ScriviImporto(campo, QStringLiteral("0,00"));
    for (QLineEdit *campo : {txtEntrate, txtUscite}) {
        if (!esito)
            break;
        bool troppoGrande = false;
        const std::optional<Valuta> importo = Valuta::daTesto(campo->text(), &troppoGrande);
        // Past the limit no sum of the client's movements could be trusted to fit; a number too
        // long to read at all is the same case, not a text that is no number.
        if (troppoGrande || (importo && importo->oltreIlMassimo()))
            Messaggi::informa(this, QStringLiteral("Importo troppo grande"), QStringLiteral("Controllo:"));
        else if (!importo)
            Messaggi::informa(this, QStringLiteral("Inserire un valore numerico"), QStringLiteral("Controllo:"));
        else
            continue;
        esito = false;
        if (campo->isEnabled())
            campo->setFocus();
    }
    return esito;
}

void frmAnticipi::ImportiComeLetti(Movimento &m) const
{
    if (m_importiLetti.id != lblID->text() || lblID->text() == QLatin1String("0"))
        return;
    // An amount shown and left as it was is written as stored, to the ten-thousandth (the field shows
    // two decimals). The other type's amount of a row that holds both, which the program never
    // writes, stays as stored while its field is unchanged: saving a new description must not drop it.
    const bool entrata = optTipo[0]->isChecked();
    const struct {
        QLineEdit *campo;
        Valuta letto;
        Valuta &scritto;
        bool scelto;
    } importi[] = {{txtEntrate, m_importiLetti.entrata, m.entrata, entrata},
                   {txtUscite, m_importiLetti.uscita, m.uscita, !entrata}};
    const bool entrambi = !m_importiLetti.entrata.zero() && !m_importiLetti.uscita.zero();
    for (const auto &i : importi)
        if (i.campo->text() == i.letto.testoDueDecimali() && (i.scelto || entrambi))
            i.scritto = i.letto;
}

bool frmAnticipi::CodiceDelCliente(Archivio &archivio, qint64 codice, QString *altroCliente)
{
    // Another desk may have deleted the client's last movement and given its code, then the highest,
    // to a new client. The code is still the client's while a row the window saw as the client's
    // carries it, or while its newest row names the same client (a correction made elsewhere keeps
    // the rows); a code left without rows is free, and the lock keeps a new client from taking it
    // before this save ends.
    const QString sql = QStringLiteral("SELECT ID, RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI WHERE "
                                       "CODICEANA=") + QString::number(codice) + QStringLiteral(" ORDER BY ID DESC");
    QStringList ultima;
    auto leggi = [&] {
        Recordset rs = archivio.PrimaRiga(sql);
        ultima.clear();
        if (!rs.Fine())
            ultima = QStringList{QString(), rs.Testo(QStringLiteral("RAGIONESOCIALE")),
                                 rs.Testo(QStringLiteral("CODICEFISCALE")), rs.Testo(QStringLiteral("PARTITAIVA"))};
        rs.Chiudi();
    };
    leggi();
    if (ultima.isEmpty()) {
        archivio.BloccaCodici();
        leggi();
        if (ultima.isEmpty())
            return true;
    }
    const bool letto = m_bloccoLetto.value(0) == QString::number(codice);
    const QStringList cliente = letto ? m_bloccoLetto : BloccoCliente();
    bool stesso = true;
    for (int i = 1; i < 4; ++i)
        stesso = stesso && Confronto::Uguali(ultima.at(i), cliente.value(i));
    if (stesso)
        return true;
    if (letto && m_idLetto > 0) {
        Recordset rs = archivio.PrimaRiga(QStringLiteral("SELECT ID FROM ANTICIPI WHERE CODICEANA=") +
                                          QString::number(codice) + QStringLiteral(" AND ID<=") +
                                          QString::number(m_idLetto));
        const bool vista = !rs.Fine();
        rs.Chiudi();
        if (vista)
            return true;
    }
    *altroCliente = ultima.at(1);
    return false;
}

void frmAnticipi::RicordaCliente(qint64 idRiga)
{
    m_bloccoLetto = BloccoCliente();
    m_idLetto = idRiga;
    if (idRiga > 0 || txtCodiceana->text() == QLatin1String("0"))
        return;
    // A client chosen elsewhere comes without the row it was read from: its newest one now.
    try {
        Recordset rs = Archivio::ConnArchivio().PrimaRiga(
            QStringLiteral("SELECT ID FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(txtCodiceana->text()) +
            QStringLiteral(" ORDER BY ID DESC"));
        if (!rs.Fine())
            m_idLetto = rs.Intero(QStringLiteral("ID"));
        rs.Chiudi();
    } catch (const ErroreApp &) {
        // Left unknown: the save then compares the client's data alone. The list's refresh, which
        // follows, reports an archive that cannot be read.
    }
}

void frmAnticipi::Salva()
{
    m_salvato = false;
    const QString etichetta = QStringLiteral("Salva");

    // A code still empty means no identification has run since the window opened: run it now, so
    // that a typed tax code of a known client is not saved as a new client.
    if (txtCodiceana->text().isEmpty())
        ControlloCodiceAna();

    bool codiceDelCliente = true;
    QString altroCliente;  // who holds the client's code now, when it is no longer the client's
    bool riuscito = EseguiPasso(etichetta, [&] {
        QString testoCodice = txtCodiceana->text();
        if (testoCodice.isEmpty())
            testoCodice = QStringLiteral("0");
        qint64 codice = SqlIntero(testoCodice).toLongLong();
        if (codice < std::numeric_limits<qint32>::min() || codice > std::numeric_limits<qint32>::max())
            throw ErroreApp(CodiciErrore::Overflow, QStringLiteral("Overflow: codice cliente ") + testoCodice);

        Movimento m;
        m.dataOp = DtpData->date();
        m.descrizione = txtDescrizione->toPlainText();
        QLineEdit *campo = optTipo[0]->isChecked() ? txtEntrate : txtUscite;
        const std::optional<Valuta> importo = Valuta::daTesto(campo->text());
        if (!importo)
            throw ErroreApp(CodiciErrore::NumeroNonValido,
                            QStringLiteral("Tipo non corrispondente: \"") + campo->text() +
                                QStringLiteral("\" non è un importo."));
        (optTipo[0]->isChecked() ? m.entrata : m.uscita) = *importo;
        ImportiComeLetti(m);
        m.ragioneSociale = txtDenominazione->text();
        m.codiceFiscale = txtCF->text();
        m.partitaIva = txtPiva->text();

        const QString id = lblID->text();
        Archivio &archivio = Archivio::ConnArchivio();
        const bool bloccoComeLetto = codice != 0 && BloccoCliente() == m_bloccoLetto;
        const bool clienteLetto = codice != 0;
        qint64 idScritto = 0;
        // The new code and the row are written together: a second program on the same archive
        // cannot take the same code in between, and a failed write leaves no code behind.
        archivio.Transazione([&] {
            if (codice == 0) {
                // Held to the end of the transaction: two desks saving new clients at once never
                // take the same code.
                archivio.BloccaCodici();
                Recordset rs = archivio.Query(
                    QStringLiteral("SELECT Max(ANTICIPI.CODICEANA) AS MaxDiCODICEANA FROM ANTICIPI"));
                if (!rs.Fine() && !rs.Nullo(QStringLiteral("MaxDiCODICEANA"))) {
                    const qint64 massimo = rs.Intero(QStringLiteral("MaxDiCODICEANA"));
                    if (massimo >= std::numeric_limits<qint32>::max())
                        throw ErroreApp(CodiciErrore::Overflow, QStringLiteral("Overflow: nuovo codice cliente"));
                    codice = massimo + 1;
                }
                rs.Chiudi();
                if (codice == 0)
                    codice = 1;
            }
            if (clienteLetto) {
                codiceDelCliente = CodiceDelCliente(archivio, codice, &altroCliente);
                if (!codiceDelCliente)
                    return;  // nothing written
            }
            if (bloccoComeLetto) {
                Recordset rs = archivio.PrimaRiga(QStringLiteral("SELECT RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM "
                                                             "ANTICIPI WHERE CODICEANA=") +
                                              QString::number(codice) + QStringLiteral(" ORDER BY ID DESC"));
                if (!rs.Fine()) {
                    m.ragioneSociale = rs.Testo(QStringLiteral("RAGIONESOCIALE"));
                    m.codiceFiscale = rs.Testo(QStringLiteral("CODICEFISCALE"));
                    m.partitaIva = rs.Testo(QStringLiteral("PARTITAIVA"));
                }
            }
            m.codiceAna = codice;
            idScritto = archivio.ScriviMovimento(id, m, &codice);
        });
        if (!codiceDelCliente)
            return;
        // The block shows what was written, the client's current data.
        ScriviCampoCliente(txtDenominazione, m.ragioneSociale);
        ScriviCampoCliente(txtCF, m.codiceFiscale);
        ScriviCampoCliente(txtPiva, m.partitaIva);
        // Only now, once the row is in the archive, does the window take the new code.
        txtCodiceana->setText(QString::number(codice));
        RicordaCliente(idScritto);
    }, this);

    if (riuscito && !codiceDelCliente) {
        // The client shown has no movement left under its code: what is typed stays, and the next
        // save registers it as the new client it now is (or as the client its tax code now leads to).
        Messaggi::informa(this,
                          QStringLiteral("Il codice cliente ") + txtCodiceana->text() +
                              QStringLiteral(" nel frattempo è stato dato a un altro cliente (") + altroCliente +
                              QStringLiteral("): il cliente ") + txtDenominazione->text() +
                              QStringLiteral(" non ha più movimenti in archivio. Il movimento non è stato salvato. "
                                             "Salvando di nuovo, il cliente sarà registrato come nuovo."),
                          QStringLiteral("Controllo:"));
        txtCodiceana->setText(QStringLiteral("0"));
        m_clienteDaIdentificare = true;
        RinfrescaLista();
        riuscito = false;
    }
    if (!riuscito) {
        // Everything typed stays where it is, so that the user can try again.
        EseguiPasso(etichetta, [this] { ctlSalva->setEnabled(true); }, this);
        return;
    }
    m_salvato = true;
    // A save whose confirmation the server lost, found written: the user is told.
    if (const QString avviso = Archivio::ConnArchivio().PrendiAvviso(); !avviso.isEmpty())
        Messaggi::informa(this, avviso, QStringLiteral("Controllo:"));
    // From here the movement is in the archive: a refresh that fails says so.
    m_dopoSalvataggio = true;
    PulisciCampi(true);
    m_dopoSalvataggio = false;
    AbilitaComandi(2);
}
