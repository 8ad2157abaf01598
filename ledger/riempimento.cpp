// The list filled in steps: the client's totals summed from the index that holds each row's day and
// amounts, the first rows at once, the rest a page at a time from the event loop, so that the window
// answers while a client of many movements loads.
#include "ledger/frmAnticipi.h"

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/valorinonvalidi.h"
#include "values/costanti.h"
#include "widgets/reportcontrol.h"
#include "widgets/segnalazione.h"

#include <QTimer>

namespace {

// Each later step: short enough that a key or click waits for at most one of them.
constexpr int PaginaSeguente = 2000;

// The sum a field of the totals statement holds (none of the client's rows: null), or nothing when
// it is past what an integer holds.
std::optional<Valuta> SommaIndice(const Recordset &rs, int posizione)
{
    if (rs.NulloCampo(posizione))
        return Valuta();
    bool ok = false;
    const qint64 n = rs.InteroCampo(posizione, &ok);
    if (!ok)
        return std::nullopt;
    return Valuta::daDecimillesimi(n);
}

} // namespace

QStringList frmAnticipi::IstruzioniValoriCliente(const QString &codice)
{
    // The client is compared row by row ("+"), and the rows come in the day's order, so that SQLite
    // walks the partial indexes that hold just those rows (nothing when there are none) rather than
    // the client's own rows.
    QStringList r;
    for (const char *condizione : {DataNonNellaForma, ImportoNonIntero})
        r << QStringLiteral("SELECT ID FROM ANTICIPI WHERE ") + QLatin1String(condizione) +
                 QStringLiteral(" AND +CODICEANA=") + SqlIntero(codice) + QStringLiteral(" ORDER BY DATAOP LIMIT 1");
    return r;
}

QString frmAnticipi::IstruzioneTotali(const QString &codice, const QDate &dal, const QDate &al)
{
    // Both amounts of every row, each in its own total, whatever their signs. Every column read is
    // in the index on (CODICEANA, DATAOP, ID, ENTRATA, USCITA).
    return QStringLiteral("SELECT SUM(CASE WHEN DATAOP<#%1# THEN ENTRATA ELSE 0 END) AS PE, "
                          "SUM(CASE WHEN DATAOP<#%1# THEN USCITA ELSE 0 END) AS PU, "
                          "SUM(CASE WHEN DATAOP>=#%1# THEN ENTRATA ELSE 0 END) AS E, "
                          "SUM(CASE WHEN DATAOP>=#%1# THEN USCITA ELSE 0 END) AS U "
                          "FROM ANTICIPI WHERE CODICEANA=%2 AND DATAOP<=#%3#")
        .arg(DataSql(dal), SqlIntero(codice), DataSql(al));
}

QString frmAnticipi::IstruzionePagina(const QString &codice, const QDate &dal, const QDate &al, const QDate &dopoGiorno,
                                      qint64 dopoId, int limite)
{
    QString sql = QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + SqlIntero(codice) +
                  QStringLiteral(" AND DATAOP>=#") + DataSql(dal) + QStringLiteral("# AND DATAOP<=#") + DataSql(al) +
                  QLatin1Char('#');
    // After the last row loaded: a later day, or the same day and a higher ID (the list's order).
    if (dopoGiorno.isValid())
        sql += QStringLiteral(" AND DATAOP>=#") + DataSql(dopoGiorno) + QStringLiteral("# AND (DATAOP>#") +
               DataSql(dopoGiorno) + QStringLiteral("# OR ID>") + QString::number(dopoId) + QLatin1Char(')');
    return sql + QStringLiteral(" ORDER BY DATAOP, ID LIMIT ") + QString::number(limite);
}

std::optional<std::array<Valuta, 4>> frmAnticipi::TotaliDaIndice(const QString &codice)
{
    Archivio &archivio = Archivio::ConnArchivio();
    if (archivio.MotoreAperto().TipiPerValore()) {
        for (const QString &controllo : IstruzioniValoriCliente(codice)) {
            Recordset rs = archivio.Query(controllo);
            const bool trovato = !rs.Fine();
            rs.Chiudi();
            if (trovato)
                return std::nullopt;
        }
    }
    std::array<Valuta, 4> totali;
    try {
        Recordset rs = archivio.Query(IstruzioneTotali(codice, DTPFIltro[0]->date(), DTPFIltro[1]->date()));
        for (int i = 0; i < 4; ++i) {
            const std::optional<Valuta> v = rs.Fine() ? Valuta() : SommaIndice(rs, i);
            if (!v)
                return std::nullopt;
            totali[i] = *v;
        }
        rs.Chiudi();
    } catch (const ErroreApp &e) {
        // A sum past SQLite's integers: the walk of every row says which totals it leaves out.
        if (e.numero() == CodiciErrore::Overflow)
            return std::nullopt;
        throw;
    }
    m_riempimento.codice = codice;
    m_riempimento.dal = DTPFIltro[0]->date();
    m_riempimento.al = DTPFIltro[1]->date();
    m_riempimento.ultimoGiorno = QDate();
    m_riempimento.ultimoId = 0;
    m_riempimento.entrate = totali[2];
    m_riempimento.uscite = totali[3];
    m_riempimento.entrateLette = m_riempimento.usciteLette = Valuta();
    m_riempimento.discorde = false;
    return totali;
}

bool frmAnticipi::CaricaPagina(int limite)
{
    Riempimento &r = m_riempimento;
    Recordset rs = Archivio::ConnArchivio().Query(
        IstruzionePagina(r.codice, r.dal, r.al, r.ultimoGiorno, r.ultimoId, limite));
    const int iData = rs.IndiceCampo(QStringLiteral("DATAOP"));
    const int iDescrizione = rs.IndiceCampo(QStringLiteral("DESCRIZIONE"));
    const int iEntrata = rs.IndiceCampo(QStringLiteral("ENTRATA"));
    const int iUscita = rs.IndiceCampo(QStringLiteral("USCITA"));
    const int iID = rs.IndiceCampo(QStringLiteral("ID"));
    QVector<QVector<QVariant>> righe;
    righe.reserve(limite);
    bool leggibili = true;
    for (; !rs.Fine(); rs.MoveNext()) {
        const QDate data = GiornoArchivio(rs, iData);
        const std::optional<Valuta> entrata = ImportoArchivio(rs, iEntrata);
        const std::optional<Valuta> uscita = ImportoArchivio(rs, iUscita);
        bool ok = false;
        const qint64 id = rs.InteroCampo(iID, &ok);
        // Written by another program since the check: the walk of every row names it.
        if (!data.isValid() || !entrata || !uscita || !ok) {
            leggibili = false;
            break;
        }
        try {
            r.entrateLette += *entrata;
            r.usciteLette += *uscita;
        } catch (const ErroreApp &) {
            leggibili = false;
            break;
        }
        righe.append(RigaLista(data, rs.Campo(iDescrizione), *entrata, *uscita, QString::number(id)));
        r.ultimoGiorno = data;
        r.ultimoId = id;
    }
    rs.Chiudi();
    if (!leggibili) {
        // Neither these rows nor the totals can be trusted: the end of the fill reads both again.
        r.discorde = true;
        return false;
    }
    const bool altre = righe.size() == limite;
    if (ReportAttivita->NumeroRecord() == 0)
        for (auto &items : righe)
            ReportAttivita->AggiungiRecord(std::move(items));
    else
        ReportAttivita->AccodaRecord(std::move(righe));
    return altre;
}

void frmAnticipi::FermaRiempimento()
{
    ++m_riempimento.generazione;
    m_riempimento.attivo = false;
}

void frmAnticipi::ProgrammaPasso()
{
    const quint64 generazione = m_riempimento.generazione;
    QTimer::singleShot(0, this, [this, generazione] { ContinuaRiempimento(generazione); });
}

void frmAnticipi::ContinuaRiempimento(quint64 generazione)
{
    if (generazione != m_riempimento.generazione || !m_riempimento.attivo)
        return;  // a refresh or a clearing came since: that fill is no longer shown
    if (Archivio::ConnArchivio().InAttesa()) {
        // An export waits for the archive's rows: the next page once it has them.
        QTimer::singleShot(Archivio::Attesa::RiprovaMs, this, [this, generazione] { ContinuaRiempimento(generazione); });
        return;
    }
    bool altre = false;
    try {
        altre = CaricaPagina(PaginaSeguente);
    } catch (const ErroreApp &e) {
        m_riempimento.attivo = false;
        SegnalaErrore(QString(),
                      ErroreApp(e.numero(), QStringLiteral("La lista dei movimenti è incompleta: ") + e.descrizione()),
                      this);
        return;
    }
    if (altre)
        ProgrammaPasso();
    else
        ConcludiRiempimento();
}

void frmAnticipi::ConcludiRiempimento()
{
    m_riempimento.attivo = false;
    if (!m_riempimento.discorde && m_riempimento.entrateLette == m_riempimento.entrate &&
        m_riempimento.usciteLette == m_riempimento.uscite)
        return;
    m_riempimento.letturaCompleta = true;
    RinfrescaLista();
}

void frmAnticipi::CompletaRiempimento()
{
    while (m_riempimento.attivo)
        ContinuaRiempimento(m_riempimento.generazione);
}

void frmAnticipi::CaricaPrimaPagina()
{
    m_riempimento.attivo = CaricaPagina(PrimaPagina);
}
