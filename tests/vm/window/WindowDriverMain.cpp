#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <memory>
#include <vector>

#include "app/CommandLine.h"
#include "app/MaintenanceDialog.h"
#include "app/ProgramStart.h"
#include "app/TerminationSignals.h"

namespace {

const QString kClickOption = QStringLiteral("--click=");

// Takes the --click=ID options out of arguments and returns their ids in order.
std::vector<int> TakeClicks(QStringList& arguments) {
    std::vector<int> clicks;
    for (auto it = arguments.begin(); it != arguments.end();) {
        if (it->startsWith(kClickOption)) {
            clicks.push_back(it->mid(kClickOption.size()).toInt());
            it = arguments.erase(it);
        } else {
            ++it;
        }
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

// The texts a technician reads, into the trace as they change: the window's title and the
// command section's response field.
void TraceWindowTexts(MaintenanceDialog& window, trace::ProtocolTrace& trace) {
    QObject::connect(
        &window, &QWidget::windowTitleChanged, &window,
        [&trace](const QString& title) { trace.Note("title: " + title.toStdString()); });
    if (auto* response = window.ControlAs<QLineEdit>(MaintenanceDialog::IdResponse)) {
        QObject::connect(response, &QLineEdit::textChanged, &window, [&trace](const QString& text) {
            trace.Note("response: " + text.toStdString());
        });
    }
}

}  // namespace

// merrowby-vm-window [--click=ID]... [merrowby's options]: the program as merrowby runs it,
// offscreen, with the buttons given clicked in turn once the window is up (after discovery).
// Runs until SIGTERM, SIGINT or SIGHUP, which end it the program's way; the trace notes
// "click ID" and "clicked ID" around each click, "title: ..." and "response: ..." as the window's
// title and response field change.
int main(int argc, char** argv) {
    QStringList arguments = CommandLine::Arguments(argc, argv);
    const std::vector<int> clicks = TakeClicks(arguments);
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
        TraceWindowTexts(window, *trace);
        QTimer::singleShot(0, &window, [&] { ClickInTurn(window, *trace, clicks); });
        window.exec();
        running = nullptr;
    }
    trace->WaitUntilWritten(std::chrono::milliseconds(1000));
    return 0;
}
