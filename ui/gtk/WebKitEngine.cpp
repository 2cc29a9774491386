#include "ui/gtk/WebKitEngine.h"

#include <webkit/webkit.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace ui::gtk {

namespace {

WebViewNavigationType typeOf(WebKitNavigationType t) {
  switch (t) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
      return WebViewNavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
      return WebViewNavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
      return WebViewNavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return WebViewNavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
      return WebViewNavigationType::FormResubmitted;
    default:
      return WebViewNavigationType::Other;
  }
}

gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer self) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
      type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
    return FALSE;  // responses: WebKit's own handling
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = webkit_uri_request_get_uri(request);
  const WebKitNavigationType navType = webkit_navigation_action_get_navigation_type(action);
  const bool mainFrameOther = type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
                              navType == WEBKIT_NAVIGATION_TYPE_OTHER &&
                              !webkit_navigation_action_is_user_gesture(action);
  g_object_ref(decision);
  const bool allow =
      static_cast<WebKitEngine*>(self)->decideNavigation(uri ? uri : "", typeOf(navType), mainFrameOther);
  // A new window has nowhere to go: an allowed one loads here instead.
  if (allow && type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    webkit_policy_decision_ignore(decision);
  } else if (allow) {
    webkit_policy_decision_use(decision);
  } else {
    webkit_policy_decision_ignore(decision);
  }
  g_object_unref(decision);
  return TRUE;
}

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  static_cast<WebKitEngine*>(self)->loadChanged(static_cast<int>(event));
}

gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, char*, GError* error, gpointer self) {
  const bool cancelled =
      error && g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
  static_cast<WebKitEngine*>(self)->loadFailed(error ? error->message : "load failed", cancelled);
  return TRUE;  // no error page
}

void onScrollMessage(WebKitUserContentManager*, JSCValue* value, gpointer self) {
  g_autofree char* text = jsc_value_to_string(value);
  if (text) static_cast<WebKitEngine*>(self)->pageScrolled(text);
}

// Reports the page's scroll position and size as "x,y,width,height".
constexpr const char* kScrollScript = R"JS(
(function () {
  function report() {
    var d = document.documentElement, b = document.body;
    var w = Math.max(d ? d.scrollWidth : 0, b ? b.scrollWidth : 0);
    var h = Math.max(d ? d.scrollHeight : 0, b ? b.scrollHeight : 0);
    window.webkit.messageHandlers.vdscroll.postMessage(
        window.scrollX + ',' + window.scrollY + ',' + w + ',' + h);
  }
  window.addEventListener('scroll', report, {passive: true});
  window.addEventListener('load', report);
  report();
})();
)JS";

void onConsoleMessage(WebKitUserContentManager*, JSCValue* value, gpointer) {
  g_autofree char* text = jsc_value_to_string(value);
  if (text) WebKitEngine::consoleMessage(text);
}

// Sends the page's console output and its uncaught errors (also of scripts and style sheets that do not
// load: their error events are caught on the way down) as "level\ntext". Runs before the page's scripts.
constexpr const char* kConsoleScript = R"JS(
(function () {
  function post(level, text) {
    try { window.webkit.messageHandlers.vdconsole.postMessage(level + '\n' + text); } catch (e) {}
  }
  function show(v) {
    if (typeof v === 'string') return v;
    try { return String(v); } catch (e) { return '?'; }
  }
  ['log', 'info', 'warn', 'error'].forEach(function (level) {
    var original = console[level];
    console[level] = function () {
      post(level, Array.prototype.map.call(arguments, show).join(' '));
      if (original) return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (e) {
    var t = e.target;
    if (t && t !== window && (t.src || t.href)) {
      post('error', 'cannot load ' + (t.src || t.href));
      return;
    }
    var where = e.filename ? ' (' + e.filename + ':' + e.lineno + ')' : '';
    post('error', (e.message || 'script error') + where);
  }, true);
  window.addEventListener('unhandledrejection', function (e) {
    post('error', 'unhandled rejection: ' + show(e.reason));
  });
})();
)JS";

WebKitEngine::ConsoleListener& consoleListener() {
  static WebKitEngine::ConsoleListener listener;
  return listener;
}

// The hidden view every page view is related to (and so shares its web process with).
WebKitWebView*& sharedProcessView() {
  static WebKitWebView* view = nullptr;
  return view;
}

WebKitWebView* processSeed(bool start) {
  WebKitWebView*& seed = sharedProcessView();
  if (!seed) {
    seed = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, nullptr));
    g_object_ref_sink(seed);
  }
  // A page starts the process (a view alone does not); laying out a line of Latin and Chinese text
  // has it load the fonts the pages will ask for.
  if (start && !webkit_web_view_get_uri(seed))
    webkit_web_view_load_html(seed,
                              "<!DOCTYPE html><meta charset=\"utf-8\"><body>Aa 题目<script>"
                              "document.body.getBoundingClientRect();</script></body>",
                              "file:///");
  return seed;
}

struct Pending {
  std::weak_ptr<int> alive;
  std::function<void(const std::string&)> done;
  std::string script;  // its beginning, to name it in a report of its failure
};

}  // namespace

WebKitEngine::WebKitEngine(WebView* view) : model_(view), alive_(std::make_shared<int>(0)) {
  WebKitUserContentManager* ucm = webkit_user_content_manager_new();
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", ucm, "related-view",
                                       processSeed(false), nullptr));
  g_object_ref_sink(view_);
  WebKitSettings* settings = webkit_web_view_get_settings(view_);
  webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_default_charset(settings, "UTF-8");
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(ucm, "script-message-received::vdscroll", G_CALLBACK(onScrollMessage), this);
  webkit_user_content_manager_register_script_message_handler(ucm, "vdscroll", nullptr);
  g_signal_connect(ucm, "script-message-received::vdconsole", G_CALLBACK(onConsoleMessage), this);
  webkit_user_content_manager_register_script_message_handler(ucm, "vdconsole", nullptr);
  WebKitUserScript* console =
      webkit_user_script_new(kConsoleScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, console);
  webkit_user_script_unref(console);
  WebKitUserScript* script =
      webkit_user_script_new(kScrollScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, script);
  webkit_user_script_unref(script);
  g_object_unref(ucm);  // the web view holds it
}

WebKitEngine::~WebKitEngine() {
  alive_.reset();
  WebKitUserContentManager* ucm = webkit_web_view_get_user_content_manager(view_);
  g_signal_handlers_disconnect_by_data(view_, this);
  if (ucm) g_signal_handlers_disconnect_by_data(ucm, this);
  webkit_web_view_stop_loading(view_);
  if (GtkWidget* parent = gtk_widget_get_parent(GTK_WIDGET(view_))) {
    (void)parent;
    gtk_widget_unparent(GTK_WIDGET(view_));
  }
  g_object_unref(view_);
}

GtkWidget* WebKitEngine::widget() const { return GTK_WIDGET(view_); }

void WebKitEngine::loadHTML(const std::string& html, const std::optional<std::string>& baseURL) {
  failed_ = false;
  paddedTop_ = 0;  // a new page has no padding yet
  htmlNavigationURL_ = baseURL.value_or("about:blank");
  GBytes* bytes = g_bytes_new(html.data(), html.size());
  const std::string base = baseURL && !baseURL->empty() ? *baseURL : "file:///";
  webkit_web_view_load_bytes(view_, bytes, "text/html", "UTF-8", base.c_str());
  g_bytes_unref(bytes);
}

void WebKitEngine::loadURL(const std::string& url) {
  failed_ = false;
  paddedTop_ = 0;
  htmlNavigationURL_.reset();
  webkit_web_view_load_uri(view_, url.c_str());
}

void WebKitEngine::stopLoading() { webkit_web_view_stop_loading(view_); }

void WebKitEngine::evaluate(const std::string& script, std::function<void(const std::string& result)> done) {
  auto* pending = new Pending{alive_, std::move(done), script.substr(0, 80)};
  webkit_web_view_evaluate_javascript(
      view_, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
      [](GObject* object, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pending> p(static_cast<Pending*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, &error);
        std::string text;
        if (value && !jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
          char* s = jsc_value_to_string(value);
          if (s) text = s;
          g_free(s);
        }
        if (value) g_object_unref(value);
        if (error) {
          // A script the application runs that throws is the page's error as much as its own scripts'.
          if (!p->alive.expired())
            WebKitEngine::consoleMessage(std::string("error\n") + error->message + " (in: " + p->script + ")");
          g_error_free(error);
        }
        if (!p->alive.expired() && p->done) p->done(text);
      },
      pending);
}

void WebKitEngine::setScalesPageToFit(bool scales) {
  scalesPageToFit_ = scales;
  webkit_web_view_set_zoom_level(view_, 1.0);
}

void WebKitEngine::setBackgroundColor(const Color& color) {
  GdkRGBA rgba{static_cast<float>(color.r), static_cast<float>(color.g), static_cast<float>(color.b),
               static_cast<float>(color.pattern ? 1 : color.a)};
  webkit_web_view_set_background_color(view_, &rgba);
}

bool WebKitEngine::decideNavigation(const std::string& url, WebViewNavigationType type, bool mainFrameOther) {
  std::string reported = url;
  if (htmlNavigationURL_ && mainFrameOther) {
    reported = *htmlNavigationURL_;
  }
  htmlNavigationURL_.reset();
  return offerNavigation(reported, type);
}

void WebKitEngine::loadChanged(int event) {
  if (event == WEBKIT_LOAD_STARTED) {
    failed_ = false;
    reportStarted();
  } else if (event == WEBKIT_LOAD_FINISHED && !failed_) {
    reportFinished();  // WebKit also says FINISHED after a failure: that one is not reported
  }
}

void WebKitEngine::loadFailed(const std::string& message, bool cancelled) {
  failed_ = true;
  reportFailed({kWebViewErrorDomain, cancelled ? kWebViewErrorCancelled : kWebViewErrorLoadFailed, message});
}

void WebKitEngine::prewarm() { processSeed(true); }

void WebKitEngine::releaseSharedProcess() {
  WebKitWebView*& seed = sharedProcessView();
  if (!seed) return;
  webkit_web_view_stop_loading(seed);
  g_object_unref(seed);
  seed = nullptr;
}

void WebKitEngine::setConsoleListener(ConsoleListener listener) { consoleListener() = std::move(listener); }

void WebKitEngine::consoleMessage(const std::string& report) {
  const std::size_t newline = report.find('\n');
  ConsoleMessage message{report.substr(0, newline), newline == std::string::npos ? "" : report.substr(newline + 1)};
  if (const ConsoleListener& listener = consoleListener()) {
    listener(message);
  } else if (message.level == "error") {
    std::fprintf(stderr, "web page: %s\n", message.text.c_str());
  }
}

void WebKitEngine::pageScrolled(const std::string& report) {
  double x = 0, y = 0, w = 0, h = 0;
  if (std::sscanf(report.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h) != 4) return;
  const double top = model_ ? model_->scrollView().contentInset().top : 0;
  if (top != paddedTop_) {
    // Room above the page for the inset; the page reports again once it is laid out anew.
    paddedTop_ = top;
    evaluate("document.documentElement.style.paddingTop = '" + std::to_string(static_cast<int>(top)) + "px';"
             "window.scrollTo(0, 0);",
             nullptr);
    return;
  }
  reportScrolled({x, y - top}, {w, std::max(0.0, h - top)});
}

}  // namespace ui::gtk
