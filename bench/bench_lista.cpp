// The ledger list of one client with 20,000 movements in the period, and the search window over
// 5,000 clients: how long a refresh and a load take.
#include "clients/frmRicerca.h"
#include "ledger/frmAnticipi.h"
#include "store/reportcontrol.h"
#include "tests/support/ambiente.h"
#include "tests/support/finestre.h"

#include <QLineEdit>

namespace {
void Riempi(int movimenti, int clienti)
{
    Archivio &a = Archivio::ConnArchivio();
    a.Transazione([&] {
        QSqlQuery q(a.Database());
        q.prepare(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                 "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDate inizio(QDate::currentDate().year(), 1, 1);
        for (int i = 0; i < movimenti; ++i) {
            const int cliente = i % clienti + 1;
            q.addBindValue(inizio.addDays(i % 365).toString(QStringLiteral("yyyy-MM-dd")));
            q.addBindValue(QStringLiteral("Movimento %1").arg(i));
            q.addBindValue(i % 3 == 0 ? qint64(12345) * 100 : 0);
            q.addBindValue(i % 3 == 0 ? 0 : qint64(6789) * 100);
            q.addBindValue(QStringLiteral("Cliente %1").arg(cliente));
            q.addBindValue(QStringLiteral("CF%1").arg(cliente));
            q.addBindValue(QStringLiteral("%1").arg(cliente, 11, 10, QLatin1Char('0')));
            q.addBindValue(cliente);
            if (!q.exec())
                qFatal("insert failed");
        }
    });
}
} // namespace

class BenchLista : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rinfrescaUnCliente()
    {
        Ambiente::corrente().azzera();
        Ambiente::corrente().apriArchivioNuovo();
        Riempi(20000, 1);
        frmAnticipi *f = ApriRegistro();
        f->txtCodiceana->setText(QStringLiteral("1"));
        QBENCHMARK { f->RinfrescaLista(); }
        QCOMPARE(f->ReportAttivita->NumeroRighe(), 20000);
        ChiudiFinestre();
    }
    void caricaRicerca()
    {
        Ambiente::corrente().azzera();
        Ambiente::corrente().apriArchivioNuovo();
        Riempi(40000, 5000);
        QBENCHMARK {
            frmRicerca *r = frmRicerca::Istanza();
            QCOMPARE(r->ReportAttivita->NumeroRighe(), 5000);
            delete r;
        }
    }
};

SPESARIO_TEST_MAIN(BenchLista)
#include "bench_lista.moc"
