#pragma once
// libpq, loaded when the first server archive is opened instead of with the program: most desks
// work on an SQLite file and never need it, and loading it with the libraries it brings (TLS,
// Kerberos, LDAP) took a fifth of the program's own start. The PostgreSQL engine calls it only
// through Pq(). Nothing outside store/engines/ includes this.

#include <libpq-fe.h>

struct LibPq {
#define SPESARIO_PQ(nome) decltype(&::nome) nome = nullptr;
#include "store/engines/libpq_funzioni.h"
#undef SPESARIO_PQ
};

// The functions, loaded at the first call. Throws ErroreApp when libpq cannot be loaded: the
// archive on the server cannot be opened, and the message says what is missing.
const LibPq &Pq();
