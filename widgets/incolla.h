#pragma once
// What is pasted into a field (keys, the context menu, the middle button, a drop) passes through a
// rule before it goes in: the field's limit then counts what the rule kept. Typing is untouched.

#include <QString>
#include <functional>

class QLineEdit;

void RegolaIncolla(QLineEdit *campo, std::function<QString(const QString &)> regola);

// The rule of the client fields: blanks and line breaks around the pasted text dropped, so that
// " rssmra80a01h501u " is the 16-character tax code.
QString IncollaSenzaSpazi(const QString &testo);
