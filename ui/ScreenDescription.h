#pragma once
// A printable description of the window's screens, from back to front: the root screen (with the stacks
// of navigation controllers and the children of containers), what each screen presents, the overlays laid
// on the window, and the alerts and action sheets waiting on the alert layer. Screens appear under their
// className() and, when they have one, their title in quotes:
//
//   root: NavigationController
//     [0] SelectSortViewController "选择类别"
//     [1] SelectSeriesViewController "医药类"
//     presented: NavigationController
//       [0] LoginViewController "登录"
//   overlay: TestResultViewController
//   alert: AlertView "提示" "网络连接不可用" [取消, 重试]
//
// Children of other containers are listed as "child:" lines; a screen not yet loaded is marked
// "(not loaded)". The application's --print-screens prints the same text.

#include <string>

namespace ui {

class Window;
class ViewController;

std::string describeScreens(const Window& window);
// The description of one screen and what lies under it, indented by `depth` steps of two spaces.
std::string describeScreen(const ViewController& vc, int depth = 0);

}  // namespace ui
