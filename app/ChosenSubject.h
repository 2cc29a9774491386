#pragma once
// ChosenSubject: the subject and series the user has chosen, as named fields. SubjectChoice (the user
// defaults "saveAppName" / "saveQuoteName", else the session's entries) stays the backing store; this
// type is read from it in one place.
//
// Each choice is a {"Key", "Value"} pair: the product's "Value" is the subject's short English name,
// which names the subject's files; its "Key" is the name shown. A product whose "Value" is not a usable
// file name counts as no choice (SubjectChoice refuses it). A missing or non-text field reads as "".

#include <string>

#include "platform/core/Value.h"

struct ChosenSubject {
  struct Pair {
    std::string key;    // "Key", shown to the user
    std::string value;  // "Value"
    bool operator==(const Pair&) const = default;
  };
  Pair product;  // "saveAppName": the subject; empty when none is chosen
  Pair quote;    // "saveQuoteName": the series

  bool hasSubject() const { return !product.value.empty(); }

  // The choice the user defaults (else the session) hold now.
  static ChosenSubject current();
  // The choice of two stored {"Key", "Value"} values; a product that is not usable is left empty.
  static ChosenSubject from(const core::Value& product, const core::Value& quote);
};
