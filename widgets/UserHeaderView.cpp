#include "widgets/UserHeaderView.h"

UserHeaderView::UserHeaderView(ui::Rect frame) : ui::View(frame) {}

void UserHeaderView::userLoginClick(ui::Control&) {}
