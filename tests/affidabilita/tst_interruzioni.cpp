// Crashes and two instances: a child saves movements through the real save path and is killed at
// random moments; two children save at the same time. Every movement reported as saved must be in
// the archive with exactly its values, and the archive must stay sound.

#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "tests/support/sistema.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>

namespace {

struct Salvato {
    QString descrizione, tipo, importo, cf, nome, codice;
};

QString figlio() { return QCoreApplication::applicationDirPath() + QStringLiteral("/figlio_salvataggi"); }

QList<Salvato> leggi(const QByteArray &uscita, int *falliti = nullptr)
{
    QList<Salvato> r;
    for (const QByteArray &riga : uscita.split('\n')) {
        // A child on Windows ends its lines with CR LF.
        const QStringList c = QString::fromUtf8(riga.endsWith('\r') ? riga.chopped(1) : riga).split(QLatin1Char('\t'));
        if (c.size() == 7 && c[0] == QLatin1String("SALVATO"))
            r.append({c[1], c[2], c[3], c[4], c[5], c[6]});
        else if (falliti && c.size() == 2 && c[0] == QLatin1String("FALLITO"))
            ++*falliti;
    }
    return r;
}

// Each reported movement is there once, with its values. The archive is read once: a lookup per
// movement by its unindexed description made a long soak quadratic.
void verificaSalvati(const QList<Salvato> &salvati)
{
    QMultiHash<QString, QVariantList> archivio;
    for (const QVariantList &r : RigheSql(QStringLiteral("SELECT DESCRIZIONE, ENTRATA, USCITA, CODICEFISCALE, "
                                                         "RAGIONESOCIALE, CODICEANA FROM ANTICIPI")))
        archivio.insert(r.value(0).toString(), r.mid(1));
    for (const Salvato &s : salvati) {
        const QList<QVariantList> r = archivio.values(s.descrizione);
        QCOMPARE(r.size(), 1);
        const QVariantList &q = r.first();
        const qint64 importo = Valuta::daTesto(s.importo)->decimillesimi();
        QCOMPARE(q.value(0).toLongLong(), s.tipo == QLatin1String("E") ? importo : 0);
        QCOMPARE(q.value(1).toLongLong(), s.tipo == QLatin1String("U") ? importo : 0);
        QCOMPARE(q.value(2).toString(), s.cf);
        QCOMPARE(q.value(3).toString(), s.nome);
        QCOMPARE(q.value(4).toString(), s.codice);
    }
}

void verificaIntegrita()
{
    QCOMPARE(IntegritaArchivio(), QStringLiteral("ok"));
    QCOMPARE(TabelleArchivio(), 2);
}

} // namespace

class TstInterruzioni : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Ambiente::corrente().azzera();
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();  // the children own the archive while they run
    }

    void uccisioniCasuali()
    {
        if (ProvaSuServer() && SottoWine())
            QSKIP("Wine's server keeps a killed program's sockets open, so PostgreSQL never sees the kill "
                  "and its locks stay taken; Windows closes them as Linux does");
        const int uccisioni = qEnvironmentVariableIntValue("SPESARIO_UCCISIONI") > 0
                                  ? qEnvironmentVariableIntValue("SPESARIO_UCCISIONI")
                                  : 50;
        QList<Salvato> salvati;
        QRandomGenerator caso(20261208);
        for (int k = 0; k < uccisioni; ++k) {
            QProcess p;
            p.start(figlio(), {Impostazioni::File(), QStringLiteral("k%1").arg(k), QStringLiteral("100000"),
                               QStringLiteral("7")});
            QVERIFY(p.waitForStarted());
            // Let it run from a moment to well into its saves, then kill it without warning. The
            // moment counts from its first save, since a start may take longer than the whole wait
            // (under Wine); one child in four is timed from its start, killed while it opens.
            QByteArray uscita;
            QElapsedTimer t, avvio;
            avvio.start();
            const bool daSubito = k % 4 == 0;
            const int attesa = 100 + int(caso.bounded(600));
            while (p.state() == QProcess::Running && avvio.elapsed() < 60000 && !(t.isValid() && t.elapsed() >= attesa)) {
                p.waitForReadyRead(10);
                uscita += p.readAllStandardOutput();
                if (!t.isValid() && (daSubito || !uscita.isEmpty()))
                    t.start();
            }
            UccidiFiglio(p);
            p.waitForFinished();
            uscita += p.readAllStandardOutput();
            salvati += leggi(uscita);
        }
        QVERIFY2(salvati.size() > uccisioni, "the children saved too little to prove anything");
        Archivio::ConnArchivio().Apri(ApriMotore(Impostazioni::Leggi(Impostazioni::Connessione)));
        verificaIntegrita();
        verificaSalvati(salvati);
        qInfo("%d uccisioni, %lld movimenti salvati e ritrovati", uccisioni, qint64(salvati.size()));
    }

    // A new archive killed at each step of its creation: the next start opens a whole archive,
    // makes it again when it never got into place, and leaves no temporary file behind.
    void creazioneInterrottaAOgniPasso()
    {
        SOLO_SQLITE("the first run always makes an SQLite archive in the default folder");
        const QString predefinita = CartellaArchivioPredefinita();
        for (int passo = 1; passo <= PassiCreazione; ++passo) {
            Archivio::Rilascia();
            Ambiente::corrente().azzera();
            QDir(predefinita).removeRecursively();
            QProcess p;
            p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/figlio_creazione"),
                    {Impostazioni::File(), QString::number(passo)});
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitStatus() == QProcess::CrashExit, qPrintable(QStringLiteral("passo %1").arg(passo)));

            QStringList avvisi;
            QCOMPARE(ApriArchivio(&avvisi), predefinita);
            QCOMPARE(Archivio::Stato(), StatoConnessione::Aperta);
            verificaIntegrita();
            QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 0);
            QCOMPARE(QDir(predefinita).entryList(QDir::Files | QDir::Hidden), QStringList{NomeFileArchivio});
            QCOMPARE(Impostazioni::Leggi(Impostazioni::Connessione), predefinita);
            // Made again, and said so, unless the kill came after it was in place.
            QCOMPARE(avvisi.size(), passo <= 7 ? 1 : 0);
            QVERIFY(InserisciRiga(QStringLiteral("2026-01-10"), QStringLiteral("dopo"), QStringLiteral("0"),
                                  QStringLiteral("5"), QStringLiteral("Rossi"), QStringLiteral("RSS"), QString(), 1) > 0);
        }
        Archivio::Rilascia();
        QDir(predefinita).removeRecursively();
    }

    // Four desks saving a new client each time, all at once: every movement is there and no two
    // clients share a code.
    void quattroIstanzeInsieme()
    {
        QProcess p[4];
        for (int i = 0; i < 4; ++i)
            p[i].start(figlio(), {Impostazioni::File(), QStringLiteral("ABCD").mid(i, 1), QStringLiteral("250"),
                                  QStringLiteral("1")});
        int falliti = 0;
        QList<Salvato> salvati;
        for (QProcess &figlio : p) {
            QVERIFY(figlio.waitForFinished(600000));
            salvati += leggi(figlio.readAllStandardOutput(), &falliti);
        }
        QCOMPARE(falliti, 0);
        QCOMPARE(salvati.size(), 1000);
        Archivio::ConnArchivio().Apri(ApriMotore(Impostazioni::Leggi(Impostazioni::Connessione)));
        verificaIntegrita();
        verificaSalvati(salvati);
        QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI")).toInt(), 1000);
        // A client code belongs to one client only: never two tax codes under one code.
        QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(*) FROM (SELECT CODICEANA FROM ANTICIPI GROUP BY CODICEANA "
                                          "HAVING COUNT(DISTINCT CODICEFISCALE) > 1)"))
                     .toInt(),
                 0);
        QCOMPARE(ValoreSql(QStringLiteral("SELECT COUNT(DISTINCT CODICEANA) FROM ANTICIPI")).toInt(), 1000);
    }
};

SPESARIO_TEST_MAIN(TstInterruzioni)
#include "tst_interruzioni.moc"
