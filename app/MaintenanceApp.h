#pragma once

// The application object: one per process. Its start runs the main window modally; the
// modal run is the program's whole life.
class MaintenanceApp {
  public:
    // Runs the main window to its end. Returns false: the process ends when the window has.
    bool InitInstance();
};
