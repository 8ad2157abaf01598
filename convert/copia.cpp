#include "convert/copia.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct Totali {
    Somma entrate = 0;
    Somma uscite = 0;
    qint64 righe = 0;
};

[[noreturn]] void verificaFallita(const QString &dettaglio)
{
    throw ErroreApp(ErroreConversione,
                    QStringLiteral("Verifica dell'archivio convertito non superata: ") + dettaglio +
                        QStringLiteral(". L'archivio convertito è stato scartato."));
}

// What the source gave, kept small: one ID per row (8 bytes) and one entry per client.
struct Impronta {
    std::vector<qint64> id;
    std::map<qint64, Totali> clienti;
};

void confronta(DestinazioneCopia &destinazione, const Impronta &sorgente, const RiepilogoCopia &r)
{
    std::map<qint64, Totali> clienti;
    qint64 righe = 0, idMassimo = 0;
    size_t i = 0;
    destinazione.Rileggi([&](qint64 id, qint64 codiceAna, qint64 entrata, qint64 uscita) {
        if (i >= sorgente.id.size())
            verificaFallita(QStringLiteral("la riga con ID %1 non è nell'archivio di origine").arg(id));
        if (sorgente.id[i] < id)
            verificaFallita(QStringLiteral("manca la riga con ID %1").arg(sorgente.id[i]));
        if (sorgente.id[i] > id)
            verificaFallita(QStringLiteral("la riga con ID %1 non è nell'archivio di origine").arg(id));
        ++i;
        ++righe;
        idMassimo = std::max(idMassimo, id);
        Totali &t = clienti[codiceAna];
        t.entrate += entrata;
        t.uscite += uscita;
        ++t.righe;
    });
    if (righe != r.movimenti || i != sorgente.id.size())
        verificaFallita(QStringLiteral("%1 movimenti invece di %2").arg(righe).arg(r.movimenti));
    if (idMassimo != r.idMassimo)
        verificaFallita(QStringLiteral("ID più alto %1 invece di %2").arg(idMassimo).arg(r.idMassimo));
    if (clienti.size() != sorgente.clienti.size())
        verificaFallita(QStringLiteral("%1 clienti invece di %2").arg(clienti.size()).arg(sorgente.clienti.size()));
    for (const auto &[codice, t] : sorgente.clienti) {
        const auto it = clienti.find(codice);
        if (it == clienti.end() || it->second.righe != t.righe || it->second.entrate != t.entrate ||
            it->second.uscite != t.uscite)
            verificaFallita(QStringLiteral("i movimenti o i totali del cliente con codice %1 non corrispondono").arg(codice));
    }
}

} // namespace

RiepilogoCopia CopiaArchivio(SorgenteCopia &sorgente, DestinazioneCopia &destinazione,
                             const AvanzamentoCopia &avanzamento)
{
    RiepilogoCopia r;
    Impronta impronta;
    try {
        const qint64 attese = sorgente.RigheAttese();
        if (attese > 0)
            impronta.id.reserve(size_t(attese));
        destinazione.Inizia();
        RigaAnticipi riga;
        while (sorgente.Leggi(riga)) {
            destinazione.Scrivi(riga);
            impronta.id.push_back(riga.id);
            Totali &t = impronta.clienti[riga.codiceAna];
            t.entrate += riga.entrata;
            t.uscite += riga.uscita;
            ++t.righe;
            r.entrate += riga.entrata;
            r.uscite += riga.uscita;
            r.idMassimo = r.movimenti == 0 ? riga.id : std::max(r.idMassimo, riga.id);
            r.conOra += riga.oraTolta ? 1 : 0;
            r.importiNulli += riga.importoNullo ? 1 : 0;
            ++r.movimenti;
            if (avanzamento && r.movimenti % 4096 == 0)
                avanzamento(r.movimenti, attese);
        }
        r.clienti = qint64(impronta.clienti.size());
        if (avanzamento)
            avanzamento(r.movimenti, attese);
        destinazione.Completa();
        // The source's order is its own (an Access file gives its rows page by page): the check
        // walks both in ID order.
        std::sort(impronta.id.begin(), impronta.id.end());
        const auto doppio = std::adjacent_find(impronta.id.begin(), impronta.id.end());
        if (doppio != impronta.id.end())
            throw ErroreApp(ErroreConversione,
                            QStringLiteral("L'archivio di origine contiene due righe con lo stesso ID %1.").arg(*doppio));
        confronta(destinazione, impronta, r);
    } catch (...) {
        try {
            destinazione.Scarta();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    return r;
}

QString TestoSomma(Somma s)
{
    const bool negativo = s < 0;
    // Digits from the right, on the magnitude as unsigned so that the smallest value has one too.
    unsigned __int128 v = negativo ? -static_cast<unsigned __int128>(s) : static_cast<unsigned __int128>(s);
    QString decimali;
    for (int i = 0; i < 4; ++i) {
        decimali.prepend(QLatin1Char(char('0' + int(v % 10))));
        v /= 10;
    }
    while (decimali.size() > 2 && decimali.endsWith(QLatin1Char('0')))
        decimali.chop(1);
    QString intera;
    int cifre = 0;
    do {
        if (cifre > 0 && cifre % 3 == 0)
            intera.prepend(QLatin1Char('.'));
        intera.prepend(QLatin1Char(char('0' + int(v % 10))));
        v /= 10;
        ++cifre;
    } while (v != 0);
    return (negativo ? QStringLiteral("-") : QString()) + intera + QLatin1Char(',') + decimali;
}

QString TestoRiepilogo(const RiepilogoCopia &r)
{
    QString t;
    t += QStringLiteral("Movimenti: %1\n").arg(r.movimenti);
    t += QStringLiteral("Clienti: %1\n").arg(r.clienti);
    t += QStringLiteral("Totale entrate: ") + TestoSomma(r.entrate) + QLatin1Char('\n');
    t += QStringLiteral("Totale uscite: ") + TestoSomma(r.uscite) + QLatin1Char('\n');
    t += QStringLiteral("ID più alto: %1\n").arg(r.idMassimo);
    t += QStringLiteral("Movimenti con un'ora del giorno (tenuto solo il giorno): %1\n").arg(r.conOra);
    t += QStringLiteral("Movimenti con un importo nullo (portato a 0): %1\n").arg(r.importiNulli);
    return t;
}
