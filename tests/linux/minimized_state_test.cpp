// Where the compositor does not report minimization (Wayland), the window
// counts as minimized from its own minimize until it is next activated.
#include "ui/qt/minimized_state.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vorundel::ui {
namespace {

TEST(MinimizedStateTest,
     UnreportedStateArmsFromOurMinimizeUntilNextActivation) {
  // m: minimized by us; a: activated; i: deactivated.
  const std::pair<std::string, bool> cases[] = {{"ai", false},
                                                {"mi", true},
                                                {"ma", true},
                                                {"mia", false},
                                                {"miam", true}};
  for (const auto& [events, minimized] : cases) {
    MinimizedState state(false);
    for (const char e : events) {
      e == 'm' ? state.Minimizing() : state.ActivationChanged(e == 'a');
    }
    EXPECT_EQ(state.IsMinimized(false), minimized) << events;
  }
}

}  // namespace
}  // namespace vorundel::ui
