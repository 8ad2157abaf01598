// Several desks on one archive: what one desk does, the others see at their next refresh, and never
// undo. The other desk is a second connection to the same archive, as another program would open.
#include "export/csv.h"
#include "store/engines/motore.h"
#include "store/impostazioni.h"
#include "tests/ledger/utente.h"

#include <QBuffer>

using namespace Utente;

class TstScrivanie : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        w = apri();
        InserisciRiga(questAnno(1, 10), QStringLiteral("prima"), QStringLiteral("0"), QStringLiteral("100"),
                      QStringLiteral("Rossi Mario"), QStringLiteral("RSSMRA80A01H501U"), QStringLiteral("111"), 1);
        altra = ApriMotore(Impostazioni::Leggi(Impostazioni::Connessione));
    }
    void cleanup()
    {
        altra.reset();
        chiudi();
    }

    // Desk B corrects the client's master data after desk A identified it; A's next save must not
    // bring the old name back (the balances file would split the client in two).
    void anagraficaCorrettaAltrove()
    {
        identifica(w, QStringLiteral("RSSMRA80A01H501U"));
        QCOMPARE(w->txtCodiceana->text(), QStringLiteral("1"));
        altra->Esegui(QStringLiteral("UPDATE ANTICIPI SET RAGIONESOCIALE='Rossi Mario srl', PARTITAIVA='222' "
                                     "WHERE CODICEANA=1"));
        scrivi(w->txtUscite, QStringLiteral("25"), w->DtpData);
        scriviDescrizione(w, QStringLiteral("dopo la correzione"));
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(Ambiente::corrente().messaggi.testi(), QStringList());
        QCOMPARE(conta(QStringLiteral("RAGIONESOCIALE='Rossi Mario srl' AND PARTITAIVA='222'")), 2);
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        Csv::ScriviSaldi(b, Archivio::ConnArchivio(), QDate(QDate::currentDate().year(), 12, 31), {});
        QCOMPARE(b.data().count("\r\n"), 2);  // the header and one line
    }

    // What the user typed over the identified client's data (a tax code that no client has) is put
    // back, never saved into the client: the save writes the client's current data.
    void anagraficaCambiataDallUtente()
    {
        identifica(w, QStringLiteral("RSSMRA80A01H501U"));
        altra->Esegui(QStringLiteral("UPDATE ANTICIPI SET PARTITAIVA='222' WHERE CODICEANA=1"));
        scrivi(w->txtCF, QStringLiteral("RSSMRA80A01H501X"), w->DtpData);
        QCOMPARE(w->txtCF->text(), QStringLiteral("RSSMRA80A01H501U"));
        scrivi(w->txtUscite, QStringLiteral("25"), w->DtpData);
        scriviDescrizione(w, QStringLiteral("codice scritto"));
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(RigheSql(QStringLiteral("SELECT CODICEFISCALE, PARTITAIVA, CODICEANA FROM ANTICIPI WHERE "
                                         "DESCRIZIONE='codice scritto'")),
                 QList<QVariantList>({{QStringLiteral("RSSMRA80A01H501U"), QStringLiteral("222"), 1}}));
    }

    // Each refresh reads the archive again: no desk works on a stale copy.
    void modificheVisteAlRinfresco()
    {
        identifica(w, QStringLiteral("RSSMRA80A01H501U"));
        QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);
        altra->Esegui(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                     "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (?, 'altra scrivania', 0, 50000, "
                                     "'Rossi Mario', 'RSSMRA80A01H501U', '111', 1)"),
                      {questAnno(2, 1)});
        DigitaData(w->DTPFIltro[0], QStringLiteral("02/01/%1").arg(QDate::currentDate().year()));
        DigitaData(w->DTPFIltro[0], QStringLiteral("01/01/%1").arg(QDate::currentDate().year()));
        QCOMPARE(w->ReportAttivita->NumeroRighe(), 2);
        QCOMPARE(w->lblSaldo->text(), QStringLiteral("105,00"));
    }
    // (The server's own faults, a connection lost or refused, are tried in tst_server.)

private:
    frmAnticipi *w = nullptr;
    std::unique_ptr<Motore> altra;
};

SPESARIO_TEST_MAIN(TstScrivanie)
#include "tst_scrivanie.moc"
