#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "job/print_session.h"

class QDialog;
class QWidget;

namespace nvx::app {

// "Custom Paper Size": a width and height in the user's unit, checked against
// the range of the model's class (a size outside it shows "----" in its box and
// nothing is stored), and a name. OK stores the size with the user's margins,
// replacing a size of the same name, and closes; Delete removes the chosen
// stored size at once. Built by Make* so tests can drive it.
std::unique_ptr<QDialog> MakeCustomPaperDialog(QWidget* parent, PrintSession& session);
// Runs the dialog, then rebuilds the session's paper list for its model and
// chooses the current paper again (it may have been replaced or removed).
Status ShowCustomPaperDialog(QWidget* parent, PrintSession& session);

// "Print Margins": the four margins in the user's unit and the printable area
// they leave on the chosen paper. OK stores them, raised to the least margins
// of `printerName`'s brand, and closes; Cancel stores nothing.
std::unique_ptr<QDialog> MakeMarginDialog(QWidget* parent, PrintSession& session,
                                          const std::string& printerName);
// True when new margins were stored.
bool ShowMarginDialog(QWidget* parent, PrintSession& session, const std::string& printerName);

}  // namespace nvx::app
