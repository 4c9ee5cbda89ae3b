#pragma once
// The application object: runs the main window until it closes.

#include <QApplication>

namespace updater {

class UpdaterApp : public QApplication {
  public:
    UpdaterApp(int& argc, char** argv, int specialSettingsFlag);

    // Shows the main window and returns once it has closed.
    int Run();

  private:
    int specialSettingsFlag_;
};

}  // namespace updater
