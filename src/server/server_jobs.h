#pragma once

#include <pappl/pappl.h>

#include <mutex>

#include "server/printer_choices.h"

namespace nvx::server {

// The printer's own job language, named as a format so that every document
// format goes through our conversion, never through PAPPL's own image path.
inline constexpr const char* kNativeFormat = "application/vnd.nvxprint-job";

// What each printer keeps beside PAPPL's driver data.
struct PrinterExtension {
  PrinterDefaults defaults;
};

// A ready-made printer job is not taken: only artwork is converted and sent.
bool RefuseNativeJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// Held while one of the printer's jobs is converted and sent: PAPPL can run two
// jobs of a printer at once, and their bytes must not mix on the device.
std::mutex& PrinterTurn(pappl_printer_t* printer);

// PAPPL (1.3.1) starts the newest waiting job when a printer frees, so jobs sent
// together would print last first. While a job prints, its printer holds new
// jobs; as the job ends, in its turn, the oldest waiting job is left pending
// alone and the others stay held until theirs. When nothing waits, new jobs
// start by themselves again.
void TakePrinterTurn(pappl_job_t* job);
void HandPrinterOn(pappl_job_t* job);

// Whether the printer holds new jobs only to keep them in order: a hold that
// is not the admin's and is not to outlive the server.
bool HoldsNewJobsForTurn(int printerId);

// After the saved state is loaded: the jobs it brings back held, not at a
// client's wish nor under the admin's hold on new jobs, wait for their turn.
void HoldJobsForTheirTurn(pappl_system_t* system);

// Run each second: a printer left idle with only held jobs waiting (the next
// one was cancelled before it began) lets the oldest go.
bool WakeIdlePrinters(pappl_system_t* system, void* data);

// Converts one spooled document with `nvxprint print` for the printer's
// settings and the job's, then sends the result to the device. The conversion
// runs as a child process: a document that crashes or exhausts it fails this
// job only, and nothing reaches the device unless the whole job was made.
bool ConvertAndSend(pappl_job_t* job, const char* file, pappl_device_t* device);

}  // namespace nvx::server
