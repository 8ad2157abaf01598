#include "ledger/icone.h"

QIcon IconaComando(int) { return QIcon(); }
QIcon IconaTrova() { return QIcon(); }
QIcon IconaFiltro() { return QIcon(); }
