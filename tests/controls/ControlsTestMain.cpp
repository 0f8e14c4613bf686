#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("LorvenaTests"));
    QApplication::setApplicationName(QStringLiteral("LorvenaControlsTests"));
    return RUN_ALL_TESTS();
}
