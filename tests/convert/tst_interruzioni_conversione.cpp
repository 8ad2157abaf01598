// The conversion at load killed with SIGKILL at each of its steps and at random moments: archivio.mdb
// is always either the Access file, byte for byte, or the whole converted archive, and the next
// start finishes the job with the folder in order.

#include "convert/archivio_motore.h"
#include "convert/scambio.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/convert/comune.h"
#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>

namespace {

QString figlio() { return QCoreApplication::applicationDirPath() + QStringLiteral("/figlio_conversione"); }

// The whole converted archive: its 16 rows and their sums, read back.
bool convertitoIntero(const QString &percorso)
{
    try {
        const auto motore = ApriMotoreSqlite(percorso, false, true);
        SorgenteArchivio s(*motore);
        qint64 righe = 0, entrate = 0;
        for (RigaAnticipi r; s.Leggi(r); ++righe)
            entrate += r.entrata;
        return righe == 16 && entrate == 3822500;
    } catch (const ErroreApp &) {
        return false;
    }
}

} // namespace

class TstInterruzioniConversione : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void uccisioni()
    {
        const QByteArray casi = leggi(dati(QStringLiteral("casi.mdb")));
        const QStringList passi = {QStringLiteral("inizio"), QStringLiteral("righe"), QStringLiteral("verificata"),
                                   QStringLiteral("collegato"), QStringLiteral("rinominato")};
        QRandomGenerator caso(20261208);
        int convertiti = 0;
        for (int k = 0; k < 25; ++k) {
            Ambiente::corrente().azzera();
            Ambiente::corrente().apriArchivioNuovo();
            Archivio::Rilascia();
            const QDir cartella(Ambiente::corrente().cartellaArchivio());
            const QString archivio = cartella.filePath(NomeFileArchivio);
            scrivi(archivio, casi);

            // First the step kills, then kills at random moments from the parent.
            QProcess p;
            p.start(figlio(), {Impostazioni::File(), k < passi.size() ? passi[k] : QStringLiteral("-")});
            QVERIFY(p.waitForStarted());
            if (k >= passi.size()) {
                if (!p.waitForFinished(int(caso.bounded(400))))
                    UccidiFiglio(p);
            }
            p.waitForFinished();

            const bool access = leggi(archivio) == casi;
            QVERIFY2(access || convertitoIntero(archivio), qPrintable(QStringLiteral("giro %1").arg(k)));
            if (!access) {
                ++convertiti;
                QCOMPARE(leggi(cartella.filePath(QStringLiteral("archivio-access.mdb"))), casi);
            }
            for (const QString &n : cartella.entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(n == NomeFileArchivio || n.startsWith(NomeFileBozza) || n == QLatin1String("archivio-access.mdb") ||
                             n == QLatin1String(".archivio-conversione.lock"),
                         qPrintable(n));

            // The next start puts the folder in order and ends with the converted archive open.
            p.start(figlio(), {Impostazioni::File(), QStringLiteral("-")});
            QVERIFY(p.waitForFinished(60000));
            // What the child was told, when it did not end with the archive open.
            QVERIFY2(p.readAllStandardOutput() == "APERTO\n",
                     qPrintable(QStringLiteral("giro %1: ").arg(k) + QString::fromUtf8(p.readAllStandardError())));
            QVERIFY(convertitoIntero(archivio));
            QCOMPARE(leggi(cartella.filePath(QStringLiteral("archivio-access.mdb"))), casi);
            QCOMPARE(cartella.entryList(QDir::Files | QDir::Hidden),
                     (QStringList{QStringLiteral("archivio-access.mdb"), NomeFileArchivio}));
        }
        // The kill after the rename found the work done; the others found the Access file.
        QVERIFY(convertiti >= 1);
    }
};

SPESARIO_TEST_MAIN(TstInterruzioniConversione)
#include "tst_interruzioni_conversione.moc"
