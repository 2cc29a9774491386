#include "screens/update/DataManagementViewController.h"

#include "app/AppPaths.h"
#include "app/VDViewControllerFactory.h"
#include "bank/QuestionBank.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/WeakScreen.h"
#include "widgets/ProgressHUD.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

constexpr double kWidth = 320;
constexpr double kToolbarHeight = 44;
constexpr double kPickerHeight = 162;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The toolbar: its items' views laid out left to right, flexible spaces sharing what is left.
class DataToolbar : public ui::View {
 public:
  DataToolbar(ui::Rect frame, const std::vector<std::shared_ptr<ui::BarButtonItem>>& items)
      : ui::View(frame) {
    constexpr double kItemWidth = 60, kInset = 6;
    int spaces = 0;
    double fixed = 2 * kInset;
    for (const auto& item : items) {
      if (item->systemItem() == ui::BarButtonItem::SystemItem::FlexibleSpace) {
        ++spaces;
      } else {
        fixed += item->width() > 0 ? item->width() : kItemWidth;
      }
    }
    const double flexible = spaces > 0 ? std::max(0.0, (frame.size.width - fixed) / spaces) : 0;
    double x = kInset;
    for (const auto& item : items) {
      const bool isFlexible = item->systemItem() == ui::BarButtonItem::SystemItem::FlexibleSpace;
      const double w = isFlexible ? flexible : (item->width() > 0 ? item->width() : kItemWidth);
      auto view = item->makeView();
      view->setFrame({x, 7, w, frame.size.height - 14});
      addSubview(view);
      x += w;
    }
  }
  std::string className() const override { return "Toolbar"; }
};

}  // namespace

// ---- picker ----

DataManagementPickerView::DataManagementPickerView(ui::Rect frame) : ui::View(frame) {}

void DataManagementPickerView::setRows(std::vector<std::string> titles, double rowHeight) {
  for (const auto& row : rows_) row->removeFromSuperview();
  rows_.clear();
  const double top =
      std::max(0.0, (frame().size.height - rowHeight * static_cast<double>(titles.size())) / 2);
  for (std::size_t i = 0; i < titles.size(); ++i) {
    auto row = std::make_shared<ui::Button>(
        ui::Rect{0, top + rowHeight * static_cast<double>(i), frame().size.width, rowHeight});
    row->setTitle(titles[i]);
    row->setTitleColor(ui::Color::black());
    row->setTitleColor(ui::Color::rgb255(0, 110, 230), ui::kControlStateSelected);  // the selected row shows
    const int index = static_cast<int>(i);
    row->addTarget(ui::ControlEvent::TouchUpInside, [this, index](ui::Control&) { selectRow(index); });
    addSubview(row);
    rows_.push_back(row);
  }
  selected_ = -1;
  selectRow(0);
}

void DataManagementPickerView::selectRow(int row) {
  if (row < 0 || row >= numberOfRows()) return;
  selected_ = row;
  for (int i = 0; i < numberOfRows(); ++i) rows_[static_cast<std::size_t>(i)]->setSelected(i == row);
}

std::string DataManagementPickerView::titleForRow(int row) const {
  if (row < 0 || row >= numberOfRows()) return std::string();
  return rows_[static_cast<std::size_t>(row)]->currentTitle();
}

// ---- the panel ----

DataManagementViewController::~DataManagementViewController() = default;

void DataManagementViewController::registerScreen() {
  VDViewControllerFactory::registerScreen(
      kIdentifier, [](const std::string&) { return std::make_shared<DataManagementViewController>(); });
}

void DataManagementViewController::loadView() {
  // The panel covers the window (taps outside it go nowhere) and sits at its bottom.
  auto root = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, 480});
  root->setBackgroundColor(ui::Color::gray(0, 0.4));
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  setView(root);
  const double height = kToolbarHeight + kPickerHeight;
  deleteView_ = std::make_shared<ui::View>(ui::Rect{0, root->bounds().size.height - height, kWidth, height});
  deleteView_->setBackgroundColor(ui::Color::white());
  deleteView_->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleWidth);
  root->addSubview(deleteView_);
}

void DataManagementViewController::viewDidLoad() {
  dataManagementArray_ = {kClearRecordsRow, kClearBankRow};

  myPickerView_ =
      std::make_shared<DataManagementPickerView>(ui::Rect{0, kToolbarHeight, kWidth, kPickerHeight});
  myPickerView_->layer().setBorderWidth(10);
  myPickerView_->layer().setBorderColor(ui::Color::clear());
  myPickerView_->setShowsSelectionIndicator(true);
  myPickerView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  myPickerView_->setBackgroundColor(ui::Color::clear());
  std::vector<std::string> titles;
  for (int row = 0; row < numberOfRowsInComponent(0); ++row) titles.push_back(titleForRow(row, 0));
  myPickerView_->setRows(std::move(titles), rowHeightForComponent(0));
  deleteView_->addSubview(myPickerView_);

  const auto weak = ui::weakScreen(*this);
  auto self = [weak] { return weak.lock(); };
  toolbarItems_ = {
      ui::BarButtonItem::withTitle("取消", ui::BarButtonItem::Style::Bordered,
                                   [self](ui::BarButtonItem&) {
                                     if (auto vc = self()) vc->canceClick();
                                   }),
      ui::BarButtonItem::withSystemItem(ui::BarButtonItem::SystemItem::FlexibleSpace),
      ui::BarButtonItem::withTitle("确定", ui::BarButtonItem::Style::Done,
                                   [self](ui::BarButtonItem&) {
                                     if (auto vc = self()) vc->okClick();
                                   }),
  };
  if (!toolBar_) {
    const ui::Rect picker = myPickerView_->frame();
    toolBar_ = std::make_shared<DataToolbar>(
        ui::Rect{0, picker.origin.y - kToolbarHeight, kWidth, kToolbarHeight}, toolbarItems_);
  }
  toolBar_->setBackgroundColor(ui::Color::gray(0, 0.8));  // black translucent
  toolBar_->setHidden(false);
  deleteView_->addSubview(toolBar_);
}

std::string DataManagementViewController::titleForRow(int row, int component) const {
  if (row < 0 || row >= static_cast<int>(dataManagementArray_.size())) return std::string();
  return dataManagementArray_[static_cast<std::size_t>(row)];
}

void DataManagementViewController::okClick() {
  const std::string row =
      myPickerView_ ? myPickerView_->titleForRow(myPickerView_->selectedRow()) : std::string();
  std::string message;
  if (row == kClearRecordsRow) message = localized("clearLearning");
  if (row == kClearBankRow) message = localized("clearDB");

  // The paths of the chosen subject, taken now on the main thread; nothing is made for them.
  const std::string recordsDirectory = core::Paths::documents() + "/yizuo";
  const BankPaths bankPaths = AppPaths::bankPaths();

  const auto weak = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("dataManagement"), message,
      [weak, row, recordsDirectory, bankPaths](bool cancelled, int) {
        auto vc = weak.lock();
        if (!vc) return;
        vc->alert_.reset();
        if (cancelled) return;
        vc->showHudView();
        if (row == kClearBankRow) {
          // The bank clears itself on its worker; its answer comes back here while the panel (which
          // holds the bank) is there.
          vc->bank_ = QuestionBank::make(bankPaths);
          vc->bank_->clear(
              [weak](bool ok) {
                if (auto done = weak.lock()) done->clearAlear(localized(ok ? "clearSuccess" : "clearError"));
              },
              vc->remover_);
          return;
        }
        // The files go on a worker (platform/runloop/TaskAndReply.h); the result alert comes back
        // here, unless the panel has gone meanwhile.
        rl::postTaskAndReply(
            rl::DispatchQueue::global(), std::weak_ptr<DataManagementViewController>(vc),
            [row, recordsDirectory, remove = vc->remover_] {
              return clearRow(row, recordsDirectory, remove);
            },
            [](DataManagementViewController& done, std::string key) {
              done.clearAlear(localized(key.c_str()));
            });
      },
      std::optional<std::string>("取消"), std::vector<std::string>{"确定"});
  alert_ = alert;
  alert->show();
}

std::string DataManagementViewController::clearRow(const std::string& row,
                                                   const std::string& recordsDirectory,
                                                   const Remover& remove) {
  // Something that was there and could not be removed is the one failure; nothing there is success.
  if (row == kClearRecordsRow && core::Paths::fileExists(recordsDirectory) &&
      !(remove ? remove(recordsDirectory) : core::Paths::removeAll(recordsDirectory)))
    return "clearError";
  return "clearSuccess";
}

void DataManagementViewController::showHudView() {
  auto hud = std::make_shared<ProgressHUD>(view());
  view().addSubview(hud);
  view().bringSubviewToFront(*hud);
  hud->setLabelText(localized("alertMessage"));
  hud->show(true);
  hudView_ = hud;
}

void DataManagementViewController::closeHudView() {
  if (!hudView_) return;
  hudView_->removeFromSuperview();
  hudView_.reset();
}

void DataManagementViewController::clearAlear(const std::string& message) {
  closeHudView();
  const auto weak = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("dataManagement"), message,
      [weak](bool, int) {
        if (auto vc = weak.lock()) {
          vc->alert_.reset();
          vc->closePanel();
        }
      },
      std::optional<std::string>("确定"), std::vector<std::string>{});
  alert->setMessageAlignment(ui::TextAlignment::Left);
  alert_ = alert;
  alert->show();
}

void DataManagementViewController::canceClick() { closePanel(); }

void DataManagementViewController::closePanel() {
  // The block may drop the opener's last reference; this controller stays until the call ends.
  auto keep = shared_from_this();
  if (cacelBlock_) {
    auto block = cacelBlock_;
    block();
  }
  if (ui::View* v = viewIfLoaded()) v->removeFromSuperview();
}
