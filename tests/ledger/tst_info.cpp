// The about window and the ledger's Help menu.
#include "ledger/frmAbout.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "store/impostazioni.h"
#include "tests/support/ambiente.h"
#include "widgets/collegamenti.h"
#include "widgets/etichetta.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {
QList<QWidget *> finestreVisibili()
{
    QList<QWidget *> r;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            r << w;
    return r;
}

void eliminaChiuse() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
} // namespace

class TstInfo : public QObject {
    Q_OBJECT
    QList<QUrl> m_aperti;

    frmAnticipi *registro()
    {
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        frmAnticipi *r = frmAnticipi::Istanza();
        r->show();
        return r;
    }
    // The Help entry, chosen as the user does: from the drop-down's menu.
    void scegli(frmAnticipi *r, const QString &voce)
    {
        QAction *a = r->ControlloBarra(voce);
        QVERIFY2(a, qPrintable(voce));
        a->trigger();
    }

private Q_SLOTS:
    void init()
    {
        Ambiente::corrente().azzera();
        m_aperti.clear();
        Collegamenti::ImpostaApertura([this](const QUrl &u) { m_aperti << u; });
    }
    void cleanup()
    {
        Collegamenti::ImpostaApertura(nullptr);
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
        eliminaChiuse();
        Archivio::Rilascia();
    }

    void controlli()
    {
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Informazioni su..."));
        frmAbout *f = frmAbout::Esistente();
        QVERIFY(f);
        QCOMPARE(f->windowTitle(), QStringLiteral("Info"));
        const struct {
            const char *nome;
            const char *testo;  // nullptr: not checked
        } attesi[] = {
            {"Image1", nullptr},
            {"lblTitle_0", "Gestione spese anticipate Corvalle"},
            {"lblTitle_1", nullptr},
            {"lblVersion_1", "Versione:"},
            {"lblVerN", "1.1.3"},
            {"lblVersion_0", nullptr},
            {"lblDescription_0", nullptr},
            {"lblDescription_1", nullptr},
            {"lblDescription_2", nullptr},
            {"lblDescription_3", nullptr},
            {"lblDescription_4", "Sito web:"},
            {"lblDescription_5", nullptr},
            {"lblDescription_6", nullptr},
            {"Line1_0", nullptr},
            {"Line1_1", nullptr},
            {"PushButton1", "Informazioni"},
            {"cmdOK", "&OK"},
        };
        for (const auto &a : attesi) {
            auto *w = f->findChild<QWidget *>(QString::fromLatin1(a.nome));
            QVERIFY2(w, a.nome);
            if (!a.testo)
                continue;
            if (auto *l = qobject_cast<QLabel *>(w))
                QCOMPARE(l->text(), QString::fromUtf8(a.testo));
            else
                QCOMPARE(qobject_cast<QPushButton *>(w)->text(), QString::fromUtf8(a.testo));
        }
        QCOMPARE(f->lblDescription[5]->text(), QString::fromLatin1(Collegamenti::Host));
        QVERIFY(f->lblDescription[6]->text().startsWith(QStringLiteral("Posta elettronica:")));
        QVERIFY(f->lblDescription[6]->text().contains(QString::fromLatin1(Collegamenti::PostaAssistenza)));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!f->lblDescription[i]->text().isEmpty());
        // No telephone set by the settings or the build: no line rather than a made-up number.
        QVERIFY(f->lblDescription[3]->isHidden());
        // Only the two links show the hand.
        for (int i = 0; i < 7; ++i)
            QCOMPARE(f->lblDescription[i]->cursor().shape(), i >= 5 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        QCOMPARE(f->Image1->pixmap().deviceIndependentSize().toSize(), QSize(316, 73));
    }

    void modelessSopraIlRegistro()
    {
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Informazioni su..."));
        frmAbout *f = frmAbout::Esistente();
        QVERIFY(f && f->isVisible());
        QCOMPARE(f->parentWidget(), static_cast<QWidget *>(r));
        QVERIFY(f->isWindow());
        QVERIFY(!f->isModal());
        QVERIFY(!QApplication::activeModalWidget());
        // The ledger stays usable meanwhile.
        QVERIFY(r->isEnabled());
        QVERIFY(r->txtDenominazione->isEnabled());
    }

    void unaSolaFinestra()
    {
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Informazioni su..."));
        QPointer<frmAbout> prima = frmAbout::Esistente();
        scegli(r, QStringLiteral("Informazioni su..."));
        QCOMPARE(frmAbout::Esistente(), prima.data());
        QCOMPARE(r->findChildren<frmAbout *>().size(), 1);
        QCOMPARE(finestreVisibili().size(), 2);

        // OK closes it; the command then opens a new one.
        QTest::mouseClick(prima->cmdOK, Qt::LeftButton);
        eliminaChiuse();
        QVERIFY(!prima);
        QVERIFY(!frmAbout::Esistente());
        QCOMPARE(finestreVisibili(), QList<QWidget *>{r});
        scegli(r, QStringLiteral("Informazioni su..."));
        QVERIFY(frmAbout::Esistente() && frmAbout::Esistente()->isVisible());
        QVERIFY(m_aperti.isEmpty());
    }

    void chiusoColRegistro()
    {
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Informazioni su..."));
        QPointer<frmAbout> f = frmAbout::Esistente();
        r->close();
        eliminaChiuse();
        QVERIFY(!f);
        QVERIFY(finestreVisibili().isEmpty());
    }

    void telefonoDalleImpostazioni()
    {
        frmAnticipi *r = registro();
        Impostazioni::Scrivi(Impostazioni::Telefono, QStringLiteral("Tel. 030 1234567"));
        scegli(r, QStringLiteral("Informazioni su..."));
        frmAbout *f = frmAbout::Esistente();
        QCOMPARE(f->lblDescription[3]->text(), QStringLiteral("Tel. 030 1234567"));
        QVERIFY(!f->lblDescription[3]->isHidden());
    }

    void collegamenti_data()
    {
        QTest::addColumn<QString>("controllo");
        QTest::addColumn<QString>("indirizzo");  // empty: nothing opens
        const QString sito = QStringLiteral("https://") + QString::fromLatin1(Collegamenti::Host);
        for (int i = 0; i <= 4; ++i)
            QTest::addRow("lblDescription_%d", i) << QStringLiteral("lblDescription_%1").arg(i) << QString();
        QTest::newRow("sito") << QStringLiteral("lblDescription_5") << sito + QStringLiteral("/");
        QTest::newRow("posta") << QStringLiteral("lblDescription_6")
                               << QStringLiteral("mailto:") + QString::fromLatin1(Collegamenti::PostaAssistenza);
        QTest::newRow("Informazioni") << QStringLiteral("PushButton1")
                                      << sito + QStringLiteral("/PRODOTTI/ANTICIPI/home.aspx");
        QTest::newRow("titolo") << QStringLiteral("lblTitle_0") << QString();
        QTest::newRow("versione") << QStringLiteral("lblVerN") << QString();
    }
    void collegamenti()
    {
        QFETCH(QString, controllo);
        QFETCH(QString, indirizzo);
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Informazioni su..."));
        frmAbout *f = frmAbout::Esistente();
        QTest::mouseClick(f->findChild<QWidget *>(controllo), Qt::LeftButton);
        if (indirizzo.isEmpty())
            QVERIFY(m_aperti.isEmpty());
        else
            QCOMPARE(m_aperti, QList<QUrl>{QUrl(indirizzo)});
        // Nothing else happens: no message, and the window stays open.
        QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
        QCOMPARE(frmAbout::Esistente(), f);
        QVERIFY(f->isVisible());
    }

    void manualeInLinea()
    {
        frmAnticipi *r = registro();
        scegli(r, QStringLiteral("Manuale in linea"));
        QCOMPARE(m_aperti.size(), 1);
        QCOMPARE(m_aperti.at(0).scheme(), QStringLiteral("https"));
        QCOMPARE(m_aperti.at(0).host(), QString::fromLatin1(Collegamenti::Host));
        QCOMPARE(m_aperti.at(0).path(), QStringLiteral("/PRODOTTI/ANTICIPI/manuale.aspx"));
        QVERIFY(!frmAbout::Esistente());
        QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
    }
};

SPESARIO_TEST_MAIN(TstInfo)
#include "tst_info.moc"
