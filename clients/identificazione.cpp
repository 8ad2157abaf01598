#include "clients/identificazione.h"

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "values/confronto.h"
#include "widgets/segnalazione.h"

#include <QLineEdit>

namespace {

// The identifying fields of a client's newest matching row; null fields read as empty text.
struct RigaCliente {
    bool trovata = false;
    qint64 id = 0;
    QVariant codiceAna;
    QString ragioneSociale, codiceFiscale, partitaIva;
};

// The values of the column that equal the text under the client rule, one per group of spellings
// the engine keeps apart: for a text with too many spellings to list, the column's values are
// walked once and compared here.
QStringList ValoriUguali(const QString &colonna, const QString &testo)
{
    QStringList r;
    Recordset rs = Archivio::ConnArchivio().Query(QStringLiteral("SELECT ") + colonna +
                                                  QStringLiteral(" FROM ANTICIPI GROUP BY ") + colonna);
    const QString chiave = Confronto::Chiave(testo);
    for (; !rs.Fine(); rs.MoveNext()) {
        const QString v = rs.TestoCampo(0);
        if (!rs.NulloCampo(0) && Confronto::Chiave(v) == chiave)
            r << v;
    }
    rs.Chiudi();
    return r;
}

// The values the column may hold for the text under the client rule: the text alone where the
// engine compares by the rule, its spellings on SQLite, or the column's own values when there are too
// many spellings to list. Empty when no row can match.
QStringList valoriCliente(const QString &colonna, const QString &testo)
{
    if (Archivio::ConnArchivio().MotoreAperto().ConfrontoItaliano())
        return {testo};
    const QStringList grafie = Confronto::Grafie(testo, MassimoGrafie);
    return grafie.isEmpty() ? ValoriUguali(colonna, testo) : grafie;
}

// The rows whose column holds one of the values.
QString condizioneValori(const QString &colonna, const QStringList &valori)
{
    if (valori.size() == 1)
        return colonna + QLatin1Char('=') + SqlTesto(valori.first());
    QString elenco;
    for (const QString &v : valori) {
        if (!elenco.isEmpty())
            elenco += QStringLiteral(", ");
        elenco += SqlTesto(v);
    }
    return colonna + QStringLiteral(" IN (") + elenco + QLatin1Char(')');
}

// Whether a row where `dove` holds has another client code than `codice`. On a server, where each
// of a name's index entries costs a comparison in the collation, counting the codes reads every row
// of the name (10 ms for a client of 20,000 movements); the index on (name, code) answers this in two
// seeks, below and above the code, and the count is left to a name that several clients share. True
// where the engine has no such index, or the code is not a number: there the count decides.
bool AltriCodici(const QString &colonna, const QString &dove, const QVariant &codice)
{
    bool ok = false;
    const qint64 c = codice.toLongLong(&ok);
    if (!ok || colonna != QLatin1String("RAGIONESOCIALE") ||
        !Archivio::ConnArchivio().MotoreAperto().ConfrontoItaliano())
        return true;
    const QString n = QString::number(c);
    Recordset rs = Archivio::ConnArchivio().Query(
        QStringLiteral("SELECT (SELECT MAX(CODICEANA) FROM ANTICIPI WHERE ") + dove + QStringLiteral(" AND CODICEANA<") +
        n + QStringLiteral(") AS PRIMA, (SELECT MIN(CODICEANA) FROM ANTICIPI WHERE ") + dove +
        QStringLiteral(" AND CODICEANA>") + n + QStringLiteral(") AS DOPO"));
    const bool altri = !rs.Fine() && (!rs.NulloCampo(0) || !rs.NulloCampo(1));
    rs.Chiudi();
    return altri;
}

// `codici`, when given, gets how many distinct client codes have a matching row; `condizione`, when
// given, must hold too.
RigaCliente CercaCliente(const QString &colonna, const QString &testo, int *codici = nullptr,
                         const QString &condizione = QString())
{
    RigaCliente r;
    const QStringList valori = valoriCliente(colonna, testo);
    if (valori.isEmpty())
        return r;
    Recordset rs = Archivio::ConnArchivio().PrimaRiga(IstruzioneCliente(colonna, valori, condizione));
    if (!rs.Fine()) {
        r.trovata = true;
        bool ok = false;
        r.id = rs.InteroCampo(rs.IndiceCampo(QStringLiteral("ID")), &ok);
        r.codiceAna = rs.Campo(QStringLiteral("CODICEANA"));
        r.ragioneSociale = rs.Testo(QStringLiteral("RAGIONESOCIALE"));
        r.codiceFiscale = rs.Testo(QStringLiteral("CODICEFISCALE"));
        r.partitaIva = rs.Testo(QStringLiteral("PARTITAIVA"));
    }
    rs.Chiudi();
    // Counted by the engine: a client with many movements under its name has as many rows, which
    // read one by one cost more than the whole lookup.
    if (codici && r.trovata) {
        const QString dove = (condizione.isEmpty() ? QString() : condizione + QStringLiteral(" AND ")) +
                             condizioneValori(colonna, valori);
        if (!AltriCodici(colonna, dove, r.codiceAna)) {
            *codici = 1;
            return r;
        }
        Recordset n = Archivio::ConnArchivio().Query(
            QStringLiteral("SELECT COUNT(DISTINCT CODICEANA) AS CLIENTI FROM ANTICIPI WHERE ") + dove);
        *codici = int(n.Intero(QStringLiteral("CLIENTI")));
        n.Chiudi();
    }
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

QString IstruzioneCliente(const QString &colonna, const QStringList &valori, const QString &condizione)
{
    return QStringLiteral("SELECT * FROM ANTICIPI WHERE ") +
           (condizione.isEmpty() ? QString() : condizione + QStringLiteral(" AND ")) +
           condizioneValori(colonna, valori) + QStringLiteral(" ORDER BY ID DESC");
}

QString IstruzioneCliente(const QString &colonna, const QString &testo, const QString &condizione)
{
    // A server's client columns compare by the rule themselves: the text alone finds every spelling.
    if (Archivio::ConnArchivio().MotoreAperto().ConfrontoItaliano())
        return IstruzioneCliente(colonna, QStringList{testo}, condizione);
    const QStringList grafie = Confronto::Grafie(testo, MassimoGrafie);
    return grafie.isEmpty() ? QString() : IstruzioneCliente(colonna, grafie, condizione);
}

std::optional<AltroCliente> AltroClienteCon(const QString &colonna, const QString &testo, qint64 codice)
{
    const RigaCliente r = CercaCliente(colonna, testo, nullptr, QStringLiteral("CODICEANA<>") + QString::number(codice));
    if (!r.trovata)
        return std::nullopt;
    return AltroCliente{r.ragioneSociale, r.codiceAna.toLongLong()};
}

void LimitaCampoCliente(QLineEdit *campo, int limite)
{
    campo->setMaxLength(limite);
    campo->setProperty("limite", limite);
}

void ScriviCampoCliente(QLineEdit *campo, const QString &testo)
{
    // Changed only here: QLineEdit's setMaxLength sets the text again, which would forget the
    // user's edits (their undo steps, and that the field was modified).
    const int limite = campo->property("limite").toInt();
    if (limite > 0 && campo->maxLength() != qMax(limite, int(testo.size())))
        campo->setMaxLength(qMax(limite, int(testo.size())));
    campo->setText(testo);
}

bool IdentificaCliente(const CampiCliente &c, QWidget *parent, int *clientiConNome, qint64 *idRiga)
{
    if (clientiConNome)
        *clientiConNome = 0;
    bool trovato = false;
    const QString etichetta = QStringLiteral("ControlloCodiceAna");
    auto passo = [&](const std::function<void()> &f) { EseguiPasso(etichetta, f, parent); };
    QLineEdit *txtDenominazione = c.denominazione, *txtCF = c.codiceFiscale, *txtPiva = c.partitaIva,
              *txtCodiceana = c.codiceAna;

    passo([&] {
        if (txtCodiceana->text().isEmpty())
            txtCodiceana->setText(QStringLiteral("0"));
    });

    // Tax code, whatever the current code: its newest row wins.
    if (!txtCF->text().isEmpty()) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("codicefiscale"), txtCF->text()); });
        if (r.trovata) {
            trovato = true;
            if (idRiga)
                *idRiga = r.id;
            // Each copy on its own: a field whose copy fails keeps its text.
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { ScriviCampoCliente(txtDenominazione, r.ragioneSociale); });
            passo([&] { ScriviCampoCliente(txtPiva, r.partitaIva); });
        }
    }

    if (!txtPiva->text().isEmpty() && txtCodiceana->text() == QLatin1String("0")) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("PARTITAIVA"), txtPiva->text()); });
        if (r.trovata) {
            trovato = true;
            if (idRiga)
                *idRiga = r.id;
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { ScriviCampoCliente(txtDenominazione, r.ragioneSociale); });
            passo([&] { ScriviCampoCliente(txtCF, r.codiceFiscale); });
        }
    }

    if (!txtDenominazione->text().isEmpty() && txtCodiceana->text() == QLatin1String("0")) {
        RigaCliente r;
        passo([&] { r = CercaCliente(QStringLiteral("RAGIONESOCIALE"), txtDenominazione->text(), clientiConNome); });
        if (r.trovata) {
            trovato = true;
            if (idRiga)
                *idRiga = r.id;
            passo([&] { txtCodiceana->setText(TestoCodice(r.codiceAna)); });
            passo([&] { ScriviCampoCliente(txtPiva, r.partitaIva); });
            passo([&] { ScriviCampoCliente(txtCF, r.codiceFiscale); });
        }
    }
    return trovato;
}
