#include "convert/archivio_motore.h"

#include "store/engines/motore.h"
#include "store/valorinonvalidi.h"

#include <QDir>
#include <algorithm>

namespace {

const QString Righe = QStringLiteral("SELECT ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, CODICEFISCALE, "
                                     "PARTITAIVA, CODICEANA FROM ANTICIPI ORDER BY ID");
const QString NuovaRiga = QStringLiteral("INSERT INTO ANTICIPI (ID, DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                         "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");

const QStringList Colonne = {QStringLiteral("ID"),           QStringLiteral("DATAOP"),         QStringLiteral("DESCRIZIONE"),
                             QStringLiteral("ENTRATA"),      QStringLiteral("USCITA"),         QStringLiteral("RAGIONESOCIALE"),
                             QStringLiteral("CODICEFISCALE"), QStringLiteral("PARTITAIVA"), QStringLiteral("CODICEANA")};

// 'yyyy-MM-dd' written by hand: a million QDate::toString calls would cost as much as the inserts.
void giorno(const QDate &d, char t[10])
{
    int y = 0, m = 0, g = 0;
    d.getDate(&y, &m, &g);
    const char c[10] = {char('0' + y / 1000 % 10), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10),
                        '-', char('0' + m / 10), char('0' + m % 10), '-', char('0' + g / 10), char('0' + g % 10)};
    std::copy(c, c + 10, t);
}

QString testoData(const QDate &d)
{
    char t[10];
    giorno(d, t);
    return QString::fromLatin1(t, 10);
}

QVariant testo(const std::optional<QByteArray> &t) { return t ? QVariant(QString::fromUtf8(*t)) : QVariant(); }

} // namespace

struct SorgenteArchivio::Dati {
    Motore *motore = nullptr;
    std::unique_ptr<Cursore> righe;
    qint64 attese = -1;
};

SorgenteArchivio::SorgenteArchivio(Motore &motore) : d(std::make_unique<Dati>())
{
    d->motore = &motore;
    auto conta = motore.Query(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI"));
    if (conta->Avanza())
        conta->Intero(0, &d->attese);
    d->righe = motore.Query(Righe);
}

SorgenteArchivio::~SorgenteArchivio() = default;

qint64 SorgenteArchivio::RigheAttese() const { return d->attese; }

bool SorgenteArchivio::Leggi(RigaAnticipi &riga)
{
    Cursore &c = *d->righe;
    if (!c.Avanza())
        return false;
    riga = RigaAnticipi();
    c.Intero(0, &riga.id);
    auto nonValida = [&](const QString &motivo) {
        throw ErroreApp(ErroreConversione,
                        QStringLiteral("Impossibile copiare la riga con ID %1 dell'archivio %2: %3. La copia è stata "
                                       "interrotta.")
                            .arg(riga.id)
                            .arg(QDir::toNativeSeparators(d->motore->Percorso()), motivo));
    };
    const QByteArrayView data = c.Utf8(1);
    // Read from its digits: a format parsed for every row costs more than the rest of the row.
    riga.dataOp = GiornoDaTesto(data.first(std::min<qsizetype>(10, data.size())));
    if (!riga.dataOp.isValid())
        nonValida(QStringLiteral("la data non è valida"));
    // A time after the day, written into the file by another program: the day is kept.
    const QByteArrayView ora = data.sliced(std::min<qsizetype>(10, data.size()));
    riga.oraTolta = !ora.isEmpty() && ora != " 00:00:00" && ora != "T00:00:00" && ora != " 00:00:00+00";
    for (int col : {3, 4}) {
        qint64 &v = col == 3 ? riga.entrata : riga.uscita;
        if (c.Nullo(col))
            riga.importoNullo = true;
        else if (!c.Intero(col, &v))
            nonValida(QStringLiteral("un importo non è un numero intero di decimillesimi"));
    }
    if (!c.Intero(8, &riga.codiceAna))
        nonValida(QStringLiteral("manca il codice del cliente (CODICEANA)"));
    const int colonne[] = {2, 5, 6, 7};
    std::optional<QByteArray> *campi[] = {&riga.descrizione, &riga.ragioneSociale, &riga.codiceFiscale, &riga.partitaIva};
    const char *nomi[] = {"DESCRIZIONE", "RAGIONESOCIALE", "CODICEFISCALE", "PARTITAIVA"};
    for (int k = 0; k < 4; ++k) {
        if (c.Nullo(colonne[k]))
            continue;
        *campi[k] = c.Utf8(colonne[k]).toByteArray();
        // Written there by another program: a server refuses it, and the program never writes one.
        if ((*campi[k])->contains('\0'))
            nonValida(QStringLiteral("il testo in %1 contiene un carattere NUL").arg(QLatin1String(nomi[k])));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

DestinazioneArchivio::DestinazioneArchivio(Motore &motore) : m_motore(motore) {}

DestinazioneArchivio::~DestinazioneArchivio()
{
    m_flusso.reset();  // a stream left open is abandoned before the rollback
    if (m_aperta)
        m_motore.Annulla();
}

void DestinazioneArchivio::Inizia()
{
    if (!m_motore.Vuoto())
        throw ErroreApp(ErroreConversione, QStringLiteral("L'archivio ") + QDir::toNativeSeparators(m_motore.Percorso()) +
                                               QStringLiteral(" contiene già dei movimenti: la copia va fatta in un "
                                                              "archivio vuoto."));
    m_motore.Inizia();
    m_aperta = true;
    // A table the program made on its first connection has its indexes already.
    m_motore.TogliIndici();
    m_valori = QVariantList(9);
    m_flusso = m_motore.Flusso(QStringLiteral("ANTICIPI"), Colonne);
}

void DestinazioneArchivio::Scrivi(const RigaAnticipi &r)
{
    if (m_flusso) {
        FlussoRighe &f = *m_flusso;
        auto testo = [&f](const std::optional<QByteArray> &t) {
            if (t)
                f.Testo(*t);
            else
                f.Nullo();
        };
        char data[10];
        giorno(r.dataOp, data);
        f.Intero(r.id);
        f.Testo(QByteArrayView(data, 10));
        testo(r.descrizione);
        f.Intero(r.entrata);
        f.Intero(r.uscita);
        testo(r.ragioneSociale);
        testo(r.codiceFiscale);
        testo(r.partitaIva);
        f.Intero(r.codiceAna);
        f.Fine();
        return;
    }
    m_valori[0] = r.id;
    m_valori[1] = testoData(r.dataOp);
    m_valori[2] = testo(r.descrizione);
    m_valori[3] = r.entrata;
    m_valori[4] = r.uscita;
    m_valori[5] = testo(r.ragioneSociale);
    m_valori[6] = testo(r.codiceFiscale);
    m_valori[7] = testo(r.partitaIva);
    m_valori[8] = r.codiceAna;
    m_motore.Esegui(NuovaRiga, m_valori);
}

void DestinazioneArchivio::chiudiFlusso()
{
    if (m_flusso) {
        m_flusso->Chiudi();
        m_flusso.reset();
    }
}

void DestinazioneArchivio::CambiaId(qint64 vecchio, qint64 nuovo)
{
    // The last row is in: the stream ends before the statement, which a server's COPY would not take.
    chiudiFlusso();
    m_motore.Esegui(QStringLiteral("UPDATE ANTICIPI SET ID=? WHERE ID=?"), {nuovo, vecchio});
}

void DestinazioneArchivio::CambiaCodice(qint64 vecchio, qint64 nuovo)
{
    chiudiFlusso();
    m_motore.Esegui(QStringLiteral("UPDATE ANTICIPI SET CODICEANA=? WHERE CODICEANA=?"), {nuovo, vecchio});
}

void DestinazioneArchivio::Completa()
{
    // The indexes are built once over all the rows, not kept up row by row; the counter of new
    // IDs goes on above the highest ID written.
    chiudiFlusso();
    m_motore.CreaIndici();
    m_motore.AllineaContatore();
    m_motore.Conferma();
    m_aperta = false;
    m_confermata = true;
}

void DestinazioneArchivio::Rileggi(const std::function<void(qint64, qint64, qint64, qint64)> &f)
{
    auto c = m_motore.Query(QStringLiteral("SELECT ID, CODICEANA, ENTRATA, USCITA FROM ANTICIPI ORDER BY ID"));
    while (c->Avanza()) {
        qint64 v[4] = {};
        for (int i = 0; i < 4; ++i)
            c->Intero(i, &v[i]);
        f(v[0], v[1], v[2], v[3]);
    }
}

void DestinazioneArchivio::Scarta()
{
    m_flusso.reset();
    if (m_aperta) {
        m_motore.Annulla();
    } else if (m_confermata) {
        // Committed and then failed the check: the table was empty before, and is again.
        m_motore.Inizia();
        m_motore.Esegui(QStringLiteral("DELETE FROM ANTICIPI"));
        m_motore.Conferma();
    }
    m_aperta = m_confermata = false;
}
