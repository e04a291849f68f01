#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <QDir>

#include "record/RecordReader.h"

ProgramRun::ProgramRun() {
    EXPECT_TRUE(home_.isValid());
    EXPECT_TRUE(QDir(home_.path()).mkdir("dev"));
}

void ProgramRun::Start(QProcess& program, const QStringList& arguments,
                       const QStringList& extra) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "MERROWBY_TRACE"}) {
        environment.remove(name);
    }
    environment.insert("XDG_DATA_HOME", home_.filePath("data"));
    environment.insert("XDG_CONFIG_HOME", home_.filePath("config"));
    environment.insert("MERROWBY_DEVICE_ROOT", home_.filePath("dev"));
    for (int com = 1; com <= 4; ++com) {
        environment.insert(QStringLiteral("MERROWBY_COM%1").arg(com), home_.filePath("absent"));
    }
    for (const QString& name : extra_.keys()) {
        environment.insert(name, extra_.value(name));
    }
    for (const QString& entry : extra) {
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    }
    program.setProcessEnvironment(environment);
    program.start(MERROWBY_PROGRAM, arguments);
}

ProgramRun::Result ProgramRun::Run(const QStringList& arguments,
                                   const QStringList& environment) const {
    QProcess program;
    Start(program, arguments, environment);
    EXPECT_TRUE(program.waitForFinished(60000)) << arguments.join(' ').toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    return {program.exitCode(), program.readAllStandardOutput(), program.readAllStandardError()};
}

QString ProgramRun::RecordPath() const {
    const QDir records(home_.filePath("data/merrowby/records"));
    const QStringList files = records.entryList({"*.jsonl"}, QDir::Files);
    EXPECT_EQ(files.size(), 1) << files.join(' ').toStdString();
    return files.isEmpty() ? QString() : records.filePath(files.first());
}

QList<QJsonObject> ProgramRun::RecordEvents() const {
    const ReadRecord read = RecordReader::Read(RecordPath());
    EXPECT_TRUE(read.IsRecord()) << read.error.toStdString();
    return read.events;
}
