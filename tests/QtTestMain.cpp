// main() of the test programs that need Qt: one QApplication (on the
// offscreen platform, which CTest sets) for the whole run. What the windows
// remember (folders, programs to open a type with) goes to settings of the
// run's own, in a temporary folder: never the user's, and alike on every
// system (on Windows Qt's default would be the registry).
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QTemporaryDir settings;
    QCoreApplication::setOrganizationName(QStringLiteral("Packwright tests"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
