// Entry point of the control tests: Qt's offscreen platform, and a profile
// of their own so that saved list widths never touch a real user's.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir profiles;
    if (!profiles.isValid())
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, profiles.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, profiles.path());
    return RUN_ALL_TESTS();
}
