#pragma once
// A start driven by a script instead of a clerk: a setup program's check on a desk with no one at
// it. With SPESARIO_RISPOSTE set in the environment ("si,no,..."), the start window goes on to the
// ledger at once, every question is answered from the list in order (past its end, with the
// question's default button), every message is written to standard error after its title, no file
// is chosen and no preview shown, and the program ends once the ledger window has loaded.

// True when the environment asks for such a start; the answers are then in place.
bool AvviaConRispostePreparate();
// Once the application's loop runs: Continua, the ledger's load, then the end.
void EseguiConRispostePreparate();
