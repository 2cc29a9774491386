#include "app/ApplicationState.h"

#include "ui/Application.h"

ApplicationState* ApplicationState::current() {
  ui::Application* app = ui::Application::current();
  if (!app) return nullptr;
  return dynamic_cast<ApplicationState*>(app->delegate().get());
}
