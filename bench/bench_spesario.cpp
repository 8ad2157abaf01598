// Times every main operation of the program on a generated archive of a million movements, through
// the program's real windows (offscreen, dialogs scripted), beside the same statements run straight
// by SQLite. Prints one table and writes it to a file.
//
//   bench_spesario [--movimenti N] [--giri N] [--uscita FILE] [--access FILE [--solo-access]] [--solo-copia]
//                  [--pg postgresql://...] [--solo TESTO]
//
// With --pg the generated archive is copied (by the program's copy engine) into that database, whose
// table must hold no movement, timed beside psql's \copy of the same rows; then every operation runs
// there, beside the same statements through libpq; the daily backup, which a server archive does not
// have, is left out.
// With --access, the conversion of that Access archive comes first (its peak memory is that of the
// child that converts, measured before any other child runs); --solo-access stops there.
// --solo-copia times only the daily backup (with --pg: only the copy into the server).
// --solo TESTO times only the operations whose name holds that text (for a profile of one of them);
// the ledger's steps after the first read the client the first one showed.

#include "bench/conversione.h"
#include "bench/generatore.h"
#include "bench/lettura_pg.h"
#include "bench/operazioni.h"
#include "bench/pavimento.h"
#include "convert/scambio.h"

#include "store/archivio.h"
#include "store/backup.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "values/costanti.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

long piccoMemoriaMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

struct Riga {
    QString operazione;
    qint64 righe = 0;
    QVector<double> programma, pavimento;
    // The plain statement producing the same result; empty where the floor is that statement.
    QVector<double> semplice;
    long memoriaMb = 0;
};

double mediana(QVector<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

QString ms(double v) { return QString::number(v, 'f', v < 10 ? 2 : 1); }

QString tabella(const QVector<Riga> &righe, int giri, bool server)
{
    QString t;
    QTextStream o(&t);
    o << QStringLiteral("| operazione | righe | mediana ms | min-max ms | pavimento ms | rapporto | istruzione semplice ms "
                        "| rapporto sulla semplice | picco MB |\n");
    o << QStringLiteral("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    auto rapporto = [](double m, double p) { return p > 0 ? QString::number(m / p, 'f', 2) : QStringLiteral("-"); };
    for (const Riga &r : righe) {
        const double m = mediana(r.programma), p = mediana(r.pavimento);
        const double s = r.semplice.isEmpty() ? p : mediana(r.semplice);
        const auto [mn, mx] = std::minmax_element(r.programma.begin(), r.programma.end());
        o << "| " << r.operazione << " | " << r.righe << " | " << ms(m) << " | " << ms(*mn) << "-" << ms(*mx)
          << " | " << ms(p) << " | " << rapporto(m, p) << " | " << ms(s) << " | " << rapporto(m, s) << " | "
          << r.memoriaMb << " |\n";
    }
    o << "\n" << giri
      << (server ? QStringLiteral(" giri per operazione; pavimento: le stesse istruzioni inviate da libpq al server "
                                  "PostgreSQL, le righe lette una alla volta; le esportazioni scrivono lo stesso "
                                  "testo CSV; per la copia sul server \\copy di psql delle stesse righe, in una "
                                  "transazione con gli stessi indici.\n")
                 : QStringLiteral(" giri per operazione; pavimento: le stesse istruzioni eseguite da SQLite "
                                  "(API C), le esportazioni scrivono lo stesso testo CSV; "
                                  "per la conversione libmdb che legge ogni riga e SQLite che le inserisce in una "
                                  "transazione e costruisce gli stessi indici.\n"))
      << QStringLiteral("Istruzione semplice: l'istruzione che dà lo stesso risultato senza ciò che il programma "
                        "aggiunge o cambia (le esportazioni senza i controlli dei valori scritti da altri programmi "
                        "e senza gli estremi della barra di avanzamento, la finestra Trova con il raggruppamento di tutta la "
                        "tabella); dove il programma esegue già l'istruzione semplice è il pavimento stesso. "
                        "Per l'avvio, pavimento una finestra vuota, istruzione semplice la stessa finestra con una "
                        "riga di testo (che carica la configurazione dei caratteri, come ogni finestra con testo); "
                        "ogni processo è misurato fino alla sua uscita.\n");
    return t;
}

double tempoProcesso(const QString &programma, const QStringList &argomenti, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(programma, argomenti);
    p.waitForFinished(60000);
    return t.nsecsElapsed() / 1e6;
}

// The daily backup of the whole archive as the program makes it (in steps from the event loop),
// beside one sqlite3_backup_step(-1) of the same file as the floor. Also gives the longest turn of
// the event loop that the copy took: how long the window could not answer.
Riga misuraCopia(const QString &file, int giri, double *turnoMassimo, int *turni)
{
    Riga r;
    r.operazione = QStringLiteral("copia di sicurezza giornaliera (pagine)");
    const QString cartella = CopiaGiornaliera::Cartella(file);
    Archivio::ConnArchivio().Apri(file, false);
    CopiaGiornaliera::ImpostaAttiva(true);
    CopiaGiornaliera::ImpostaRitardo(0);
    for (int g = 0; g < giri; ++g) {
        QDir(cartella).removeRecursively();
        QObject proprietario;
        QElapsedTimer t;
        t.start();
        CopiaGiornaliera::Avvia(&proprietario);
        while (CopiaGiornaliera::InCorso())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        r.programma << t.nsecsElapsed() / 1e6;
        const CopiaGiornaliera::Misure m = CopiaGiornaliera::UltimeMisure();
        if (!QFile::exists(QDir(cartella).filePath(CopiaGiornaliera::NomeFile(QDate::currentDate()))))
            std::fprintf(stderr, "La copia non è stata fatta: vedere LOGERR\n");
        *turnoMassimo = std::max(*turnoMassimo, m.turnoMassimoMs);
        *turni = m.turni;
        r.righe = m.pagine;

        const QString pavimento = QDir(cartella).filePath(QStringLiteral("pavimento.mdb"));
        QFile::remove(pavimento);
        t.restart();
        sqlite3 *da = nullptr, *a = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &da, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_open_v2(QFile::encodeName(pavimento).constData(), &a, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_backup *b = sqlite3_backup_init(a, "main", da, "main");
        sqlite3_backup_step(b, -1);
        sqlite3_backup_finish(b);
        sqlite3_close(a);
        sqlite3_close(da);
        r.pavimento << t.nsecsElapsed() / 1e6;
    }
    QDir(cartella).removeRecursively();
    CopiaGiornaliera::ImpostaAttiva(false);
    Archivio::Rilascia();
    r.memoriaMb = piccoMemoriaMb();
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    Ambiente ambiente;

    ParametriArchivio par;
    int giri = 5;
    QString uscita = QStringLiteral("bench_risultati.md");
    QString access, server, solo;
    const QStringList args = app.arguments();
    const bool soloAccess = args.contains(QStringLiteral("--solo-access"));
    const bool soloCopia = args.contains(QStringLiteral("--solo-copia"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--access"))
            access = args[i + 1];
        if (args[i] == QLatin1String("--pg"))
            server = args[i + 1];
        if (args[i] == QLatin1String("--movimenti"))
            par.movimenti = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--giri"))
            giri = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--uscita"))
            uscita = args[i + 1];
        else if (args[i] == QLatin1String("--solo"))
            solo = args[i + 1];
    }
    if (par.movimenti < 100000) {
        par.clienti = qMax(100, par.movimenti / 100);
        par.movimentiPesante = par.movimenti / 50;
        par.righeRiscrittura = qMax(10, par.movimenti / 1000);
    }

    const auto scelta = [&solo](const QString &operazione) { return operazione.contains(solo, Qt::CaseInsensitive); };
    QTemporaryDir dir;
    QVector<Riga> righe;

    // The conversion: the program's command line as a child, beside libmdb and SQLite alone.
    if (!access.isEmpty()) {
        Riga r;
        r.operazione = QStringLiteral("conversione da Access (riga di comando)");
        for (int g = 0; g < giri; ++g) {
            const MisuraConversione m =
                MisuraCopia(QStringLiteral(ESEGUIBILE_SPESARIO), access, dir.filePath(QStringLiteral("copia")));
            if (!m.ok) {
                std::fprintf(stderr, "Conversione di %s non riuscita\n", qPrintable(access));
                return 1;
            }
            r.programma << m.ms;
            r.righe = m.righe;
            r.memoriaMb = m.piccoMb;
            const QString floor = dir.filePath(QStringLiteral("pavimento.mdb"));
            QFile::remove(floor);
            QElapsedTimer t;
            t.start();
            PavimentoConversione(access, floor);
            r.pavimento << t.nsecsElapsed() / 1e6;
            QFile::remove(floor);
        }
        righe << r;
        std::fprintf(stderr, "%s\n", qPrintable(r.operazione));
    }

    QString nota;  // what a row of the table cannot say
    auto scriviTabella = [&] {
        const QString t = tabella(righe, giri, !server.isEmpty()) + (nota.isEmpty() ? QString() : QLatin1Char('\n') + nota);
        std::printf("%s", t.toUtf8().constData());
        QFile f(uscita);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(t.toUtf8());
        std::fprintf(stderr, "Tabella scritta in %s\n", qPrintable(QFileInfo(uscita).absoluteFilePath()));
        return 0;
    };
    if (soloAccess)
        return scriviTabella();

    const QString cartella = dir.filePath(QStringLiteral("archivio"));
    QDir().mkpath(cartella);
    const QString file = QDir(cartella).filePath(NomeFileArchivio);
    std::fprintf(stderr, "Genero l'archivio: %d movimenti, %d clienti...\n", par.movimenti, par.clienti);
    const ArchivioGenerato gen = GeneraArchivio(file, par);
    {
        QElapsedTimer t;
        t.start();
        Archivio::ConnArchivio().Apri(file, false);  // builds the indexes, as the program's first open does
        nota += QStringLiteral("La prima apertura dell'archivio generato, che costruisce gli indici, ha richiesto %1 ms.\n")
                    .arg(t.nsecsElapsed() / 1e6, 0, 'f', 0);
    }
    Archivio::Rilascia();
    if (server.isEmpty() && !scelta(QStringLiteral("copia di sicurezza giornaliera (pagine)"))) {
        Impostazioni::Scrivi(Impostazioni::Connessione, cartella);
    } else if (server.isEmpty()) {
        Impostazioni::Scrivi(Impostazioni::Connessione, cartella);
        double turnoMassimo = 0;
        int turni = 0;
        righe << misuraCopia(file, giri, &turnoMassimo, &turni);
        std::fprintf(stderr, "%s\n", qPrintable(righe.last().operazione));
        nota += QStringLiteral("La copia di sicurezza ha fatto %1 turni del ciclo degli eventi; il più lungo: %2 ms.\n")
                   .arg(turni)
                   .arg(turnoMassimo, 0, 'f', 1);
        if (soloCopia)
            return scriviTabella();
    } else {
        // The copy into the server, beside psql's \copy of the same rows (read back from the server
        // after a first copy, not timed), each into the emptied table, alternating; the program's copy
        // comes last, so that the operations below run on the table it filled.
        Riga r;
        r.operazione = QStringLiteral("copia dell'archivio sul server (motore di copia)");
        const QString righeCopia = dir.filePath(QStringLiteral("righe.copy"));
        for (int g = -1; g < giri; ++g) {
            if (g >= 0) {
                const double tempo = SvuotaServer(server) ? PavimentoCopiaServer(server, righeCopia) : -1;
                if (tempo < 0 || !SvuotaServer(server))
                    return 1;
                r.pavimento << tempo;
            }
            std::fprintf(stderr, "Copio l'archivio in %s...\n", qPrintable(server));
            QElapsedTimer t;
            t.start();
            try {
                r.righe = CopiaSuServer(file, server).movimenti;
            } catch (const ErroreApp &e) {
                std::fprintf(stderr, "%s\n", qPrintable(e.descrizione()));
                return 1;
            }
            if (g >= 0)
                r.programma << t.nsecsElapsed() / 1e6;
            else if (!EsportaRigheServer(server, righeCopia))
                return 1;
        }
        r.memoriaMb = piccoMemoriaMb();
        righe << r;
        std::fprintf(stderr, "%s\n", qPrintable(r.operazione));
        if (soloCopia)
            return scriviTabella();
        Impostazioni::Scrivi(Impostazioni::Connessione, server);
    }

    // Start-up: the whole process, beside a minimal Qt Widgets program showing one empty window, and
    // the same showing one line of text (avvio.cpp);
    // first to the start window, what a user who starts the program waits for, then on through its
    // Continua to the ledger window.
    const QList<QPair<QString, QStringList>> avvii = {
        {QStringLiteral("avvio fino alla finestra iniziale"), {QStringLiteral("--finestra-iniziale")}},
        {QStringLiteral("avvio fino alla finestra Anticipi"), {}}};
    for (const auto &[operazione, argomenti] : avvii) {
        if (!scelta(operazione))
            continue;
        Riga r;
        r.operazione = operazione;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SPESARIO_BENCH_INI"), Impostazioni::File());
        for (int g = 0; g < giri; ++g) {
            r.programma << tempoProcesso(QStringLiteral(ESEGUIBILE_AVVIO), argomenti, env);
            r.pavimento << tempoProcesso(QStringLiteral(ESEGUIBILE_FINESTRA_VUOTA), {}, env);
            r.semplice << tempoProcesso(QStringLiteral(ESEGUIBILE_FINESTRA_VUOTA), {QStringLiteral("--scritta")}, env);
        }
        r.memoriaMb = piccoMemoriaMb();
        righe << r;
        std::fprintf(stderr, "%s\n", qPrintable(r.operazione));
    }

    std::unique_ptr<Pavimento> pav = server.isEmpty() ? PavimentoSqlite(file) : PavimentoPostgres(server);
    Operazioni op(gen, *pav, dir.path());
    for (auto &misura : op.Tutte()) {
        if (!scelta(misura.nome))
            continue;
        Riga r;
        r.operazione = misura.nome;
        for (int g = 0; g < giri; ++g) {
            if (misura.prepara)
                misura.prepara();
            QElapsedTimer t;
            t.start();
            r.righe = misura.programma();
            r.programma << t.nsecsElapsed() / 1e6;
            if (misura.conta)
                r.righe = misura.conta();
            op.Completa();
            t.restart();
            misura.pavimento();
            r.pavimento << t.nsecsElapsed() / 1e6;
            if (misura.semplice) {
                t.restart();
                misura.semplice();
                r.semplice << t.nsecsElapsed() / 1e6;
            }
        }
        if (misura.fine)
            misura.fine();
        r.memoriaMb = piccoMemoriaMb();
        righe << r;
        std::fprintf(stderr, "%s\n", qPrintable(r.operazione));
    }
    op.Chiudi();

    // The client library: every row and column read through the program's engine (libpq) and
    // through Qt's QPSQL driver, each beside libpq alone.
    if (!server.isEmpty()) {
        for (const bool qpsql : {false, true}) {
            Riga r;
            r.operazione = qpsql ? QStringLiteral("lettura di tutte le righe con il driver QPSQL di Qt (confronto)")
                                 : QStringLiteral("lettura di tutte le righe con il motore del programma (libpq)");
            if (!scelta(r.operazione))
                continue;
            for (int g = 0; g < giri; ++g) {
                QElapsedTimer t;
                t.start();
                r.righe = qpsql ? LeggiTuttoConQpsql(server) : LeggiTuttoConMotore(server);
                r.programma << t.nsecsElapsed() / 1e6;
                t.restart();
                pav->Righe(QStringLiteral("SELECT * FROM ANTICIPI"));
                r.pavimento << t.nsecsElapsed() / 1e6;
            }
            r.memoriaMb = piccoMemoriaMb();
            if (r.righe < 0) {
                nota += QStringLiteral("Driver QPSQL di Qt non installato (pacchetto libqt6sql6-psql): confronto omesso.\n");
                continue;
            }
            righe << r;
            std::fprintf(stderr, "%s\n", qPrintable(r.operazione));
        }
    }
    return scriviTabella();
}
