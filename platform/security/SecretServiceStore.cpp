#include "platform/security/SecretServiceStore.h"

#include <libsecret/secret.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/core/Text.h"

namespace sec {

namespace {

// --- GLib ownership ----------------------------------------------------------------------------

// A unique_ptr deleter that calls GLib's (or libsecret's) own free function.
template <auto Free>
struct Freer {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, Freer<g_object_unref>>;
using ErrorPtr = std::unique_ptr<GError, Freer<g_error_free>>;
using HashPtr = std::unique_ptr<GHashTable, Freer<g_hash_table_unref>>;
using VariantPtr = std::unique_ptr<GVariant, Freer<g_variant_unref>>;
using ValuePtr = std::unique_ptr<SecretValue, Freer<secret_value_unref>>;

// --- The schema ----------------------------------------------------------------------------------

struct AttributeName {
  const char* key;   // the keychain's attribute
  const char* name;  // the schema's attribute
};
constexpr AttributeName kAttributeNames[] = {
    {kSecAttrGeneric, "generic"}, {kSecAttrAccessGroup, "access-group"},
    {kSecAttrAccount, "account"}, {kSecAttrService, "service"},
    {kSecAttrLabel, "label"},     {kSecAttrDescription, "description"},
};

const SecretSchema* schema() {
  static const SecretSchema s = [] {
    SecretSchema made{};
    made.name = SecretServiceStore::kSchemaName;
    made.flags = SECRET_SCHEMA_NONE;
    std::size_t i = 0;
    for (const auto& attribute : kAttributeNames) {
      made.attributes[i++] = SecretSchemaAttribute{attribute.name, SECRET_SCHEMA_ATTRIBUTE_STRING};
    }
    return made;
  }();
  return &s;
}

// The schema's attributes of the keychain attributes; null when one has no place in the schema.
GHashTable* schemaAttributes(const KeychainAttributes& attributes, std::string* refused) {
  HashPtr table(g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free));
  for (const auto& [key, value] : attributes) {
    const char* name = nullptr;
    for (const auto& attribute : kAttributeNames) {
      if (key == attribute.key) name = attribute.name;
    }
    if (!name) {
      *refused = key;
      return nullptr;
    }
    g_hash_table_insert(table.get(), const_cast<char*>(name), g_strdup(value.c_str()));
  }
  return table.release();
}

KeychainAttributes keychainAttributes(GHashTable* table) {
  KeychainAttributes attributes;
  for (const auto& attribute : kAttributeNames) {
    if (auto* value = static_cast<const char*>(g_hash_table_lookup(table, attribute.name))) {
      attributes[attribute.key] = value;
    }
  }
  return attributes;
}

SecretValue* secretValue(const std::vector<std::uint8_t>& data) {
  std::string bytes(data.begin(), data.end());
  const char* type = core::isValidUtf8(bytes) ? "text/plain" : "application/octet-stream";
  return secret_value_new(bytes.c_str(), static_cast<gssize>(bytes.size()), type);
}

std::string displayLabel(const KeychainItem& item) {
  std::string name = item.attribute(kSecAttrGeneric);
  if (name.empty()) name = item.attribute(kSecAttrService);
  std::string label = "vardo: " + name;
  if (!item.attribute(kSecAttrAccount).empty()) label += " (" + item.attribute(kSecAttrAccount) + ")";
  return label;
}

// --- Waiting for an asynchronous call, with a deadline ------------------------------------------------

// Every call runs on this context, pushed as the thread's default while the call is awaited, so the
// replies come to it and to nothing else the thread runs (the window's main loop included). The
// store's lock makes sure one thread at a time runs it.
GMainContext* keyringContext() {
  static GMainContext* context = g_main_context_new();
  return context;
}

std::mutex& keyringMutex() {
  static std::mutex m;
  return m;
}

// The result of one call, shared by the waiter and the call's callback, which may come after the
// waiter has given up.
struct Completion {
  GAsyncResult* result = nullptr;
  ~Completion() {
    if (result) g_object_unref(result);
  }
};

void complete(GObject*, GAsyncResult* result, gpointer data) {
  auto* completion = static_cast<std::shared_ptr<Completion>*>(data);
  (*completion)->result = G_ASYNC_RESULT(g_object_ref(result));
  delete completion;
}

gboolean cancelCall(gpointer cancellable) {
  g_cancellable_cancel(G_CANCELLABLE(cancellable));
  return G_SOURCE_REMOVE;
}

gboolean raiseFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

struct Outcome {
  GObjectPtr<GAsyncResult> result;  // null when the call was abandoned
  bool timedOut = false;
};

// Starts an asynchronous call, start(cancellable, callback, data), and runs the keyring's context
// until it completes. At `limit` the call is cancelled (it then completes with a cancellation error);
// one that has still not completed a second later is abandoned, and its late completion only frees
// its own record.
template <class Start>
Outcome await(std::chrono::milliseconds limit, Start&& start) {
  GMainContext* context = keyringContext();
  g_main_context_push_thread_default(context);
  GObjectPtr<GCancellable> cancellable(g_cancellable_new());
  auto completion = std::make_shared<Completion>();
  start(cancellable.get(), &complete, new std::shared_ptr<Completion>(completion));

  GSource* deadline = g_timeout_source_new(static_cast<guint>(limit.count()));
  g_source_set_callback(deadline, cancelCall, cancellable.get(), nullptr);
  g_source_attach(deadline, context);
  GSource* grace = nullptr;
  bool abandon = false;
  while (!completion->result && !abandon) {
    g_main_context_iteration(context, TRUE);
    if (!grace && !completion->result && g_cancellable_is_cancelled(cancellable.get())) {
      grace = g_timeout_source_new(1000);
      g_source_set_callback(grace, raiseFlag, &abandon, nullptr);
      g_source_attach(grace, context);
    }
  }
  for (GSource* source : {deadline, grace}) {
    if (!source) continue;
    g_source_destroy(source);
    g_source_unref(source);
  }
  g_main_context_pop_thread_default(context);

  Outcome outcome;
  outcome.timedOut = g_cancellable_is_cancelled(cancellable.get());
  outcome.result.reset(std::exchange(completion->result, nullptr));
  return outcome;
}

std::string seconds(std::chrono::milliseconds limit) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) + " s";
}

// Why a call failed, in a few words.
std::string failure(const Outcome& outcome, const GError* error, std::chrono::milliseconds limit) {
  if (outcome.timedOut) return "no answer within " + seconds(limit);
  if (!outcome.result) return "no answer";
  return error ? error->message : "no reason given";
}

bool tell(const char* what, const std::string& why) {
  std::fprintf(stderr, "vardo: the keyring could not %s: %s\n", what, why.c_str());
  return false;
}

// --- Finding out whether the session has a Secret Service ----------------------------------------

struct Probe {
  SecretService* service = nullptr;  // owned: the store takes it
  std::string reason;
};

bool sessionBusNamed() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS")) return *address != '\0';
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/') return false;
  struct stat st {};
  return ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// A method of the bus itself, answering `type`; null (with `why`) when it does not answer.
GVariant* askBus(GDBusConnection* bus, const char* method, GVariant* parameters, const char* type,
                 std::string* why) {
  Outcome outcome = await(SecretServiceStore::kProbeTimeout, [&](GCancellable* c, auto callback,
                                                                 gpointer data) {
    g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           method, parameters, G_VARIANT_TYPE(type), G_DBUS_CALL_FLAGS_NONE,
                           static_cast<int>(SecretServiceStore::kProbeTimeout.count()), c, callback, data);
  });
  GError* error = nullptr;
  GVariant* reply =
      outcome.result ? g_dbus_connection_call_finish(bus, outcome.result.get(), &error) : nullptr;
  ErrorPtr owned(error);
  if (!reply) *why = failure(outcome, error, SecretServiceStore::kProbeTimeout);
  return reply;
}

Probe probe() {
  constexpr auto kLimit = SecretServiceStore::kProbeTimeout;
  constexpr const char kName[] = "org.freedesktop.secrets";
  if (!sessionBusNamed()) return {nullptr, "no session bus"};

  Outcome connected = await(kLimit, [](GCancellable* c, auto callback, gpointer data) {
    g_bus_get(G_BUS_TYPE_SESSION, c, callback, data);
  });
  GError* error = nullptr;
  GObjectPtr<GDBusConnection> bus(connected.result ? g_bus_get_finish(connected.result.get(), &error)
                                                   : nullptr);
  if (!bus) {
    ErrorPtr owned(error);
    return {nullptr, "the session bus cannot be reached: " + failure(connected, error, kLimit)};
  }

  std::string why;
  VariantPtr owner(askBus(bus.get(), "NameHasOwner", g_variant_new("(s)", kName), "(b)", &why));
  if (!owner) return {nullptr, "the session bus does not answer: " + why};
  gboolean hasOwner = FALSE;
  g_variant_get(owner.get(), "(b)", &hasOwner);
  if (!hasOwner) {
    VariantPtr names(askBus(bus.get(), "ListActivatableNames", nullptr, "(as)", &why));
    if (!names) return {nullptr, "the session bus does not answer: " + why};
    GVariantIter* iter = nullptr;
    g_variant_get(names.get(), "(as)", &iter);
    const char* name = nullptr;
    bool activatable = false;
    while (!activatable && g_variant_iter_next(iter, "&s", &name)) activatable = std::string(name) == kName;
    g_variant_iter_free(iter);
    if (!activatable) return {nullptr, "no Secret Service on the session bus"};
  }

  Outcome opened = await(kLimit, [](GCancellable* c, auto callback, gpointer data) {
    secret_service_get(SECRET_SERVICE_NONE, c, callback, data);
  });
  error = nullptr;
  GObjectPtr<SecretService> service(opened.result ? secret_service_get_finish(opened.result.get(), &error)
                                                  : nullptr);
  if (!service) {
    ErrorPtr owned(error);
    return {nullptr, "the Secret Service does not answer: " + failure(opened, error, kLimit)};
  }

  Outcome aliased = await(kLimit, [&](GCancellable* c, auto callback, gpointer data) {
    secret_collection_for_alias(service.get(), SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, c, callback,
                                data);
  });
  error = nullptr;
  GObjectPtr<SecretCollection> collection(
      aliased.result ? secret_collection_for_alias_finish(aliased.result.get(), &error) : nullptr);
  if (!collection) {
    ErrorPtr owned(error);
    if (aliased.result && !error) return {nullptr, "the Secret Service has no default keyring"};
    return {nullptr, "the Secret Service does not answer: " + failure(aliased, error, kLimit)};
  }
  return {service.release(), ""};
}

const Probe& sessionProbe() {
  static const Probe decided = probe();
  return decided;
}

// --- The schema's items ------------------------------------------------------------------------------

struct Found {
  GObjectPtr<SecretItem> handle;
  KeychainItem item;
  bool secretLoaded = false;
};

// Every item of the schema, in any collection; nullopt when the Secret Service fails. A locked keyring
// is asked to unlock.
std::optional<std::vector<Found>> searchAll(SecretService* service, bool withSecrets) {
  auto flags = static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK |
                                              (withSecrets ? SECRET_SEARCH_LOAD_SECRETS : 0));
  HashPtr none(g_hash_table_new(g_str_hash, g_str_equal));
  Outcome outcome =
      await(SecretServiceStore::kCallTimeout, [&](GCancellable* c, auto callback, gpointer data) {
        secret_service_search(service, schema(), none.get(), flags, c, callback, data);
      });
  GError* error = nullptr;
  GList* list =
      outcome.result ? secret_service_search_finish(service, outcome.result.get(), &error) : nullptr;
  ErrorPtr owned(error);
  if (!outcome.result || error) {
    tell("search its items", failure(outcome, error, SecretServiceStore::kCallTimeout));
    return std::nullopt;
  }
  std::vector<Found> found;
  for (GList* link = list; link; link = link->next) {
    Found entry;
    entry.handle.reset(SECRET_ITEM(link->data));  // takes the list's reference
    HashPtr attributes(secret_item_get_attributes(entry.handle.get()));
    entry.item.attributes = keychainAttributes(attributes.get());
    if (ValuePtr value{secret_item_get_secret(entry.handle.get())}) {
      gsize length = 0;
      const gchar* bytes = secret_value_get(value.get(), &length);
      entry.item.data.assign(bytes, bytes + length);
      entry.secretLoaded = true;
    }
    found.push_back(std::move(entry));
  }
  g_list_free(list);
  return found;
}

// Waits for one change of an item; false (told) when it fails.
template <class Start, class Finish>
bool change(const char* what, Start&& start, Finish&& finish) {
  Outcome outcome = await(SecretServiceStore::kCallTimeout, start);
  GError* error = nullptr;
  bool ok = outcome.result && finish(outcome.result.get(), &error);
  ErrorPtr owned(error);
  return ok || tell(what, failure(outcome, error, SecretServiceStore::kCallTimeout));
}

// The default collection made ready for a new item: a locked one is asked to unlock (the desktop
// shows its prompt; where none can show, the unlock fails at once).
bool unlockDefaultCollection(SecretService* service) {
  constexpr auto kLimit = SecretServiceStore::kCallTimeout;
  Outcome aliased = await(kLimit, [&](GCancellable* c, auto callback, gpointer data) {
    secret_collection_for_alias(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, c, callback,
                                data);
  });
  GError* error = nullptr;
  GObjectPtr<SecretCollection> collection(
      aliased.result ? secret_collection_for_alias_finish(aliased.result.get(), &error) : nullptr);
  ErrorPtr owned(error);
  if (!collection) {
    return tell("store an item",
                aliased.result && !error ? "no default keyring" : failure(aliased, error, kLimit));
  }
  if (!secret_collection_get_locked(collection.get())) return true;
  GList objects{collection.get(), nullptr, nullptr};
  Outcome unlocked = await(kLimit, [&](GCancellable* c, auto callback, gpointer data) {
    secret_service_unlock(service, &objects, c, callback, data);
  });
  GError* unlockError = nullptr;
  GList* list = nullptr;
  gint count =
      unlocked.result ? secret_service_unlock_finish(service, unlocked.result.get(), &list, &unlockError) : 0;
  g_list_free_full(list, g_object_unref);
  ErrorPtr ownedUnlock(unlockError);
  if (count > 0) return true;
  return tell("store an item", unlocked.result && !unlockError ? "its keyring stays locked"
                                                               : failure(unlocked, unlockError, kLimit));
}

bool store(SecretService* service, const KeychainItem& item) {
  std::string refused;
  HashPtr attributes(schemaAttributes(item.attributes, &refused));
  if (!attributes) return tell("store an item", "no place for the attribute \"" + refused + "\"");
  if (!unlockDefaultCollection(service)) return false;
  ValuePtr value(secretValue(item.data));
  std::string label = displayLabel(item);
  return change(
      "store an item",
      [&](GCancellable* c, auto callback, gpointer data) {
        secret_service_store(service, schema(), attributes.get(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                             value.get(), c, callback, data);
      },
      [&](GAsyncResult* result, GError** error) {
        return secret_service_store_finish(service, result, error);
      });
}

bool deleteItem(SecretItem* item) {
  return change(
      "delete an item",
      [&](GCancellable* c, auto callback, gpointer data) { secret_item_delete(item, c, callback, data); },
      [&](GAsyncResult* result, GError** error) { return secret_item_delete_finish(item, result, error); });
}

}  // namespace

std::shared_ptr<SecretServiceStore> SecretServiceStore::session() {
  static const std::shared_ptr<SecretServiceStore> store = [] {
    std::lock_guard lock(keyringMutex());
    const Probe& decided = sessionProbe();
    return decided.service ? std::shared_ptr<SecretServiceStore>(new SecretServiceStore(decided.service))
                           : nullptr;
  }();
  return store;
}

std::string SecretServiceStore::unavailableReason() {
  session();
  return sessionProbe().reason;
}

SecretServiceStore::SecretServiceStore(SecretService* service) : service_(service) { g_object_ref(service_); }

SecretServiceStore::~SecretServiceStore() { g_object_unref(service_); }

std::optional<KeychainItem> SecretServiceStore::find(const KeychainAttributes& query) {
  std::lock_guard lock(keyringMutex());
  auto all = searchAll(service_, true);
  if (!all) return std::nullopt;
  for (auto& entry : *all) {
    if (!entry.item.matches(query)) continue;
    if (!entry.secretLoaded) {
      tell("read an item", "its keyring stays locked");
      return std::nullopt;
    }
    return std::move(entry.item);
  }
  return std::nullopt;
}

bool SecretServiceStore::add(const KeychainItem& item) {
  std::lock_guard lock(keyringMutex());
  auto all = searchAll(service_, false);
  if (!all) return false;
  for (const auto& entry : *all) {
    if (entry.item.isSameEntry(item)) return false;
  }
  return store(service_, item);
}

bool SecretServiceStore::update(const KeychainAttributes& query, const KeychainAttributes& attributes,
                                const std::optional<std::vector<std::uint8_t>>& data) {
  std::lock_guard lock(keyringMutex());
  auto all = searchAll(service_, false);
  if (!all) return false;
  bool any = false;
  for (auto& entry : *all) {
    if (!entry.item.matches(query)) continue;
    any = true;
    KeychainItem changed = entry.item;
    for (const auto& [key, value] : attributes) changed.attributes[key] = value;
    std::string refused;
    HashPtr table(schemaAttributes(changed.attributes, &refused));
    if (!table) return tell("change an item", "no place for the attribute \"" + refused + "\"");
    SecretItem* item = entry.handle.get();
    bool ok = change(
        "change an item",
        [&](GCancellable* c, auto callback, gpointer d) {
          secret_item_set_attributes(item, schema(), table.get(), c, callback, d);
        },
        [&](GAsyncResult* result, GError** error) {
          return secret_item_set_attributes_finish(item, result, error);
        });
    if (!ok) return false;
    std::string label = displayLabel(changed);
    ok = change(
        "change an item",
        [&](GCancellable* c, auto callback, gpointer d) {
          secret_item_set_label(item, label.c_str(), c, callback, d);
        },
        [&](GAsyncResult* result, GError** error) {
          return secret_item_set_label_finish(item, result, error);
        });
    if (!ok) return false;
    if (data) {
      ValuePtr value(secretValue(*data));
      ok = change(
          "change a secret",
          [&](GCancellable* c, auto callback, gpointer d) {
            secret_item_set_secret(item, value.get(), c, callback, d);
          },
          [&](GAsyncResult* result, GError** error) {
            return secret_item_set_secret_finish(item, result, error);
          });
      if (!ok) return false;
    }
  }
  return any;
}

bool SecretServiceStore::remove(const KeychainAttributes& query) {
  std::lock_guard lock(keyringMutex());
  auto all = searchAll(service_, false);
  if (!all) return false;
  bool any = false;
  for (auto& entry : *all) {
    if (!entry.item.matches(query)) continue;
    any = true;
    if (!deleteItem(entry.handle.get())) return false;
  }
  return any;
}

bool SecretServiceStore::replace(const KeychainItem& item) {
  std::lock_guard lock(keyringMutex());
  auto all = searchAll(service_, false);
  if (!all) return false;
  for (auto& entry : *all) {
    if (entry.item.isSameEntry(item) && !deleteItem(entry.handle.get())) return false;
  }
  return store(service_, item);
}

}  // namespace sec
