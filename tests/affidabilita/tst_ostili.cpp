// Hostile text through every path that carries a client's fields and a description: typed into the
// ledger window and saved, listed, loaded back by a click, the client identified by each of its three
// fields, listed and filtered by the search window, rewritten by the master-data window into every row
// of the client, and written by both exports. Nothing may be lost, changed or executed on the way.
#include "clients/frmAnagrafiche.h"
#include "clients/frmRicerca.h"
#include "export/frmSelDate.h"
#include "tests/ledger/utente.h"
#include "values/costanti.h"

#include <QPushButton>

using namespace Utente;

namespace {

// At most `n` UTF-16 units, never half of a surrogate pair: the field limits count units.
QString Taglia(const QString &t, int n)
{
    if (t.size() <= n)
        return t;
    if (t.at(n - 1).isHighSurrogate())
        --n;
    return t.left(n);
}

// Keys can carry the text only when it has no line break or tab: Enter opens the search, Tab moves
// on. Long texts are set too, to keep the run short: 10,000 keys say nothing more than 50.
bool Digitabile(const QString &t)
{
    if (t.size() > 200)
        return false;
    for (const QChar c : t)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            return false;
    return true;
}

void Inserisci(QLineEdit *campo, const QString &testo, QWidget *poi)
{
    campo->setFocus();
    if (Digitabile(testo)) {
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Backspace);
        Digita(campo, testo);
    } else {
        // Pasted, as text with control characters reaches a field.
        campo->selectAll();
        campo->insert(testo);
    }
    poi->setFocus();
}

// One field as the exports' rule writes it: between double quotes, inner quotes doubled, only
// when it holds ";", '"', CR or LF.
QString CampoCsv(const QString &v)
{
    for (const char c : {';', '"', '\r', '\n'})
        if (v.contains(QLatin1Char(c))) {
            QString d = v;
            return QLatin1Char('"') + d.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
        }
    return v;
}

// Windows-1252 with "?" for each character it cannot hold, judged from the code page's own table.
QByteArray Cp1252(const QString &t)
{
    static const QString extra = QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    QString r;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char32_t u = t.at(i).isHighSurrogate() && i + 1 < t.size()
                               ? QChar::surrogateToUcs4(t.at(i), t.at(i + 1))
                               : t.at(i).unicode();
        if (u > 0xffff)
            ++i;
        const bool tiene = u < 0x80 || (u >= 0xa0 && u <= 0xff) || (u <= 0xffff && extra.contains(QChar(char16_t(u))));
        r.append(tiene ? QChar(char16_t(u)) : QLatin1Char('?'));
    }
    // Bytes 0x80-0x9F in the code page's order, a blank where it has no sign.
    static const QString da80 = QStringLiteral("€ ‚ƒ„…†‡ˆ‰Š‹Œ Ž  ‘’“”•–—˜™š›œ žŸ");
    QByteArray b;
    for (const QChar c : std::as_const(r))
        b.append(c.unicode() < 0x100 ? char(c.unicode()) : char(0x80 + da80.indexOf(c)));
    return b;
}

QByteArray RigaCsv(const QStringList &campi)
{
    QStringList c;
    for (const QString &v : campi)
        c << CampoCsv(v);
    return Cp1252(c.join(QLatin1Char(';')) + QStringLiteral("\r\n"));
}

QByteArray LeggiFile(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The stored fields of a row, read with a bound value.
QStringList Riga(qint64 id)
{
    const QList<QVariantList> r = RigheSql(
        QStringLiteral("SELECT RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA, DESCRIZIONE, CODICEANA FROM ANTICIPI WHERE ID=?"),
        {id});
    if (r.isEmpty())
        return {};
    QStringList t;
    for (const QVariant &v : r.first())
        t << v.toString();
    return t;
}

} // namespace

class TstOstili : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void percorsi_data();
    void percorsi();

private:
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }
};

void TstOstili::cleanup()
{
    if (frmSelDate *s = frmSelDate::Esistente())
        delete s;
    if (frmAnagrafiche *a = frmAnagrafiche::Esistente())
        delete a;
    chiudi();
    QVERIFY(NessunaAttesa());
}

void TstOstili::percorsi_data()
{
    QTest::addColumn<QString>("testo");
    QString lunga;
    while (lunga.size() < 10000)
        lunga += QStringLiteral("Trasferta a Milano, pedaggi e parcheggio. ");
    lunga.truncate(10000);
    QTest::newRow("apice") << "L'Arte dell'Orafo";
    QTest::newRow("apice solo") << "'";
    QTest::newRow("apici doppi e virgolette") << "Bar ''Sport'' \"Il Moro\"";
    QTest::newRow("cancelletto") << "Ditta #1 #";
    QTest::newRow("data jet nel nome") << "Rossi #01/01/2026# srl";
    QTest::newRow("punto e virgola") << "Rossi; Bianchi;";
    QTest::newRow("CR") << "riga1\rriga2";
    QTest::newRow("LF") << "riga1\nriga2";
    QTest::newRow("CR LF") << "riga1\r\nriga2";
    QTest::newRow("tabulazione") << "col1\tcol2";
    QTest::newRow("10000 caratteri") << lunga;
    QTest::newRow("accenti") << QStringLiteral("Società Perché Più àèéìòù ÀÈÉÌÒÙ");
    QTest::newRow("euro") << QStringLiteral("€ 100 ‰ “citazione”");
    QTest::newRow("emoji") << QStringLiteral("Caffè ☕ 😀👍🏽");
    QTest::newRow("destra a sinistra") << QStringLiteral("שלום عربي");
    QTest::newRow("iniezione") << "'; DROP TABLE ANTICIPI; --";
    QTest::newRow("jolly di LIKE") << "100% _a_ %_%";
    QTest::newRow("spazi ai lati") << "  Rossi  ";
}

void TstOstili::percorsi()
{
    QFETCH(QString, testo);
    const QString nome = Taglia(testo, 50), cf = Taglia(testo, 16), piva = Taglia(testo, 11);
    // The description's editor keeps a line break as LF, whichever form it was given: a CR or a CR LF
    // pasted or loaded comes back as LF, the same lines on screen. Every other character stays.
    QString descrizione = testo;
    descrizione.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    frmAnticipi *w = apri();
    // A client the hostile one must never be confused with.
    const qint64 esca = InserisciRiga(questAnno(1, 1), "esca", "0", "7", "Esca Srl", "SCEXXX", "99999999999", 1);
    const QStringList rigaEsca = Riga(esca);

    // ---- save: a new client typed into the ledger window
    Inserisci(w->txtDenominazione, nome, w->txtCF);
    Inserisci(w->txtCF, cf, w->txtPiva);
    Inserisci(w->txtPiva, piva, w->DtpData);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("0"));  // not found: a new client
    w->txtDescrizione->setFocus();
    if (Digitabile(descrizione))
        Digita(w->txtDescrizione, descrizione);
    else
        w->txtDescrizione->setPlainText(testo);
    QTest::mouseClick(w->optTipo[1], Qt::LeftButton);
    scrivi(w->txtUscite, QStringLiteral("12,5"), w->DtpData);
    messaggi().azzera();
    comando(w, QStringLiteral("Salva"));
    QCOMPARE(messaggi().testi(), QStringList());
    QCOMPARE(conta(), 2);
    const qint64 id = ValoreSql(QStringLiteral("SELECT MAX(ID) FROM ANTICIPI")).toLongLong();
    QCOMPARE(Riga(id), (QStringList{nome, cf, piva, descrizione, QStringLiteral("2")}));

    // ---- list, and the movement loaded back by a click
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
    const int r = rigaDi(w, id);
    QVERIFY(r >= 0);
    QCOMPARE(w->ReportAttivita->ValoreItem(r, 2).toString(), descrizione);
    w->txtDescrizione->clear();
    cliccaRiga(w, r);
    QCOMPARE(w->txtDescrizione->toPlainText(), descrizione);
    QCOMPARE(w->lblID->text(), QString::number(id));

    // ---- identification by each field alone
    struct Campo {
        QLineEdit *campo;
        QString valore;
    };
    for (const Campo &c : {Campo{w->txtCF, cf}, Campo{w->txtPiva, piva}, Campo{w->txtDenominazione, nome}}) {
        w->PulisciCampi(false);
        QVERIFY(w->txtDenominazione->text().isEmpty() && w->txtCF->text().isEmpty() && w->txtPiva->text().isEmpty());
        Inserisci(c.campo, c.valore, w->DtpData);
        QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
        QCOMPARE(w->txtDenominazione->text(), nome);
        QCOMPARE(w->txtCF->text(), cf);
        QCOMPARE(w->txtPiva->text(), piva);
        QVERIFY(rigaDi(w, id) >= 0);
    }

    // ---- the search window: opened on the name, then filtered by the other two fields
    bool vista = false;
    QuandoAperta(QStringLiteral("frmRicerca"), [&](QWidget *finestra) {
        auto *s = qobject_cast<frmRicerca *>(finestra);
        auto unica = [&](const QString &filtro) {
            QCOMPARE(s->txtCerca->text(), filtro);
            QCOMPARE(s->ReportAttivita->NumeroRighe(), 1);
            QCOMPARE(s->ReportAttivita->ValoreItem(0, 1).toString(), cf);
            QCOMPARE(s->ReportAttivita->ValoreItem(0, 2).toString(), piva);
            QCOMPARE(s->ReportAttivita->ValoreItem(0, 3).toString(), nome);
            QCOMPARE(s->ReportAttivita->ValoreItem(0, 4).toString(), QStringLiteral("2"));
        };
        unica(nome);
        for (const QString &filtro : {cf, piva}) {
            s->txtCerca->setText(filtro);
            QTest::mouseClick(s->cmdTrova, Qt::LeftButton);
            unica(filtro);
        }
        w->PulisciCampi(false);
        DoppioClic(s->ReportAttivita->Vista()->viewport(),
                   s->ReportAttivita->Vista()->visualRect(s->ReportAttivita->Vista()->model()->index(0, 3)).center());
        vista = true;
    });
    QTest::mouseClick(w->cmdTrova, Qt::LeftButton);
    QVERIFY(vista);
    QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
    QCOMPARE(w->txtDenominazione->text(), nome);
    QCOMPARE(w->txtCF->text(), cf);
    QCOMPARE(w->txtPiva->text(), piva);

    // ---- the master-data rewrite: a newer row of the client under other data gets the typed ones
    // (the client shown with that row's data, so that the typed texts are a change)
    const qint64 vecchia = InserisciRiga(questAnno(1, 2), "vecchia", "0", "1", "Piano", "PIANO", "11111111111", 2);
    identifica(w, QStringLiteral("PIANO"));
    comando(w, QStringLiteral("Modifica anagrafica"));
    frmAnagrafiche *a = frmAnagrafiche::Esistente();
    QVERIFY(a);
    Inserisci(a->txtDenominazione, nome, a->txtCF);
    Inserisci(a->txtCF, cf, a->txtPiva);
    Inserisci(a->txtPiva, piva, a->cmdOk);
    messaggi().azzera();
    QTest::mouseClick(a->cmdOk, Qt::LeftButton);
    QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Aggiornamento terminato")});
    QCOMPARE(Riga(vecchia), (QStringList{nome, cf, piva, QStringLiteral("vecchia"), QStringLiteral("2")}));
    QCOMPARE(Riga(id), (QStringList{nome, cf, piva, descrizione, QStringLiteral("2")}));
    QCOMPARE(Riga(esca), rigaEsca);

    // ---- both exports, through the period window, read back from the file
    const QDate oggi = QDate::currentDate();
    const QString dataMovimento =
        QDate::fromString(ValoreSql(QStringLiteral("SELECT DATAOP FROM ANTICIPI WHERE ID=%1").arg(id)).toString(),
                          QStringLiteral("yyyy-MM-dd"))
            .toString(QStringLiteral("dd/MM/yyyy"));
    for (const QString &caso : {QStringLiteral("0"), QStringLiteral("1")}) {
        const QString percorso = QDir(Ambiente::corrente().cartella()).filePath(QStringLiteral("ostile%1.csv").arg(caso));
        QFile::remove(percorso);
        comando(w, caso == "0" ? QStringLiteral("Esporta in CSV") : QStringLiteral("Esporta anticipazioni"));
        frmSelDate *s = frmSelDate::Esistente();
        QVERIFY(s);
        s->DtpData[0]->setDate(QDate(oggi.year(), 1, 1));
        s->DtpData[1]->setDate(oggi);
        messaggi().azzera();
        messaggi().file << percorso;
        QTest::mouseClick(s->cmdOk, Qt::LeftButton);
        QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Esportazione terminata")});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the window closed itself
        const QByteArray contenuto = LeggiFile(percorso);
        const QByteArray atteso =
            caso == "0" ? RigaCsv({dataMovimento, descrizione, "0", "12,5", nome, cf, piva})
                        : RigaCsv({nome, cf, piva, "-13,5"});
        QVERIFY2(contenuto.contains(atteso), atteso.left(200).constData());
        QCOMPARE(contenuto.count(caso == "0" ? RigaCsv({QDate(oggi.year(), 1, 1).toString(QStringLiteral("dd/MM/yyyy")), "esca", "0", "7", "Esca Srl", "SCEXXX",
                                                        "99999999999"})
                                             : RigaCsv({"Esca Srl", "SCEXXX", "99999999999", "-7"})),
                 qsizetype(1));
    }

    // ---- nothing executed: the program's two tables, whole, and every row where it was
    QCOMPARE(TabelleArchivio(), 2);
    QCOMPARE(IntegritaArchivio(), QStringLiteral("ok"));
    QCOMPARE(conta(), 3);
    QVERIFY(Ambiente::corrente().righeLog().isEmpty());
}

SPESARIO_TEST_MAIN(TstOstili)
#include "tst_ostili.moc"
