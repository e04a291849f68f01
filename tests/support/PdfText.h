#pragma once

#include <gtest/gtest.h>
#include <QProcess>
#include <QString>

// The text of a PDF file, as pdftotext reads it.
inline QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    EXPECT_TRUE(pdftotext.waitForFinished(30000));
    EXPECT_EQ(pdftotext.exitCode(), 0) << path.toStdString();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}
