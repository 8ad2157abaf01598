// The ledger at the keyboard: every command from its shortcut, the Alt letters, dates typed after a
// click, what is pasted into the client and amount fields, and the notices that name what is wrong.

#include "tests/ledger/utente.h"

#include "clients/frmAnagrafiche.h"
#include "export/frmSelDate.h"
#include "ledger/frmAbout.h"
#include "widgets/collegamenti.h"
#include "widgets/messaggi.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>

using namespace Utente;

namespace {
const QString CfRossi = QStringLiteral("RSSMRA80A01H501U");
} // namespace

class TstTastiera : public QObject {
    Q_OBJECT
    frmAnticipi *w = nullptr;
    QList<QUrl> m_aperti;
    MessaggiFinti &messaggi() { return Ambiente::corrente().messaggi; }

    qint64 rossiCaricato()
    {
        const qint64 id = InserisciRiga(questAnno(3, 1), QStringLiteral("bollo"), QStringLiteral("0"),
                                        QStringLiteral("16"), QStringLiteral("Rossi Mario"), CfRossi, QString(), 1);
        identifica(w, CfRossi);
        cliccaRiga(w, rigaDi(w, id));
        return id;
    }

private Q_SLOTS:
    void init()
    {
        w = apri();
        m_aperti.clear();
        Collegamenti::ImpostaApertura([this](const QUrl &u) { m_aperti << u; });
    }
    void cleanup()
    {
        chiudi();
        w = nullptr;
        Collegamenti::ImpostaApertura(nullptr);
    }

    // Every command of the bar: a shortcut, shown in its tooltip, that runs it from a field.
    void scorciatoie_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("tasto");
        const struct {
            const char *caption;
            QKeySequence tasto;
        } comandi[] = {
            {"Salva", QKeySequence(Qt::CTRL | Qt::Key_S)},
            {"Annulla", QKeySequence(Qt::Key_Escape)},
            {"Elimina", QKeySequence(Qt::CTRL | Qt::Key_D)},
            {"Esci", QKeySequence(Qt::CTRL | Qt::Key_Q)},
            {"Stampa", QKeySequence(Qt::CTRL | Qt::Key_P)},
            {"Modifica anagrafica", QKeySequence(Qt::CTRL | Qt::Key_M)},
            {"Esporta in CSV", QKeySequence(Qt::CTRL | Qt::Key_R)},
            {"Esporta anticipazioni", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
            {"Informazioni su...", QKeySequence(Qt::CTRL | Qt::Key_I)},
            {"Manuale in linea", QKeySequence(Qt::Key_F1)},
        };
        for (const auto &c : comandi)
            QTest::newRow(c.caption) << QString::fromUtf8(c.caption) << c.tasto;
    }
    void scorciatoie()
    {
        QFETCH(QString, caption);
        QFETCH(QKeySequence, tasto);
        // No command left out of this table.
        int comandi = 0;
        for (QAction *a : w->ControlliBarra())
            comandi += a->menu() ? 0 : 1;
        QCOMPARE(comandi, 10);

        rossiCaricato();
        scriviDescrizione(w, QStringLiteral("bollo auto"));  // something to save, and to ask about
        messaggi().azzera();
        messaggi().rispostaPredefinita = Risposta::No;
        QAction *a = w->ControlloBarra(caption);
        QVERIFY(a);
        QCOMPARE(a->shortcut(), tasto);
        QVERIFY2(a->toolTip().contains(tasto.toString(QKeySequence::NativeText)), qPrintable(a->toolTip()));
        QSignalSpy eseguito(a, &QAction::triggered);
        // From a line field: the one that claims the most keys for itself.
        w->txtCF->setFocus();
        QTest::keySequence(w->txtCF, tasto);
        QCOMPARE(eseguito.size(), 1);
        // What each one does is tested with the command; here only that it is the right one ran.
        if (caption == QLatin1String("Salva"))
            QCOMPARE(conta(QStringLiteral("DESCRIZIONE='bollo auto'")), 1);
        else if (caption == QLatin1String("Elimina"))
            QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Confermi eliminazione?")});
        else if (caption == QLatin1String("Manuale in linea"))
            QCOMPARE(m_aperti.size(), 1);
        else if (caption == QLatin1String("Informazioni su..."))
            QVERIFY(frmAbout::Esistente());
        else if (caption.startsWith(QLatin1String("Esporta")))
            QVERIFY(frmSelDate::Esistente());
        else if (caption == QLatin1String("Stampa"))
            QCOMPARE(messaggi().titoliAnteprima.size(), 1);
    }

    // Alt and a letter is the command's, never a letter in the field: with nothing to save too.
    void lettereAlt()
    {
        for (const char *c : {"Salva", "Annulla", "Elimina", "Esci", "Stampa", "Modifica anagrafica"})
            QVERIFY(w->ControlloBarra(QString::fromUtf8(c))->iconText().contains(QLatin1Char('&')));
        QVERIFY(!attivo(w, QStringLiteral("Salva")));
        w->txtDescrizione->setFocus();
        QTest::keyClick(w->txtDescrizione, Qt::Key_S, Qt::AltModifier);
        w->txtCF->setFocus();
        QTest::keyClick(w->txtCF, Qt::Key_S, Qt::AltModifier);
        QVERIFY(w->txtDescrizione->toPlainText().isEmpty());
        QVERIFY(w->txtCF->text().isEmpty());

        scriviDescrizione(w, QStringLiteral("visura"));
        nuovoCliente(w, QStringLiteral("Verdi Srl"), QStringLiteral("VRDXXX80A01H501U"));
        w->txtDescrizione->setFocus();
        QTest::keyClick(w->txtDescrizione, Qt::Key_S, Qt::AltModifier);
        // The button shows itself pressed for a moment before it runs the command.
        QTRY_COMPARE(conta(QStringLiteral("DESCRIZIONE='visura'")), 1);

        // Alt+E opens the export drop-down.
        QMenu *aperto = nullptr;
        QTimer::singleShot(0, this, [&aperto] {
            aperto = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (aperto)
                aperto->close();
        });
        QTest::keyClick(w->txtDescrizione, Qt::Key_E, Qt::AltModifier);
        QVERIFY(aperto);
        QCOMPARE(aperto->actions().first()->property("Caption").toString(), QStringLiteral("Esporta in CSV"));
    }

    // A click into a date picker, then the date's digits: the whole date goes in.
    void dataDopoUnClic_data()
    {
        QTest::addColumn<QString>("picker");
        QTest::newRow("movimento") << "DtpData";
        QTest::newRow("periodo") << "DTPFIltro_1";
    }
    void dataDopoUnClic()
    {
        QFETCH(QString, picker);
        auto *d = w->findChild<QDateEdit *>(picker);
        auto *riga = d->findChild<QLineEdit *>();
        QTest::mouseClick(riga, Qt::LeftButton, {}, QPoint(riga->width() - 4, riga->height() / 2));
        QCoreApplication::processEvents();
        QVERIFY(d->hasFocus());
        QTest::keyClicks(d, QStringLiteral("15032026"));
        QTest::keyClick(d, Qt::Key_Return);
        QCOMPARE(d->date(), QDate(2026, 3, 15));
        // A second click selects the part clicked: the year, typed alone.
        QTest::mouseClick(riga, Qt::LeftButton, {}, QPoint(riga->width() - 30, riga->height() / 2));
        QCoreApplication::processEvents();
        QCOMPARE(d->currentSection(), QDateTimeEdit::YearSection);
        QTest::keyClicks(d, QStringLiteral("2027"));
        QTest::keyClick(d, Qt::Key_Return);
        QCOMPARE(d->date(), QDate(2027, 3, 15));
    }

    // Pasted text: a tax code with blanks around it is the client's; "2.500" is what typing it gives.
    void incolla()
    {
        InserisciRiga(questAnno(3, 1), QStringLiteral("bollo"), QStringLiteral("0"), QStringLiteral("16"),
                      QStringLiteral("Rossi Mario"), CfRossi, QString(), 1);
        QApplication::clipboard()->setText(QStringLiteral(" rssmra80a01h501u \n"));
        w->txtCF->setFocus();
        QTest::keySequence(w->txtCF, QKeySequence::Paste);
        QCOMPARE(w->txtCF->text(), QStringLiteral("rssmra80a01h501u"));
        w->DtpData->setFocus();
        QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Rossi Mario"));
        QCOMPARE(w->ReportAttivita->NumeroRighe(), 1);

        // Typed, the point is the comma; pasted, a text that reads otherwise is refused.
        scrivi(w->txtUscite, QStringLiteral("2.500"), w->txtDescrizione);
        QCOMPARE(w->txtUscite->text(), QStringLiteral("2,50"));
        const struct {
            const char *incollato, *atteso;
        } casi[] = {{"2.500", "7"}, {"1.234.567", "7"}, {"12.5", "12,5"}, {"1.234,5", "1.234,5"}, {" 2500 ", "2500"}};
        for (const auto &c : casi) {
            scrivi(w->txtUscite, QStringLiteral("7"));
            w->txtUscite->selectAll();
            QApplication::clipboard()->setText(QString::fromUtf8(c.incollato));
            QTest::keySequence(w->txtUscite, QKeySequence::Paste);
            QCOMPARE(w->txtUscite->text(), QString::fromUtf8(c.atteso));
        }
    }

    // The notices name what is wrong: the empty field (and go there), the other clients of a name.
    void avvisi()
    {
        InserisciRiga(questAnno(3, 1), QStringLiteral("vecchio"), QStringLiteral("0"), QStringLiteral("5"),
                      QStringLiteral("Bianchi Srl"), QStringLiteral("BNCXXX"), QString(), 1);
        InserisciRiga(questAnno(3, 2), QStringLiteral("nuovo"), QStringLiteral("0"), QStringLiteral("7"),
                      QStringLiteral("Bianchi Srl"), QStringLiteral("BNCYYY"), QString(), 2);
        scrivi(w->txtDenominazione, QStringLiteral("bianchi srl"), w->DtpData);
        QCOMPARE(w->txtCodiceana->text(), QStringLiteral("2"));
        QCOMPARE(w->statusBar()->currentMessage(),
                 QStringLiteral("2 clienti con questo nome: Trova cliente per sceglierne un altro"));
        scrivi(w->txtCF, CfRossi, w->DtpData);
        QTest::keySequence(w->txtCF, QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(messaggi().testi(), QStringList{QStringLiteral("Campo obbligatorio: Descrizione.")});
        QCOMPARE(QApplication::focusWidget(), w->txtDescrizione);
    }

    // Elimina only for a movement read from the archive; Annulla right after a save asks nothing.
    void eliminaEAnnulla()
    {
        scriviDescrizione(w, QStringLiteral("appunto"));
        QTest::mouseClick(w->optTipo[0], Qt::LeftButton);
        QVERIFY(!attivo(w, QStringLiteral("Elimina")));
        QTest::keySequence(w->txtDescrizione, QKeySequence(Qt::CTRL | Qt::Key_D));
        QVERIFY(messaggi().messaggi.isEmpty());

        w->txtDescrizione->clear();
        const qint64 id = rossiCaricato();
        QVERIFY(attivo(w, QStringLiteral("Elimina")));
        scriviDescrizione(w, QStringLiteral("bollo corretto"));
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(conta(QStringLiteral("ID=%1 AND DESCRIZIONE='bollo corretto'").arg(id)), 1);
        comando(w, QStringLiteral("Annulla"));
        QVERIFY(messaggi().messaggi.isEmpty());
        QVERIFY(w->txtDenominazione->text().isEmpty());
        // A movement loaded and left as it was: nothing to save either.
        identifica(w, CfRossi);
        cliccaRiga(w, rigaDi(w, id));
        comando(w, QStringLiteral("Annulla"));
        QVERIFY(messaggi().messaggi.isEmpty());
    }
};

SPESARIO_TEST_MAIN(TstTastiera)
#include "tst_tastiera.moc"
