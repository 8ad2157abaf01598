#pragma once
// The one error type of the program and the error reporter that logs a failure and lets the user
// choose between going on and ending the program.

#include <QString>
#include <exception>
#include <functional>

class QWidget;

// A failure with a number and a description. Database failures carry the engine's code and message.
class ErroreApp : public std::exception {
public:
    ErroreApp(int numero, QString descrizione);
    int numero() const { return m_numero; }
    const QString &descrizione() const { return m_descrizione; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    int m_numero;
    QString m_descrizione;
    QByteArray m_utf8;
};

// Numbers of the program's own failures (database failures use the engine's codes).
namespace CodiciErrore {
constexpr int NumeroNonValido = 13;       // a code or id text that is not an integer
constexpr int Overflow = 6;               // an amount that does not fit the currency type
constexpr int ArchivioNonTrovato = 3044;  // the archive folder or file is missing
constexpr int ArchivioIllegibile = 3343;  // the file is not an archive this program can read
constexpr int ArchivioNonAperto = 3704;   // a query on a closed connection
constexpr int DataNonValida = 3075;       // a malformed date literal in a statement
constexpr int TestoNonValido = 3075;      // a text that cannot be written as a literal
constexpr int ImpostazioniNonScritte = 75;
constexpr int FileNonScritto = 61;
constexpr int ValoreNonValido = 13;       // a stored value that is not of its column's kind
constexpr int ServerInterrotto = 3151;    // the server cannot be reached or its connection went
constexpr int EsitoIncerto = 3153;        // a write whose confirmation the server's connection lost
} // namespace CodiciErrore

// Logs the failure to LOGERR, shows "Errore N. ... Continuare?" titled "Errore " + label, and on No
// ends the program at once through the exit function.
void SegnalaErrore(const QString &etichetta, const ErroreApp &errore, QWidget *parent = nullptr);

// Appends the failure's line to LOGERR and asks nothing: for work the user did not ask for (the daily
// backup), whose failure must never interrupt what the user is doing.
void RegistraErrore(const ErroreApp &errore);

// Runs one step of a procedure: a failure is reported with the label and the caller goes on with its
// next step. Returns true when the step completed.
bool EseguiPasso(const QString &etichetta, const std::function<void()> &passo, QWidget *parent = nullptr);

// The exit taken when the user answers No. Tests replace it; the default ends the process at once.
using FunzioneUscita = std::function<void(int codice)>;
void ImpostaFunzioneUscita(FunzioneUscita f);

// Where the log goes: beside the executable unless a folder is set (tests set their own).
void ImpostaCartellaLog(const QString &cartella);
QString PercorsoLog();
// The log's folder for a program in `cartellaProgramma`: that folder, or the program's data folder
// when it is the folder the Debian package installs programs into.
QString CartellaLogPredefinita(const QString &cartellaProgramma);
