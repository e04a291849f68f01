#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // What the program keeps in the user's data folder (the service records) goes to a folder
    // of this run, for the windows made here and the programs started from here alike.
    const QTemporaryDir dataHome;
    if (dataHome.isValid()) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    }
    QApplication application(argc, argv);
    // The settings the windows made here keep (the technician's name) likewise; programs
    // started from here are given their own.
    const QTemporaryDir configHome;
    if (configHome.isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome.path());
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
