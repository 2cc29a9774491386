#pragma once
// ui::TableView: rows in sections over a scroll view. reloadData asks the data source for the counts and
// the delegate for every height first, sets the content size, and then asks for cells only for the rows
// that intersect the visible bounds; scrolling asks for rows as they come into view and puts the rows
// that leave into the reuse pool. A tap on a row (hit-tested; a touch that moves more than 10 points is
// not a tap) selects it and tells the delegate; selecting by program tells nobody.
//
// Editing. setEditing(true) puts the rows the data source lets be edited (canEditRowAtIndexPath, none by
// default) into editing (their content moves right); the selection is cleared whenever editing starts or
// stops. While editing, selection follows allowsSelectionDuringEditing and
// allowsMultipleSelectionDuringEditing (with the latter, every row shows its selection mark and a tap
// toggles the row) instead of allowsSelection and allowsMultipleSelection.
//
// Swipe to delete: outside editing, a finger that moves kSwipeDistance points to the left (mostly
// sideways) over an editable row whose editing style is Delete shows that row's delete confirmation
// button, titled by the delegate. A touch on the button commits the deletion through the data source
// (commitEditingStyle); any other touch on the table, setEditing or a reload takes the button away and
// does nothing else. deleteRowsAtIndexPaths then takes rows out: the data source must already answer the
// new counts (each section's count less the rows deleted from it); a data source that does not is a
// programming fault (debug builds stop, others reload the table).

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/IndexPath.h"
#include "ui/ScrollView.h"
#include "ui/TableViewCell.h"

namespace ui {

class TableView;

enum class TableViewStyle { Plain, Grouped };
enum class TableViewScrollPosition { None, Top, Middle, Bottom };
enum class TableViewRowAnimation { Fade, Right, Left, Top, Bottom, None, Middle, Automatic };

struct TableViewDataSource {
  virtual ~TableViewDataSource() = default;
  virtual int numberOfSectionsInTableView(TableView& tableView) { return 1; }
  virtual int numberOfRowsInSection(TableView& tableView, int section) = 0;
  virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tableView, IndexPath indexPath) = 0;
  virtual std::string titleForHeaderInSection(TableView& tableView, int section) { return ""; }
  virtual std::string titleForFooterInSection(TableView& tableView, int section) { return ""; }
  // Editing: which rows take part, and the deletion the user confirmed.
  virtual bool canEditRowAtIndexPath(TableView& tableView, IndexPath indexPath) { return false; }
  virtual void commitEditingStyle(TableView& tableView, TableViewCellEditingStyle style,
                                  IndexPath indexPath) {}
};

// The table's delegate is also its scroll view delegate. Every method is optional.
struct TableViewDelegate : ScrollViewDelegate {
  virtual double heightForRowAtIndexPath(TableView& tableView, IndexPath indexPath);  // default: rowHeight()
  // A negative height (the default) means automatic: the section's title decides.
  virtual double heightForHeaderInSection(TableView& tableView, int section) { return -1; }
  virtual double heightForFooterInSection(TableView& tableView, int section) { return -1; }
  virtual std::shared_ptr<View> viewForHeaderInSection(TableView& tableView, int section) { return nullptr; }
  // Return another row to select that one instead, or nullopt to select nothing.
  virtual std::optional<IndexPath> willSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath) {
    return indexPath;
  }
  virtual void didSelectRowAtIndexPath(TableView& tableView, IndexPath indexPath) {}
  virtual void didDeselectRowAtIndexPath(TableView& tableView, IndexPath indexPath) {}
  virtual void willDisplayCell(TableView& tableView, TableViewCell& cell, IndexPath indexPath) {}
  virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView& tableView, IndexPath indexPath) {
    return TableViewCellEditingStyle::Delete;
  }
  virtual std::string titleForDeleteConfirmationButtonForRowAtIndexPath(TableView& tableView,
                                                                        IndexPath indexPath) {
    return "Delete";
  }
};

class TableView : public ScrollView {
 public:
  explicit TableView(Rect frame = {}, TableViewStyle style = TableViewStyle::Plain);
  std::string className() const override { return "TableView"; }

  TableViewStyle style() const { return style_; }
  std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(std::weak_ptr<TableViewDataSource> dataSource) { dataSource_ = std::move(dataSource); }
  std::shared_ptr<TableViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TableViewDelegate> delegate);
  std::shared_ptr<ScrollViewDelegate> scrollViewDelegate() const override;

  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double height) { rowHeight_ = height; }
  const std::shared_ptr<View>& tableHeaderView() const { return tableHeaderView_; }
  void setTableHeaderView(std::shared_ptr<View> view);
  const std::shared_ptr<View>& tableFooterView() const { return tableFooterView_; }
  void setTableFooterView(std::shared_ptr<View> view);
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void setAllowsMultipleSelection(bool allows) { allowsMultipleSelection_ = allows; }

  // ---- editing ----
  static constexpr double kSwipeDistance = 30;
  bool isEditing() const { return editing_; }
  void setEditing(bool editing, bool animated = false);
  bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
  void setAllowsSelectionDuringEditing(bool allows) { allowsSelectionDuringEditing_ = allows; }
  bool allowsMultipleSelectionDuringEditing() const { return allowsMultipleSelectionDuringEditing_; }
  void setAllowsMultipleSelectionDuringEditing(bool allows);
  // The row whose delete confirmation button shows.
  std::optional<IndexPath> rowShowingDeleteConfirmation() const { return swipedRow_; }
  void hideDeleteConfirmation();
  // Takes the rows out (after the data source has): the rows below move up, the selection follows them.
  // The animation is not played; the rows go at once.
  void deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, TableViewRowAnimation animation);

  void reloadData();
  int numberOfSections() const { return static_cast<int>(sections_.size()); }
  int numberOfRowsInSection(int section) const;  // 0 for an unknown section

  // Cells: the visible cell of a row (nullptr when it is not visible), all visible cells in row order.
  TableViewCell* cellForRowAtIndexPath(IndexPath indexPath) const;
  std::vector<TableViewCell*> visibleCells() const;
  std::vector<IndexPath> indexPathsForVisibleRows() const;
  std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
  // The row under a point in the table's own (content) coordinates.
  std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
  Rect rectForRowAtIndexPath(IndexPath indexPath) const;  // Rect{} for an unknown row
  Rect rectForHeaderInSection(int section) const;

  // Reuse. A cell from the pool (after prepareForReuse), else one made by the factory registered for
  // the identifier, else nullptr.
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  void registerCell(const std::string& identifier, std::function<std::shared_ptr<TableViewCell>()> factory);

  // Selection by program (the delegate is not told).
  void selectRowAtIndexPath(std::optional<IndexPath> indexPath, bool animated,
                            TableViewScrollPosition position = TableViewScrollPosition::None);
  void deselectRowAtIndexPath(IndexPath indexPath, bool animated);
  std::optional<IndexPath> indexPathForSelectedRow() const;
  std::vector<IndexPath> indexPathsForSelectedRows() const;  // in row order

  void scrollToRowAtIndexPath(IndexPath indexPath, TableViewScrollPosition position, bool animated);

  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void touchesCancelled(const TouchSet& touches) override;

 protected:
  void layoutSubviews() override;

 private:
  struct Section {
    int rows = 0;
    double top = 0;
    double headerHeight = 0;
    double footerHeight = 0;
    std::string headerTitle;
    std::vector<double> rowTops;  // relative to the first row of the section
    std::vector<double> rowHeights;
  };

  bool valid(IndexPath ip) const;
  void updateVisibleCells();
  void enqueue(const std::shared_ptr<TableViewCell>& cell);
  void userSelect(IndexPath ip);
  void layoutTableViews();
  void rebuild();  // counts, heights and content size from the data source; then the visible cells
  bool selectionActive() const;
  bool multipleSelectionActive() const;
  bool rowIsEditable(IndexPath ip);
  void configureEditing(TableViewCell& cell, IndexPath ip);
  void showDeleteConfirmation(IndexPath ip);
  void confirmDelete(const TableViewCell& cell);

  TableViewStyle style_;
  std::weak_ptr<TableViewDataSource> dataSource_;
  std::weak_ptr<TableViewDelegate> delegate_;
  double rowHeight_ = 44;
  std::shared_ptr<View> tableHeaderView_;
  std::shared_ptr<View> tableFooterView_;
  bool allowsSelection_ = true;
  bool allowsMultipleSelection_ = false;

  std::vector<Section> sections_;
  double contentHeight_ = 0;
  bool loaded_ = false;
  bool updating_ = false;
  std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
  std::map<int, std::shared_ptr<View>> headers_;
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> pool_;
  std::map<std::string, std::function<std::shared_ptr<TableViewCell>()>> factories_;
  std::set<IndexPath> selected_;
  std::optional<IndexPath> tracking_;
  bool editing_ = false;
  bool allowsSelectionDuringEditing_ = false;
  bool allowsMultipleSelectionDuringEditing_ = false;
  std::optional<IndexPath> swipeRow_;  // the row a touch began on, while it may still become a swipe
  Point swipeStart_;
  std::optional<IndexPath> swipedRow_;  // the row showing its delete confirmation
  bool ignoringTouch_ = false;          // the rest of this touch does nothing (it hid a confirmation)
};

}  // namespace ui
