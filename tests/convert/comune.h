#pragma once
// What the conversion tests share: the Access files copied into dati/, reading a file, catching an
// error, casi.mdb with one value of one row changed, an archive compared with casi.mdb.

#include "convert/archivio_motore.h"
#include "convert/sorgente_access.h"
#include "values/errore.h"

#include <QFile>
#include <QtEndian>
#include <functional>

#include <glib.h>
#include <mdbtools.h>

inline QString dati(const QString &nome) { return QStringLiteral(DATI_CONVERSIONE "/") + nome; }

inline QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void scrivi(const QString &percorso, const QByteArray &byte)
{
    QFile f(percorso);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(byte);
}

// The description of the ErroreApp that f throws; empty when it throws none.
inline QString erroreDi(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ErroreApp &e) {
        return e.descrizione();
    }
    return QString();
}

// casi.mdb (or `d`, casi.mdb already changed) with the 4-byte integer column `colonna` (ID,
// CODICEANA) of the row with ID `id` set to `valore`, found through libmdb: the row's place in its
// page and the column's in the row.
inline QByteArray casiConIntero(qint32 id, const char *colonna, qint32 valore, QByteArray d = {})
{
    const QString casi = dati(QStringLiteral("casi.mdb"));
    if (d.isEmpty())
        d = leggi(casi);
    MdbHandle *mdb = mdb_open(QFile::encodeName(casi).constData(), MDB_NOFLAGS);
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef *t = mdb_read_table_by_name(mdb, const_cast<gchar *>("ANTICIPI"), MDB_TABLE);
    mdb_read_columns(t);
    int posizioneId = -1, posizione = -1;
    for (guint i = 0; i < t->columns->len; ++i) {
        const auto *c = static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i));
        if (qstrcmp(c->name, "ID") == 0)
            posizioneId = c->fixed_offset;
        if (qstrcmp(c->name, colonna) == 0)
            posizione = c->fixed_offset;
    }
    mdb_rewind_table(t);
    while (mdb_fetch_row(t)) {
        int inizio = 0;
        size_t n = 0;
        mdb_find_row(mdb, int(t->cur_row) - 1, &inizio, &n);
        // Jet 4 rows begin with their 2-byte column count, then the fixed columns.
        const qint64 riga = qint64(t->cur_phys_pg) * 4096 + (inizio & 0x1fff) + 2;
        if (qFromLittleEndian<qint32>(d.constData() + riga + posizioneId) == id)
            qToLittleEndian(valore, d.data() + riga + posizione);
    }
    mdb_free_tabledef(t);
    mdb_close(mdb);
    return d;
}

// Every row of the archive behind `motore` against what the Access source reads from casi.mdb,
// field by field: returns the rows compared, or -1 at the first difference.
inline int UgualeACasi(Motore &motore)
{
    SorgenteAccess access(dati(QStringLiteral("casi.mdb")));
    QMap<qint64, RigaAnticipi> attese;
    for (RigaAnticipi a; access.Leggi(a);)
        attese.insert(a.id, a);
    SorgenteArchivio copia(motore);
    int n = 0;
    for (RigaAnticipi c; copia.Leggi(c); ++n) {
        const RigaAnticipi &a = attese[c.id];
        if (c.dataOp != a.dataOp || c.entrata != a.entrata || c.uscita != a.uscita || c.codiceAna != a.codiceAna ||
            c.descrizione != a.descrizione || c.ragioneSociale != a.ragioneSociale ||
            c.codiceFiscale != a.codiceFiscale || c.partitaIva != a.partitaIva || c.oraTolta || c.importoNullo)
            return -1;
    }
    return n;
}
