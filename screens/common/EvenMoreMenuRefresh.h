#pragma once
// EvenMoreMenuRefresh: what the home screen refreshes of the "more" menu after a question-bank download.
// The menu screen ("evenmore") implements it; the home screen finds it with a dynamic cast of the
// delegate's evenMoreVC.

#include "platform/core/Value.h"

class EvenMoreMenuRefresh {
 public:
  virtual ~EvenMoreMenuRefresh() = default;
  virtual core::Value loadArrayData() = 0;                     // the menu's rows, built anew
  virtual void setEvenMoreArray(const core::Value& rows) = 0;  // keeps them
  virtual void reloadEvenMoreTable() = 0;                      // evenMoreTableView reloads
};
