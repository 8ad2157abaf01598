// The archive's writes: transactions, the movement and master-data writes, and what a write whose
// COMMIT lost its answer with the server's connection did, found out once reconnected.
#include "store/archivio.h"

#include "store/engines/motore.h"
#include "values/costanti.h"

namespace {

QString testo(const QString &t) { return t.isNull() ? QString(QLatin1String("")) : t; }

// The same movement, the client's code apart: a retry of a new client's movement has a new code.
bool stessoMovimento(const Movimento &a, const Movimento &b)
{
    return a.dataOp == b.dataOp && testo(a.descrizione) == testo(b.descrizione) && a.entrata == b.entrata &&
           a.uscita == b.uscita && testo(a.ragioneSociale) == testo(b.ragioneSociale) &&
           testo(a.codiceFiscale) == testo(b.codiceFiscale) && testo(a.partitaIva) == testo(b.partitaIva);
}

// Each client field as written, to the letter (the server compares them ignoring case); of a
// master-data correction, only the fields it wrote.
bool stessoCliente(const Recordset &rs, const Movimento &m, const QStringList &colonne = {})
{
    const auto uguale = [&](const char *colonna, const QString &valore) {
        const QString c = QLatin1String(colonna);
        return (!colonne.isEmpty() && !colonne.contains(c)) || rs.Testo(c) == testo(valore);
    };
    return uguale("RAGIONESOCIALE", m.ragioneSociale) && uguale("CODICEFISCALE", m.codiceFiscale) &&
           uguale("PARTITAIVA", m.partitaIva);
}

} // namespace

void Archivio::Transazione(const std::function<void()> &f)
{
    if (m_inTransazione)
        return f();
    Motore &m = MotoreAperto();
    // What a transaction found and wrote is its own: nothing of it carries over to the next.
    struct Fine {
        Archivio *a;
        ~Fine()
        {
            a->m_inTransazione = false;
            a->m_scritture.clear();
            a->m_ritrovata.reset();
        }
    } fine{this};
    risolviSospese();
    m.Inizia();
    m_inTransazione = true;
    try {
        f();
        m.Conferma();
    } catch (const ErroreApp &e) {
        m.Annulla();
        if (e.numero() != CodiciErrore::EsitoIncerto)
            throw;
        esitoIncerto(e, std::move(m_scritture));
    } catch (...) {
        m.Annulla();
        throw;
    }
}

QString Archivio::PrendiAvviso() { return std::exchange(m_avviso, QString()); }

namespace {

// What one write is, for the user: "il movimento del 12/03/2026 "bollo"" and "stato salvato".
struct Frase {
    QString soggetto;
    QString participio;  // agreeing with the subject
    QString dati;        // that what was typed is still in the window, or empty
};

Frase frase(const Movimento &dati, qint64 id, bool eliminata, bool anagrafica)
{
    const QString conservati = QStringLiteral("I dati inseriti non sono stati persi. ");
    if (anagrafica)
        return {QStringLiteral("la correzione dell'anagrafica del cliente ") + dati.ragioneSociale +
                    QStringLiteral(" (codice ") + QString::number(id) + QLatin1Char(')'),
                QStringLiteral("stata salvata"), conservati};
    if (eliminata)
        return {QStringLiteral("l'eliminazione del movimento con ID ") + QString::number(id),
                QStringLiteral("stata eseguita"), QString()};
    return {QStringLiteral("il movimento del ") + TestoData(dati.dataOp) + QStringLiteral(" \"") +
                dati.descrizione.left(60) + QLatin1Char('"'),
            QStringLiteral("stato salvato"), conservati};
}

// The engine's own words at the end of its message, "(...)", for the log.
QString parolePrecise(const ErroreApp &e)
{
    const qsizetype i = e.descrizione().indexOf(QStringLiteral(" ("));
    return i < 0 ? QString() : e.descrizione().mid(i);
}

} // namespace

void Archivio::esitoIncerto(const ErroreApp &e, std::vector<Scrittura> scritture)
{
    // Writes made by plain statements cannot be looked for: the doubt is told as it is.
    if (scritture.empty())
        throw e;
    const Scrittura &prima = scritture.front();
    const Frase f = frase(prima.dati, prima.id, prima.tipo == Scrittura::Tipo::Eliminata,
                          prima.tipo == Scrittura::Tipo::Anagrafica);
    const QString interrotto = QStringLiteral("Il collegamento con il server dell'archivio si è interrotto mentre "
                                              "l'operazione veniva confermata. ");
    bool trovate = false;
    try {
        trovate = scritte(scritture);
    } catch (const ErroreApp &) {
        m_sospese = std::move(scritture);
        throw ErroreApp(CodiciErrore::EsitoIncerto,
                        interrotto + QStringLiteral("Il server non risponde: non è noto se ") + f.soggetto +
                            QStringLiteral(" sia ") + f.participio + QStringLiteral(". ") + f.dati +
                            QStringLiteral("Quando il server risponde di nuovo, riprovare: il programma controllerà "
                                           "prima l'archivio e non registrerà nulla due volte.") +
                            parolePrecise(e));
    }
    const QString controllato = QStringLiteral("Ricollegato, il programma ha controllato l'archivio: ");
    if (trovate) {
        m_avviso = interrotto + controllato + f.soggetto + QStringLiteral(" è ") + f.participio + QLatin1Char('.');
        return;
    }
    throw ErroreApp(CodiciErrore::ServerInterrotto, interrotto + controllato + f.soggetto + QStringLiteral(" non è ") +
                                                         f.participio + QStringLiteral(". ") + f.dati +
                                                         QStringLiteral("Riprovare."));
}

void Archivio::risolviSospese()
{
    if (m_sospese.empty())
        return;
    const Scrittura &prima = m_sospese.front();
    const Frase f = frase(prima.dati, prima.id, prima.tipo == Scrittura::Tipo::Eliminata,
                          prima.tipo == Scrittura::Tipo::Anagrafica);
    bool trovate = false;
    try {
        trovate = scritte(m_sospese);
    } catch (const ErroreApp &e) {
        throw ErroreApp(CodiciErrore::EsitoIncerto,
                        QStringLiteral("Il server dell'archivio non risponde ancora: non è noto se ") + f.soggetto +
                            QStringLiteral(" sia ") + f.participio +
                            QStringLiteral(" nell'operazione interrotta, e ora non è stato scritto nulla. ") +
                            f.dati + QStringLiteral("Riprovare quando il server risponde.") + parolePrecise(e));
    }
    const QString controllato = QStringLiteral("Il server dell'archivio risponde di nuovo e l'operazione interrotta "
                                               "è stata controllata: ");
    if (trovate) {
        m_avviso = controllato + f.soggetto + QStringLiteral(" era ") + f.participio + QLatin1Char('.');
        if (prima.tipo == Scrittura::Tipo::Nuova)
            m_ritrovata = prima;
    } else {
        m_avviso = controllato + f.soggetto + QStringLiteral(" non era ") + f.participio + QLatin1Char('.');
    }
    m_sospese.clear();
}

bool Archivio::scritte(const std::vector<Scrittura> &scritture)
{
    for (const Scrittura &s : scritture)
        if (!scritta(s))
            return false;
    return true;
}

bool Archivio::scritta(const Scrittura &s)
{
    if (s.tipo == Scrittura::Tipo::Anagrafica) {
        // One statement rewrote every row of the client: it was done when no row differs.
        Recordset rs = Query(QStringLiteral("SELECT RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI WHERE "
                                            "CODICEANA=") +
                             QString::number(s.id));
        bool uguali = true;
        for (; !rs.Fine() && uguali; rs.MoveNext())
            uguali = stessoCliente(rs, s.dati, s.colonne);
        rs.Chiudi();
        return uguali;
    }
    Recordset rs = Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE ID=") + QString::number(s.id));
    const bool presente = !rs.Fine();
    bool uguale = presente;
    // A new row's ID came from the server and no other row can have it: its presence is enough.
    if (presente && s.tipo == Scrittura::Tipo::Riscritta) {
        const Movimento &m = s.dati;
        uguale = rs.Data(QStringLiteral("DATAOP")) == m.dataOp &&
                 rs.Testo(QStringLiteral("DESCRIZIONE")) == testo(m.descrizione) &&
                 rs.Importo(QStringLiteral("ENTRATA")) == m.entrata && rs.Importo(QStringLiteral("USCITA")) == m.uscita &&
                 stessoCliente(rs, m) && rs.Intero(QStringLiteral("CODICEANA")) == m.codiceAna;
    }
    rs.Chiudi();
    return s.tipo == Scrittura::Tipo::Eliminata ? !presente : uguale;
}

// The ID of the row that "SELECT * FROM ANTICIPI WHERE ID=" + id finds, 0 when there is none.
qint64 Archivio::rigaPerID(const QString &id)
{
    Recordset rs = Query(QStringLiteral("SELECT * FROM ANTICIPI WHERE ID=") + id);
    const qint64 r = rs.Fine() ? 0 : rs.Intero(QStringLiteral("ID"));
    rs.Chiudi();
    return r;
}

qint64 Archivio::ScriviMovimento(const QString &idTesto, const Movimento &movimento, qint64 *codice)
{
    const QString id = SqlIntero(idTesto);
    if (!m_inTransazione) {
        qint64 r = 0;
        Transazione([&] { r = ScriviMovimento(id, movimento, codice); });
        return r;
    }
    Movimento m = movimento;
    Motore &motore = MotoreAperto();
    qint64 idRiga = rigaPerID(id);
    // The movement whose save was cut off, found written, saved again as the user was invited to:
    // that row, under the code it got, rather than a second row and for a new client a second code.
    if (idRiga == 0 && m_ritrovata && stessoMovimento(m_ritrovata->dati, m)) {
        Recordset rs = Query(QStringLiteral("SELECT CODICEANA FROM ANTICIPI WHERE ID=") + QString::number(m_ritrovata->id));
        if (!rs.Fine()) {
            idRiga = m_ritrovata->id;
            m.codiceAna = rs.Intero(QStringLiteral("CODICEANA"));
            m_avviso += QStringLiteral(" Salvato di nuovo, non è stato registrato una seconda volta.");
        }
        rs.Chiudi();
    }
    m_ritrovata.reset();
    if (codice)
        *codice = m.codiceAna;
    QVariantList valori{DataArchivio(m.dataOp),   testo(m.descrizione),   m.entrata.decimillesimi(),
                        m.uscita.decimillesimi(), testo(m.ragioneSociale), testo(m.codiceFiscale),
                        testo(m.partitaIva),      m.codiceAna};
    if (idRiga == 0) {
        const qint64 nuovo =
            motore.Inserisci(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, "
                                            "RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, CODICEANA) "
                                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                             valori);
        m_scritture.push_back({Scrittura::Tipo::Nuova, nuovo, m});
        return nuovo;
    }
    valori << idRiga;
    motore.Esegui(QStringLiteral("UPDATE ANTICIPI SET DATAOP=?, DESCRIZIONE=?, ENTRATA=?, USCITA=?, RAGIONESOCIALE=?, "
                                 "CODICEFISCALE=?, PARTITAIVA=?, CODICEANA=? WHERE ID=?"),
                  valori);
    m_scritture.push_back({Scrittura::Tipo::Riscritta, idRiga, m});
    return idRiga;
}

bool Archivio::EliminaMovimento(const QString &idTesto)
{
    const QString id = SqlIntero(idTesto);
    bool eliminato = false;
    Transazione([&] {
        const qint64 idRiga = rigaPerID(id);
        if (idRiga == 0)
            return;
        MotoreAperto().Esegui(QStringLiteral("DELETE FROM ANTICIPI WHERE ID=?"), {idRiga});
        m_scritture.push_back({Scrittura::Tipo::Eliminata, idRiga, Movimento()});
        eliminato = true;
    });
    return eliminato;
}

QString Archivio::IstruzioneAnagrafica(qint64 codice, const QList<QPair<QString, QString>> &colonne)
{
    QString assegnazioni;
    for (const auto &[colonna, valore] : colonne)
        assegnazioni += (assegnazioni.isEmpty() ? QString() : QStringLiteral(", ")) + colonna + QLatin1Char('=') +
                        SqlTesto(valore);
    if (assegnazioni.isEmpty())
        return QString();
    return QStringLiteral("UPDATE ANTICIPI SET ") + assegnazioni + QStringLiteral(" WHERE CODICEANA=") +
           QString::number(codice);
}

int Archivio::RiscriviAnagrafica(qint64 codice, const QList<QPair<QString, QString>> &colonne, const QString &nome)
{
    Scrittura s{Scrittura::Tipo::Anagrafica, codice, Movimento(), QStringList()};
    s.dati.ragioneSociale = nome;
    for (const auto &[colonna, valore] : colonne) {
        s.colonne << colonna;
        if (colonna == QLatin1String("RAGIONESOCIALE"))
            s.dati.ragioneSociale = valore;
        else if (colonna == QLatin1String("CODICEFISCALE"))
            s.dati.codiceFiscale = valore;
        else
            s.dati.partitaIva = valore;
    }
    if (colonne.isEmpty())
        return 0;
    int righe = 0;
    Transazione([&] {
        righe = Esegui(IstruzioneAnagrafica(codice, colonne));
        m_scritture.push_back(s);
    });
    return righe;
}
