#pragma once
#include <QIcon>

// The icon of the command with the given id ("1" to "9" of the ledger's image list); 16 x 16, drawn
// by the program itself so that it shows on every desktop, themed or not.
QIcon IconaComando(int id);
// The find button's icon: a folder with binoculars.
QIcon IconaTrova();
// The search window's filter button: a funnel.
QIcon IconaFiltro();
