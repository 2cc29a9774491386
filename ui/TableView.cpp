#include "ui/TableView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ui/detail/Appearance.h"

namespace ui {

double TableViewDelegate::heightForRowAtIndexPath(TableView& tableView, IndexPath) {
  return tableView.rowHeight();
}

TableView::TableView(Rect frame, TableViewStyle style) : ScrollView(frame), style_(style) {
  setBackgroundColor(style == TableViewStyle::Grouped ? Color::gray(0.94) : Color::white());
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate) {
  delegate_ = delegate;
  setScrollViewDelegate(std::move(delegate));
}

std::shared_ptr<ScrollViewDelegate> TableView::scrollViewDelegate() const { return delegate_.lock(); }

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
  if (tableHeaderView_) tableHeaderView_->removeFromSuperview();
  tableHeaderView_ = std::move(view);
  if (tableHeaderView_) addSubview(tableHeaderView_);
  if (loaded_) reloadData();
  layoutTableViews();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
  if (tableFooterView_) tableFooterView_->removeFromSuperview();
  tableFooterView_ = std::move(view);
  if (tableFooterView_) addSubview(tableFooterView_);
  if (loaded_) reloadData();
  layoutTableViews();
}

int TableView::numberOfRowsInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return sections_[static_cast<std::size_t>(section)].rows;
}

bool TableView::valid(IndexPath ip) const {
  return ip.section >= 0 && ip.section < numberOfSections() && ip.row >= 0 &&
         ip.row < numberOfRowsInSection(ip.section);
}

void TableView::reloadData() {
  detail::assertMainThread("TableView::reloadData");
  auto keep = shared_from_this();
  selected_.clear();
  tracking_.reset();
  swipeRow_.reset();
  rebuild();
}

void TableView::rebuild() {
  swipedRow_.reset();
  for (auto& [ip, cell] : std::map(visible_)) enqueue(cell);
  visible_.clear();
  for (auto& [s, header] : headers_) header->removeFromSuperview();
  headers_.clear();
  sections_.clear();

  auto source = dataSource();
  auto delegate = this->delegate();
  const int sectionCount = source ? std::max(0, source->numberOfSectionsInTableView(*this)) : 0;
  double y = tableHeaderView_ ? tableHeaderView_->frame().height() : 0;
  for (int s = 0; s < sectionCount; ++s) {
    Section sec;
    sec.rows = std::max(0, source->numberOfRowsInSection(*this, s));
    sec.headerTitle = source->titleForHeaderInSection(*this, s);
    const std::string footerTitle = source->titleForFooterInSection(*this, s);
    double header = delegate ? delegate->heightForHeaderInSection(*this, s) : -1;
    if (header < 0) {
      const bool hasHeaderView = delegate && delegate->viewForHeaderInSection(*this, s);
      if (style_ == TableViewStyle::Plain) {
        header = (!sec.headerTitle.empty() || hasHeaderView) ? 22 : 0;
      } else {
        header = (!sec.headerTitle.empty() || hasHeaderView) ? 44 : 10;
      }
    }
    double footer = delegate ? delegate->heightForFooterInSection(*this, s) : -1;
    if (footer < 0) footer = style_ == TableViewStyle::Plain ? (footerTitle.empty() ? 0 : 22) : 10;
    sec.headerHeight = header;
    sec.footerHeight = footer;
    sec.top = y;
    double rowY = 0;
    for (int r = 0; r < sec.rows; ++r) {
      double h = delegate ? delegate->heightForRowAtIndexPath(*this, {s, r}) : rowHeight_;
      if (!(h >= 0) || !std::isfinite(h)) h = 0;
      sec.rowTops.push_back(rowY);
      sec.rowHeights.push_back(h);
      rowY += h;
    }
    y += header + rowY + footer;
    sections_.push_back(std::move(sec));
  }
  contentHeight_ = y + (tableFooterView_ ? tableFooterView_->frame().height() : 0);
  loaded_ = true;
  setContentSize({bounds().width(), contentHeight_});
  layoutTableViews();
  updateVisibleCells();
}

Rect TableView::rectForRowAtIndexPath(IndexPath ip) const {
  if (!valid(ip)) return {};
  const auto& sec = sections_[static_cast<std::size_t>(ip.section)];
  const auto r = static_cast<std::size_t>(ip.row);
  return {0, sec.top + sec.headerHeight + sec.rowTops[r], bounds().width(), sec.rowHeights[r]};
}

Rect TableView::rectForHeaderInSection(int section) const {
  if (section < 0 || section >= numberOfSections()) return {};
  const auto& sec = sections_[static_cast<std::size_t>(section)];
  return {0, sec.top, bounds().width(), sec.headerHeight};
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point p) const {
  if (p.x < 0 || p.x >= bounds().width()) return std::nullopt;
  for (int s = 0; s < numberOfSections(); ++s) {
    const auto& sec = sections_[static_cast<std::size_t>(s)];
    const double first = sec.top + sec.headerHeight;
    if (p.y < first) continue;
    for (int r = 0; r < sec.rows; ++r) {
      const Rect rect = rectForRowAtIndexPath({s, r});
      if (p.y >= rect.minY() && p.y < rect.maxY()) return IndexPath{s, r};
    }
  }
  return std::nullopt;
}

TableViewCell* TableView::cellForRowAtIndexPath(IndexPath ip) const {
  auto it = visible_.find(ip);
  return it == visible_.end() ? nullptr : it->second.get();
}

std::vector<TableViewCell*> TableView::visibleCells() const {
  std::vector<TableViewCell*> out;
  for (auto& [ip, cell] : visible_) out.push_back(cell.get());
  return out;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
  std::vector<IndexPath> out;
  for (auto& [ip, cell] : visible_) out.push_back(ip);
  return out;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
  for (auto& [ip, c] : visible_) {
    if (c.get() == &cell) return ip;
  }
  return std::nullopt;
}

void TableView::registerCell(const std::string& identifier,
                             std::function<std::shared_ptr<TableViewCell>()> factory) {
  factories_[identifier] = std::move(factory);
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier) {
  auto& pool = pool_[identifier];
  if (!pool.empty()) {
    auto cell = pool.back();
    pool.pop_back();
    cell->prepareForReuse();
    return cell;
  }
  if (auto it = factories_.find(identifier); it != factories_.end() && it->second) return it->second();
  return nullptr;
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
  cell->removeFromSuperview();
  cell->setHighlighted(false);
  cell->hideDeleteConfirmation();
  pool_[cell->reuseIdentifier()].push_back(cell);
}

void TableView::layoutSubviews() {
  layoutTableViews();
  if (loaded_) updateVisibleCells();
}

void TableView::layoutTableViews() {
  const double w = bounds().width();
  if (tableHeaderView_) tableHeaderView_->setFrame({0, 0, w, tableHeaderView_->frame().height()});
  if (tableFooterView_) {
    const double h = tableFooterView_->frame().height();
    tableFooterView_->setFrame({0, contentHeight_ - h, w, h});
  }
}

void TableView::updateVisibleCells() {
  if (updating_) return;
  updating_ = true;
  auto keep = shared_from_this();
  const Rect visible = bounds();
  auto source = dataSource();
  auto delegate = this->delegate();

  // Rows that left the visible bounds go to the pool.
  for (auto it = visible_.begin(); it != visible_.end();) {
    const Rect r = rectForRowAtIndexPath(it->first);
    if (!valid(it->first) || !r.intersects(visible)) {
      if (swipedRow_ == it->first) swipedRow_.reset();
      enqueue(it->second);
      it = visible_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = headers_.begin(); it != headers_.end();) {
    if (!rectForHeaderInSection(it->first).intersects(visible)) {
      it->second->removeFromSuperview();
      it = headers_.erase(it);
    } else {
      ++it;
    }
  }

  for (int s = 0; s < numberOfSections() && source; ++s) {
    const auto& sec = sections_[static_cast<std::size_t>(s)];
    const Rect headerRect = rectForHeaderInSection(s);
    if (headerRect.intersects(visible) && !headers_.count(s)) {
      std::shared_ptr<View> header = delegate ? delegate->viewForHeaderInSection(*this, s) : nullptr;
      if (!header && !sec.headerTitle.empty()) {
        auto label = std::make_shared<Label>(Rect{}, sec.headerTitle);
        label->setFont(Font::boldSystem(style_ == TableViewStyle::Plain ? 17 : 15));
        label->setBackgroundColor(Color::gray(0.9));
        header = label;
      }
      if (header) {
        header->setFrame(headerRect);
        addSubview(header);
        headers_[s] = header;
      }
    }
    for (int r = 0; r < sec.rows; ++r) {
      const IndexPath ip{s, r};
      const Rect rect = rectForRowAtIndexPath(ip);
      if (!rect.intersects(visible) || visible_.count(ip)) continue;
      auto cell = source->cellForRowAtIndexPath(*this, ip);
      if (!cell) cell = std::make_shared<TableViewCell>();  // a blank row keeps the layout whole
      cell->setFrame(rect);
      // Laid out before it shows, as the data source left it: a picture or accessory set after the cell
      // took its size still gets its place.
      cell->setNeedsLayout();
      configureEditing(*cell, ip);
      cell->setSelected(selected_.count(ip) > 0);
      insertSubview(cell, 0);
      visible_[ip] = cell;
      if (delegate) delegate->willDisplayCell(*this, *cell, ip);
    }
  }
  updating_ = false;
}

void TableView::selectRowAtIndexPath(std::optional<IndexPath> ip, bool animated,
                                     TableViewScrollPosition position) {
  detail::assertMainThread("TableView::selectRowAtIndexPath");
  if (!multipleSelectionActive()) {
    for (auto& s : std::set(selected_)) {
      if (!ip || s != *ip) deselectRowAtIndexPath(s, animated);
    }
  }
  if (!ip || !valid(*ip)) return;
  selected_.insert(*ip);
  if (auto* cell = cellForRowAtIndexPath(*ip)) cell->setSelected(true, animated);
  if (position != TableViewScrollPosition::None) scrollToRowAtIndexPath(*ip, position, animated);
}

void TableView::deselectRowAtIndexPath(IndexPath ip, bool animated) {
  if (!selected_.erase(ip)) return;
  if (auto* cell = cellForRowAtIndexPath(ip)) cell->setSelected(false, animated);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
  if (selected_.empty()) return std::nullopt;
  return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const {
  return {selected_.begin(), selected_.end()};
}

void TableView::scrollToRowAtIndexPath(IndexPath ip, TableViewScrollPosition position, bool animated) {
  if (!valid(ip)) return;
  const Rect r = rectForRowAtIndexPath(ip);
  const double h = bounds().height();
  double y = contentOffset().y;
  switch (position) {
    case TableViewScrollPosition::Top:
      y = r.minY();
      break;
    case TableViewScrollPosition::Middle:
      y = r.midY() - h / 2;
      break;
    case TableViewScrollPosition::Bottom:
      y = r.maxY() - h;
      break;
    case TableViewScrollPosition::None:
      scrollRectToVisible(r, animated);
      return;
  }
  y = std::clamp(y, minimumContentOffset().y, maximumContentOffset().y);
  setContentOffset({contentOffset().x, y}, animated);
}

void TableView::userSelect(IndexPath ip) {
  auto keep = shared_from_this();
  auto delegate = this->delegate();
  std::optional<IndexPath> target = delegate ? delegate->willSelectRowAtIndexPath(*this, ip) : ip;
  if (!target || !valid(*target)) return;
  if (multipleSelectionActive() && selected_.count(*target)) {
    deselectRowAtIndexPath(*target, false);
    if (delegate) delegate->didDeselectRowAtIndexPath(*this, *target);
    return;
  }
  if (!multipleSelectionActive()) {
    for (auto& s : std::set(selected_)) {
      if (s == *target) continue;
      deselectRowAtIndexPath(s, false);
      if (delegate) delegate->didDeselectRowAtIndexPath(*this, s);
    }
  }
  selected_.insert(*target);
  if (auto* cell = cellForRowAtIndexPath(*target)) cell->setSelected(true);
  if (delegate) delegate->didSelectRowAtIndexPath(*this, *target);
}

void TableView::touchesBegan(const TouchSet& touches) {
  tracking_.reset();
  swipeRow_.reset();
  ignoringTouch_ = false;
  if (touches.empty()) return;
  if (swipedRow_) {
    // A touch beside the confirmation button only takes the button away.
    hideDeleteConfirmation();
    ignoringTouch_ = true;
    return;
  }
  const auto at = indexPathForRowAtPoint(touches.front().locationInView(this));
  if (at && !editing_) {
    swipeRow_ = at;
    swipeStart_ = touches.front().windowLocation;
  }
  if (!selectionActive()) return;
  tracking_ = at;
  if (tracking_) {
    if (auto* cell = cellForRowAtIndexPath(*tracking_);
        cell && cell->selectionStyle() != TableViewCellSelectionStyle::None) {
      cell->setHighlighted(true);
    }
  }
}

void TableView::touchesMoved(const TouchSet& touches) {
  if (ignoringTouch_ || touches.empty()) return;
  const Point now = touches.front().windowLocation;
  if (swipeRow_) {
    const double dx = now.x - swipeStart_.x;
    const double dy = now.y - swipeStart_.y;
    if (dx <= -kSwipeDistance && std::abs(dy) * 2 < std::abs(dx)) {
      const IndexPath ip = *swipeRow_;
      swipeRow_.reset();
      if (tracking_) {
        if (auto* cell = cellForRowAtIndexPath(*tracking_)) cell->setHighlighted(false);
        tracking_.reset();
      }
      ignoringTouch_ = true;
      showDeleteConfirmation(ip);
      return;
    }
  }
  if (!tracking_) return;
  const Point start = touches.front().startWindowLocation;
  if (std::hypot(now.x - start.x, now.y - start.y) > 10) {
    if (auto* cell = cellForRowAtIndexPath(*tracking_)) cell->setHighlighted(false);
    tracking_.reset();
  }
}

void TableView::touchesEnded(const TouchSet& touches) {
  swipeRow_.reset();
  if (ignoringTouch_ || !tracking_ || touches.empty()) return;
  const IndexPath ip = *tracking_;
  tracking_.reset();
  if (auto* cell = cellForRowAtIndexPath(ip)) cell->setHighlighted(false);
  const auto at = indexPathForRowAtPoint(touches.front().locationInView(this));
  if (at && *at == ip) userSelect(ip);
}

void TableView::touchesCancelled(const TouchSet& touches) {
  if (tracking_) {
    if (auto* cell = cellForRowAtIndexPath(*tracking_)) cell->setHighlighted(false);
  }
  tracking_.reset();
  swipeRow_.reset();
}

// ---- editing ----

bool TableView::selectionActive() const {
  return editing_ ? (allowsSelectionDuringEditing_ || allowsMultipleSelectionDuringEditing_)
                  : allowsSelection_;
}

bool TableView::multipleSelectionActive() const {
  return editing_ ? allowsMultipleSelectionDuringEditing_ : allowsMultipleSelection_;
}

bool TableView::rowIsEditable(IndexPath ip) {
  auto source = dataSource();
  return source && valid(ip) && source->canEditRowAtIndexPath(*this, ip);
}

void TableView::configureEditing(TableViewCell& cell, IndexPath ip) {
  const bool editing = editing_ && rowIsEditable(ip);
  cell.setShowsSelectionMark(editing && allowsMultipleSelectionDuringEditing_);
  cell.setEditing(editing);
}

void TableView::setEditing(bool editing, bool animated) {
  detail::assertMainThread("TableView::setEditing");
  if (editing == editing_) return;
  auto keep = shared_from_this();
  hideDeleteConfirmation();
  editing_ = editing;
  for (auto& s : std::set(selected_)) deselectRowAtIndexPath(s, animated);
  tracking_.reset();
  swipeRow_.reset();
  for (auto& [ip, cell] : std::map(visible_)) configureEditing(*cell, ip);
  notify(ViewProperty::Editing);
}

void TableView::setAllowsMultipleSelectionDuringEditing(bool allows) {
  if (allows == allowsMultipleSelectionDuringEditing_) return;
  allowsMultipleSelectionDuringEditing_ = allows;
  if (editing_) {
    for (auto& [ip, cell] : std::map(visible_)) configureEditing(*cell, ip);
  }
}

void TableView::showDeleteConfirmation(IndexPath ip) {
  auto keep = shared_from_this();
  hideDeleteConfirmation();
  auto delegate = this->delegate();
  if (editing_ || !rowIsEditable(ip)) return;
  const auto style =
      delegate ? delegate->editingStyleForRowAtIndexPath(*this, ip) : TableViewCellEditingStyle::Delete;
  if (style != TableViewCellEditingStyle::Delete) return;
  TableViewCell* cell = cellForRowAtIndexPath(ip);
  if (!cell) return;
  const std::string title =
      delegate ? delegate->titleForDeleteConfirmationButtonForRowAtIndexPath(*this, ip) : "Delete";
  std::weak_ptr<View> weakTable = weak_from_this();
  std::weak_ptr<View> weakCell = cell->weak_from_this();
  cell->showDeleteConfirmation(title, [weakTable, weakCell] {
    auto table = std::static_pointer_cast<TableView>(weakTable.lock());
    auto c = std::static_pointer_cast<TableViewCell>(weakCell.lock());
    if (table && c) table->confirmDelete(*c);
  });
  swipedRow_ = ip;
}

void TableView::hideDeleteConfirmation() {
  if (!swipedRow_) return;
  if (auto* cell = cellForRowAtIndexPath(*swipedRow_)) cell->hideDeleteConfirmation();
  swipedRow_.reset();
}

void TableView::confirmDelete(const TableViewCell& cell) {
  auto keep = shared_from_this();
  const auto ip = indexPathForCell(cell);
  if (!ip || swipedRow_ != ip) return;
  hideDeleteConfirmation();
  if (auto source = dataSource()) source->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, *ip);
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths, TableViewRowAnimation) {
  detail::assertMainThread("TableView::deleteRowsAtIndexPaths");
  auto keep = shared_from_this();
  const std::set<IndexPath> gone(indexPaths.begin(), indexPaths.end());
  auto source = dataSource();
  bool consistent = source && source->numberOfSectionsInTableView(*this) == numberOfSections();
  for (int s = 0; consistent && s < numberOfSections(); ++s) {
    int removed = 0;
    for (const IndexPath& ip : gone) {
      if (ip.section == s && valid(ip)) ++removed;
      if (ip.section == s && !valid(ip)) consistent = false;
    }
    if (source->numberOfRowsInSection(*this, s) != numberOfRowsInSection(s) - removed) consistent = false;
  }
  if (!consistent) {
#ifndef NDEBUG
    std::fprintf(stderr,
                 "ui: TableView::deleteRowsAtIndexPaths: the data source's row counts do not match\n");
    std::abort();
#else
    reloadData();
    return;
#endif
  }
  // The selection moves up with the rows below the deleted ones.
  std::set<IndexPath> moved;
  for (const IndexPath& ip : selected_) {
    if (gone.count(ip)) continue;
    int shift = 0;
    for (const IndexPath& g : gone)
      if (g.section == ip.section && g.row < ip.row) ++shift;
    moved.insert({ip.section, ip.row - shift});
  }
  selected_ = std::move(moved);
  tracking_.reset();
  swipeRow_.reset();
  rebuild();
  const Point low = minimumContentOffset();
  const Point high = maximumContentOffset();
  const Point offset = contentOffset();
  const Point clamped{std::clamp(offset.x, low.x, std::max(low.x, high.x)),
                      std::clamp(offset.y, low.y, std::max(low.y, high.y))};
  if (clamped.x != offset.x || clamped.y != offset.y) setContentOffset(clamped);
}

}  // namespace ui
