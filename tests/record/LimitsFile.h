#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// An acceptance-limits file in a folder of its own that goes with the test.
class LimitsFile {
  public:
    explicit LimitsFile(const QByteArray& text) {
        QFile file(Path());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QString Path() const { return folder_.filePath(QStringLiteral("limits.json")); }

  private:
    QTemporaryDir folder_;
};
