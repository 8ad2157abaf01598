#include "store/backup.h"

#include "platform/file.h"
#include "store/archivio.h"
#include "store/engines/motore_sqlite.h"
#include "values/errore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <future>

namespace CopiaGiornaliera {
namespace {

struct Regole {
    bool attiva = true;
    std::function<QDate()> oggi;
    // Long enough for the window to be on screen before the copy takes its first turn.
    int ritardoMs = 1500;
    // 64 pages of 4 KB a step, steps for at most 10 ms a turn: the window answers between turns.
    int pagine = 64;
    int msPerTurno = 10;
};

Regole &regole()
{
    static Regole r;
    return r;
}

Misure &misure()
{
    static Misure m;
    return m;
}

QDate oggi() { return regole().oggi ? regole().oggi() : QDate::currentDate(); }

const QRegularExpression &formaNome()
{
    static const QRegularExpression r(QStringLiteral("^archivio-(\\d{4}-\\d{2}-\\d{2})\\.mdb$"));
    return r;
}

// The temporary name of a copy in progress; the process number keeps two desks that share the folder
// from writing the same file.
QString nomeProvvisorio(const QDate &giorno)
{
    return NomeFile(giorno) + QStringLiteral(".parziale-") + QString::number(QCoreApplication::applicationPid());
}

// The backups in the folder, newest first. One dated after `oggi` (made while the computer's clock
// was wrong) tells nothing true of its day: it counts as older than every other, so that it goes
// once thirty backups have been made since, rather than staying forever as the newest.
QList<QPair<QDate, QString>> copie(const QString &cartella, const QDate &oggi)
{
    QList<QPair<QDate, QString>> elenco;
    const QStringList nomi = QDir(cartella).entryList({QStringLiteral("archivio-*.mdb")}, QDir::Files);
    for (const QString &nome : nomi) {
        const QRegularExpressionMatch m = formaNome().match(nome);
        const QDate giorno = m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
        if (giorno.isValid())
            elenco.append({giorno, nome});
    }
    std::sort(elenco.begin(), elenco.end(), [&](const auto &a, const auto &b) {
        const bool futuraA = a.first > oggi, futuraB = b.first > oggi;
        return futuraA != futuraB ? futuraB : a.first > b.first;
    });
    return elenco;
}

bool copiaDelGiorno(const QString &cartella, const QDate &giorno)
{
    return QFileInfo::exists(QDir(cartella).filePath(NomeFile(giorno)));
}

// A backup dated after today stopped nothing, but its date is wrong and the administrator should
// know: written to LOGERR with the day's backup, so once a day and not at every start.
void segnalaFuture(const QString &cartella, const QDate &oggi)
{
    for (const auto &c : copie(cartella, oggi))
        if (c.first > oggi)
            RegistraErrore(ErroreApp(CodiciErrore::FileNonScritto,
                                     QStringLiteral("La copia di sicurezza ") +
                                         QDir::toNativeSeparators(QDir(cartella).filePath(c.second)) +
                                         QStringLiteral(" ha la data di un giorno che non è ancora venuto: "
                                                        "l'orologio del computer era sbagliato quando è stata "
                                                        "fatta. Le copie giornaliere continuano; controllare "
                                                        "data e ora del computer.")));
}

// Temporary files of copies cut short (the program ended, the computer stopped). One that is still
// being written, by another desk, changes all the time: only old ones are removed.
void rimuoviAvanzi(const QDir &cartella)
{
    const QDateTime limite = QDateTime::currentDateTime().addSecs(-600);
    const QFileInfoList avanzi = cartella.entryInfoList({QStringLiteral("archivio-*.mdb.parziale-*")}, QDir::Files);
    for (const QFileInfo &f : avanzi)
        if (f.lastModified() < limite)
            QFile::remove(f.absoluteFilePath());
}

ErroreApp fallita(const ErroreApp &e)
{
    return ErroreApp(e.numero(), QStringLiteral("Copia di sicurezza dell'archivio non riuscita: ") + e.descrizione());
}

// The archive in the middle of a statement that keeps an export waiting: its turn comes later.
bool archivioInAttesa() { return Archivio::ConnArchivio().InAttesa(); }

class Lavoro : public QObject {
public:
    Lavoro(QObject *proprietario, QString cartella, QDate giorno)
        : QObject(proprietario), m_cartella(std::move(cartella)), m_giorno(giorno)
    {
    }

    bool finito() const { return m_finito; }

    void inizia()
    {
        if (archivioInAttesa())
            return QTimer::singleShot(Archivio::Attesa::RiprovaMs, this, [this] { inizia(); });
        try {
            Archivio &a = Archivio::ConnArchivio();
            auto *motore = a.Aperto() ? dynamic_cast<MotoreSqlite *>(&a.MotoreAperto()) : nullptr;
            if (!motore || Cartella(motore->Percorso()) != m_cartella)
                return termina(nullptr);  // the archive was closed or changed meanwhile
            const QDir dir(m_cartella);
            if (!QDir().mkpath(m_cartella) || !QFileInfo(m_cartella).isDir())
                throw ErroreApp(CodiciErrore::FileNonScritto, QStringLiteral("impossibile creare la cartella ") +
                                                                  QDir::toNativeSeparators(m_cartella));
            rimuoviAvanzi(dir);
            if (copiaDelGiorno(m_cartella, m_giorno))
                return termina(nullptr);  // another desk made it meanwhile
            m_provvisorio = dir.filePath(nomeProvvisorio(m_giorno));
            misure() = Misure();
            m_tempo.start();
            m_copia = motore->IniziaCopia(m_provvisorio);
            misure().pagine = m_copia->PagineTotali();
            QTimer::singleShot(0, this, [this] { turno(); });
        } catch (const ErroreApp &e) {
            termina(&e);
        }
    }

private:
    void turno()
    {
        if (archivioInAttesa())
            return QTimer::singleShot(Archivio::Attesa::RiprovaMs, this, [this] { turno(); });
        QElapsedTimer t;
        t.start();
        // The archive was closed (the window is going): an unfinished copy is no failure.
        if (m_copia->Interrotta())
            return termina(nullptr);
        try {
            bool finita = false;
            do {
                finita = m_copia->Passo(regole().pagine);
            } while (!finita && t.elapsed() < regole().msPerTurno);
            Misure &m = misure();
            m.turnoMassimoMs = std::max(m.turnoMassimoMs, t.nsecsElapsed() / 1e6);
            ++m.turni;
            if (m.pagine == 0)
                m.pagine = m_copia->PagineTotali();
            if (!finita)
                return QTimer::singleShot(0, this, [this] { turno(); });
            // The data to the disk before the name: hundreds of megabytes may take a while, so on
            // another thread, and the window goes on.
            m_suDisco = std::async(std::launch::async, [f = m_provvisorio] { FileSuDisco(f); });
            attendiDisco();
        } catch (const ErroreApp &e) {
            termina(&e);
        }
    }

    void attendiDisco()
    {
        if (m_suDisco.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            return QTimer::singleShot(20, this, [this] { attendiDisco(); });
        try {
            misure().totaleMs = m_tempo.elapsed();
            metti();
            termina(nullptr);
        } catch (const ErroreApp &e) {
            termina(&e);
        }
    }

    // The whole copy takes its name; then the oldest beyond the thirty go.
    void metti()
    {
        const QString finale = QDir(m_cartella).filePath(NomeFile(m_giorno));
        if (!Piattaforma::Rinomina(m_provvisorio, finale)) {
            // Another desk put the same day's backup in place first: that one stays.
            if (QFileInfo::exists(finale))
                return;
            throw ErroreApp(CodiciErrore::FileNonScritto,
                            QStringLiteral("impossibile rinominare la copia in ") + QDir::toNativeSeparators(finale));
        }
        segnalaFuture(m_cartella, m_giorno);
        const auto elenco = copie(m_cartella, m_giorno);
        for (int i = CopieTenute; i < elenco.size(); ++i) {
            const QString vecchia = QDir(m_cartella).filePath(elenco[i].second);
            if (!QFile::remove(vecchia))
                throw ErroreApp(CodiciErrore::FileNonScritto, QStringLiteral("impossibile eliminare la copia vecchia ") +
                                                                  QDir::toNativeSeparators(vecchia));
        }
    }

    void termina(const ErroreApp *errore)
    {
        m_finito = true;
        m_copia.reset();  // an unfinished copy removes its file
        if (!m_provvisorio.isEmpty())
            QFile::remove(m_provvisorio);
        if (errore)
            RegistraErrore(fallita(*errore));
        deleteLater();
    }

    QString m_cartella;
    QDate m_giorno;
    QString m_provvisorio;
    std::unique_ptr<CopiaSqlite> m_copia;
    QElapsedTimer m_tempo;
    std::future<void> m_suDisco;  // its destructor waits for the sync, if the window closes meanwhile
    bool m_finito = false;
};

QPointer<Lavoro> &lavoro()
{
    static QPointer<Lavoro> l;
    return l;
}

} // namespace

QString Cartella(const QString &fileArchivio)
{
    return QFileInfo(fileArchivio).absoluteDir().filePath(QStringLiteral("backup"));
}

QString NomeFile(const QDate &giorno)
{
    return QStringLiteral("archivio-") + giorno.toString(Qt::ISODate) + QStringLiteral(".mdb");
}


void Avvia(QObject *proprietario)
{
    if (!regole().attiva || InCorso())
        return;
    Archivio &a = Archivio::ConnArchivio();
    QString cartella;
    try {
        // Only a file can be copied as a file; a server's archive is the administrator's (pg_dump).
        if (!a.Aperto() || !a.MotoreAperto().ArchivioFile())
            return;
        cartella = Cartella(a.MotoreAperto().Percorso());
    } catch (const ErroreApp &) {
        return;  // an archive that cannot be reached: the window's own work reports it
    }
    // Due whenever no backup of today is there, whatever other names the folder holds.
    const QDate giorno = oggi();
    if (copiaDelGiorno(cartella, giorno))
        return;
    auto *l = new Lavoro(proprietario, cartella, giorno);
    lavoro() = l;
    QTimer::singleShot(regole().ritardoMs, l, [l] { l->inizia(); });
}

bool InCorso() { return lavoro() && !lavoro()->finito(); }

Misure UltimeMisure() { return misure(); }

void ImpostaAttiva(bool attiva) { regole().attiva = attiva; }
void ImpostaOggi(std::function<QDate()> f) { regole().oggi = std::move(f); }
void ImpostaRitardo(int ms) { regole().ritardoMs = ms; }
void ImpostaPasso(int pagine, int msPerTurno)
{
    regole().pagine = pagine;
    regole().msPerTurno = msPerTurno;
}
} // namespace CopiaGiornaliera
