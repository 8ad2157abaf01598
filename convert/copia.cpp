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

[[noreturn]] void idDoppio(qint64 id)
{
    throw ErroreApp(ErroreConversione, QStringLiteral("L'archivio di origine contiene due righe con lo stesso ID %1.").arg(id));
}

} // namespace

RiepilogoCopia CopiaArchivio(SorgenteCopia &sorgente, DestinazioneCopia &destinazione,
                             const AvanzamentoCopia &avanzamento)
{
    RiepilogoCopia r;
    Impronta impronta;
    try {
        const qint64 attese = sorgente.RigheAttese();
        // Only a hint: a damaged file may declare any number of rows.
        if (attese > 0)
            impronta.id.reserve(size_t(std::min<qint64>(attese, qint64(1) << 22)));
        destinazione.Inizia();
        // An ID or a client code the archive cannot use is written under a placeholder, a negative
        // number no kept row has, and renumbered above the highest once the last row is in.
        std::vector<qint64> idDaRinumerare;           // the source's ID of placeholder -1, -2, ...
        std::map<qint64, qint64> codiciProvvisori;    // the source's code and its placeholder
        qint64 idValidoMassimo = 0, codiceValidoMassimo = 0;
        RigaAnticipi riga;
        while (sorgente.Leggi(riga)) {
            if (riga.id < 1 || riga.id > IdMassimo) {
                idDaRinumerare.push_back(riga.id);
                riga.id = -qint64(idDaRinumerare.size());
            } else {
                idValidoMassimo = std::max(idValidoMassimo, riga.id);
            }
            if (riga.codiceAna < 1 || riga.codiceAna > CodiceMassimo)
                riga.codiceAna =
                    codiciProvvisori.try_emplace(riga.codiceAna, -qint64(codiciProvvisori.size()) - 1).first->second;
            else
                codiceValidoMassimo = std::max(codiceValidoMassimo, riga.codiceAna);
            try {
                destinazione.Scrivi(riga);
            } catch (const ErroreApp &) {
                // The target's own refusal of a second row with one ID names no row.
                if (std::find(impronta.id.begin(), impronta.id.end(), riga.id) != impronta.id.end())
                    idDoppio(riga.id);
                throw;
            }
            impronta.id.push_back(riga.id);
            Totali &t = impronta.clienti[riga.codiceAna];
            t.entrate += riga.entrata;
            t.uscite += riga.uscita;
            ++t.righe;
            r.entrate += riga.entrata;
            r.uscite += riga.uscita;
            r.conOra += riga.oraTolta ? 1 : 0;
            r.importiNulli += riga.importoNullo ? 1 : 0;
            ++r.movimenti;
            if (avanzamento && r.movimenti % 4096 == 0)
                avanzamento(r.movimenti, attese);
        }
        for (size_t k = 0; k < idDaRinumerare.size(); ++k) {
            const qint64 nuovo = idValidoMassimo + qint64(k) + 1;
            if (nuovo > IdMassimo)
                throw ErroreApp(ErroreConversione,
                                QStringLiteral("La riga con ID %1 non può essere rinumerata: l'archivio di origine usa già "
                                               "l'ID più alto ammesso (%2).").arg(idDaRinumerare[k]).arg(IdMassimo));
            destinazione.CambiaId(-qint64(k) - 1, nuovo);
            r.idRinumerati.push_back({idDaRinumerare[k], nuovo});
        }
        for (qint64 &id : impronta.id)
            if (id < 0)
                id = idValidoMassimo - id;
        // Codes in the order the rows met them: placeholder -1 gets the first new code.
        std::vector<Rinumerazione> codici(codiciProvvisori.size());
        for (const auto &[vecchio, provvisorio] : codiciProvvisori)
            codici[size_t(-provvisorio - 1)] = {vecchio, codiceValidoMassimo - provvisorio};
        for (size_t k = 0; k < codici.size(); ++k) {
            if (codici[k].nuovo > CodiceMassimo)
                throw ErroreApp(ErroreConversione,
                                QStringLiteral("Il codice cliente %1 non può essere rinumerato: l'archivio di origine usa "
                                               "già il codice più alto ammesso (%2).").arg(codici[k].vecchio).arg(CodiceMassimo));
            destinazione.CambiaCodice(-qint64(k) - 1, codici[k].nuovo);
            impronta.clienti[codici[k].nuovo] = impronta.clienti[-qint64(k) - 1];
            impronta.clienti.erase(-qint64(k) - 1);
        }
        r.codiciRinumerati = std::move(codici);
        r.idMassimo = idValidoMassimo + qint64(idDaRinumerare.size());
        r.clienti = qint64(impronta.clienti.size());
        if (avanzamento)
            avanzamento(r.movimenti, attese);
        destinazione.Completa();
        // The source's order is its own (an Access file gives its rows page by page): the check
        // walks both in ID order.
        std::sort(impronta.id.begin(), impronta.id.end());
        const auto doppio = std::adjacent_find(impronta.id.begin(), impronta.id.end());
        if (doppio != impronta.id.end())
            idDoppio(*doppio);
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

namespace {

QString righeOra(const RiepilogoCopia &r)
{
    return QStringLiteral("Movimenti con un'ora del giorno (tenuto solo il giorno): %1\n").arg(r.conOra);
}

QString righeNulli(const RiepilogoCopia &r)
{
    return QStringLiteral("Movimenti con un importo nullo (portato a 0): %1\n").arg(r.importiNulli);
}

// "... rinumerati: 2 (ID 0 ora è 18, ID -3 ora è 19)", the first twenty named.
QString righeRinumerati(const QString &titolo, const QString &nome, const std::vector<Rinumerazione> &v)
{
    QString t = titolo + QStringLiteral(": %1").arg(v.size());
    for (size_t i = 0; i < v.size() && i < 20; ++i)
        t += (i == 0 ? QStringLiteral(" (") : QStringLiteral(", ")) +
             QStringLiteral("%1 %2 ora è %3").arg(nome).arg(v[i].vecchio).arg(v[i].nuovo);
    if (!v.empty())
        t += v.size() > 20 ? QStringLiteral(", ...)") : QStringLiteral(")");
    return t + QLatin1Char('\n');
}

QString righeId(const RiepilogoCopia &r)
{
    return righeRinumerati(QStringLiteral("Movimenti con un ID non valido (0, negativo o oltre %1) rinumerati").arg(IdMassimo),
                           QStringLiteral("ID"), r.idRinumerati);
}

QString righeCodici(const RiepilogoCopia &r)
{
    return righeRinumerati(
        QStringLiteral("Clienti con un codice non valido (0, negativo o da %1 in su) rinumerati").arg(CodiceMassimo + 1),
        QStringLiteral("codice"), r.codiciRinumerati);
}

} // namespace

QString TestoRiepilogo(const RiepilogoCopia &r)
{
    QString t;
    t += QStringLiteral("Movimenti: %1\n").arg(r.movimenti);
    t += QStringLiteral("Clienti: %1\n").arg(r.clienti);
    t += QStringLiteral("Totale entrate: ") + TestoSomma(r.entrate) + QLatin1Char('\n');
    t += QStringLiteral("Totale uscite: ") + TestoSomma(r.uscite) + QLatin1Char('\n');
    t += QStringLiteral("ID più alto: %1\n").arg(r.idMassimo);
    t += righeOra(r) + righeNulli(r) + righeId(r) + righeCodici(r);
    return t;
}

QString TestoCambiamenti(const RiepilogoCopia &r)
{
    QString t;
    if (r.conOra > 0)
        t += righeOra(r);
    if (r.importiNulli > 0)
        t += righeNulli(r);
    if (!r.idRinumerati.empty())
        t += righeId(r);
    if (!r.codiciRinumerati.empty())
        t += righeCodici(r);
    t.chop(1);
    return t;
}
