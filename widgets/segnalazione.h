#pragma once
// The asking half of the error reporter: it logs a failure through values/errore.h and lets the user
// choose between going on and ending the program.

#include "values/errore.h"

#include <QString>
#include <functional>

class QWidget;

// Logs the failure to LOGERR, shows "Errore N. ... Continuare?" titled "Errore " + label, and on No
// ends the program at once through the exit function.
void SegnalaErrore(const QString &etichetta, const ErroreApp &errore, QWidget *parent = nullptr);

// Runs one step of a procedure: a failure is reported with the label and the caller goes on with its
// next step. Returns true when the step completed.
bool EseguiPasso(const QString &etichetta, const std::function<void()> &passo, QWidget *parent = nullptr);
