#include "widgets/collegamenti.h"

#include "widgets/messaggi.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace Collegamenti {
namespace {
FunzioneApertura &apertura()
{
    static FunzioneApertura f;
    return f;
}

QUrl sulSito(const QString &percorso)
{
    QUrl u;
    u.setScheme(QStringLiteral("https"));
    u.setHost(QString::fromLatin1(Host));
    u.setPath(percorso);
    return u;
}
} // namespace

QString TestoSito() { return QString::fromLatin1(Host); }

QUrl PaginaIniziale() { return sulSito(QStringLiteral("/")); }
QUrl PaginaProdotto() { return sulSito(QStringLiteral("/PRODOTTI/ANTICIPI/home.aspx")); }
QUrl Manuale() { return sulSito(QStringLiteral("/PRODOTTI/ANTICIPI/manuale.aspx")); }
QUrl Assistenza() { return QUrl(QStringLiteral("mailto:") + QString::fromLatin1(PostaAssistenza)); }

QString GuidaLocale(const QString &cartellaProgramma)
{
    const QDir programma(cartellaProgramma);
    // Installed on Linux, in the build tree, beside the program on Windows.
    for (const char *percorso : {"../share/doc/spesario/guida.html", "../docs/guida.html", "guida.html"}) {
        // Resolved as text: "bin/.." names the prefix even where bin is a link elsewhere.
        const QString guida = QDir::cleanPath(programma.filePath(QString::fromLatin1(percorso)));
        if (QFileInfo(guida).isFile())
            return guida;
    }
    return QString();
}

QUrl Guida()
{
    const QString locale = GuidaLocale(QCoreApplication::applicationDirPath());
    return locale.isEmpty() ? Manuale() : QUrl::fromLocalFile(locale);
}

void Apri(const QUrl &indirizzo)
{
    if (apertura()) {
        apertura()(indirizzo);
        return;
    }
    if (QDesktopServices::openUrl(indirizzo))
        return;
    // No browser, no mail program, no xdg-open: Qt only writes a warning that nobody sees.
    const QString testo = indirizzo.isLocalFile() ? QDir::toNativeSeparators(indirizzo.toLocalFile())
                                                  : indirizzo.toString();
    Messaggi::informa(QApplication::activeWindow(),
                      QStringLiteral("Nessun programma di questo computer può aprire:\n%1\n\n"
                                     "Serve un browser (per un indirizzo di posta, un programma di posta "
                                     "elettronica); su Linux anche il pacchetto xdg-utils.")
                          .arg(testo),
                      QString());
}

void ImpostaApertura(FunzioneApertura f) { apertura() = std::move(f); }
} // namespace Collegamenti
