#include "app/frmStart.h"
#include "store/costanti.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Spesario"));
    QApplication::setOrganizationName(QStringLiteral("Corvalle"));
    QApplication::setApplicationVersion(TestoVersione());
    ImpostaLocaleItaliano();
    frmStart::Istanza()->show();
    return app.exec();
}
