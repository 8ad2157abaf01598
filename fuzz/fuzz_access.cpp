// The Access source on damaged files: each input is an Access file (the seeds are real Jet 4 files),
// read row by row to its end as a conversion reads it. A damaged file or row must end in an
// ErroreApp, never in a crash, a read outside the row (AddressSanitizer), another exception or a
// text the archive cannot hold.

#include "convert/sorgente_access.h"
#include "values/errore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// libmdb opens a path: the input goes into a file in memory, named through /proc.
struct FileInMemoria {
    int fd = memfd_create("fuzz_access.mdb", 0);
    QString percorso = QStringLiteral("/proc/self/fd/%1").arg(fd);

    void scrivi(const uint8_t *dati, size_t n)
    {
        if (fd < 0 || ftruncate(fd, 0) != 0 || (n > 0 && pwrite(fd, dati, n, 0) != ssize_t(n)))
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    static FileInMemoria file;
    // What the source logs of libmdb's complaints goes to a folder of its own, emptied every run.
    static QTemporaryDir log;
    static const bool pronto = [] {
        ImpostaCartellaLog(log.path());
        return log.isValid();
    }();
    if (!pronto)
        std::abort();
    file.scrivi(dati, n);
    try {
        SorgenteAccess sorgente(file.percorso);
        for (RigaAnticipi r; sorgente.Leggi(r);) {
            for (const std::optional<QByteArray> *t : {&r.descrizione, &r.ragioneSociale, &r.codiceFiscale, &r.partitaIva})
                if (*t && (t->value().contains('\0') || QString::fromUtf8(**t).toUtf8() != **t))
                    std::abort();  // a NUL or a byte sequence that is not UTF-8
            if (!r.dataOp.isValid())
                std::abort();
        }
    } catch (const ErroreApp &) {
        // A damaged file or row, refused with its message: what must happen.
    }
    QFile::remove(QDir(log.path()).filePath(QStringLiteral("LOGERR")));
    return 0;
}
