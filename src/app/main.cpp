#include "app/CTavrinApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lorvena"));
    QApplication::setApplicationName(QStringLiteral("Lorvena"));
    return lorvena::CTavrinApp().run();
}
