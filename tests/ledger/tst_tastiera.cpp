// The ledger at the keyboard: every command from its shortcut, the Alt letters, dates typed after a
// click, what is pasted into the client and amount fields, and what the window says of it.

#include "tests/ledger/utente.h"

#include "widgets/collegamenti.h"
#include "widgets/messaggi.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

using namespace Utente;

namespace {
const QString CfRossi = QStringLiteral("RSSMRA80A01H501U");
} // namespace

class TstTastiera : public QObject {
    Q_OBJECT
    frmAnticipi *w = nullptr;
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
        Collegamenti::ImpostaApertura([](const QUrl &) {});
    }
    void cleanup()
    {
        chiudi();
        Collegamenti::ImpostaApertura(nullptr);
    }

    // Every command of the bar runs from its shortcut, pressed in a line field (the kind that claims
    // the most keys for itself), and the tooltip shows it.
    void scorciatoie()
    {
        const QList<QPair<const char *, QKeySequence>> comandi = {
            {"Salva", Qt::CTRL | Qt::Key_S}, {"Annulla", Qt::Key_Escape}, {"Elimina", Qt::CTRL | Qt::Key_D},
            {"Stampa", Qt::CTRL | Qt::Key_P}, {"Modifica anagrafica", Qt::CTRL | Qt::Key_M},
            {"Esporta in CSV", Qt::CTRL | Qt::Key_R}, {"Esporta anticipazioni", Qt::CTRL | Qt::SHIFT | Qt::Key_R},
            {"Informazioni su...", Qt::CTRL | Qt::Key_I}, {"Manuale in linea", Qt::Key_F1},
            {"Esci", Qt::CTRL | Qt::Key_Q}};
        int nellaBarra = 0;
        for (QAction *a : w->ControlliBarra())
            nellaBarra += a->menu() ? 0 : 1;
        QCOMPARE(nellaBarra, comandi.size());
        messaggi().rispostaPredefinita = Risposta::No;
        for (const auto &[caption, tasto] : comandi) {
            w->activateWindow();  // back from the window the last command opened
            QVERIFY(QTest::qWaitForWindowActive(w));
            rossiCaricato();  // Salva and Elimina on
            QAction *a = w->ControlloBarra(QString::fromUtf8(caption));
            QVERIFY2(a->toolTip().contains(tasto.toString(QKeySequence::NativeText)), qPrintable(a->toolTip()));
            QSignalSpy eseguito(a, &QAction::triggered);
            w->txtCF->setFocus();
            QTest::keySequence(w->txtCF, tasto);
            QVERIFY2(eseguito.size() == 1, caption);
        }
    }

    // Alt and a letter is the command's, never a letter in the field: with the command off too.
    void lettereAlt()
    {
        QVERIFY(!attivo(w, QStringLiteral("Salva")));
        w->txtCF->setFocus();
        QTest::keyClick(w->txtCF, Qt::Key_S, Qt::AltModifier);
        QVERIFY(w->txtCF->text().isEmpty());

        scriviDescrizione(w, QStringLiteral("visura"));
        nuovoCliente(w, QStringLiteral("Verdi Srl"), QStringLiteral("VRDXXX80A01H501U"));
        w->txtDescrizione->setFocus();
        QTest::keyClick(w->txtDescrizione, Qt::Key_S, Qt::AltModifier);
        // The button shows itself pressed for a moment before it runs the command.
        QTRY_COMPARE(conta(QStringLiteral("DESCRIZIONE='visura'")), 1);

        QMenu *aperto = nullptr;
        QTimer::singleShot(0, this, [&aperto] {
            if ((aperto = qobject_cast<QMenu *>(QApplication::activePopupWidget())))
                aperto->close();
        });
        QTest::keyClick(w->txtDescrizione, Qt::Key_E, Qt::AltModifier);
        QVERIFY(aperto);
        QCOMPARE(aperto->actions().first()->property("Caption").toString(), QStringLiteral("Esporta in CSV"));
    }

    // The bar without the mouse: F10 goes to its first command that is on, the arrows along it,
    // Space presses; it follows the period in the Tab order.
    void barraDaTastiera()
    {
        w->txtCF->setFocus();
        QTest::keyClick(w->txtCF, Qt::Key_F10);
        auto *primo = qobject_cast<QToolButton *>(QApplication::focusWidget());
        QVERIFY(primo);
        QCOMPARE(primo->defaultAction(), w->ControlloBarra(QStringLiteral("Annulla")));  // Salva is off
        QTest::keyClick(primo, Qt::Key_Right);
        auto *secondo = qobject_cast<QToolButton *>(QApplication::focusWidget());
        QVERIFY(secondo);
        QCOMPARE(secondo->defaultAction(), w->ControlloBarra(QStringLiteral("Esci")));  // Elimina is off
        messaggi().rispostaPredefinita = Risposta::No;
        QSignalSpy stampa(w->ControlloBarra(QStringLiteral("Stampa")), &QAction::triggered);
        QTest::keyClick(secondo, Qt::Key_Right);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(stampa.size(), 1);

        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        primo->setFocus();
        QTest::keyClick(primo, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w->DTPFIltro[1]);
    }

    // A click into a date picker, then the date's digits: the whole date goes in. A second click
    // selects the part clicked.
    void dataDopoUnClic()
    {
        auto *riga = w->DtpData->findChild<QLineEdit *>();
        QTest::mouseClick(riga, Qt::LeftButton, {}, QPoint(riga->width() - 4, riga->height() / 2));
        QCoreApplication::processEvents();
        QTest::keyClicks(w->DtpData, QStringLiteral("15032026"));
        QTest::keyClick(w->DtpData, Qt::Key_Return);
        QCOMPARE(w->DtpData->date(), QDate(2026, 3, 15));
        QTest::mouseClick(riga, Qt::LeftButton, {}, QPoint(riga->width() - 30, riga->height() / 2));
        QCoreApplication::processEvents();
        QTest::keyClicks(w->DtpData, QStringLiteral("2027"));
        QTest::keyClick(w->DtpData, Qt::Key_Return);
        QCOMPARE(w->DtpData->date(), QDate(2027, 3, 15));
    }

    // Pasted text: a tax code with blanks around it is the client's; an amount reads as typed or not at all.
    void incolla()
    {
        InserisciRiga(questAnno(3, 1), QStringLiteral("bollo"), QStringLiteral("0"), QStringLiteral("16"),
                      QStringLiteral("Rossi Mario"), CfRossi, QString(), 1);
        QApplication::clipboard()->setText(QStringLiteral(" rssmra80a01h501u \n"));
        w->txtCF->setFocus();
        QTest::keySequence(w->txtCF, QKeySequence::Paste);
        w->DtpData->setFocus();
        QCOMPARE(w->txtDenominazione->text(), QStringLiteral("Rossi Mario"));

        // "2.500" typed is 2,50: pasted, it would be 2.500,00, so it is refused.
        const QList<QPair<const char *, const char *>> casi = {
            {"2.500", "7"}, {"1.234.567", "7"}, {"12.5", "12,5"}, {"1.234,5", "1.234,5"}, {" 2500 ", "2500"}};
        for (const auto &[incollato, atteso] : casi) {
            scrivi(w->txtUscite, QStringLiteral("7"));
            w->txtUscite->selectAll();
            QApplication::clipboard()->setText(QString::fromUtf8(incollato));
            QTest::keySequence(w->txtUscite, QKeySequence::Paste);
            QCOMPARE(w->txtUscite->text(), QString::fromUtf8(atteso));
        }
    }

    // The newest of several clients of a name is taken, and the status says how many clients (not
    // rows) have it, in any case of its accented letters; a name differing in an accent is another.
    // The other clients' codes below the one found, above it, on both sides (one of them with the
    // name on an older row only), or none.
    void omonimi()
    {
        const struct {
            int codice;
            const char *nome;
        } righe[] = {{7, "Nicolò Bianchi Srl"}, {7, "Bianchi e figli Spa"}, {1, "Nicolò Bianchi Srl"},
                     {1, "Nicolò Bianchi Srl"}, {3, "Nicolo Bianchi Srl"}, {2, "NICOLÒ BIANCHI SRL"},
                     {9, "Verdi Srl"},          {4, "Verdi Srl"},          {5, "Gialli Srl"}};
        int giorno = 1;
        for (const auto &r : righe)
            InserisciRiga(questAnno(3, giorno++), QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("5"),
                          QString::fromUtf8(r.nome), QStringLiteral("BNC%1").arg(r.codice), QString(), r.codice);
        const struct {
            const char *nome, *codice, *stato;
        } casi[] = {{"nicolò bianchi srl", "2", "3 clienti con questo nome: Trova cliente per sceglierne un altro"},
                    {"verdi srl", "4", "2 clienti con questo nome: Trova cliente per sceglierne un altro"},
                    {"gialli srl", "5", ""}};
        for (const auto &c : casi) {
            w->PulisciCampi(false);
            // Typed as an input method does: QTest types ASCII only.
            w->txtDenominazione->setFocus();
            w->txtDenominazione->insert(QString::fromUtf8(c.nome));
            w->DtpData->setFocus();
            QCOMPARE(w->txtCodiceana->text(), QString::fromLatin1(c.codice));
            QCOMPARE(w->statusBar()->currentMessage(), QString::fromUtf8(c.stato));
        }
    }

    // Annulla right after a save asks nothing: there is nothing left to save.
    void annullaDopoSalva()
    {
        const qint64 id = rossiCaricato();
        scriviDescrizione(w, QStringLiteral("bollo corretto"));
        comando(w, QStringLiteral("Salva"));
        QCOMPARE(conta(QStringLiteral("ID=%1 AND DESCRIZIONE='bollo corretto'").arg(id)), 1);
        comando(w, QStringLiteral("Annulla"));
        QVERIFY(messaggi().messaggi.isEmpty());
        QVERIFY(w->txtDenominazione->text().isEmpty());
    }
};

SPESARIO_TEST_MAIN(TstTastiera)
#include "tst_tastiera.moc"
