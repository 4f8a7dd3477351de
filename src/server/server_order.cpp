#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "server/server_jobs.h"

namespace nvx::server {
namespace {

// The jobs of each printer that wait held by us for their turn, by job id, and
// the printers whose hold on new jobs is ours rather than their admin's.
std::mutex heldGuard;
std::map<int, std::set<int>> heldForTurn;
std::set<int> holdingForTurn;

bool HoldIsOurs(int printerId) {
  const std::lock_guard lock(heldGuard);
  return holdingForTurn.contains(printerId);
}

struct WaitingScan {
  int current = 0;
  bool holdIsOurs = false;
  std::set<int> heldByUs;
  std::vector<int> pending;
  std::vector<int> waiting;
  int incoming = 0;
};

// A job waits for the printer when its document is in and it is pending, or
// held by us or by our hold on new jobs. Jobs held at the client's wish are
// not touched; those whose document is still coming are counted.
void NoteWaiting(pappl_job_t* job, void* data) {
  auto* scan = static_cast<WaitingScan*>(data);
  const int id = papplJobGetID(job);
  if (id == scan->current) return;
  const ipp_jstate_t state = papplJobGetState(job);
  const bool asked = papplJobGetReasons(job) & PAPPL_JREASON_JOB_HOLD_UNTIL_SPECIFIED;
  if (state == IPP_JSTATE_PENDING) {
    scan->pending.push_back(id);
    scan->waiting.push_back(id);
  } else if (state == IPP_JSTATE_HELD && !asked) {
    if (!papplJobGetFilename(job))
      ++scan->incoming;
    else if (scan->holdIsOurs || scan->heldByUs.contains(id))
      scan->waiting.push_back(id);
  }
}

WaitingScan ScanWaiting(pappl_printer_t* printer, int current) {
  const int printerId = papplPrinterGetID(printer);
  WaitingScan scan;
  scan.current = current;
  {
    const std::lock_guard lock(heldGuard);
    scan.heldByUs = heldForTurn[printerId];
    scan.holdIsOurs = holdingForTurn.contains(printerId);
  }
  papplPrinterIterateActiveJobs(printer, NoteWaiting, &scan, 1, 0);
  std::ranges::sort(scan.waiting);
  std::set<int> stillHeld;
  for (int id : scan.waiting) {
    if (scan.heldByUs.contains(id)) stillHeld.insert(id);
  }
  // Jobs held by us that were cancelled or released by hand are forgotten.
  const std::lock_guard lock(heldGuard);
  heldForTurn[printerId] = std::move(stillHeld);
  return scan;
}

// Leaves the oldest waiting job alone pending and holds the others.
void LetOldestGo(pappl_printer_t* printer, const WaitingScan& scan) {
  if (scan.waiting.empty()) return;
  const int printerId = papplPrinterGetID(printer);
  for (auto id = scan.waiting.begin() + 1; id != scan.waiting.end(); ++id) {
    pappl_job_t* job = papplPrinterFindJob(printer, *id);
    if (!job || papplJobGetState(job) != IPP_JSTATE_PENDING) continue;
    if (papplJobHold(job, nullptr, nullptr, 0)) {
      // Clients see it held as queued, not as a job still missing its data.
      papplJobSetReasons(job, PAPPL_JREASON_JOB_QUEUED, PAPPL_JREASON_NONE);
      const std::lock_guard lock(heldGuard);
      heldForTurn[printerId].insert(*id);
    }
  }
  const int oldest = scan.waiting.front();
  pappl_job_t* job = papplPrinterFindJob(printer, oldest);
  if (job && papplJobGetState(job) == IPP_JSTATE_HELD) {
    {
      const std::lock_guard lock(heldGuard);
      heldForTurn[printerId].erase(oldest);
    }
    papplJobSetReasons(job, PAPPL_JREASON_NONE, PAPPL_JREASON_JOB_QUEUED);
    papplJobRelease(job, nullptr);
  }
}

void NotePrinter(pappl_printer_t* printer, void* data) {
  static_cast<std::vector<int>*>(data)->push_back(papplPrinterGetID(printer));
}

// Wakes a printer whose next job waits held while nothing is pending: its
// pending successor was cancelled, or a document came in while the printer
// still held new jobs and none was printing.
void WakeIdlePrinter(pappl_printer_t* printer) {
  {
    const std::lock_guard lock(heldGuard);
    const int id = papplPrinterGetID(printer);
    if (heldForTurn[id].empty() && !holdingForTurn.contains(id)) return;
  }
  std::unique_lock turn(PrinterTurn(printer), std::try_to_lock);
  // A job in its turn hands the printer on itself when it ends.
  if (!turn.owns_lock() || papplPrinterGetState(printer) == IPP_PSTATE_PROCESSING) return;
  const WaitingScan scan = ScanWaiting(printer, 0);
  if (scan.pending.empty()) LetOldestGo(printer, scan);
}

}  // namespace

void TakePrinterTurn(pappl_job_t* job) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  if (papplPrinterIsHoldingNewJobs(printer)) return;
  papplPrinterHoldNewJobs(printer);
  const std::lock_guard lock(heldGuard);
  holdingForTurn.insert(papplPrinterGetID(printer));
}

void HandPrinterOn(pappl_job_t* job) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  const int printerId = papplPrinterGetID(printer);
  const int current = papplJobGetID(job);
  papplJobSetReasons(job, PAPPL_JREASON_NONE, PAPPL_JREASON_JOB_QUEUED);
  // A printer told by its admin to hold new jobs keeps PAPPL's own order.
  if (papplPrinterIsHoldingNewJobs(printer) && !HoldIsOurs(printerId)) return;
  WaitingScan scan = ScanWaiting(printer, current);
  if (scan.waiting.empty() && scan.incoming == 0 && HoldIsOurs(printerId)) {
    // Nothing waits: new jobs start by themselves again. PAPPL lets go every
    // held job, one whose document is still coming too: that one goes back on
    // hold until its document is in. This job still has the printer, so
    // nothing starts before the jobs that came meanwhile are put in order.
    {
      const std::lock_guard lock(heldGuard);
      holdingForTurn.erase(printerId);
    }
    papplPrinterReleaseHeldNewJobs(printer, nullptr);
    for (int id : ScanWaiting(printer, current).pending) {
      pappl_job_t* waiting = papplPrinterFindJob(printer, id);
      if (waiting && !papplJobGetFilename(waiting)) papplJobHold(waiting, nullptr, nullptr, 0);
    }
    scan = ScanWaiting(printer, current);
  }
  LetOldestGo(printer, scan);
}

bool HoldsNewJobsForTurn(int printerId) { return HoldIsOurs(printerId); }

void HoldJobsForTheirTurn(pappl_system_t* system) {
  std::vector<int> printers;
  papplSystemIteratePrinters(system, NotePrinter, &printers);
  for (int id : printers) {
    pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, id, nullptr);
    if (!printer || papplPrinterIsHoldingNewJobs(printer)) continue;
    WaitingScan scan;
    scan.holdIsOurs = true;  // every held job with its document counts as waiting
    papplPrinterIterateActiveJobs(printer, NoteWaiting, &scan, 1, 0);
    std::erase_if(scan.waiting, [printer](int job) {
      pappl_job_t* held = papplPrinterFindJob(printer, job);
      return !held || papplJobGetState(held) != IPP_JSTATE_HELD;
    });
    const std::lock_guard lock(heldGuard);
    heldForTurn[id].insert(scan.waiting.begin(), scan.waiting.end());
  }
}

bool WakeIdlePrinters(pappl_system_t* system, void*) {
  // Collected first: a job is started outside the system's lock.
  std::vector<int> printers;
  papplSystemIteratePrinters(system, NotePrinter, &printers);
  for (int id : printers) {
    if (pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, id, nullptr))
      WakeIdlePrinter(printer);
  }
  return true;
}

}  // namespace nvx::server
