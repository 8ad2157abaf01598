// The ledger window's offer, at load, to convert an archivio.mdb left by the earlier program.

#include "ledger/frmAnticipi.h"

#include "convert/scambio.h"
#include "convert/sorgente_access.h"
#include "store/archivio.h"
#include "store/impostazioni.h"
#include "widgets/messaggi.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

std::optional<RiepilogoCopia> frmAnticipi::ConvertiArchivioPrecedente()
{
    // The folder the open step will use: the one in the settings, or the first-run one, which may be
    // where the earlier program kept its archive.
    QString cartella = Impostazioni::Leggi(Impostazioni::Connessione);
    if (cartella.isEmpty())
        cartella = CartellaPrimoAvvio();
    while (cartella.size() > 1 && (cartella.endsWith(QLatin1Char('/')) || cartella.endsWith(QLatin1Char('\\'))))
        cartella.chop(1);
    if (!QFileInfo(cartella).isDir())
        return std::nullopt;
    // What a conversion killed half-way left behind goes first: a draft, a second name of the original.
    RiordinaCartella(cartella);
    const QString archivio = QDir(cartella).filePath(NomeFileArchivio);
    if (!EFileAccess(archivio))
        return std::nullopt;
    if (!LeggeAccess()) {
        // Said at once, rather than after the user agreed to a conversion that cannot be made; the
        // archive is not opened, as after a refusal.
        Archivio::ApriAlProssimoUso();
        throw AccessNonLeggibile(archivio);
    }
    const QString nome = NomeOriginaleAccess(cartella);
    if (!Messaggi::chiedi(this,
                          QStringLiteral("Il file ") + QDir::toNativeSeparators(archivio) +
                              QStringLiteral(" è un archivio del programma precedente. Convertirlo nel nuovo formato? "
                                             "L'originale resta intatto come ") +
                              nome + QLatin1Char('.'),
                          QStringLiteral("Controllo:")))
        return std::nullopt;

    QProgressDialog avanzamento(QStringLiteral("Conversione dell'archivio del programma precedente..."), QString(), 0,
                                100, this);
    avanzamento.setObjectName(QStringLiteral("dlgConversione"));
    avanzamento.setWindowTitle(QStringLiteral("Conversione dell'archivio"));
    avanzamento.setWindowModality(Qt::ApplicationModal);
    avanzamento.setCancelButton(nullptr);
    avanzamento.setMinimumDuration(0);
    avanzamento.setValue(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Ripristino {
        ~Ripristino() { QApplication::restoreOverrideCursor(); }
    } ripristino;
    try {
        return ConvertiArchivioCartella(cartella, nome, [&](qint64 fatte, qint64 attese) {
            if (attese > 0)
                avanzamento.setValue(int(std::min<qint64>(99, fatte * 100 / attese)));
            QCoreApplication::processEvents();
        });
    } catch (...) {
        // The load step stops here, before the open: as for an archive busy at start, the next
        // action opens it, once another desk's conversion has put the new archive in place.
        Archivio::ApriAlProssimoUso();
        throw;
    }
}
