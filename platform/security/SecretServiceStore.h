#pragma once
// sec::SecretServiceStore: keychain items kept by the desktop's Secret Service (whatever owns
// org.freedesktop.secrets on the session bus: GNOME Keyring, KWallet, KeePassXC), through libsecret,
// in its default collection: the user's login keyring, where the user's other passwords live.
//
// Items carry the schema "org.vardo.questionbank.GenericPassword". Their attributes become the
// schema's attributes: kSecAttrGeneric "generic", kSecAttrAccessGroup "access-group",
// kSecAttrAccount "account", kSecAttrService "service", kSecAttrLabel "label", kSecAttrDescription
// "description" (an item lacking one has none); an item with any other attribute cannot be stored (add
// and update fail). The secret is the item's secret ("text/plain" when it is UTF-8 text). The label the
// keyring shows is "vardo: " and the generic attribute (else the service), with the account in
// brackets. Queries match as KeychainItem::matches does, and the store holds one item per entry
// (KeychainItem::isSameEntry), as the file store does.
//
// session() decides once per process whether the session has a Secret Service to use:
//   1. a session bus is named: DBUS_SESSION_BUS_ADDRESS when it is set (empty: no bus), else the socket
//      $XDG_RUNTIME_DIR/bus when it exists (no bus is ever launched);
//   2. the bus accepts the connection;
//   3. org.freedesktop.secrets has an owner there, or the bus can start one (an activatable name);
//   4. the service opens (started by the bus if need be);
//   5. it has a default collection (alias "default"). Without one, the first item stored would have to
//      ask the user to create a keyring, which a headless session cannot show.
// Each step waits at most kProbeTimeout. The first that fails gives unavailableReason(), and session()
// answers null.
//
// An operation waits at most kCallTimeout for the Secret Service (a locked keyring asks the user to
// unlock it within that time); past it the call is cancelled and the operation fails. Operations of all
// threads are serialised (one lock, held while the Secret Service answers). Failures answer false or
// nullopt and are told on standard error with the Secret Service's message, never with a secret.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/security/KeychainItem.h"

typedef struct _SecretService SecretService;

namespace sec {

class SecretServiceStore {
 public:
  static constexpr std::chrono::milliseconds kProbeTimeout{5000};
  static constexpr std::chrono::milliseconds kCallTimeout{25000};
  static constexpr const char kSchemaName[] = "org.vardo.questionbank.GenericPassword";

  // The store of the session's Secret Service; null when there is none to use (decided once).
  static std::shared_ptr<SecretServiceStore> session();
  // Why session() is null, in a few words ("no session bus", ...); "" when it is not.
  static std::string unavailableReason();

  ~SecretServiceStore();
  SecretServiceStore(const SecretServiceStore&) = delete;
  SecretServiceStore& operator=(const SecretServiceStore&) = delete;

  // The first of the schema's items matching the query, with its secret (a locked keyring is asked to
  // unlock); nullopt when none matches, its secret stays locked, or the Secret Service fails.
  std::optional<KeychainItem> find(const KeychainAttributes& query);
  // Adds a new item. False when the same entry is stored already, or the Secret Service fails.
  bool add(const KeychainItem& item);
  // Every item matching the query takes the given attributes (added or replaced) and, when given, the
  // new secret. False when nothing matches or the Secret Service fails.
  bool update(const KeychainAttributes& query, const KeychainAttributes& attributes,
              const std::optional<std::vector<std::uint8_t>>& data);
  // Deletes every item matching the query. False when nothing matches or the Secret Service fails.
  bool remove(const KeychainAttributes& query);
  // Stores the item in place of the same entry, or as a new one. True once the keyring holds it.
  bool replace(const KeychainItem& item);

 private:
  explicit SecretServiceStore(SecretService* service);  // takes a reference

  SecretService* service_;
};

}  // namespace sec
