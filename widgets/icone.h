#pragma once
#include <QIcon>

// The icon of the command with the given id ("1" to "9" of the ledger's image list; "5" belongs to no
// command); 16 x 16 with a 32 x 32 twin for double-density screens, drawn by the program itself so that
// it shows on every desktop, themed or not. Any other id gives a null icon.
QIcon IconaComando(int id);
// The find button's icon: a folder with binoculars.
QIcon IconaTrova();
// The search window's filter button: a funnel.
QIcon IconaFiltro();
