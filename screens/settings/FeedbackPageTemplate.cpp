#include "screens/settings/FeedbackPageTemplate.h"

#include "exam/PageText.h"
#include "ui/PageResources.h"

namespace {

constexpr const char* kHead = R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />
<meta http-equiv="Cache-Control" content="max-age=1700" />
<meta name="viewport" content="width=device-width" />
<meta name="MobileOptimized" content="320" />
<meta name="format-detection" content="telephone=no" />
<title>意见反馈</title>
<style type="text/css">
body { width: 320px; margin: 0 auto; padding: 0; font-family: Arial; font-size: 12px; background: #f4f4f4; }
.nav { height: 44px; line-height: 44px; text-align: center; background: #2e9c8f; color: #fff; }
.list { list-style: none; margin: 0; padding: 0; }
.title { font-size: 16px; font-weight: bold; }
.main { padding: 10px 0; }
.chatbox { padding: 0 6px; }
.clear { clear: both; height: 0; overflow: hidden; }
table.msg, table.reply { border-collapse: collapse; border-spacing: 0; font-size: 15px; }
table td { padding: 0; }
.msg { color: #727272; margin: 0 10px 25px 0; }
.reply { float: right; color: #fff; margin: 0 0 25px 10px; }
.msg .topleft { width: 18px; height: 18px; background: url(c_tl.png) no-repeat; }
.msg .topmiddle { height: 18px; background: url(c_tm.png) repeat-x; }
.msg .topright { width: 18px; height: 18px; background: url(c_tr.png) no-repeat; }
.msg .middleleft { width: 18px; background: url(c_ml.png) repeat-y; }
.msg .middlemiddle { background: url(c_mm.png); word-break: break-all; }
.msg .middleright { width: 18px; background: url(c_mr.png) repeat-y; }
.msg .bottomleft { width: 18px; height: 18px; background: url(c_bl.png) no-repeat; }
.msg .bottommiddle { height: 18px; background: url(c_bm.png) repeat-x; }
.msg .bottomright { width: 18px; height: 18px; background: url(c_br.png) no-repeat; }
.msg .middlemdk { width: 18px; height: 26px; background: url(c_mmk.png) no-repeat; }
.reply .topleft { width: 18px; height: 18px; background: url(r_tl.png) no-repeat; }
.reply .topmiddle { height: 18px; background: url(r_tm.png) repeat-x; }
.reply .topright { width: 18px; height: 18px; background: url(r_tr.png) no-repeat; }
.reply .middleleft { width: 18px; background: url(r_ml.png) repeat-y; }
.reply .middlemiddle { background: url(r_mm.png); word-break: break-all; }
.reply .middleright { width: 18px; background: url(r_mr.png) repeat-y; }
.reply .bottomleft { width: 18px; height: 18px; background: url(r_bl.png) no-repeat; }
.reply .bottommiddle { height: 18px; background: url(r_bm.png) repeat-x; }
.reply .bottomright { width: 18px; height: 18px; background: url(r_br.png) no-repeat; }
.reply .middlemdk { width: 18px; height: 28px; background: url(r_mmk.png) no-repeat; }
</style>
<script type="text/javascript">)";

// The page's one script, run by its hash under the page policy (ui/PageResources.h).
constexpr const char* kScript = R"(
window.onload = function () {
  if (screen.width > 800) document.body.style.width = "100%";
};
)";

constexpr const char* kBody = R"(</script>
</head>
<body>
<form id="form1" action="#">
<div class="main">
<div class="chatbox">
<table class="reply">
<tr><td class="topleft"></td><td class="topmiddle"></td><td class="topright"></td><td></td></tr>
<tr><td class="middleleft"></td><td class="middlemiddle">)";

constexpr const char* kWelcome = "欢迎您提出宝贵的意见和建议，我们会认真阅读每一条反馈。客服热线：";

constexpr const char* kTail = R"(</td><td class="middleright" style=" vertical-align:text-top;"><img src="r_fill.png" height="22px;" width="18px;" alt=""/></td><td class="middlemdk"></td></tr>
<tr><td class="bottomleft"></td><td class="bottommiddle"></td><td class="bottomright"></td><td></td></tr>
</table>
<div class="clear"></div>
<div id="Feedback_Msg"><span></span></div>
<div class="clear"></div>
</div>
</div>
</form>
</body>
</html>
)";

}  // namespace

std::string feedbackPageTemplate(const std::string& hotline) {
  ui::PageResources::trustInlineScript(kScript);
  return std::string(kHead) + kScript + kBody + kWelcome + htmlEscaped(hotline) + kTail;
}
