#pragma once
// DataManagementViewController ("dataManagement"): the panel that clears local data. Its opener gives it a
// close block and lays its view on the window (ui::Window::addOverlay). The panel shows a one-column
// picker with two rows, "清除答题记录" (the answer records) and "清除题库" (the chosen subject's question
// bank), under a toolbar with "取消" and "确定".
//
// "确定" asks first (title: localized "dataManagement"; message: localized "clearLearning" or "clearDB";
// buttons "取消" / "确定"). On "确定" the progress overlay (localized "alertMessage") covers the panel while
// the files are removed on a thread of its own:
//   "清除答题记录"  the whole records directory (documents "/yizuo");
//   "清除题库"      the bank file "<Value>.db" in the bank folder and, only when that file was there and
//                  is gone, the subject's whole image directory.
// Back on the main thread the overlay closes and a left-aligned alert says localized "clearError" when
// something that was there could not be removed, localized "clearSuccess" otherwise (also when there was
// nothing to remove); its "确定" runs the close block and removes the panel. "取消" in the toolbar does
// the same at once; "取消" in the confirmation only closes the confirmation.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/ViewController.h"

class ProgressHUD;
class QuestionBank;
namespace ui {
class AlertView;
class BarButtonItem;
class Button;
}  // namespace ui

// A one-column picker: rows of `rowHeight` points, the selected row marked by the selection indicator.
// A tap on a row selects it.
class DataManagementPickerView : public ui::View {
 public:
  explicit DataManagementPickerView(ui::Rect frame);
  std::string className() const override { return "PickerView"; }

  // The rows (their titles); the selection goes back to row 0.
  void setRows(std::vector<std::string> titles, double rowHeight);
  int numberOfRows() const { return static_cast<int>(rows_.size()); }
  int selectedRow() const { return selected_; }  // -1 without rows
  void selectRow(int row);
  std::string titleForRow(int row) const;
  bool showsSelectionIndicator() const { return showsSelectionIndicator_; }
  void setShowsSelectionIndicator(bool shows) { showsSelectionIndicator_ = shows; }

 private:
  std::vector<std::shared_ptr<ui::Button>> rows_;
  int selected_ = -1;
  bool showsSelectionIndicator_ = false;
};

class DataManagementViewController : public ui::ViewController {
 public:
  static constexpr const char* kClearRecordsRow = "清除答题记录";
  static constexpr const char* kClearBankRow = "清除题库";
  static constexpr double kRowHeight = 40;

  static constexpr const char* kIdentifier = "dataManagement";

  DataManagementViewController() = default;
  ~DataManagementViewController() override;

  // Registers this screen's creator under "dataManagement" with the screen factory.
  static void registerScreen();
  std::string className() const override { return "DataManagementViewController"; }

  void loadView() override;
  void viewDidLoad() override;

  // ---- properties ----
  const std::vector<std::string>& dataManagementArray() const { return dataManagementArray_; }
  const std::function<void()>& cacelBlock() const { return cacelBlock_; }
  void setCacelBlock(std::function<void()> block) { cacelBlock_ = std::move(block); }
  DataManagementPickerView* myPickerView() const { return myPickerView_.get(); }
  ui::View* toolBar() const { return toolBar_.get(); }
  ui::View* deleteView() const { return deleteView_.get(); }
  ProgressHUD* hudView() const { return hudView_.get(); }

  // ---- picker data source and delegate ----
  int numberOfComponentsInPickerView() const { return 1; }
  int numberOfRowsInComponent(int component) const { return static_cast<int>(dataManagementArray_.size()); }
  std::string titleForRow(int row, int component) const;
  double rowHeightForComponent(int component) const { return kRowHeight; }

  // ---- actions ----
  void okClick();                               // toolbar "确定": the confirmation
  void canceClick();                            // toolbar "取消": close
  void clearAlear(const std::string& message);  // the result alert
  void showHudView();
  void closeHudView();

  // What removes a file or directory tree for this panel (true when nothing is left at the path); set
  // by the owner (tests make a removal fail). Empty: core::Paths::removeAll. Called on the worker that
  // clears, so it must be safe to call from any thread.
  using Remover = std::function<bool(const std::string& path)>;
  void setRemover(Remover remover) { remover_ = std::move(remover); }

  // The clearing of the records row (any thread): the result text's key, "clearSuccess" or "clearError";
  // `remove` removes one tree (empty: core::Paths::removeAll). The bank row is the question bank's own
  // clear (QuestionBank::clear).
  static std::string clearRow(const std::string& row, const std::string& recordsDirectory,
                              const Remover& remove = {});

 private:
  void closePanel();

  std::vector<std::string> dataManagementArray_;
  std::function<void()> cacelBlock_;
  std::shared_ptr<DataManagementPickerView> myPickerView_;
  std::shared_ptr<ui::View> toolBar_;
  std::vector<std::shared_ptr<ui::BarButtonItem>> toolbarItems_;  // the toolbar's views refer to them
  std::shared_ptr<ui::View> deleteView_;
  std::shared_ptr<ProgressHUD> hudView_;
  std::shared_ptr<ui::AlertView> alert_;  // the alert on show
  std::shared_ptr<QuestionBank> bank_;    // the bank being cleared
  Remover remover_;
};
