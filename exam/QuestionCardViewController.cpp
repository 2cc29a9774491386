#include "exam/QuestionCardViewController.h"

#include <algorithm>
#include <cmath>

#include "app/VDAppStatistics.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"

namespace {

constexpr double kTopBarHeight = 44;
constexpr double kSegmentTop = 56;
constexpr double kTableTop = 100;
constexpr double kHintHeight = 27;
constexpr const char* kCellIdentifier = "questionCardRow";

}  // namespace

bool QuestionCardViewController::examMode() const {
  auto exam = examVC();
  return exam && exam->currentMode() == AnsweringMode::Exam;
}

void QuestionCardViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  const ui::Rect bounds = root->bounds();

  auto topBar = std::make_shared<ui::View>(ui::Rect(0, 0, bounds.width(), kTopBarHeight));
  topBar->setBackgroundColor(ui::Color::black());
  auto title = std::make_shared<ui::Label>(ui::Rect(80, 0, bounds.width() - 160, kTopBarHeight));
  title->setText("答题卡");
  title->setTextAlignment(ui::TextAlignment::Center);
  title->setTextColor(ui::Color::white());
  topBar->addSubview(title);
  auto back = std::make_shared<ui::Button>(ui::Rect(5, 5, 60, 34));
  back->setTitle("返回");
  back->setTitleColor(ui::Color::white());
  const auto weak = ui::weakScreen(*this);
  back->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->backClick();
  });
  topBar->addSubview(back);
  root->addSubview(topBar);

  const ui::Rect segmentFrame(10, kSegmentTop, bounds.width() - 20, ui::SegmentedControl::kHeight);
  trainSegmented_ = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{kAll, kWrong, kNotDone}, segmentFrame);
  testSegmented_ = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{kAll, kNotDone}, segmentFrame);
  trainSegmented_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->segSwitch();
  });
  testSegmented_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->segSwitch2();
  });
  root->addSubview(trainSegmented_);
  root->addSubview(testSegmented_);

  hintView_ = std::make_shared<ui::View>(ui::Rect(0, kTableTop - 5, bounds.width(), kHintHeight));
  auto hint = std::make_shared<ui::Label>(ui::Rect(10, 0, bounds.width() - 20, kHintHeight));
  hint->setFont(ui::Font::system(12));
  hint->setText("绿色：答对　红色：答错　白色：未答");
  hintView_->addSubview(hint);
  root->addSubview(hintView_);

  contentTableVC_ = std::make_shared<ui::TableView>(
      ui::Rect(0, kTableTop, bounds.width(), bounds.height() - kTableTop));
  contentTableVC_->setDataSource(weakAs<ui::TableViewDataSource>());
  contentTableVC_->setDelegate(weakAs<ui::TableViewDelegate>());
  root->addSubview(contentTableVC_);
  setView(root);
}

void QuestionCardViewController::viewDidLoad() {
  allQuestions_.clear();
  wrongQuestions_.clear();
  notDoneQuestions_.clear();
  dictAllTest_.clear();
  dictWrongTest_.clear();
  dictNotTest_.clear();
  if (auto exam = examVC(); exam && exam->testPager()) {
    for (const auto& test : exam->testPager()->testArray()) {
      allQuestions_.push_back(test);
      configQuestion(test, dictAllTest_);
      if (test->state == AnswerState::Wrong) {
        wrongQuestions_.push_back(test);
        configQuestion(test, dictWrongTest_);
      }
      if (test->state == AnswerState::NotAnswered) {
        notDoneQuestions_.push_back(test);
        configQuestion(test, dictNotTest_);
      }
    }
  }
  arrSection_ = getArrSection(allQuestions_);
  dictDataSource_ = &dictAllTest_;
  setSegmented(static_cast<int>(allQuestions_.size()), static_cast<int>(wrongQuestions_.size()),
               static_cast<int>(notDoneQuestions_.size()));
  trainSegmented_->setSelectedSegmentIndex(0);
  testSegmented_->setSelectedSegmentIndex(0);
  const bool exam = examMode();
  hintView_->setHidden(exam);
  trainSegmented_->setHidden(exam);
  testSegmented_->setHidden(!exam);
  if (!exam) {
    ui::Rect frame = contentTableVC_->frame();
    frame.origin.y = kTableTop + kHintHeight;
    frame.size.height -= kHintHeight;
    contentTableVC_->setFrame(frame);
  }
  contentTableVC_->reloadData();
}

void QuestionCardViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void QuestionCardViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void QuestionCardViewController::configQuestion(const std::shared_ptr<Questions>& test,
                                                std::map<std::string, QuestionsArray>& dict) {
  dict[test->style].push_back(test);
}

std::vector<std::string> QuestionCardViewController::getArrSection(const QuestionsArray& tests) {
  std::vector<std::string> styles;
  for (const auto& test : tests)
    if (std::find(styles.begin(), styles.end(), test->style) == styles.end()) styles.push_back(test->style);
  return styles;
}

void QuestionCardViewController::setSegmented(int all, int wrong, int notDone) {
  auto title = [](const char* name, int n) { return std::string(name) + "(" + std::to_string(n) + ")"; };
  testSegmented_->setTitleForSegmentAtIndex(0, title(kAll, all));
  testSegmented_->setTitleForSegmentAtIndex(1, title(kNotDone, notDone));
  trainSegmented_->setTitleForSegmentAtIndex(0, title(kAll, all));
  trainSegmented_->setTitleForSegmentAtIndex(1, title(kWrong, wrong));
  trainSegmented_->setTitleForSegmentAtIndex(2, title(kNotDone, notDone));
}

void QuestionCardViewController::segSwitch() {
  static const char* const kFilters[] = {kAll, kWrong, kNotDone};
  const int index = trainSegmented_->selectedSegmentIndex();
  showQuestions(index >= 0 && index < 3 ? kFilters[index] : kAll);
}

void QuestionCardViewController::segSwitch2() {
  showQuestions(testSegmented_->selectedSegmentIndex() == 1 ? kNotDone : kAll);
}

void QuestionCardViewController::showQuestions(const std::string& filter) {
  if (filter == kWrong) {
    arrSection_ = getArrSection(wrongQuestions_);
    dictDataSource_ = &dictWrongTest_;
  } else if (filter == kNotDone) {
    arrSection_ = getArrSection(notDoneQuestions_);
    dictDataSource_ = &dictNotTest_;
  } else {
    arrSection_ = getArrSection(allQuestions_);
    dictDataSource_ = &dictAllTest_;
  }
  contentTableVC_->reloadData();
}

void QuestionCardViewController::toExamVC(const ui::Button& button) {
  const int number = std::atoi(button.currentTitle().c_str());
  if (auto exam = examVC()) exam->skipTestWithIndex(number - 1);
  dismissViewController(true);
}

void QuestionCardViewController::backClick() { dismissViewController(true); }

int QuestionCardViewController::columns(double width) {
  return std::max(1, static_cast<int>((width - 10) / kCell));
}

double QuestionCardViewController::rowHeight(int count, int columns) {
  return static_cast<double>((std::max(count, 1) - 1) / columns) * kCell + 72;
}

std::string QuestionCardViewController::buttonImage(bool examMode, AnswerState state) {
  if (state == AnswerState::Right) return examMode ? "testcard_blue_btn" : "testcard_green_btn";
  if (state == AnswerState::Wrong) return examMode ? "testcard_blue_btn" : "testcard_red_btn";
  return "testcard_white_btn";
}

const QuestionsArray& QuestionCardViewController::sectionQuestions(int section) const {
  static const QuestionsArray kNone;
  if (section < 0 || section >= static_cast<int>(arrSection_.size())) return kNone;
  const auto found = dictDataSource_->find(arrSection_[static_cast<std::size_t>(section)]);
  return found == dictDataSource_->end() ? kNone : found->second;
}

int QuestionCardViewController::numberOfSectionsInTableView(ui::TableView&) {
  return static_cast<int>(arrSection_.size());
}

int QuestionCardViewController::numberOfRowsInSection(ui::TableView&, int) { return 1; }

double QuestionCardViewController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  return rowHeight(static_cast<int>(sectionQuestions(indexPath.section).size()),
                   columns(tableView.bounds().width()));
}

double QuestionCardViewController::heightForHeaderInSection(ui::TableView&, int) { return kHeaderHeight; }

std::shared_ptr<ui::View> QuestionCardViewController::viewForHeaderInSection(ui::TableView& tableView,
                                                                             int section) {
  if (section < 0 || section >= static_cast<int>(arrSection_.size())) return nullptr;
  const std::string& style = arrSection_[static_cast<std::size_t>(section)];
  const double width = tableView.bounds().width();
  auto header = std::make_shared<ui::View>(ui::Rect(0, 0, width, kHeaderHeight));
  const ui::Font font = ui::Font::system(14);
  const ui::Size text =
      ui::TextMeasurer::current()->measure(style, font, {width, 30}, ui::LineBreakMode::WordWrap);
  const double imageWidth = text.width + 30;
  auto background = std::make_shared<ui::ImageView>(ui::Rect(10, 3, imageWidth, 30));
  background->setImage(ui::Image::create("testcard_text_background")->resizable({18, 15, 18, 15}));
  header->addSubview(background);
  auto label = std::make_shared<ui::Label>(ui::Rect(25, 3, text.width, 30));
  label->setBackgroundColor(ui::Color::clear());
  label->setFont(font);
  label->setText(style);
  header->addSubview(label);
  const double lineX = 10 + imageWidth;
  auto line = std::make_shared<ui::ImageView>(ui::Rect(lineX, 14, std::max(0.0, width - 10 - lineX), 7));
  line->setImage(ui::Image::create("testcard_line")->resizable({0, 0, 0, 10}));
  header->addSubview(line);
  return header;
}

std::shared_ptr<ui::TableViewCell> QuestionCardViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                     ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  // A reused row first loses the buttons of its earlier group.
  const auto old = cell->contentView().subviews();
  for (const auto& view : old)
    if (dynamic_cast<ui::Button*>(view.get())) view->removeFromSuperview();

  auto exam = examVC();
  const bool examModeNow = examMode();
  const auto current = exam && exam->testPager() ? exam->testPager()->currentTest() : nullptr;
  const int perLine = columns(tableView.bounds().width());
  const auto& questions = sectionQuestions(indexPath.section);
  const auto weak = ui::weakScreen(*this);
  for (std::size_t k = 0; k < questions.size(); ++k) {
    const auto& test = questions[k];
    const int column = static_cast<int>(k) % perLine;
    const int line = static_cast<int>(k) / perLine;
    auto button = std::make_shared<ui::Button>(ui::Rect(column * kCell + 10, line * kCell + 10, kButton, kButton));
    const auto place = std::find(allQuestions_.begin(), allQuestions_.end(), test) - allQuestions_.begin();
    button->setTitle(std::to_string(place + 1));
    button->titleLabel().setFont(ui::Font::system(15));
    button->setTitleColor(test == current ? ui::Color::black() : ui::Color::lightGray());
    button->setBackgroundImage(ui::Image::create(buttonImage(examModeNow, test->state)));
    button->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control& control) {
      auto self = weak.lock();
      if (auto* b = dynamic_cast<ui::Button*>(&control); self && b) self->toExamVC(*b);
    });
    cell->contentView().addSubview(button);
  }
  return cell;
}
