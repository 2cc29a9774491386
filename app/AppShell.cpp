#include "app/AppShell.h"

#include "ui/Application.h"

AppShell* AppShell::current() {
  ui::Application* app = ui::Application::current();
  if (!app) return nullptr;
  return dynamic_cast<AppShell*>(app->delegate().get());
}
