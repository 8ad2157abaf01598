#include "bench/generatore.h"

#include "store/archivio.h"

#include <QDate>
#include <QFile>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

namespace {
const char *const Cognomi[] = {"Rossi", "Bianchi", "Ferrari", "Esposito", "Romano", "Colombo", "Ricci",
                               "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini",
                               "Costa", "Giordano", "Rizzo", "Lombardi", "Moretti", "Barbieri"};
const char *const Forme[] = {"%1 S.r.l.", "%1 & C. S.n.c.", "Studio %1", "L'Arte di %1", "Società %1 S.p.A.",
                             "Caffè %1", "%1 Nicolò", "D'Angelo %1", "Farmacia %1", "Officina %1 e Figli"};
const char *const Descrizioni[] = {"Marca da bollo", "Diritti camerali", "Spese postali", "Versamento F24",
                                   "Rimborso spese", "Acconto ricevuto", "Visura catastale", "Imposta di registro",
                                   "Notifica atto", "Saldo fattura n. 12; rata"};

void verifica(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(db));
}

QString codiceFiscale(std::mt19937 &g, int cliente)
{
    static const char lettere[] = "ABCDEFGHILMNOPRSTUVZ";
    QString cf;
    for (int i = 0; i < 6; ++i)
        cf += QLatin1Char(lettere[g() % 20]);
    cf += QStringLiteral("%1").arg(cliente % 100000, 5, 10, QLatin1Char('0'));
    for (int i = 0; i < 5; ++i)
        cf += QLatin1Char(lettere[g() % 20]);
    return cf.left(16);
}
} // namespace

ArchivioGenerato GeneraArchivio(const QString &file, const ParametriArchivio &p)
{
    QFile::remove(file);
    sqlite3 *db = nullptr;
    verifica(sqlite3_open(QFile::encodeName(file).constData(), &db), db);
    auto esegui = [&](const char *sql) { verifica(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db); };
    esegui("PRAGMA journal_mode=OFF");
    esegui("PRAGMA synchronous=OFF");
    esegui("CREATE TABLE ANTICIPI (ID INTEGER PRIMARY KEY AUTOINCREMENT, DATAOP TEXT NOT NULL, DESCRIZIONE TEXT,"
           " ENTRATA INTEGER NOT NULL DEFAULT 0, USCITA INTEGER NOT NULL DEFAULT 0, RAGIONESOCIALE TEXT COLLATE NOCASE,"
           " CODICEFISCALE TEXT COLLATE NOCASE, PARTITAIVA TEXT COLLATE NOCASE, CODICEANA INTEGER NOT NULL)");
    esegui("BEGIN");
    sqlite3_stmt *ins = nullptr;
    verifica(sqlite3_prepare_v2(db,
                                "INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?,?,?,?,?,?,?,?)",
                                -1, &ins, nullptr),
             db);

    std::mt19937 g(p.seme);
    struct Cliente {
        QByteArray nome, nomeVecchio, cf, piva;
    };
    std::vector<Cliente> clienti(p.clienti + 1);
    ArchivioGenerato r;
    r.file = file;
    for (int c = 1; c <= p.clienti; ++c) {
        const QString cognome = QString::fromUtf8(Cognomi[g() % 20]);
        const QString forma = QString::fromUtf8(Forme[g() % 10]);
        Cliente &k = clienti[c];
        k.nome = forma.arg(cognome + QLatin1Char(' ') + QString::number(c)).toUtf8();
        // One client in ten carries an older name in its older rows.
        k.nomeVecchio = (c % 10 == 0) ? QByteArray("Vecchia ") + k.nome : k.nome;
        k.cf = codiceFiscale(g, c).toUtf8();
        k.piva = QStringLiteral("%1").arg(10000000000LL + qint64(g()) % 89999999999LL).left(11).toUtf8();
    }
    clienti[1].nome = clienti[1].nomeVecchio = QByteArray("Società Antica Nicolò & C. S.r.l.");
    r.codiceFiscalePesante = QString::fromUtf8(clienti[1].cf);
    r.nomePesante = QString::fromUtf8(clienti[1].nome);

    const QDate oggi = QDate::currentDate();
    const QDate inizioAnno(oggi.year(), 1, 1);
    const QDate primo = QDate(oggi.year() - p.anni + 1, 1, 1);
    const int giorni = int(primo.daysTo(QDate(oggi.year(), 12, 31)));
    const int giorniAnno = int(inizioAnno.daysTo(QDate(oggi.year(), 12, 31)));
    const qint64 clienteRiscrittura = 2;
    r.codiceRiscrittura = clienteRiscrittura;

    // The heavy client, the rewrite client and the rest share the remaining rows.
    const int altri = p.movimenti - p.movimentiPesante - p.righeRiscrittura;
    for (int i = 0; i < p.movimenti; ++i) {
        qint64 codice;
        QDate data;
        if (i < p.movimentiPesante) {
            codice = 1;
            data = inizioAnno.addDays(g() % (giorniAnno + 1));
        } else if (i < p.movimentiPesante + p.righeRiscrittura) {
            codice = clienteRiscrittura;
            data = primo.addDays(g() % (giorni + 1));
        } else {
            codice = 3 + (g() % (p.clienti - 2));
            data = primo.addDays(g() % (giorni + 1));
        }
        Q_UNUSED(altri);
        const Cliente &k = clienti[codice];
        const bool entrata = g() % 4 == 0;
        const qint64 importo = qint64(g() % 500000) * 100;  // whole cents up to 5.000,00
        const QByteArray dataTesto = DataArchivio(data).toLatin1();
        const QByteArray &nome = data.year() < oggi.year() - 2 ? k.nomeVecchio : k.nome;
        const char *descr = Descrizioni[g() % 10];
        sqlite3_bind_text(ins, 1, dataTesto.constData(), dataTesto.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, descr, -1, SQLITE_STATIC);
        sqlite3_bind_int64(ins, 3, entrata ? importo : 0);
        sqlite3_bind_int64(ins, 4, entrata ? 0 : importo);
        sqlite3_bind_text(ins, 5, nome.constData(), nome.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 6, k.cf.constData(), k.cf.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 7, k.piva.constData(), k.piva.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int64(ins, 8, codice);
        verifica(sqlite3_step(ins), db);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    esegui("COMMIT");
    sqlite3_close(db);
    return r;
}
