// PAPPL 1.3.1 calls Avahi to advertise the server and its printers, and to
// find network printers for its device lists. These definitions stand in for
// Avahi's own (the program's symbols come first) and hand on to them, except:
// - nothing is advertised once AdvertiseNothing() was called (PAPPL has no
//   switch for it): no entry group is made, so nothing is published;
// - without a connection to Avahi (no system bus, as in containers) PAPPL still
//   browses with none, and Avahi ends the process on that assertion; a browser
//   or resolver asked for without one is refused instead, and the device list
//   has no DNS-SD printers.

#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <dlfcn.h>

#include <atomic>

#include "server/server_app.h"

namespace {

std::atomic<bool> advertising{true};

template <typename Function>
Function Avahis(Function, const char* name) {
  return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

namespace nvx::server {

void AdvertiseNothing() { advertising = false; }

}  // namespace nvx::server

extern "C" {

__attribute__((visibility("default"))) AvahiEntryGroup* avahi_entry_group_new(
    AvahiClient* client, AvahiEntryGroupCallback callback, void* userdata) {
  static const auto next = Avahis(&avahi_entry_group_new, "avahi_entry_group_new");
  if (!advertising || !client || !next) return nullptr;
  return next(client, callback, userdata);
}

__attribute__((visibility("default"))) AvahiServiceBrowser* avahi_service_browser_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* type,
    const char* domain, AvahiLookupFlags flags, AvahiServiceBrowserCallback callback,
    void* userdata) {
  static const auto next = Avahis(&avahi_service_browser_new, "avahi_service_browser_new");
  if (!client || !next) return nullptr;
  return next(client, interface, protocol, type, domain, flags, callback, userdata);
}

__attribute__((visibility("default"))) AvahiRecordBrowser* avahi_record_browser_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* name,
    uint16_t clazz, uint16_t type, AvahiLookupFlags flags, AvahiRecordBrowserCallback callback,
    void* userdata) {
  static const auto next = Avahis(&avahi_record_browser_new, "avahi_record_browser_new");
  if (!client || !next) return nullptr;
  return next(client, interface, protocol, name, clazz, type, flags, callback, userdata);
}

__attribute__((visibility("default"))) AvahiServiceResolver* avahi_service_resolver_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* name,
    const char* type, const char* domain, AvahiProtocol aprotocol, AvahiLookupFlags flags,
    AvahiServiceResolverCallback callback, void* userdata) {
  static const auto next = Avahis(&avahi_service_resolver_new, "avahi_service_resolver_new");
  if (!client || !next) return nullptr;
  return next(client, interface, protocol, name, type, domain, aprotocol, flags, callback,
              userdata);
}

}  // extern "C"
