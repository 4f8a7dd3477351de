#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/lang_command.h"
#include "platform/readable_file.h"
#include "window/window_app.h"

namespace {

constexpr const char* kUsage =
    "Usage: nvxprint COMMAND [OPTIONS]\n"
    "       nvxprint [IMAGE]\n"
    "\n"
    "Turns images into PostScript jobs for white-toner colour laser printers.\n"
    "\n"
    "Commands:\n"
    "  print     print an image, or write its job to a file\n"
    "  preview   write the preview picture of an image as the window shows it\n"
    "  cost      price a print of an image in toner, drums, fuser and belt\n"
    "  sheet     print many designs arranged on one sheet (a gang sheet)\n"
    "  blank     write the blank-page job that feeds one sheet through the printer\n"
    "  lang      encode or decode a language file (.lan3)\n"
    "  printers  list the printers offered for the printer model\n"
    "  usb       list the attached USB printers and detect the model's printer\n"
    "  mode      switch the printer's colour conversion off (Driver Off) or on (Driver On)\n"
    "  shape     import, list and remove the shapes of pattern print\n"
    "  preset    save the print settings as a preset, or list the installed presets\n"
    "  paper     add, list and remove custom paper sizes\n"
    "  margins   show or set the print margins\n"
    "\n"
    "Without a command, or with an image file, nvxprint opens its window.\n"
    "Run 'nvxprint COMMAND --help' for the options of a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  -V, --version  show the program version\n"
    "\n"
    "Exit status: 0 when done, 1 when a file cannot be read or a job cannot be\n"
    "written or printed, 2 for a bad command, option or option value.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace nvx::app;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return RunWindow(argc, argv, {});
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return kExitOk;
  }
  if (command == "-V" || command == "--version") {
    std::cout << "nvxprint " << NVX_VERSION << "\n";
    return kExitOk;
  }
  if (command == "print") return RunPrintCommand(args);
  if (command == "preview") return RunPreviewCommand(args);
  if (command == "cost") return RunCostCommand(args);
  if (command == "sheet") return RunSheetCommand(args);
  if (command == "blank") return RunBlankCommand(args);
  if (command == "lang") return RunLangCommand(args, std::cout, std::cerr);
  if (command == "printers") return RunPrintersCommand(args);
  if (command == "usb") return RunUsbCommand(args);
  if (command == "mode") return RunModeCommand(args);
  if (command == "shape") return RunShapeCommand(args);
  if (command == "preset") return RunPresetCommand(args);
  if (command == "paper") return RunPaperCommand(args);
  if (command == "margins") return RunMarginsCommand(args);
  // "Open with" from a file manager: the window with that image. The window
  // holds one image, so of several files the first is opened and the rest told.
  const auto file = nvx::platform::ReadableFile::Open(command);
  if (file) return RunWindow(argc, argv, command, static_cast<int>(args.size()));
  if (command.find_first_of("./") != std::string::npos) {
    std::cerr << "nvxprint: cannot open '" << command << "': " << file.failure().message << "\n";
    return kExitFailure;
  }
  std::cerr << "nvxprint: unknown command '" << command << "'\n\n" << kUsage;
  return kExitUsage;
}
