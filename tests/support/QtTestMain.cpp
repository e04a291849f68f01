#include <gtest/gtest.h>

#include <QApplication>
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
    // The settings the windows keep (the technician's name) likewise.
    const QTemporaryDir configHome;
    if (configHome.isValid()) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
