#pragma once
// ExamInfoViewController ("examinfo", opened from the home screen): two buttons that open the product's
// news site ("资讯站") and the maker's site ("产品站") in the web page screen, pushed on the navigation
// stack under those titles. The addresses come from SiteAddresses, percent-escaped.

#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/ViewController.h"

class ExamInfoViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "examinfo";
  static constexpr const char* kNewsTitle = "资讯站";
  static constexpr const char* kProductTitle = "产品站";

  std::string className() const override { return "ExamInfoViewController"; }

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void btnExamInfoWS();
  void btnProductWS();

  ui::Button* examInfoButton() const { return examInfoButton_.get(); }
  ui::Button* productButton() const { return productButton_.get(); }

 private:
  void openSite(const std::string& title, const std::string& address);

  std::shared_ptr<ui::Button> examInfoButton_;
  std::shared_ptr<ui::Button> productButton_;
};
