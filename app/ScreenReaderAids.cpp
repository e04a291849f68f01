#include "app/ScreenReaderAids.h"

#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include "app/MaintenanceDialog.h"
#include "app/ReplyAnnouncer.h"
#include "app/StatusGridView.h"
#include "platform/ui/NewestRowOnFocus.h"

namespace {

using Id = MaintenanceDialog::ControlId;

void AnnounceReplies(MaintenanceDialog& window) {
    auto* announcer =
        new ReplyAnnouncer(&window, [&window] { return window.IsDumpRunning(); });  // owned
    auto field = [&window](int id) { return window.ControlAs<QLineEdit>(id); };
    announcer->SetPowerLevelField(*field(Id::IdPowerLevelReply));
    announcer->Watch(*field(Id::IdResponse));
    announcer->Watch(*field(Id::IdVoltageReply), field(Id::IdVoltageSensor), true);
    announcer->Watch(*field(Id::IdCurrentReply), field(Id::IdCurrentSensor), true);
    announcer->Watch(*field(Id::IdTripPointReply), field(Id::IdTripPointSensor));
}

// The list takes the focus from the keyboard after the dump file's controls.
void MakeDumpListAStop(MaintenanceDialog& window) {
    auto* list = window.ControlAs<QTreeWidget>(Id::IdDumpList);
    list->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(window.Control(Id::IdBrowseDumpFile), list);
    ui::NewestRowOnFocus::Attach(*list);
}

// Screen readers read a menu entry's name but not a shortcut given only as a shortcut; an entry
// whose text carries it after a tab shows the same and is read with it. Opened from the
// keyboard, the menu starts on its first entry, which is then read at once.
void ReadMenuWithShortcuts(MaintenanceDialog& window) {
    QMenu* menu = window.SystemMenu();
    if (menu == nullptr) {
        return;
    }
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && !action->shortcut().isEmpty() &&
            !action->text().contains(QLatin1Char('\t'))) {
            action->setText(action->text() + QLatin1Char('\t') +
                            action->shortcut().toString(QKeySequence::NativeText));
        }
    }
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        QTimer::singleShot(0, menu, [menu] {
            if (menu->activeAction() != nullptr) {
                return;
            }
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled()) {
                    menu->setActiveAction(action);
                    return;
                }
            }
        });
    });
}

}  // namespace

void AddScreenReaderAids(MaintenanceDialog& window) {
    AnnounceReplies(window);
    StatusGridView::Install(window);
    MakeDumpListAStop(window);
    ReadMenuWithShortcuts(window);
}
