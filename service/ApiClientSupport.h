#pragma once
// What the API clients (User, Center, System, MyNote, Chapter, ExamGuide, MyFavorite, WrongRedo,
// SimulationExam, SearchTest, RandomTest) share: the success rules that turn a reply into the flag of
// a callback, the building of request paths from user and server texts, and the hold that keeps a
// client alive until its reply has been delivered.
//
// A callback always gets false and null when there is no reply (a failed request, an empty response or
// one that is not JSON); the rules below are only asked about real replies.

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/core/Value.h"
#include "platform/runloop/RunLoop.h"
#include "service/AbstractService.h"

namespace apiclient {

// ---- limits ----
// The most entries a "Body" list may hold in any reply a callback reports (the longest real list, a
// subject catalogue or a wrong-answer book, holds some hundreds). Past it the callback's flag is false
// whatever the rule, so the screen shows its error for a failed reply and never builds rows for an
// unbounded list. Clients state tighter limits of their own where a screen reads a list more closely
// (System::kMaxListEntries, MyNote::kMaxNotesPerPage; question sets: TestBuilder).
inline constexpr std::size_t kMaxListEntries = 10000;
// The reply's "Body" is not a list longer than kMaxListEntries.
bool withinLimits(const core::Value& reply);

// ---- success rules ----
// "Body" is there, not null, and reads as true (a boolean, a non-zero number, "true"/"YES").
bool bodyTrue(const core::Value& reply);
// "Body" confirms an action: the boolean true, the number 1 or the text "true" / "YES" (any case). A
// "Body" of another shape (a list, a record, some other number or text) confirms nothing: a reply of
// the wrong shape never counts as a registration, a login step or a changed password.
bool bodyIsTrue(const core::Value& reply);
// "Body" is not the JSON null (a reply without "Body" passes).
bool bodyPresent(const core::Value& reply);
// "Body" is an array with at least one item or an object with at least one member.
bool bodyNonEmpty(const core::Value& reply);
// The reply's "success" is the text "true" (the verification-code service).
bool successTrue(const core::Value& reply);
// "Body" is an object whose "Name" is there and not null (question sets and rankings).
bool bodyHasName(const core::Value& reply);

// ---- paths ----
// `format` with each "%@" replaced, in order, by the next text escaped as one path segment
// (AbstractService::escapePathSegment: "%", "/", "?", "#" and "&" are escaped, the rest is left to the
// whole-URL escaping). Extra "%@" without a text become "".
std::string path(std::string_view format, std::initializer_list<std::string_view> segments);
// Each text between "/" escaped as a segment: for arguments that the caller joins with "/" itself.
std::string joinedSegments(std::string_view joined);
// A query value: escapeComponent (everything but letters, digits and - . _ ~ escaped), so "&", "=",
// "+" and "#" stay inside the value.
std::string queryValue(std::string_view text);
// The texts of the ids (numbers or texts; an array, or one value), without repeats (by text, the first
// place kept), joined by ",".
std::string uniqueIdList(const core::Value& ids);

// ---- holding the client ----
// A finished block that keeps `client` alive until the block has run once, then lets it go (a client
// that its caller makes, calls and drops at once still reports; nothing is kept after the reply).
// `deliver` gets the client and the reply on the main thread.
template <class Client>
AbstractService::FinishedBlock holding(std::shared_ptr<Client> client,
                                       std::function<void(Client&, const core::Value&)> deliver) {
  auto held = std::make_shared<std::shared_ptr<Client>>(std::move(client));
  return [held, deliver = std::move(deliver)](const std::shared_ptr<AbstractService>&,
                                              const core::Value& reply) {
    std::shared_ptr<Client> self = std::move(*held);
    if (self) deliver(*self, reply);
  };
}

// A finished block that reports the reply to the delegate's `callback`: false and null without a
// reply, else `rule`'s flag (false past the list limit) and the whole reply. Nothing happens when the
// delegate is gone.
using Rule = bool (*)(const core::Value& reply);
template <class Client, class Delegate>
AbstractService::FinishedBlock reporting(std::shared_ptr<Client> client, Rule rule,
                                         void (Delegate::*callback)(bool, const core::Value&)) {
  return holding<Client>(std::move(client), [rule, callback](Client& c, const core::Value& reply) {
    std::shared_ptr<Delegate> delegate = c.delegate.lock();
    if (!delegate) return;
    ((*delegate).*callback)(!reply.isNil() && withinLimits(reply) && rule(reply), reply);
  });
}

// Runs `fn` later on the main thread's loop (never inline): for answers a client gives without a
// request, so they come the way a reply would.
void postToMain(std::function<void()> fn);

}  // namespace apiclient
