#include "screens/subject/ChoiceScreenLayout.h"

#include <algorithm>

ChoiceScreenLayout::Views ChoiceScreenLayout::make(ui::Rect frame, double bottomInset) {
  Views v;
  v.root = std::make_shared<ui::View>(frame);
  v.root->setBackgroundColor(ui::Color::white());
  v.root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const double width = frame.size.width;
  v.searchBar = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, width, ui::SearchBar::kHeight});
  v.searchBar->setPlaceholder(kSearchPlaceholder);
  v.searchBar->setShowsCancelButton(true);
  v.searchBar->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  v.root->addSubview(v.searchBar);
  const double top = ui::SearchBar::kHeight;
  v.table = std::make_shared<ui::TableView>(
      ui::Rect{0, top, width, std::max(0.0, frame.size.height - top - bottomInset)});
  v.table->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  v.root->addSubview(v.table);
  return v;
}

std::shared_ptr<ui::TableViewCell> ChoiceScreenLayout::rowCell(ui::TableView& table,
                                                               const std::string& identifier,
                                                               ui::TableViewCellStyle style) {
  auto cell = table.dequeueReusableCellWithIdentifier(identifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(style, identifier);
  cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
  cell->textLabel()->setNumberOfLines(0);
  return cell;
}

std::string ChoiceScreenLayout::removeBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}
