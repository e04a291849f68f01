#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MaintenanceDialog.h"
#include "app/ProgramStart.h"
#include "app/TerminationSignals.h"
#include "record/RecordFolder.h"
#include "record/VisitRecord.h"
#include "tests/vm/window/RecordDiskNotes.h"

namespace {

// Takes the options starting with prefix ("--click=") out of arguments and returns their
// values in order.
QStringList TakeOptions(QStringList& arguments, const QString& prefix) {
    QStringList values;
    for (auto it = arguments.begin(); it != arguments.end();) {
        if (it->startsWith(prefix)) {
            values.push_back(it->mid(prefix.size()));
            it = arguments.erase(it);
        } else {
            ++it;
        }
    }
    return values;
}

std::vector<int> TakeClicks(QStringList& arguments) {
    std::vector<int> clicks;
    for (const QString& id : TakeOptions(arguments, QStringLiteral("--click="))) {
        clicks.push_back(id.toInt());
    }
    return clicks;
}

void ClickInTurn(MaintenanceDialog& window, trace::ProtocolTrace& trace,
                 const std::vector<int>& clicks) {
    for (const int id : clicks) {
        const std::string name = std::to_string(id);
        auto* button = window.ControlAs<QAbstractButton>(id);
        if (button == nullptr) {
            trace.Note("no button " + name);
            continue;
        }
        trace.Note("click " + name);
        button->click();
        trace.Note("clicked " + name);
    }
}

// The window's actions whose shortcut is given ("Ctrl+R"), each triggered as its key would.
void PressShortcuts(MaintenanceDialog& window, trace::ProtocolTrace& trace,
                    const QStringList& shortcuts) {
    for (const QString& text : shortcuts) {
        const std::string name = text.toStdString();
        const QList<QAction*> actions = window.actions();
        const auto action = std::find_if(actions.begin(), actions.end(), [&](QAction* candidate) {
            return candidate->shortcut() == QKeySequence(text);
        });
        if (action == actions.end()) {
            trace.Note("no shortcut " + name);
            continue;
        }
        trace.Note("shortcut " + name);
        (*action)->trigger();
    }
}

// The last --marks=PATH, opened to append and written through at once; closed without one.
std::ofstream OpenMarks(const QStringList& paths) {
    std::ofstream marks;
    if (!paths.isEmpty()) {
        marks.open(paths.back().toStdString(), std::ios::app);
        marks << std::unitbuf;
    }
    return marks;
}

// The texts a technician reads, into the trace as they change: the window's title and the
// command section's response field; also as "@@MARK text" lines into marks when it is open
// (a console the host reads, for timing).
void TraceWindowTexts(MaintenanceDialog& window, trace::ProtocolTrace& trace,
                      std::ofstream& marks) {
    const auto note = [&trace, &marks](const std::string& text) {
        if (marks.is_open()) {
            marks << "@@MARK " + text + "\n";  // one write: the console has other writers
        }
        trace.Note(text);
    };
    QObject::connect(&window, &QWidget::windowTitleChanged, &window,
                     [note](const QString& title) { note("title: " + title.toStdString()); });
    if (auto* response = window.ControlAs<QLineEdit>(MaintenanceDialog::IdResponse)) {
        QObject::connect(response, &QLineEdit::textChanged, &window,
                         [note](const QString& text) { note("response: " + text.toStdString()); });
    }
}

// The service record in its folder, as merrowby keeps it, after "record file PATH" in the
// trace, with each event noted as handed over and as on the disk; null when it could not start.
std::unique_ptr<RecordDiskNotes> StartRecord(MaintenanceDialog& window,
                                             trace::ProtocolTrace& trace) {
    if (!window.StartRecordFile(RecordFolder::Default())) {
        return nullptr;
    }
    trace.Note("record file " + window.Record().FilePath().toStdString());
    return std::make_unique<RecordDiskNotes>(window.Record(), trace);
}

}  // namespace

// merrowby-vm-window [--click=ID]... [--shortcut=KEYS]... [--marks=PATH] [--record] [merrowby's
// options]: the program as merrowby runs it, offscreen, with the buttons given clicked in turn once
// the window is up (after discovery), then the window's actions with the shortcuts given ("Ctrl+R")
// triggered in turn, and with --record its service record written as merrowby writes it, each
// event noted as "event KIND" when handed to the record and "on disk KIND" once there. Runs until
// SIGTERM, SIGINT or SIGHUP, which end it the program's way; the trace notes "click ID" and
// "clicked ID" around each click, "title: ..." and "response: ..." as the window's title and
// response field change, and with --marks the same texts as "@@MARK title: ..." and
// "@@MARK response: ..." lines in PATH (e.g. /dev/console).
int main(int argc, char** argv) {
    QStringList arguments = CommandLine::Arguments(argc, argv);
    const std::vector<int> clicks = TakeClicks(arguments);
    const QStringList shortcuts = TakeOptions(arguments, QStringLiteral("--shortcut="));
    std::ofstream marks = OpenMarks(TakeOptions(arguments, QStringLiteral("--marks=")));
    const bool record = arguments.removeAll(QStringLiteral("--record")) > 0;
    const CommandLine commandLine = CommandLine::Parse(arguments);
    ConfigurePortMapping(commandLine);
    QApplication application(argc, argv);
    UseCNumberFormat();
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(commandLine);
    MaintenanceDialog* running = nullptr;
    const TerminationSignals terminationSignals([&running](int) {
        if (running != nullptr) {
            running->Terminate();
        }
    });
    {
        MaintenanceDialog window;
        running = &window;
        TraceWindowTexts(window, *trace, marks);
        const std::unique_ptr<RecordDiskNotes> recordNotes =
            record ? StartRecord(window, *trace) : nullptr;
        QTimer::singleShot(0, &window, [&] {
            ClickInTurn(window, *trace, clicks);
            PressShortcuts(window, *trace, shortcuts);
        });
        window.exec();
        running = nullptr;
    }
    trace->WaitUntilWritten(std::chrono::milliseconds(1000));
    return 0;
}
