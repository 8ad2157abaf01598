#include "store/valorinonvalidi.h"

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "values/costanti.h"

#include <algorithm>

namespace {
// How many values of each kind one message names.
constexpr int NominatiAlPiu = 10;

bool cifre(QByteArrayView t, int da, int n, int *valore)
{
    int v = 0;
    for (int i = da; i < da + n; ++i) {
        const char c = t[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *valore = v;
    return true;
}
} // namespace

QDate GiornoArchivio(const Recordset &rs, int posizione)
{
    if (rs.NulloCampo(posizione))
        return QDate();
    const QByteArrayView t = rs.Utf8Campo(posizione);
    int a = 0, m = 0, g = 0;
    if (t.size() != 10 || t[4] != '-' || t[7] != '-' || !cifre(t, 0, 4, &a) || !cifre(t, 5, 2, &m) ||
        !cifre(t, 8, 2, &g) || a == 0 || !QDate::isValid(a, m, g))
        return QDate();
    return QDate(a, m, g);
}

std::optional<Valuta> ImportoArchivio(const Recordset &rs, int posizione)
{
    const QVariant v = rs.Campo(posizione);
    if (v.isNull())
        return Valuta();
    // Only a whole number: a text is never read as its leading digits, a fraction never cut.
    if (v.typeId() != QMetaType::LongLong)
        return std::nullopt;
    return Valuta::daDecimillesimi(v.toLongLong());
}

QString TestoValore(const Recordset &rs, int posizione)
{
    const QVariant v = rs.Campo(posizione);
    if (v.isNull())
        return QStringLiteral("Null");
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 17);
    return v.toString();
}

QString IstruzioneDateNonValide(int limite)
{
    return QStringLiteral("SELECT ID, DATAOP FROM ANTICIPI WHERE ") + QLatin1String(DataNonNellaForma) +
           QStringLiteral(" LIMIT ") + QString::number(limite);
}

QString IstruzioneImportiNonValidi(const QDate &alGiorno, int limite)
{
    return QStringLiteral("SELECT ID, ENTRATA, USCITA FROM ANTICIPI WHERE DATAOP<=#") + DataSql(alGiorno) +
           QStringLiteral("# AND ") + QLatin1String(ImportoNonIntero) + QStringLiteral(" LIMIT ") + QString::number(limite);
}

QList<ValoreNonValido> DateNonValide(Archivio &archivio, int limite)
{
    QList<ValoreNonValido> r;
    if (!archivio.MotoreAperto().TipiPerValore())
        return r;  // a column of days holds days only
    Recordset rs = archivio.Query(IstruzioneDateNonValide(limite));
    for (; !rs.Fine(); rs.MoveNext())
        r.append({rs.Intero(QStringLiteral("ID")), QStringLiteral("DATAOP"), TestoValore(rs, 1)});
    rs.Chiudi();
    std::sort(r.begin(), r.end(), [](const ValoreNonValido &a, const ValoreNonValido &b) { return a.id < b.id; });
    return r;
}

QList<ValoreNonValido> ImportiNonValidi(Archivio &archivio, const QDate &alGiorno, int limite)
{
    QList<ValoreNonValido> r;
    if (!archivio.MotoreAperto().TipiPerValore())
        return r;
    Recordset rs = archivio.Query(IstruzioneImportiNonValidi(alGiorno, limite));
    for (; !rs.Fine(); rs.MoveNext()) {
        const qint64 id = rs.Intero(QStringLiteral("ID"));
        const std::optional<Valuta> entrata = ImportoArchivio(rs, 1), uscita = ImportoArchivio(rs, 2);
        if (!entrata || (rs.NulloCampo(1) && uscita))
            r.append({id, QStringLiteral("ENTRATA"), TestoValore(rs, 1)});
        if (!uscita || (rs.NulloCampo(2) && entrata))
            r.append({id, QStringLiteral("USCITA"), TestoValore(rs, 2)});
    }
    rs.Chiudi();
    return r;
}

ErroreApp ErroreValoriNonValidi(const QList<ValoreNonValido> &valori, const QString &conseguenza)
{
    // Each kind of value named up to the limit, so that a long list of one kind never hides another.
    QStringList voci;
    for (const bool date : {true, false}) {
        int nominati = 0;
        bool altri = false;
        for (const ValoreNonValido &v : valori) {
            if ((v.campo == QLatin1String("DATAOP")) != date)
                continue;
            if (nominati == NominatiAlPiu) {
                altri = true;
                continue;
            }
            ++nominati;
            voci << QStringLiteral("movimento con ID %1, campo %2: \"%3\" %4")
                        .arg(v.id)
                        .arg(v.campo, v.valore,
                             date ? QStringLiteral("non è una data nella forma aaaa-mm-gg")
                                  : QStringLiteral("non è un importo"));
        }
        // The checks stop after a few: how many more there are is not known.
        if (altri)
            voci << (date ? QStringLiteral("e altre date non valide") : QStringLiteral("e altri importi non validi"));
    }
    return ErroreApp(CodiciErrore::ValoreNonValido,
                     QStringLiteral("Valori non validi nell'archivio, scritti da un altro programma: ") +
                         voci.join(QStringLiteral("; ")) + QStringLiteral(". ") + conseguenza);
}
