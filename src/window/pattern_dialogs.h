#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "lang/text_table.h"
#include "settings/settings_file.h"

class QDialog;
class QWidget;

namespace nvx::app {

// What the pattern dialogs need from the window around them.
struct PatternDialogHooks {
  // The setup dialog's print button, after the settings are stored: prints the
  // current image screened by the pattern (nothing when no image is loaded).
  std::function<void()> print;
  // The Illustrator file to import; empty when the user cancelled. Unset: the
  // file dialog "File Import".
  std::function<QString(const QString& startFolder)> pickIllustratorFile;
  // The canvas the pattern covers (the printed image), as the setup dialog shows it.
  QString canvas;
};

// "Pattern Print Setup": every change is stored at once and redraws the
// preview, which shows the shapes at their real size. Its buttons open the
// Shape Import Utility and the library editor and then list the shapes again.
std::unique_ptr<QDialog> MakePatternSetupDialog(QWidget* parent, const SettingsFiles& files,
                                                const TextTable& text,
                                                const std::filesystem::path& library,
                                                PatternDialogHooks hooks);

// "Shape Import Utility": turns an Illustrator file into a shape (off the
// user-interface thread), shows it tiled and adds it to the library.
std::unique_ptr<QDialog> MakeShapeImportDialog(QWidget* parent, const SettingsFiles& files,
                                               const TextTable& text,
                                               const std::filesystem::path& library,
                                               PatternDialogHooks hooks);

// "Library Edit": a click marks a shape (or unmarks it); OK removes the marked ones.
std::unique_ptr<QDialog> MakeLibraryEditDialog(QWidget* parent, const TextTable& text,
                                               const std::filesystem::path& library);

}  // namespace nvx::app
