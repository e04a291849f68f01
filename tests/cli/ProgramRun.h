#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The program started as a user starts it from a shell without a desktop: no DISPLAY, no
// WAYLAND_DISPLAY, no QT_QPA_PLATFORM; its data, settings and default devices in a folder of
// its own, and COM1 to COM4 standing for nothing unless --port says otherwise.
class ProgramRun {
  public:
    ProgramRun();

    struct Result {
        int status = -1;
        QByteArray out;
        QByteArray err;
    };

    // Starts the program; the caller waits. environment: "NAME=VALUE" entries set besides.
    void Start(QProcess& program, const QStringList& arguments,
               const QStringList& environment = {}) const;
    Result Run(const QStringList& arguments, const QStringList& environment = {}) const;
    // The events of the one service record in the records folder.
    QList<QJsonObject> RecordEvents() const;
    QString RecordPath() const;
    QString FilePath(const QString& name) const { return home_.filePath(name); }
    // A variable set in the environment of every run from now on.
    void SetEnvironment(const QString& name, const QString& value) { extra_.insert(name, value); }

  private:
    QTemporaryDir home_;
    QProcessEnvironment extra_;
};
