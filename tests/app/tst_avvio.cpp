// The start window, the version text, the banner and the command icons.
#include "app/frmStart.h"
#include "convert/sorgente_access.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "tests/support/ambiente.h"
#include "values/costanti.h"
#include "widgets/banner.h"
#include "widgets/collegamenti.h"
#include "widgets/etichetta.h"
#include "widgets/icone.h"

#include <QFile>
#include <QGroupBox>
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

class TstAvvio : public QObject {
    Q_OBJECT
    QList<QUrl> m_aperti;

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

    void testoVersione_data()
    {
        QTest::addColumn<QString>("versione");
        QTest::addColumn<QString>("testo");
        QTest::newRow("questo programma") << QStringLiteral("1.01.0003") << QStringLiteral("1.1.3");
        QTest::newRow("zeri interni") << QStringLiteral("2.10.0100") << QStringLiteral("2.10.100");
        QTest::newRow("tutto zero") << QStringLiteral("0.00.0000") << QStringLiteral("0.0.0");
    }
    void testoVersione()
    {
        QFETCH(QString, versione);
        QFETCH(QString, testo);
        QCOMPARE(TestoVersione(versione), testo);
    }

    void controlli()
    {
        frmStart *f = frmStart::Istanza();
        QCOMPARE(f->windowTitle(), QStringLiteral("Gestione spese anticipate"));
        const struct {
            const char *nome;
            const char *testo;  // nullptr: not a text control
        } attesi[] = {
            {"GroupBox1", nullptr},
            {"Image2", nullptr},
            {"Label1", "Gestione spese anticipate"},
            {"Label3", nullptr},
            {"lblVersion", "Versione:"},
            {"lblVerN", "1.1.3"},
            {"Label2", "Visita il nostro sito"},
            {"lblDescription_0", nullptr},
            {"PushButton4", "Help in linea"},
            {"PushButton1", "Informazioni"},
            {"PushButton2", "Continua"},
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
        // Everything sits in the one group frame.
        QVERIFY(f->GroupBox1->isAncestorOf(f->PushButton2));
        QVERIFY(f->GroupBox1->isAncestorOf(f->Image2));
        QCOMPARE(f->lblDescription[0]->text(), QString::fromLatin1(Collegamenti::Host));
        QCOMPARE(f->lblDescription[0]->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!f->Label3->text().isEmpty());
        QCOMPARE(f->Image2->pixmap().deviceIndependentSize().toSize(), QSize(316, 73));
    }

    void collegamenti_data()
    {
        QTest::addColumn<QString>("controllo");
        QTest::addColumn<QString>("percorso");
        QTest::newRow("indirizzo del sito") << QStringLiteral("lblDescription_0") << QStringLiteral("/");
        QTest::newRow("Informazioni") << QStringLiteral("PushButton1")
                                      << QStringLiteral("/PRODOTTI/ANTICIPI/home.aspx");
        QTest::newRow("Help in linea") << QStringLiteral("PushButton4")
                                       << QStringLiteral("/PRODOTTI/ANTICIPI/manuale.aspx");
    }
    void collegamenti()
    {
        QFETCH(QString, controllo);
        QFETCH(QString, percorso);
        frmStart *f = frmStart::Istanza();
        f->show();
        QTest::mouseClick(f->findChild<QWidget *>(controllo), Qt::LeftButton);
        QCOMPARE(m_aperti.size(), 1);
        QCOMPARE(m_aperti.at(0).host(), QString::fromLatin1(Collegamenti::Host));
        QCOMPARE(m_aperti.at(0).path(), percorso);
        // A link opens a page and nothing else: the start window stays, alone.
        QCOMPARE(finestreVisibili(), QList<QWidget *>{f});
        QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
    }

    void testoSenzaClick()
    {
        // The caption beside the link is plain text.
        frmStart *f = frmStart::Istanza();
        f->show();
        QTest::mouseClick(f->Label2, Qt::LeftButton);
        QTest::mouseClick(f->lblVerN, Qt::LeftButton);
        QVERIFY(m_aperti.isEmpty());
    }

    void continuaLasciaSoloIlRegistro_data()
    {
        QTest::addColumn<bool>("tastiera");
        QTest::newRow("click") << false;
        QTest::newRow("Invio") << true;
    }
    void continuaLasciaSoloIlRegistro()
    {
        QFETCH(bool, tastiera);
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();  // the ledger opens the archive the settings name
        QPointer<frmStart> f = frmStart::Istanza();
        f->show();
        if (tastiera)
            QTest::keyClick(f->PushButton2, Qt::Key_Return);
        else
            QTest::mouseClick(f->PushButton2, Qt::LeftButton);
        eliminaChiuse();
        QVERIFY(!f);
        QVERIFY(!frmStart::Esistente());
        QVERIFY(frmAnticipi::Esistente());
        QCOMPARE(finestreVisibili(), QList<QWidget *>{frmAnticipi::Esistente()});
        QVERIFY(Archivio::ConnArchivio().Aperto());
        QVERIFY(Ambiente::corrente().messaggi.messaggi.isEmpty());
        QVERIFY(m_aperti.isEmpty());
    }

    // The earlier program's file where the archive is: offered for conversion by a build that
    // reads it; one that cannot says so at once, without asking first. The file stays as it was and
    // the archive closed.
    void archivioDelProgrammaPrecedente()
    {
        SOLO_SQLITE("about the archive folder's file");
        Ambiente::corrente().apriArchivioNuovo();
        Archivio::Rilascia();
        const QString file = Ambiente::corrente().cartellaArchivio() + QStringLiteral("/archivio.mdb");
        QByteArray jet(4096, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(jet);
        }
        MessaggiFinti &m = Ambiente::corrente().messaggi;
        m.risposte = {Risposta::No};
        frmStart::Istanza()->PushButton2_Click();
        eliminaChiuse();
        const QString primo = m.testi().value(0);
        if (LeggeAccess()) {
            QVERIFY2(primo.contains(QStringLiteral("Convertirlo nel nuovo formato?")), qPrintable(primo));
        } else {
            QVERIFY2(primo.contains(QStringLiteral("questa versione del programma non legge gli archivi Access")),
                     qPrintable(primo));
            QVERIFY2(!m.testi().join(QLatin1Char('|')).contains(QStringLiteral("Convertirlo nel nuovo formato")),
                     qPrintable(m.testi().join(QLatin1Char('|'))));
        }
        QVERIFY(!Archivio::ConnArchivio().Aperto());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), jet);
    }

    void banner()
    {
        const QImage img = BannerCorvalle().toImage();
        QCOMPARE(img.size(), QSize(316, 73));
        QVERIFY(!img.hasAlphaChannel());
        // Blue letters above the horizon, and their fainter mirror image below it.
        auto blu = [&](int y0, int y1) {
            int n = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    n += c.blue() - c.red() > 60 ? 1 : 0;
                }
            return n;
        };
        QVERIFY(blu(5, 46) > 1000);
        QVERIFY(blu(48, 73) > 100);
        QVERIFY(blu(48, 73) < blu(5, 46));
        // Sharp on a double-density screen.
        QCOMPARE(BannerCorvalle(2.0).toImage().size(), QSize(632, 146));
    }

    void icone()
    {
        QList<QImage> viste;
        QList<QIcon> icone;
        for (int id = 1; id <= 9; ++id)
            icone << IconaComando(id);
        icone << IconaTrova() << IconaFiltro();
        for (const QIcon &i : icone) {
            QVERIFY(!i.isNull());
            QVERIFY(i.availableSizes().contains(QSize(16, 16)));
            QVERIFY(i.availableSizes().contains(QSize(32, 32)));
            const QImage img = i.pixmap(QSize(16, 16), 1.0).toImage();
            QCOMPARE(img.size(), QSize(16, 16));
            int pieni = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    pieni += qAlpha(img.pixel(x, y)) > 128 ? 1 : 0;
            // A glyph, neither empty nor a filled square.
            QVERIFY(pieni > 30);
            QVERIFY(pieni < 250);
            // No two commands look the same.
            QVERIFY(!viste.contains(img));
            viste << img;
        }
        QVERIFY(IconaComando(0).isNull());
        QVERIFY(IconaComando(10).isNull());
        QVERIFY(IconaComando(100).isNull());
    }
};

SPESARIO_TEST_MAIN(TstAvvio)
#include "tst_avvio.moc"
