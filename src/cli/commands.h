#pragma once

#include <string>
#include <vector>

namespace nvx::app {

// Exit statuses of the command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Each command takes the words after its name and returns the exit status.
int RunBlankCommand(const std::vector<std::string>& args);
int RunPrintCommand(const std::vector<std::string>& args);
int RunPreviewCommand(const std::vector<std::string>& args);
int RunCostCommand(const std::vector<std::string>& args);
int RunPrintersCommand(const std::vector<std::string>& args);
int RunUsbCommand(const std::vector<std::string>& args);
int RunModeCommand(const std::vector<std::string>& args);
int RunShapeCommand(const std::vector<std::string>& args);
int RunPresetCommand(const std::vector<std::string>& args);
int RunPaperCommand(const std::vector<std::string>& args);
int RunMarginsCommand(const std::vector<std::string>& args);
int RunSheetCommand(const std::vector<std::string>& args);

}  // namespace nvx::app
