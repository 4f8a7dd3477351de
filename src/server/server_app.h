#pragma once

#include <pappl/pappl.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace nvx::server {

inline constexpr const char* kServerName = "nvxprint-server";

// The folders the server keeps to: its state (the printers, the settings its
// jobs are made with), its spool, and the folder of the socket through which
// the `add`, `printers` and `shutdown` commands reach it.
struct ServerPlaces {
  std::filesystem::path state;
  std::filesystem::path spool;
  std::filesystem::path socket;  // empty: PAPPL's own place
};

// Takes "-o state-directory=DIR", "-o spool-directory=DIR" and
// "-o socket-directory=DIR" out of the arguments; the places not given are the
// service's (/var/lib, /var/spool) when run as root, else the user's.
ServerPlaces TakePlaceOptions(std::vector<std::string>& args);

// Rewrites "add ... -m DRIVER -o preset=NAME" into the driver that carries the
// preset ("-m DRIVER+NAME"): PAPPL's add command sends no options of ours. A
// preset file is named by its absolute path. Refused for a preset not found.
Status CarryPresetInDriver(std::vector<std::string>& args);

// The places in force for this process, set once by main.
const ServerPlaces& Places();
void SetPlaces(ServerPlaces places);

// One driver per model, and one per model and installed preset.
std::vector<pappl_pr_driver_t>& Drivers();

// The printer's pages of our own on its web interface: the printer mode.
void AddPrinterPages(pappl_printer_t* printer, void* context);

bool MakeDriver(pappl_system_t* system, const char* driverName, const char* deviceUri,
                const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attributes,
                void* context);

// Registers the conversion of every format the intake reads.
void AddConversions(pappl_system_t* system);

// Raster jobs (PWG raster, Apple raster): the pages the client drew, kept as
// pictures and then converted as an image job is.
void AddRasterCallbacks(pappl_pr_driver_data_t& data);

// Whether every address the listen name stands for is this machine's own
// (127.0.0.0/8, ::1); an IPv6 address may come in brackets.
bool ListensOnThisMachineOnly(std::string_view name);

// Nothing of this process is advertised through DNS-SD from now on.
void AdvertiseNothing();

pappl_system_t* CreateSystem(int optionCount, cups_option_t* options, void* context);

}  // namespace nvx::server
