#include "window/window_app.h"

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>

#include "image/devil_errors.h"
#include "pattern/shape_library.h"
#include "platform/folders.h"
#include "platform/instance_lock.h"
#include "printers/models.h"
#include "settings/startup.h"
#include "window/artwork.h"
#include "window/instance_channel.h"
#include "window/main_window.h"
#include "window/qt_text.h"
#include "window/window_texts.h"
#include "window/window_work.h"

#ifndef NVX_VERSION
#define NVX_VERSION "0"
#endif
#ifndef NVX_ONLINE_HELP_URL
#define NVX_ONLINE_HELP_URL ""
#endif

namespace nvx::app {
namespace {

// Message boxes of the start-up, before the window exists.
void ShowStartupMessage(const Message& m) {
  QMessageBox box(m.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                  Q(m.title.empty() ? kAppTitle : m.title), Q(m.text));
  box.exec();
}

void ShowStartupFailure(const Status& status) {
  if (!status) ShowStartupMessage({std::string(kAppTitle), status.failure().message});
}

}  // namespace

int RunWindow(int argc, char** argv, const std::string& file, int filesLeft) {
  // One copy per user. A later start hands its image over and ends without a word.
  platform::InstanceLock lock(kInstanceName);
  std::error_code error;
  const std::filesystem::path absolute =
      file.empty() ? std::filesystem::path() : std::filesystem::absolute(file, error);
  if (!lock.Acquired()) {
    QCoreApplication quiet(argc, argv);
    HandOverToRunningInstance(InstanceSocketPath(), absolute);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(Q(kAppTitle));
  QApplication::setWindowIcon(art::ProgramIcon());
  InstanceChannel channel(InstanceSocketPath());

  SettingsFiles files{platform::UserDataFolder(), platform::MachineDataFolder()};
  // The user's shape library from the master copy (the machine folder's, else
  // the program's); a problem is told and start-up goes on.
  ShowStartupFailure(ProvisionShapeLibrary(files, DefaultLibraryFolders(files)));
  ShowStartupFailure(CommitSettings(files));  // its path, stored at once

  // The language, the statistics option, the margin and hand defaults: the
  // session opens the settings as every start of the program does.
  auto work = std::make_unique<WindowWork>();
  const Result<Notes> opened = OpenPrintSession(work->session, {});
  if (!opened) {
    ShowStartupMessage({std::string(kAppTitle), opened.failure().message});
    return 1;
  }
  for (const Message& note : *opened) ShowStartupMessage(note);
  InitDevil();

  WindowContext context;
  context.programFolder = platform::ProgramFolder();
  context.onlineHelpUrl = NVX_ONLINE_HELP_URL;
  context.version = NVX_VERSION;
  MainWindow window(std::move(context), std::move(work));
  QObject::connect(&channel, &InstanceChannel::openRequested, &window,
                   [&window](const QByteArray& p) {
                     window.Raise();
                     if (!p.isEmpty()) window.OpenImage(std::filesystem::path(p.toStdString()));
                   });
  window.show();
  if (!absolute.empty()) window.OpenImage(absolute);
  if (filesLeft > 0) {
    window.statusBar()->showMessage(
        QStringLiteral("Only the first image was opened; the window holds one image at a time "
                       "(%1 more given).")
            .arg(filesLeft));
  }
  const int status = app.exec();

  WriteExitSettings(window.Files(), window.Live().colourPoints, window.Live().tonerOrder);
  window.CommitSettings();
  return status;
}

}  // namespace nvx::app
