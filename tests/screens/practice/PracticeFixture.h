#pragma once
// The practice entries under test: the review lists' fixture (temporary home, loopback API server with
// the sample bank's state, every screen registered with a recording answering screen, GKSample chosen
// and installed, user01 logged in on the server and in the session) with the bank's application
// information in the session, as the home screen leaves it, and helpers to read tables as the user
// sees them.
//
// The sample bank's chapter tree: 1 常识综合 -> 11 人文常识 -> {111 地理常识 (22), 112 历史常识 (20)};
// 1 -> 12 科技常识 -> {121 科学常识 (18), 122 数学常识 -> {1221 四则运算 (45), 1222 数学趣题 (0)}}.

#include <string>
#include <vector>

#include "exam/sets/ChapterResultFile.h"
#include "exam/sets/LastLearningRecordFile.h"
#include "exam/sets/LearningRecordFile.h"
#include "platform/runloop/DispatchQueue.h"
#include "tests/screens/review/ReviewFixture.h"
#include "ui/TableViewCell.h"
#include "util/MD5Digest.h"

namespace practice_test {

class PracticeFixture : public review_test::ReviewFixture {
 public:
  void SetUp() override {
    ReviewFixture::SetUp();
    if (HasFatalFailure()) return;
    app().userSession().set("appInfo", core::Dictionary{{"Name", "常识综合（样例）"}, {"EName", review_test::kSubject}});
  }

  // Makes a screen through the factory, lets `configure` set its launch properties and pushes it.
  template <class Screen, class Configure>
  Screen* push(const char* identifier, Configure configure) {
    auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
    auto* typed = dynamic_cast<Screen*>(made.get());
    EXPECT_NE(typed, nullptr) << identifier;
    if (!typed) return nullptr;
    configure(*typed);
    navigation().pushViewController(made, true);
    settleAll();
    return typed;
  }
  template <class Screen>
  Screen* push(const char* identifier) {
    return push<Screen>(identifier, [](Screen&) {});
  }

  ui::NavigationController& navigation() {
    return *dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  }
  std::string topClass() {
    auto* top = h().topScreen();
    return top ? top->className() : "";
  }

  // Each row of the table as "text|detail", as the cells show them.
  static std::vector<std::string> rows(ui::TableView& table) {
    std::vector<std::string> out;
    const int n = table.dataSource() ? table.dataSource()->numberOfRowsInSection(table, 0) : 0;
    for (int r = 0; r < n; ++r) {
      auto cell = table.dataSource()->cellForRowAtIndexPath(table, {0, r});
      std::string text = cell->textLabel()->text();
      if (cell->detailTextLabel()) text += "|" + cell->detailTextLabel()->text();
      out.push_back(text);
    }
    return out;
  }
  static std::shared_ptr<ui::TableViewCell> cell(ui::TableView& table, int row) {
    return table.dataSource()->cellForRowAtIndexPath(table, {0, row});
  }
  // The row whose text starts with `name`; -1 when none does.
  static int rowNamed(ui::TableView& table, const std::string& name) {
    const auto all = rows(table);
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].rfind(name, 0) == 0) return static_cast<int>(i);
    return -1;
  }
  bool tapRowNamed(ui::TableView& table, const std::string& name) {
    const int row = rowNamed(table, name);
    EXPECT_GE(row, 0) << name;
    if (row < 0 || !tapRow(table, row)) return false;
    settleAll();
    return true;
  }
  // Requests, the local bank's reads on the global queue and what they answer on the main thread.
  void settleAll() {
    for (int i = 0; i < 3; ++i) {
      rl::DispatchQueue::global().waitIdle();
      settleRequests();
    }
  }
  static std::string md5(const std::string& text) { return stringFromMD5(text).value_or(""); }
};

}  // namespace practice_test
