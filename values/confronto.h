#pragma once
// How client names, tax codes and VAT numbers compare, wherever the program compares, groups or
// orders them: two texts are the same client text when they differ only in the case of their
// letters, accented ones included ("SOCIETÀ" and "società"), while accents count ("societa" is
// another text); they are ordered alphabetically as in Italian, an accented letter beside its plain
// one, case not mattering. Texts that sort equal have no order between them.
//
// The archive's columns fold only the ASCII letters (SQLite's NOCASE); the lookups therefore ask
// for every spelling that differs in the case of the other letters (Grafie), and the program does
// the rest of the grouping and the ordering with the functions below.

#include <QCollator>
#include <QString>
#include <QStringList>

namespace Confronto {

// A text whose equal keys mean equal client texts: each letter in its folded case. A letter
// outside ASCII whose folded form is an ASCII letter (the long s, the Kelvin sign) is kept as it
// is, as the archive's folding keeps it.
QString Chiave(const QString &testo);
bool Uguali(const QString &a, const QString &b);

// The Italian collation, case not mattering (ICU's secondary strength: accents count).
const QCollator &Collatore();
QCollatorSortKey ChiaveOrdine(const QString &testo);
// Negative, zero or positive as a sorts before, with or after b.
int Ordine(const QString &a, const QString &b);

// Every text that differs from `testo` only in the case of its letters outside ASCII, `testo`
// itself first; ASCII letters are left as typed, since the archive folds them. Empty when there
// would be more than `massimo` of them.
QStringList Grafie(const QString &testo, int massimo);

} // namespace Confronto
