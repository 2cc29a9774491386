#include "widgets/RegionPickerView.h"

#include <algorithm>

RegionPickerView::RegionPickerView(ui::Rect frame) : ui::View(frame) {
  setBackgroundColor(ui::Color::white());
  setClipsToBounds(true);
}

void RegionPickerView::setDataSource(std::weak_ptr<RegionPickerViewDataSource> dataSource) {
  dataSource_ = std::move(dataSource);
  reloadAllComponents();
}

void RegionPickerView::setDelegate(std::weak_ptr<RegionPickerViewDelegate> delegate) {
  delegate_ = std::move(delegate);
  reloadAllComponents();
}

int RegionPickerView::numberOfRowsInComponent(int component) const {
  if (component < 0 || component >= numberOfComponents()) return 0;
  return static_cast<int>(components_[static_cast<std::size_t>(component)].titles.size());
}

int RegionPickerView::selectedRowInComponent(int component) const {
  if (numberOfRowsInComponent(component) == 0) return -1;
  return components_[static_cast<std::size_t>(component)].selected;
}

std::string RegionPickerView::titleForRow(int row, int component) const {
  if (row < 0 || row >= numberOfRowsInComponent(component)) return "";
  return components_[static_cast<std::size_t>(component)].titles[static_cast<std::size_t>(row)];
}

void RegionPickerView::reloadAllComponents() {
  for (auto& c : components_) {
    for (auto& v : c.rowViews) v->removeFromSuperview();
  }
  auto source = dataSource();
  const int count = source ? std::max(0, source->numberOfComponentsInPickerView(*this)) : 0;
  std::vector<int> selected;
  for (const auto& c : components_) selected.push_back(c.selected);
  components_.assign(static_cast<std::size_t>(count), Component{});
  for (int i = 0; i < count; ++i) {
    if (static_cast<std::size_t>(i) < selected.size())
      components_[static_cast<std::size_t>(i)].selected = selected[static_cast<std::size_t>(i)];
    loadComponent(i);
  }
}

void RegionPickerView::reloadComponent(int component) {
  if (component < 0 || component >= numberOfComponents()) return;
  loadComponent(component);
}

void RegionPickerView::loadComponent(int component) {
  auto& c = components_[static_cast<std::size_t>(component)];
  auto source = dataSource();
  auto d = delegate();
  const int rows = source ? std::max(0, source->numberOfRowsInComponent(*this, component)) : 0;
  c.titles.clear();
  for (int r = 0; r < rows; ++r) c.titles.push_back(d ? d->titleForRow(*this, r, component) : "");
  // A shorter list keeps the selection on its last row.
  c.selected = rows == 0 ? 0 : std::clamp(c.selected, 0, rows - 1);
  layoutComponent(component);
}

void RegionPickerView::selectRow(int row, int component, bool animated) {
  if (row < 0 || row >= numberOfRowsInComponent(component)) return;
  components_[static_cast<std::size_t>(component)].selected = row;
  layoutComponent(component);
}

void RegionPickerView::layoutComponent(int component) {
  auto& c = components_[static_cast<std::size_t>(component)];
  for (auto& v : c.rowViews) v->removeFromSuperview();
  c.rowViews.clear();
  const double width = bounds().width() / std::max(1, numberOfComponents());
  const double x = width * component;
  const double bandTop = (bounds().height() - kRowHeight) / 2;
  // Only the rows that show (the band and what fits above and below it) get a view.
  const int reach = static_cast<int>(bandTop / kRowHeight) + 1;
  const int first = std::max(0, c.selected - reach);
  const int last = std::min(static_cast<int>(c.titles.size()) - 1, c.selected + reach);
  std::weak_ptr<View> weak = weak_from_this();
  for (int r = first; r <= last; ++r) {
    auto row =
        std::make_shared<ui::Button>(ui::Rect(x, bandTop + (r - c.selected) * kRowHeight, width, kRowHeight));
    row->setTitle(c.titles[static_cast<std::size_t>(r)]);
    row->setTitleColor(r == c.selected ? ui::Color::black() : ui::Color::gray());
    row->setTag(r);
    row->addTarget(ui::ControlEvent::TouchUpInside, [weak, r, component](ui::Control&) {
      if (auto self = std::static_pointer_cast<RegionPickerView>(weak.lock())) self->userPicked(r, component);
    });
    addSubview(row);
    c.rowViews.push_back(row);
  }
}

void RegionPickerView::userPicked(int row, int component) {
  if (row < 0 || row >= numberOfRowsInComponent(component)) return;
  selectRow(row, component, true);
  if (auto d = delegate()) d->didSelectRow(*this, row, component);
}
