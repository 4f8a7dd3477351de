// PAPPL 1.3.1 answers Get-Printer-Attributes and Get-Printers with the
// attributes libcups lists for "requested-attributes". For "all" beside other
// names (CUPS asks for "all,media-col-database") and for the groups
// "printer-description" and "job-template", that list is libcups's table of
// standard names, without the printers' white-toner settings. This definition
// stands in for libcups's (the program's own symbols come first) and adds
// their "-default" and "-supported" names to such a list.

#include <cups/cups.h>
#include <dlfcn.h>

#include <string>
#include <string_view>
#include <vector>

#include "server/printer_choices.h"

namespace {

using CreateRequestedArray = cups_array_t* (*)(ipp_t*);

bool AsksForWholeGroup(ipp_t* request) {
  const ipp_op_t operation = ippGetOperation(request);
  if (operation != IPP_OP_GET_PRINTER_ATTRIBUTES && operation != IPP_OP_GET_PRINTERS) return false;
  ipp_attribute_t* requested = ippFindAttribute(request, "requested-attributes", IPP_TAG_KEYWORD);
  for (int i = 0; i < ippGetCount(requested); ++i) {
    const std::string_view name = ippGetString(requested, i, nullptr);
    if (name == "all" || name == "printer-description" || name == "job-template") return true;
  }
  return false;
}

const std::vector<std::string>& VendorAttributeNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const nvx::server::VendorAttribute& attribute : nvx::server::VendorAttributes()) {
      all.push_back(std::string(attribute.name) + "-default");
      all.push_back(std::string(attribute.name) + "-supported");
    }
    return all;
  }();
  return names;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) cups_array_t* ippCreateRequestedArray(
    ipp_t* request) {
  static const auto libcups =
      reinterpret_cast<CreateRequestedArray>(::dlsym(RTLD_NEXT, "ippCreateRequestedArray"));
  cups_array_t* requested = libcups ? libcups(request) : nullptr;
  // No list at all means every attribute.
  if (!requested || !AsksForWholeGroup(request)) return requested;
  for (const std::string& name : VendorAttributeNames()) {
    if (!cupsArrayFind(requested, const_cast<char*>(name.c_str())))
      cupsArrayAdd(requested, const_cast<char*>(name.c_str()));
  }
  return requested;
}
