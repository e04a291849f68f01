// The report's window and files with bad input: a save that fails, one long unbroken word,
// notes with line breaks, and what the HTML page says of itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QXmlStreamReader>

#include "AccessibleEventRecorder.h"
#include "FeedbackRecorder.h"
#include "FileSizeLimit.h"
#include "PdfText.h"
#include "QStringPrinter.h"
#include "record/VisitRecord.h"
#include "report/IssuerDialog.h"
#include "report/ReportDetailsFields.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"
#include "report/ServiceReportWindow.h"

namespace {

const VisitRecord::Origin kOrigin{"1.0", "tech", "bench-pc"};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of the row named `name` in an XHTML report's field tables.
QString FieldValue(const QByteArray& xhtml, const QString& name) {
    QXmlStreamReader xml(xhtml);
    QStringList cells;
    QString cell;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QStringLiteral("tr")) {
            cells.clear();
        } else if (token == QXmlStreamReader::StartElement &&
                   (xml.name() == QStringLiteral("th") || xml.name() == QStringLiteral("td"))) {
            cell.clear();
        } else if (token == QXmlStreamReader::Characters) {
            cell += xml.text();
        } else if (token == QXmlStreamReader::EndElement &&
                   (xml.name() == QStringLiteral("th") || xml.name() == QStringLiteral("td"))) {
            cells << cell.trimmed();
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("tr") &&
                   cells.size() == 2 && cells[0] == name) {
            return cells[1];
        }
    }
    return {};
}

class ReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QTemporaryDir folder;
    FeedbackRecorder feedback;
    VisitRecord record{kOrigin};
    ServiceReportWindow window{record, nullptr};
};

TEST_F(ReportFileTest, ASaveThatFailsSaysSoOnceAndKeepsTheOldFile) {
    for (const char* name : {"report.pdf", "report.html"}) {
        SCOPED_TRACE(name);
        feedback.Clear();
        ASSERT_TRUE(QDir(folder.path()).mkdir(name + QStringLiteral(".d")));
        const QString place = folder.filePath(name + QStringLiteral(".d"));
        const QString path = QDir(place).filePath(name);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the report saved before");
        old.close();
        {
            // The disk takes 1,000 bytes a file: less than any report.
            const FileSizeLimit full(1000);
            ASSERT_TRUE(full.IsSet());
            QFile probe(QDir(place).filePath("probe"));
            ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
            ASSERT_TRUE(probe.write(QByteArray(2000, 'x')) < 2000 || !probe.flush())
                << "a write past 1,000 bytes fails";
            probe.close();
            probe.remove();

            EXPECT_FALSE(window.SaveTo(path));
        }
        ASSERT_EQ(feedback.Messages(), 1);
        EXPECT_TRUE(feedback.events[0].text.startsWith(path + " could not be written: "))
            << feedback.events[0].text.toStdString();
        EXPECT_EQ(ReadAll(path), "the report saved before");
        EXPECT_EQ(QDir(place).entryList(QDir::Files | QDir::Hidden), QStringList{name})
            << "nothing left beside it";
    }

    feedback.Clear();
    EXPECT_FALSE(window.SaveTo("/dev/full"));
    ASSERT_EQ(feedback.Messages(), 1);
    EXPECT_EQ(feedback.events[0].text, "/dev/full could not be written: It is not a file.");
}

// Saved before the visit's exit, the report has no end to give: it says the visit goes on.
TEST_F(ReportFileTest, AReportSavedDuringTheVisitSaysItIsUnderWayWhereItsEndGoes) {
    record.Event("notes", {{"text", "Lamp replaced."}});
    const QString html = folder.filePath("report.html");
    ASSERT_TRUE(window.SaveTo(html));
    EXPECT_EQ(FieldValue(ReadAll(html), "Card left"), "Not yet: the visit is under way.");
    EXPECT_EQ(FieldValue(ReadAll(html), "Ended"), "Not yet: the visit is under way.");

    record.Event("exit", {});
    ASSERT_TRUE(window.SaveTo(html));
    const QDateTime exit =
        QDateTime::fromString(record.LastEvent().value("time").toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(exit.isValid());
    EXPECT_TRUE(FieldValue(ReadAll(html), "Ended")
                    .startsWith(exit.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))))
        << FieldValue(ReadAll(html), "Ended").toStdString();
}

TEST_F(ReportFileTest, PastedNotesAreCutAt20000CharactersWithOneMessage) {
    window.show();
    QGuiApplication::clipboard()->setText(QString(25000, QLatin1Char('x')));
    window.NotesField()->paste();
    EXPECT_EQ(window.NotesField()->toPlainText(), QString(20000, QLatin1Char('x')));
    ASSERT_EQ(feedback.Messages(), 1);
    EXPECT_EQ(feedback.events[0].text,
              "The notes hold at most 20,000 characters; the rest was left out.");

    // A key typed into full notes is left out as well, and said again.
    QTest::keyClick(window.NotesField(), Qt::Key_Y);
    EXPECT_EQ(window.NotesField()->toPlainText(), QString(20000, QLatin1Char('x')));
    EXPECT_EQ(feedback.Messages(), 2);

    window.CommitNotes();
    EXPECT_EQ(ServiceReport::FromEvents(record.Events()).notes.size(), 20000);

    // A record that holds longer notes shows 20,000 characters of them, with a note.
    QList<QJsonObject> events = record.Events();
    events.append({{"event", "notes"}, {"text", QString(30000, QLatin1Char('y'))}});
    const ServiceReport report = ServiceReport::FromEvents(events);
    EXPECT_EQ(report.notes, QString(20000, QLatin1Char('y')));
    EXPECT_EQ(report.readNotes,
              QStringList{"The notes are longer than 20,000 characters; the rest is left out."});
}

TEST_F(ReportFileTest, AnUnbrokenWordBreaksWithinThePage) {
    VisitRecord visit(kOrigin);
    visit.Event("notes", {{"text", QString(20000, QLatin1Char('#'))}});
    visit.Event("go_online", {{"reply", QString(5000, QLatin1Char('y'))}});
    visit.Event("dump_start", {{"tube", "left"}, {"file", QString(900, QLatin1Char('z'))}});
    ReportDocument document(ServiceReport::FromEvents(visit.Events()));
    QTextDocument& text = document.Document();
    text.setTextWidth(800);
    EXPECT_LE(text.size().width(), 800.0);

    // On paper too: what ran past the page's edge would not be in its text.
    const QString pdf = folder.filePath("report.pdf");
    ASSERT_EQ(document.SaveAs(pdf), QString());
    EXPECT_EQ(PdfText(pdf).count(QLatin1Char('#')), 20000);
}

TEST_F(ReportFileTest, NotesKeepTheirLineBreaksAndTheHtmlPageNamesItsCharsetAndLanguage) {
    record.Event("notes", {{"text", "Lamp replaced.\nSensor 3 cleaned."}});
    ReportDocument document(ServiceReport::FromEvents(record.Events()));

    const QString pdf = folder.filePath("report.pdf");
    ASSERT_EQ(document.SaveAs(pdf), QString());
    const QString text = PdfText(pdf);
    const qsizetype first = text.indexOf("Lamp replaced.");
    const qsizetype second = text.indexOf("Sensor 3 cleaned.");
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first);
    EXPECT_TRUE(text.mid(first, second - first).contains('\n')) << text.toStdString();

    const QString html = folder.filePath("report.html");
    ASSERT_EQ(document.SaveAs(html), QString());
    QXmlStreamReader xml(ReadAll(html));
    QString charset;
    QString language;
    QString notesCell;
    bool inNotes = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QStringLiteral("html")) {
                language = xml.attributes().value("lang").toString();
            } else if (xml.name() == QStringLiteral("meta")) {
                charset = xml.attributes().value("charset").toString();
            } else if (xml.name() == QStringLiteral("br") && inNotes) {
                notesCell += '\n';
            }
        } else if (token == QXmlStreamReader::Characters &&
                   xml.text().contains(QStringLiteral("Lamp"))) {
            inNotes = true;
            notesCell += xml.text();
        } else if (token == QXmlStreamReader::Characters && inNotes) {
            notesCell += xml.text();
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("p")) {
            inNotes = false;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(charset, "UTF-8");
    EXPECT_EQ(language, "en");
    EXPECT_EQ(notesCell.trimmed(), "Lamp replaced.\nSensor 3 cleaned.");
}

TEST_F(ReportFileTest, EscapeClosesTheWindowAndTheFocusStartsOnAField) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused, static_cast<QWidget*>(window.DetailsFields()->Field("model")));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(focused);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Model:");

    QTest::keyClick(focused, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// As in a dialog, Enter of either keyboard presses the focused button; in a field it presses
// none.
TEST_F(ReportFileTest, EnterPressesTheFocusedButton) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QPushButton* history = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Instrument &History...")) {
            history = button;
        }
    }
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(history->isEnabled());
    const QSignalSpy pressed(history, &QAbstractButton::clicked);
    history->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(history->hasFocus());
    QTest::keyClick(history, Qt::Key_Return);
    history->setFocus(Qt::TabFocusReason);
    QTest::keyClick(history, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(pressed.count(), 2);

    QWidget* model = window.DetailsFields()->Field("model");
    model->setFocus(Qt::TabFocusReason);
    QTest::keyClick(model, Qt::Key_Return);
    EXPECT_EQ(pressed.count(), 2);
    EXPECT_TRUE(window.isVisible());
}

// "Save As..." opens on the report number as a PDF's name, in the folder last saved in.
TEST_F(ReportFileTest, SaveAsSuggestsTheReportNumberInTheFolderLastUsed) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QString number = window.Document().Report().reportNumber;
    ASSERT_TRUE(number.startsWith("SR-")) << number.toStdString();
    ASSERT_TRUE(QDir(folder.path()).mkdir("reports"));
    const QString reports = folder.filePath("reports");
    ASSERT_TRUE(window.SaveTo(reports + "/first.html"));

    QPushButton* saveAs = nullptr;
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("&Save As...")) {
            saveAs = button;
        }
    }
    ASSERT_NE(saveAs, nullptr);
    QStringList offered;
    QTimer::singleShot(0, &window, [&] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (chooser != nullptr) {
            offered = chooser->selectedFiles();
            chooser->reject();
        }
    });
    saveAs->click();
    EXPECT_EQ(offered, QStringList{QDir(reports).filePath(number + ".pdf")});
}

TEST_F(ReportFileTest, ASaveSaysItIsDoneInAStatusAssistiveToolsAreTold) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const AccessibleEventRecorder told;
    const QString pdf = folder.filePath("report.pdf");
    ASSERT_TRUE(window.SaveTo(pdf));
    EXPECT_EQ(window.StatusLabel()->text(), "Saved as " + pdf + ".");
    const auto named = told.Of(window.StatusLabel(), QAccessible::NameChanged);
    EXPECT_EQ(named.size(), 1u) << "spoken once";
    EXPECT_EQ(told.notifications, std::vector<QString>{"Saved as " + pdf + "."})
        << "a notification, spoken wherever the focus is";
}

// "Authorised By..." of the window: recorded in the visit's record with its time, and named
// by every report issued after it; the interim report saved twice keeps its revision.
TEST_F(ReportFileTest, AnAuthorisationIsRecordedAndEachSaveIsAnIssueOfTheVisit) {
    ASSERT_TRUE(window.Authorise("Ann Lee", "Quality Manager"));
    const QJsonObject authorised = record.LastEvent();
    EXPECT_EQ(authorised.value("event"), "authorisation");
    EXPECT_EQ(authorised.value("name"), "Ann Lee");
    EXPECT_EQ(authorised.value("role"), "Quality Manager");
    EXPECT_TRUE(authorised.contains("time"));

    for (const char* name : {"first.html", "second.html"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(window.SaveTo(folder.filePath(name)));
        const QString page = QString::fromUtf8(ReadAll(folder.filePath(name)));
        EXPECT_EQ(FieldValue(page.toUtf8(), "Authorised by"), "Ann Lee, Quality Manager");
        EXPECT_TRUE(page.contains("Interim report: the visit was under way")) << "no exit yet";
        EXPECT_TRUE(page.contains("Revision 0.")) << "the same content";
        const QJsonObject issued = record.LastEvent();
        EXPECT_EQ(issued.value("event"), "report_issued");
        EXPECT_EQ(issued.value("file"), name);
        EXPECT_EQ(issued.value("revision"), 0);
    }
}

TEST_F(ReportFileTest, TheReportIsATextWithACaretThatReadsATableRowWithItsHeadings) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTextBrowser* browser = window.Browser();
    browser->setFocus();
    ASSERT_TRUE(browser->hasFocus());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(browser);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Report");
    EXPECT_TRUE(accessible->state().readOnly);
    EXPECT_TRUE(accessible->state().focused);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    const QString all = text->text(0, text->characterCount());
    int start = 0;
    int end = 0;

    const int model = int(all.indexOf("Model: not given\n"));
    ASSERT_GE(model, 0);
    EXPECT_EQ(text->textAtOffset(model + 3, QAccessible::LineBoundary, &start, &end),
              "Model: not given\n");

    const QString headings =
        "Table of 8 rows: Sensor, Voltage, Current, Trip point, Power level, Status\n";
    const int headingRow = int(all.indexOf(headings));
    ASSERT_GE(headingRow, 0);
    EXPECT_EQ(text->textAtOffset(headingRow, QAccessible::LineBoundary, &start, &end), headings);
    const AccessibleEventRecorder told;
    text->setCursorPosition(headingRow);
    QTest::keyClick(browser, Qt::Key_Down);
    EXPECT_GT(text->cursorPosition(), headingRow) << "Down moves the caret";
    EXPECT_FALSE(told.Of(browser, QAccessible::TextCaretMoved).empty());
    const QString row =
        "Sensor: 0, Voltage: not read, Current: not read, Trip point: not read, Power level: not "
        "read, Status: not read\n";
    const int caret = text->cursorPosition();
    EXPECT_EQ(text->textAtOffset(caret, QAccessible::LineBoundary, &start, &end), row);
    EXPECT_EQ(start, headingRow + headings.size()) << "the row after the heading row";
    EXPECT_EQ(text->textAtOffset(caret, QAccessible::SentenceBoundary, &start, &end), row)
        << "read all reads a row as one";

    // From the start, Down by Down: a line at every key, none empty.
    text->setCursorPosition(0);
    QStringList lines;
    for (int i = 0; i < 4; ++i) {
        lines << text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start,
                                    &end);
        QTest::keyClick(browser, Qt::Key_Down);
    }
    EXPECT_EQ(lines,
              (QStringList{"Service Report \n",
                           "Report number " + window.Document().Report().reportNumber + " \n",
                           "Interim report: the visit was under way when this report was "
                           "made. \n",
                           "Issued by: not given\n"}));
    text->setCursorPosition(caret);

    const std::size_t movesBefore = told.Of(browser, QAccessible::TextCaretMoved).size();
    browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum() / 2);
    const int scrolled = browser->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    // The model typed changes a line above the caret.
    window.DetailsFields()->Field("model")->setText("OT-800");
    window.CommitNotes();
    window.Refresh();
    ASSERT_TRUE(text->text(0, text->characterCount()).contains("Model: OT-800\n"));
    EXPECT_EQ(text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end),
              row)
        << "a refresh leaves the caret on its row";
    EXPECT_EQ(browser->verticalScrollBar()->value(), scrolled) << "and the report as scrolled";
    EXPECT_EQ(told.Of(browser, QAccessible::TextCaretMoved).size(), movesBefore)
        << "and tells no caret move, which a reader would read out";
}

// Run once on the default screen and once at 1.5x on a 1366x768 screen (see CMakeLists.txt).
TEST_F(ReportFileTest, TheWindowFitsTheScreenAndScrollsToTheNotesAndEveryButton) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QScreen* screen = window.screen();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("1.5")) {
        // 1366x768 pixels at 1.5: 911x512 device-independent.
        ASSERT_EQ(screen->size(), QSize(911, 512));
        ASSERT_DOUBLE_EQ(screen->devicePixelRatio(), 1.5);
    }
    EXPECT_TRUE(screen->availableGeometry().contains(window.frameGeometry()))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    auto* scroll = window.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QList<QWidget*> reachable{window.NotesField()};
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        reachable << button;
    }
    ASSERT_EQ(reachable.size(), 10);
    for (QWidget* widget : reachable) {
        scroll->ensureWidgetVisible(widget);
        const QRect shown(widget->mapTo(scroll->viewport(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(scroll->viewport()->rect().contains(shown))
            << widget->metaObject()->className() << " at " << shown.y();
    }

    // The issuer's dialog too, every field at least as wide as its label's text.
    IssuerDialog issuer(Issuer{"Calder Instrument Services", "1 Mill Road\nCalderbridge",
                               "lab@calder.example", "UKAS 0817", "SP-12", "C"},
                        &window);
    issuer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&issuer));
    EXPECT_TRUE(screen->availableGeometry().contains(issuer.frameGeometry()))
        << issuer.frameGeometry().width() << "x" << issuer.frameGeometry().height();
    for (QLineEdit* field : issuer.findChildren<QLineEdit*>()) {
        EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance(field->text()))
            << field->objectName().toStdString();
    }
    if (const QByteArray shots = qgetenv("REPORT_WINDOW_SHOTS"); !shots.isEmpty()) {
        window.grab().save(QString::fromLocal8Bit(shots) + "-window.png");
        issuer.grab().save(QString::fromLocal8Bit(shots) + "-issuer.png");
    }
}

}  // namespace
