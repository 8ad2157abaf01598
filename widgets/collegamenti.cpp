#include "widgets/collegamenti.h"

#include <QDesktopServices>

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

void Apri(const QUrl &indirizzo)
{
    if (apertura())
        apertura()(indirizzo);
    else
        QDesktopServices::openUrl(indirizzo);
}

void ImpostaApertura(FunzioneApertura f) { apertura() = std::move(f); }
} // namespace Collegamenti
