// Smoke program of the Windows cache: every library loads and does one real thing under Wine.
// Prints one line per check and exits 1 if any failed.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QPrinterInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <libpq-fe.h>
#include <sqlite3.h>
#ifdef PROVA_LIBMDB
#include <mdbtools.h>
#endif

static int falliti = 0;

static void controlla(bool ok, const QString &cosa)
{
    std::printf("%s: %s\n", ok ? "ok" : "FALLITO", cosa.toUtf8().constData());
    std::fflush(stdout);
    if (!ok)
        ++falliti;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    controlla(!QGuiApplication::platformName().isEmpty(), QStringLiteral("piattaforma ") + QGuiApplication::platformName());

    QMainWindow finestra;
    auto *etichetta = new QLabel(QStringLiteral("Nicolò — 1.234,50 €"));
    finestra.setCentralWidget(etichetta);
    finestra.show();
    QApplication::processEvents();
    controlla(finestra.isVisible() && etichetta->text().contains(QChar(0x00F2)), QStringLiteral("finestra con testo Unicode"));

    controlla(QStyleFactory::keys().contains(QStringLiteral("windowsvista"), Qt::CaseInsensitive),
              QStringLiteral("stili ") + QStyleFactory::keys().join(QLatin1Char(',')));

    QTranslator traduttore;
    const QString cartellaTraduzioni = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    controlla(traduttore.load(QStringLiteral("qtbase_it"), cartellaTraduzioni),
              QStringLiteral("qtbase_it.qm in ") + QDir::toNativeSeparators(cartellaTraduzioni));
    QCoreApplication::installTranslator(&traduttore);
    controlla(QCoreApplication::translate("QPlatformTheme", "Cancel") == QStringLiteral("Annulla"),
              QStringLiteral("testo tradotto: ") + QCoreApplication::translate("QPlatformTheme", "Cancel"));
    (void)QPrinterInfo::availablePrinterNames();

    // SQLite: the DLL's version is the header's, and a file under a non-ASCII path opens (UTF-8 names).
    controlla(std::strcmp(sqlite3_libversion(), SQLITE_VERSION) == 0,
              QStringLiteral("SQLite ") + QString::fromUtf8(sqlite3_libversion()));
    QTemporaryDir cartella;
    const QByteArray percorso = cartella.filePath(QStringLiteral("Nicolò.db")).toUtf8();
    sqlite3 *db = nullptr;
    const bool aperto = sqlite3_open_v2(percorso.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                        nullptr) == SQLITE_OK &&
                        sqlite3_exec(db, "CREATE TABLE T(X); INSERT INTO T VALUES(1);", nullptr, nullptr,
                                     nullptr) == SQLITE_OK;
    sqlite3_close(db);
    controlla(aperto && QFile::exists(cartella.filePath(QStringLiteral("Nicolò.db"))),
              QStringLiteral("SQLite in un percorso non ASCII"));

    // libpq: its version, and OpenSSL inside it (sslmode=require needs it).
    const char *ssl = PQsslAttribute(nullptr, "library");
    controlla(PQlibVersion() >= 150000, QStringLiteral("libpq %1").arg(PQlibVersion()));
    controlla(ssl && std::strcmp(ssl, "OpenSSL") == 0, QStringLiteral("libpq con ") + QString::fromUtf8(ssl ? ssl : "(nessuna SSL)"));

#ifdef PROVA_LIBMDB
    // libmdb: a missing file is refused, not a crash.
    controlla(mdb_open("Z:\\non\\esiste.mdb", MDB_NOFLAGS) == nullptr, QStringLiteral("libmdb"));
#endif

    std::printf("%d falliti\n", falliti);
    return falliti == 0 ? 0 : 1;
}
