#pragma once
// The operations the benchmark times: each through the program's windows, and its floor.

#include "bench/generatore.h"

#include <QDate>
#include <QString>
#include <QVector>
#include <functional>

class Pavimento;
class frmAnticipi;

struct Misura {
    QString nome;
    std::function<qint64()> programma;  // returns the rows concerned
    std::function<void()> pavimento;
    // The plain statement that produces the same result, with nothing the program chose to add
    // (checks, counts, a different statement); none where the floor is already that.
    std::function<void()> semplice = {};
    // Run before each timed run, outside the time: the state the operation starts from.
    std::function<void()> prepara = {};
    // When set: the rows concerned, counted after each timed run, outside the time (a check that
    // the program's own operation does not make).
    std::function<qint64()> conta = {};
    // Run once after the last round, outside the time: what the rounds added to the archive goes, so
    // that the operations after this one find it as generated.
    std::function<void()> fine = {};
};

class Operazioni {
public:
    Operazioni(const ArchivioGenerato &gen, Pavimento &pav, const QString &cartellaFile);
    QVector<Misura> Tutte();
    void Chiudi();
    // The rest of the ledger's list, loaded outside the timed part before the next operation.
    void Completa();

private:
    void mostraPesante();
    // The heavy client shown and wholly loaded, unless it already is: the state of the steps that
    // act on its list, so that each of them also runs alone (--solo).
    void pesanteMostrato();
    // The floor of a refresh's first screen.
    void primoSchermo(qint64 codice, const QDate &dal, const QDate &al);
    // The search window, the master-data rewrite and the two exports.
    void AggiungiAltre(QVector<Misura> &v);
    ArchivioGenerato m_gen;
    Pavimento &m_pav;
    QString m_cartella;
    frmAnticipi *m_w = nullptr;
};
