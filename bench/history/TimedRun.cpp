#include "TimedRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

qint64 TimedRunMs(const QString& home, const QStringList& arguments, QByteArray& out,
                  int timeoutMs) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", QDir(home).filePath("data"));
    environment.insert("XDG_CONFIG_HOME", QDir(home).filePath("config"));
    program.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    program.start(MERROWBY_PROGRAM, arguments);
    program.waitForFinished(timeoutMs);
    const qint64 elapsed = clock.elapsed();
    out = program.readAllStandardOutput();
    return program.exitCode() == 0 ? elapsed : -1;
}
