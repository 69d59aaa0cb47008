// Win32 only: the program's one state record.
#include "app/app_state_win32.h"

#include "ui/window_host.h"

namespace ostrya {
namespace {

AppState* current = nullptr;

}  // namespace

AppState::~AppState() = default;

AppState& app() {
  return *current;
}

void setApp(AppState* state) {
  current = state;
}

}  // namespace ostrya
