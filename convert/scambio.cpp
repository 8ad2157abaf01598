#include "convert/scambio.h"

#include "convert/archivio_motore.h"
#include "convert/sorgente_access.h"
#include "platform/file.h"
#include "platform/sistema.h"
#include "store/archivio.h"
#include "store/engines/motore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

std::function<void(const char *)> &osservatore()
{
    static std::function<void(const char *)> o;
    return o;
}

void passo(const char *nome)
{
    if (osservatore())
        osservatore()(nome);
}

QString nativo(const QString &percorso) { return QDir::toNativeSeparators(QFileInfo(percorso).absoluteFilePath()); }

[[noreturn]] void fallisci(const QString &testo) { throw ErroreApp(ErroreConversione, testo); }

// Unlike the engine's identitaFile, nothing for a file in use: two names are taken for one file
// only when the system can say so, since a name judged a second one is removed.
std::optional<Piattaforma::IdentitaFile> identita(const QString &percorso)
{
    Piattaforma::IdentitaFile id;
    if (Piattaforma::Identita(percorso, &id) != Piattaforma::StatoFile::Presente)
        return std::nullopt;
    return id;
}

bool stessiByte(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

// A rename that lands whole on disk: the folder's entry is synced too.
void sincronizzaCartella(const QString &cartella) { Piattaforma::SincronizzaCartella(cartella); }

bool sincronizzaFile(QFile &f) { return Piattaforma::SincronizzaFile(f); }

// Replaces `destinazione` with `origine` in one step.
bool sostituisci(const QString &origine, const QString &destinazione)
{
    return Piattaforma::Sostituisci(origine, destinazione);
}

QString parziale(const QString &percorso) { return percorso + QStringLiteral(".parziale"); }

// Gives the file at `esistente` the second name `nuovo` without touching its bytes: a hard link
// where the file system has them, otherwise a copy that is synced and then renamed into place.
void secondoNome(const QString &esistente, const QString &nuovo)
{
    switch (Piattaforma::SecondoNome(esistente, nuovo)) {
    case Piattaforma::EsitoSecondoNome::Fatto:
        return;
    case Piattaforma::EsitoSecondoNome::Esiste:
        fallisci(QStringLiteral("Il file ") + nativo(nuovo) + QStringLiteral(" esiste già."));
    case Piattaforma::EsitoSecondoNome::NonPossibile:
        break;
    }
    const QString copia = parziale(nuovo);
    QFile::remove(copia);
    QFile da(esistente), a(copia);
    bool ok = da.open(QIODevice::ReadOnly) && a.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    while (ok && !da.atEnd()) {
        const QByteArray blocco = da.read(1 << 20);
        ok = !blocco.isEmpty() && a.write(blocco) == blocco.size();
    }
    ok = ok && sincronizzaFile(a);
    a.close();
    if (!ok || QFileInfo(copia).size() != QFileInfo(esistente).size() || QFileInfo::exists(nuovo) ||
        !sostituisci(copia, nuovo)) {
        QFile::remove(copia);
        fallisci(QStringLiteral("Impossibile conservare l'originale come ") + nativo(nuovo) + QStringLiteral(": ") +
                 (a.error() != QFile::NoError ? a.errorString() : QStringLiteral("scrittura non riuscita")) +
                 QLatin1Char('.'));
    }
}

// The earlier program keeps NAME.ldb beside NAME.mdb while any desk has it open: a conversion then
// would miss what is being typed there. Looked up without regard to case, as on a Windows share.
void controllaProgrammaPrecedente(const QString &access)
{
    const QFileInfo info(access);
    const QStringList ldb = info.dir().entryList({info.completeBaseName() + QStringLiteral(".ldb")},
                                                 QDir::Files | QDir::Hidden | QDir::System);
    if (!ldb.isEmpty())
        fallisci(QStringLiteral("Il file ") + nativo(info.dir().filePath(ldb.first())) +
                 QStringLiteral(" indica che il programma precedente ha ancora aperto l'archivio ") + nativo(access) +
                 QStringLiteral(": chiudere il programma precedente su ogni postazione e riprovare (se è chiuso "
                                "ovunque, il file è rimasto da una chiusura anomala e si può eliminare). "
                                "L'archivio non è stato modificato."));
}

// A source with what it reads from: libmdb's own file, or the engine of an archive of this program.
struct Origine {
    std::unique_ptr<Motore> motore;
    std::unique_ptr<SorgenteCopia> sorgente;
};

Origine apriSorgente(const QString &origine)
{
    // A folder stands for its archive, as in the settings' "Connessione".
    const QString percorso = QFileInfo(origine).isDir() && QFileInfo::exists(QDir(origine).filePath(NomeFileArchivio))
                                 ? QDir(origine).filePath(NomeFileArchivio)
                                 : origine;
    Origine o;
    if (ConnessioneServer(percorso)) {
        o.motore = ApriMotorePostgres(percorso);
        o.sorgente = std::make_unique<SorgenteArchivio>(*o.motore);
        return o;
    }
    if (EFileSqlite(percorso)) {
        // Without building indexes: the source is only read.
        o.motore = ApriMotoreSqlite(percorso, false, true);
        o.sorgente = std::make_unique<SorgenteArchivio>(*o.motore);
        return o;
    }
    if (!EFileAccess(percorso) && QFileInfo(percorso).isFile()) {
        QFile f(percorso);
        fallisci(QStringLiteral("Impossibile leggere l'archivio ") + nativo(percorso) + QStringLiteral(": ") +
                 (f.open(QIODevice::ReadOnly) ? QStringLiteral("il file non è un archivio Access né un archivio di "
                                                               "questo programma.")
                                              : f.errorString() + QLatin1Char('.')));
    }
    if (EFileAccess(percorso))
        controllaProgrammaPrecedente(percorso);
    o.sorgente = std::make_unique<SorgenteAccess>(percorso);  // or says what is wrong with the path
    return o;
}

// Copies into a new archive file at `bozza`, which a failure removes. With the engine's synchronous
// commit the file is on disk when this returns.
RiepilogoCopia copiaInBozza(SorgenteCopia &sorgente, const QString &bozza, const AvanzamentoCopia &avanzamento)
{
    auto via = [&] {
        QFile::remove(bozza);
        QFile::remove(bozza + QStringLiteral("-journal"));
    };
    via();
    try {
        // The table is made now, the indexes once the rows are in.
        const std::unique_ptr<Motore> motore = ApriMotoreSqlite(bozza, true, true);
        DestinazioneArchivio destinazione(*motore);
        return CopiaArchivio(sorgente, destinazione, avanzamento);
    } catch (...) {
        via();
        throw;
    }
}

// One conversion or copy at a time in a folder: two desks starting together must not tidy away each
// other's draft or second name, nor two copies rename each other's file. A lock left by a killed
// process is taken over (its PID is gone); never one by age alone, as QLockFile would after 30 s:
// a million rows take longer.
std::unique_ptr<QLockFile> bloccaCartella(const QString &cartella)
{
    const QString percorso = QDir(cartella).filePath(NomeFileBloccoCartella);
    auto blocco = std::make_unique<QLockFile>(percorso);
    blocco->setStaleLockTime(0);
    if (blocco->tryLock(0))
        return blocco;
    // A lock file with no owner written in it: its maker was killed between making the file and
    // writing its PID, so no PID ever frees it. Its maker, while alive, holds the file; once it is
    // gone the file is removed and the lock taken. The removal has a lock of its own, so that two
    // processes finding one such file do not remove each other's new lock.
    auto orfano = [&] {
        qint64 pid = 0;
        QString host, applicazione;
        return blocco->error() == QLockFile::LockFailedError && !blocco->getLockInfo(&pid, &host, &applicazione) &&
               QFileInfo::exists(percorso) && !Piattaforma::FileTrattenuto(percorso);
    };
    if (!orfano())
        return nullptr;
    QLockFile rimozione(percorso + QStringLiteral(".rimozione"));
    if (!rimozione.tryLock(0) || !orfano() || !blocco->removeStaleLockFile() || !blocco->tryLock(0))
        return nullptr;
    return blocco;
}

[[noreturn]] void cartellaOccupata(const QString &cartella)
{
    fallisci(QStringLiteral("Un altro programma sta già convertendo o copiando un archivio nella cartella ") +
             nativo(cartella) + QStringLiteral(". Riprovare al termine."));
}

QString bozzaCopia(const QDir &dir)
{
    return dir.filePath(QStringLiteral("archivio-copia-%1.tmp").arg(QCoreApplication::applicationPid()));
}

// A failure of the target (a full disk, a folder not writable) says nothing of the source.
template <typename F>
auto originaleIntatto(const QString &origine, F &&f)
{
    try {
        return f();
    } catch (const ErroreApp &e) {
        if (e.numero() == ErroreConversione)
            throw;
        throw ErroreApp(e.numero(), e.descrizione() + QStringLiteral(" L'archivio di origine ") + nativo(origine) +
                                        QStringLiteral(" è intatto."));
    }
}

// What a conversion or copy killed half-way leaves in the folder: its draft, a copy's draft, an
// original's partial copy, and a second name of archivio.mdb itself (what a swap killed before its
// rename leaves; so is a full copy of an Access archivio.mdb where the file system has no links).
// Removing any of them loses no byte: archivio.mdb still holds them.
QStringList avanzi(const QString &cartella)
{
    const QDir dir(cartella);
    QStringList r;
    for (const QString &nome :
         dir.entryList({NomeFileBozza, NomeFileBozza + QStringLiteral("-journal"), QStringLiteral("archivio-copia-*.tmp"),
                        QStringLiteral("archivio-copia-*.tmp-journal"), QStringLiteral("archivio-access*.mdb.parziale")},
                       QDir::Files))
        r << dir.filePath(nome);
    const QString archivio = dir.filePath(NomeFileArchivio);
    const auto id = identita(archivio);
    const bool access = EFileAccess(archivio);
    for (const QString &nome : dir.entryList({QStringLiteral("archivio-access*.mdb")}, QDir::Files)) {
        const QString p = dir.filePath(nome);
        if ((id && identita(p) == id) || (access && stessiByte(p, archivio)))
            r << p;
    }
    return r;
}

// Only run under the folder's lock: no conversion or copy that left these is still at work.
void riordina(const QString &cartella)
{
    for (const QString &p : avanzi(cartella))
        QFile::remove(p);
}

} // namespace

bool EFileSqlite(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

void ImpostaOsservatoreConversione(std::function<void(const char *)> o) { osservatore() = std::move(o); }

QString NomeOriginaleAccess(const QString &cartella)
{
    const QDir dir(cartella);
    QString nome = QStringLiteral("archivio-access.mdb");
    for (int n = 2; QFileInfo::exists(dir.filePath(nome)) || QFileInfo::exists(dir.filePath(parziale(nome))); ++n)
        nome = QStringLiteral("archivio-access-%1.mdb").arg(n);
    return nome;
}

void RiordinaCartella(const QString &cartella)
{
    // Nothing left over, as at nearly every start: no lock, whose making syncs a file to the disk
    // (2-10 ms here, more on a network share). A lock file left by a killed process is left over too:
    // taken over, it goes at the unlock. While another process converts, what is there is its work
    // in progress: it is looked at again under the lock.
    if (avanzi(cartella).isEmpty() && !QFileInfo::exists(QDir(cartella).filePath(NomeFileBloccoCartella)))
        return;
    if (const auto blocco = bloccaCartella(cartella))
        riordina(cartella);
}

RiepilogoCopia ConvertiArchivioCartella(const QString &cartella, const QString &nomeOriginale,
                                        const AvanzamentoCopia &avanzamento)
{
    const QDir dir(cartella);
    const QString archivio = dir.filePath(NomeFileArchivio);
    const QString bozza = dir.filePath(NomeFileBozza);
    const QString originale = dir.filePath(nomeOriginale);
    const auto blocco = bloccaCartella(cartella);
    if (!blocco)
        cartellaOccupata(cartella);
    riordina(cartella);
    if (QFileInfo::exists(originale))
        fallisci(QStringLiteral("Il file ") + nativo(originale) + QStringLiteral(" esiste già."));
    controllaProgrammaPrecedente(archivio);
    passo("inizio");
    const RiepilogoCopia r = originaleIntatto(archivio, [&] {
        SorgenteAccess sorgente(archivio);
        return copiaInBozza(sorgente, bozza, [&](qint64 fatte, qint64 attese) {
            passo("righe");
            if (avanzamento)
                avanzamento(fatte, attese);
        });
    });
    passo("verificata");
    bool collegato = false;
    try {
        secondoNome(archivio, originale);
        collegato = true;
        sincronizzaCartella(cartella);
        passo("collegato");
        if (!sostituisci(bozza, archivio))
            fallisci(QStringLiteral("Impossibile sostituire ") + nativo(archivio) + QStringLiteral(" con l'archivio convertito."));
    } catch (...) {
        QFile::remove(bozza);
        // Only a name that still is the untouched original, never anything else.
        if (collegato && identita(originale) && identita(originale) == identita(archivio))
            QFile::remove(originale);
        throw;
    }
    sincronizzaCartella(cartella);
    passo("rinominato");
    return r;
}

RiepilogoCopia CopiaInCartella(const QString &origine, const QString &cartella, const AvanzamentoCopia &avanzamento)
{
    const QFileInfo info(cartella);
    if (info.exists() && !info.isDir())
        fallisci(QStringLiteral("La destinazione ") + nativo(cartella) + QStringLiteral(" è un file, non una cartella."));
    const bool creata = !info.exists();
    if (creata && !QDir().mkpath(cartella))
        fallisci(QStringLiteral("Impossibile creare la cartella ") + nativo(cartella) + QLatin1Char('.'));
    const QDir dir(cartella);
    const QString archivio = dir.filePath(NomeFileArchivio);
    const QString bozza = bozzaCopia(dir);
    std::unique_ptr<QLockFile> blocco;
    try {
        blocco = bloccaCartella(cartella);
        if (!blocco)
            cartellaOccupata(cartella);
        riordina(cartella);
        // Checked again just before the rename: a desk may have saved into it meanwhile.
        auto controllaDestinazione = [&] {
            if (!QFileInfo::exists(archivio))
                return;
            if (!EFileSqlite(archivio))
                fallisci(QStringLiteral("La cartella ") + nativo(cartella) +
                         QStringLiteral(" contiene già un file archivio.mdb che non è un archivio di questo programma."));
            if (!ApriMotoreSqlite(archivio, false, true)->Vuoto())
                fallisci(QStringLiteral("La cartella ") + nativo(cartella) +
                         QStringLiteral(" contiene già un archivio con dei movimenti: scegliere una cartella vuota."));
        };
        controllaDestinazione();
        RiepilogoCopia r;
        std::optional<Piattaforma::IdentitaFile> verificata;
        {
            const Origine o = apriSorgente(origine);
            r = originaleIntatto(origine, [&] {
                return copiaInBozza(*o.sorgente, bozza, [&](qint64 fatte, qint64 attese) {
                    passo("righe");
                    if (avanzamento)
                        avanzamento(fatte, attese);
                });
            });
            verificata = identita(bozza);
        }
        passo("verificata");
        controllaDestinazione();
        // Only the file that was checked goes in place.
        if (verificata != identita(bozza))
            fallisci(QStringLiteral("L'archivio copiato ") + nativo(bozza) +
                     QStringLiteral(" è stato cambiato da un altro programma prima di prendere il suo nome: la copia è "
                                    "stata scartata."));
        if (!sostituisci(bozza, archivio))
            fallisci(QStringLiteral("Impossibile dare il nome ") + nativo(archivio) + QStringLiteral(" all'archivio copiato."));
        sincronizzaCartella(cartella);
        return r;
    } catch (...) {
        // Without the lock the names are another process's business.
        if (blocco) {
            QFile::remove(bozza);
            QFile::remove(bozza + QStringLiteral("-journal"));
            blocco.reset();
        }
        if (creata)
            QDir().rmdir(cartella);
        throw;
    }
}

RiepilogoCopia CopiaSuServer(const QString &origine, const QString &uri, const AvanzamentoCopia &avanzamento)
{
    // The table is made on the first connection when the database has none; the target refuses a
    // table that already holds movements, and a failed copy leaves it empty again.
    const std::unique_ptr<Motore> motore = ApriMotorePostgres(uri);
    const Origine o = apriSorgente(origine);
    DestinazioneArchivio destinazione(*motore);
    return CopiaArchivio(*o.sorgente, destinazione, avanzamento);
}

int CopiaDaRigaDiComando(const QStringList &argomenti)
{
    if (argomenti.size() != 2) {
        std::fprintf(stderr, "Uso: spesario --copia-archivio ORIGINE DESTINAZIONE\n"
                             "  ORIGINE       un archivio Access del programma precedente, un archivio di questo programma\n"
                             "                (il file o la sua cartella) o l'indirizzo postgresql://... di un archivio su server\n"
                             "  DESTINAZIONE  la cartella che conterrà il nuovo archivio.mdb (creata se manca),\n"
                             "                o l'indirizzo postgresql://utente@server/database di un database vuoto\n");
        return 2;
    }
    const bool terminale = Piattaforma::StderrTerminale();
    try {
        const AvanzamentoCopia avanzamento = [&](qint64 fatte, qint64 attese) {
            if (!terminale)
                return;
            if (attese > 0)
                std::fprintf(stderr, "\rCopiati %lld movimenti di %lld (%lld%%)", qlonglong(fatte), qlonglong(attese),
                             qlonglong(fatte * 100 / attese));
            else
                std::fprintf(stderr, "\rCopiati %lld movimenti", qlonglong(fatte));
            std::fflush(stderr);
        };
        const bool server = ConnessioneServer(argomenti[1]);
        const RiepilogoCopia r = server ? CopiaSuServer(argomenti[0], argomenti[1], avanzamento)
                                        : CopiaInCartella(argomenti[0], argomenti[1], avanzamento);
        if (terminale)
            std::fprintf(stderr, "\n");
        const QString esito = QStringLiteral("Archivio copiato e verificato: ") +
                              (server ? argomenti[1] : nativo(QDir(argomenti[1]).filePath(NomeFileArchivio))) +
                              QLatin1Char('\n') + TestoRiepilogo(r);
        std::fputs(esito.toUtf8().constData(), stdout);
        std::fflush(stdout);
        return 0;
    } catch (const ErroreApp &e) {
        if (terminale)
            std::fprintf(stderr, "\n");
        std::fprintf(stderr, "Copia non riuscita: %s\n", e.descrizione().toUtf8().constData());
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "Copia non riuscita: memoria esaurita.\n");
    }
    return 1;
}
