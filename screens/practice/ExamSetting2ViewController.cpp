#include "screens/practice/ExamSetting2ViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "model/AnsweringMode.h"
#include "model/FunctionModule.h"
#include "screens/common/ScreenLayout.h"
#include "screens/practice/PracticeLaunch.h"
#include "ui/GestureRecognizer.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/Utf16.h"
#include "ui/WeakScreen.h"

namespace {

using Self = ExamSetting2ViewController;

constexpr std::size_t kMaxCountDigits = 2;

bool allDigits(const std::string& text) {
  return text.find_first_not_of("0123456789") == std::string::npos;
}

// A style row: the style's name on the left, its count field on the right.
class StyleCountCell : public ui::TableViewCell {
 public:
  explicit StyleCountCell(const std::string& reuseIdentifier)
      : ui::TableViewCell(ui::TableViewCellStyle::Default, reuseIdentifier) {
    label_ = std::make_shared<ui::Label>(ui::Rect{15, 10, 190, 30});
    label_->setTag(Self::kStyleLabelTag);
    field_ = std::make_shared<ui::TextField>(ui::Rect{215, 10, 80, 30});
    field_->setTag(Self::kCountFieldTag);
    field_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field_->setKeyboardType(ui::KeyboardType::NumberPad);
    field_->setPlaceholder("0");
    field_->setReturnKeyType(ui::ReturnKeyType::Done);
    contentView().addSubview(label_);
    contentView().addSubview(field_);
  }
  std::string className() const override { return "StyleCountCell"; }
  ui::Label& label() { return *label_; }
  ui::TextField& field() { return *field_; }

 private:
  std::shared_ptr<ui::Label> label_;
  std::shared_ptr<ui::TextField> field_;
};

}  // namespace

void Self::setStyleList(core::Value styles) {
  styleList_ = styles.isArray() ? std::move(styles) : core::Value::newArray();
  counts_.assign(styleList_.size(), std::string());
}

void Self::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame(), ScreenLayout::kBottomBarHeight);
  mytableview_ = table;
  mytableview_->setRowHeight(kRowHeight);
  // A tap on the table ends editing and still reaches the rows.
  auto tap = std::make_shared<ui::TapGestureRecognizer>(
      ui::whileAlive(*this, [](Self& s) { s.view().endEditing(true); }));
  tap->setCancelsTouchesInView(false);
  mytableview_->addGestureRecognizer(tap);
  auto [previous, start] = ScreenLayout::bottomButtons(*root, kPreviousTitle, kStartTitle);
  btnPrevious_ = previous;
  btnPrevious_->addTarget(ui::ControlEvent::TouchUpInside,
                          ui::whileAlive(*this, [](Self& s) { s.previous(); }));
  btnStart_ = start;
  btnStart_->addTarget(ui::ControlEvent::TouchUpInside,
                       ui::whileAlive(*this, [](Self& s) { s.startExam(); }));
  setView(root);
}

void Self::viewDidLoad() {
  setTitle(kTitle);
  mytableview_->setDataSource(weakAs<ui::TableViewDataSource>());
  mytableview_->setDelegate(weakAs<ui::TableViewDelegate>());
  if (counts_.size() != styleList_.size()) counts_.assign(styleList_.size(), std::string());
  mytableview_->reloadData();
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

const std::string& Self::countAt(int row) const {
  static const std::string none;
  return row >= 0 && row < static_cast<int>(counts_.size()) ? counts_[static_cast<std::size_t>(row)] : none;
}

core::Value Self::keywords() const {
  core::Value out = core::Value::newArray();
  int row = 0;
  for (const core::Value& style : styleList_.array()) {
    const std::string& typed = countAt(row++);
    out.push_back(core::Dictionary{{"Key", style["StyleID"].describe()},
                                   {"Value", typed.empty() ? 0 : std::stoi(typed)}});
  }
  return out;
}

void Self::startExam() {
  view().endEditing(true);
  const core::Value entries = keywords();
  bool any = false;
  for (const core::Value& e : entries.array()) any = any || e["Value"].toInt() > 0;
  if (!any) {
    VDHelper::createAlert(PracticeLaunch::localized("alertTitle"), kNoCountMessage, "确定");
    return;
  }
  core::Value sbjs = core::Value::newArray();
  for (const core::Value& row : sbjArr_.array())
    if (row["isChecked"].toInt() == 1) sbjs.push_back(row["subjectId"]);
  examBuilder_ = std::make_shared<ExamTestBuilder>();
  examBuilder_->setKeywords(entries);
  examBuilder_->setSbjs(sbjs);
  const auto weak = ui::weakScreen(*this);
  examBuilder_->generateTests(
      [weak](bool ok, const core::Value& reply, const std::optional<QuestionsArray>& questions) {
        if (auto self = weak.lock()) self->examBuilt(ok, reply, questions);
      });
}

void Self::examBuilt(bool ok, const core::Value& reply, const std::optional<QuestionsArray>& questions) {
  if (!ok) {
    // The reply says why (not logged in, no such subject ...); without one the request failed.
    VDHelper::createAlert(kExamTitle, PracticeLaunch::failureText(reply, "requestFaile", "nodataMessage"), "确定");
    return;
  }
  if (!questions || questions->empty()) {
    VDHelper::createAlert(kExamTitle, PracticeLaunch::failureText(reply, "requestFaile", "nodataMessage"),
                          "确定");
    return;
  }
  PracticeLaunch::open(*this, *questions, nullptr, [&reply](AnsweringScreen& screen) {
    screen.setOriginalMode(AnsweringMode::Exam);
    screen.setChapterName(kExamTitle);
    screen.setTestsJSON(reply);
    screen.setFunctionState(FunctionModule::SimulatedExam);
    screen.setIsAllow(true);
  });
}

void Self::previous() {
  if (ui::NavigationController* nav = navigationController()) nav->popViewController(true);
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(styleList_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = std::dynamic_pointer_cast<StyleCountCell>(tableView.dequeueReusableCellWithIdentifier(kCellIdentifier));
  if (!cell) {
    cell = std::make_shared<StyleCountCell>(kCellIdentifier);
    cell->field().setDelegate(weakAs<ui::TextFieldDelegate>());
  }
  // A reused cell's field now belongs to this row.
  fieldRows_[&cell->field()] = indexPath.row;
  cell->label().setText(styleList_[indexPath.row]["Style1"].describe());
  cell->field().setText(countAt(indexPath.row));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  return cell;
}

// ---- count fields ----

int Self::rowOf(const ui::TextField& field) const {
  const auto at = fieldRows_.find(&field);
  return at == fieldRows_.end() ? -1 : at->second;
}

bool Self::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range, const std::string& replacement) {
  if (!allDigits(replacement)) return false;
  const auto changed = ui::replaceUtf16Range(field.text(), range, replacement);
  if (!changed || changed->size() > kMaxCountDigits) return false;
  const int row = rowOf(field);
  if (row >= 0 && row < static_cast<int>(counts_.size())) counts_[static_cast<std::size_t>(row)] = *changed;
  return true;
}

void Self::textFieldDidBeginEditing(ui::TextField& field) {
  // Keeps the edited row clear of the keyboard: its top goes one row below the table's top.
  const int row = rowOf(field);
  if (row <= 0) return;
  const ui::Rect rect = mytableview_->rectForRowAtIndexPath({0, row});
  if (rect.origin.y > 0) mytableview_->setContentOffset({0, rect.origin.y - rect.height()}, true);
}

bool Self::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}
