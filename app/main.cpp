#include "app/frmStart.h"
#include "convert/scambio.h"
#include "values/costanti.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstring>
#include <QIcon>

int main(int argc, char **argv)
{
    // The copy of an archive runs without a display: no QApplication, no platform plugin.
    if (argc >= 2 && std::strcmp(argv[1], "--copia-archivio") == 0) {
        QCoreApplication app(argc, argv);
        ImpostaApplicazione();
        return CopiaDaRigaDiComando(QCoreApplication::arguments().mid(2));
    }
    QApplication app(argc, argv);
    ImpostaApplicazione();
    CaricaTraduzioniQt();
    // The menu entry and the icon the package installs: the desktop matches the window to them.
    QGuiApplication::setDesktopFileName(QStringLiteral(SPESARIO_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(SPESARIO_ID)));
    frmStart::Istanza()->show();
    return app.exec();
}
