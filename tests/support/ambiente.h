#pragma once
// What every test needs: its own folders, settings and log, a scripted message service, a
// replaceable exit, and a fresh archive with rows of its own.

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "widgets/messaggi.h"

#include <QApplication>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>

// Answers the program's boxes and dialogs from queues and keeps every message shown.
class MessaggiFinti : public ServizioMessaggi {
public:
    Risposta mostra(QWidget *parent, const Messaggio &m) override;
    QString fileDaSalvare(QWidget *parent, const RichiestaFile &r) override;
    void anteprimaStampa(QWidget *parent, const QString &titolo,
                         const std::function<void(QPrinter *)> &disegna) override;

    void azzera();
    QStringList testi() const;  // the texts of the messages shown, in order

    QList<Messaggio> messaggi;
    QList<Risposta> risposte;           // answers to Yes/No boxes, in order
    Risposta rispostaPredefinita = Risposta::Si;
    std::function<void(const Messaggio &)> allaDomanda;  // runs while a box is "open"
    QList<QString> file;                // answers to the save dialog; empty text cancels
    QList<RichiestaFile> richiesteFile;
    QStringList titoliAnteprima;
    QString pdfAnteprima;               // when set, the preview's pages are printed to this PDF
    int pagineAnteprima = 0;
};

// One per test executable: a temporary folder holding the settings file, the log, the shared data
// folder and the desktop; the message service and the exit replaced.
//
// Each test runs twice, once per archive engine: on SQLite files, and with SPESARIO_MOTORE=postgresql
// on a database of its own in the throwaway cluster that SPESARIO_TEST_PG names (tests/pg/cluster.sh
// starts it). Without that cluster the PostgreSQL run ends at once with the skip code.
class Ambiente {
public:
    Ambiente();
    ~Ambiente();
    static Ambiente &corrente();

    // Empties the settings, the log and the messages; a new archive folder for each call.
    void azzera();
    QString cartella() const { return m_dir.path(); }
    // Where "Connessione" points after apriArchivioNuovo(): the archive's folder, or the server's URI.
    QString connessione() const { return m_connessione; }
    // The archive's folder on SQLite; empty on the server.
    QString cartellaArchivio() const;
    // A new, empty archive (in its own folder, or the database emptied), opened as ConnArchivio and
    // named in the settings.
    void apriArchivioNuovo();
    // The archive of the last apriArchivioNuovo() opened again as ConnArchivio, as it is.
    void riapriArchivio();
    // Another program's connection to the same archive.
    std::unique_ptr<Motore> altraConnessione() const;
    QString righeLog() const;

    MessaggiFinti messaggi;
    int uscite = 0;  // times the error reporter ended the "program"

private:
    QTemporaryDir m_dir;
    int m_contatore = 0;
    QString m_cartellaArchivio;
    QString m_connessione;
    QString m_database;  // the test's own database on the server; empty on SQLite
};

// Whether this run's archives are on the PostgreSQL server. Only a test about the SQLite file itself
// asks, to skip: every other test runs the same on both engines.
bool ProvaSuServer();
#define SOLO_SQLITE(motivo)                                                                                     \
    do {                                                                                                        \
        if (ProvaSuServer())                                                                                    \
            QSKIP(motivo);                                                                                      \
    } while (false)

// Adds one movement directly, for fixtures; returns its ID.
qint64 InserisciRiga(const QString &data /* yyyy-MM-dd */, const QString &descrizione, const QString &entrata,
                     const QString &uscita, const QString &ragioneSociale, const QString &codiceFiscale,
                     const QString &partitaIva, qint64 codiceAna);
// One value of a query on the open archive; null when it fails or has no row.
QVariant ValoreSql(const QString &sql, const QVariantList &valori = {});
// Every row of a query on the open archive; empty (and a warning) when it fails.
QList<QVariantList> RigheSql(const QString &sql, const QVariantList &valori = {});
// A statement without rows on the open archive; false (and a warning) when it fails.
bool EseguiSql(const QString &sql, const QVariantList &valori = {});

// What differs between the engines in a test's own statements.
// "ok" when every page of the archive is sound, else what is wrong.
QString IntegritaArchivio();
// The tables in the archive (the program makes two: ANTICIPI and ULTIMI_ANTICIPI).
int TabelleArchivio();
// From now on every UPDATE of ANTICIPI fails with an engine error holding `testo`.
bool BloccaAggiornamenti(const QString &testo);
// The open archive's connection may read but not write (si), or write again.
void SoloLettura(bool si);

// The text of a PDF file (pdftotext), white space folded to single blanks.
QString TestoPdf(const QString &percorso);

// main() for a test executable: application, Italian locale, the environment above.
#define SPESARIO_TEST_MAIN(Classe)                                                                              \
    int main(int argc, char **argv)                                                                             \
    {                                                                                                           \
        QApplication app(argc, argv);                                                                           \
        Ambiente ambiente;                                                                                      \
        Classe t;                                                                                               \
        return QTest::qExec(&t, argc, argv);                                                                    \
    }
