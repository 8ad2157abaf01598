#pragma once
// The one error type of the program and the error reporter's core: the log LOGERR and the exit that
// ends the program. Asking the user is the reporter's other half, widgets/segnalazione.h.

#include <QString>
#include <exception>
#include <functional>

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
constexpr int ArchivioInUso = 3045;       // another program holds the file so that it cannot be read
constexpr int ArchivioNonAperto = 3704;   // a query on a closed connection
constexpr int DataNonValida = 3075;       // a malformed date literal in a statement
constexpr int TestoNonValido = 3075;      // a text that cannot be written as a literal
constexpr int ImpostazioniNonScritte = 75;
constexpr int FileNonScritto = 61;
constexpr int ValoreNonValido = 13;       // a stored value that is not of its column's kind
constexpr int ServerInterrotto = 3151;    // the server cannot be reached or its connection went
constexpr int EsitoIncerto = 3153;        // a write whose confirmation the server's connection lost
} // namespace CodiciErrore

// Appends the failure's line to LOGERR and asks nothing: for work the user did not ask for (the daily
// backup), whose failure must never interrupt what the user is doing.
void RegistraErrore(const ErroreApp &errore);

// The exit taken when the user answers No. Tests replace it; the default ends the process at once.
using FunzioneUscita = std::function<void(int codice)>;
void ImpostaFunzioneUscita(FunzioneUscita f);
// Ends the program through the exit function.
void TerminaProgramma(int codice);

// Where the log goes: beside the executable unless a folder is set (tests set their own).
void ImpostaCartellaLog(const QString &cartella);
QString PercorsoLog();
// The log's folder for a program in `cartellaProgramma`: that folder, or the program's data folder
// when it is the folder the Debian package installs programs into.
QString CartellaLogPredefinita(const QString &cartellaProgramma);
