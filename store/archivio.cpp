#include "store/archivio.h"

#include "platform/precedente.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "values/costanti.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <optional>

namespace {

std::unique_ptr<Archivio> &condivisa()
{
    static std::unique_ptr<Archivio> a;
    return a;
}

// The earlier program's Access file, left where the archive goes until it is converted.
bool fileProgrammaPrecedente(const QString &percorso)
{
    QFile f(percorso);
    const QByteArray testa = f.open(QIODevice::ReadOnly) ? f.read(19) : QByteArray();
    return testa.mid(4) == "Standard Jet DB" || testa.mid(4) == "Standard ACE DB";
}

QString senzaSeparatoreFinale(QString percorso)
{
    while (percorso.size() > 1 && (percorso.endsWith(QLatin1Char('/')) || percorso.endsWith(QLatin1Char('\\'))))
        percorso.chop(1);
    return percorso;
}

std::optional<QString> &connessionePrecedenteImpostata()
{
    static std::optional<QString> c;
    return c;
}

// The archive folder the earlier program's own setting names, in this program's form; empty when none.
QString cartellaPrecedente()
{
    const QString c = connessionePrecedenteImpostata() ? *connessionePrecedenteImpostata()
                                                       : Piattaforma::ConnessioneProgrammaPrecedente();
    return c.trimmed().isEmpty() ? QString() : senzaSeparatoreFinale(QDir::fromNativeSeparators(c.trimmed()));
}

// The inside of a #mm/dd/yyyy# literal: exactly two, two and four ASCII digits; anything else,
// blanks and signs included, is an invalid date.
QDate dataJet(const QString &t)
{
    if (t.size() != 10 || t.at(2) != QLatin1Char('/') || t.at(5) != QLatin1Char('/'))
        return QDate();
    int v[3] = {0, 0, 0};
    const int inizio[3] = {0, 3, 6}, lunghezza[3] = {2, 2, 4};
    for (int k = 0; k < 3; ++k) {
        for (int j = inizio[k]; j < inizio[k] + lunghezza[k]; ++j) {
            const QChar c = t.at(j);
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QDate();
            v[k] = v[k] * 10 + (c.unicode() - '0');
        }
    }
    return QDate(v[2], v[0], v[1]);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset(std::shared_ptr<Cursore> cursore) : m_c(std::move(cursore))
{
    m_nomi = m_c->Nomi();
    m_fine = false;
    MoveNext();
}

void Recordset::MoveNext()
{
    if (!m_c) {
        m_fine = true;
        return;
    }
    try {
        m_fine = !m_c->Avanza();
    } catch (...) {
        m_fine = true;
        m_c.reset();
        throw;
    }
}

void Recordset::Chiudi()
{
    m_c.reset();  // finalizes the statement and lets go of its read lock
    m_fine = true;
}

int Recordset::indice(const QString &nome) const
{
    for (int i = 0; i < m_nomi.size(); ++i)
        if (m_nomi.at(i).compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    throw ErroreApp(3265, QStringLiteral("Elemento non trovato nell'insieme: ") + nome);
}

void Recordset::corrente() const
{
    if (m_fine || !m_c)
        throw ErroreApp(3021, QStringLiteral("Nessun record corrente."));
}

QVariant Recordset::Campo(const QString &nome) const { return Campo(indice(nome)); }

QVariant Recordset::Campo(int posizione) const
{
    corrente();
    return m_c->Valore(posizione);
}

bool Recordset::NulloCampo(int posizione) const
{
    corrente();
    return m_c->Nullo(posizione);
}

QString Recordset::TestoCampo(int posizione) const
{
    corrente();
    return m_c->Nullo(posizione) ? QString() : QString::fromUtf8(m_c->Utf8(posizione));
}

QByteArrayView Recordset::Utf8Campo(int posizione) const
{
    corrente();
    return m_c->Utf8(posizione);
}

qint64 Recordset::InteroCampo(int posizione, bool *ok) const
{
    corrente();
    qint64 n = 0;
    *ok = m_c->Intero(posizione, &n);
    return *ok ? n : 0;
}

QString Recordset::Testo(const QString &nome) const { return TestoCampo(indice(nome)); }

QDateTime Recordset::DataOra(const QString &nome) const
{
    const QString t = Testo(nome);
    QDateTime d = QDateTime::fromString(t, Qt::ISODate);
    if (!d.isValid())
        d = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!d.isValid())
        d = QDateTime(QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd")), QTime(0, 0));
    return d;
}

QDate Recordset::Data(const QString &nome) const
{
    return QDate::fromString(Testo(nome).left(10), QStringLiteral("yyyy-MM-dd"));
}

Valuta Recordset::Importo(const QString &nome) const
{
    const int i = indice(nome);
    if (NulloCampo(i))
        return Valuta();
    bool ok = false;
    const qint64 n = InteroCampo(i, &ok);
    if (!ok)
        throw ErroreApp(CodiciErrore::NumeroNonValido, QStringLiteral("Importo non valido nel campo ") + nome);
    return Valuta::daDecimillesimi(n);
}

qint64 Recordset::Intero(const QString &nome) const
{
    bool ok = false;
    const qint64 n = InteroCampo(indice(nome), &ok);
    if (!ok)
        throw ErroreApp(94, QStringLiteral("Uso non valido di Null nel campo ") + nome);
    return n;
}

// ---------------------------------------------------------------------------------------------
// Archivio

Archivio::Archivio() = default;

Archivio::~Archivio() { Chiudi(); }

Archivio &Archivio::ConnArchivio()
{
    auto &a = condivisa();
    if (!a)
        a.reset(new Archivio());
    return *a;
}

StatoConnessione Archivio::Stato()
{
    const auto &a = condivisa();
    if (!a)
        return StatoConnessione::Assente;
    return a->Aperto() ? StatoConnessione::Aperta : StatoConnessione::Chiusa;
}

void Archivio::Rilascia() { condivisa().reset(); }

void Archivio::ApriAlProssimoUso()
{
    Archivio &a = ConnArchivio();
    if (!a.Aperto())
        a.m_riapri = [] { ApriArchivio(); };
}

bool Archivio::Aperto() const { return m_motore != nullptr; }

void Archivio::Chiudi()
{
    m_motore.reset();
    // What was in doubt on one archive means nothing on the next.
    m_sospese.clear();
    m_ritrovata.reset();
    m_avviso.clear();
}

void Archivio::Apri(const QString &percorsoFile, bool crea)
{
    Chiudi();
    m_percorso = percorsoFile;
    m_motore = ApriMotoreSqlite(percorsoFile, crea);
    m_riapri = nullptr;
}

void Archivio::Apri(std::unique_ptr<Motore> motore)
{
    Chiudi();
    m_percorso = motore->Percorso();
    m_motore = std::move(motore);
    m_riapri = nullptr;
}

Motore &Archivio::MotoreAperto() const
{
    // The open at start failed (another program held the archive, a share was not mounted yet):
    // tried again now, and its own failure, if any, is what the user is told.
    if (!m_motore && m_riapri) {
        const std::function<void()> riapri = m_riapri;
        riapri();
    }
    if (!m_motore)
        throw ErroreApp(CodiciErrore::ArchivioNonAperto,
                        QStringLiteral("Operazione non consentita: l'archivio non è aperto."));
    if (m_motore->InAttesa())
        throw ErroreApp(CodiciErrore::ArchivioInUso,
                        QStringLiteral("L'archivio è impegnato in un'altra operazione. Riprovare tra qualche istante."));
    m_motore->Verifica();
    return *m_motore;
}

Archivio::Attesa::Attesa(Archivio &archivio, std::function<void()> attesa) : m_archivio(archivio)
{
    if (m_archivio.m_motore)
        m_archivio.m_motore->ImpostaAttesa(std::move(attesa));
}

Archivio::Attesa::~Attesa()
{
    // The engine of that moment: one opened meanwhile never had the function.
    if (m_archivio.m_motore)
        m_archivio.m_motore->ImpostaAttesa({});
}

bool Archivio::InAttesa() const { return m_motore && m_motore->InAttesa(); }

Recordset Archivio::Query(const QString &sqlJet) { return QueryValori(sqlJet, {}); }

Recordset Archivio::PrimaRiga(const QString &sqlJet)
{
    Motore &m = MotoreAperto();
    return Recordset(std::shared_ptr<Cursore>(m.Query(m.PrimaRiga(RiscriviDateJet(sqlJet)))));
}

Recordset Archivio::QueryValori(const QString &sqlJet, const QVariantList &valori)
{
    Motore &m = MotoreAperto();
    return Recordset(std::shared_ptr<Cursore>(m.Query(RiscriviDateJet(sqlJet), valori)));
}

int Archivio::Esegui(const QString &sqlJet) { return EseguiValori(sqlJet, {}); }

int Archivio::EseguiValori(const QString &sqlJet, const QVariantList &valori)
{
    return int(MotoreAperto().Esegui(RiscriviDateJet(sqlJet), valori));
}

void Archivio::BloccaCodici() { MotoreAperto().BloccaCodici(); }

// ---------------------------------------------------------------------------------------------

QString CartellaArchivioPredefinita()
{
    // In the system's own spelling: on Windows "C:\ProgramData\Corvalle\Spesario", as the earlier
    // program stored it, never a mix of both separators.
    return QDir::toNativeSeparators(CartellaDatiComuni() + QStringLiteral("/Corvalle/Spesario"));
}

QString CartellaPrimoAvvio()
{
    for (const QString &cartella : {cartellaPrecedente(), CartellaArchivioPredefinita()}) {
        if (!cartella.isEmpty() && QFileInfo(QDir(cartella).filePath(NomeFileArchivio)).isFile())
            return cartella;
    }
    return CartellaArchivioPredefinita();
}

void ImpostaConnessionePrecedente(std::optional<QString> connessione)
{
    connessionePrecedenteImpostata() = std::move(connessione);
}

QString ApriArchivio(QStringList *avvisi)
{
    Archivio &archivio = Archivio::ConnArchivio();
    try {
        auto avvisa = [&](const QString &testo) {
            if (avvisi)
                *avvisi << testo;
        };
        // A settings file that is there but cannot be read (emptied, garbled) is no first run: kept
        // aside, never overwritten, and the user is told.
        if (Impostazioni::FileIlleggibile()) {
            const QString file = Impostazioni::File();
            const QString messo = Impostazioni::MettiDaParte();
            avvisa(QStringLiteral("Il file delle impostazioni ") + QDir::toNativeSeparators(file) +
                   QStringLiteral(" non si poteva leggere: è stato messo da parte come ") +
                   QDir::toNativeSeparators(messo) +
                   QStringLiteral(". Se l'archivio aperto non è quello di sempre, chiudere il programma e far "
                                  "ripristinare le impostazioni."));
        }
        QString cartella = Impostazioni::Leggi(Impostazioni::Connessione);
        const bool primoAvvio = cartella.isEmpty();
        if (primoAvvio)
            cartella = CartellaPrimoAvvio();
        // A settings file that cannot be written must not keep the archive shut: the open goes on
        // and the failure is reported after it.
        std::optional<ErroreApp> nonMemorizzata;
        // A server's address instead of a folder: every desk of the office on one database. It is
        // never replaced by a local archive, whatever goes wrong.
        if (ConnessioneServer(cartella)) {
            archivio.Apri(ApriMotorePostgres(cartella));
            return cartella;
        }
        cartella = senzaSeparatoreFinale(cartella);
        const QFileInfo info(cartella);
        if (info.exists() && !info.isDir())
            throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                            QStringLiteral("La cartella dell'archivio ") + QDir::toNativeSeparators(cartella) +
                                QStringLiteral(" è un file, non una cartella."));
        if (!info.exists()) {
            // Only a first run makes its folder; a folder the settings name (a network share not
            // mounted, the default one removed or moved) is never replaced by a new empty archive.
            if (!primoAvvio)
                throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                                QStringLiteral("Cartella dell'archivio non trovata: ") +
                                    QDir::toNativeSeparators(cartella));
            if (!QDir().mkpath(cartella))
                throw ErroreApp(CodiciErrore::ArchivioNonTrovato,
                                QStringLiteral("Impossibile creare la cartella dell'archivio ") +
                                    QDir::toNativeSeparators(cartella));
        }
        const QString file = QDir(cartella).filePath(NomeFileArchivio);
        // What a creation cut short (a power cut, a kill) left beside the archive goes at once.
        ScartaCreazioneInterrotta(file);
        if (primoAvvio) {
            if (!QFileInfo::exists(file)) {
                CreaArchivioSqlite(file);
                // An earlier program's folder with nothing in it (a network folder not connected, an
                // archive moved by hand) is named, so that the new empty archive is not taken for it.
                // Each folder on a line of its own: a box breaks a long line where it can, and that
                // can be inside a path ("C:" on one line, the rest on the next).
                const QString precedente = cartellaPrecedente();
                avvisa(QStringLiteral("È stato creato un nuovo archivio vuoto nella cartella:\n") +
                       QDir::toNativeSeparators(cartella) +
                       (precedente.isEmpty() || QFileInfo(precedente) == QFileInfo(cartella)
                            ? QString()
                            : QStringLiteral("\nIl programma precedente indicava la cartella:\n") +
                                  QDir::toNativeSeparators(precedente) +
                                  QStringLiteral("\ndove non c'è un file archivio.mdb.")));
            }
            // Stored once the archive is there: a first run cut short is a first run again.
            try {
                Impostazioni::Scrivi(Impostazioni::Connessione, cartella);
            } catch (const ErroreApp &e) {
                nonMemorizzata = e;
            }
        }
        try {
            archivio.Apri(file, false);
        } catch (const ErroreApp &e) {
            // Not converted: the question at start answered No, or another desk converting it now.
            if (e.numero() == CodiciErrore::ArchivioIllegibile && fileProgrammaPrecedente(file))
                throw ErroreApp(CodiciErrore::ArchivioIllegibile,
                                QStringLiteral("Impossibile leggere l'archivio ") + QDir::toNativeSeparators(file) +
                                    QStringLiteral(": è ancora nel formato del programma precedente. Se un altro programma "
                                                   "lo sta convertendo, il prossimo comando lo apre appena la conversione "
                                                   "è terminata; altrimenti chiudere e riaprire il programma e accettare "
                                                   "la conversione."));
            throw;
        }
        if (nonMemorizzata)
            throw *nonMemorizzata;
        return cartella;
    } catch (...) {
        if (!archivio.Aperto())
            archivio.m_riapri = [] { ApriArchivio(); };
        throw;
    }
}

std::unique_ptr<Motore> ApriMotore(const QString &connessione)
{
    if (ConnessioneServer(connessione))
        return ApriMotorePostgres(connessione);
    const QFileInfo info(connessione);
    return ApriMotoreSqlite(info.isDir() ? QDir(connessione).filePath(NomeFileArchivio) : connessione, false);
}

QString SqlTesto(const QString &testo)
{
    // SQLite reads a statement only up to a NUL character: such a text cannot be written as a
    // literal, and cutting it would store something else than what was typed.
    if (testo.contains(QChar(0)))
        throw ErroreApp(CodiciErrore::TestoNonValido,
                        QStringLiteral("Il testo contiene un carattere non ammesso (NUL)."));
    QString r = testo;
    r.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

QString SqlIntero(const QString &testo)
{
    bool ok = false;
    const qint64 n = testo.toLongLong(&ok);
    if (!ok || testo.isEmpty() || testo.trimmed() != testo)
        throw ErroreApp(CodiciErrore::NumeroNonValido,
                        QStringLiteral("Tipo non corrispondente: \"") + testo + QStringLiteral("\" non è un numero intero."));
    return QString::number(n);
}

QString DataArchivio(const QDate &data) { return data.toString(QStringLiteral("yyyy-MM-dd")); }

QString RiscriviDateJet(const QString &sql)
{
    QString r;
    r.reserve(sql.size() + 8);
    bool inTesto = false;
    const int n = sql.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'')) {
            inTesto = !inTesto;  // a doubled quote toggles twice and stays inside
            r.append(c);
            continue;
        }
        if (inTesto || c != QLatin1Char('#')) {
            r.append(c);
            continue;
        }
        const int chiusa = sql.indexOf(QLatin1Char('#'), i + 1);
        const QString dentro = chiusa > i ? sql.mid(i + 1, chiusa - i - 1) : QString();
        const QDate d = dataJet(dentro);
        if (chiusa < 0 || !d.isValid())
            throw ErroreApp(CodiciErrore::DataNonValida,
                            QStringLiteral("Errore di sintassi nella data dell'espressione: ") + sql.mid(i, 24));
        r.append(QLatin1Char('\'') + DataArchivio(d) + QLatin1Char('\''));
        i = chiusa;
    }
    return r;
}
