#include "app/ApplicationState.h"

#include "ui/Application.h"

ApplicationState* ApplicationState::current() {
  ui::Application* app = ui::Application::current();
  if (!app) return nullptr;
  return dynamic_cast<ApplicationState*>(app->delegate().get());
}

core::Date ApplicationState::now() {
  if (ApplicationState* state = current())
    if (state->clock_) return state->clock_();
  return core::Date::now();
}
