#include "ui/app.h"

namespace ui {

namespace {
App* g_app = nullptr;
}

App::App() { g_app = this; }
App::~App() {
  if (g_app == this) g_app = nullptr;
}
App* App::current() { return g_app; }

}  // namespace ui
