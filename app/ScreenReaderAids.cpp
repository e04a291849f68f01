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
#include "platform/ui/EmptyFieldFocus.h"
#include "platform/ui/MenuEntryAccessible.h"
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

// Opened from the keyboard, the menu starts on its first entry, which a screen reader then
// reads at once, and its entries are read with their shortcuts.
void ReadMenuWithShortcuts(MaintenanceDialog& window) {
    QMenu* menu = window.SystemMenu();
    if (menu == nullptr) {
        return;
    }
    ui::MenuEntryAccessible::ReadShortcutsOf(*menu);
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

void ReadEmptyFieldsOnTab(MaintenanceDialog& window) {
    for (const int id : {Id::IdDumpFileName, Id::IdSpreadField}) {
        ui::ReadEmptyFieldOnTab(*window.ControlAs<QLineEdit>(id));
    }
}

}  // namespace

void AddScreenReaderAids(MaintenanceDialog& window) {
    AnnounceReplies(window);
    StatusGridView::Install(window);
    MakeDumpListAStop(window);
    ReadMenuWithShortcuts(window);
    ReadEmptyFieldsOnTab(window);
}
