#pragma once

class MaintenanceDialog;

// What the main window adds for screen readers, once its controls exist: the replies told
// (ReplyAnnouncer), the status grid as a table with a keyboard stop (StatusGridView), the dump
// list as a keyboard stop that shows its newest row, the window's menu opened on its first
// entry, each entry read with its shortcut, and the empty fields read as Tab reaches them.
void AddScreenReaderAids(MaintenanceDialog& window);
