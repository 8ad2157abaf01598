#include "store/engines/libpq.h"

#include "values/errore.h"

#include <QLibrary>

namespace {

LibPq carica()
{
#ifdef Q_OS_WIN
    QLibrary libreria(QStringLiteral("libpq"));
#else
    QLibrary libreria(QStringLiteral("pq"), 5);
#endif
    const auto manca = [&libreria](const QString &cosa) {
        return ErroreApp(CodiciErrore::ServerInterrotto,
                         QStringLiteral("Impossibile usare un archivio su server: ") + cosa +
                             QStringLiteral(" Reinstallare il programma. (") + libreria.errorString() +
                             QLatin1Char(')'));
    };
    if (!libreria.load())
        throw manca(QStringLiteral("la libreria di PostgreSQL (libpq) non si trova su questo computer."));
    LibPq pq;
    // Every function is looked up now, so that a libpq too old for one fails here, not halfway
    // through a statement.
#define SPESARIO_PQ(nome)                                                                                  \
    pq.nome = reinterpret_cast<decltype(pq.nome)>(libreria.resolve(#nome));                                \
    if (!pq.nome)                                                                                          \
        throw manca(QStringLiteral("la libreria di PostgreSQL (libpq) installata è troppo vecchia: manca " #nome "."));
#include "store/engines/libpq_funzioni.h"
#undef SPESARIO_PQ
    // Loaded for the rest of the process: the engine's connections live as long as it.
    return pq;
}

} // namespace

const LibPq &Pq()
{
    // A failed load throws before the value is made, so the next call tries again.
    static const LibPq pq = carica();
    return pq;
}
