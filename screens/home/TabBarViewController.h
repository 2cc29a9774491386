#pragma once
// TabBarViewController: the application's tab-bar controller. Its tab bar's items get their pictures by
// tag when the view loads: 0 home, 1 chapter practice, 2 exams, 3 "more" (the "_down@2x" picture when
// selected, "_up@2x" otherwise, both at scale 2), shifted 6 points down inside their buttons; items
// with other tags keep theirs. Portrait only. It holds a System client and a SystemDAO it never uses.

#include <memory>

#include "ui/Application.h"
#include "ui/TabBarController.h"

class System;
class SystemDAO;

class TabBarViewController : public ui::TabBarController {
 public:
  std::string className() const override { return "TabBarViewController"; }

  void viewDidLoad() override;
  // Portrait only.
  bool shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation orientation) const {
    return orientation == ui::InterfaceOrientation::Portrait;
  }
  // Nothing beyond the switch the controller makes itself.
  void didSelectItem(ui::TabBar& tabBar, ui::TabBarItem& item) override {}

  ui::TabBar& tabbar() { return tabBar(); }
  const std::shared_ptr<System>& systemBll() const { return systemBll_; }
  void setSystemBll(std::shared_ptr<System> client) { systemBll_ = std::move(client); }
  const std::shared_ptr<SystemDAO>& systemDAO() const { return systemDAO_; }
  void setSystemDAO(std::shared_ptr<SystemDAO> dao) { systemDAO_ = std::move(dao); }

 private:
  std::shared_ptr<System> systemBll_;
  std::shared_ptr<SystemDAO> systemDAO_;
};
