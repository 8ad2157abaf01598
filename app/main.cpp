#include "app/frmStart.h"
#include "store/costanti.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Spesario"));
    QApplication::setOrganizationName(QStringLiteral("Corvalle"));
    QApplication::setApplicationVersion(TestoVersione());
    ImpostaLocaleItaliano();
    CaricaTraduzioniQt();
    // The menu entry and the icon the package installs: the desktop matches the window to them.
    QGuiApplication::setDesktopFileName(QStringLiteral(SPESARIO_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SPESARIO_ID)));
    frmStart::Istanza()->show();
    return app.exec();
}
