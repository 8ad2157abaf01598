// The rewriting of #mm/dd/yyyy# date literals, against a second, simpler reading of the rule:
// cut the statement at every quote; in the pieces outside quotes each literal of a real date
// becomes 'yyyy-MM-dd', and any other '#' there refuses the statement. Quoted text never changes.

#include "store/archivio.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

std::optional<QString> atteso(const QString &sql)
{
    static const QRegularExpression letterale(QStringLiteral("#([0-9]{2})/([0-9]{2})/([0-9]{4})#"));
    QStringList pezzi = sql.split(QLatin1Char('\''));
    for (int i = 0; i < pezzi.size(); i += 2) {  // the even pieces stand outside quotes
        QString fuori;
        int da = 0;
        auto m = letterale.globalMatch(pezzi[i]);
        while (m.hasNext()) {
            const QRegularExpressionMatch l = m.next();
            const QDate d(l.captured(3).toInt(), l.captured(1).toInt(), l.captured(2).toInt());
            if (!d.isValid())
                return std::nullopt;
            fuori += pezzi[i].mid(da, l.capturedStart() - da) + QLatin1Char('\'') +
                     d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
            da = l.capturedEnd();
        }
        fuori += pezzi[i].mid(da);
        if (fuori.contains(QLatin1Char('#')))  // the dates put in hold none
            return std::nullopt;
        pezzi[i] = fuori;
    }
    return pezzi.join(QLatin1Char('\''));
}

bool cancellettoFuori(const QString &sql)
{
    const QStringList pezzi = sql.split(QLatin1Char('\''));
    for (int i = 0; i < pezzi.size(); i += 2)
        if (pezzi[i].contains(QLatin1Char('#')))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    const QString sql = QString::fromUtf8(reinterpret_cast<const char *>(dati), qsizetype(n));
    const std::optional<QString> rif = atteso(sql);
    try {
        const QString r = RiscriviDateJet(sql);
        if (!rif || r != *rif || cancellettoFuori(r))
            std::abort();
    } catch (const ErroreApp &e) {
        if (rif || e.numero() != CodiciErrore::DataNonValida)
            std::abort();
    }
    return 0;
}
